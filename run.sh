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
# The tour is the road the end-to-end tests walk (tests/e2e/road), in one run of the program;
# its "# step NAME: what" comments split it into the steps reported here.
device=${VARDENICO_TOUR_DEVICE:-phone}
script=tests/e2e/road/road.txt
status=0
"$vardenico" app --headless --device "$device" --script "$script" --out "$work/screenshots" 2>"$work/tour.log" || status=$?
# Where the run stopped when it failed: the script line its error names ("FILE:LINE: command:
# why"), else the first step whose screenshots are missing.
stopped=$(sed -n "s|^$script:\([0-9]*\): .*|\1|p" "$work/tour.log" | head -n 1)
reason=$(grep -v '^$' "$work/tour.log" | tail -n 1 || true)
[ -n "$reason" ] || reason="the program ended with status $status"
ran=0 failed=0 skipped=0
steps=$(grep -n '^# step ' "$script" | sed 's/:# step /|/')
while IFS='|' read -r first rest; do
  step=${rest%%:*}
  what=${rest#*: }
  next=$(awk -F'|' -v f="$first" '$1 + 0 > f + 0 { print $1; exit }' <<<"$steps")
  last=${next:-999999}
  shots=$(sed -n "${first},${last}p" "$script" | sed -n 's/^screenshot //p')
  missing=0
  for shot in $shots; do [ -f "$work/screenshots/$shot.png" ] || missing=1; done
  if [ "$status" -ne 0 ] && [ -z "$stopped" ] && [ "$missing" -eq 1 ]; then stopped=$first; fi
  if [ "$status" -ne 0 ] && [ -n "$stopped" ] && [ "$stopped" -lt "$first" ]; then
    printf '%-12s skipped: an earlier step failed\n' "$step"
    skipped=$((skipped + 1))
  elif [ "$status" -ne 0 ] && [ -n "$stopped" ] && [ "$stopped" -lt "$last" ]; then
    printf '%-12s failed: %s\n' "$step" "$reason"
    failed=$((failed + 1))
  else
    printf '%-12s done: %s (%s screenshots)\n' "$step" "$what" "$(wc -w <<<"$shots")"
    ran=$((ran + 1))
  fi
done <<<"$steps"
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
  printf '%-12s failed: %s\n' "end" "$reason"
  failed=1
fi
if [ -d "$VARDENICO_PHOTOS/Saved Photos" ]; then
  cp "$VARDENICO_PHOTOS/Saved Photos"/* "$work/stamped/" 2>/dev/null || true
fi
stamped=$(find "$work/stamped" -type f | wc -l)
logos=$("$vardenico" logos list 2>/dev/null | sed -n 's/^\([0-9][0-9]*\) logos\{0,1\} in .*/\1/p' || true)
echo
echo "$ran steps ran, $skipped skipped, $failed failed; ${logos:-0} logos in the tour's store, $stamped stamped photos."
echo "Screenshots: $work/screenshots"
echo "Stamped photos: $work/stamped"
