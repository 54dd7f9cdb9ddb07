"""Wine for the tests of the Windows program: a private prefix on a private X server, Wine's
helpers run so that they cannot hold a test, and what Wine's winmm trace
(WINEDEBUG=-all,trace+winmm) says the program asked of PlaySound.
"""

import os
import re
import subprocess

# Wine writes a wide string with a backslash before a backslash or a quote, and any character
# beyond ASCII as a backslash and four hex digits.
_ESCAPE = re.compile(r'\\(\\|"|[0-9a-fA-F]{4}|n|r|t)')
_ESCAPED = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "t": "\t"}


def wide_string(text):
    """A string as Wine's trace wrote it, L"..." without the L and the quotes, decoded."""
    return _ESCAPE.sub(lambda m: _ESCAPED.get(m.group(1)) or chr(int(m.group(1), 16)), text)


def sounds(trace):
    """[(flags, path)] of each PlaySound call in a winmm trace."""
    flags = re.findall(r"MULTIMEDIA_PlaySound .*fdwSound=([0-9A-Fa-f]+)", trace)
    names = [wide_string(n) for n in re.findall(r'proc_PlaySound SoundName=L"(.*)" !', trace)]
    return list(zip((int(f, 16) for f in flags), names))


def sound_read(trace, path):
    """Whether PlaySound opened the file at path and found its samples (winmm traces the data
    chunk once it has read the RIFF header and the format)."""
    for call in re.finditer(r'proc_PlaySound SoundName=L"(.*)" !\n', trace):
        if wide_string(call.group(1)) != path:
            continue
        rest = trace[call.end():]
        following = re.search(r'proc_PlaySound SoundName=', rest)
        if "Chunk Found ckid=data" in rest[:following.start() if following else len(rest)]:
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
