#!/usr/bin/env bash
# Fresh machine: install what is missing, build the program, and start it in
# data/, where Enter at the prompt opens the default data file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
echo "building kelmarosz in build/ ..." >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target kelmarosz -j"$(nproc)" >/dev/null
cd data
exec ../build/kelmarosz
