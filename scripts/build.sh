#!/usr/bin/env bash
# Configures and builds the project.
#   scripts/build.sh              g++ build of everything in build/
#   scripts/build.sh --main       g++ build in build/ of the library, the sorrel
#                                 tool and the reference server only
#   scripts/build.sh --sanitize   clang build with AddressSanitizer, UBSan and
#                                 the fuzz targets, in build-sanitize/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

targets=()
case "${1:-}" in
  --sanitize)
    dir=build-sanitize
    args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug
          -DSORREL_SANITIZE=ON -DSORREL_BUILD_FUZZ=ON -DSORREL_BUILD_BENCH=OFF
          -DSORREL_BUILD_TESTS=ON)
    ;;
  --main)
    dir=build
    args=(-DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
          -DSORREL_BUILD_TESTS=OFF -DSORREL_BUILD_BENCH=OFF)
    targets=(--target SORRELKernel sorrel sorrel-server)
    ;;
  *)
    dir=build
    args=(-DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
          -DSORREL_BUILD_TESTS=ON -DSORREL_BUILD_BENCH=ON)
    ;;
esac

cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
