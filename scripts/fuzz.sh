#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed number
# of inputs from a fixed seed, so that a run can be repeated. Without clang
# it says so and succeeds.
#   scripts/fuzz.sh [build-dir] [runs]      (defaults: build-fuzz, 30000)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-fuzz}
runs=${2:-30000}

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found, fuzz targets not built"
  exit 0
fi
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIX_BENCH=OFF >/dev/null
targets=(installlib_archive_fuzz viewer_analyser_reply_fuzz)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
for t in "${targets[@]}"; do
  exe=$(find "$build" -type f -name "$t" -perm -u+x | head -n 1)
  corpus=$(mktemp -d)
  trap 'rm -rf "$corpus"' EXIT
  echo "fuzz: $t, $runs inputs"
  "$exe" -seed=1 -runs="$runs" "$corpus"
  rm -rf "$corpus"
done
