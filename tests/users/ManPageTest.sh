#!/usr/bin/env bash
# The man page formats without a warning from man or groff, in a UTF-8 and
# in the plain locale, and names the version the program reports.
#   ManPageTest.sh MAN_PAGE VERSION
source "$(dirname "$0")/TestLib.sh"
page=$1
version=$2

for locale in C.UTF-8 C; do
  LC_ALL=$locale MANWIDTH=80 man --warnings -l "$page" >"$scratch/out" 2>"$scratch/warnings"
  expect_eq "man in $locale: status" 0 $?
  expect_eq "man in $locale: warnings" "" "$(cat "$scratch/warnings")"
  for section in SYNOPSIS DESCRIPTION "DATA FILE" KEYS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
    grep -q "^$section\$" "$scratch/out" || fail "man in $locale: no section $section"
  done
done

expect_contains "the title line" "$(grep '^\.TH' "$page")" "\"kelmarosz $version\""

finish
