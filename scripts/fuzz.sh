#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz and runs
# each for a bounded time on a scratch copy of its seed corpus (the committed
# corpus never grows by itself). A crashing, leaking or hanging input is kept
# in tests/fuzz/regressions/<target>/, where the corpus replay test of the
# normal suite runs it again, and the script fails.
#   FUZZ_SECONDS   seconds per target (default 30)
#   FUZZ_TARGETS   targets to run (default: all four)
#   FUZZ_BUILD_DIR build directory (default build-fuzz)
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECS=${FUZZ_SECONDS:-30}
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
read -r -a TARGETS <<< "${FUZZ_TARGETS:-data_file number_parser key_decoder console}"

CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DKELMAROSZ_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
build_targets=()
for t in "${TARGETS[@]}"; do build_targets+=(--target "fuzz_$t"); done
cmake --build "$BUILD" "${build_targets[@]}" -j2 >"$BUILD/fuzz-build.log" 2>&1 || {
    tail -40 "$BUILD/fuzz-build.log"
    echo "fuzz: build failed"
    exit 1
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kelmarosz-fuzzrun-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
status=0
for t in "${TARGETS[@]}"; do
    work=$scratch/$t
    mkdir -p "$work/corpus" "$work/artifacts"
    seeds=0
    for d in tests/fuzz/corpus/$t tests/fuzz/regressions/$t; do
        [ -d "$d" ] || continue
        for f in "$d"/*; do
            [ -f "$f" ] || continue
            cp "$f" "$work/corpus/$(basename "$d")_$(basename "$f")"
            seeds=$((seeds + 1))
        done
    done
    # The harnesses' own scratch files land in $work too, even after a crash.
    (cd "$work" && TMPDIR="$work" "$ROOT/$BUILD/tests/fuzz/fuzz_$t" -max_total_time="$SECS" -print_final_stats=1 \
        -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$work/artifacts/" "$work/corpus") \
        >"$work/log" 2>&1
    rc=$?
    execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$work/log")
    size=$(find "$work/corpus" -type f | wc -l)
    if [ $rc -eq 0 ]; then
        echo "fuzz $t: ok, ${execs:-?} executions, corpus ${size} inputs (${seeds} seeds)"
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
