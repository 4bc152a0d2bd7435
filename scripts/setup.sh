#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with. Quick when
# they are already there: apt-get runs only for what is missing. The BLAS
# and LAPACK are OpenBLAS's OpenMP build, which shares th10run's threads;
# Debian switches to it (update-alternatives) when it is installed.
set -euo pipefail
packages=(
  g++ cmake make pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  libtomlplusplus-dev libsuitesparse-dev liblapack-dev liblapacke-dev libblas-dev libeigen3-dev
  libopenblas0-openmp libopenblas-openmp-dev libopenblas-dev
  python3-vtk9 python3-matplotlib xvfb xauth
  petsc-dev openmpi-bin
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "*** installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
