"""The menu window of the real program: where it appears, what it shows, what it plays, and what
its buttons do when clicked through the X server."""

import os
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402
from audio_tap import SILENCE, UNCLEAR, write_recordings  # noqa: E402
from e2e_support import MENU_BUTTONS, MENU_LABEL, MENU_SIZE, middle  # noqa: E402
from xserver import SCREEN_WIDTH, eventually  # noqa: E402

BUILD_A_SENTENCE = MENU_BUTTONS["Build A Sentence"]
BEGINNING_SOUNDS = MENU_BUTTONS["Beginning Sounds"]
EXIT = MENU_BUTTONS["Exit!"]


def beside_words(rect):
    """A point of the button's own colour: left of its words, inside its rounded end."""
    left, top, width, height = rect
    return left + 12, top + height // 2


class MenuTest(e2e.ProgramTestCase):

    def open_menu(self):
        """Starts the program and waits, as a child would, until the menu can be seen."""
        write_recordings(self.app)
        program, audio = self.start_program()
        menu = self.x.wait_window("Wordmeadow", program=program)
        self.wait_until_seen(menu, beside_words(EXIT), e2e.is_red, program)
        return program, audio, menu

    def test_menu_is_centred_shows_its_buttons_and_plays_the_welcome(self):
        program, audio, menu = self.open_menu()
        self.assert_centred(menu, *MENU_SIZE)
        self.assertEqual(audio.next_sound(0), "Welcome")

        def sample(shot, x, y):
            return shot.mean(menu["left"] + x, menu["top"] + y)

        def buttons_drawn():
            shot = self.x.screenshot()
            seen, problems = {}, []
            for name, looks_right in (("Letter Recognition", e2e.is_blue),
                                      ("Build A Sentence", e2e.is_grey),
                                      ("Beginning Sounds", e2e.is_grey),
                                      ("Matching Letters", e2e.is_grey), ("Exit!", e2e.is_red)):
                rect = MENU_BUTTONS[name]
                left, top, width, height = rect
                y = top + height // 2
                # Beside the words, inside the rounded ends; and just outside either end.
                inside = [sample(shot, left + 12, y), sample(shot, left + width - 12, y)]
                outside = [sample(shot, left - 10, y), sample(shot, left + width + 10, y)]
                seen[name] = (inside, outside)
                if not all(map(looks_right, inside)):
                    problems.append(f"{name} inside {inside}")
                if looks_right is e2e.is_blue:
                    # Blue on a blue background: the button is clearly lighter than beside it.
                    if not min(map(sum, inside)) > max(map(sum, outside)) + 60:
                        problems.append(f"{name} not lighter than beside it {inside} {outside}")
                elif any(map(looks_right, outside)):
                    problems.append(f"{name} spills outside {outside}")
            # The background between and around the buttons.
            for x, y in ((60, 200), (233, 245), (400, 200), (20, 160), (440, 140)):
                colour = sample(shot, x, y)
                if not e2e.is_blue(colour):
                    problems.append(f"background at {x},{y} is {colour}")
            return not problems, problems or seen

        eventually(buttons_drawn, 10, "the menu's buttons to be drawn", interval=0.2)

    def test_label_and_background_open_nothing_but_beginning_sounds_opens_its_window(self):
        program, audio, menu = self.open_menu()
        self.click(menu, MENU_LABEL)
        self.click(menu, e2e.MENU_BACKGROUND)
        self.click(menu, middle(BEGINNING_SOUNDS))
        # Clicks are handled in order, so anything the first two opened is there by now.
        beginning = self.x.wait_window("Beginning Sounds", program=program)
        self.assert_centred(beginning, *MENU_SIZE)
        self.assert_windows(program, ["Beginning Sounds", "Wordmeadow"])

    def test_exit_closes_every_window_and_opens_the_publisher_page(self):
        program, audio, menu = self.open_menu()
        # Open both other activities, moving each off the menu so that its Exit! can be reached.
        self.click(menu, middle(BEGINNING_SOUNDS))
        beginning = self.x.wait_window("Beginning Sounds", program=program)
        self.x.move_window(beginning["id"], 0, menu["top"] + MENU_SIZE[1] + 10)
        eventually(lambda: self.x.window_info(beginning["id"])["left"] == 0, 10,
                   "the Beginning Sounds window to move")
        self.wait_until_seen(menu, beside_words(BUILD_A_SENTENCE), e2e.is_grey, program)
        self.click(menu, middle(BUILD_A_SENTENCE))
        build = self.x.wait_window("Build A Sentence", program=program)
        self.assert_centred(build, *MENU_SIZE)
        self.x.move_window(build["id"], SCREEN_WIDTH - MENU_SIZE[0],
                           menu["top"] + MENU_SIZE[1] + 10)
        eventually(lambda: self.x.window_info(build["id"])["left"] > menu["left"], 10,
                   "the Build A Sentence window to move")
        self.wait_until_seen(menu, beside_words(EXIT), e2e.is_red, program)
        self.assertEqual(self.opened_addresses(), [])

        self.click(menu, middle(EXIT))
        self.assertEqual(program.wait_exit(), 0, program.stderr())
        self.assertEqual(self.x.windows(), {})
        # The opener is started on its own and may finish a moment after the program.
        eventually(lambda: (self.opened_addresses() != [], self.opened_addresses()), 10,
                   "the stand-in xdg-open to be called")
        time.sleep(0.3)  # a second, unwanted call would come straight after the first
        address = e2e.publisher_address(self.app)
        self.assertEqual(self.opened_addresses(), [[address]])
        if address.startswith("file:"):  # the page that lies beside the program
            with open(urllib.request.url2pathname(urllib.parse.urlparse(address).path)) as f:
                self.assertIn("<title>About Wordmeadow</title>", f.read())

    def test_unplayable_welcome_gives_two_alert_beeps(self):
        write_recordings(self.app, cues=("Correct", "TryAgain", "Clap"))
        with open(os.path.join(self.app, "Welcome.wav"), "wb") as f:
            f.write(b"RIFF\x10\x00\x00\x00WAVEnot a sound at all")
        program, audio = self.start_program()
        self.x.wait_window("Wordmeadow", program=program)
        # The beeps are short: one clean analysis frame each is all they may give.
        self.assertEqual(audio.next_sound(0, min_frames=1), "alert")
        end = audio.wait_quiet()
        heard = {name for name in audio.labels(0, end) if name not in (SILENCE, UNCLEAR)}
        self.assertEqual(heard, {"alert"})
        bursts = audio.bursts(0, end)
        self.assertEqual(len(bursts), 2, bursts)
        for start, length in bursts:
            self.assertGreater(length, 0.05, bursts)
            self.assertLess(length, 0.3, bursts)


class NoDisplayTest(unittest.TestCase):

    def test_without_a_display_the_program_says_so_and_fails(self):
        env = {name: value for name, value in os.environ.items()
               if name not in ("DISPLAY", "WAYLAND_DISPLAY") and not name.startswith("SDL_")}
        env["SDL_AUDIODRIVER"] = "dummy"
        # A display number no X server has: connecting to it is refused.
        refused = next(f":{n}" for n in range(90, 200) if not os.path.exists(f"/tmp/.X{n}-lock")
                       and not os.path.exists(f"/tmp/.X11-unix/X{n}"))
        for display, expected in ((None, "no display found (DISPLAY is not set)"),
                                  (refused, f'no connection to the display "{refused}" (SDL: ')):
            if display is not None:
                env["DISPLAY"] = display
            with tempfile.TemporaryDirectory() as runtime:
                # As in a login session without a desktop: the runtime folder is there, empty.
                env["XDG_RUNTIME_DIR"] = runtime
                result = subprocess.run([e2e.program_path], env=env, capture_output=True,
                                        text=True, timeout=30)
            self.assertEqual(result.returncode, 1, result)
            lines = result.stderr.splitlines()
            self.assertEqual(len(lines), 1, result.stderr)
            self.assertTrue(lines[0].startswith("wordmeadow: cannot open a window: " + expected),
                            lines[0])
            self.assertEqual(result.stdout, "")


if __name__ == "__main__":
    e2e.run_tests()
