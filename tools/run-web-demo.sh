#!/usr/bin/env bash
# Installs what is missing, builds the demo for the browser (WebAssembly) and
# serves it on 127.0.0.1; open the address it prints. Ctrl+C stops the server.
# Usage: tools/run-web-demo.sh [port]
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8000}
tools/install-deps.sh web
export NODE_PATH=/usr/share/nodejs  # emcc's node scripts find their modules here
emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_BUILD_DEMO=ON -DZARVO_BUILD_TESTS=OFF >/dev/null
cmake --build build-web -j"$(nproc)" --target zarvo_demo
# The page must come over http: a browser does not load the .wasm of a page
# opened as a file.
echo "The demo: http://127.0.0.1:$port/"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/demo/web
