"""Long play: thousands of clicks through the X server over both windows, and the activity
opened and left again and again. The program must keep up, keep its memory and its open files
level, and still leave normally at the end."""

import random
import sys

sys.dont_write_bytecode = True
import hardening_support as h  # noqa: E402  (it puts tests/e2e on the path)
import audio_tap  # noqa: E402
import e2e_support as e2e  # noqa: E402

# Few letters, so that sweeping over their tiles wins a game quickly.
LETTERS = ("A", "B", "C", "D", "E")
CLICKS = 2000
FIRST_READING = 200
RSS_GROWTH_LIMIT_KB = 1024


def sweeps():
    """Whatever order the letters come in, each sweep over their tiles answers at least one: as
    many sweeps as letters win the game."""
    points = []
    for _ in LETTERS:
        points += [e2e.tile(letter) for letter in LETTERS] + [e2e.PLAY_AGAIN]
    return points


# Spots of the game surface that never close the window, whatever is shown.
RANDOM_SPOTS = ([e2e.tile(letter) for letter in audio_tap.LETTERS]
                + [e2e.PLAY_AGAIN, e2e.START_OVER, e2e.OVERLAY_PLAY_AGAIN, (220, 120), (240, 320)])


class LongPlayTest(h.HardeningTestCase):

    def setUp(self):
        super().setUp()
        audio_tap.write_recordings(self.app, letters=LETTERS)

    def press(self, window, points):
        """Quick clicks, sent in one go: each is a press and a release at once."""
        args = []
        for x, y in points:
            args += ["mousemove", str(window["left"] + x), str(window["top"] + y),
                     "mousedown", "1", "mouseup", "1"]
        self.x.run("xdotool", *args)
        return len(points)

    def win_a_game(self, program, rec):
        count = self.press(rec, sweeps())
        self.wait_for_surface(rec, "congratulation", program)
        return count

    def test_two_thousand_clicks_keep_memory_and_files_level(self):
        program, audio = self.start_program()
        menu = self.open_menu(program)
        pid = program.proc.pid
        rng = random.Random(20240611)
        clicks = 0
        readings = {}
        games = 0
        cycle = 0
        while clicks < CLICKS:
            cycle_start = clicks
            # The menu: two spots that do nothing, then the activity.
            clicks += self.press(menu, [e2e.MENU_BACKGROUND, e2e.MENU_LABEL,
                                        e2e.MENU_LETTER_RECOGNITION])
            rec = self.x.wait_window("Letter Recognition", program=program)
            self.wait_for_surface(rec, "game", program)

            clicks += self.win_a_game(program, rec)
            games += 1

            # A new game, clicked anywhere, then started over.
            leave_by_picture = cycle % 2 == 0
            closing = 1 if leave_by_picture else 2
            fixed = [e2e.OVERLAY_PLAY_AGAIN, e2e.OVERLAY_PLAY_AGAIN, e2e.START_OVER]
            spare = 100 - (clicks - cycle_start) - len(fixed) - len(sweeps()) - closing
            points = ([fixed[0]] + [rng.choice(RANDOM_SPOTS) for _ in range(spare)] + fixed[1:])
            clicks += self.press(rec, points)
            self.wait_for_surface(rec, "game", program)
            self.wait_for_feedback(rec, "blank", program)

            clicks += self.win_a_game(program, rec)
            games += 1
            if leave_by_picture:
                clicks += self.press(rec, [e2e.OVERLAY_EXIT])
            else:
                clicks += self.press(rec, [e2e.OVERLAY_PLAY_AGAIN, e2e.EXIT])
            self.x.wait_no_window("Letter Recognition")
            self.wait_until_seen(menu, e2e.MENU_EXIT_COLOUR, e2e.is_red, program)
            self.assertEqual(clicks - cycle_start, 100)
            cycle += 1

            if clicks in (FIRST_READING, CLICKS):
                h.wait_idle(program)
                readings[clicks] = (h.proc_status(pid), h.open_files(pid))

        first, last = readings[FIRST_READING], readings[CLICKS]
        print(f"\n  measured after {FIRST_READING} clicks: VmRSS {first[0]['VmRSS']} kB, "
              f"{len(first[1])} descriptors; after {CLICKS}: VmRSS {last[0]['VmRSS']} kB, "
              f"VmHWM {last[0]['VmHWM']} kB, {len(last[1])} descriptors; {games} games won",
              file=sys.stderr)
        self.assertLess(abs(last[0]["VmRSS"] - first[0]["VmRSS"]), RSS_GROWTH_LIMIT_KB,
                        (first[0]["VmRSS"], last[0]["VmRSS"]))
        self.assertLessEqual(len(last[1]), len(first[1]), (first[1], last[1]))

        self.leave_by_exit(program, menu)

    def test_the_activity_can_be_opened_and_left_forty_times(self):
        program, audio = self.start_program()
        menu = self.open_menu(program)
        for turn in range(40):
            self.click(menu, e2e.MENU_LETTER_RECOGNITION)
            rec = self.x.wait_window("Letter Recognition", program=program)
            self.wait_for_surface(rec, "game", program)
            if turn % 4 == 3:
                self.win_a_game(program, rec)
                self.click(rec, e2e.OVERLAY_EXIT)
            else:
                self.click(rec, e2e.tile(audio_tap.LETTERS[turn % 26]))
                self.click(rec, e2e.EXIT)
            self.x.wait_no_window("Letter Recognition")
            self.wait_until_seen(menu, e2e.MENU_EXIT_COLOUR, e2e.is_red, program)
        self.click(menu, e2e.MENU_EXIT)
        self.assertEqual(program.wait_exit(), 0, program.stderr())


if __name__ == "__main__":
    e2e.run_tests()
