#!/usr/bin/env bash
# Makes the Debian package from a finished build tree, checks it with Debian's own tools, unpacks
# it and runs the unpacked program under Xvfb through its command link, as somebody who installed
# it would start it from the menu: the menu window opens, the welcome is heard, Exit! ends it.
#
# Usage: test_package.sh BUILD_DIR [CPACK]
# Exits 77 (skipped) when a tool it needs is missing.
set -euo pipefail

SKIP=77
[[ $# -ge 1 ]] || { echo "usage: $0 BUILD_DIR [CPACK]" >&2; exit 2; }
build=$(cd "$1" && pwd)
cpack=${2:-cpack}

missing=()
for tool in "$cpack" dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli Xvfb \
            xdotool python3 timeout; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "SKIPPED: missing ${missing[*]} (packages dpkg-dev, lintian, desktop-file-utils," \
         "appstream, xvfb, xdotool, python3)" >&2
    exit "$SKIP"
fi

source_dir=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
[[ -d $source_dir/recordings ]] || { echo "no source tree found for $build" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/wordmeadow-package.XXXXXX")
xvfb_pid=
program_pid=
cleanup() {
    # Only our own children, by their ids: the program first, then its X server.
    if [[ -n $program_pid ]]; then kill "$program_pid" 2>/dev/null || true; fi
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

step() {
    echo "== $*"
}

# --------------------------------------------------------------------------------------------
step "making the package"
# cpack stages and writes into the scratch folder; the build tree stays as it is.
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/cpack" \
        >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack failed"
fi
debs=("$scratch"/cpack/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}
echo "made $(basename "$deb")"
dpkg-deb --info "$deb"

# --------------------------------------------------------------------------------------------
step "fields"
[[ $(dpkg-deb -f "$deb" Package) == wordmeadow ]] || fail "the package is not called wordmeadow"
depends=$(dpkg-deb -f "$deb" Depends)
# dpkg-shlibdeps must have named the SDL2 libraries the program is linked with.
for lib in libsdl2-2.0-0 libsdl2-ttf-2.0-0; do
    [[ ", $depends," == *", $lib "* || ", $depends," == *", $lib,"* ]] ||
        fail "Depends does not name $lib: $depends"
done

# --------------------------------------------------------------------------------------------
step "lintian"
# Errors fail the test; warnings are shown for whoever reads the log.
lintian_status=0
lintian --fail-on error --display-info "$deb" >"$scratch/lintian.log" 2>&1 || lintian_status=$?
cat "$scratch/lintian.log"
grep -q '^E: ' "$scratch/lintian.log" && fail "lintian reports errors"
[[ $lintian_status -eq 0 ]] || fail "lintian ended with status $lintian_status"

# --------------------------------------------------------------------------------------------
step "unpacking"
root="$scratch/root"
dpkg -x "$deb" "$root"
link="$root/usr/games/wordmeadow"
appdir="$root/usr/lib/games/wordmeadow"
[[ -L $link ]] || fail "/usr/games/wordmeadow is not a link"
target=$(readlink "$link")
[[ $target != /* ]] || fail "/usr/games/wordmeadow links to an absolute path: $target"
[[ $(readlink -f "$link") == "$(readlink -f "$appdir/wordmeadow")" ]] ||
    fail "/usr/games/wordmeadow links to $target, not to the program in /usr/lib/games/wordmeadow"
[[ -x $appdir/wordmeadow ]] || fail "the program is not executable"

# Every recording of the sources lies beside the program, under the same name.
recordings() {
    find "$1" -maxdepth 1 -type f \( -name '*.wav' -o -name '*.WAV' \) -printf '%f\n' | sort
}
expected=$(recordings "$source_dir/recordings")
shipped=$(recordings "$appdir")
[[ -n $expected ]] || fail "no recordings in $source_dir/recordings"
if [[ $shipped != "$expected" ]]; then
    diff <(echo "$expected") <(echo "$shipped") >&2 || true
    fail "the recordings beside the program differ from the sources' (< sources, > package)"
fi

# --------------------------------------------------------------------------------------------
step "menu entry and metadata"
desktop="$root/usr/share/applications/wordmeadow.desktop"
[[ -f $desktop ]] || fail "no menu entry"
desktop_status=0
desktop-file-validate "$desktop" >"$scratch/desktop.log" 2>&1 || desktop_status=$?
cat "$scratch/desktop.log"
[[ $desktop_status -eq 0 ]] || fail "the menu entry is invalid"
# Hints (an entry under both Games and Education) are fine; warnings and errors are not.
grep -Eq ': (error|warning): ' "$scratch/desktop.log" && fail "desktop-file-validate complains"

metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
[[ ${#metainfo[@]} -eq 1 && -f ${metainfo[0]} ]] || fail "expected one metainfo file"
appstreamcli validate --no-net "${metainfo[0]}" || fail "appstreamcli rejects the metadata"

# The menu entry's icon exists in the theme at every size the theme is searched at.
icon=$(sed -n 's/^Icon=//p' "$desktop")
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ $exec_name == wordmeadow && -L $root/usr/games/$exec_name ]] ||
    fail "the menu entry starts $exec_name, which the package does not provide"
for size in 16 22 24 32 48 64 128 256; do
    [[ -f $root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png ]] ||
        fail "no ${size}x${size} icon named $icon"
done
[[ -f $root/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] ||
    fail "no scalable icon named $icon"

homepage=$(sed -n 's:.*<url type="homepage">\(.*\)</url>.*:\1:p' "${metainfo[0]}" |
           sed 's/&lt;/</g; s/&gt;/>/g; s/&amp;/\&/g')
[[ -n $homepage ]] || fail "the metadata names no homepage"
[[ $(dpkg-deb -f "$deb" Homepage) == "$homepage" ]] ||
    fail "the package's Homepage differs from the metadata's ($homepage)"

# --------------------------------------------------------------------------------------------
step "running the unpacked program through its link"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do
    [[ -s $scratch/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$scratch/xvfb.log"; fail "Xvfb ended at start-up"; }
    sleep 0.1
done
[[ -s $scratch/display ]] || fail "Xvfb did not report its display"
DISPLAY=":$(head -n1 "$scratch/display")"
export DISPLAY
unset WAYLAND_DISPLAY

# Nothing real is opened when Exit! hands over the publisher's page: the stand-in writes it down.
mkdir "$scratch/stand-ins"
cat >"$scratch/stand-ins/xdg-open" <<'EOF'
#!/bin/sh
printf '%s\n' "$@" >> "$(dirname "$0")/xdg-open.log"
EOF
chmod +x "$scratch/stand-ins/xdg-open"

audio="$scratch/sound.raw"
# Started from another folder with a plain environment: the recordings are found beside the
# real program, through /proc/self/exe, or not at all.
(
    cd /
    for name in $(compgen -e | grep '^SDL_' || true); do unset "$name"; done
    export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
    export PATH="$scratch/stand-ins:$PATH"
    exec "$link"
) >"$scratch/program.out" 2>"$scratch/program.err" &
program_pid=$!

window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Wordmeadow$' | head -n1) ||
    { cat "$scratch/program.err" >&2; fail "no window titled Wordmeadow within 60 s"; }
[[ -n $window ]] || fail "no window titled Wordmeadow"
echo "menu window $window"

# The welcome is heard: the device receives about as much sound as Welcome.wav holds. A missing
# recording would give only a short beep, so a little sound is not enough.
welcome_status=0
python3 - "$audio" "$appdir/Welcome.wav" <<'EOF' || welcome_status=$?
import array, sys, time, wave

PEAK = 300  # well above rounding noise; the device writes exact zeros while nothing plays


def loud_blocks(samples, values_per_block):
    return sum(1 for i in range(0, len(samples) - values_per_block + 1, values_per_block)
               if max(map(abs, samples[i:i + values_per_block])) >= PEAK)


def int16(data):
    samples = array.array("h")
    samples.frombytes(data[: len(data) // 2 * 2])
    if sys.byteorder == "big":
        samples.byteswap()
    return samples


output, welcome = sys.argv[1], sys.argv[2]
with wave.open(welcome) as w:
    assert w.getsampwidth() == 2, "Welcome.wav is not 16-bit PCM"
    source = int16(w.readframes(w.getnframes()))
    expected = loud_blocks(source, w.getframerate() * w.getnchannels() // 20)  # 50 ms blocks
assert expected > 0, "Welcome.wav is silent"

heard = 0
deadline = time.monotonic() + 60
while time.monotonic() < deadline:
    try:
        with open(output, "rb") as f:
            heard = loud_blocks(int16(f.read()), 22050 // 20)  # the device: 22050 Hz mono
    except FileNotFoundError:
        pass
    if heard >= 0.8 * expected:
        print(f"heard {heard} loud 50 ms blocks; Welcome.wav has {expected}")
        sys.exit(0)
    time.sleep(0.5)
print(f"heard only {heard} loud 50 ms blocks in 60 s; Welcome.wav has {expected}", file=sys.stderr)
sys.exit(1)
EOF
if [[ $welcome_status -ne 0 ]]; then
    cat "$scratch/program.err" >&2
    fail "the welcome was not heard"
fi

# Exit! at (233, 284) of the menu window; with no window manager the window takes the click as is.
xdotool mousemove --window "$window" 233 284 click 1
for _ in $(seq 300); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && fail "the program was still running 30 s after Exit!"
status=0
wait "$program_pid" || status=$?
program_pid=
cat "$scratch/program.err" >&2
[[ $status -eq 0 ]] || fail "the program ended with status $status"
grep -q 'no sound' "$scratch/program.err" && fail "the program found no sound device"

# The program does not wait for xdg-open, so its note may come a little later.
for _ in $(seq 100); do
    [[ -s $scratch/stand-ins/xdg-open.log ]] && break
    sleep 0.1
done
[[ -s $scratch/stand-ins/xdg-open.log ]] || fail "Exit! did not hand a page to xdg-open"
opened=$(cat "$scratch/stand-ins/xdg-open.log")
[[ $opened == "$homepage" ]] || fail "Exit! opened '$opened', not the homepage '$homepage'"

echo "PASS: $(basename "$deb")"
