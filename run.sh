#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it; with arguments, runs vardenico with
# them (for example ./run.sh app, ./run.sh logos list).
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
build=${VARDENICO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target vardenico
if [ $# -gt 0 ]; then
  exec "$build/vardenico" "$@"
fi
exec "$build/vardenico" --help
