#!/usr/bin/env bash
# Runs a Windows program under Wine the way every test and the demo expect:
# a prefix of the build tree's own (never ~/.wine), code page 932 through the
# Japanese locale, no debug chatter, and an Xvfb display when there is none.
#   TESSIWOK_PREFIX  the Wine prefix to use (default: wineprefix/ beside the
#                    program's build tree, found from the working directory)
#   TESSIWOK_LANG    the Unix locale Wine takes the ANSI code page from
#                    (default ja_JP.UTF-8: 932; C.UTF-8 gives 1252)
#   TZ               the time zone (default Asia/Tokyo, +9 h without summer
#                    time, so that a missing conversion to local time shows;
#                    Wine takes each process's zone from it)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ -z "${TESSIWOK_PREFIX:-}" ]; then
  # ctest runs each test in its build directory; walk up to the tree's root.
  dir=$PWD
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ -f "$dir/CMakeCache.txt" ] || dir=$PWD
  TESSIWOK_PREFIX=$dir/wineprefix
fi
TESSIWOK_PREFIX=$(realpath -m "$TESSIWOK_PREFIX")  # Wine takes an absolute prefix only
export WINEPREFIX=$TESSIWOK_PREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The locale goes to Wine alone (env below): exported here, this shell would
# switch to it itself, and warn where it is missing.
locale_env=(env "LANG=${TESSIWOK_LANG:-ja_JP.UTF-8}" "LC_ALL=${TESSIWOK_LANG:-ja_JP.UTF-8}")
export WINEARCH=win64
export TZ=${TZ:-Asia/Tokyo}

# Debian's wine script starts the 32-bit loader whenever wine32 is installed,
# for 64-bit programs too. A kernel with 32-bit emulation off (dmesg: "32-bit
# emulation disabled") cannot start that loader: then the 64-bit loader is
# used directly, as the script does without wine32, and a 32-bit program is
# skipped (exit 77, ctest's SKIP_RETURN_CODE for the x86 tests).
wine=(wine)
can_run_32bit=1
if [ ! -x /usr/lib/wine/wine ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  can_run_32bit=0
  if [ -x /usr/lib/wine/wine64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    wine=(/usr/lib/wine/wine64)
  fi
fi
pe_machine() {  # the machine field of a PE file's header, e.g. 014c (i386), 8664 (x64)
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$at" ] && od -An -tx2 -j$((at + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}
if [ "$can_run_32bit" -eq 0 ] && [ -f "${1:-}" ] && [ "$(pe_machine "$1")" = 014c ]; then
  echo "wine-run: skipped: $1 is a 32-bit program and this machine runs none" \
    "(its kernel has 32-bit emulation off, or wine32 is missing)" >&2
  exit 77
fi

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$here/wine-run.sh" "$@"
fi
# Under a display that does not answer Wine creates no window at all: say so
# once here rather than in every program that waits for one.
if command -v xdpyinfo >/dev/null 2>&1 && ! xdpyinfo >/dev/null 2>&1; then
  echo "wine-run: no X display answers at DISPLAY=$DISPLAY (unset DISPLAY to get an Xvfb display)" >&2
  exit 1
fi

mkdir -p "$WINEPREFIX"
(
  flock 9
  # A prefix made before wine32 was installed has no 32-bit half
  # (drive_c/windows/syswow64) and never gets one, so 32-bit programs cannot
  # start in it: it is made again (build prefixes hold nothing of their own),
  # once (.wine32 marks a prefix made with wine32 at hand).
  if [ "$can_run_32bit" -eq 1 ] && [ -f "$WINEPREFIX/system.reg" ] &&
     [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ] && [ ! -e "$WINEPREFIX/.wine32" ]; then
    echo "wine-run: $WINEPREFIX has no 32-bit half; making it again" >&2
    wineserver -k 2>/dev/null || true
    rm -rf "${WINEPREFIX:?}"
    mkdir -p "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "${locale_env[@]}" "${wine[@]}" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    if [ "$can_run_32bit" -eq 1 ]; then touch "$WINEPREFIX/.wine32"; fi
  fi
  # Wine links COM1-9 and LPT1-9 to the machine's ports at every start; a test
  # that names a device must never reach real hardware.
  for n in 1 2 3 4 5 6 7 8 9; do
    for dev in com lpt; do
      ln -sfn /dev/null "$WINEPREFIX/dosdevices/$dev$n" 2>/dev/null || true
    done
  done
) 9>"$WINEPREFIX.lock"

exec "${locale_env[@]}" "${wine[@]}" "$@"
