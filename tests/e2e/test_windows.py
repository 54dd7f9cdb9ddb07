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
import sys
import tempfile

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402
from audio_tap import LETTERS  # noqa: E402
from e2e_support import (  # noqa: E402
    EXIT, MENU_BUTTONS, MENU_EXIT, MENU_LETTER_RECOGNITION, MENU_SIZE, PLAY_AGAIN, REC_SIZE,
    card_rect, middle, tile, tile_rect)
from program import Program, opened_addresses, write_url_opener_stand_in  # noqa: E402
from xserver import SCREEN_HEIGHT, SCREEN_WIDTH, XServer, eventually  # noqa: E402
import wine  # noqa: E402

ASSETS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets")
TOOLS = ("Xvfb", "xdotool", "xwininfo", "xprop", "import", "wine", "wineserver", "wineboot")
PACKAGES = "xvfb, xdotool, x11-utils, imagemagick, wine, wine64"
# What each window shows when it opens, back to front: (picture or None for a label, rect as
# left, top, width, height in the client area).
MENU_DESIGN = [
    ("main_background", (0, 0, 480, 360)),
    ("main_letter_recognition", MENU_BUTTONS["Letter Recognition"]),
    (None, (176, 48, 121, 25)),  # Start A Activity
    ("main_exit", MENU_BUTTONS["Exit!"]),
    (None, (16, 328, 121, 25)),  # 1.0
    ("main_beginning_sounds", MENU_BUTTONS["Beginning Sounds"]),
    ("main_build_sentence", MENU_BUTTONS["Build A Sentence"]),
    ("main_matching_letters", MENU_BUTTONS["Matching Letters"]),
]
REC_DESIGN = (
    [("rec_background", (0, 0, 480, 360)),
     (None, (24, 8, 409, 41)),  # What Letter Do You Hear?
     ("rec_play_again", (8, 64, 136, 41)),
     ("rec_exit", (8, 160, 136, 41))]
    + [(f"tile_{letter}", tile_rect(letter)) for letter in reversed(LETTERS)]
    + [(None, (32, 304, 409, 41)),  # Click on the letter you think you hear.
       ("feedback_blank", (168, 72, 111, 107)),
       ("rec_start_over", (8, 112, 136, 41))])
BEGINNING_DESIGN = (
    [("rec_background", (0, 0, 480, 360))]
    + [(f"tile_{letter}", tile_rect(letter)) for letter in reversed(LETTERS)]
    + [("beginning_play_again", (171, 300, 136, 41)),
       ("feedback_blank", (308, 100, 111, 107)),
       ("rec_exit", (8, 160, 136, 41)),
       ("rec_start_over", (8, 112, 136, 41)),
       (None, (24, 24, 431, 64))])  # a long instruction at 15.75 points
WORD_PICTURE = (180, 100, 108, 108)  # each word's picture is named after its recording
MENU_BACKGROUND_ONLY = (0, 0, 110, 320)  # a strip that no button or label covers
REC_BACKGROUND_ONLY = (445, 60, 30, 140)
WINDOW_COLOUR = (43, 108, 176)  # where no picture lies
MARGIN_COLOUR = (11, 29, 69)  # around a maximised or full-screen window's client area

wine_env = None


def inner_edge(pixels, caption=False):
    """How far in from a window's edge its client area begins, given the pixels from that edge
    inwards: past the frame's grey lines, and at the top the caption bar between them."""
    i = 0
    for run in ([True, False, True] if caption else [True]):
        while i < len(pixels) and (lambda r, g, b: r == g == b)(*pixels[i]) == run:
            i += 1
    return i


def scaled(point, scale):
    """Where a client unit's middle lies on a window drawn at a scale."""
    return int((point[0] + 0.5) * scale), int((point[1] + 0.5) * scale)


def on_screen(origin, point):
    """A point of a client area that starts at origin, on the screen."""
    return origin[0] + point[0], origin[1] + point[1]


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


def stop_wineserver():
    wine.stop_wineserver(wine_env)


class WineProgram(Program):
    """wordmeadow.exe with the recordings in its own folder, run by Wine from another folder.
    Its output goes to wine.stdout and wine.stderr (it plays through PlaySound, not SDL)."""

    EXIT_TIMEOUT = 30.0

    def __init__(self, root, xserver):
        self.app = os.path.join(root, "app")
        self.bin = os.path.join(root, "bin")
        os.makedirs(self.app)
        os.makedirs(self.bin)
        exe = os.path.join(self.app, "wordmeadow.exe")
        shutil.copy2(e2e.program_path, exe)
        source = os.path.dirname(e2e.program_path)
        for name in os.listdir(source):
            if name.lower().endswith(".wav") or name == e2e.ABOUT_PAGE:
                shutil.copy2(os.path.join(source, name), self.app)
        shutil.copytree(os.path.join(source, "words"), os.path.join(self.app, "words"))
        write_url_opener_stand_in(self.bin)
        env = {"WINEPREFIX": wine_env["WINEPREFIX"], "WINEARCH": wine_env["WINEARCH"],
               "WINEDEBUG": "-all,trace+winmm"}  # names every file handed to PlaySound
        super().__init__(exe, xserver, os.path.join(root, "wine"), root,
                         self.bin + os.pathsep + os.environ.get("PATH", ""), env,
                         wrapper=("wine",))

    def windows_path(self, name):
        """The path of a file of the program's folder as the program sees it (drive Z: is /)."""
        return "Z:" + os.path.join(self.app, name).replace("/", "\\")

    def sounds(self):
        """[(flags, path)] of each PlaySound call so far, from Wine's trace."""
        return wine.sounds(self.stderr())

    def opened_addresses(self):
        return opened_addresses(self.bin)


def setUpModule():
    global wine_env, xserver, scratch
    scratch = tempfile.mkdtemp(prefix="wordmeadow-wine-")
    wine_env = dict(os.environ)
    if not wine_env.get("WINEPREFIX"):
        wine_env["WINEPREFIX"] = os.path.join(scratch, "prefix")
    wine_env.update(WINEARCH="win64", WINEDEBUG="-all")
    wine_env.pop("WAYLAND_DISPLAY", None)
    xserver = XServer(os.path.join(scratch, "xvfb.log"))
    wine_env["DISPLAY"] = xserver.display
    wine.prepare_prefix(wine_env)


def tearDownModule():
    stop_wineserver()
    xserver.stop()
    shutil.rmtree(scratch, ignore_errors=True)


class WindowsProgramTest(e2e.ScratchTestCase):

    def setUp(self):
        super().setUp()
        self.x = xserver
        self.program = None

    def tearDown(self):
        self.save_last_screen()
        if self.program is not None and self.program.proc.poll() is None:
            self.program.stop()
            stop_wineserver()
            wine.run_quietly("wineserver", "-p", env=wine_env)
        self.x.wait_no_window("Wordmeadow")

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
        return eventually(find, 20, "the window to be drawn", interval=0.2)

    def framed_client(self, window):
        """Where a window's client area starts and its size, at any scale: inside the frame's
        innermost grey line on every side (the caption bar is blue)."""
        shot = self.x.screenshot()
        left, top, width, height = window["left"], window["top"], window["width"], window["height"]
        mid_x, mid_y = left + width // 2, top + height // 2
        x0 = left + inner_edge([shot.pixel(left + i, mid_y) for i in range(width)])
        x1 = left + width - inner_edge([shot.pixel(left + width - 1 - i, mid_y)
                                        for i in range(width)])
        y0 = top + inner_edge([shot.pixel(mid_x, top + i) for i in range(height)], caption=True)
        y1 = top + height - inner_edge([shot.pixel(mid_x, top + height - 1 - i)
                                        for i in range(height)])
        return (x0, y0), (x1 - x0, y1 - y0)

    def wait_framed_client(self, window, sizes):
        """The framed client area once it is drawn at one of the sizes expected."""
        def check():
            origin, size = self.framed_client(window)
            return size in sizes, (origin, size)
        return eventually(check, 20, f"{window} drawn at one of {sizes}", interval=0.2)

    def client_size(self, window, origin):
        """A fixed single border is as wide on the left, the right and the bottom."""
        border = origin[0] - window["left"]
        caption = origin[1] - window["top"]
        return window["width"] - 2 * border, window["height"] - caption - border

    def assert_centred(self, window):
        # Windows centres the whole window, frame included.
        self.assertLessEqual(abs(2 * window["left"] + window["width"] - SCREEN_WIDTH), 1,
                             window)
        self.assertLessEqual(abs(2 * window["top"] + window["height"] - SCREEN_HEIGHT), 1,
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
        self.x.click(*on_screen(origin, point))

    def set_log_pixels(self, dpi):
        """The display's DPI as Windows' display settings set it, for the programs started next
        (None: the default, 96)."""
        key = "HKCU\\Control Panel\\Desktop"
        if dpi is None:
            wine.run_quietly("wine", "reg", "delete", key, "/v", "LogPixels", "/f", env=wine_env,
                             check=False)
        else:
            wine.run_quietly("wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD",
                             "/d", str(dpi), "/f", env=wine_env)

    def close_by_frame(self):
        """Alt+F4 on the active window: Windows turns it into a close from the frame."""
        self.x.run("xdotool", "key", "alt+F4")

    def open_menu(self):
        program = self.start()
        menu = self.x.wait_window("Wordmeadow", timeout=60, program=program)
        origin = self.client_origin(menu, picture("main_background"), MENU_BACKGROUND_ONLY)
        return program, menu, origin

    def open_letter_recognition(self, program, menu_origin):
        self.click(menu_origin, MENU_LETTER_RECOGNITION)
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
        eventually(lambda: (len(program.sounds()) >= 1, program.sounds()), 20,
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
        eventually(lambda: (len(program.sounds()) >= 2, program.sounds()), 20,
                   "the first letter to be played")
        letter = program.sounds()[1]
        self.assertEqual(letter[0], 0x20001)
        self.assertRegex(letter[1], r"^" + re.escape(program.windows_path("")) + r"[A-Z]\.wav$")

        # A press on the asked tile released over another plays nothing; a double-click on it
        # answers it once: "correct", the next letter, and no "try again" for the second press.
        # Play Again after each marks where what they played ends.
        asked = letter[1][-5]
        wrong = "B" if asked == "A" else "A"
        self.x.drag(on_screen(origin, tile(asked)), on_screen(origin, tile(wrong)))
        self.click(origin, PLAY_AGAIN)
        self.x.double_click(*on_screen(origin, tile(asked)))
        self.click(origin, PLAY_AGAIN)

        def played():
            folder = program.windows_path("")
            names = [path[len(folder):] for _, path in program.sounds()]
            return len(names) >= 6, names
        names = eventually(played, 20, "the sounds after the drag and the double-click")
        self.assertEqual(names[2:4], [f"{asked}.wav", "Correct.WAV"], names)
        self.assertRegex(names[4], r"^[A-Z]\.wav$", names)
        self.assertNotEqual(names[4], f"{asked}.wav", names)
        self.assertEqual(names[4:], [names[4]] * 2, names)

        self.click(origin, EXIT)
        self.x.wait_no_window("Letter Recognition")
        self.assertEqual(program.proc.poll(), None, "the menu keeps the program running")
        self.assertEqual(program.opened_addresses(), [])

        self.click(menu_origin, MENU_EXIT)
        self.assertEqual(program.wait_exit(), 0)
        eventually(lambda: (program.opened_addresses() != [], program.opened_addresses()),
                   20, "the address to reach the URL opener")
        # The shell hands the page of the program's folder to Wine's browser as a file:// address.
        self.assertEqual(program.opened_addresses(), [[e2e.publisher_address(program.app)]])
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
        self.click(menu_origin, middle(MENU_BUTTONS["Beginning Sounds"]))
        beginning = self.x.wait_window("Beginning Sounds", program=program)
        origin = (beginning["left"] + border, beginning["top"] + caption)
        self.assertEqual(self.client_size(beginning, origin), MENU_SIZE, beginning)
        rect = BEGINNING_DESIGN[-1][1]
        # The first word is read from the words folder, and its picture shown.
        words = re.escape(program.windows_path("words\\"))

        def words_played():
            played = [path for _, path in program.sounds()
                      if re.match(words + r"[a-z_]+\.wav$", path)]
            return bool(played), played or program.sounds()
        played = eventually(words_played, 20, "a word to be played")
        word = played[0][len(program.windows_path("words\\")):-len(".wav")]
        design = BEGINNING_DESIGN + [(f"word_{word}", WORD_PICTURE)]

        def drawn(colour=WINDOW_COLOUR, at=(5, 5)):
            shot = self.x.screenshot()
            return shot.pixel(origin[0] + at[0], origin[1] + at[1]) == colour, shot
        centre = (WORD_PICTURE[0] + 54, WORD_PICTURE[1] + 54)
        shot = eventually(lambda: drawn(picture(design[-1][0]).pixel(54, 54), centre), 20,
                          "the window to be drawn", interval=0.2)
        shot.save_png(os.path.join(self.root, "beginning-sounds.png"))
        text = self.assert_drawn(shot, origin, Composite(MENU_SIZE, design))[rect]
        rows = sorted({y for _, y in text})
        lines = 1 + sum(1 for a, b in zip(rows, rows[1:]) if b - a > 1)
        self.assertEqual(lines, 2, f"text rows {rows}")
        self.assertGreater(max(x for x, _ in text), rect[2] * 2 // 3, "the first line is full")

        self.close_by_frame()
        self.x.wait_no_window("Beginning Sounds")
        self.click(menu_origin, middle(MENU_BUTTONS["Build A Sentence"]))
        build = self.x.wait_window("Build A Sentence", program=program)
        origin = (build["left"] + border, build["top"] + caption)
        # A window with nothing on it is the window colour all over.
        shot = eventually(drawn, 20, "the window to be drawn", interval=0.2)
        self.assert_drawn(shot, origin, Composite(MENU_SIZE, []))
        self.close_by_frame()
        self.x.wait_no_window("Build A Sentence")

        # Matching Letters deals its cards face down; one turned shows its letter, whose file it
        # plays from the program's folder.
        self.click(menu_origin, middle(MENU_BUTTONS["Matching Letters"]))
        match = self.x.wait_window("Matching Letters", program=program)
        corner = on_screen((match["left"] + border, match["top"] + caption), card_rect(0)[:2])

        def card_drawn(expected):
            shot = self.x.screenshot()
            return all(shot.pixel(corner[0] + x, corner[1] + y) == expected.pixel(x, y)
                       for y in range(0, 72, 3) for x in range(0, 72, 3))
        eventually(lambda: (card_drawn(picture("card_back")), None), 20, "the cards", interval=0.2)
        played = len(program.sounds())
        self.x.click(corner[0] + 36, corner[1] + 36)
        sounds = eventually(lambda: (len(program.sounds()) > played, program.sounds()), 20,
                            "the card's letter to be played")
        self.assertEqual(sounds[played][0], 0x20001)
        self.assertRegex(sounds[played][1],
                         r"^" + re.escape(program.windows_path("")) + r"[A-Z]\.wav$")
        letter = sounds[played][1][-5]
        faces = [picture(f"card_upper_{letter}"), picture(f"card_lower_{letter.lower()}")]
        eventually(lambda: (any(map(card_drawn, faces)), letter), 20, "the face", interval=0.2)
        self.close_by_frame()
        self.x.wait_no_window("Matching Letters")
        self.close_by_frame()
        self.assertEqual(program.wait_exit(), 0)

    def test_at_150_percent_windows_are_scaled_maximised_and_full_screen(self):
        """At 144 dpi every window opens half as large again, drawn smooth, and answers at the
        scaled places; maximised and full screen it is as large as fits, centred."""
        self.set_log_pixels(144)
        self.addCleanup(self.set_log_pixels, None)
        program = self.start()
        menu = self.x.wait_window("Wordmeadow", timeout=60, program=program)
        # 479 x 360 units, each edge rounded once.
        origin, size = self.wait_framed_client(menu, [(718, 540), (719, 540)])
        self.assert_centred(menu)
        self.x.screenshot().save_png(os.path.join(self.root, "menu-150.png"))

        self.click(origin, scaled(MENU_LETTER_RECOGNITION, 1.5))
        rec = self.x.wait_window("Letter Recognition", program=program)
        origin, size = self.wait_framed_client(rec, [(717, 536)])
        letter = eventually(lambda: (len(program.sounds()) >= 2, program.sounds()), 20,
                            "the first letter")[1][1][-5]

        # Maximised by a double-click on its caption: as large as fits, centred between dark
        # margins, where a click does nothing; the asked tile answers at its new place.
        self.x.double_click(rec["left"] + rec["width"] // 2, rec["top"] + 12)
        row = SCREEN_HEIGHT // 2

        def fitted():
            shot = self.x.screenshot()
            margin = [x for x in range(SCREEN_WIDTH) if shot.pixel(x, row) == MARGIN_COLOUR]
            left = [x for x in margin if x < SCREEN_WIDTH // 2]
            right = [x for x in margin if x > SCREEN_WIDTH // 2]
            return len(left) > 10 and len(right) > 10, (shot, left, right)
        shot, left, right = eventually(fitted, 20, "the maximised window's margins")
        shot.save_png(os.path.join(self.root, "letter-recognition-maximised.png"))
        self.assertLessEqual(abs(len(left) - len(right)), 1, (left, right))
        shown = (right[0] - left[-1] - 1) / REC_SIZE[0]  # the scale that fits
        self.assertGreater(shown, 1.9)
        top = inner_edge([shot.pixel(SCREEN_WIDTH // 2, y) for y in range(SCREEN_HEIGHT)],
                         caption=True)
        fit_origin = (left[-1] + 1, top)
        heard = len(program.sounds())
        self.x.click(left[len(left) // 2], on_screen(fit_origin, scaled(tile(letter), shown))[1])
        self.click(fit_origin, scaled(tile(letter), shown))
        names = eventually(lambda: (len(program.sounds()) >= heard + 2, program.sounds()), 20,
                           "the answer")[heard:]
        folder = program.windows_path("")
        self.assertEqual(names[0][1], folder + "Correct.WAV", names)

        # Restored, it is back where and as large as it was, and the next letter's key, in
        # small letters, answers as its tile does.
        self.x.double_click(SCREEN_WIDTH // 2, top - 12)
        eventually(lambda: (self.x.window_info(rec["id"]) == rec, self.x.window_info(rec["id"])),
                   20, "the window restored")
        heard = len(program.sounds())
        self.x.run("xdotool", "key", names[1][1][-5].lower())
        names = eventually(lambda: (len(program.sounds()) >= heard + 2, program.sounds()), 20,
                           "the answer to the key")[heard:]
        self.assertEqual(names[0][1], folder + "Correct.WAV", names)

        # F11 puts it on the whole screen, and F11 again gives it back.
        self.x.run("xdotool", "key", "F11")
        whole = dict(rec, left=0, top=0, width=SCREEN_WIDTH, height=SCREEN_HEIGHT)
        eventually(lambda: (self.x.window_info(rec["id"]) == whole,
                            self.x.window_info(rec["id"])), 20, "full screen")
        self.x.run("xdotool", "key", "F11")
        eventually(lambda: (self.x.window_info(rec["id"]) == rec, self.x.window_info(rec["id"])),
                   20, "the window back from full screen")
        self.close_by_frame()
        self.x.wait_no_window("Letter Recognition")
        self.close_by_frame()
        self.assertEqual(program.wait_exit(), 0)

if __name__ == "__main__":
    e2e.run_tests(TOOLS, PACKAGES, executable=False)
