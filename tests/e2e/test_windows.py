"""The Windows program (wordmeadow.exe, built with mingw-w64) run under Wine in a private Xvfb.

As on Linux, the program is clicked through the X server with xdotool and looked at in
screenshots. Wine draws the window frame itself (there is no window manager), so the client area
is found in the screenshot by where the window's own background picture lies. What the program
asks of PlaySound is read from Wine's winmm trace; the address it hands to the shell reaches a
stand-in xdg-open through Wine's winebrowser.

Usage: python3 test_windows.py PATH_TO_wordmeadow.exe [unittest arguments]
The Wine prefix is $WINEPREFIX when set (it is made if missing), else a temporary one.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402

ASSETS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets")
TOOLS = ("Xvfb", "xdotool", "xwininfo", "xprop", "import", "wine", "wineserver", "wineboot")

MENU_SIZE = (479, 360)
REC_SIZE = (478, 357)
# What each window shows when it opens, back to front: (picture or None for a label, rect as
# left, top, width, height in the client area).
MENU_DESIGN = [
    ("main_background", (0, 0, 480, 360)),
    ("main_letter_recognition", (120, 64, 227, 41)),
    (None, (176, 48, 121, 25)),  # Start A Activity
    ("main_exit", (120, 264, 227, 41)),
    (None, (16, 328, 121, 25)),  # 1.0
    ("main_beginning_sounds", (120, 144, 227, 41)),
    ("main_build_sentence", (120, 104, 227, 41)),
    ("main_matching_letters", (120, 184, 227, 41)),
]
REC_DESIGN = (
    [("rec_background", (0, 0, 480, 360)),
     (None, (24, 8, 409, 41)),  # What Letter Do You Hear?
     ("rec_play_again", (8, 64, 136, 41)),
     ("rec_exit", (8, 160, 136, 41))]
    + [(f"tile_{chr(90 - k)}", (24 + 32 * ((25 - k) % 13), 216 if 25 - k < 13 else 256, 30, 27))
       for k in range(26)]
    + [(None, (32, 304, 409, 41)),  # Click on the letter you think you hear.
       ("feedback_blank", (168, 72, 111, 107)),
       ("rec_start_over", (8, 112, 136, 41))])
BEGINNING_DESIGN = [(None, (24, 24, 431, 64))]  # a long instruction at 15.75 points
MENU_BACKGROUND_ONLY = (0, 0, 110, 320)  # a strip that no button or label covers
REC_BACKGROUND_ONLY = (445, 60, 30, 140)
WINDOW_COLOUR = (43, 108, 176)  # where no picture lies
LETTER_RECOGNITION = (120, 64, 227, 41)
BUILD_A_SENTENCE = (120, 104, 227, 41)
BEGINNING_SOUNDS = (120, 144, 227, 41)
EXIT = (120, 264, 227, 41)
REC_EXIT = (8, 160, 136, 41)

exe_path = None
wine_env = None


def middle(rect):
    left, top, width, height = rect
    return left + width // 2, top + height // 2


class Bitmap:
    """A 24-bit uncompressed BMP file, as (r, g, b) pixels."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        offset = int.from_bytes(data[10:14], "little")
        self.width = int.from_bytes(data[18:22], "little", signed=True)
        height = int.from_bytes(data[22:26], "little", signed=True)
        if int.from_bytes(data[28:30], "little") != 24:
            raise ValueError(f"{path} is not a 24-bit BMP")
        self.height = abs(height)
        self.bottom_up = height > 0
        self.row = (self.width * 3 + 3) // 4 * 4
        self.data = data[offset:]

    def pixel(self, x, y):
        row = self.height - 1 - y if self.bottom_up else y
        i = row * self.row + x * 3
        b, g, r = self.data[i:i + 3]
        return r, g, b


def picture(name):
    return Bitmap(os.path.join(ASSETS, name + ".bmp"))


class Composite:
    """What a window's pictures make together, without its labels: each picture unscaled at its
    rect's corner, cut to the rect and the client area, later ones over earlier ones."""

    def __init__(self, size, design):
        self.width, self.height = size
        self.pixels = [[WINDOW_COLOUR] * self.width for _ in range(self.height)]
        self.labels = []
        for name, rect in design:
            if name is None:
                self.labels.append(rect)
                continue
            bitmap = picture(name)
            left, top, width, height = rect
            for y in range(min(height, bitmap.height, self.height - top)):
                row = self.pixels[top + y]
                for x in range(min(width, bitmap.width, self.width - left)):
                    row[left + x] = bitmap.pixel(x, y)

    def pixel(self, x, y):
        return self.pixels[y][x]

    def in_label(self, x, y):
        return any(left <= x < left + w and top <= y < top + h for left, top, w, h in self.labels)


def run_quietly(*args, env):
    """Wine's helpers inherit what they are given: with no pipe open they cannot hold a run."""
    subprocess.run(list(args), env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True, timeout=300)


class WineProgram:
    """wordmeadow.exe with the recordings in its own folder, run by Wine from another folder."""

    def __init__(self, root, xserver):
        self.app = os.path.join(root, "app")
        self.bin = os.path.join(root, "bin")
        os.makedirs(self.app)
        os.makedirs(self.bin)
        shutil.copy2(exe_path, os.path.join(self.app, "wordmeadow.exe"))
        source = os.path.dirname(exe_path)
        for name in os.listdir(source):
            if name.lower().endswith(".wav"):
                shutil.copy2(os.path.join(source, name), self.app)
        stand_in = os.path.join(self.bin, "xdg-open")
        with open(stand_in, "w") as f:
            f.write(e2e.XDG_OPEN_STAND_IN)
        os.chmod(stand_in, 0o755)

        env = dict(wine_env)
        env["DISPLAY"] = xserver.display
        env["WINEDEBUG"] = "-all,trace+winmm"  # names every file handed to PlaySound
        env["PATH"] = self.bin + os.pathsep + env.get("PATH", "")
        self.stderr_path = os.path.join(root, "wine.stderr")
        with open(os.path.join(root, "wine.stdout"), "wb") as out, \
                open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(["wine", os.path.join(self.app, "wordmeadow.exe")],
                                         cwd=root, env=env, stdin=subprocess.DEVNULL,
                                         stdout=out, stderr=err, start_new_session=True)

    def windows_path(self, name):
        """The path of a file of the program's folder as the program sees it (drive Z: is /)."""
        return "Z:" + os.path.join(self.app, name).replace("/", "\\")

    def check_running(self):
        if self.proc.poll() is not None:
            raise AssertionError(f"the program ended early with status {self.proc.returncode}")

    def sounds(self):
        """[(flags, path)] of each PlaySound call so far, from Wine's trace."""
        with open(self.stderr_path, errors="replace") as f:
            text = f.read()
        flags = re.findall(r"MULTIMEDIA_PlaySound .*fdwSound=([0-9A-Fa-f]+)", text)
        names = [n.replace("\\\\", "\\")
                 for n in re.findall(r'proc_PlaySound SoundName=L"(.*)"', text)]
        return list(zip((int(f, 16) for f in flags), names))

    def opened_addresses(self):
        return e2e.opened_addresses(self.bin)

    def wait_exit(self, timeout=30.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program was still running {timeout} s later") from None

    def stop(self):
        e2e.stop_process(self.proc)


def setUpModule():
    global wine_env, xserver, scratch
    scratch = tempfile.mkdtemp(prefix="wordmeadow-wine-")
    wine_env = dict(os.environ)
    if not wine_env.get("WINEPREFIX"):
        wine_env["WINEPREFIX"] = os.path.join(scratch, "prefix")
    wine_env.update(WINEARCH="win64", WINEDEBUG="-all")
    wine_env.pop("WAYLAND_DISPLAY", None)
    xserver = e2e.XServer(os.path.join(scratch, "xvfb.log"))
    wine_env["DISPLAY"] = xserver.display
    # A server left from an earlier run may have started Wine's desktop on another display.
    subprocess.run(["wineserver", "-k"], env=wine_env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    os.makedirs(wine_env["WINEPREFIX"], exist_ok=True)
    run_quietly("wineserver", "-p", env=wine_env)
    run_quietly("wineboot", env=wine_env)  # makes the prefix when it is new
    # Without a window manager Wine waits for one on every window it takes away, unless it
    # manages its windows itself.
    run_quietly("wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed",
                "/d", "N", "/f", env=wine_env)


def tearDownModule():
    subprocess.run(["wineserver", "-k"], env=wine_env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    xserver.stop()
    shutil.rmtree(scratch, ignore_errors=True)


class WindowsProgramTest(unittest.TestCase):

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="wordmeadow-wine-e2e-")
        self.x = xserver
        self.program = None

    def tearDown(self):
        try:
            self.x.screenshot().save_png(os.path.join(self.root, "last-screen.png"))
        except Exception:  # only a help when something failed
            pass
        if self.program is not None and self.program.proc.poll() is None:
            self.program.stop()
            subprocess.run(["wineserver", "-k"], env=wine_env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
            run_quietly("wineserver", "-p", env=wine_env)
        self.x.wait_no_window("Wordmeadow")

    def run(self, result=None):
        result = result if result is not None else self.defaultTestResult()
        problems = len(result.failures) + len(result.errors)
        super().run(result)
        if len(result.failures) + len(result.errors) > problems:
            print(f"\n  kept the test's files (screen, logs) in {self.root}", file=sys.stderr)
        else:
            shutil.rmtree(self.root, ignore_errors=True)
        return result

    # -- helpers ----------------------------------------------------------------------------

    def start(self):
        self.program = WineProgram(self.root, self.x)
        return self.program

    def client_origin(self, window, background, strip):
        """Where the client area starts on screen: the one place inside the window's frame at
        which the background picture shows unchanged and unscaled over the strip."""
        left, top, width, height = strip
        points = [(x, y) for y in range(top, top + height, 7) for x in range(left, left + width, 5)]

        def find():
            shot = self.x.screenshot()
            for dy in range(0, 60):
                for dx in range(0, 20):
                    if all(shot.pixel(window["left"] + dx + x, window["top"] + dy + y)
                           == background.pixel(x, y) for x, y in points):
                        return True, (window["left"] + dx, window["top"] + dy)
            return False, "the background picture is nowhere in the window"
        return e2e.eventually(find, 20, "the window to be drawn", interval=0.2)

    def client_size(self, window, origin):
        """A fixed single border is as wide on the left, the right and the bottom."""
        border = origin[0] - window["left"]
        caption = origin[1] - window["top"]
        return window["width"] - 2 * border, window["height"] - caption - border

    def assert_centred(self, window):
        # Windows centres the whole window, frame included.
        self.assertLessEqual(abs(2 * window["left"] + window["width"] - e2e.SCREEN_WIDTH), 1,
                             window)
        self.assertLessEqual(abs(2 * window["top"] + window["height"] - e2e.SCREEN_HEIGHT), 1,
                             window)

    def assert_drawn(self, shot, origin, composite):
        """Outside the labels the client area is the pictures exactly; inside each label there
        is white text. Returns the text pixels of each label, relative to its rect."""
        wrong = []
        texts = {rect: [] for rect in composite.labels}
        for y in range(composite.height):
            for x in range(composite.width):
                seen = shot.pixel(origin[0] + x, origin[1] + y)
                expected = composite.pixel(x, y)
                if not composite.in_label(x, y):
                    if seen != expected:
                        wrong.append((x, y, seen, expected))
                    continue
                if e2e.is_white(seen) and not e2e.is_white(expected):
                    for left, top, width, height in composite.labels:
                        if left <= x < left + width and top <= y < top + height:
                            texts[(left, top, width, height)].append((x - left, y - top))
        self.assertEqual(wrong[:5], [], f"{len(wrong)} pixels differ from the pictures")
        for rect, text in texts.items():
            self.assertGreater(len(text), 20, f"no white text in the label at {rect}")
        return texts

    def assert_text_size(self, text, rect, low, high):
        """Left-aligned at the top of its rect, as tall as its point size makes it: from the
        tallest letter's top to the lowest descender."""
        xs = [x for x, _ in text]
        ys = [y for _, y in text]
        self.assertLessEqual(min(xs), 3, rect)
        self.assertLessEqual(min(ys), 8, rect)
        self.assertTrue(low <= max(ys) - min(ys) <= high, (rect, min(ys), max(ys)))

    def click(self, origin, point):
        self.x.click(origin[0] + point[0], origin[1] + point[1])

    def close_by_frame(self):
        """Alt+F4 on the active window: Windows turns it into a close from the frame."""
        self.x.run("xdotool", "key", "alt+F4")

    def open_menu(self):
        program = self.start()
        menu = self.x.wait_window("Wordmeadow", timeout=60, program=program)
        origin = self.client_origin(menu, picture("main_background"), MENU_BACKGROUND_ONLY)
        return program, menu, origin

    def open_letter_recognition(self, program, menu_origin):
        self.click(menu_origin, (200, 90))
        rec = self.x.wait_window("Letter Recognition", program=program)
        origin = self.client_origin(rec, picture("rec_background"), REC_BACKGROUND_ONLY)
        return rec, origin

    # -- tests ------------------------------------------------------------------------------

    def test_menu_has_the_exact_client_size_centred_and_draws_pictures_and_labels(self):
        program, menu, origin = self.open_menu()
        self.assertEqual(self.client_size(menu, origin), MENU_SIZE, menu)
        self.assert_centred(menu)

        shot = self.x.screenshot()
        shot.save_png(os.path.join(self.root, "menu.png"))
        texts = self.assert_drawn(shot, origin, Composite(MENU_SIZE, MENU_DESIGN))
        # 12 points are 16 pixels at 96 dpi: "Start A Activity" spans capitals to descender.
        start, version = texts[MENU_DESIGN[2][1]], texts[MENU_DESIGN[4][1]]
        self.assert_text_size(start, MENU_DESIGN[2][1], 12, 17)
        self.assert_text_size(version, MENU_DESIGN[4][1], 9, 13)
        self.assertGreater(max(x for x, _ in start), 90, "Start A Activity on one line")

        # The welcome is asked for from the program's own folder, asynchronously.
        e2e.eventually(lambda: (len(program.sounds()) >= 1, program.sounds()), 20,
                       "the welcome to be played")
        self.assertEqual(program.sounds()[0], (0x20001, program.windows_path("Welcome.wav")))

        self.close_by_frame()
        self.assertEqual(program.wait_exit(), 0)

    def test_window_icon_is_the_a_plus_picture(self):
        program, menu, origin = self.open_menu()
        out = self.x.run("xprop", "-id", menu["id"], "-notype", "32c", "_NET_WM_ICON")
        values = [int(v) for v in out.split("=", 1)[1].replace(",", " ").split()]
        icons = {}
        while values:  # width, height, then width * height ARGB pixels, for each size
            width, height = values[0], values[1]
            icons[(width, height)] = values[2:2 + width * height]
            values = values[2 + width * height:]
        self.assertIn((32, 32), icons, sorted(icons))
        bitmap = picture("icon")
        expected = [0xFF000000 | r << 16 | g << 8 | b
                    for y in range(32) for x in range(32) for r, g, b in [bitmap.pixel(x, y)]]
        self.assertEqual(icons[(32, 32)], expected)
        self.close_by_frame()
        self.assertEqual(program.wait_exit(), 0)

    def test_letter_recognition_opens_and_exit_hands_the_publisher_to_the_shell(self):
        program, menu, menu_origin = self.open_menu()
        rec, origin = self.open_letter_recognition(program, menu_origin)
        self.assertEqual(self.client_size(rec, origin), REC_SIZE, rec)
        self.assert_centred(rec)
        shot = self.x.screenshot()
        shot.save_png(os.path.join(self.root, "letter-recognition.png"))
        texts = self.assert_drawn(shot, origin, Composite(REC_SIZE, REC_DESIGN))
        # 24 points are 32 pixels at 96 dpi; "What Letter Do You Hear?" has no descender.
        self.assert_text_size(texts[REC_DESIGN[1][1]], REC_DESIGN[1][1], 20, 27)
        # 15.75 points are 21 pixels: capitals to the descender of "you".
        self.assert_text_size(texts[REC_DESIGN[-3][1]], REC_DESIGN[-3][1], 16, 22)

        # The game speaks its first letter, a file beside the program.
        e2e.eventually(lambda: (len(program.sounds()) >= 2, program.sounds()), 20,
                       "the first letter to be played")
        letter = program.sounds()[1]
        self.assertEqual(letter[0], 0x20001)
        self.assertRegex(letter[1], r"^" + re.escape(program.windows_path("")) + r"[A-Z]\.wav$")

        self.click(origin, middle(REC_EXIT))
        self.x.wait_no_window("Letter Recognition")
        self.assertEqual(program.proc.poll(), None, "the menu keeps the program running")
        self.assertEqual(program.opened_addresses(), [])

        self.click(menu_origin, (233, 284))  # Exit!
        self.assertEqual(program.wait_exit(), 0)
        e2e.eventually(lambda: (program.opened_addresses() != [], program.opened_addresses()),
                       20, "the address to reach the URL opener")
        self.assertEqual(program.opened_addresses(), [[e2e.PUBLISHER_ADDRESS]])
        self.x.wait_no_window("Wordmeadow")

    def test_closing_the_frames_unloads_each_window_and_the_last_one_ends_the_program(self):
        program, menu, menu_origin = self.open_menu()
        self.open_letter_recognition(program, menu_origin)
        self.close_by_frame()  # the activity, which is in front
        self.x.wait_no_window("Letter Recognition")
        program.check_running()
        self.x.wait_window("Wordmeadow", program=program)
        self.close_by_frame()  # then the menu
        self.assertEqual(program.wait_exit(), 0)
        self.assertEqual(program.opened_addresses(), [], "only Exit! opens the publisher's page")

    def test_a_long_label_wraps_at_words_inside_its_rect(self):
        program, menu, menu_origin = self.open_menu()
        # Windows of one style have one frame: the activity's client area starts as the menu's.
        border, caption = menu_origin[0] - menu["left"], menu_origin[1] - menu["top"]
        self.click(menu_origin, middle(BEGINNING_SOUNDS))
        beginning = self.x.wait_window("Beginning Sounds", program=program)
        origin = (beginning["left"] + border, beginning["top"] + caption)
        self.assertEqual(self.client_size(beginning, origin), MENU_SIZE, beginning)
        rect = BEGINNING_DESIGN[0][1]

        def drawn():
            shot = self.x.screenshot()
            return shot.pixel(origin[0] + 5, origin[1] + 5) == WINDOW_COLOUR, shot
        shot = e2e.eventually(drawn, 20, "the window to be drawn", interval=0.2)
        shot.save_png(os.path.join(self.root, "beginning-sounds.png"))
        text = self.assert_drawn(shot, origin, Composite(MENU_SIZE, BEGINNING_DESIGN))[rect]
        rows = sorted({y for _, y in text})
        lines = 1 + sum(1 for a, b in zip(rows, rows[1:]) if b - a > 1)
        self.assertEqual(lines, 2, f"text rows {rows}")
        self.assertGreater(max(x for x, _ in text), rect[2] * 2 // 3, "the first line is full")

        self.close_by_frame()
        self.x.wait_no_window("Beginning Sounds")
        self.click(menu_origin, middle(BUILD_A_SENTENCE))
        build = self.x.wait_window("Build A Sentence", program=program)
        origin = (build["left"] + border, build["top"] + caption)
        # A window with nothing on it is the window colour all over.
        shot = e2e.eventually(drawn, 20, "the window to be drawn", interval=0.2)
        self.assert_drawn(shot, origin, Composite(MENU_SIZE, []))
        self.close_by_frame()
        self.x.wait_no_window("Build A Sentence")
        self.close_by_frame()
        self.assertEqual(program.wait_exit(), 0)


def main():
    global exe_path
    if len(sys.argv) < 2:
        sys.exit(f"usage: {sys.argv[0]} PATH_TO_wordmeadow.exe [unittest arguments]")
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        print(f"SKIPPED: these tests need {', '.join(missing)}", file=sys.stderr)
        sys.exit(e2e.SKIP_RETURN_CODE)
    exe_path = os.path.realpath(sys.argv[1])
    if not os.path.isfile(exe_path):
        sys.exit(f"no such program: {exe_path}")
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)


if __name__ == "__main__":
    main()
