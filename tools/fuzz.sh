#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz/ with clang's libFuzzer and the address and
# undefined-behaviour sanitizers (build-fuzz/), and runs them.
#
#   tools/fuzz.sh build                 builds every fuzzer binary
#   tools/fuzz.sh run TARGET [SECONDS]  fuzzes one target (default 600 s), starting from the
#                                       committed corpus tests/fuzz/corpus/TARGET; new inputs go to
#                                       build-fuzz/corpus/TARGET, crashes to build-fuzz/crashes/TARGET
#   tools/fuzz.sh merge TARGET [COUNT]  minimises the committed and the new inputs (-merge=1) and
#                                       commits at most COUNT (8) of the new ones that reach new code
#   tools/fuzz.sh list                  names the targets
#
# Fuzzing runs under nice -n 19 so it never slows a build; builds go through the shared build lock
# (/tmp/vardenico-build.lock) with two jobs. A crash is fixed in the reader and
# its input committed to the corpus, where the test build's fuzz_test replays it for good.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-fuzz
corpus=tests/fuzz/corpus
targets=(jpeg_strip jpeg_decoder jpeg_coefficients png_decoder webp_decoder tiff_decoder heif_decoder image_metadata keyed_archive object_store
         user_defaults interface_description automation_script placement_file color_list)

find_clang() {
  for candidate in clang++-19 clang++-18 clang++-17 clang++-16 clang++; do
    if command -v "$candidate" >/dev/null; then
      # The C++ library's std::expected needs a clang that reports C++20 concepts complete (16 on).
      if echo '#include <expected>
std::expected<int, int> e;' | "$candidate" -std=c++2b -x c++ -fsyntax-only - 2>/dev/null; then
        echo "$candidate"
        return 0
      fi
    fi
  done
  return 1
}

ensure_clang() {
  if clang=$(find_clang); then
    return 0
  fi
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing clang-19 and its fuzzing runtime"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang-19 libclang-rt-19-dev >/dev/null
    clang=$(find_clang)
  else
    echo "Fuzzing needs clang 16 or newer with libFuzzer. Install it with:" >&2
    echo "  sudo apt-get install clang-19 libclang-rt-19-dev" >&2
    exit 1
  fi
}

locked() {
  flock /tmp/vardenico-build.lock "$@"
}

# Inputs stay about as small as the committed corpus; a database file and a screen's layout need
# a few pages more than a picture header does.
max_len() {
  case "$1" in
    object_store) echo 16384 ;;
    interface_description) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

build_all() {
  ./tools/install-deps.sh
  ensure_clang
  local flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$clang" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DVARDENICO_WERROR=OFF -DVARDENICO_TESTS=OFF -DVARDENICO_FUZZ=ON >/dev/null
  locked cmake --build "$build" -j 2 --target "${targets[@]/#/fuzz_}"
}

known() {
  for name in "${targets[@]}"; do
    [ "$name" = "$1" ] && return 0
  done
  echo "unknown target '$1'; targets: ${targets[*]}" >&2
  exit 2
}

# The fuzzers read data files beside the tree (layouts' theme, images) from the resources.
export VARDENICO_RESOURCES="$PWD/resources"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# The leaks libraries are known to make, as ./test.sh --sanitize skips them: a fuzzer would stop at
# the first one, on a fault this program cannot reach.
export LSAN_OPTIONS="suppressions=$PWD/tools/sanitize-suppressions.txt:print_suppressions=0"

case "${1:-}" in
  build)
    build_all
    ;;
  run)
    known "${2:?target}"
    seconds=${3:-600}
    mkdir -p "$build/corpus/$2" "$build/crashes/$2"
    # -close_fd_mask=2: the readers' warnings about bad input would flood the output; libFuzzer
    # and the sanitizers still report on their own copy of stderr.
    nice -n 19 "$build/tests/fuzz/fuzz_$2" -max_total_time="$seconds" -max_len="$(max_len "$2")" -rss_limit_mb=2048 -timeout=10 \
      -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$build/crashes/$2/" \
      "$build/corpus/$2" "$corpus/$2"
    ;;
  merge)
    known "${2:?target}"
    keep=${3:-8}
    # The smallest set of the committed and the new inputs that reaches everything they reach;
    # of it, the inputs not committed yet, at most $keep of them (the smallest), join the corpus.
    scratch="$build/merged/$2"
    rm -rf "$scratch" && mkdir -p "$scratch"
    nice -n 19 "$build/tests/fuzz/fuzz_$2" -merge=1 -close_fd_mask=2 -max_len="$(max_len "$2")" \
      "$scratch" "$corpus/$2" "$build/corpus/$2" 2>&1 | grep -E 'MERGE-OUTER: [0-9]+ new files' || true
    committed=$(for f in "$corpus/$2"/*; do sha1sum < "$f" | cut -d' ' -f1; done)
    added=0
    for f in $(ls -S -r "$scratch"); do
      [ "$added" -lt "$keep" ] || break
      sum=$(sha1sum < "$scratch/$f" | cut -d' ' -f1)
      grep -qx "$sum" <<<"$committed" && continue
      cp "$scratch/$f" "$corpus/$2/found-$sum"
      added=$((added + 1))
    done
    echo "$2: $added inputs added to $corpus/$2"
    ;;
  list)
    printf '%s\n' "${targets[@]}"
    ;;
  *)
    sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
