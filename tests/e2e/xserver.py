"""A private Xvfb for the tests and benchmarks: screenshots of it, clicks through it (xdotool),
its top-level windows (xwininfo).

Run as a command, it starts the server, runs a command with DISPLAY set to it, and stops the
server when the command ends, with the command's exit status:

    python3 tests/e2e/xserver.py [--log FILE] -- COMMAND [ARGUMENT...]

The command also finds the display in WORDMEADOW_PRIVATE_DISPLAY, which tells a script that
re-runs itself this way that it is already on the private server.
"""

import os
import re
import select
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
SKIP_RETURN_CODE = 77


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


class XServer:
    """A private Xvfb; the display number is chosen by the server itself (-displayfd). Bare, it
    has no window manager: start_window_manager() adds one. Given dots per inch, it holds them in
    the Xft.dpi resource, as a desktop at that scale does (xrdb), and windows are looked at with
    the scale the program takes from it (window["scale"])."""

    def __init__(self, log_path, dpi=None, size=(SCREEN_WIDTH, SCREEN_HEIGHT)):
        read_end, write_end = os.pipe()
        self._log = open(log_path, "wb")
        self._window_manager = None
        self.size = size
        # As the program rounds it: down to a quarter, never below 1.
        self.scale = max(1.0, int(dpi / 96 * 4) / 4) if dpi else 1.0
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{size[0]}x{size[1]}x24", "-nolisten", "tcp", "-noreset"],
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
        if dpi:
            subprocess.run(["xrdb", "-merge"], input=f"Xft.dpi: {dpi}\n", text=True,
                           env=self.env(), timeout=30, check=True)

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def start_window_manager(self):
        """Openbox, as on a desktop: windows get frames, and a click on a window without the
        focus gives it the focus (and is then passed on to it)."""
        with tempfile.TemporaryDirectory() as folder:
            # The start-up command runs once openbox handles events: a window mapped before
            # may be left waiting, unmanaged, until some other event comes.
            ready = os.path.join(folder, "ready")
            self._window_manager = subprocess.Popen(
                ["openbox", "--startup", f"touch {shlex.quote(ready)}"], env=self.env(),
                stdin=subprocess.DEVNULL, stdout=self._log, stderr=subprocess.STDOUT,
                start_new_session=True)
            eventually(lambda: os.path.exists(ready), 10, "openbox to start")

    def run(self, *args, check=True):
        return subprocess.run(list(args), env=self.env(), capture_output=True, text=True,
                              timeout=30, check=check).stdout

    def screenshot(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                              env=self.env(), capture_output=True, timeout=30, check=True).stdout
        return Screenshot(data)

    def click(self, x, y):
        # Held for a tenth of a second, as a hand does. The program answers on the release, when
        # the press landed on the same element.
        self.run("xdotool", "mousemove", str(x), str(y), "mousedown", "1", "sleep", "0.1",
                 "mouseup", "1")

    def drag(self, start, end):
        """Pressed at start, moved to end and released there, pausing as a hand does."""
        self.run("xdotool", "mousemove", str(start[0]), str(start[1]), "mousedown", "1",
                 "sleep", "0.1", "mousemove", str(end[0]), str(end[1]), "sleep", "0.1",
                 "mouseup", "1")

    def double_click(self, x, y):
        """Two quick clicks, a tenth of a second apart, on one spot."""
        self.run("xdotool", "mousemove", str(x), str(y), "click", "--repeat", "2", "--delay",
                 "100", "1")

    def key(self, *keys):
        """Keys pressed and released one after the other (xdotool's names), as typed into the
        window that has the focus."""
        self.run("xdotool", "key", "--delay", "100", *keys)

    def move_window(self, window_id, x, y):
        self.run("xdotool", "windowmove", window_id, str(x), str(y))

    _TREE_LINE = re.compile(r'^\s+(0x[0-9a-f]+) "(.*)":')

    def windows(self):
        """{title: [window id, ...]} of the top-level windows that are on screen."""
        found = {}
        # Under a window manager each window lies inside a frame of its own.
        depth = "-children" if self._window_manager is None else "-tree"
        for line in self.run("xwininfo", "-root", depth).splitlines():
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
                "height": int(field("Height")), "viewable": "IsViewable" in out,
                "scale": self.scale, "offset": (0, 0)}

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
        if self._window_manager is not None:
            stop_process(self._window_manager)
        stop_process(self.proc)
        self._log.close()


def main(argv):
    """xserver.py [--log FILE] -- COMMAND...: COMMAND on a private Xvfb; its exit status."""
    log = os.devnull
    if argv[:1] == ["--log"] and len(argv) > 1:
        log, argv = argv[1], argv[2:]
    if argv[:1] != ["--"] or len(argv) < 2:
        sys.exit("usage: xserver.py [--log FILE] -- COMMAND [ARGUMENT...]")
    if shutil.which("Xvfb") is None:
        print("SKIPPED: Xvfb is missing (package xvfb)", file=sys.stderr)
        return SKIP_RETURN_CODE
    # A stop from outside (a test's time-out, ^C) still takes the server down.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    server = XServer(log)
    command = None
    try:
        env = server.env()
        env["WORDMEADOW_PRIVATE_DISPLAY"] = server.display
        command = subprocess.Popen(argv[1:], env=env)
        status = command.wait()
        return status if status >= 0 else 128 - status
    finally:
        if command is not None and command.poll() is None:
            command.terminate()
            command.wait()
        server.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
