#!/usr/bin/env bash
# Builds the setup program and what it installs, lays out a fresh build
# machine, builds the self-extracting setup there with -b, copies it to a
# fresh target machine and starts it, so that its window and wizard open.
#   scripts/run-tavixsetup.sh [build-dir]      (default: build)
# The machines are kept in <build-dir>/machines/build and .../target; run
# installed programs with build/tools/tavix_win --winroot <build-dir>/machines/target run ...
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target tavixsetup tavix_loader tavix_uninstall tavixcat tavix_seedbuild tavix_win_tool

machines="$build/machines"
rm -rf "$machines"
"$build/tools/tavix_seedbuild" "$machines/build"
QT_QPA_PLATFORM=offscreen "$build/tools/tavix_win" --winroot "$machines/build" run 'C:\Tavix\Setup\tavixsetup.exe' -b
mkdir -p "$machines/target"
"$build/tools/tavix_win" --winroot "$machines/target" installed >/dev/null
mkdir -p "$machines/target/drives/C/DIST"
cp "$machines/build/drives/C/build/setup.exe" "$machines/target/drives/C/DIST/setup.exe"
exec "$build/tools/tavix_win" --winroot "$machines/target" run 'C:\DIST\setup.exe'
