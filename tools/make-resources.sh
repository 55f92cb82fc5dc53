#!/usr/bin/env bash
# Rebuilds the resource generator and redraws resources/images, resources/Colors.json and
# tools/contact-sheet.png. Needs fonts-font-awesome and fonts-dejavu-core (tools/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DVARDENICO_TOOLS=ON >/dev/null
cmake --build build -j2 --target vardenico_resources
./build/tools/vardenico_resources resources tools/contact-sheet.png
