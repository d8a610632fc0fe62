#!/usr/bin/env bash
# Runs a Windows program under Wine the way every test and the demo expect:
# a prefix of the build tree's own (never ~/.wine), code page 932 through the
# Japanese locale, no debug chatter, and an Xvfb display when there is none.
#   TESSIWOK_PREFIX  the Wine prefix to use (default: wineprefix/ beside the
#                    program's build tree, found from the working directory)
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
export WINEPREFIX=$TESSIWOK_PREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEARCH=win64
export TZ=${TZ:-Asia/Tokyo}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Wine links COM1-9 and LPT1-9 to the machine's ports at every start; a test
  # that names a device must never reach real hardware.
  for n in 1 2 3 4 5 6 7 8 9; do
    for dev in com lpt; do
      ln -sfn /dev/null "$WINEPREFIX/dosdevices/$dev$n" 2>/dev/null || true
    done
  done
) 9>"$WINEPREFIX.lock"

exec wine "$@"
