"""The unpacked package's program, started through its command link as somebody who installed it
would start it from the menu, on a private Xvfb: the menu window opens, the welcome is heard,
Exit! ends the program and hands the page it opens (the page about the program beside it, or the
publisher's) to the URL opener (a stand-in that writes it down).

Usage: run_installed.py COMMAND_LINK WELCOME_WAV PAGE     (part of test_package.sh)
"""

import os
import sys
import tempfile
import wave

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from audio_tap import RATE, AudioTap, int16_samples  # noqa: E402
from e2e_support import MENU_EXIT  # noqa: E402
from program import Program, opened_addresses, write_url_opener_stand_in  # noqa: E402
from xserver import XServer, eventually  # noqa: E402


def loud_blocks(samples, values_per_block):
    """How many blocks of that many values hold a sample over the tap's silence threshold."""
    return sum(1 for i in range(0, len(samples) - values_per_block + 1, values_per_block)
               if max(map(abs, samples[i:i + values_per_block])) >= AudioTap.SILENT_PEAK)


def run(scratch, link, welcome, page):
    with wave.open(welcome) as w:
        assert w.getsampwidth() == 2, "Welcome.wav is not 16-bit PCM"
        source = int16_samples(w.readframes(w.getnframes()))
        expected = loud_blocks(source, w.getframerate() * w.getnchannels() // 20)  # 50 ms
    assert expected > 0, "Welcome.wav is silent"

    stand_ins = os.path.join(scratch, "stand-ins")
    os.mkdir(stand_ins)
    write_url_opener_stand_in(stand_ins)
    x = XServer(os.path.join(scratch, "xvfb.log"))
    program = None
    try:
        # Started from another folder with a plain environment: the recordings are found beside
        # the real program, through /proc/self/exe, or not at all.
        program = Program(link, x, os.path.join(scratch, "program"), "/",
                          stand_ins + os.pathsep + os.environ.get("PATH", ""))
        menu = x.wait_window("Wordmeadow", timeout=60, program=program)
        print(f"menu window {menu['id']}")

        # The welcome is heard: the device receives about as much sound as Welcome.wav holds. A
        # missing recording would give only a short beep, so a little sound is not enough.
        tap = AudioTap(program.audio_path, program)

        def welcome_heard():
            heard = loud_blocks(tap.samples_between(0, tap.position()), RATE // 20)
            return heard >= 0.8 * expected, f"{heard} loud 50 ms blocks; Welcome.wav has {expected}"
        print("heard", eventually(welcome_heard, 60, "the welcome", interval=0.5))

        # With no window manager the window takes the click as is.
        x.click(menu["left"] + MENU_EXIT[0], menu["top"] + MENU_EXIT[1])
        status = program.wait_exit(timeout=30)
        assert status == 0, f"the program ended with status {status}"
        assert "no sound" not in program.stderr(), "the program found no sound device"
        # The program does not wait for xdg-open, so its note may come a little later.
        opened = eventually(lambda: (opened_addresses(stand_ins), opened_addresses(stand_ins)), 10,
                            "Exit! to hand a page to xdg-open")
        assert opened == [[page]], f"Exit! opened {opened}, not {page!r}"
    finally:
        if program is not None:
            program.stop()
            sys.stderr.write(program.stderr())
        x.stop()


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip().splitlines()[-1])
    with tempfile.TemporaryDirectory(prefix="wordmeadow-installed-") as scratch:
        try:
            run(scratch, *sys.argv[1:])
        except AssertionError as failure:
            sys.exit(f"FAIL: {failure}")


if __name__ == "__main__":
    main()
