#!/usr/bin/env bash
# Builds the GiD mesh reader's libFuzzer target with clang-14 (AddressSanitizer
# and UndefinedBehaviorSanitizer) in build-fuzz/ and runs it for a bounded
# time: scripts/fuzz.sh [SECONDS], default 60. Any finding (crash, sanitizer
# report, failed check, hang over 10 s, leak) fails the script; the input that
# caused it is left in build-fuzz/ as crash-*, timeout-*, leak-* or oom-*.
# The seeds are small boxes written by th10mesh (fuzz/seeds/); the corpus
# grows in build-fuzz/corpus/ from run to run.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"  # absolute paths: the target works in a directory of its own
seconds="${1:-60}"
bash scripts/setup.sh
cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j "$(nproc)"
mkdir -p build-fuzz/corpus
cp fuzz/seeds/* build-fuzz/corpus/
echo "*** fuzzing the GiD mesh reader for ${seconds} s"
"${root}/build-fuzz/gid_mesh_fuzz" \
  -max_total_time="${seconds}" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -dict="${root}/fuzz/gid_mesh.dict" -artifact_prefix="${root}/build-fuzz/" -print_final_stats=1 \
  "${root}/build-fuzz/corpus"
