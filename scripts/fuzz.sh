#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (every library instrumented) and
# runs each for a fixed number of inputs from a fixed seed, starting from the
# seeds the target writes itself, so that a run can be repeated. Without
# clang it says so and succeeds. A finding stops the run; its input is kept
# in <build-dir>/fuzz-findings.
#   scripts/fuzz.sh [build-dir] [runs]
# build-dir defaults to build-fuzz; runs, when given, replaces every target's
# own count below. FUZZ_JOBS sets the build's parallel jobs (default: all cores).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-fuzz}
runs=${2:-}

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found, fuzz targets not built"
  exit 0
fi

# Target and its inputs per run, chosen so that the runs take about two and a
# half minutes on an 8-core machine, and with a fresh build of the targets at
# most about five.
targets=(
  installlib_archive_fuzz:20000
  viewer_analyser_reply_fuzz:30000
  viewer_sparam_fuzz:30000
  viewer_settings_fuzz:60000
  paradox_fuzz:100000
  installlib_translator_fuzz:100000
  win_version_resource_fuzz:200000
  installlib_versionresource_fuzz:50000
  win_registry_text_fuzz:100000
  win_ini_document_fuzz:100000
  crossref_rtf_fuzz:60000
  win_shelllink_fuzz:200000
)

names=()
for t in "${targets[@]}"; do names+=("${t%%:*}"); done
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIX_BENCH=OFF \
  -DTAVIX_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${FUZZ_JOBS:-$(nproc)}" --target "${names[@]}"

findings=$build/fuzz-findings
mkdir -p "$findings"
# In memory where the machine has it: the targets add to their corpus as they go.
corpus=$(mktemp -d -p "$( [ -w /dev/shm ] && echo /dev/shm || echo /tmp)")
trap 'rm -rf "$corpus"' EXIT
export QT_QPA_PLATFORM=offscreen
for t in "${targets[@]}"; do
  name=${t%%:*}
  count=${runs:-${t##*:}}
  exe=$(find "$build" -type f -name "$name" -perm -u+x | head -n 1)
  rm -rf "$corpus" && mkdir -p "$corpus"
  # A target that writes seeds does so and exits; one that does not runs
  # no inputs here.
  TAVIX_FUZZ_SEEDS=$corpus "$exe" -runs=0 "$corpus" >/dev/null 2>&1 || {
    echo "fuzz: $name could not write its seeds"
    exit 1
  }
  echo "fuzz: $name, $count inputs from $(ls "$corpus" | wc -l) seeds"
  start=$SECONDS
  log=$findings/$name.log
  if ! "$exe" -seed=1 -runs="$count" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/$name-" \
    "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $name found a fault; the input is in $findings"
    exit 1
  fi
  echo "fuzz: $name done in $((SECONDS - start)) s ($(grep -o 'cov: [0-9]*' "$log" | tail -n 1))"
done
