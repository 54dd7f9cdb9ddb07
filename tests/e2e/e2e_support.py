"""Drives the real wordmeadow executable in a private Xvfb server.

Each test gets a scratch folder holding a copy of the program with its own tone recordings, a
stand-in xdg-open that only writes down what it was given, and the sound the program played (SDL's
disk audio driver). The program is clicked through the X server with xdotool and looked at in
screenshots taken with ImageMagick's import.
"""

import array
import math
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import wave
import zlib

SKIP_RETURN_CODE = 77
TOOLS = ("Xvfb", "xdotool", "xwininfo", "import")

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
PUBLISHER_ADDRESS = "https://wordmeadow.example/"

# The device the program opens: 22050 Hz, signed 16-bit little-endian, mono.
RATE = 22050
BYTES_PER_FRAME = 2

LETTERS = [chr(ord("A") + k) for k in range(26)]
# Letters far from the cue tones and from the program's own 880 Hz alert, 60 Hz apart: a 50 ms
# analysis frame resolves that easily.
TONES = {letter: 1000 + 60 * k for k, letter in enumerate(LETTERS)}
TONES.update({"Welcome": 400, "Correct": 520, "TryAgain": 640, "Clap": 760, "alert": 880})
CUE_FILES = {"Welcome": "Welcome.wav", "Correct": "Correct.WAV", "TryAgain": "TryAgain.WAV",
             "Clap": "Clap.WAV"}
SILENCE = "-"
UNCLEAR = "?"

# Where to click and look. In the menu's client area:
MENU_LETTER_RECOGNITION = (233, 90)  # below the label that covers the button's top rows
MENU_EXIT = (233, 284)
MENU_EXIT_COLOUR = (132, 284)  # left of the word "Exit!"
# In the activity window's client area:
PLAY_AGAIN = (76, 84)
START_OVER = (76, 132)
EXIT = (76, 180)
OVERLAY_PLAY_AGAIN = (233, 196)  # plain background while the game is on
OVERLAY_EXIT = (233, 252)  # between the two rows of tiles while the game is on
FEEDBACK_SPOT = (168, 72)
# Points of each feedback picture (from the spot's corner) that are white in it and green in the
# other two: the question mark, the check mark and the cross.
FEEDBACK_MARKS = {
    "blank": [(40, 35), (56, 76)],
    "correct": [(81, 23), (29, 41), (45, 60)],
    "tryagain": [(35, 14), (74, 58)],
}


def tile(letter):
    """The middle of a letter tile."""
    k = ord(letter) - ord("A")
    return 24 + 32 * (k % 13) + 15, (216 if k < 13 else 256) + 13

program_path = None  # the executable under test, from the command line


def run_tests():
    """Entry point of each test file: python3 test_x.py /path/to/wordmeadow [unittest args]."""
    global program_path
    if len(sys.argv) < 2:
        sys.exit(f"usage: {sys.argv[0]} PATH_TO_WORDMEADOW [unittest arguments]")
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        print(f"SKIPPED: the end-to-end tests need {', '.join(missing)} (packages xvfb, xdotool, "
              "x11-utils, imagemagick)", file=sys.stderr)
        sys.exit(SKIP_RETURN_CODE)
    program_path = os.path.realpath(sys.argv[1])
    if not os.access(program_path, os.X_OK):
        sys.exit(f"not an executable: {program_path}")
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)


def eventually(check, timeout, what, interval=0.05):
    """Polls check() until it returns something true and returns that; fails after timeout.

    check may return (ok, detail): the detail of the last try goes into the failure message."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        ok, detail = result if isinstance(result, tuple) else (result, result)
        if ok:
            return detail
        if time.monotonic() > deadline:
            raise AssertionError(f"gave up after {timeout} s waiting for {what}; last seen: {detail}")
        time.sleep(interval)


# ---------------------------------------------------------------------------------------------
# Recordings


def write_tone(path, freq, seconds, rate=22050, channels=1, amplitude=0.4):
    """A pure sine tone with 5 ms fades, as a 16-bit PCM WAV file."""
    count = int(rate * seconds)
    fade = int(rate * 0.005)
    samples = array.array("h")
    for i in range(count):
        gain = min(1.0, i / fade, (count - 1 - i) / fade)
        value = int(32767 * amplitude * gain * math.sin(2 * math.pi * freq * i / rate))
        samples.extend([value] * channels)
    if sys.byteorder == "big":
        samples.byteswap()
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(samples.tobytes())


def write_recordings(folder, letters=LETTERS, cues=("Welcome", "Correct", "TryAgain", "Clap")):
    """Letters as 22050 Hz mono files, cues as 44100 Hz stereo (which the program converts)."""
    for letter in letters:
        write_tone(os.path.join(folder, f"{letter}.wav"), TONES[letter], 0.45)
    for cue in cues:
        write_tone(os.path.join(folder, CUE_FILES[cue]), TONES[cue], 0.45, rate=44100, channels=2)


# ---------------------------------------------------------------------------------------------
# Sound


class AudioTap:
    """Reads what the program played from the disk audio driver's file, as it grows.

    Positions are counted in sample frames from the start of the file. The sound is cut into
    50 ms analysis frames and each is named after the tone it holds: the candidate nearest to the
    frequency measured from zero crossings, confirmed by a Goertzel filter at that frequency
    holding most of the frame's energy (a frame where one sound cuts another off is UNCLEAR)."""

    FRAME = RATE // 20
    SILENT_PEAK = 300  # the driver writes exact zeros while nothing plays

    def __init__(self, path, program=None):
        self.path = path
        self.program = program
        n = self.FRAME
        self._hann = [0.5 - 0.5 * math.cos(2 * math.pi * i / (n - 1)) for i in range(n)]
        self._hann_sum = sum(self._hann)

    def position(self):
        try:
            return os.path.getsize(self.path) // BYTES_PER_FRAME
        except FileNotFoundError:
            return 0

    def samples_between(self, start, end):
        with open(self.path, "rb") as f:
            f.seek(start * BYTES_PER_FRAME)
            data = f.read((end - start) * BYTES_PER_FRAME)
        samples = array.array("h")
        samples.frombytes(data[: len(data) // BYTES_PER_FRAME * BYTES_PER_FRAME])
        if sys.byteorder == "big":
            samples.byteswap()
        return samples

    def label(self, samples):
        if max(map(abs, samples)) < self.SILENT_PEAK:
            return SILENCE
        freq = self._zero_crossing_frequency(samples)
        if freq is None:
            return UNCLEAR
        name, nearest = min(TONES.items(), key=lambda item: abs(item[1] - freq))
        if abs(nearest - freq) > 20:
            return UNCLEAR
        # Windowed amplitude at that frequency against the windowed amplitude of the whole frame.
        w = 2 * math.pi * nearest / RATE
        coeff = 2 * math.cos(w)
        s1 = s2 = 0.0
        energy = 0.0
        for x, h in zip(samples, self._hann):
            s0 = x * h + coeff * s1 - s2
            s2, s1 = s1, s0
            energy += x * x * h
        power = max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2)
        tone_amplitude = 2 * math.sqrt(power) / self._hann_sum
        frame_amplitude = math.sqrt(2 * energy / self._hann_sum)
        return name if frame_amplitude > 0 and tone_amplitude / frame_amplitude > 0.8 else UNCLEAR

    @staticmethod
    def _zero_crossing_frequency(samples):
        first = last = None
        count = 0
        for i in range(1, len(samples)):
            a, b = samples[i - 1], samples[i]
            if a < 0 <= b:
                t = i - 1 + a / (a - b)
                if first is None:
                    first = t
                last = t
                count += 1
        if count < 3 or last <= first:
            return None
        return (count - 1) * RATE / (last - first)

    def labels(self, start, end=None):
        end = self.position() if end is None else end
        return [self.label(self.samples_between(p, p + self.FRAME))
                for p in range(start, end - self.FRAME + 1, self.FRAME)]

    @staticmethod
    def runs(labels):
        """[(label, number of frames)] of consecutive equal labels."""
        out = []
        for name in labels:
            if out and out[-1][0] == name:
                out[-1][1] += 1
            else:
                out.append([name, 1])
        return [tuple(r) for r in out]

    def _check_alive(self):
        if self.program is not None:
            self.program.check_running()

    def next_sound(self, start, timeout=10.0, min_frames=3):
        """The first tone heard for at least min_frames frames from position start on."""
        labels = []
        pos = start
        deadline = time.monotonic() + timeout
        while True:
            end = self.position()
            while pos + self.FRAME <= end:
                labels.append(self.label(self.samples_between(pos, pos + self.FRAME)))
                pos += self.FRAME
                for name, length in self.runs(labels):
                    if name not in (SILENCE, UNCLEAR) and length >= min_frames:
                        return name
            if time.monotonic() > deadline:
                raise AssertionError(f"no tone heard within {timeout} s; frames: {self.runs(labels)}")
            self._check_alive()
            time.sleep(0.05)

    def wait_quiet(self, timeout=10.0, quiet_frames=3):
        """Waits until the sound playing has ended; returns the position then."""
        def quiet():
            self._check_alive()
            end = self.position()
            if end < quiet_frames * self.FRAME:
                return False, "too little sound written yet"
            tail = self.samples_between(end - quiet_frames * self.FRAME, end)
            peak = max(map(abs, tail)) if tail else 0
            return peak < self.SILENT_PEAK, f"peak {peak}"
        eventually(quiet, timeout, "the sound to end")
        return self.position()

    def wait_written(self, start, seconds, timeout=20.0):
        """Waits until this many seconds of sound have been written after start."""
        needed = start + int(seconds * RATE)
        eventually(lambda: (self.position() >= needed, self.position()), timeout,
                   f"{seconds} s of sound after position {start}")
        return needed

    def bursts(self, start, end, block=RATE // 200):
        """(start, length) in seconds of each stretch of sound between start and end, on a 5 ms
        grid; gaps shorter than 20 ms do not split a stretch."""
        samples = self.samples_between(start, end)
        on = [max(map(abs, samples[i:i + block])) >= self.SILENT_PEAK
              for i in range(0, len(samples) - block + 1, block)]
        stretches = []
        i = 0
        while i < len(on):
            if not on[i]:
                i += 1
                continue
            j = i
            while j < len(on) and on[j]:
                j += 1
            stretches.append([i, j])
            i = j
        merged = []
        for s in stretches:
            if merged and (s[0] - merged[-1][1]) * block < 0.02 * RATE:
                merged[-1][1] = s[1]
            else:
                merged.append(s)
        return [(round(a * block / RATE, 3), round((b - a) * block / RATE, 3)) for a, b in merged]


# ---------------------------------------------------------------------------------------------
# Pictures


class Screenshot:
    """The whole screen, as 8-bit RGB."""

    def __init__(self, ppm):
        magic, rest = ppm.split(b"\n", 1)
        if magic != b"P6":
            raise ValueError("import did not give a binary PPM")
        fields = []
        while len(fields) < 3:
            line, rest = rest.split(b"\n", 1)
            if not line.startswith(b"#"):
                fields += line.split()
        self.width, self.height, maximum = map(int, fields)
        if maximum != 255:
            raise ValueError(f"expected 8-bit samples, got maximum {maximum}")
        self.data = rest[: self.width * self.height * 3]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def mean(self, x, y, radius=1):
        """Average colour of the (2r+1)^2 square around x,y."""
        total = [0, 0, 0]
        count = 0
        for yy in range(y - radius, y + radius + 1):
            for xx in range(x - radius, x + radius + 1):
                for c, v in enumerate(self.pixel(xx, yy)):
                    total[c] += v
                count += 1
        return tuple(round(v / count) for v in total)

    def save_png(self, path):
        rows = b"".join(b"\0" + self.data[y * self.width * 3:(y + 1) * self.width * 3]
                        for y in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            out.write(chunk(b"IDAT", zlib.compress(rows, 6)))
            out.write(chunk(b"IEND", b""))


# Colour classes for sampled pixels.
def is_white(c):
    return min(c) > 200


def is_grey(c):
    return max(c) - min(c) < 35 and 90 < sum(c) / 3 < 220


def is_red(c):
    return c[0] > 170 and c[0] > c[1] + 90 and c[0] > c[2] + 90


def is_blue(c):
    return c[2] > 120 and c[2] > c[0] + 80 and c[2] > c[1] + 30


def is_green(c):
    return c[1] > 120 and c[1] > c[0] + 40 and c[1] > c[2] + 40


def is_orange(c):
    return c[0] > 200 and 90 < c[1] < 200 and c[2] < 90


def is_turquoise(c):
    return c[0] < 120 and c[1] > 120 and c[2] > 120 and abs(c[1] - c[2]) < 50


def is_pale_yellow(c):
    return c[0] > 220 and c[1] > 200 and c[2] < 200 and c[0] - c[2] > 60


# ---------------------------------------------------------------------------------------------
# The X server and the program


class XServer:
    """A private Xvfb; the display number is chosen by the server itself (-displayfd)."""

    def __init__(self, log_path):
        read_end, write_end = os.pipe()
        self._log = open(log_path, "wb")
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=self._log,
            stderr=subprocess.STDOUT, start_new_session=True)
        os.close(write_end)
        try:
            number = b""
            deadline = time.monotonic() + 30
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                ready, _, _ = select.select([read_end], [], [], max(0.0, left))
                if not ready:
                    raise RuntimeError("Xvfb did not report its display within 30 s")
                piece = os.read(read_end, 64)
                if not piece:
                    raise RuntimeError(f"Xvfb ended at start-up (see {log_path})")
                number += piece
        except BaseException:
            self.stop()
            raise
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def run(self, *args, check=True):
        return subprocess.run(list(args), env=self.env(), capture_output=True, text=True,
                              timeout=30, check=check).stdout

    def screenshot(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                              env=self.env(), capture_output=True, timeout=30, check=True).stdout
        return Screenshot(data)

    def click(self, x, y):
        # Held for a tenth of a second, as a hand does: the program acts on the press, and a
        # release coming before the program has seen the press is not what a child does.
        self.run("xdotool", "mousemove", str(x), str(y), "mousedown", "1", "sleep", "0.1",
                 "mouseup", "1")

    def move_window(self, window_id, x, y):
        self.run("xdotool", "windowmove", window_id, str(x), str(y))

    _TREE_LINE = re.compile(r'^\s+(0x[0-9a-f]+) "(.*)":')

    def windows(self):
        """{title: [window id, ...]} of the top-level windows that are on screen."""
        found = {}
        for line in self.run("xwininfo", "-root", "-children").splitlines():
            m = self._TREE_LINE.match(line)
            if m:
                info = self.window_info(m.group(1))
                if info is not None and info["viewable"]:
                    found.setdefault(m.group(2), []).append(info)
        return found

    def window_info(self, window_id):
        out = self.run("xwininfo", "-id", window_id, check=False)
        if "Absolute upper-left X" not in out:
            return None  # gone meanwhile

        def field(name):
            return re.search(rf"{name}:\s+(-?\d+)", out).group(1)

        return {"id": window_id, "left": int(field("Absolute upper-left X")),
                "top": int(field("Absolute upper-left Y")), "width": int(field("Width")),
                "height": int(field("Height")), "viewable": "IsViewable" in out}

    def wait_window(self, title, timeout=20.0, program=None):
        """The one on-screen window of that title, once it is there."""
        def present():
            if program is not None:
                program.check_running()
            found = self.windows()
            infos = found.get(title, [])
            return len(infos) == 1, infos[0] if infos else sorted(found)
        return eventually(present, timeout, f"a window titled {title!r}", interval=0.1)

    def wait_no_window(self, title, timeout=20.0):
        eventually(lambda: (title not in self.windows(), sorted(self.windows())), timeout,
                   f"the window {title!r} to go away", interval=0.1)

    def stop(self):
        stop_process(self.proc)
        self._log.close()


def stop_process(proc, grace=5.0):
    """Ends a process started in its own session, with whatever it started in that session.

    Only a process not yet reaped is signalled: afterwards its number may belong to another."""
    if proc.poll() is not None:
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            pass
        try:
            proc.wait(grace)
            return
        except subprocess.TimeoutExpired:
            continue


class Program:
    """A copy of the executable in its own folder, run on the given X server."""

    def __init__(self, app_folder, xserver, audio_path, work_folder, path_prefix, extra_env=None):
        self.exe = os.path.join(app_folder, "wordmeadow")
        if not os.path.exists(self.exe):
            shutil.copy2(program_path, self.exe)
        env = xserver.env()
        for name in list(env):
            if name.startswith("SDL_"):
                del env[name]
        env["SDL_AUDIODRIVER"] = "disk"
        env["SDL_DISKAUDIOFILE"] = audio_path
        env["PATH"] = path_prefix + os.pathsep + env.get("PATH", "")
        env.update(extra_env or {})
        self.stdout_path = audio_path + ".stdout"
        self.stderr_path = audio_path + ".stderr"
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            # Started from another folder: the recordings must be found beside the program.
            self.proc = subprocess.Popen([self.exe], cwd=work_folder, env=env,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                         start_new_session=True)

    def stderr(self):
        with open(self.stderr_path, errors="replace") as f:
            return f.read()

    def check_running(self):
        if self.proc.poll() is not None:
            raise AssertionError(f"the program ended early with status {self.proc.returncode}; "
                                 f"stderr: {self.stderr()!r}")

    def wait_exit(self, timeout=20.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program was still running {timeout} s later") from None

    def stop(self):
        stop_process(self.proc)


XDG_OPEN_STAND_IN = """#!/bin/sh
# Writes down how it was called instead of opening anything.
{ printf 'call %s\\n' "$#"; for a in "$@"; do printf 'arg %s\\n' "$a"; done; } >> "$(dirname "$0")/xdg-open.log"
"""


def opened_addresses(bin_folder):
    """[[arguments], ...] of each call of the stand-in xdg-open in that folder so far."""
    try:
        with open(os.path.join(bin_folder, "xdg-open.log")) as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        return []
    calls = []
    for line in lines:
        kind, _, value = line.partition(" ")
        if kind == "call":
            calls.append([])
        else:
            calls[-1].append(value)
    return calls


class ProgramTestCase(unittest.TestCase):
    """A scratch folder and a private X server per test; the program is started on demand."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="wordmeadow-e2e-")
        self.app = os.path.join(self.root, "app")
        self.bin = os.path.join(self.root, "bin")
        os.mkdir(self.app)
        os.mkdir(self.bin)
        stand_in = os.path.join(self.bin, "xdg-open")
        with open(stand_in, "w") as f:
            f.write(XDG_OPEN_STAND_IN)
        os.chmod(stand_in, 0o755)
        self.programs = []
        self.x = XServer(os.path.join(self.root, "xvfb.log"))

    def tearDown(self):
        try:
            self.x.screenshot().save_png(os.path.join(self.root, "last-screen.png"))
        except Exception:  # the picture is only a help when something failed
            pass
        for program in self.programs:
            program.stop()
        self.x.stop()

    def run(self, result=None):
        result = result if result is not None else self.defaultTestResult()
        problems = len(result.failures) + len(result.errors)
        super().run(result)
        root = getattr(self, "root", None)
        if root is None:
            return result
        if (len(result.failures) + len(result.errors) > problems
                or os.environ.get("WORDMEADOW_E2E_KEEP")):
            print(f"\n  kept the test's files (screen, sound, logs) in {root}", file=sys.stderr)
        else:
            shutil.rmtree(root, ignore_errors=True)
        return result

    def start_program(self, name="run"):
        """Starts the program; returns it with a tap on its sound."""
        audio = os.path.join(self.root, f"{name}.raw")
        program = Program(self.app, self.x, audio, self.root, self.bin)
        self.programs.append(program)
        return program, AudioTap(audio, program)

    def opened_addresses(self):
        return opened_addresses(self.bin)

    def click(self, window, point):
        """A click at a point of the window's client area."""
        self.x.click(window["left"] + point[0], window["top"] + point[1])

    def wait_until_seen(self, window, point, looks_right, program=None):
        """Waits until the screen shows a colour of that kind at a point of the window."""
        x, y = window["left"] + point[0], window["top"] + point[1]

        def check():
            if program is not None:
                program.check_running()
            colour = self.x.screenshot().mean(x, y)
            return looks_right(colour), colour
        kind = looks_right.__name__.replace("is_", "")
        eventually(check, 10, f"{kind} at {point} of the window", interval=0.1)

    def assert_windows(self, program, titles):
        """The program's windows on screen are exactly these."""
        self.assertEqual(sorted(self.x.windows()), sorted(titles),
                         f"program status {program.proc.poll()}, stderr: {program.stderr()!r}")

    def assert_centred(self, window, width, height):
        self.assertEqual((window["width"], window["height"]), (width, height), window)
        # An odd leftover may fall to either side by half a pixel.
        self.assertLessEqual(abs(2 * window["left"] + width - SCREEN_WIDTH), 1, window)
        self.assertLessEqual(abs(2 * window["top"] + height - SCREEN_HEIGHT), 1, window)
