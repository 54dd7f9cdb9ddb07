"""The Windows release as a teacher and a school's IT meet it, under Wine in a private Xvfb.

The setup program is installed silently for one user, upgraded over a parent's own recordings
(one of them exactly as long as the one it replaced) and removed; installed again into a folder
named in Cyrillic and Greek and started there from its Start-menu shortcut; the MSI is installed
silently for the machine and its program started from Program Files, the setup program refuses
its folder, a newer MSI (made here from the build's MSI source) upgrades it over a teacher's
recording, and it is removed. A started program must open and read its welcome from where it was
installed (Wine's winmm trace).

Usage: python3 test_windows_install.py PATH_TO_wordmeadow-<version>-setup.exe [unittest args]
The MSI is taken from beside it (wordmeadow-<version>-x64.msi). The Wine prefix is a new one.
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import uuid

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402
import wine  # noqa: E402
from program import Program  # noqa: E402
from xserver import XServer, eventually  # noqa: E402

TOOLS = ("Xvfb", "xdotool", "xwininfo", "xprop", "import", "wine", "wineserver", "wineboot",
         "cmake", "wixl", "msibuild")
PACKAGES = "xvfb, xdotool, x11-utils, imagemagick, wine, wine64, cmake, wixl, msitools"
SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "recordings")
RECORDINGS = sorted(os.listdir(SOURCES))  # the words/ folder among them
WORDS = sorted(os.listdir(os.path.join(SOURCES, "words")))
MAKE_MSI = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging",
                        "windows", "make_msi.cmake")
UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
# A school's folder named outside the Western alphabet. No space: Wine quotes an argument with
# one, and a quoted /D= is no folder to NSIS.
SCHOOL = "C:\\Школа\\Σχολείο"


def setUpModule():
    global env, xserver, scratch
    scratch = tempfile.mkdtemp(prefix="wordmeadow-install-")
    xserver = XServer(os.path.join(scratch, "xvfb.log"))
    env = dict(os.environ, WINEPREFIX=os.path.join(scratch, "prefix"), WINEARCH="win64",
               WINEDEBUG="-all", DISPLAY=xserver.display,
               # Command lines reach Wine in UTF-8; the shortcuts stay out of the host's menus.
               LC_ALL="C.UTF-8", WINEDLLOVERRIDES="winemenubuilder.exe=d")
    env.pop("WAYLAND_DISPLAY", None)
    wine.prepare_prefix(env)


def tearDownModule():
    wine.stop_wineserver(env)
    xserver.stop()
    shutil.rmtree(scratch, ignore_errors=True)


def unix(path):
    """A path on drive C: of the prefix, as the host sees it."""
    assert path[:3].upper() == "C:\\", path
    return os.path.join(env["WINEPREFIX"], "drive_c", *path[3:].split("\\"))


def registry(key):
    """{key: {name: value}} of a key and every key below it, or {} if there is none."""
    out = os.path.join(scratch, "export.reg")
    if wine.run_quietly("wine", "reg", "export", key, out, "/y", env=env,
                        check=False).returncode != 0:
        return {}
    with open(out, encoding="utf-16") as f:
        text = f.read()
    keys, values = {}, None
    for line in text.splitlines():
        if line.startswith("["):
            values = keys.setdefault(line.strip("[]"), {})
        elif m := re.match(r'"((?:[^"\\]|\\.)*)"=(.*)', line):
            name, value = m.group(1), m.group(2)
            if value.startswith("dword:"):
                values[name] = int(value[6:], 16)
            else:
                values[name] = re.sub(r"\\(.)", r"\1", value[1:-1])
    return keys


class WindowsInstallTest(e2e.ScratchTestCase):

    def setUp(self):
        super().setUp()
        self.x = xserver
        self.setup = e2e.program_path
        self.version = re.fullmatch(r"wordmeadow-(.+)-setup\.exe",
                                    os.path.basename(self.setup)).group(1)
        self.msi = os.path.join(os.path.dirname(self.setup),
                                f"wordmeadow-{self.version}-x64.msi")
        users = os.path.join(env["WINEPREFIX"], "drive_c", "users")
        self.user = os.path.join(users, *(set(os.listdir(users)) - {"Public"}))
        self.start_menu = os.path.join(self.user, "AppData", "Roaming", "Microsoft", "Windows",
                                       "Start Menu", "Programs")
        self.all_start_menu = unix("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs")

    def wine(self, *args):
        wine.run_quietly("wine", *args, env=env)

    def entry(self, root, name):
        return registry(f"{root}\\{UNINSTALL}\\{name}").get(
            f"{'HKEY_CURRENT_USER' if root == 'HKCU' else 'HKEY_LOCAL_MACHINE'}"
            f"\\{UNINSTALL}\\{name}")

    def assert_program_folder(self, folder, others=()):
        self.assertEqual(sorted(os.listdir(folder)),
                         sorted(["wordmeadow.exe", e2e.ABOUT_PAGE, *RECORDINGS, *others]))
        self.assertEqual(sorted(os.listdir(os.path.join(folder, "words"))), WORDS)

    def close(self):
        """Alt+F4 on the program's window: Windows turns it into a close from the frame."""
        self.x.run("xdotool", "key", "alt+F4")
        self.x.wait_no_window("Wordmeadow")

    def start_from_shortcut(self, shortcut, exe):
        """Opens the shortcut as the Start menu does: the program at exe (as Windows names it)
        comes up. The shell starts it apart from this test, so its sounds are not seen here."""
        self.wine("start", "/unix", shortcut)
        window = self.x.wait_window("Wordmeadow", timeout=60)
        pid = int(self.x.run("xprop", "-id", window["id"], "_NET_WM_PID").split("=")[1])
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            self.assertEqual(f.read().split(b"\0")[0].decode(), exe)
        self.close()

    def start_and_hear_the_welcome(self, folder):
        """Starts wordmeadow.exe of folder (as Windows names it) and sees it open and read its
        welcome there (Wine's winmm trace)."""
        program = Program(folder + "\\wordmeadow.exe", self.x, os.path.join(self.root, "wine"),
                          self.root, os.environ["PATH"], {**env, "WINEDEBUG": "-all,trace+winmm"},
                          wrapper=("wine",))
        welcome = folder + "\\Welcome.wav"
        eventually(lambda: (wine.sound_read(program.stderr(), welcome),
                            wine.sounds(program.stderr())), 60, f"{welcome} to be played")
        self.x.wait_window("Wordmeadow", program=program)
        self.close()
        self.assertEqual(program.wait_exit(30), 0)

    def about_link(self, windows_folder):
        """The link of the entry in Apps & features: the publisher's page, else the page about
        the program installed in the folder."""
        return os.environ["WORDMEADOW_PUBLISHER_URL"] or f"{windows_folder}\\{e2e.ABOUT_PAGE}"

    def next_msi(self):
        """A newer version of the MSI, made as the build makes it from the build's MSI source:
        the same files and UpgradeCode, another version and ProductCode."""
        build = os.path.dirname(self.setup)
        source, = glob.glob(os.path.join(build, "packaging", "windows", "wordmeadow-*.wxs"))
        with open(source, encoding="utf-8") as f:
            text = f.read()
        text, found = re.subn(r'(<Product Id=")[^"]*(".*?Version=")[^"]*"',
                              rf'\g<1>{str(uuid.uuid4()).upper()}\g<2>{self.version}.1"', text,
                              count=1, flags=re.S)
        self.assertEqual(found, 1)
        wxs = os.path.join(self.root, "next.wxs")
        with open(wxs, "w", encoding="utf-8") as f:
            f.write(text)
        msi = os.path.join(self.root, f"wordmeadow-{self.version}.1-x64.msi")
        subprocess.run(["cmake", "-DWIXL=wixl", "-DMSIBUILD=msibuild", f"-DWXS={wxs}",
                        f"-DMSI={msi}", "-P", MAKE_MSI], cwd=build, check=True,
                       capture_output=True)
        return msi

    def msiexec(self, action, msi):
        self.wine("msiexec", action, "Z:" + msi.replace("/", "\\"), "/qn")

    def machine_entries(self):
        return [(key, values) for key, values in registry(f"HKLM\\{UNINSTALL}").items()
                if values.get("DisplayName") == "Wordmeadow"]

    def uninstall(self, folder):
        """uninstall.exe /S hands over to a copy of itself and returns at once: the entry goes
        last."""
        self.wine(os.path.join(folder, "uninstall.exe"), "/S")
        eventually(lambda: self.entry("HKCU", "Wordmeadow") is None, 60,
                   "the uninstaller to finish", interval=0.5)

    def test_setup_for_one_user_then_in_any_script_then_the_msi_for_the_machine(self):
        # Silently, for this user: the program's folder, the shortcut, the entry.
        self.wine(self.setup, "/S")
        folder = os.path.join(self.user, "AppData", "Local", "Programs", "Wordmeadow")
        self.assert_program_folder(folder, ["uninstall.exe"])
        shortcut = os.path.join(self.start_menu, "Wordmeadow.lnk")
        self.assertEqual(glob.glob(os.path.join(self.user, "Desktop", "*.lnk")), [],
                         "the desktop shortcut is not ticked")
        entry = self.entry("HKCU", "Wordmeadow")
        self.assertIsNotNone(entry, "no entry in Apps & features")
        windows_folder = entry["InstallLocation"]
        self.assertEqual(unix(windows_folder), folder)
        # The size in KiB of what was installed, each file counted in whole KiB.
        sizes = [os.path.getsize(os.path.join(path, name))
                 for path, _, names in os.walk(folder) for name in names
                 if name != "uninstall.exe"]
        self.assertTrue(sum(sizes) // 1024 <= entry.pop("EstimatedSize")
                        <= sum(sizes) // 1024 + len(sizes), sum(sizes))
        self.assertEqual(entry, {
            "DisplayName": "Wordmeadow", "DisplayVersion": self.version,
            "Publisher": "Wordmeadow developers", "URLInfoAbout": self.about_link(windows_folder),
            "DisplayIcon": windows_folder + "\\wordmeadow.exe,0",
            "InstallLocation": windows_folder,
            "UninstallString": f'"{windows_folder}\\uninstall.exe"',
            "QuietUninstallString": f'"{windows_folder}\\uninstall.exe" /S',
            "NoModify": 1, "NoRepair": 1})
        self.start_from_shortcut(shortcut, windows_folder + "\\wordmeadow.exe")

        # A parent's own voice in place of a letter and beside the others outlives an upgrade,
        # which goes where the program already is, and the uninstall; so does one exactly as
        # long as the recording it replaced.
        mine = b"RIFF a parent's own recording"
        with open(os.path.join(folder, "B.wav"), "rb") as f:
            shipped = f.read()
        same_length = shipped[:44] + bytes(byte ^ 0x55 for byte in shipped[44:])
        for name, content in (("A.wav", mine), ("B.wav", same_length), ("Grandma.wav", mine),
                              (os.path.join("words", WORDS[0]), mine)):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(content)
        self.wine(self.setup, "/S")
        for name, content in (("A.wav", mine), ("B.wav", same_length),
                              (os.path.join("words", WORDS[0]), mine)):
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual(f.read(), content, name)
        self.assert_program_folder(folder, ["uninstall.exe", "Grandma.wav"])
        self.uninstall(folder)
        self.assertEqual(sorted(os.listdir(folder)), ["A.wav", "B.wav", "Grandma.wav", "words"])
        self.assertEqual(os.listdir(os.path.join(folder, "words")), [WORDS[0]])
        self.assertFalse(os.path.exists(shortcut))

        # Into a school's folder named in Cyrillic and Greek, and started there.
        school = SCHOOL
        self.wine(self.setup, "/S", f"/D={school}")
        self.assert_program_folder(unix(school), ["uninstall.exe"])
        self.assertTrue(os.path.isfile(shortcut))
        self.start_and_hear_the_welcome(school)
        self.uninstall(unix(school))
        self.assertFalse(os.path.exists(unix(school)), "an empty folder is removed")
        self.assertTrue(os.path.isdir(os.path.dirname(unix(school))))
        self.assertFalse(os.path.exists(shortcut))

        # The MSI, silently, for the machine.
        self.msiexec("/i", self.msi)
        windows_folder = "C:\\Program Files\\Wordmeadow"
        folder = unix(windows_folder)
        self.assert_program_folder(folder)
        entries = self.machine_entries()
        self.assertEqual(len(entries), 1, entries)
        key, entry = entries[0]
        self.assertRegex(key, r"\\\{[0-9A-F-]{36}\}$", "an entry named by the ProductCode")
        self.assertEqual((entry["DisplayVersion"], entry["Publisher"], entry["URLInfoAbout"]),
                         (self.version, "Wordmeadow developers", self.about_link(windows_folder)))
        # Wine's msi puts an all-users shortcut into the user's own Start menu.
        shortcuts = [path for path in (os.path.join(self.all_start_menu, "Wordmeadow.lnk"),
                                       shortcut) if os.path.isfile(path)]
        self.assertEqual(len(shortcuts), 1, shortcuts)
        self.start_and_hear_the_welcome(windows_folder)

        # The setup program will not share the MSI's folder: its uninstaller would take the
        # MSI's files.
        refused = wine.run_quietly("wine", self.setup, "/S", "/AllUsers", env=env, check=False)
        self.assertEqual(refused.returncode, 1638 % 256)  # a Unix status keeps the low byte
        self.assertIsNone(self.entry("HKLM", "Wordmeadow"))
        self.assertFalse(os.path.exists(os.path.join(folder, "uninstall.exe")))

        # A teacher's recording in place of a letter outlives the upgrade to a newer MSI, and
        # one beside the others the removal; this one is as long as ours, which Wine's msi would
        # otherwise take for the same file.
        with open(os.path.join(folder, "C.wav"), "rb") as f:
            shipped = f.read()
        teachers = shipped[:44] + bytes(byte ^ 0x55 for byte in shipped[44:])
        with open(os.path.join(folder, "C.wav"), "wb") as f:
            f.write(teachers)
        with open(os.path.join(folder, "Teacher.wav"), "wb") as f:
            f.write(mine)
        next_msi = self.next_msi()
        self.msiexec("/i", next_msi)
        with open(os.path.join(folder, "C.wav"), "rb") as f:
            self.assertEqual(f.read(), teachers)
        self.assert_program_folder(folder, ["Teacher.wav"])
        self.assertEqual([values["DisplayVersion"] for _, values in self.machine_entries()],
                         [f"{self.version}.1"])
        self.msiexec("/x", next_msi)
        self.assertIn("Teacher.wav", os.listdir(folder))
        self.assertEqual(set(os.listdir(folder)) - {"Teacher.wav", "C.wav"}, set())
        self.assertFalse(os.path.exists(shortcuts[0]))
        self.assertEqual(self.machine_entries(), [])


if __name__ == "__main__":
    e2e.run_tests(TOOLS, PACKAGES, executable=False)
