#!/usr/bin/env bash
# Cross-compiles the Windows program with mingw-w64 and tests it under Wine: the unit tests,
# then the real wordmeadow.exe in a private Xvfb, clicked through the X server
# (tests/e2e/test_windows.py), then its setup program and MSI installed, started and removed
# (tests/e2e/test_windows_install.py).
#
# Usage: tools/windows-test.sh [build folder]      (default: build-windows beside the sources)
# Needs the Debian packages cmake, g++-mingw-w64-x86-64-posix, binutils-mingw-w64-x86-64,
# googletest, wine, wine64, xvfb, xdotool, x11-utils, imagemagick, python3, nsis, wixl and
# msitools.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${1:-$root/build-windows}")"
jobs="$(nproc 2>/dev/null || echo 2)"

for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump wine wineserver wineboot makensis wixl msibuild; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DBUILD_TESTING=ON -DWORDMEADOW_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs"
# The setup program and the MSI, for the installation test at the end.
cmake --build "$build" -j "$jobs" --target wordmeadow_setup wordmeadow_msi

# Linked statically, the program must need nothing but what every Windows has.
allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll winmm.dll ole32.dll msvcrt.dll "
imports="$(x86_64-w64-mingw32-objdump -p "$build/wordmeadow.exe" | sed -n 's/.*DLL Name: //p')"
for dll in $imports; do
  if [[ $allowed != *" ${dll,,} "* ]]; then
    echo "wordmeadow.exe needs $dll, which Windows does not ship" >&2
    exit 1
  fi
done
echo "wordmeadow.exe imports:" $imports

# A private 64-bit prefix, so the user's own Wine is left alone. Wine's helper processes inherit
# whatever output they are given and outlive the command, so they are started with none.
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/prefix" WINEARCH=win64 WINEDEBUG=-all
cleanup() {
  wineserver -k >/dev/null 2>&1 </dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
unset DISPLAY WAYLAND_DISPLAY  # the unit tests need no screen
wineserver -p >/dev/null 2>&1 </dev/null
wineboot -i >/dev/null 2>&1 </dev/null

echo "Unit tests under Wine"
(cd "$build/tests" && wine ./wordmeadow_tests.exe)

echo "End-to-end tests under Wine and Xvfb"
# The page Exit! must open is the build's own, as CTest hands it to the Linux tests: the
# publisher's, or when that is empty the page about the program beside it.
if ! grep -q '^WORDMEADOW_PUBLISHER_URL:' "$build/CMakeCache.txt"; then
  echo "no WORDMEADOW_PUBLISHER_URL in $build/CMakeCache.txt" >&2
  exit 1
fi
WORDMEADOW_PUBLISHER_URL="$(sed -n 's/^WORDMEADOW_PUBLISHER_URL:[A-Z]*=//p' "$build/CMakeCache.txt")"
export WORDMEADOW_PUBLISHER_URL
wineserver -k >/dev/null 2>&1 </dev/null || true
python3 "$root/tests/e2e/test_windows.py" "$build/wordmeadow.exe"

echo "Installing and removing the setup program and the MSI under Wine"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
python3 "$root/tests/e2e/test_windows_install.py" "$build/wordmeadow-$version-setup.exe"
