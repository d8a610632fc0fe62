#!/usr/bin/env bash
# Builds the decoders the Windows program links statically, once, from
# Debian's own source packages: Brotli's decoder and Zstandard's decompressor
# for x86_64-w64-mingw32 and i686-w64-mingw32, into
#   build/deps/<triple>/include, build/deps/<triple>/lib
# and writes build/deps/THIRD-PARTY-LICENSES.txt (zlib, Brotli, Zstandard;
# Windows line ends) that both release archives carry, and
# build/deps/VERSIONS.txt for BUILDINFO.txt. zlib itself comes ready-made
# from libz-mingw-w64-dev. Does nothing when this script's own bytes built
# what is there.
#   TESSIWOK_DEPS=<folder>   where to build (default build/deps)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "${TESSIWOK_DEPS:-$root/build/deps}")
triples=(x86_64-w64-mingw32 i686-w64-mingw32)
stamp=$out/stamp
want=$(sha256sum "${BASH_SOURCE[0]}" | cut -d' ' -f1)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then exit 0; fi

start=$SECONDS
rm -rf "$out"
mkdir -p "$out/src"

# The system's own Debian entries, as deb-src, in a private apt configuration:
# the system's sources and lists stay as they are, and no mirror is written
# into the repository. The security archive's entries go in a folder of
# their own (see below).
mkdir -p "$out/apt/all" "$out/apt/release"
python3 - "$out/apt" <<'EOF_PY'
import glob, os, re, sys
entries = []
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for stanza in re.split(r"\n\s*\n", open(path).read()):
        fields = dict(re.findall(r"^([A-Za-z-]+):[ \t]*(.*)$", stanza, re.M))
        if "deb" in fields.get("Types", "").split() and fields.get("Enabled", "yes") != "no":
            for uri in fields.get("URIs", "").split():
                entries.append((uri, fields.get("Suites", ""), fields.get("Components", "")))
try:
    for line in open("/etc/apt/sources.list"):
        words = re.sub(r"\[[^]]*\]", "", line.split("#")[0]).split()
        if len(words) >= 4 and words[0] == "deb":
            entries.append((words[1], words[2], " ".join(words[3:])))
except FileNotFoundError:
    pass
# Debian's archive and its security archive; a third party's repository has no sources to give.
for folder, pattern in (("all", r"/debian(-security)?/?$"), ("release", r"/debian/?$")):
    chosen = [e for e in entries if re.search(pattern, e[0])]
    if not chosen:
        sys.exit("deps: no Debian entry in the system's apt sources")
    with open(os.path.join(sys.argv[1], folder, "debian-src.sources"), "w") as out:
        for uri, suites, components in chosen:
            out.write("Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n"
                      "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n" % (uri, suites, components))
EOF_PY
# apt_private <apt-get|apt-cache> <all|release> <arguments...>
apt_private() {
  local tool=$1 parts=$2
  shift 2
  local sandbox=()
  if [ "$(id -u)" -eq 0 ]; then sandbox=(-o APT::Sandbox::User=root); fi
  "$tool" -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$out/apt/$parts" \
    -o "Dir::State::Lists=$out/apt/lists" -o "Dir::Cache=$out/apt/cache" "${sandbox[@]}" -qq "$@"
}
mkdir -p "$out/apt/lists/partial" "$out/apt/cache/archives/partial"
apt_private apt-get all update
# The newest sources, security updates included. An archive that lists a
# security update but does not serve its sources leaves the release's
# version, which BUILDINFO.txt then names with the warning.
if ! (cd "$out/src" && apt_private apt-get all source --download-only brotli libzstd >/dev/null 2>&1); then
  rm -f "$out"/src/*
  newest=$(apt_private apt-cache all showsrc brotli libzstd 2>/dev/null |
    awk '/^Package: /{p=$2} /^Version: /{print p, $2}' | sort -V | awk '{v[$1]=$2} END{for (p in v) printf "%s %s; ", p, v[p]}')
  echo "deps: WARNING: the sources of the newest versions ($newest) could not be fetched; building the release's" >&2
  (cd "$out/src" && apt_private apt-get release source --download-only brotli libzstd >/dev/null)
  echo "WARNING: built from the release's sources; the archive lists newer ones ($newest) whose sources could not be fetched" >"$out/WARNING.txt"
fi
# Unpacked with Debian's patches applied, as Debian builds them.
for dsc in "$out"/src/*.dsc; do
  name=$(basename "$dsc" .dsc)
  dpkg-source --no-check -x "$dsc" "$out/src/${name%%_*}" >/dev/null
done
brotli=$out/src/brotli zstd=$out/src/libzstd
{
  for dsc in "$out"/src/*.dsc; do basename "$dsc" .dsc | tr _ ' '; done
  cat "$out/WARNING.txt" 2>/dev/null || true
} >"$out/VERSIONS.txt"

# Only what decoding needs. No debug information and no build paths, so
# that the program's bytes do not depend on where this ran.
brotli_sources=("$brotli"/c/common/*.c "$brotli"/c/dec/*.c)
zstd_sources=("$zstd"/lib/common/{debug,entropy_common,error_private,fse_decompress,xxhash,zstd_common}.c
              "$zstd"/lib/decompress/{huf_decompress,zstd_ddict,zstd_decompress,zstd_decompress_block}.c)
cflags=(-O2 -DNDEBUG "-ffile-prefix-map=$out=deps")
# compile <triple> <object folder> <flags...> -- <sources...>: two at a time.
compile() {
  local cc=$1-gcc-posix objects=$2 flags=() jobs=0 failed=0 f
  shift 2
  while [ "$1" != -- ]; do flags+=("$1"); shift; done
  shift
  for f in "$@"; do
    if [ "$jobs" -ge 2 ]; then wait -n || failed=1; jobs=$((jobs - 1)); fi
    "$cc" "${cflags[@]}" "${flags[@]}" -c "$f" -o "$objects/$(basename "$f" .c).o" &
    jobs=$((jobs + 1))
  done
  for ((; jobs > 0; jobs--)); do wait -n || failed=1; done
  [ "$failed" -eq 0 ] || { echo "deps: $cc failed" >&2; exit 1; }
}
for triple in "${triples[@]}"; do
  dir=$out/$triple
  mkdir -p "$dir/obj/brotli" "$dir/obj/zstd" "$dir/lib" "$dir/include/brotli"
  compile "$triple" "$dir/obj/brotli" -I"$brotli/c/include" -- "${brotli_sources[@]}"
  compile "$triple" "$dir/obj/zstd" -DZSTD_LEGACY_SUPPORT=0 -DZSTD_DISABLE_ASM -DZSTD_NO_TRACE -- "${zstd_sources[@]}"
  # D: no time stamps or owners in the archives.
  (cd "$dir/obj/brotli" && "$triple-ar" rcsD "$dir/lib/libbrotlidec.a" $(ls *.o | LC_ALL=C sort))
  (cd "$dir/obj/zstd" && "$triple-ar" rcsD "$dir/lib/libzstd.a" $(ls *.o | LC_ALL=C sort))
  cp "$brotli"/c/include/brotli/{decode.h,port.h,types.h} "$dir/include/brotli/"
  cp "$zstd"/lib/{zstd.h,zstd_errors.h} "$dir/include/"
  rm -rf "$dir/obj"
done

# The licence texts as the sources carry them: zlib's stands at the top of zlib.h.
zlib_header=/usr/${triples[0]}/include/zlib.h
{
  echo "Tessiwok.exe contains the following libraries, each under its own licence."
  echo
  echo "== zlib ($(dpkg-query -W -f='${Version}' libz-mingw-w64-dev), from Debian's libz-mingw-w64-dev)"
  echo
  sed -n '/Copyright (C)/,/madler@/p' "$zlib_header" | sed 's/^  //'
  echo
  echo "== Brotli decoder ($(sed -n 's/^brotli //p' "$out/VERSIONS.txt"), from Debian's source package brotli): MIT License"
  echo
  cat "$brotli/LICENSE"
  echo
  echo "== Zstandard decompressor ($(sed -n 's/^libzstd //p' "$out/VERSIONS.txt"), from Debian's source package libzstd): BSD License"
  echo
  cat "$zstd/LICENSE"
} | sed 's/[[:space:]]*$//; s/$/\r/' >"$out/THIRD-PARTY-LICENSES.txt"
grep -q 'Permission is granted to anyone' "$out/THIRD-PARTY-LICENSES.txt" || { echo "deps: no zlib licence in $zlib_header" >&2; exit 1; }

rm -rf "$out/src" "$out/apt"
echo "$want" >"$stamp"
echo "deps: built Brotli and Zstandard decoders for ${triples[*]} in $((SECONDS - start)) s"
