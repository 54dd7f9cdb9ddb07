"""Wine for the tests of the Windows program: a private prefix on a private X server, Wine's
helpers run so that they cannot hold a test, and what the program asked of PlaySound: it
names each file it plays through OutputDebugString (a sound played from memory has no name in
Wine's winmm trace), which Wine writes out with the winmm trace under TRACE.
"""

import os
import re
import subprocess

TRACE = "-all,trace+winmm,warn+debugstr"

# Wine writes a string with a backslash before a backslash or a quote, and any byte beyond
# ASCII as \x and two hex digits.
_ESCAPE = re.compile(rb'\\(\\|"|x[0-9a-fA-F]{2}|n|r|t)')
_ESCAPED = {b"\\": b"\\", b'"': b'"', b"n": b"\n", b"r": b"\r", b"t": b"\t"}
_PLAYED = re.compile(r'OutputDebugStringA "PlaySound ([0-9]+) (.*)\\n"\n')


def trace_string(text):
    """A string as Wine's trace wrote it, without the quotes, decoded (the program's are
    UTF-8)."""
    raw = _ESCAPE.sub(lambda m: _ESCAPED.get(m.group(1)) or bytes([int(m.group(1)[1:], 16)]),
                      text.encode("latin-1", "backslashreplace"))
    return raw.decode("utf-8", "replace")


def sounds(trace):
    """[(flags, path)] of each PlaySound call the program made, as it says."""
    return [(int(m.group(1)), trace_string(m.group(2))) for m in _PLAYED.finditer(trace)]


def sound_read(trace, path):
    """Whether PlaySound was given the file at path and found its samples (winmm traces the
    data chunk once it has read the RIFF header and the format)."""
    calls = list(_PLAYED.finditer(trace))
    for call, following in zip(calls, calls[1:] + [None]):
        if trace_string(call.group(2)) != path:
            continue
        if "Chunk Found ckid=data" in trace[call.end():following.start() if following else None]:
            return True
    return False


def run_quietly(*args, env, check=True, timeout=300):
    """Wine's helpers inherit what they are given: with no pipe open they cannot hold a run."""
    return subprocess.run(list(args), env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=check,
                          timeout=timeout)


def stop_wineserver(env):
    run_quietly("wineserver", "-k", env=env, check=False)


def prepare_prefix(env):
    """Starts the server of env's WINEPREFIX (made if new) for the display env names."""
    # A server left from an earlier run may have started Wine's desktop on another display.
    stop_wineserver(env)
    os.makedirs(env["WINEPREFIX"], exist_ok=True)
    run_quietly("wineserver", "-p", env=env)
    run_quietly("wineboot", env=env)  # makes the prefix when it is new
    # Without a window manager Wine waits for one on every window it takes away, unless it
    # manages its windows itself.
    run_quietly("wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed",
                "/d", "N", "/f", env=env)
