#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite.
#   ./test.sh                  the normal build (build/)
#   ./test.sh --sanitize       the whole suite built with gcc's address and undefined-behaviour
#                              sanitizers (build-sanitize/): any leak, overflow or undefined
#                              operation fails the test that caused it
#   ./test.sh --sanitize-fast  the same build, running only the faster half of the suite (the
#                              binaries named in tools/sanitize-fast.txt); CI uses it
set -euo pipefail
cd "$(dirname "$0")"

mode=normal
case "${1:-}" in
  "") ;;
  --sanitize) mode=sanitize ;;
  --sanitize-fast) mode=sanitize-fast ;;
  *) echo "usage: $0 [--sanitize | --sanitize-fast]" >&2; exit 2 ;;
esac

./tools/install-deps.sh
jobs=${VARDENICO_JOBS:-$(nproc)}

if [ "$mode" = normal ]; then
  build=${VARDENICO_BUILD_DIR:-build}
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARDENICO_WERROR=ON -DVARDENICO_TESTS=ON >/dev/null
  cmake --build "$build" -j "$jobs"
  cd "$build"
  ctest --output-on-failure -j "$jobs" --timeout 600
  exit 0
fi

# The sanitizer build. -O1 keeps the instrumented build quick to compile and the reports exact;
# warnings are not errors here (the sanitizers make gcc warn about code it cannot see through;
# the normal build keeps the tree warning-free).
build=${VARDENICO_SANITIZE_BUILD_DIR:-build-sanitize}
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
# Test discovery runs the test binaries during the build, so the options hold from here on.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0:strict_string_checks=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/sanitize-suppressions.txt:print_suppressions=0"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
  -DVARDENICO_WERROR=OFF -DVARDENICO_TESTS=ON >/dev/null
selection=()
if [ "$mode" = sanitize-fast ]; then
  mapfile -t binaries < <(grep -v '^#' tools/sanitize-fast.txt | grep -v '^$')
  cmake --build "$build" -j "$jobs" --target vardenico "${binaries[@]}"
  # Every test carries its binary's name as a label.
  pattern=$(IFS='|'; echo "${binaries[*]}")
  selection=(-L "^($pattern)\$")
else
  cmake --build "$build" -j "$jobs"
fi
cd "$build"
ctest --output-on-failure -j "$jobs" --timeout 1200 "${selection[@]}"
