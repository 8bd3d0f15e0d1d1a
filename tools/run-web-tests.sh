#!/usr/bin/env bash
# Installs what is missing, builds the engine, its tests and the demo page for
# the browser (WebAssembly), and runs them with CTest: the unit tests under
# node, the demo page in headless Chromium (playwright-core from npm).
# Usage: tools/run-web-tests.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-web}

tools/install-deps.sh web
export NODE_PATH=/usr/share/nodejs  # emcc's node scripts find their modules here
emcmake cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_BUILD_TESTS=ON \
  -DZARVO_BUILD_DEMO=ON >/dev/null
# playwright-core drives Debian's chromium; 1.65 is the version tested with it.
if [ ! -d "$build/npm/node_modules/playwright-core" ]; then
  npm install --prefix "$build/npm" --no-save --no-audit --no-fund --loglevel=error \
    playwright-core@1.65
fi
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
