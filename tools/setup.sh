#!/usr/bin/env bash
# Installs what building and running Tessiwok needs on a Debian machine, once.
# Safe to run again: it only installs what is missing.
set -euo pipefail

# wine32 runs 32-bit Windows programs (the x86 archive and the tests built
# for it) beside the 64-bit Wine, in the same prefix, as 64-bit Windows does.
packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 wine32:i386 xvfb xauth x11-utils imagemagick
  fonts-ipafont-gothic locales tzdata
  googletest cmake ninja-build clang libclang-rt-14-dev python3
  zlib1g-dev libbrotli-dev libzstd-dev libz-mingw-w64-dev dpkg-dev
  chromium brotli zstd gzip
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# wine32 is an i386 package: the architecture comes first (apt-get update
# below then reads its package lists).
if [ "$(dpkg --print-architecture)" != i386 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture for wine32"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page (932) from a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  "${sudo_cmd[@]}" sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi

# Brotli's and Zstandard's decoders for both Windows targets, from Debian's
# sources (once; zlib comes from libz-mingw-w64-dev above).
bash "$(dirname "${BASH_SOURCE[0]}")/deps.sh"
