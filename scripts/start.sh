#!/usr/bin/env bash
# Fresh machine: install what building and running need (if missing), build
# the program alone into build/, and start it in data/, where Enter at the
# prompt opens the default data file. A second start only starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# build/ is shared with the test command: a first start sets it up for the
# program alone (no GoogleTest needed); later starts keep its options.
options=()
if [ ! -f build/CMakeCache.txt ]; then
  options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMAROSZ_BUILD_TESTS=OFF -DKELMAROSZ_BUILD_BENCH=OFF)
fi
cmake -S . -B build "${options[@]}" >/dev/null
cmake --build build --target kelmarosz -j"$(nproc)"
cd data
exec ../build/kelmarosz
