#!/usr/bin/env bash
# Builds Tessiwok.exe for 64-bit and for 32-bit Windows and writes the release:
#   dist/Tessiwok-<version>-x64.zip
#   dist/Tessiwok-<version>-x86.zip
#   dist/SHA256SUMS
# Each archive holds one folder, Tessiwok/, with Tessiwok.exe, the Japanese
# guide README-ja.txt and LICENSE.txt. The version is the project's VERSION
# (CMakeLists.txt). One commit gives byte-identical archives: the programs are
# linked without a time stamp or build paths (presets release-x64 and
# release-x86), and every archive entry carries the commit's time.
# Installs what is missing first.
#   TESSIWOK_DIST=<folder>   where to write (default dist/)
#   SOURCE_DATE_EPOCH=<s>    the entries' time instead of the commit's
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash tools/setup.sh

dist=${TESSIWOK_DIST:-$root/dist}
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
mkdir -p "$dist"
rm -f "$dist"/Tessiwok-*.zip "$dist/SHA256SUMS"

archives=()
for arch in x64 x86; do
  echo "== release build for $arch"
  cmake --preset "release-$arch" >/dev/null
  cmake --build --preset "release-$arch"
  build=$root/build/release-$arch
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  [ -n "$version" ] || { echo "release: no project version in $build" >&2; exit 1; }
  name=Tessiwok-$version-$arch.zip
  # Entries in a fixed order, file names in byte order.
  python3 tools/make_zip.py "$dist/$name" "$epoch" \
    "Tessiwok/LICENSE.txt=$build/package/LICENSE.txt" \
    "Tessiwok/README-ja.txt=$build/package/README-ja.txt" \
    "Tessiwok/Tessiwok.exe=$build/Tessiwok.exe"
  archives+=("$name")
done

(cd "$dist" && sha256sum "${archives[@]}" >SHA256SUMS)
echo "== $dist"
(cd "$dist" && ls -l "${archives[@]}" SHA256SUMS && cat SHA256SUMS)
