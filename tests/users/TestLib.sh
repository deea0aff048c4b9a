# Shared by the users' tests: a scratch folder removed at the end, failures
# that are counted and make the test fail, and waiting with a deadline.
set -u
failures=0
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kelmarosz-users-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
  [ "$2" == "$3" ] || fail "$1: expected [$2], got [$3]"
}

# expect_contains WHAT TEXT PATTERN (an extended regular expression)
expect_contains() {
  grep -Eq -- "$3" <<<"$2" || fail "$1: no match for [$3] in:
$2"
}

# expect_line WHAT TEXT LINE: TEXT has LINE as one of its lines, exactly.
expect_line() {
  grep -Fxq -- "$3" <<<"$2" || fail "$1: no line [$3] in:
$2"
}

# wait_for_file PATH SECONDS: true once PATH exists.
wait_for_file() {
  local deadline=$((SECONDS + $2))
  while [ ! -e "$1" ]; do
    [ $SECONDS -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}
