"""Matching Letters in the real program, through the X server: every card turned once to learn
its letter by ear, then the pairs left turned together, to the end of the round."""

import sys

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402
from audio_tap import LETTERS, SILENCE, write_recordings  # noqa: E402
from e2e_support import (  # noqa: E402
    CARD_CORNER, CARD_FRAME, EXIT, MATCH_SIZE, MENU_MATCHING_LETTERS, OVERLAY_PLAY_AGAIN, card)


class MatchingGameTest(e2e.ProgramTestCase):

    def test_a_whole_round_learned_by_ear_then_play_again(self):
        write_recordings(self.app)
        program, audio = self.start_program()
        menu = self.x.wait_window("Wordmeadow", program=program)
        self.click(menu, MENU_MATCHING_LETTERS)
        match = self.x.wait_window("Matching Letters", program=program)
        self.assert_centred(match, *MATCH_SIZE)

        def turn(k):
            mark = audio.wait_quiet()
            self.click(match, card(k))
            return audio.next_sound(mark)

        def all_face_down():
            for k in range(12):
                self.wait_until_seen(match, card(k, CARD_CORNER), e2e.is_purple, program)

        # Cards 0 and 1 make the first turn, 2 and 3 the next...: a letter's name, or the Correct
        # cue when the second is the first's other case.
        all_face_down()
        heard, pairs = {}, {}
        for k in range(12):
            sound = turn(k)
            heard[k] = sound if sound in LETTERS else heard[k - 1]
            if sound in LETTERS:
                pairs.setdefault(sound, []).append(k)
            else:
                del pairs[heard[k]]
        # The first card of each pair left is face down (cards 10 and 11 did not match).
        for n, (first, second) in enumerate(sorted(pairs.values())):
            self.assertEqual(turn(first), heard[first])
            last = n == len(pairs) - 1
            self.assertEqual(turn(second), "Clap" if last else "Correct", heard)
            for k in (first, second) if not last else ():  # the last lies under the overlay
                self.wait_until_seen(match, card(k, CARD_FRAME), e2e.is_green, program)
        self.assertEqual(sorted(heard.values()), sorted(list(set(heard.values())) * 2))
        self.wait_for_surface(match, "congratulation", program)

        # Play Again deals a new round face down, in silence.
        mark = audio.wait_quiet()
        self.click(match, OVERLAY_PLAY_AGAIN)
        all_face_down()
        self.assertEqual(set(audio.labels(mark, audio.wait_written(mark, 1.0))), {SILENCE})
        self.click(match, EXIT)
        self.x.wait_no_window("Matching Letters")
        self.assert_windows(program, ["Wordmeadow"])


if __name__ == "__main__":
    e2e.run_tests()
