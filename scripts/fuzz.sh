#!/usr/bin/env bash
# Builds the libFuzzer targets of the mesh readers with clang-14
# (AddressSanitizer and UndefinedBehaviorSanitizer) in build-fuzz/ and runs
# them for a bounded time shared between them: scripts/fuzz.sh [SECONDS],
# default 60, half to the GiD reader and half to the gmsh reader. Any finding
# (crash, sanitizer report, failed check, hang over 10 s, leak) fails the
# script; the input that caused it is left in build-fuzz/ as
# TARGET-crash-*, TARGET-timeout-*, TARGET-leak-* or TARGET-oom-*.
# The seeds are small boxes written by th10mesh (fuzz/seeds/) and small gmsh
# meshes (fuzz/gmsh_seeds/, tests/gmsh/one_tetrahedron.msh); each target's
# corpus grows in build-fuzz/ from run to run.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"  # absolute paths: the GiD target works in a directory of its own
seconds="${1:-60}"
gmsh_seconds=$((seconds / 2 > 0 ? seconds / 2 : 1))  # libFuzzer takes 0 as no limit
gid_seconds=$((seconds - gmsh_seconds > 0 ? seconds - gmsh_seconds : 1))
bash scripts/setup.sh
cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j "$(nproc)"

# fuzz TARGET SECONDS DICTIONARY SEED...
fuzz() {
  local target="$1" time="$2" dict="$3"
  shift 3
  local corpus="${root}/build-fuzz/corpus-${target}"
  mkdir -p "${corpus}"
  cp "$@" "${corpus}/"
  echo "*** fuzzing ${target} for ${time} s"
  "${root}/build-fuzz/${target}" \
    -max_total_time="${time}" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -dict="${root}/fuzz/${dict}" -artifact_prefix="${root}/build-fuzz/${target}-" -print_final_stats=1 \
    "${corpus}"
}
fuzz gid_mesh_fuzz "${gid_seconds}" gid_mesh.dict fuzz/seeds/*
fuzz gmsh_mesh_fuzz "${gmsh_seconds}" gmsh_mesh.dict fuzz/gmsh_seeds/* tests/gmsh/one_tetrahedron.msh
