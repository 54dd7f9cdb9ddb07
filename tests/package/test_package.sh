#!/usr/bin/env bash
# Makes the Debian package from a finished build tree, checks it with Debian's own tools, unpacks
# it and runs the unpacked program under Xvfb through its command link, as somebody who installed
# it would start it from the menu: the menu window opens, the welcome is heard, Exit! ends it and
# opens the page about the program installed beside it, or the build's publisher page when it
# names one (run_installed.py).
#
# Usage: test_package.sh BUILD_DIR [CPACK]
# Needs WORDMEADOW_PUBLISHER_URL, the build's value, empty or not (CTest sets it). Exits 77 (skipped) when a
# tool it needs is missing.
set -euo pipefail

SKIP=77
[[ $# -ge 1 ]] || { echo "usage: $0 BUILD_DIR [CPACK]" >&2; exit 2; }
build=$(cd "$1" && pwd)
cpack=${2:-cpack}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[[ -v WORDMEADOW_PUBLISHER_URL ]] || {
    echo "WORDMEADOW_PUBLISHER_URL is not set: run the test through ctest, or set it to the" \
         "value in $build/CMakeCache.txt" >&2
    exit 2
}

missing=()
for tool in "$cpack" dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli Xvfb \
            xdotool xwininfo python3; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "SKIPPED: missing ${missing[*]} (packages dpkg-dev, lintian, desktop-file-utils," \
         "appstream, xvfb, xdotool, x11-utils, python3)" >&2
    exit "$SKIP"
fi

source_dir=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
[[ -d $source_dir/recordings ]] || { echo "no source tree found for $build" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/wordmeadow-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

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
# dpkg-shlibdeps must have named the SDL2 libraries the program is linked with (SDL2_image reads
# the pictures drawn for scaled displays).
for lib in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libsdl2-image-2.0-0; do
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

# Every recording of the sources lies beside the program under the same name, the words in words/.
recordings() {
    find "$1" -maxdepth 1 -type f \( -name '*.wav' -o -name '*.WAV' \) -printf '%f\n' | sort
}
for folder in "" words; do
    expected=$(recordings "$source_dir/recordings/$folder")
    shipped=$(recordings "$appdir/$folder")
    [[ -n $expected ]] || fail "no recordings in $source_dir/recordings/$folder"
    if [[ $shipped != "$expected" ]]; then
        diff <(echo "$expected") <(echo "$shipped") >&2 || true
        fail "the recordings in $appdir/$folder differ from the sources' (< sources, > package)"
    fi
done

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
[[ $(dpkg-deb -f "$deb" Homepage) == "$homepage" ]] ||
    fail "the package's Homepage differs from the metadata's ($homepage)"
[[ $homepage == "$WORDMEADOW_PUBLISHER_URL" ]] ||
    fail "the metadata's homepage '$homepage' is not the build's '$WORDMEADOW_PUBLISHER_URL'"

# The page about the program lies beside it, as the build made it; Exit! opens it unless the
# build names a publisher's page.
page="$appdir/about.html"
cmp -s "$page" "$build/about.html" || fail "the package's about.html is not the build's"
opens=$WORDMEADOW_PUBLISHER_URL
if [[ -z $opens ]]; then
    opens=$(python3 -c 'import pathlib, sys; print(pathlib.Path(sys.argv[1]).resolve().as_uri())' \
            "$page")
fi

# --------------------------------------------------------------------------------------------
step "running the unpacked program through its link"
python3 "$here/run_installed.py" "$link" "$appdir/Welcome.wav" "$opens" ||
    fail "the unpacked program did not run as installed"

echo "PASS: $(basename "$deb")"
