#!/usr/bin/env bash
# Builds the library, tools and tests (warnings are errors) and runs the whole
# test suite with ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default -DTH10FEM_WERROR=ON
cmake --build --preset default -j "$(nproc)"
ctest --preset default -j "$(nproc)"
