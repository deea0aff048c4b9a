#!/usr/bin/env bash
# scripts/setup.sh asks for what is missing and nothing else, and where it
# cannot install (not root, sudo refusing, or a failing apt-get) it says
# why, prints the one command line to run (package lists first: a fresh
# machine has none) and stops, without installing halfway. The
# system's tools are replaced by stubs: id, dpkg-query, sudo and apt-get.
#   SetupTest.sh SETUP_SCRIPT
source "$(dirname "$0")/TestLib.sh"
setup=$1
stubs=$scratch/stubs
mkdir "$stubs"

cat >"$stubs/id" <<'STUB'
#!/bin/sh
echo "$STUB_UID"
STUB
# Installed: the packages named in STUB_INSTALLED.
cat >"$stubs/dpkg-query" <<'STUB'
#!/bin/sh
for last; do :; done
for p in $STUB_INSTALLED; do
  [ "$p" = "$last" ] && { echo "install ok installed"; exit 0; }
done
echo "dpkg-query: no packages found matching $last" >&2
exit 1
STUB
# sudo works when STUB_SUDO is "yes" and runs the command; otherwise it
# refuses with STUB_SUDO as its message.
cat >"$stubs/sudo" <<'STUB'
#!/bin/sh
echo "sudo $*" >>"$STUB_LOG"
[ "$STUB_SUDO" = yes ] || { echo "$STUB_SUDO" >&2; exit 1; }
[ "$1" = -n ] && shift
exec "$@"
STUB
cat >"$stubs/apt-get" <<'STUB'
#!/bin/sh
echo "apt-get $*" >>"$STUB_LOG"
[ "$STUB_APT" = ok ]
STUB
chmod +x "$stubs"/*

# run UID SUDO APT INSTALLED ARGS...: runs the script with standard input
# not a terminal; sets status, out (both streams) and log (stub calls).
run() {
  : >"$scratch/log"
  out=$(STUB_UID=$1 STUB_SUDO=$2 STUB_APT=$3 STUB_INSTALLED=$4 STUB_LOG=$scratch/log \
        PATH="$stubs:$PATH" bash "$setup" "${@:5}" </dev/null 2>&1)
  status=$?
  log=$(cat "$scratch/log")
}

base_line="apt-get update && apt-get install --no-install-recommends g++ make cmake libncurses-dev"

# Not root, and sudo refuses (a password nobody can type, not in the
# sudoers file): its reason, the line, status 1, nothing installed.
for refusal in "sudo: a password is required" "kelmar is not in the sudoers file.  This incident will be reported."; do
  run 1000 "$refusal" ok ""
  expect_eq "[$refusal] status" 1 "$status"
  expect_line "[$refusal]" "$out" "    $base_line"
  expect_contains "[$refusal]" "$out" "not root, and sudo refused: $refusal\$"
  [[ $out != *"apt-get update failed"* ]] || fail "[$refusal] told as a failed apt-get: $out"
  [[ $log != *apt-get* ]] || fail "[$refusal] apt-get ran: $log"
done

# Only what is missing is asked for; the tests' tools only with --tests.
run 1000 no ok "g++ cmake make"
expect_line "partly installed" "$out" "    apt-get update && apt-get install --no-install-recommends libncurses-dev"
run 1000 no ok "g++ cmake make libncurses-dev" --tests
expect_line "--tests" "$out" \
  "    apt-get update && apt-get install --no-install-recommends libgtest-dev tmux clang libclang-rt-14-dev valgrind dpkg-dev file lintian man-db xvfb xterm rxvt-unicode kitty xdotool"

# Root, but the install fails: the same line and status 1, not a half
# finished setup that goes on.
run 0 no fail ""
expect_eq "failing apt-get: status" 1 "$status"
expect_contains "failing apt-get" "$out" "failed"
expect_line "failing apt-get" "$out" "    $base_line"

# Root with a working apt-get, or sudo rights: installed, status 0.
run 0 no ok ""
expect_eq "root: status" 0 "$status"
expect_line "root: apt-get" "$log" "apt-get install -y -q --no-install-recommends g++ make cmake libncurses-dev"
run 1000 yes ok ""
expect_eq "sudo: status" 0 "$status"
expect_contains "sudo: apt-get" "$log" "^sudo env DEBIAN_FRONTEND=noninteractive apt-get install "

# Nothing missing: nothing run, nothing printed.
run 1000 no ok "g++ cmake make libncurses-dev"
expect_eq "all there: status" 0 "$status"
expect_eq "all there: output" "" "$out"
expect_eq "all there: commands" "" "$log"

finish
