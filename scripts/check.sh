#!/usr/bin/env bash
# The checking builds that CI runs after the tests, each in a build folder of its own:
#   asan  the whole suite built with the address and undefined-behaviour checkers (build-asan)
#   tsan  the thread tests built with the thread checker (build-tsan)
#   fuzz  every fuzz target run on its seed corpus for a while (build-asan as well: one
#         clang build with the checkers serves the suite and, with coverage, the fuzzers)
# Usage: bash scripts/check.sh [asan] [tsan] [fuzz] [--fuzz-seconds N]
# Without a part named, all three run. Installs what it needs (Debian 12, as root or with
# sudo); ends with one line per part and exits nonzero when any part found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

parts=()
fuzz_seconds=30
while [ $# -gt 0 ]; do
  case "$1" in
    asan|tsan|fuzz) parts+=("$1") ;;
    --fuzz-seconds) fuzz_seconds="$2"; shift ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
  shift
done
[ "${#parts[@]}" -gt 0 ] || parts=(asan tsan fuzz)

bash scripts/setup.sh --packages-only
jobs="$(nproc)"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Checking builds keep line numbers for the reports. The address checker's build, which the
# fuzzers share, is clang's and unoptimised, the quickest to build. The thread checker's
# build stays with g++ and -O1, which was the quicker pair there and keeps the threaded
# tests fast.
# The checking builds never run the README's picture tools, so they do not build them.
common=(-G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_PICTURE_TOOLS=OFF "${launcher[@]}")
clang=(-DCMAKE_CXX_COMPILER=clang++)
unoptimised="-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g1"
optimised="-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1"

# Tests never touch the user's own registry or program folder.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen
export TESSARO_REGISTRY="$scratch/registry.dat" TESSARO_HOME="$scratch/home" TESSARO_SYSTEM_DIR="$scratch/system"

declare -A result

# (The parts run as conditions, where `set -e` does not act: each step is chained.)
# The population campaign steps hours of valve time; unoptimised under the checkers it would
# take most of the run, and its code paths are the suite's: the optimised build runs it. The
# command line's end-to-end tests over HSE (label over_hse) time their Ctrl+C for the
# optimised build; the HSE code runs under the checkers in the library's own tests.
configure_asan() {
  cmake -S . -B build-asan "${common[@]}" "${clang[@]}" "$unoptimised" -DTESSARO_ASAN=ON -DTESSARO_FUZZ=ON
}

run_asan() {
  configure_asan &&
  cmake --build build-asan -j"$jobs" &&
  (cd build-asan &&
   ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1" \
   UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
   ctest --output-on-failure --timeout 300 -j"$jobs" -LE "population|over_hse")
}

run_tsan() {
  cmake -S . -B build-tsan "${common[@]}" "$optimised" -DTESSARO_TSAN=ON &&
  cmake --build build-tsan -j"$jobs" --target thread_tests &&
  (cd build-tsan &&
   TSAN_OPTIONS="suppressions=$root/scripts/tsan-suppressions.txt:halt_on_error=1:second_deadlock_stack=1" \
   ctest --output-on-failure --timeout 300 -j"$jobs" -L threads)
}

run_fuzz() {
  configure_asan || return 1
  cmake --build build-asan -j"$jobs" --target fuzz_targets || return 1
  local findings="$root/build-asan/findings" work="$scratch/fuzz" failed=0
  rm -rf "$findings"
  mkdir -p "$findings"
  # One fuzzer per core at a time; new inputs go to a scratch folder, the tree's corpus is
  # only read.
  local running=0 target name
  for target in build-asan/fuzz/fuzz_*; do
    name="${target##*/fuzz_}"
    mkdir -p "$work/$name" "$findings/$name"
    "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/$name/" "$work/$name" "fuzz/corpus/$name" >"$findings/$name.log" 2>&1 &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
      wait -n || failed=1
      running=$((running - 1))
    fi
  done
  while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
  done
  for target in build-asan/fuzz/fuzz_*; do
    name="${target##*/fuzz_}"
    if grep -qE '^==[0-9]+==ERROR|runtime error|^SUMMARY|Test unit written' "$findings/$name.log"; then
      echo "fuzz_$name found a fault; the input is in $findings/$name/, the report:"
      grep -E -A40 '^==[0-9]+==ERROR|runtime error' "$findings/$name.log" | head -60
      failed=1
    else
      echo "fuzz_$name: $(grep -E '^Done [0-9]+ runs' "$findings/$name.log" || echo 'no summary')"
      rmdir "$findings/$name" 2>/dev/null || true
    fi
  done
  return "$failed"
}

status=0
for part in "${parts[@]}"; do
  echo "==== $part"
  if "run_$part"; then result[$part]=clean; else result[$part]=FAILED; status=1; fi
done
echo
passed=0 failed=0
for part in "${parts[@]}"; do
  echo "check $part: ${result[$part]}"
  if [ "${result[$part]}" = clean ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "checks: $passed passed, $failed failed"
exit "$status"
