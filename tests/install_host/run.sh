#!/usr/bin/env bash
# Installs the built library into a scratch prefix, then builds and runs a tiny
# host against it twice: with find_package(th10fem) and with pkg-config.
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
here=$(cd "$(dirname "$0")" && pwd)
cmake --install "$build" --prefix "$work/prefix" >/dev/null
test -f "$work/prefix/include/th10fem/TH10G15.h"
test -f "$work/prefix/include/th10fem/FEM.h"
test ! -e "$work/prefix/include/th10fem/LA.h"

cmake -S "$here" -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake-host" >/dev/null
"$work/cmake-host/host"

libdir=$(ls -d "$work"/prefix/lib*/pkgconfig | head -n 1)
export PKG_CONFIG_PATH="$libdir"
g++ -std=c++17 "$here/host.cpp" $(pkg-config --cflags --libs th10fem) -o "$work/pc-host"
LD_LIBRARY_PATH="$(dirname "$libdir")" "$work/pc-host"
