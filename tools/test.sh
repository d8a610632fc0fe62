#!/usr/bin/env bash
# Builds everything and runs every test: the byte-string logic natively under
# AddressSanitizer/UBSan, each fuzz target for a few seconds, then the Windows
# build under Wine (unit, platform and end-to-end tests, and the release
# archives: built by tools/release.sh, unpacked and tested as shipped).
# Installs what is missing first.
#   tools/test.sh            all tests
#   TESSIWOK_SKIP_SLOW=1     leave out the tests labelled "slow"
#   TESSIWOK_FUZZ_SECONDS=N  how long each fuzz target runs (default 4)
#   TESSIWOK_WINE_MUTANTS=1  also put the faults of tools/mutants.txt that only
#                            Wine tests catch into a copy and check that they
#                            are caught (a second Windows build: 10+ minutes)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash tools/setup.sh

exclude=()
if [ -n "${TESSIWOK_SKIP_SLOW:-}" ]; then exclude=(-LE slow); fi

echo "== native build (ASan + UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native --no-tests=error "${exclude[@]}"

echo "== fuzz targets (libFuzzer, ${TESSIWOK_FUZZ_SECONDS:-4} s each)"
cmake --preset fuzz -DTESSIWOK_FUZZ_SECONDS="${TESSIWOK_FUZZ_SECONDS:-4}" >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz --no-tests=error

echo "== mutants: deliberate faults the native and fuzz tests must catch"
mutant_args=()
if [ -n "${TESSIWOK_WINE_MUTANTS:-}" ]; then mutant_args=(--wine); fi
bash tools/mutants.sh "${mutant_args[@]}"

echo "== Windows build, tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows

# One display and one Wine server for the whole run instead of one per test.
source tools/wine-session.sh
wine_session_start "$root/build/windows/wineprefix"
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "== this machine runs no 32-bit programs (wine32's loader does not start;" \
    "dmesg: $(dmesg 2>/dev/null | grep -o '32-bit emulation disabled' | head -1 || true)):" \
    "the x86 tests will be reported as skipped"
fi
ctest --preset windows --no-tests=error "${exclude[@]}"
