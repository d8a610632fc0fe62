#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in a prefix of their own
# (build/windows/bench-prefix, or the name in TESSIWOK_BENCH_PREFIX), printing
# their figures.
#   tools/bench.sh collect 1000 10000     one benchmark with its arguments
#   tools/bench.sh                        every benchmark with its defaults
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

source tools/wine-session.sh
wine_session_start "$root/build/windows/${TESSIWOK_BENCH_PREFIX:-bench-prefix}"
cd build/windows/bench
if [ $# -gt 0 ]; then
  name=$1; shift
  wine "./bench_$name.exe" "$@"
else
  for exe in bench_*.exe; do echo "== $exe"; wine "./$exe"; done
fi
