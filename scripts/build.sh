#!/usr/bin/env bash
# Configures and builds the project.
#   scripts/build.sh              g++ build in build/
#   scripts/build.sh --sanitize   clang build with AddressSanitizer, UBSan and
#                                 the fuzz targets, in build-sanitize/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [[ "${1:-}" == "--sanitize" ]]; then
  dir=build-sanitize
  args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug
        -DSORREL_SANITIZE=ON -DSORREL_BUILD_FUZZ=ON -DSORREL_BUILD_BENCH=OFF)
else
  dir=build
  args=(-DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
