#!/usr/bin/env bash
# The command line the GNU way: --help and --version on standard output with
# status 0, a wrong command line refused with status 2 on standard error,
# all with standard input closed and standard output a pipe, the terminal
# untouched; one operand, or one after "--", starts the program.
#   CommandLineTest.sh PROGRAM VERSION INSTALLED_SAMPLE_DATA
source "$(dirname "$0")/TestLib.sh"
exe=$1
version=$2
samples=$3
tree_samples=$(dirname "$(realpath "$exe")")/../data
prompt="Fájlnév (*.dat, opcionális: 4x8_1,5x3,8_ures):"
[ -f "$tree_samples/4x8_1,5x3,8_ures.dat" ] && samples=$(realpath "$tree_samples")

for opt in --help -h; do
  out=$("$exe" "$opt" 0<&- 2>"$scratch/err" | cat)
  status=${PIPESTATUS[0]}
  expect_eq "$opt status" 0 "$status"
  expect_eq "$opt standard error" "" "$(cat "$scratch/err")"
  expect_contains "$opt" "$out" "^Usage: kelmarosz"
  expect_contains "$opt" "$out" 'without "\.dat"'
  expect_contains "$opt" "$out" "current folder"
  expect_contains "$opt" "$out" "Ctrl-C"
  expect_contains "$opt" "$out" "^  130 +ended by Ctrl-C, or standard input ended"
  expect_contains "$opt" "$out" "^Usage: kelmarosz \[OPTION\]\.\.\. \[NAME\]$"
  expect_contains "$opt" "$out" "^  2 +a wrong command line"
  # No escape sequence: the terminal is not set up at all.
  [[ $out != *$'\e'* ]] || fail "$opt writes escape sequences"
  # The sample data: in a build folder inside the source tree its data/
  # folder, otherwise where an install puts it.
  expect_eq "$opt: the sample data" "$samples" "$(grep -A1 "Sample data:" <<<"$out" | tail -1 | sed 's/^ *//')"
done

for opt in --version -V; do
  out=$("$exe" "$opt" 0<&- | cat)
  expect_eq "$opt status" 0 "${PIPESTATUS[0]}"
  expect_eq "$opt" "kelmarosz $version" "$out"
done

# Among other arguments, as GNU programs look for them.
expect_eq "--version after another argument" "kelmarosz $version" "$("$exe" extra --version 0<&-)"

# A text that cannot be written is a failure, not a silent success.
"$exe" --help >/dev/full 2>"$scratch/err" 0<&-
expect_eq "--help into a full disk: status" 1 $?
expect_contains "--help into a full disk" "$(cat "$scratch/err")" "^kelmarosz: write error"
"$exe" --version >&- 2>/dev/null 0<&-
expect_eq "--version with standard output closed: status" 1 $?

# An unknown option or a second operand: the reason and the GNU hint on
# standard error, nothing on standard output, status 2, before the terminal
# is set up (no escape sequence).
while IFS='|' read -r args reason; do
  # shellcheck disable=SC2086
  "$exe" $args 0<&- >"$scratch/out" 2>"$scratch/err"
  expect_eq "[$args] status" 2 $?
  expect_eq "[$args] standard output" "" "$(cat "$scratch/out")"
  expect_eq "[$args] standard error" "kelmarosz: $reason
Try 'kelmarosz --help' for more information." "$(cat "$scratch/err")"
done <<'CASES'
--hlep|unrecognized option '--hlep'
-x|invalid option -- 'x'
--help=yes|option '--help' doesn't allow an argument
pelda_2x3 masik|extra operand 'masik'
-- a --help|extra operand '--help'
CASES

# One operand, also "-" or one after "--", starts the program: typed at the
# prompt (standard output, a file, gets the pages as text), the name fails
# to open, and with standard input closed the keys run out at the prompt.
for args in "-- --help" "-" "file.dat"; do
  # shellcheck disable=SC2086
  (cd "$scratch" && "$exe" $args 0<&- >"$scratch/out" 2>"$scratch/err")
  expect_eq "[$args] status" 130 $?
  expect_line "[$args] standard output" "$(cat "$scratch/out")" "$prompt${args#-- }"
  expect_eq "[$args] standard error" "kelmarosz: standard input ended" "$(cat "$scratch/err")"
done

finish
