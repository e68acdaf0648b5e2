#!/usr/bin/env bash
# Replays each fuzz target's seed corpus, then fuzzes it for a while.
#   scripts/fuzz.sh [SECONDS]   (default 30 a target)
# Needs the sanitizer build (scripts/build.sh --sanitize).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}

shopt -s nullglob
targets=(build-sanitize/fuzz/*_fuzz)
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "no fuzz targets built"
  exit 0
fi
for target in "${targets[@]}"; do
  name=$(basename "$target")
  seeds="fuzz/corpus/${name%_fuzz}"
  work="fuzz/corpus-work/${name%_fuzz}"
  mkdir -p "$work"
  echo "== $name: replaying $seeds"
  "$target" -runs=0 "$seeds"
  echo "== $name: fuzzing for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 "$work" "$seeds"
done
