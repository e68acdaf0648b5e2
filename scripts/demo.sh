#!/usr/bin/env bash
# Installs what is missing, builds and runs the sorrel tool's main job on its
# bundled defaults: a sample VERGER session (commands, searches, mistakes, and
# state carried from line to line) translated with the bundled criteria.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh
./build/sorrel version
echo
echo "== sorrel translate < examples/session.verger (criteria: examples/criteria.ini)"
./build/sorrel translate --criteria examples/criteria.ini < examples/session.verger
