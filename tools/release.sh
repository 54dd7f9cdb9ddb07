#!/usr/bin/env bash
# Builds every artifact of a release into dist/, each program built once, in Release:
#   wordmeadow_<version>_amd64.deb            the Debian package (CPack)
#   wordmeadow-<version>-setup.exe            the Windows setup program (NSIS)
#   wordmeadow-<version>-x64.msi              the Windows MSI for school IT (wixl, msibuild)
#   wordmeadow-<version>-windows-x64.zip      the portable Windows folder
#   wordmeadow-<version>-web.zip              the browser program, a static site (folder wordmeadow/)
#   wordmeadow-<version>.tar.gz               the sources of the last commit (git archive)
#   SHA256SUMS                                checked with: cd dist && sha256sum -c SHA256SUMS
# The version is the CMake project's. Arguments go to both configurations, e.g.
#   tools/release.sh -DWORDMEADOW_PUBLISHER_URL=https://your.site.example/
# Needs what building the program needs, plus the Debian packages g++-mingw-w64-x86-64-posix,
# binutils-mingw-w64-x86-64, nsis, wixl, msitools, dpkg-dev, file, git and emscripten
# (tools/dev release installs them).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dist="$root/dist"
work="${WORDMEADOW_RELEASE_DIR:-$root/build-release}"
jobs="$(nproc 2>/dev/null || echo 2)"

# The zip's file times are the last commit's time, not the hour of the build.
SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct)"
export SOURCE_DATE_EPOCH

echo "Debian package"
cmake -S "$root" -B "$work/linux" -DCMAKE_BUILD_TYPE=Release -DWORDMEADOW_WERROR=ON "$@" >/dev/null
cmake --build "$work/linux" -j "$jobs"
rm -rf "$work/linux/package"
cpack --config "$work/linux/CPackConfig.cmake" -G DEB -B "$work/linux/package" >/dev/null

echo "Windows setup program, MSI and zip"
cmake -S "$root" -B "$work/windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DWORDMEADOW_WERROR=ON "$@" >/dev/null
cmake --build "$work/windows" -j "$jobs" --target wordmeadow_windows_packages

echo "Browser program"
# Debian's Emscripten finds its JavaScript parser (node-acorn) only there.
NODE_PATH=/usr/share/nodejs emcmake cmake -S "$root" -B "$work/web" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DWORDMEADOW_WERROR=ON "$@" >/dev/null
NODE_PATH=/usr/share/nodejs cmake --build "$work/web" -j "$jobs"

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/windows/CMakeCache.txt")"
rm -rf "$dist"
mkdir -p "$dist"
cp "$work/linux/package/wordmeadow_${version}_amd64.deb" \
  "$work/windows/wordmeadow-${version}-setup.exe" \
  "$work/windows/wordmeadow-${version}-x64.msi" \
  "$work/windows/wordmeadow-${version}-windows-x64.zip" "$dist/"

# The site as a folder named for the address it is likely served at. Made by Python's zipfile
# so that the same sources give the same zip: names in a stable order, the commit's file times,
# and none of the access or change times that other zip makers add.
python3 - "$work/web/site" "$dist/wordmeadow-${version}-web.zip" <<'PYTHON'
import os, sys, time, zipfile
site, out = sys.argv[1:]
stamp = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for folder, dirs, files in sorted(os.walk(site)):
        for name in sorted(files):
            path = os.path.join(folder, name)
            info = zipfile.ZipInfo("wordmeadow/" + os.path.relpath(path, site), stamp)
            info.external_attr = (os.stat(path).st_mode & 0o777 | 0o100000) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                z.writestr(info, f.read())
PYTHON

echo "Source tarball of $(git -C "$root" rev-parse --short HEAD)"
if [[ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]]; then
  echo "note: the working tree has uncommitted changes; the tarball holds the last commit only"
fi
git -C "$root" archive --format=tar.gz --prefix="wordmeadow-${version}/" \
  -o "$dist/wordmeadow-${version}.tar.gz" HEAD

(cd "$dist" && sha256sum -- *.deb *.exe *.msi *.zip *.tar.gz >SHA256SUMS && sha256sum -c --quiet SHA256SUMS)
echo "In $dist:"
ls -l "$dist"
