#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in a prefix of their own
# (build/windows/bench-prefix, or the name in TESSIWOK_BENCH_PREFIX: a folder
# of build/windows, or an absolute path), printing their figures.
#   tools/bench.sh collect 1000 10000     one benchmark with its arguments
#   tools/bench.sh                        every benchmark with its defaults
# A benchmark that cannot run (no display, a program that does not start)
# says so in one line and the script ends with its exit code.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# bench_bare_dialog is bench_startup's baseline, which that one runs itself.
names=()
for src in bench/*.cpp; do
  name=$(basename "$src" .cpp)
  [ "$name" = bare_dialog ] || names+=("$name")
done
if [ $# -gt 0 ] && [[ ! " ${names[*]} " == *" $1 "* ]]; then
  echo "bench: no benchmark \"$1\"; there are: ${names[*]}" >&2
  exit 2
fi

bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

# chromium_collect reads a blockfile cache of 10,000 entries that Debian's
# chromium writes once, kept beside the build trees.
if [ $# -eq 0 ] || [ "$1" = chromium_collect ]; then
  python3 tools/make_chromium_caches.py build/chromium-bench --many 10000
fi

prefix=${TESSIWOK_BENCH_PREFIX:-bench-prefix}
case $prefix in /*) ;; *) prefix=$root/build/windows/$prefix ;; esac
[ -f "$prefix/system.reg" ] || echo "bench: $prefix is new: Wine makes it first (about 10 s), its URL cache is empty"
source "$root/tools/wine-session.sh"
wine_session_start "$prefix"
cd build/windows/bench
if [ $# -gt 0 ]; then
  name=$1; shift
  wine "./bench_$name.exe" "$@"
else
  for name in "${names[@]}"; do echo "== bench_$name.exe"; wine "./bench_$name.exe"; done
fi
