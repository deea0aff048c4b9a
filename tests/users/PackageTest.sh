#!/usr/bin/env bash
# The Debian package: cpack -G DEB builds it with its dependencies worked out
# from the program, it holds what the install holds under /usr (the debug
# file where the system's debug folder has it), its changelog names its
# version and maintainer, the program unpacked from it runs, and lintian
# finds no error but the missing copyright file (no licence is chosen yet).
#   PackageTest.sh BUILD_DIR VERSION
source "$(dirname "$0")/TestLib.sh"
build=$1
version=$2

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack -G DEB"; finish; }
debs=("$scratch"/pkg/*.deb)
expect_eq "packages built" 1 "${#debs[@]}"
deb=${debs[0]}

expect_eq "Package" kelmarosz "$(dpkg-deb -f "$deb" Package)"
expect_eq "Version" "$version" "$(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
expect_contains "Depends" "$depends" "(^|, )libc6 \\(>= [0-9.]+\\)"
expect_contains "Depends" "$depends" "(^|, )libtinfo6 \\(>= [0-9.]+\\)"
[[ $depends != *ncurses* ]] || fail "Depends on ncurses' full library: $depends"
expect_eq "Recommends" "" "$(dpkg-deb -f "$deb" Recommends)"
maintainer=$(dpkg-deb -f "$deb" Maintainer)

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kelmarosz ./usr/lib/debug/usr/bin/kelmarosz.debug ./usr/share/man/man1/kelmarosz.1.gz \
         ./usr/share/doc/kelmarosz/README.md ./usr/share/doc/kelmarosz/changelog.gz \
         "./usr/share/kelmarosz/data/4x8_1,5x3,8_ures.dat"; do
  grep -qF " $f" <<<"$contents" || fail "not in the package: $f"
done

dpkg-deb -x "$deb" "$scratch/root"
out=$("$scratch/root/usr/bin/kelmarosz" --version 0<&- | cat)
expect_eq "the unpacked program's --version: status" 0 "${PIPESTATUS[0]}"
expect_eq "the unpacked program's --version" "kelmarosz $version" "$out"

changelog=$(gzip -dc "$scratch/root/usr/share/doc/kelmarosz/changelog.gz")
expect_contains "changelog" "$changelog" "^kelmarosz \($version\) "
expect_eq "the changelog's last signature" " -- $maintainer" "$(grep -m1 '^ -- ' <<<"$changelog" | sed 's/  .*//')"

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$scratch/lintian" 2>&1
  expect_eq "lintian's errors" "E: kelmarosz: no-copyright-file" "$(grep '^E:' "$scratch/lintian")"
else
  fail "lintian is missing (scripts/setup.sh --tests installs it)"
fi

finish
