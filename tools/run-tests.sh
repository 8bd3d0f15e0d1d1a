#!/usr/bin/env bash
# Installs what is missing, builds the engine and runs every test.
# Usage: tools/run-tests.sh [build-dir] [extra cmake options...]
# The real-window tests run under a virtual X display (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true

tools/install-deps.sh
# Leaks inside the system libraries SDL loads are theirs, not ours (sanitizer builds).
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(pwd)/tests/lsan.supp}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_BUILD_TESTS=ON "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$(nproc)" --timeout 300
else
  ctest --output-on-failure -j"$(nproc)" --timeout 300
fi
