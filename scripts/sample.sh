#!/usr/bin/env bash
# Builds the library and runs the sample analysis.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"
echo "*** built: $(ls build/lib/libth10fem.so*)"
