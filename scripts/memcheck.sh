#!/usr/bin/env bash
# Valgrind memcheck of two whole runs of the program, with no terminal:
# standard input is a file of keys (its bytes are the keys, CR/LF is Enter)
# and standard output goes to a file. (a) the 2 x 3 example from the prompt
# to the result page, exit code 0; (b) a file with N = 10, ending in
# run-time error 201 with its report; (c) keys that run out at the second
# table, ending with status 130. Fails on any invalid access or read of
# uninitialised memory (valgrind's exit code 99), or on a wrong exit code.
#   MEMCHECK_BUILD_DIR  build directory (default build-fuzz-memcheck)
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${MEMCHECK_BUILD_DIR:-build-fuzz-memcheck}
[[ $BUILD == /* ]] || BUILD=$ROOT/$BUILD

command -v valgrind >/dev/null || { echo "memcheck: valgrind is not installed (scripts/setup.sh --tests)"; exit 1; }
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$BUILD" --target kelmarosz -j2 >"$BUILD/memcheck-build.log" 2>&1 || {
    tail -30 "$BUILD/memcheck-build.log"
    echo "memcheck: build failed"
    exit 1
}
PROGRAM=$BUILD/kelmarosz

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kelmarosz-memcheck-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cp data/pelda_2x3.dat "$scratch/"
printf '10 1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n' >"$scratch/tiz_sor.dat"
# The name, Enter, then one key for each of the five tables.
printf 'pelda_2x3\rabcde' >"$scratch/keys_2x3"
printf 'tiz_sor\r' >"$scratch/keys_201"
printf 'pelda_2x3\ra' >"$scratch/keys_short"

status=0
# name, keys file, expected exit code
run() {
    local name=$1 keys=$2 want=$3
    (cd "$scratch" && valgrind --tool=memcheck --error-exitcode=99 --track-origins=yes \
        --leak-check=no --suppressions="$ROOT/scripts/memcheck.supp" \
        --log-file="$scratch/$name.valgrind" \
        "$PROGRAM" <"$scratch/$keys" >"$scratch/$name.out" 2>"$scratch/$name.err")
    local rc=$?
    local summary
    summary=$(grep "ERROR SUMMARY" "$scratch/$name.valgrind" | sed 's/^==[0-9]*== //')
    if [ $rc -eq "$want" ] && [[ $summary == "ERROR SUMMARY: 0 errors"* ]]; then
        echo "memcheck $name: ok (exit $rc) -- $summary"
    else
        status=1
        echo "memcheck $name: FAILED (exit $rc, expected $want) -- $summary"
        grep -v "^==[0-9]*== *$" "$scratch/$name.valgrind" | head -60
        echo "-- standard error of the program:"
        head -20 "$scratch/$name.err"
    fi
}
run example_2x3 keys_2x3 0
run error_201 keys_201 201
run keys_run_out keys_short 130
exit $status
