#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it. With arguments, runs vardenico with
# them (for example ./run.sh logos list, ./run.sh app). Without, shows a round trip through the
# logo store on the sample picture: add it as a logo, list, export and delete it again.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
build=${VARDENICO_BUILD_DIR:-build}
# Warnings stop the test build (test.sh), not someone who only wants to run the program.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARDENICO_WERROR=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target vardenico
if [ $# -gt 0 ]; then
  exec "$build/vardenico" "$@"
fi

vardenico="$build/vardenico"
sample=resources/samples/sample-picture.png
exported="$build/sample-logo.png"

echo
echo "== Adding $sample to the logo store as a logo (an 800×800 square with transparent margins)"
added=$("$vardenico" logos add "$sample")
echo "$added"
index=$(sed -n 's/^Added logo \([0-9]*\).*/\1/p' <<<"$added")

echo
echo "== The logos in the store"
"$vardenico" logos list

echo
echo "== Exporting logo $index"
"$vardenico" logos export "$index" "$exported" --force

echo
echo "== Deleting logo $index again, so the store is as it was"
"$vardenico" logos delete "$index"

echo
echo "The store is $(sed -n 's/.* to \(.*dictModel\.sqlite\)$/\1/p' <<<"$added") (set VARDENICO_HOME to use another folder)."
echo "Try: ./run.sh logos add YOUR-PICTURE.jpg, ./run.sh logos list, ./run.sh --help"
