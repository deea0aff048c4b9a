#!/usr/bin/env bash
# cmake --install into a scratch prefix: the program, its debug file, man
# page, changelog, the sample data and README are in place; the program is
# stripped and hardened, --help names the installed sample data, and its
# run-time error report still names routine, line and file, from the debug
# file under the prefix's lib/debug.
#   InstallTest.sh BUILD_DIR
source "$(dirname "$0")/TestLib.sh"
build=$1
prefix=$scratch/prefix

cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log"; fail "cmake --install"; finish; }

exe=$prefix/bin/kelmarosz
for f in bin/kelmarosz "lib/debug$(realpath "$prefix")/bin/kelmarosz.debug" share/man/man1/kelmarosz.1.gz \
         share/doc/kelmarosz/README.md share/doc/kelmarosz/changelog.gz \
         "share/kelmarosz/data/4x8_1,5x3,8_ures.dat" share/kelmarosz/data/pelda_2x3.dat; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$exe" ] || fail "the program is not executable"
for gz in share/man/man1/kelmarosz.1.gz share/doc/kelmarosz/changelog.gz; do
  gzip -t "$prefix/$gz" || fail "not gzip: $gz"
done

# Stripped, as distributions ship programs: no symbols, no debug sections.
expect_contains "file" "$(file -b "$exe")" ", stripped$"
sections=$(readelf -SW "$exe")
[[ $sections != *.debug_* && $sections != *" .symtab "* ]] || fail "not stripped: $sections"
# Hardened: relocations read-only before main (RELRO, bind-now), the stack
# protector, and fortified C library calls (but in the sanitizer build).
expect_contains "dynamic section" "$(readelf -dW "$exe")" "\(FLAGS\) +BIND_NOW|\(FLAGS_1\) +Flags: NOW"
expect_contains "program headers" "$(readelf -lW "$exe")" "^ +GNU_RELRO "
symbols=$(readelf --dyn-syms -W "$exe")
expect_contains "imported symbols" "$symbols" " __stack_chk_fail"
[[ $symbols == *" __asan_"* ]] || expect_contains "imported symbols" "$symbols" " __[a-z]+_chk@"

out=$("$exe" --help 0<&-)
expect_contains "--help of the installed program" "$out" "^  $(realpath "$prefix")/share/kelmarosz/data$"

# The installed sample data works as the program reads it: the 2 x 3
# example through to its result page.
(cd "$prefix/share/kelmarosz/data" && printf 'pelda_2x3\rabcde' | "$exe" >/dev/null 2>"$scratch/err")
expect_eq "a whole run on the installed sample: status" 0 $?
expect_eq "a whole run on the installed sample: standard error" "" "$(cat "$scratch/err")"

# N = 10: run-time error 201 in BEOLVAS, called from main.
mkdir "$scratch/run"
printf '10 1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n' >"$scratch/run/tiz_sor.dat"
(cd "$scratch/run" && printf 'tiz_sor\r' | "$exe" >/dev/null 2>"$scratch/err")
expect_eq "N = 10: status" 201 $?
report=$(tr -d '\r' <"$scratch/err")
expect_contains "report" "$report" '^Runtime error 201 at \$[0-9A-F]+$'
expect_contains "report" "$report" '^  \$[0-9A-F]+  BEOLVAS,  line [0-9]+ of kelmarosz\.cpp$'
expect_contains "report" "$report" '^  \$[0-9A-F]+  main,  line [0-9]+ of kelmarosz\.cpp$'

finish
