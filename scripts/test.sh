#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   scripts/test.sh              g++ build
#   scripts/test.sh --sanitize   clang build under AddressSanitizer and UBSan
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh "$@"
dir=build
[[ "${1:-}" == "--sanitize" ]] && dir=build-sanitize
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
