#!/usr/bin/env bash
# Installs the Debian packages that are missing, and only those:
#   scripts/setup.sh           what building and running the program needs
#   scripts/setup.sh --tests   that, and what the test suite needs too
# As root it runs apt-get itself, otherwise through sudo when sudo may. When
# it can do neither (no sudo, or sudo refuses), or the install fails, it
# prints the one command line to run as root and stops with status 1.
set -uo pipefail

# A compiler, CMake and terminfo's development files (libtinfo and term.h).
PACKAGES=(g++ make cmake libncurses-dev)
# GoogleTest, tmux for the end-to-end runs, clang with its libFuzzer runtime,
# valgrind, for the install, package and man page tests dpkg-shlibdeps,
# file, lintian and man, and for keys typed on real terminals an X server,
# xterm, urxvt, kitty and xdotool.
TEST_PACKAGES=(libgtest-dev tmux clang libclang-rt-14-dev valgrind dpkg-dev file lintian man-db
  xvfb xterm rxvt-unicode kitty xdotool)

case "${1:-}" in
  "") ;;
  --tests) PACKAGES+=("${TEST_PACKAGES[@]}") ;;
  *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)
  [[ $status == *" installed" ]] || missing+=("$p")
done
((${#missing[@]})) || exit 0

# With the package lists too: a fresh machine or a container has none.
line="apt-get update && apt-get install --no-install-recommends ${missing[*]}"
give_up() {
  echo "setup: $1" >&2
  echo "setup: as root, run this, then start again:" >&2
  echo >&2
  echo "    $line" >&2
  echo >&2
  exit 1
}

# No questions from the packages' configuration (sudo would drop a variable
# merely exported).
run=(env DEBIAN_FRONTEND=noninteractive)
if [ "$(id -u)" -eq 0 ]; then
  :
elif ! command -v sudo >/dev/null; then
  give_up "missing packages: ${missing[*]}; not root, and there is no sudo."
else
  # sudo is asked once, up front, so that its refusal is told as such. It
  # may ask for the password only where someone can type it.
  ask=(-n)
  [ -t 0 ] && ask=()
  if ! refusal=$(sudo "${ask[@]}" true 2>&1 >/dev/null); then
    give_up "missing packages: ${missing[*]}; not root, and sudo refused: ${refusal//$'\n'/ }"
  fi
  run=(sudo "${run[@]}")
fi

echo "setup: installing ${missing[*]}" >&2
"${run[@]}" apt-get update -qq || give_up "apt-get update failed."
"${run[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" ||
  give_up "installing ${missing[*]} failed."
