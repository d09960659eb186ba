#!/usr/bin/env bash
# Builds the cross-reference program, makes the sample product folder when
# it is missing, and starts the program inside it (every path the program
# opens is relative to its working directory).
#   scripts/run-tavixcat.sh [build-dir]      (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target tavixcat tavix_mksample

product="$build/sample-product"
if [ ! -f "$product/data/transistores.DB" ]; then
  "$build/tools/tavix_mksample" "$product"
fi
cd "$product"
exec "$build/crossref/tavixcat" "$@"
