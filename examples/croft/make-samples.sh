#!/usr/bin/env bash
# Rebuilds the sample CROFT records from the sample pictures.
#   examples/croft/make-samples.sh [SORREL]   (default build/sorrel)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sorrel=${1:-$here/../../build/sorrel}
cd "$here"
python3 draw-pages.py
"$sorrel" croft make letter.png letter.croft --height-mm 297 --width-mm 210 --label "SAMPLE LETTER PAGE 1"
"$sorrel" croft make drawing.png drawing.croft --height-mm 297 --width-mm 210 --label "SAMPLE DRAWING SHEET 1"
"$sorrel" croft make claims.png claims.croft --height-mm 151 --width-mm 202 --label "SAMPLE CLAIMS PAGE 2"
