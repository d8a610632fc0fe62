#!/usr/bin/env bash
# Checks the release archives against SHA256SUMS, BUILDINFO.txt against the
# source tree, and the archives' listing (one folder Tessiwok/ with exactly
# its four files), then unpacks each into a fresh folder of the test Wine
# prefix: C:\Tessiwok-unpacked\x64 and ...\x86.
#   unpack.sh <dist folder> <version> <Wine prefix>   (TESSIWOK_PREFIX wins)
set -euo pipefail
# Both folders as absolute paths: the archives are unpacked from inside
# another folder, and Wine takes an absolute prefix only.
dist=$(realpath -m "$1") version=$2
prefix=$(realpath -m "${TESSIWOK_PREFIX:-$3}")
tools=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd)

# A new prefix is made by Wine's first start.
TESSIWOK_PREFIX=$prefix "$tools/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true
[ -d "$prefix/drive_c" ] || { echo "unpack: no drive C: in $prefix" >&2; exit 1; }

(cd "$dist" && sha256sum --check --strict SHA256SUMS)

# BUILDINFO.txt names the commit that the archives were built from and says
# whether tracked files had changes beside it.
root=$(dirname "$tools")
if head=$(git -C "$root" rev-parse HEAD 2>/dev/null); then
  if git -C "$root" diff --quiet HEAD --; then changed=no; else changed=yes; fi
  for line in "commit: $head" "uncommitted changes to tracked files: $changed"; do
    grep -qxF "$line" "$dist/BUILDINFO.txt" || { echo "unpack: $dist/BUILDINFO.txt lacks \"$line\"" >&2; exit 1; }
  done
fi

expected=$'Tessiwok/LICENSE.txt\nTessiwok/README-ja.txt\nTessiwok/THIRD-PARTY-LICENSES.txt\nTessiwok/Tessiwok.exe'
for arch in x64 x86; do
  zip=$dist/Tessiwok-$version-$arch.zip
  grep -q " Tessiwok-$version-$arch.zip\$" "$dist/SHA256SUMS" || { echo "unpack: $zip is not in SHA256SUMS" >&2; exit 1; }
  listing=$(cmake -E tar tf "$zip")
  if [ "$listing" != "$expected" ]; then
    printf 'unpack: %s holds\n%s\ninstead of\n%s\n' "$zip" "$listing" "$expected" >&2
    exit 1
  fi
  target=$prefix/drive_c/Tessiwok-unpacked/$arch
  rm -rf "$target"
  mkdir -p "$target"
  (cd "$target" && cmake -E tar xf "$zip")
  echo "unpacked $zip into $target"
done
