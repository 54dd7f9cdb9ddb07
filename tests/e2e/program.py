"""Starting the program under test on an X server, and the stand-in URL opener it finds on PATH.

The program's sound goes to a file through SDL's disk audio driver; what it writes on stdout and
stderr goes to files beside that one.
"""

import os
import subprocess

from xserver import stop_process

XDG_OPEN_STAND_IN = """#!/bin/sh
# Writes down how it was called instead of opening anything.
{ printf 'call %s\\n' "$#"; for a in "$@"; do printf 'arg %s\\n' "$a"; done; } >> "$(dirname "$0")/xdg-open.log"
"""


def write_url_opener_stand_in(folder):
    """Puts the stand-in xdg-open into folder, which is to go first on the program's PATH."""
    stand_in = os.path.join(folder, "xdg-open")
    with open(stand_in, "w") as f:
        f.write(XDG_OPEN_STAND_IN)
    os.chmod(stand_in, 0o755)


def opened_addresses(folder):
    """[[arguments], ...] of each call of the stand-in xdg-open in that folder so far."""
    try:
        with open(os.path.join(folder, "xdg-open.log")) as f:
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


class Program:
    """exe run on the X server from the folder cwd, in a session of its own.

    files is where its files go: files + ".raw" the sound, ".stdout" and ".stderr" its output.
    path is its whole PATH; in extra_env a value of None removes that variable. wrapper is a
    command to start it through (setpriv, valgrind, wine); args go to the program."""

    EXIT_TIMEOUT = 20.0

    def __init__(self, exe, xserver, files, cwd, path, extra_env=None, wrapper=(), args=()):
        env = {name: value for name, value in xserver.env().items()
               if not name.startswith("SDL_")}
        self.audio_path = files + ".raw"
        env["SDL_AUDIODRIVER"] = "disk"
        env["SDL_DISKAUDIOFILE"] = self.audio_path
        env["PATH"] = path
        for name, value in (extra_env or {}).items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        self.stdout_path = files + ".stdout"
        self.stderr_path = files + ".stderr"
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(list(wrapper) + [exe] + list(args), cwd=cwd, env=env,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                         start_new_session=True)

    def stderr(self):
        with open(self.stderr_path, errors="replace") as f:
            return f.read()

    def check_running(self):
        if self.proc.poll() is not None:
            raise AssertionError(f"the program ended early with status {self.proc.returncode}; "
                                 f"stderr: {self.stderr()[-2000:]!r}")

    def wait_exit(self, timeout=None):
        timeout = self.EXIT_TIMEOUT if timeout is None else timeout
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program was still running {timeout} s later; "
                                 f"stderr: {self.stderr()[-2000:]!r}") from None

    def stop(self):
        stop_process(self.proc)
