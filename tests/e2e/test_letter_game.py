"""The Letter Recognition and Beginning Sounds activities of the real program, played by ear from
start to finish through the X server: the letter or word asked is recognised from the sound the
program plays, and the feedback is read off the screen. Also at twice the size, on a display
whose Xft.dpi is 192: by clicks, by letter keys, maximised and full screen."""

import os
import shutil
import sys

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402
from audio_tap import LETTERS, SILENCE, WORDS, write_recordings  # noqa: E402
from e2e_support import (  # noqa: E402
    BEGINNING_FEEDBACK_SPOT, BEGINNING_PLAY_AGAIN, EXIT, MENU_BUTTONS, MENU_EXIT_COLOUR,
    MENU_LABEL, MENU_LETTER_RECOGNITION, MENU_SIZE, OVERLAY_EXIT, OVERLAY_PLAY_AGAIN, PLAY_AGAIN,
    REC_SIZE, START_OVER, edge_width, fitted, middle, tile, tile_rect)
from xserver import SCREEN_WIDTH, eventually  # noqa: E402


class LetterGame(e2e.ProgramTestCase):
    """Letter Recognition opened from the menu, and its tiles answered."""

    def setUp(self):
        super().setUp()
        write_recordings(self.app)

    # --- helpers -----------------------------------------------------------------------------

    def open_activity(self, name="run"):
        """Starts the program and opens the activity from its menu; returns the program, its
        sound, the two windows and the first letter asked."""
        program, audio = self.start_program(name)
        menu = self.x.wait_window("Wordmeadow", program=program)
        self.assertEqual(audio.next_sound(0), "Welcome")
        mark = audio.wait_quiet()
        self.click(menu, MENU_LETTER_RECOGNITION)
        rec = self.x.wait_window("Letter Recognition", program=program)
        first = audio.next_sound(mark)
        self.assertIn(first, LETTERS, "the activity should speak a letter as it opens")
        self.wait_for_feedback(rec, "blank")
        return program, audio, menu, rec, first

    def answer(self, audio, rec, letter):
        """Clicks the tile once the sound has ended; returns the next tone heard."""
        mark = audio.wait_quiet()
        self.click(rec, tile(letter))
        return audio.next_sound(mark)

    def play_to_the_end(self, audio, rec, order, answer=None):
        """Every letter not yet in order asked, each once, until the last one is matched;
        answer(letter, turn) answers one and returns what is heard next (by default a click on
        its tile)."""
        answer = answer or (lambda letter, turn: self.answer(audio, rec, letter))
        for turn in range(len(order), 27):
            heard = answer(order[-1], turn)
            if turn == 26:
                self.assertEqual(heard, "Clap", f"after matching all of {order}")
                break
            self.assertIn(heard, LETTERS, f"turn {turn} after {order}")
            self.wait_for_feedback(rec, "correct")
            order.append(heard)
        self.assertEqual(sorted(order), LETTERS, f"letters asked: {order}")


class LetterGameTest(LetterGame):

    def test_whole_game_by_ear_then_play_again_and_leave(self):
        program, audio, menu, rec, asked = self.open_activity()
        self.assert_centred(rec, *REC_SIZE)
        self.assertLessEqual(edge_width(self.x.screenshot(), rec, tile_rect("B")), 1)

        # Play Again repeats the letter; a wrong tile is refused.
        mark = audio.wait_quiet()
        self.click(rec, PLAY_AGAIN)
        self.assertEqual(audio.next_sound(mark), asked)
        wrong = "B" if asked == "A" else "A"
        self.assertEqual(self.answer(audio, rec, wrong), "TryAgain")
        self.wait_for_feedback(rec, "tryagain")

        # A press on the asked tile released over another answers nothing; the cross stays.
        mark = audio.wait_quiet()
        self.drag(rec, tile(asked), tile(wrong))
        end = audio.wait_written(mark, 1.5)
        self.assertEqual(audio.runs(audio.labels(mark, end)), [(SILENCE, 30)])
        self.assertEqual(self.feedback(self.x.screenshot(), rec), "tryagain")

        # A double-click on the asked tile answers it once: the next letter cuts the "correct"
        # off, and the second press brings no "try again" after it.
        mark = audio.wait_quiet()
        self.double_click(rec, tile(asked))
        heard = audio.next_sound(mark)
        self.assertIn(heard, LETTERS, "the double-click on the asked tile")
        end = audio.wait_written(audio.wait_quiet(), 1.0)
        self.assertNotIn("TryAgain", audio.labels(mark, end), audio.runs(audio.labels(mark, end)))
        self.wait_for_feedback(rec, "correct")

        # Every letter, each once, until the last one is matched.
        order = [asked, heard]
        self.play_to_the_end(audio, rec, order)
        self.wait_for_surface(rec, "congratulation")
        self.x.screenshot().save_png(os.path.join(self.root, "congratulation.png"))

        # Everything but the picture's two buttons lies under it now: tiles, side buttons.
        mark = audio.wait_quiet()
        for point in (tile("A"), tile(order[-1]), PLAY_AGAIN, START_OVER, EXIT):
            self.click(rec, point)
        end = audio.wait_written(mark, 1.5)
        self.assertEqual(audio.runs(audio.labels(mark, end)), [(SILENCE, 30)])
        self.assertEqual(self.surface(self.x.screenshot(), rec)[0], "congratulation")
        self.assert_windows(program, ["Letter Recognition", "Wordmeadow"])

        # Play Again on the picture starts a new game.
        mark = audio.wait_quiet()
        self.click(rec, OVERLAY_PLAY_AGAIN)
        self.assertIn(audio.next_sound(mark), LETTERS)
        self.wait_for_surface(rec, "game")
        self.wait_for_feedback(rec, "blank")

        # The activity's Exit closes only the activity; the menu's Exit! ends the program.
        self.click(rec, EXIT)
        self.x.wait_no_window("Letter Recognition")
        self.assert_windows(program, ["Wordmeadow"])
        self.wait_until_seen(menu, MENU_EXIT_COLOUR, e2e.is_red, program)
        self.leave_by_exit(program, menu)

    def test_one_click_answers_in_the_window_without_the_focus_under_a_window_manager(self):
        if shutil.which("openbox") is None:
            self.skipTest("openbox is missing (package openbox)")
        self.x.start_window_manager()
        program, audio, menu, rec, asked = self.open_activity()
        # Side by side, so that each can be clicked; the activity has the focus since it opened.
        self.x.move_window(menu["id"], 0, 100)
        self.x.move_window(rec["id"], SCREEN_WIDTH - REC_SIZE[0] - 10, 100)
        menu = eventually(lambda: self.x.window_info(menu["id"])["left"] < 10 and
                          self.x.window_info(menu["id"]), 10, "the menu to move")
        rec = eventually(lambda: self.x.window_info(rec["id"])["left"] > 500 and
                         self.x.window_info(rec["id"]), 10, "the activity to move")
        self.wait_until_seen(menu, MENU_EXIT_COLOUR, e2e.is_red, program)

        def focused():
            return int(self.x.run("xdotool", "getwindowfocus"))

        # The menu's label takes the focus; then one click on the right tile answers it...
        self.assertEqual(focused(), int(rec["id"], 16))
        self.click(menu, MENU_LABEL)
        eventually(lambda: focused() == int(menu["id"], 16), 10, "the menu to have the focus")
        mark = audio.wait_quiet()
        self.click(rec, tile(asked))
        self.assertIn(audio.next_sound(mark), LETTERS)
        # Once: a second press would have answered the next letter with "try again".
        end = audio.wait_written(audio.wait_quiet(), 1.0)
        self.assertNotIn("TryAgain", audio.labels(mark, end))
        self.assertEqual(self.feedback(self.x.screenshot(), rec), "correct")
        # ...and one click on the menu's Exit! ends the program.
        self.assertEqual(focused(), int(rec["id"], 16))
        self.leave_by_exit(program, menu)

    def test_letters_come_in_the_same_order_on_every_run(self):
        orders = []
        for run in ("first", "second"):
            program, audio, menu, rec, first = self.open_activity(run)
            order = [first]
            for _ in range(3):
                order.append(self.answer(audio, rec, order[-1]))
                self.wait_for_feedback(rec, "correct")
            orders.append(order)
            if run == "second":
                # Start Over asks a letter again with the question mark back.
                mark = audio.wait_quiet()
                self.click(rec, START_OVER)
                self.assertIn(audio.next_sound(mark), LETTERS)
                self.wait_for_feedback(rec, "blank")
            program.stop()
        self.assertEqual(orders[0], orders[1])
        self.assertTrue(all(letter in LETTERS for letter in orders[0]), orders)
        self.assertEqual(len(set(orders[0])), len(orders[0]), orders)

    def test_beginning_sounds_round_by_ear(self):
        """Ten words, each heard from its own recording in words/, answered by the tile of its
        first letter; the letters' pool beside it is untouched by that folder (the game above
        asks exactly the 26 letters with words/ present)."""
        program, audio = self.start_program()
        menu = self.x.wait_window("Wordmeadow", program=program)
        self.assertEqual(audio.next_sound(0), "Welcome")
        mark = audio.wait_quiet()
        self.click(menu, middle(MENU_BUTTONS["Beginning Sounds"]))
        window = self.x.wait_window("Beginning Sounds", program=program)
        self.assert_centred(window, *MENU_SIZE)
        word = audio.next_sound(mark)
        self.assertIn(word, WORDS)
        self.wait_for_feedback(window, "blank", program, BEGINNING_FEEDBACK_SPOT)

        # The button says the word again; Q is never right.
        mark = audio.wait_quiet()
        self.click(window, BEGINNING_PLAY_AGAIN)
        self.assertEqual(audio.next_sound(mark), word)
        self.assertEqual(self.answer(audio, window, "Q"), "TryAgain")
        self.wait_for_feedback(window, "tryagain", program, BEGINNING_FEEDBACK_SPOT)

        asked = [word]
        while True:
            heard = self.answer(audio, window, asked[-1][0].upper())
            if heard == "Clap":
                break
            self.assertIn(heard, WORDS, f"after {asked}")
            self.wait_for_feedback(window, "correct", program, BEGINNING_FEEDBACK_SPOT)
            asked.append(heard)
        self.assertEqual(len(asked), 10, asked)
        self.assertEqual(len(set(asked)), 10, asked)
        eventually(lambda: (e2e.congratulation_words(self.x.screenshot(), window) > 200,
                            "no congratulation"), 10, "the congratulation")
        self.x.screenshot().save_png(os.path.join(self.root, "beginning-congratulation.png"))

        # Play Again on the picture asks a new round; the side Exit closes the window.
        mark = audio.wait_quiet()
        self.click(window, OVERLAY_PLAY_AGAIN)
        self.assertIn(audio.next_sound(mark), WORDS)
        self.wait_for_feedback(window, "blank", program, BEGINNING_FEEDBACK_SPOT)
        self.click(window, EXIT)
        self.x.wait_no_window("Beginning Sounds")
        self.leave_by_exit(program, menu)


class ScaledLetterGameTest(LetterGame):
    """A desktop at 200 %, under a window manager, on a screen with room for the windows."""

    dpi = 192
    screen = (1600, 1000)

    def setUp(self):
        super().setUp()
        if shutil.which("openbox") is None or shutil.which("xrdb") is None:
            self.skipTest("openbox or xrdb is missing (packages openbox, x11-xserver-utils)")
        self.x.start_window_manager()

    def typed(self, audio, *keys):
        """Keys typed once the sound has ended; what is heard after them (1.5 s of it)."""
        mark = audio.wait_quiet()
        self.x.key(*keys)
        return audio.labels(mark, audio.wait_written(mark, 1.5))

    def test_game_by_clicks_then_letter_keys_at_twice_the_size(self):
        program, audio, menu, rec, asked = self.open_activity()
        # Twice the size, the layout unmoved (openbox places them, so they are not centred).
        self.assertEqual((menu["width"], menu["height"]), (958, 720))
        self.assertEqual((rec["width"], rec["height"]), (956, 714))
        # Drawn from pictures of twice the pixels: a tile's edge is as sharp as at scale 1.
        self.assertLessEqual(edge_width(self.x.screenshot(), rec, tile_rect("B")), 1)
        self.x.screenshot().save_png(os.path.join(self.root, "game.png"))

        # Half the letters by clicks at the scaled places, the rest by their keys, in either case;
        # a key that is no letter does nothing.
        order = [asked]
        self.assertEqual(audio.runs(self.typed(audio, "1", "space", "Return")), [(SILENCE, 30)])
        self.assertEqual(self.feedback(self.x.screenshot(), rec), "blank")

        def click_or_type(letter, turn):
            if turn < 13:
                return self.answer(audio, rec, letter)
            mark = audio.wait_quiet()
            self.x.key(letter.lower() if turn % 2 else letter)
            return audio.next_sound(mark)
        self.play_to_the_end(audio, rec, order, click_or_type)

        # Under the congratulation the keys do nothing.
        self.wait_for_surface(rec, "congratulation")
        self.assertEqual(audio.runs(self.typed(audio, "a", "Z")), [(SILENCE, 30)])
        self.assertEqual(self.surface(self.x.screenshot(), rec)[0], "congratulation")
        self.click(rec, OVERLAY_EXIT)
        self.x.wait_no_window("Letter Recognition")
        self.leave_by_exit(program, menu)

    def test_maximised_and_full_screen_the_window_is_fitted_between_margins(self):
        program, audio, menu, rec, asked = self.open_activity()
        opened = rec

        def resized(change):
            return eventually(lambda: (self.x.window_info(rec["id"])["width"] != rec["width"],
                                       self.x.window_info(rec["id"])), 10, change)

        # Maximised by a double-click on its title bar, as openbox does.
        self.x.double_click(rec["left"] + rec["width"] // 2, rec["top"] - 8)
        rec = fitted(resized("the window to be maximised"), REC_SIZE)
        self.assertGreater(rec["offset"][0], 50, rec)
        margin = rec["left"] + rec["offset"][0] // 2, rec["top"] + rec["height"] // 2
        self.wait_until_seen(rec, tile(asked), e2e.is_blue, program)
        shot = self.x.screenshot()
        shot.save_png(os.path.join(self.root, "maximised.png"))
        self.assertLess(max(shot.mean(*margin)), 80, "a dark margin")
        self.assertLessEqual(edge_width(shot, rec, tile_rect("B")), 1)

        # A click in a margin does nothing; one on the tile answers.
        mark = audio.wait_quiet()
        self.x.click(*margin)
        end = audio.wait_written(mark, 1.5)
        self.assertEqual(audio.runs(audio.labels(mark, end)), [(SILENCE, 30)])
        heard = self.answer(audio, rec, asked)
        self.assertIn(heard, LETTERS)
        self.wait_for_feedback(rec, "correct")

        # Restored, it is as it was.
        self.x.double_click(rec["left"] + rec["width"] // 2, rec["top"] - 8)
        rec = resized("the window to be restored")
        self.assertEqual(rec, opened)

        # Full screen by F11, and back by F11 again.
        self.x.key("F11")
        rec = fitted(resized("the window to be full screen"), REC_SIZE)
        self.assertEqual((rec["width"], rec["height"]), self.screen)
        self.assertIn(self.answer(audio, rec, heard), LETTERS)
        self.wait_for_feedback(rec, "correct")
        self.x.key("F11")
        self.assertEqual(resized("the window to leave full screen"), opened)
        self.click(rec, EXIT)
        self.x.wait_no_window("Letter Recognition")
        self.leave_by_exit(program, menu)


if __name__ == "__main__":
    e2e.run_tests()
