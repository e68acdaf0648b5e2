#!/usr/bin/env bash
# Installs what is missing, builds and runs the sorrel tool's main job on its
# bundled defaults.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh
./build/sorrel version
