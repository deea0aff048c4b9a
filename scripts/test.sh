#!/usr/bin/env bash
# Fresh machine: install what is missing, then build and run the whole suite
# twice: a normal build and one under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
status=0
scripts/build.sh build
(cd build && ctest --output-on-failure -j2) || status=1
scripts/build.sh build-asan -DKELMAROSZ_SANITIZE=ON
(cd build-asan && ctest --output-on-failure -j2) || status=1
exit $status
