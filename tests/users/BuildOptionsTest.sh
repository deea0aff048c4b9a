#!/usr/bin/env bash
# The program alone needs neither GoogleTest nor ncurses' full library: with
# the tests off (the benchmarks off or on) the project configures while
# GoogleTest may not be looked for, and the program links libtinfo only.
#   BuildOptionsTest.sh SOURCE_DIR GENERATOR PROGRAM
source "$(dirname "$0")/TestLib.sh"
src=$1
generator=$2
exe=$3

for bench in OFF ON; do
  b=$scratch/bench-$bench
  cmake -S "$src" -B "$b" -G "$generator" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELMAROSZ_BUILD_TESTS=OFF -DKELMAROSZ_BUILD_BENCH=$bench -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; fail "configure with the benchmarks $bench"; continue; }
  grep -Eiq '^(GTEST|NCURSES)' "$b/CMakeCache.txt" &&
    fail "benchmarks $bench: looked for $(grep -Ei '^(GTEST|NCURSES)' "$b/CMakeCache.txt")"
  link=$(cat "$b/CMakeFiles/kelmarosz.dir/link.txt" 2>/dev/null || grep -A3 "build kelmarosz:" "$b/build.ninja")
  expect_contains "benchmarks $bench: the program's link" "$link" "libtinfo\.(so|a)|-ltinfo"
  [[ $link != *ncurses* ]] || fail "benchmarks $bench: the program links ncurses: $link"
done

needed=$(readelf -d "$exe" | grep NEEDED)
expect_contains "the program's libraries" "$needed" "libtinfo\.so"
[[ $needed != *ncurses* ]] || fail "the program needs ncurses: $needed"

finish
