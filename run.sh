#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it. With arguments, runs vardenico with
# them (for example ./run.sh logos list, ./run.sh app). Without, opens the program's window at
# the home screen when there is a display; on a machine without one (a server, CI) it takes a
# guided tour of the program headless, on sample photos in a temporary library and a temporary
# data folder, and names the folder with a screenshot of every step and the stamped photos.
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
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${VARDENICO_TOUR:-}" ]; then
  exec "$vardenico" app
fi

# The tour never touches the person's own logos, defaults or photos.
work=$(mktemp -d "${TMPDIR:-/tmp}/vardenico-tour.XXXXXX")
export VARDENICO_HOME="$work/data" VARDENICO_PHOTOS="$work/Pictures"
mkdir -p "$VARDENICO_HOME" "$VARDENICO_PHOTOS/Holidays" "$work/screenshots" "$work/stamped"
sample=resources/samples/sample-picture.png
for n in 1 2 3 4; do
  if command -v convert >/dev/null 2>&1; then
    convert "$sample" -modulate 100,$((60 + n * 25)),$((n * 40)) -quality 92 "$VARDENICO_PHOTOS/Holidays/photo-$n.jpg"
  else
    cp "$sample" "$VARDENICO_PHOTOS/Holidays/photo-$n.png"
  fi
  touch -d "2024-06-0$n 12:00" "$VARDENICO_PHOTOS"/Holidays/photo-$n.*
done

echo
echo "== A guided tour of Vardenico without a window (no display here)"
echo "   data folder $VARDENICO_HOME, photo library $VARDENICO_PHOTOS"
printf '' >"$work/tour.log"
ran=0 skipped=0 failed=0
for script in tools/tour/[0-9]*.txt; do
  step=$(basename "$script" .txt)
  needs=$(sed -n 's/^# needs: //p' "$script")
  what=$(sed -n '2s/^# //p' "$script")
  missing=""
  for screen in $needs; do
    if ! VARDENICO_HOME="$work/probe" VARDENICO_PHOTOS="$work/probe/Pictures" "$vardenico" app --screen "$screen" --headless --script /dev/null --out "$work/probe" >/dev/null 2>&1; then
      missing="$missing $screen"
    fi
  done
  if [ -n "$missing" ]; then
    printf '%-12s skipped: the screen%s not in this build yet:%s\n' "$step" "$( [ "$(wc -w <<<"$missing")" -gt 1 ] && echo "s are" || echo " is")" "$missing"
    skipped=$((skipped + 1))
    continue
  fi
  if "$vardenico" app --headless --script "$script" --out "$work/screenshots" 2>>"$work/tour.log"; then
    shots=$(grep -c '^screenshot' "$script")
    printf '%-12s done: %s (%s screenshots)\n' "$step" "$what" "$shots"
    ran=$((ran + 1))
  else
    printf '%-12s failed: %s\n' "$step" "$(tail -n 1 "$work/tour.log")"
    failed=$((failed + 1))
  fi
done
if [ -d "$VARDENICO_PHOTOS/Saved Photos" ]; then
  cp "$VARDENICO_PHOTOS/Saved Photos"/* "$work/stamped/" 2>/dev/null || true
fi
stamped=$(find "$work/stamped" -type f | wc -l)
logos=$("$vardenico" logos list 2>/dev/null | grep -c '^ *[0-9]' || true)
echo
echo "$ran steps ran, $skipped skipped, $failed failed; $logos logos in the tour's store, $stamped stamped photos."
echo "Screenshots: $work/screenshots"
echo "Stamped photos: $work/stamped"
