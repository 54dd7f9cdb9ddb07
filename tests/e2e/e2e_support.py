"""What the end-to-end tests know of the program's windows, and their test case.

Each test gets a scratch folder holding a copy of the program with its own tone recordings
(audio_tap), a stand-in xdg-open that only writes down what it was given, a private Xvfb
(xserver) and the sound the program played. The program (program) is clicked through the X
server with xdotool and looked at in screenshots taken with ImageMagick's import.
"""

import os
import pathlib
import shutil
import sys
import tempfile
import unittest

from audio_tap import AudioTap
from program import Program, opened_addresses, write_url_opener_stand_in
from xserver import SCREEN_HEIGHT, SCREEN_WIDTH, SKIP_RETURN_CODE, XServer, eventually

TOOLS = ("Xvfb", "xdotool", "xwininfo", "import")
PACKAGES = "xvfb, xdotool, x11-utils, imagemagick"

program_path = None  # the executable under test, from the command line
ABOUT_PAGE = "about.html"  # beside the program


def publisher_address(folder):
    """The page Exit! opens for the program in folder: the build's WORDMEADOW_PUBLISHER_URL,
    which CTest hands down, or when that is empty the page about the program beside it, as a
    file:// address."""
    address = os.environ.get("WORDMEADOW_PUBLISHER_URL")
    if address is None:
        raise AssertionError("WORDMEADOW_PUBLISHER_URL is not set: run the test through ctest, "
                             "or set it to the value in the build folder's CMakeCache.txt")
    return address or pathlib.Path(os.path.realpath(folder), ABOUT_PAGE).as_uri()


# ---------------------------------------------------------------------------------------------
# The windows: sizes of the client areas, rects as (left, top, width, height), points as (x, y)
# in the client area.

MENU_SIZE = (479, 360)
REC_SIZE = (478, 357)

MENU_BUTTONS = {
    "Letter Recognition": (120, 64, 227, 41),
    "Build A Sentence": (120, 104, 227, 41),
    "Beginning Sounds": (120, 144, 227, 41),
    "Matching Letters": (120, 184, 227, 41),
    "Exit!": (120, 264, 227, 41),
}


def middle(rect):
    left, top, width, height = rect
    return left + width // 2, top + height // 2


def device(units, scale):
    """Where a client unit begins on the screen, as the program rounds it: once, half up."""
    return int(units * scale + 0.5)


def on_screen(window, point):
    """The screen pixel that shows a point of a window's client area: scaled by the window's
    scale and shifted by its margins (window["scale"], window["offset"]); the middle of the
    unit's pixels."""
    scale, (dx, dy) = window["scale"], window["offset"]
    half = int(scale / 2)
    return (window["left"] + dx + device(point[0], scale) + half,
            window["top"] + dy + device(point[1], scale) + half)


def fitted(window, client):
    """The window as the program draws a client area of that size in it when maximised or full
    screen: as large as fits, centred."""
    scale = min(window["width"] / client[0], window["height"] / client[1])
    shown = device(client[0], scale), device(client[1], scale)
    return dict(window, scale=scale,
                offset=((window["width"] - shown[0]) // 2, (window["height"] - shown[1]) // 2))


MENU_LETTER_RECOGNITION = (233, 90)  # below the label that covers the button's top rows
MENU_LABEL = (200, 66)  # on the "Start A Activity" label, over the top rows of that button
MENU_MATCHING_LETTERS = middle(MENU_BUTTONS["Matching Letters"])  # nothing behind it
MENU_BACKGROUND = (60, 200)  # no button or label
MENU_EXIT = middle(MENU_BUTTONS["Exit!"])
MENU_EXIT_COLOUR = (132, 284)  # left of the word "Exit!"
# In the activity window:
PLAY_AGAIN = (76, 84)
START_OVER = (76, 132)
EXIT = (76, 180)
OVERLAY_PLAY_AGAIN = (233, 196)  # plain background while the game is on
OVERLAY_EXIT = (233, 252)  # between the two rows of tiles while the game is on
FEEDBACK_SPOT = (168, 72)
# Beginning Sounds: its feedback spot and its hear-again button, below the tiles.
BEGINNING_FEEDBACK_SPOT = (308, 100)
BEGINNING_PLAY_AGAIN = (239, 320)
# Points of each feedback picture (from the spot's corner) that are white in it and green in the
# other two: the question mark, the check mark and the cross.
FEEDBACK_MARKS = {
    "blank": [(40, 35), (56, 76)],
    "correct": [(81, 23), (29, 41), (45, 60)],
    "tryagain": [(35, 14), (74, 58)],
}


def tile_rect(letter):
    """A letter tile: A to M in the upper row, N to Z in the lower."""
    k = ord(letter) - ord("A")
    return 24 + 32 * (k % 13), 216 if k < 13 else 256, 30, 27


def tile(letter):
    """The middle of a letter tile."""
    return middle(tile_rect(letter))


MATCH_SIZE = (479, 360)


def card_rect(k):
    """Matching Letters' card k, in three rows of four."""
    return 168 + 76 * (k % 4), 56 + 76 * (k // 4), 72, 72


CARD_CORNER = (12, 12)  # above any letter: purple on the back, white on a face
CARD_FRAME = (3, 36)  # green once the card's pair is found


def card(k, at=(36, 36)):
    """A point of card k, from its corner: by default its middle."""
    return card_rect(k)[0] + at[0], card_rect(k)[1] + at[1]


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


def is_purple(c):
    return c[2] > 150 and c[0] > c[1] + 15 and c[2] > c[0] + 40


def is_pale_yellow(c):
    return c[0] > 220 and c[1] > 200 and c[2] < 200 and c[0] - c[2] > 60


def congratulation_words(shot, window):
    """How many pixels of the title band of an activity window are in the pale yellow of the
    congratulation's words: well over 200 while it is shown, none otherwise."""
    return sum(is_pale_yellow(shot.pixel(*on_screen(window, (x, y))))
               for y in range(30, 80) for x in range(40, 440, 2))


def edge_width(shot, window, rect):
    """How many screen pixels the left edge of a picture at rect spans, read along its middle
    row from the ground two units to its left: those between the ground's colour and the edge's
    own (the lightest at the edge), more than a tenth of the way from either. A picture drawn
    for the screen's pixels has at most one; one enlarged from fewer pixels has more."""
    scale = window["scale"]
    y = on_screen(window, (0, rect[1] + rect[3] // 2))[1]
    start = on_screen(window, (rect[0] - 2, 0))[0]
    row = [sum(shot.pixel(x, y)) for x in range(start, start + int(4 * scale) + 1)]
    ground, edge = row[0], max(row)
    low, high = ground + (edge - ground) / 10, edge - (edge - ground) / 10
    peak = row.index(edge)
    return sum(1 for value in row[:peak] if low < value < high)


# ---------------------------------------------------------------------------------------------
# Running the tests


def run_tests(tools=TOOLS, packages=PACKAGES, executable=True):
    """Entry point of each test file: python3 test_x.py PATH_TO_PROGRAM [unittest arguments]."""
    global program_path
    if len(sys.argv) < 2:
        sys.exit(f"usage: {sys.argv[0]} PATH_TO_PROGRAM [unittest arguments]")
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        print(f"SKIPPED: these tests need {', '.join(missing)} (packages {packages})",
              file=sys.stderr)
        sys.exit(SKIP_RETURN_CODE)
    program_path = os.path.realpath(sys.argv[1])
    if not os.path.isfile(program_path) or (executable and not os.access(program_path, os.X_OK)):
        sys.exit(f"not an executable: {program_path}")
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)


class ScratchTestCase(unittest.TestCase):
    """A scratch folder per test (self.root), removed afterwards unless the test failed or
    WORDMEADOW_E2E_KEEP is set. Subclasses set self.x to the X server they use."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="wordmeadow-e2e-")

    def save_last_screen(self):
        try:
            self.x.screenshot().save_png(os.path.join(self.root, "last-screen.png"))
        except Exception:  # the picture is only a help when something failed
            pass

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


class ProgramTestCase(ScratchTestCase):
    """A private X server per test; the program is started on demand from a copy in self.app,
    with the stand-in xdg-open of self.bin first on its PATH. A subclass may give the server
    dots per inch (dpi) and another size (screen)."""

    dpi = None
    screen = (SCREEN_WIDTH, SCREEN_HEIGHT)

    def setUp(self):
        super().setUp()
        self.app = os.path.join(self.root, "app")
        self.bin = os.path.join(self.root, "bin")
        os.mkdir(self.app)
        os.mkdir(self.bin)
        write_url_opener_stand_in(self.bin)
        self.programs = []
        self.x = XServer(os.path.join(self.root, "xvfb.log"), self.dpi, self.screen)

    def tearDown(self):
        self.save_last_screen()
        for program in self.programs:
            program.stop()
        self.x.stop()

    def start_program(self, name="run", extra_env=None, path=None, wrapper=()):
        """Starts the program from another folder (the recordings must be found beside it);
        returns it with a tap on its sound. See program.Program for the options."""
        exe = os.path.join(self.app, "wordmeadow")
        if not os.path.exists(exe):
            shutil.copy2(program_path, exe)
            shutil.copy2(os.path.join(os.path.dirname(program_path), ABOUT_PAGE), self.app)
        if path is None:
            path = self.bin + os.pathsep + os.environ.get("PATH", "")
        program = Program(exe, self.x, os.path.join(self.root, name), self.root, path,
                          extra_env, wrapper)
        self.programs.append(program)
        return program, AudioTap(program.audio_path, program)

    def opened_addresses(self):
        return opened_addresses(self.bin)

    def leave_by_exit(self, program, menu):
        """Exit! on the menu: the program ends normally, having handed the publisher's page to
        the URL opener once."""
        self.click(menu, MENU_EXIT)
        self.assertEqual(program.wait_exit(), 0, program.stderr())
        eventually(lambda: (self.opened_addresses() == [[publisher_address(self.app)]],
                            self.opened_addresses()), 10, "the publisher page to be opened")

    # --- the mouse, at points of a window's client area ------------------------------------------

    def click(self, window, point):
        self.x.click(*on_screen(window, point))

    def drag(self, window, start, end):
        self.x.drag(on_screen(window, start), on_screen(window, end))

    def double_click(self, window, point):
        self.x.double_click(*on_screen(window, point))

    # --- what is seen ----------------------------------------------------------------------------

    def wait_until_seen(self, window, point, looks_right, program=None):
        """Waits until the screen shows a colour of that kind at a point of the window."""
        x, y = on_screen(window, point)

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
        """The window shows a client area of that size at its scale, in the screen's middle."""
        width, height = device(width, window["scale"]), device(height, window["scale"])
        self.assertEqual((window["width"], window["height"]), (width, height), window)
        # An odd leftover may fall to either side by half a pixel.
        self.assertLessEqual(abs(2 * window["left"] + width - self.x.size[0]), 1, window)
        self.assertLessEqual(abs(2 * window["top"] + height - self.x.size[1]), 1, window)

    def feedback(self, shot, rec, spot=FEEDBACK_SPOT):
        """Which feedback picture the activity shows, or a description of what is there."""
        white = {name: [is_white(shot.mean(*on_screen(rec, (spot[0] + x, spot[1] + y))))
                        for x, y in points]
                 for name, points in FEEDBACK_MARKS.items()}
        shown = [name for name, marks in white.items() if all(marks)]
        others_clear = len(shown) == 1 and not any(
            any(marks) for name, marks in white.items() if name != shown[0])
        return shown[0] if others_clear else f"no single picture: {white}"

    def wait_for_feedback(self, rec, expected, program=None, spot=FEEDBACK_SPOT):
        def check():
            if program is not None:
                program.check_running()
            shown = self.feedback(self.x.screenshot(), rec, spot)
            return shown == expected, shown
        eventually(check, 10, f"the {expected} picture", interval=0.1)

    def surface(self, shot, rec):
        """("congratulation" | "game" | "unclear", what was sampled) for the activity window."""
        def at(x, y):
            return shot.mean(*on_screen(rec, (x, y)))

        yellow = congratulation_words(shot, rec)
        seen = {
            "pale yellow in the title band": yellow,
            "side play again": at(20, 98),
            "start over": at(20, 140),
            "side exit": at(20, 180),
            "feedback spot": at(175, 160),
            "picture's play again": at(132, 196),
            "picture's exit": at(132, 252),
        }
        game_buttons = [is_green(seen["side play again"]), is_orange(seen["start over"]),
                        is_red(seen["side exit"]), is_green(seen["feedback spot"])]
        picture_buttons = [is_turquoise(seen["picture's play again"]),
                           is_red(seen["picture's exit"])]
        if yellow > 200 and all(picture_buttons) and not any(game_buttons):
            return "congratulation", seen
        if yellow == 0 and all(game_buttons) and not any(picture_buttons):
            return "game", seen
        return "unclear", seen

    def wait_for_surface(self, rec, expected, program=None):
        def check():
            if program is not None:
                program.check_running()
            state, seen = self.surface(self.x.screenshot(), rec)
            return state == expected, seen
        eventually(check, 10, f"the {expected} surface", interval=0.1)
