#!/usr/bin/env bash
# Puts each deliberate fault of tools/mutants.txt into a copy of the sources,
# one at a time, rebuilds what it touches and runs the tests that must catch
# it. Prints "killed" or "survived" per mutant and fails when any survives or
# cannot be applied (its text is no longer in the source) or built.
#   tools/mutants.sh            the native and fuzz mutants (about 3 minutes)
#   tools/mutants.sh --wine     the ones under Wine too (a Windows build of the
#                               copy and a Wine prefix of its own: 10+ minutes)
#   tools/mutants.sh NAME...    only these mutants
# The copy lives in build/mutants/; the worktree is never changed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
list=$root/tools/mutants.txt
fuzz_seconds=${TESSIWOK_FUZZ_SECONDS:-4}

wine=0
only=()
for arg in "$@"; do
  case $arg in
    --wine) wine=1 ;;
    *) only+=("$arg") ;;
  esac
done

work=$root/build/mutants
src=$work/src
rm -rf "$src"
mkdir -p "$src"
# The sources without build trees or version control.
tar -C "$root" --exclude=./build --exclude=./.git --exclude=./wineprefix --exclude='*.lock' -cf - . | tar -C "$src" -xf -
# The test data that lives beside the sources (../shared) is found beside the copy too.
if [ -d "$root/../shared" ]; then ln -sfn "$(cd "$root/../shared" && pwd)" "$work/shared"; fi

# name, who, file, find, replace: one mutant per line, " ||| " between fields.
names=() whos=() files=() finds=() replaces=()
while IFS= read -r line; do
  case $line in '#'*|'') continue ;; esac
  rest=$line
  fields=()
  while [[ $rest == *' ||| '* ]]; do fields+=("${rest%% ||| *}"); rest=${rest#* ||| }; done
  fields+=("$rest")
  if [ "${#fields[@]}" -ne 5 ]; then echo "mutants: bad line: $line" >&2; exit 2; fi
  if [ "${#only[@]}" -gt 0 ] && [[ ! " ${only[*]} " == *" ${fields[0]} "* ]]; then continue; fi
  if [[ ${fields[1]} == wine:* ]] && [ "$wine" -eq 0 ]; then continue; fi
  names+=("${fields[0]}") whos+=("${fields[1]}") files+=("${fields[2]}") finds+=("${fields[3]}") replaces+=("${fields[4]}")
done <"$list"

need_native=0 need_fuzz=0 need_wine=0
for who in "${whos[@]}"; do
  case $who in native:*) need_native=1 ;; fuzz:*) need_fuzz=1 ;; wine:*) need_wine=1 ;; esac
done

# Build trees of the copy, configured and built once from the unchanged
# sources; each mutant then rebuilds only what its file feeds.
native_flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
if [ "$need_native" -eq 1 ]; then
  cmake -S "$src" -B "$work/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
    -DCMAKE_CXX_FLAGS="$native_flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  cmake --build "$work/native" --target native_tests >/dev/null
fi
if [ "$need_fuzz" -eq 1 ]; then
  cmake -S "$src" -B "$work/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_COMPILER=clang -DTESSIWOK_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer" >/dev/null
  cmake --build "$work/fuzz" >/dev/null
fi
if [ "$need_wine" -eq 1 ]; then
  cmake -S "$src" -B "$work/windows" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" -DTESSIWOK_X86_TESTS=OFF \
    -DTESSIWOK_DEPS_DIR="$root/build/deps" >/dev/null
  cmake --build "$work/windows" >/dev/null
  source "$root/tools/wine-session.sh"
  wine_session_start "$work/windows/wineprefix"
fi

# Runs the tests named by who; true when they pass (the mutant survives).
tests_pass() {
  local who=$1 target
  stage=""
  case $who in
    native:*)
      "$work/native/tests/native/native_tests" --gtest_filter="${who#native:}" >"$work/last.log" 2>&1 ;;
    fuzz:*)
      IFS=, read -ra targets <<<"${who#fuzz:}"
      for target in "${targets[@]}"; do
        local seeds=$src/fuzz/corpus/$target scratch=$work/corpus-$target
        rm -rf "$scratch" && mkdir -p "$scratch"
        # The seeds first, each once: a difference they show is found every time.
        stage=", $target's seeds"
        "$work/fuzz/fuzz/$target" -runs=0 -artifact_prefix="$work/" "$seeds" >"$work/last.log" 2>&1 || return 1
        stage=", fuzzing $target"
        ( cd "$work" && "$work/fuzz/fuzz/$target" -max_total_time="$fuzz_seconds" -seed=1 -rss_limit_mb=2048 -artifact_prefix="$work/" \
            "$scratch" "$seeds" >"$work/last.log" 2>&1 ) || return 1
      done ;;
    wine:*)
      ctest --test-dir "$work/windows" -R "${who#wine:}" --timeout 900 >"$work/last.log" 2>&1 ;;
  esac
}

rebuild() {
  case $1 in
    native:*) cmake --build "$work/native" --target native_tests ;;
    fuzz:*) cmake --build "$work/fuzz" ;;
    wine:*) cmake --build "$work/windows" ;;
  esac
}

killed=0 failed=0
for i in "${!names[@]}"; do
  name=${names[$i]} who=${whos[$i]} file=$src/${files[$i]}
  backup=$work/original
  cp -p "$file" "$backup"
  if ! FIND=${finds[$i]} REPLACE=${replaces[$i]} python3 - "$file" <<'PY'
import os, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
find, replace = os.environ["FIND"], os.environ["REPLACE"]
if text.count(find) != 1:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(find, replace))
PY
  then
    echo "mutant $name: not applied (the text to find is not in ${files[$i]} exactly once)"
    failed=$((failed + 1))
    continue
  fi
  if ! rebuild "$who" >"$work/build.log" 2>&1; then
    echo "mutant $name: does not build (see $work/build.log)"
    failed=$((failed + 1))
  elif tests_pass "$who"; then
    echo "mutant $name: survived ($who)"
    failed=$((failed + 1))
  else
    echo "mutant $name: killed ($who$stage)"
    killed=$((killed + 1))
  fi
  cp -p "$backup" "$file"
  touch "$file"  # older than the mutant's objects otherwise
done

echo "mutants: $killed killed, $failed failed"
[ "$failed" -eq 0 ]
