"""Broken, odd and missing recordings in the program's folder: the program goes on, beeps for what
it cannot play, plays what it can, and asks only the regular files it finds."""

import os
import pwd
import shutil
import sys

sys.dont_write_bytecode = True
import hardening_support as h  # noqa: E402  (it puts tests/e2e on the path)
import audio_tap  # noqa: E402
import e2e_support as e2e  # noqa: E402

# Less than the 2 GiB file, and three times what the program needs with the activity open.
MEMORY_LIMIT_KB = 60 * 1024


class BadContentTest(h.HardeningTestCase):

    def open_after_welcome(self, *args, **kwargs):
        """Starts the program (with start_program's arguments), hears the welcome and opens the
        activity; returns the program, its sound, the activity and what was heard first there."""
        program, audio = self.start_program(*args, **kwargs)
        menu = self.open_menu(program)
        self.assertEqual(self.heard(audio, 0).names, ["Welcome"])
        mark = audio.wait_quiet()
        rec = self.open_activity(program, menu)
        return program, audio, rec, self.heard(audio, mark)

    def find_asked_letter(self, audio, rec, candidates):
        """Clicks the candidates' tiles in turn until one is not refused; returns it with what
        that click made heard."""
        for letter in candidates:
            heard = self.click_and_listen(audio, rec, e2e.tile(letter))
            if heard.names != ["TryAgain"]:
                return letter, heard
        self.fail(f"every one of {candidates} was refused")

    def test_broken_files_beep_and_only_regular_visible_files_are_asked(self):
        app = self.app
        audio_tap.write_recordings(app, letters=())
        open(os.path.join(app, "A.wav"), "wb").close()
        os.mkdir(os.path.join(app, "B.wav"))
        audio_tap.write_tone(os.path.join(app, "B.wav", "B.wav"), audio_tap.TONES["B"], 0.45)
        os.symlink("gone.wav", os.path.join(app, "C.wav"))
        h.write_truncated_tone(os.path.join(app, "D.wav"), audio_tap.TONES["D"])
        h.write_undecodable(os.path.join(app, "E.wav"))
        os.symlink("G.wav", os.path.join(app, "F.wav"))
        os.symlink("F.wav", os.path.join(app, "G.wav"))
        with open(os.path.join(app, "Q.wav"), "w") as f:
            f.write("Q is for quilt. This is a note, not a recording.\n" * 20)
        h.write_sparse_wav(os.path.join(app, "R.wav"), 2 << 30)
        audio_tap.write_tone(os.path.join(app, ".S.wav"), audio_tap.TONES["S"], 0.45)
        listed = {"A", "D", "E", "Q", "R"}
        candidates = ["A", "B", "C", "D", "E", "F", "G", "Q", "R", "S"]

        program, audio, rec, first = self.open_after_welcome()
        self.assertTrue(first.is_alert(), f"the first letter asked: {first}")
        heard = self.click_and_listen(audio, rec, e2e.PLAY_AGAIN)
        self.assertTrue(heard.is_alert(), f"Play Again: {heard}")

        # Each right tile brings the next letter, which beeps too, until the applause.
        found = []
        while True:
            letter, heard = self.find_asked_letter(
                audio, rec, [c for c in candidates if c not in found])
            found.append(letter)
            if heard.names == ["Clap"]:
                break
            self.assertTrue(heard.is_alert(), f"after {found}: {heard}")
            self.assertLess(len(found), len(candidates), found)
        self.assertEqual(set(found), listed, f"answered in this order: {found}")
        self.wait_for_surface(rec, "congratulation", program)

        # The 2 GiB file was among those asked, yet it was never read.
        status = h.proc_status(program.proc.pid)
        print(f"\n  measured with the 2 GiB R.wav: VmRSS {status['VmRSS']} kB, "
              f"VmHWM {status['VmHWM']} kB", file=sys.stderr)
        self.assertLess(status["VmHWM"], MEMORY_LIMIT_KB, status)

        # A new game asks them again, and still beeps.
        mark = audio.wait_quiet()
        self.click(rec, e2e.OVERLAY_PLAY_AGAIN)
        heard = self.heard(audio, mark)
        self.assertTrue(heard.is_alert(), f"the new game's first letter: {heard}")
        self.assert_still_answering(program, rec)

    def test_odd_names_are_listed_and_played(self):
        audio_tap.write_recordings(self.app, letters=())
        names = {
            b"my letter  sound .wav": "U",
            b"\xff\xfe letter \xe9\x80.wav": "V",  # not UTF-8
            b"W" * 251 + b".wav": "W",  # as long as a name may be
        }
        folder = os.fsencode(self.app)
        for name, letter in names.items():
            scratch = os.path.join(self.root, "tone.wav")
            audio_tap.write_tone(scratch, audio_tap.TONES[letter], 0.45)
            os.rename(os.fsencode(scratch), os.path.join(folder, name))

        program, audio, rec, first = self.open_after_welcome()
        asked = first.names
        self.assertEqual(len(asked), 1, asked)
        self.assertIn(asked[0], names.values())
        self.assertEqual(self.click_and_listen(audio, rec, e2e.PLAY_AGAIN).names, asked)

        # Start Over fills the pool afresh and draws again: in time each file is asked.
        heard = set(asked)
        for _ in range(30):
            if heard == set(names.values()):
                break
            got = self.click_and_listen(audio, rec, e2e.START_OVER).names
            self.assertEqual(len(got), 1, got)
            self.assertIn(got[0], names.values())
            heard.add(got[0])
        self.assertEqual(heard, set(names.values()))
        self.assert_still_answering(program, rec)

    def test_letter_deleted_during_the_game_and_missing_applause_beep(self):
        audio_tap.write_recordings(self.app, letters=("G", "H"),
                                   cues=("Welcome", "Correct", "TryAgain"))
        program, audio, rec, first = self.open_after_welcome()
        asked = first.names
        self.assertIn(asked, [["G"], ["H"]])
        other = "H" if asked == ["G"] else "G"
        os.remove(os.path.join(self.app, f"{other}.wav"))

        heard = self.click_and_listen(audio, rec, e2e.tile(asked[0]))
        self.assertTrue(heard.is_alert(), f"the deleted letter asked: {heard}")
        self.wait_for_feedback(rec, "correct", program)
        heard = self.click_and_listen(audio, rec, e2e.PLAY_AGAIN)
        self.assertTrue(heard.is_alert(), f"the deleted letter replayed: {heard}")

        # Its tile is still the right one; the applause that should follow is missing too.
        heard = self.click_and_listen(audio, rec, e2e.tile(other))
        self.assertTrue(heard.is_alert(), f"the end of the game without Clap.WAV: {heard}")
        self.wait_for_surface(rec, "congratulation", program)
        self.assert_still_answering(program, rec)

    def test_folder_without_recordings(self):
        program, audio = self.start_program()
        menu = self.open_menu(program)
        heard = self.heard(audio, 0)
        self.assertTrue(heard.is_alert(), f"the welcome: {heard}")

        audio.wait_quiet()
        rec = self.open_activity(program, menu)
        self.wait_for_feedback(rec, "blank", program)
        self.assert_silent_for(audio, 1.5)  # nothing to ask

        # No letter is asked, so no tile can be right: each one is refused, on screen and with
        # the beep that stands in for the missing "try again".
        for letter in audio_tap.LETTERS:
            self.click(rec, e2e.START_OVER)
            self.wait_for_feedback(rec, "blank", program)
            heard = self.click_and_listen(audio, rec, e2e.tile(letter))
            self.assertTrue(heard.is_alert(), f"tile {letter}: {heard}")
            self.wait_for_feedback(rec, "tryagain", program)
        heard = self.click_and_listen(audio, rec, e2e.PLAY_AGAIN)
        self.assertTrue(heard.is_alert(), f"Play Again with nothing asked: {heard}")
        self.assert_still_answering(program, rec)

    def test_unreadable_letter_file_is_asked_and_beeps(self):
        wrapper = ()
        if os.geteuid() == 0:
            # Root reads a file of mode 000 all the same: run as the unprivileged user.
            try:
                nobody = pwd.getpwnam("nobody")
            except KeyError:
                self.skipTest("running as root and there is no user 'nobody' to run as")
            if shutil.which("setpriv") is None:
                self.skipTest("running as root and setpriv (util-linux) is missing")
            wrapper = ("setpriv", f"--reuid={nobody.pw_uid}", f"--regid={nobody.pw_gid}",
                       "--clear-groups", "--")
            os.chmod(self.root, 0o755)
            os.chmod(self.app, 0o755)
            os.chmod(self.bin, 0o755)
            sound = os.path.join(self.root, "sound")
            os.mkdir(sound)
            os.chown(sound, nobody.pw_uid, nobody.pw_gid)
        audio_tap.write_recordings(self.app, letters=("U",))
        os.chmod(os.path.join(self.app, "U.wav"), 0)
        name = "sound/run" if wrapper else "run"
        program, audio, rec, heard = self.open_after_welcome(
            name, extra_env={"XDG_RUNTIME_DIR": None}, wrapper=wrapper)
        self.assertTrue(heard.is_alert(), f"the unreadable letter asked: {heard}")
        heard = self.click_and_listen(audio, rec, e2e.tile("U"))
        self.assertEqual(heard.names, ["Clap"])
        self.wait_for_surface(rec, "congratulation", program)
        self.assert_still_answering(program, rec)


if __name__ == "__main__":
    e2e.run_tests()
