#!/usr/bin/env bash
# Replays each fuzz target's seed corpus, then fuzzes it for a while.
#   scripts/fuzz.sh [SECONDS [NAME...]]   (default 30 a target; every target,
#                                          or only those named, e.g. session_answer)
# Needs the sanitizer build (scripts/build.sh --sanitize).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}
shift || true

shopt -s nullglob
if [[ $# -gt 0 ]]; then
  targets=()
  for name in "$@"; do
    [[ -x "build-sanitize/fuzz/${name}_fuzz" ]] || { echo "no fuzz target ${name}_fuzz built" >&2; exit 1; }
    targets+=("build-sanitize/fuzz/${name}_fuzz")
  done
else
  targets=(build-sanitize/fuzz/*_fuzz)
fi
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
