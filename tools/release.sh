#!/usr/bin/env bash
# Builds Tessiwok.exe for 64-bit and for 32-bit Windows and writes the release:
#   dist/Tessiwok-<version>-x64.zip
#   dist/Tessiwok-<version>-x86.zip
#   dist/SHA256SUMS
#   dist/BUILDINFO.txt   the commit, whether tracked files had uncommitted
#                        changes, and the versions of the tools that made the
#                        archives (compilers, binutils, mingw-w64 runtime, zip)
# Each archive holds one folder, Tessiwok/, with Tessiwok.exe, the Japanese
# guide README-ja.txt, LICENSE.txt and THIRD-PARTY-LICENSES.txt (the
# licences of the decoders linked into the program). The version is the project's VERSION
# (CMakeLists.txt). One commit gives byte-identical archives: the programs are
# linked without a time stamp or build paths (presets release-x64 and
# release-x86), every archive entry carries the commit's time, and each build
# tree is configured afresh. Same bytes also need the same tools, which is why
# BUILDINFO.txt names them. Uncommitted changes are built too (the tests use
# this script), but the last line and BUILDINFO.txt say so.
# Installs what is missing first.
#   TESSIWOK_DIST=<folder>   where to write (default dist/)
#   SOURCE_DATE_EPOCH=<s>    the entries' time instead of the commit's
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# A relative TESSIWOK_DIST is the caller's, taken before changing folder.
dist=$(realpath -m "${TESSIWOK_DIST:-$root/dist}")
cd "$root"

bash tools/setup.sh

epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
mkdir -p "$dist"
rm -f "$dist"/Tessiwok-*.zip "$dist/SHA256SUMS" "$dist/BUILDINFO.txt"

commit=$(git rev-parse HEAD 2>/dev/null || echo unknown)
changed=unknown
if [ "$commit" != unknown ]; then
  if git diff --quiet HEAD --; then changed=no; else changed=yes; fi
fi

archives=()
for arch in x64 x86; do
  echo "== release build for $arch"
  # A tree left by an earlier run may hold another compiler's or option's cache.
  cmake --preset "release-$arch" --fresh >/dev/null
  cmake --build --preset "release-$arch"
  build=$root/build/release-$arch
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  [ -n "$version" ] || { echo "release: no project version in $build" >&2; exit 1; }
  name=Tessiwok-$version-$arch.zip
  # Entries in a fixed order, file names in byte order.
  python3 tools/make_zip.py "$dist/$name" "$epoch" \
    "Tessiwok/LICENSE.txt=$build/package/LICENSE.txt" \
    "Tessiwok/README-ja.txt=$build/package/README-ja.txt" \
    "Tessiwok/THIRD-PARTY-LICENSES.txt=$build/package/THIRD-PARTY-LICENSES.txt" \
    "Tessiwok/Tessiwok.exe=$build/Tessiwok.exe"
  archives+=("$name")
done

(cd "$dist" && sha256sum "${archives[@]}" >SHA256SUMS)

package_version() { dpkg-query -W -f='${Package} ${Version}' "$1" 2>/dev/null || echo "$1 (not installed)"; }
{
  echo "commit: $commit"
  echo "uncommitted changes to tracked files: $changed"
  echo "x64 compiler: $(x86_64-w64-mingw32-g++-posix --version | head -1); $(package_version g++-mingw-w64-x86-64-posix)"
  echo "x86 compiler: $(i686-w64-mingw32-g++-posix --version | head -1); $(package_version g++-mingw-w64-i686-posix)"
  echo "x64 binutils: $(x86_64-w64-mingw32-ld --version | head -1); $(package_version binutils-mingw-w64-x86-64)"
  echo "x86 binutils: $(i686-w64-mingw32-ld --version | head -1); $(package_version binutils-mingw-w64-i686)"
  echo "mingw-w64 runtime: $(package_version mingw-w64-x86-64-dev); $(package_version mingw-w64-i686-dev)"
  echo "zlib: $(package_version libz-mingw-w64-dev)"
  # The Brotli and Zstandard sources tools/deps.sh built, and its warning when
  # the archive's newest could not be fetched.
  sed 's/^/decoder sources: /' build/deps/VERSIONS.txt
  # Whichever python3 comes first on PATH writes the archives (not always Debian's).
  echo "zip: $(python3 -c 'import sys, zlib; print("zipfile of Python", sys.version.split()[0], "(" + sys.executable + "), zlib", zlib.ZLIB_RUNTIME_VERSION)')"
  echo "cmake: $(cmake --version | head -1); ninja: $(ninja --version)"
} >"$dist/BUILDINFO.txt"

echo "== $dist"
(cd "$dist" && ls -l "${archives[@]}" SHA256SUMS BUILDINFO.txt && cat SHA256SUMS BUILDINFO.txt)
if [ "$changed" != no ]; then
  echo "release: built from uncommitted changes to tracked files of $commit (changes: $changed): not that commit's release"
else
  echo "release: commit $commit"
fi
