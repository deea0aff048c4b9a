#!/usr/bin/env bash
# Fresh machine: install what is missing, build, and start the program in
# data/, where Enter at the prompt opens the default data file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
cd data
exec ../build/kelmarosz
