#!/usr/bin/env bash
# The library's main job on its bundled defaults: installs only what the
# library, the sorrel tool and the reference server need, builds them, then
# runs the sample search session (examples/session.verger) against the
# reference server on its sample base. The session logs in, searches, prints
# documents into demo-out/ as SGML files with their style sheets, and turns
# facsimile pages into TIFF files with PNG previews; it ends with the list of
# files made and a summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh --main
echo "Building the library, the sorrel tool and the reference server..."
bash scripts/build.sh --main
echo
./build/sorrel version
rm -rf demo-out
./build/sorrel session --out demo-out examples/session.verger
echo
echo "Open the files in demo-out/: the .png pages in an image viewer, the .sgml"
echo "documents in a text editor (patent.dtd describes them)."
