#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz and runs
# each for a bounded time on a scratch copy of its seed corpus (the committed
# corpus never grows by itself), as many at once as there are cores. A
# crashing, leaking or hanging input is kept in tests/fuzz/regressions/<target>/,
# where the corpus replay test of the normal suite runs it again, and the
# script fails.
#   scripts/fuzz.sh [SECONDS]  seconds per target (default $FUZZ_SECONDS, or 30);
#                              give a long time for a real search, e.g. 3600
#   FUZZ_TARGETS   targets to run (default: all four)
#   FUZZ_BUILD_DIR build directory (default build-fuzz; relative to the tree)
#   FUZZ_JOBS      targets run at once (default: the number of cores)
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECS=${1:-${FUZZ_SECONDS:-30}}
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
[[ $BUILD == /* ]] || BUILD=$ROOT/$BUILD
JOBS=${FUZZ_JOBS:-$(nproc)}
read -r -a TARGETS <<< "${FUZZ_TARGETS:-data_file number_parser key_decoder console}"
[[ $SECS =~ ^[0-9]+$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DKELMAROSZ_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
build_targets=()
for t in "${TARGETS[@]}"; do build_targets+=(--target "fuzz_$t"); done
cmake --build "$BUILD" "${build_targets[@]}" -j"$(nproc)" >"$BUILD/fuzz-build.log" 2>&1 || {
    tail -40 "$BUILD/fuzz-build.log"
    echo "fuzz: build failed"
    exit 1
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kelmarosz-fuzzrun-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Runs one target; its exit code and seed count are left in its folder.
fuzz_one() {
    local t=$1 work=$scratch/$1 seeds=0 d f
    mkdir -p "$work/corpus" "$work/artifacts"
    for d in tests/fuzz/corpus/$t tests/fuzz/regressions/$t; do
        [ -d "$d" ] || continue
        for f in "$d"/*; do
            [ -f "$f" ] || continue
            cp "$f" "$work/corpus/$(basename "$d")_$(basename "$f")"
            seeds=$((seeds + 1))
        done
    done
    echo "$seeds" >"$work/seeds"
    # The harnesses' own scratch files land in $work too, even after a crash.
    (cd "$work" && TMPDIR="$work" "$BUILD/tests/fuzz/fuzz_$t" -max_total_time="$SECS" -print_final_stats=1 \
        -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$work/artifacts/" "$work/corpus") \
        >"$work/log" 2>&1
    echo $? >"$work/rc"
}

for t in "${TARGETS[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n; done
    fuzz_one "$t" &
done
wait

status=0
for t in "${TARGETS[@]}"; do
    work=$scratch/$t
    rc=$(cat "$work/rc" 2>/dev/null || echo "?")
    execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$work/log")
    size=$(find "$work/corpus" -type f | wc -l)
    if [ "$rc" = 0 ]; then
        echo "fuzz $t: ok, ${execs:-?} executions in ${SECS} s, corpus ${size} inputs ($(cat "$work/seeds") seeds)"
    else
        status=1
        mkdir -p "tests/fuzz/regressions/$t"
        kept=()
        for a in "$work"/artifacts/*; do
            [ -f "$a" ] || continue
            cp "$a" "tests/fuzz/regressions/$t/"
            kept+=("tests/fuzz/regressions/$t/$(basename "$a")")
        done
        echo "fuzz $t: FAILED (exit $rc) after ${execs:-?} executions, corpus ${size} inputs"
        grep -E "FUZZ CHECK FAILED|ERROR: AddressSanitizer|runtime error:|ERROR: libFuzzer|SUMMARY" \
            -A3 "$work/log" | head -30
        echo "  kept as regression: ${kept[*]:-none}"
    fi
done
exit $status
