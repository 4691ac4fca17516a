#!/usr/bin/env bash
# Installs the library into a scratch prefix, then builds and runs a host that uses find_package,
# checks the pkg-config file, and builds a host that takes the source tree with add_subdirectory.
set -euo pipefail
build_dir=$1
source_dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
# Debug builds: the hosts only have to build and run, and the one below compiles the library again.
cmake -S "$source_dir" -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib:$work/prefix/lib/$(gcc -print-multiarch)" QT_QPA_PLATFORM=offscreen "$work/consumer/consumer"
PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name VynMemberComment.pc)") pkg-config --exists --print-errors 'VynMemberComment = 2.0.7'
project_dir=$(cd "$source_dir/../.." && pwd)
# As a unity build, as a host may build it: a third of the time of one file at a time.
cmake -S "$source_dir" -B "$work/subdirectory" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_UNITY_BUILD=ON \
  -DVMC_SOURCE_DIR="$project_dir" >/dev/null
cmake --build "$work/subdirectory" --target consumer >/dev/null
QT_QPA_PLATFORM=offscreen "$work/subdirectory/consumer"
echo "package consumer built and ran"
