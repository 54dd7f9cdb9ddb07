"""A short session of the real program under valgrind's memcheck: start, the welcome, the
activity with right and wrong answers and unplayable sounds, its Exit, and the menu's Exit!. No
memory error and no definite leak may be reported, bar the system libraries' own listed in
memcheck.supp."""

import os
import re
import shutil
import sys

sys.dont_write_bytecode = True
import hardening_support as h  # noqa: E402  (it puts tests/e2e on the path)
import audio_tap  # noqa: E402
import e2e_support as e2e  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ERROR_STATUS = 99
SLOW = 180  # seconds: memcheck runs the program some fifty times slower


class ValgrindTest(h.HardeningTestCase):

    def test_short_session_has_no_memory_errors(self):
        # One letter, one file that is not a recording, and no "try again" sound: both the
        # decoding and the beep that stands in for what cannot be played are run.
        audio_tap.write_recordings(self.app, letters=("A",), cues=("Welcome", "Correct", "Clap"))
        with open(os.path.join(self.app, "notes.wav"), "w") as f:
            f.write("not a recording\n")
        log = os.path.join(self.root, "memcheck.%p.log")
        wrapper = ("valgrind", "--tool=memcheck", f"--error-exitcode={ERROR_STATUS}",
                   "--leak-check=full", "--errors-for-leak-kinds=definite",
                   "--show-leak-kinds=definite", "--child-silent-after-fork=yes",
                   "--num-callers=40", f"--suppressions={os.path.join(HERE, 'memcheck.supp')}",
                   f"--log-file={log}")
        program, audio = self.start_program(wrapper=wrapper)
        menu = self.x.wait_window("Wordmeadow", timeout=SLOW, program=program)
        self.assertEqual(self.heard(audio, 0, timeout=SLOW).names, ["Welcome"])

        self.click(menu, e2e.MENU_LETTER_RECOGNITION)
        rec = self.x.wait_window("Letter Recognition", timeout=SLOW, program=program)
        for point in (e2e.tile("B"), e2e.PLAY_AGAIN, e2e.tile("A"), e2e.START_OVER, e2e.tile("A"),
                      e2e.tile("Z"), e2e.PLAY_AGAIN, e2e.START_OVER):
            h.wait_idle(program, timeout=SLOW)
            self.click(rec, point)
        h.wait_idle(program, timeout=SLOW)
        self.click(rec, e2e.EXIT)
        self.x.wait_no_window("Letter Recognition", timeout=SLOW)
        h.wait_idle(program, timeout=SLOW)
        self.click(menu, e2e.MENU_EXIT)
        status = program.wait_exit(timeout=SLOW)
        # The session did reach the letter's sound and the beep.
        heard = set(audio.labels(0, audio.position()))
        self.assertLessEqual({"Welcome", "A", "alert"}, heard)

        report = read_log(log.replace("%p", str(program.proc.pid)))
        summary = re.search(r"ERROR SUMMARY: (\d+) errors", report)
        self.assertIsNotNone(summary, f"memcheck wrote no summary; its log:\n{report[-3000:]}")
        print(f"\n  memcheck: {summary.group(0)}", file=sys.stderr)
        self.assertEqual(summary.group(1), "0", f"memcheck's log:\n{report}")
        self.assertEqual(status, 0, program.stderr())


def read_log(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


if __name__ == "__main__":
    if shutil.which("valgrind") is None:
        print("SKIPPED: valgrind is not installed (package valgrind)", file=sys.stderr)
        sys.exit(e2e.SKIP_RETURN_CODE)
    e2e.run_tests()
