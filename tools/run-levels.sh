#!/usr/bin/env bash
# Runs the pixel suite (ctest label "pixel") again at every kernel level below
# the processor's best, through ZARVO_SIMD; the full run already covers the best.
# Usage: tools/run-levels.sh build-dir
set -euo pipefail
build=${1:?usage: tools/run-levels.sh build-dir}
cd "$build"
case "$(uname -m)" in
  x86_64) levels="portable sse2 sse4.1" ;;
  *) levels="" ;;  # one level elsewhere
esac
for level in $levels; do
  echo "-- pixel suite at ZARVO_SIMD=$level"
  ZARVO_SIMD=$level ctest -L pixel --output-on-failure -j"$(nproc)" --timeout 300
done
