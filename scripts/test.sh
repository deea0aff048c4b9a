#!/usr/bin/env bash
# Fresh machine: install what is missing (the test tools too), then build and
# run the whole suite: CTest on a normal build and on an AddressSanitizer/UBSan
# build, every fuzz target for a short time, and memcheck runs of whole
# program runs. Ends with one line "total: N passed, M failed" over all of it.
#   FUZZ_SECONDS  seconds per fuzz target (default 5; scripts/fuzz.sh runs
#                 them alone for as long as asked)
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests || exit 1

passed=0
failed=0
logdir=$(mktemp -d "${TMPDIR:-/tmp}/kelmarosz-test-XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$logdir"' EXIT

# Adds a CTest run's counts ("N% tests passed, F tests failed out of T").
count_ctest() {
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# One step that counts as a single test.
step() {
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAILED: $name"; failed=$((failed + 1)); fi
}

# Builds a folder with the given CMake options.
build() {
  local dir=$1; shift
  local start=$SECONDS
  if scripts/build.sh "$dir" "$@"; then
    echo "== $dir: built in $((SECONDS - start)) s"
  else
    echo "FAILED: build of $dir"
    failed=$((failed + 1))
    return 1
  fi
}

# A folder's CTest run goes on in the background while the next build or the
# fuzzing runs: its tests mostly wait for terminals, processes and clocks,
# and they hold on a loaded machine.
declare -A tests_pid tests_start
start_tests() {
  tests_start[$1]=$SECONDS
  (cd "$1" && ctest --output-on-failure -j2 >"$logdir/$1.log" 2>&1) &
  tests_pid[$1]=$!
}
# Waits for it, then shows only the tests that failed and the summary.
finish_tests() {
  [ -n "${tests_pid[$1]:-}" ] || return 0
  wait "${tests_pid[$1]}"
  grep -Ev '^ +Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* +Passed +[0-9.]+ sec$' "$logdir/$1.log"
  count_ctest "$logdir/$1.log"
  echo "== $1: tested in the background, done after $((SECONDS - tests_start[$1])) s"
}

if build build -DKELMAROSZ_BUILD_TESTS=ON -DKELMAROSZ_BUILD_BENCH=ON; then start_tests build; fi
# The sanitizer build at -O1 (it compiles faster than at -O2, and the
# reports' line tests hold there too) and without the benchmarks, which
# nothing here runs.
asan_built=false
build build-asan -DKELMAROSZ_SANITIZE=ON -DKELMAROSZ_BUILD_TESTS=ON -DKELMAROSZ_BUILD_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g -DNDEBUG" &&
  asan_built=true
finish_tests build
if $asan_built; then start_tests build-asan; fi

start=$SECONDS
step fuzzing scripts/fuzz.sh "${FUZZ_SECONDS:-5}"
echo "== fuzzing: $((SECONDS - start)) s"
start=$SECONDS
step memcheck env MEMCHECK_BUILD_DIR=build scripts/memcheck.sh
echo "== memcheck: $((SECONDS - start)) s"
finish_tests build-asan

echo
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
