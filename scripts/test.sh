#!/usr/bin/env bash
# Fresh machine: install what is missing, then build and run the whole suite:
# CTest on a normal build and on an AddressSanitizer/UBSan build, every fuzz
# target for a bounded time, and memcheck runs of whole program runs.
# Ends with one line "N passed, N failed" over all of it.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

passed=0
failed=0
logdir=$(mktemp -d "${TMPDIR:-/tmp}/kelmarosz-test-XXXXXX")
trap 'rm -rf "$logdir"' EXIT

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

suite() {
  local dir=$1; shift
  if scripts/build.sh "$dir" "$@"; then
    (cd "$dir" && ctest --output-on-failure -j2) 2>&1 | tee "$logdir/$dir.log"
    count_ctest "$logdir/$dir.log"
  else
    echo "FAILED: build of $dir"
    failed=$((failed + 1))
  fi
}

suite build
suite build-asan -DKELMAROSZ_SANITIZE=ON
step fuzzing scripts/fuzz.sh
step memcheck env MEMCHECK_BUILD_DIR=build scripts/memcheck.sh

echo
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
