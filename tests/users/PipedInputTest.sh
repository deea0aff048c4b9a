#!/usr/bin/env bash
# Piped keys that run out, inside an interactive bash as users have it: the
# run ends with status 130 and one line on standard error, and the shell goes
# on with the rest of the command line. (A death by SIGINT would make bash
# take it for the user's Ctrl-C and drop the rest of the line.)
#   PipedInputTest.sh PROGRAM DATA_DIR
source "$(dirname "$0")/TestLib.sh"
exe=$1
data=$2
socket=kelmarosz-users-$$
trap 'tmux -L "$socket" kill-server 2>/dev/null; rm -rf "$scratch"' EXIT

tmux -L "$socket" -f /dev/null new-session -d -x 100 -y 30 -c "$data" \
  env -i PATH="$PATH" HOME="$scratch" TERM=xterm-256color LANG=C.UTF-8 bash --norc --noprofile -i ||
  { fail "tmux did not start"; finish; }

# The name opens the 2 x 3 example; the keys run out at its first table.
# A second command line follows, so that a dropped line shows at once.
tmux -L "$socket" send-keys -l \
  "printf 'pelda_2x3\\r' | '$exe' 2>'$scratch/err'; echo \"\$?\" >'$scratch/after'"
tmux -L "$socket" send-keys Enter
tmux -L "$socket" send-keys -l "echo done >'$scratch/done'"
tmux -L "$socket" send-keys Enter

if wait_for_file "$scratch/done" 30; then
  if [ -f "$scratch/after" ]; then
    expect_eq "the program's status, seen by the next command" 130 "$(cat "$scratch/after")"
  else
    fail "bash dropped the rest of the command line"
  fi
  expect_eq "standard error" "kelmarosz: standard input ended" "$(cat "$scratch/err")"
else
  fail "the shell never got to the next line; the pane shows:
$(tmux -L "$socket" capture-pane -p)"
fi

finish
