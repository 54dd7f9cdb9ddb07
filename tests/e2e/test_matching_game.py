"""Matching Letters in the real program, played through the X server as a child with a good
memory would: each card's letter is learned from the sound it makes when turned, and the pairs
are then turned together, to the end of the round."""

import collections
import os
import sys

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402
from audio_tap import LETTERS, SILENCE, write_recordings  # noqa: E402
from e2e_support import (  # noqa: E402
    EXIT, MATCH_SIZE, MENU_MATCHING_LETTERS, OVERLAY_PLAY_AGAIN, card, card_corner, card_edge)

CARDS = range(12)


class MatchingGameTest(e2e.ProgramTestCase):

    def setUp(self):
        super().setUp()
        write_recordings(self.app)

    def test_a_whole_round_learned_by_ear_then_play_again(self):
        program, audio = self.start_program()
        menu = self.x.wait_window("Wordmeadow", program=program)
        self.assertEqual(audio.next_sound(0), "Welcome")
        self.click(menu, MENU_MATCHING_LETTERS)
        match = self.x.wait_window("Matching Letters", program=program)
        self.assert_centred(match, *MATCH_SIZE)
        for k in CARDS:
            self.wait_until_seen(match, card_corner(k), e2e.is_purple, program)

        def turn(k):
            mark = audio.wait_quiet()
            self.click(match, card(k))
            return audio.next_sound(mark)

        heard = {}  # card: the letter it said, or the one it was found with
        found = set()
        while len(found) < len(CARDS):
            waiting = [k for k in CARDS if k not in found]
            known = [k for k in waiting if k in heard]
            pairs = [(a, b) for a in known for b in known if a < b and heard[a] == heard[b]]
            if pairs:
                first, second = pairs[0]
                self.assertEqual(turn(first), heard[first])
            else:
                first = next(k for k in waiting if k not in heard)
                heard[first] = turn(first)
                self.assertIn(heard[first], LETTERS)
                self.wait_until_seen(match, card_corner(first), e2e.is_white, program)
                second = next((k for k in known if heard[k] == heard[first]), None)
                if second is None:
                    second = next(k for k in waiting if k not in heard)
            answer = turn(second)
            if answer in LETTERS:
                # Both stay face up until the next card is turned.
                heard[second] = answer
                self.assertNotEqual(answer, heard[first], f"cards {first} and {second}")
                for k in (first, second):
                    self.wait_until_seen(match, card_corner(k), e2e.is_white, program)
                continue
            heard[second] = heard[first]
            found |= {first, second}
            last = len(found) == len(CARDS)
            self.assertEqual(answer, "Clap" if last else "Correct", f"{heard}, found {found}")
            for k in (first, second) if not last else ():  # the last pair lies under the overlay
                self.wait_until_seen(match, card_edge(k), e2e.is_green, program)
            if len(found) == 8:
                self.x.screenshot().save_png(os.path.join(self.root, "matching.png"))

        self.assertEqual(set(collections.Counter(heard.values()).values()), {2}, heard)
        self.wait_for_surface(match, "congratulation", program)

        # Play Again deals a new round face down, in silence.
        mark = audio.wait_quiet()
        self.click(match, OVERLAY_PLAY_AGAIN)
        for k in CARDS:
            self.wait_until_seen(match, card_corner(k), e2e.is_purple, program)
        end = audio.wait_written(mark, 1.0)
        self.assertEqual(set(audio.labels(mark, end)), {SILENCE})

        self.click(match, EXIT)
        self.x.wait_no_window("Matching Letters")
        self.assert_windows(program, ["Wordmeadow"])


if __name__ == "__main__":
    e2e.run_tests()
