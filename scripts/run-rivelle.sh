#!/usr/bin/env bash
# Builds the S-parameter viewer and the sample-file tool, writes the sample
# S-parameter files when they are missing, and starts the viewer on one.
#   scripts/run-rivelle.sh [build-dir] [file]   (default: build, lowpass.s2p)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target Rivelle tavix_mksparams

samples="$build/sample-sparams"
if [ ! -f "$samples/fet.s2p" ]; then
  "$build/tools/tavix_mksparams" "$samples"
fi
file=${2:-$samples/lowpass.s2p}
cd "$samples"
exec "$build/viewer/app/Rivelle" "$file"
