"""What the hardening tests add to the end-to-end harness of tests/e2e (used as it is): what was
heard after a click, broken recordings, and the process's memory, descriptors and idleness from
/proc."""

import os
import re
import struct
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_support as e2e  # noqa: E402
from audio_tap import SILENCE, UNCLEAR, write_tone  # noqa: E402
from e2e_support import (  # noqa: E402
    MENU_EXIT_COLOUR, MENU_LETTER_RECOGNITION, OVERLAY_PLAY_AGAIN, START_OVER)
from xserver import eventually  # noqa: E402


# ---------------------------------------------------------------------------------------------
# Recordings that cannot be played


def write_truncated_tone(path, freq):
    """A tone whose data chunk is cut in half: the header still promises all of it."""
    write_tone(path, freq, 0.45)
    os.truncate(path, os.path.getsize(path) // 2)


def write_undecodable(path):
    """A well-formed WAV in MPEG Layer 3 (tag 0x55), which SDL's WAV reader does not decode."""
    payload = bytes((i * 37) & 0xFF for i in range(8000))
    fmt = struct.pack("<HHIIHH", 0x0055, 1, 22050, 4000, 1, 0) + struct.pack("<H", 0)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"data" + struct.pack("<I", len(payload)) + payload)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def write_sparse_wav(path, size):
    """A PCM header promising size bytes of sound, then a hole up to that size."""
    data = size - 44
    header = (b"RIFF" + struct.pack("<I", size - 8) + b"WAVE"
              + b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, 22050, 44100, 2, 16)
              + b"data" + struct.pack("<I", data))
    with open(path, "wb") as f:
        f.write(header)
    os.truncate(path, size)


# ---------------------------------------------------------------------------------------------
# The process, from /proc


def proc_status(pid):
    """{field: value} of /proc/<pid>/status; the kB fields as numbers of kB."""
    fields = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            name, _, value = line.partition(":")
            value = value.strip()
            m = re.fullmatch(r"(\d+) kB", value)
            fields[name] = int(m.group(1)) if m else value
    return fields


def open_files(pid):
    """What each open descriptor of the process refers to, sorted."""
    folder = f"/proc/{pid}/fd"
    targets = []
    for fd in os.listdir(folder):
        try:
            targets.append(os.readlink(os.path.join(folder, fd)))
        except FileNotFoundError:  # closed meanwhile
            pass
    return sorted(targets)


def main_thread_cpu(pid):
    """CPU ticks used so far by the thread that handles the windows (the process's first)."""
    with open(f"/proc/{pid}/task/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def wait_idle(program, quiet=0.3, rounds=3, timeout=60.0):
    """Waits until the event loop has used no CPU for rounds consecutive spans of quiet seconds:
    every click sent before has been handled by then."""
    pid = program.proc.pid
    deadline = time.monotonic() + timeout
    last, calm = main_thread_cpu(pid), 0
    while calm < rounds:
        if time.monotonic() > deadline:
            raise AssertionError(f"the program was still busy after {timeout} s")
        time.sleep(quiet)
        program.check_running()
        now = main_thread_cpu(pid)
        calm = calm + 1 if now == last else 0
        last = now


# ---------------------------------------------------------------------------------------------
# Sound


class Heard:
    """The tones heard from a mark up to the end of the first sound after it."""

    def __init__(self, names, bursts):
        self.names = names  # distinct tones in order, cut-off fragments left out
        self.bursts = bursts  # (start, length) in seconds

    def is_alert(self):
        return (self.names == ["alert"] and len(self.bursts) == 2
                and all(0.05 < length < 0.3 for _, length in self.bursts))

    def __repr__(self):
        return f"Heard({self.names}, bursts {self.bursts})"


class HardeningTestCase(e2e.ProgramTestCase):

    def open_menu(self, program, timeout=20.0):
        menu = self.x.wait_window("Wordmeadow", timeout=timeout, program=program)
        self.wait_until_seen(menu, MENU_EXIT_COLOUR, e2e.is_red, program)
        return menu

    def open_activity(self, program, menu, timeout=20.0):
        self.click(menu, MENU_LETTER_RECOGNITION)
        rec = self.x.wait_window("Letter Recognition", timeout=timeout, program=program)
        self.wait_for_surface(rec, "game", program)
        return rec

    def assert_still_answering(self, program, rec):
        """The program still runs and still answers: a click brings a new game."""
        self.click(rec, OVERLAY_PLAY_AGAIN)  # on the picture after a game, else on nothing
        self.click(rec, START_OVER)
        self.wait_for_surface(rec, "game", program)
        self.wait_for_feedback(rec, "blank", program)

    # --- what is heard -----------------------------------------------------------------------

    def heard(self, audio, mark, timeout=10.0):
        """Waits for the first sound after mark to start and end; what was heard."""
        def started():
            audio.program.check_running()
            peak = audio.peak(mark, audio.position())
            return peak >= audio.SILENT_PEAK, f"peak {peak}"
        eventually(started, timeout, "a sound to start")
        end = audio.wait_quiet(timeout)
        names = []
        for name, frames in audio.runs(audio.labels(mark, end)):
            if name in (SILENCE, UNCLEAR):
                continue
            # A sound cut off at once by the next may leave a frame of itself; a beep of the
            # alert fills one or two frames.
            if frames >= (1 if name == "alert" else 3) and (not names or names[-1] != name):
                names.append(name)
        return Heard(names, audio.bursts(mark, end))

    def click_and_listen(self, audio, window, point):
        """Clicks once the sound playing has ended; returns what the click made heard."""
        mark = audio.wait_quiet()
        self.click(window, point)
        return self.heard(audio, mark)

    def assert_silent_for(self, audio, seconds):
        """Nothing at all is played for this long from now on."""
        mark = audio.wait_quiet()
        end = audio.wait_written(mark, seconds)
        self.assertEqual([name for name, _ in audio.runs(audio.labels(mark, end))], [SILENCE])
