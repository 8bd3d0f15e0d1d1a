#!/usr/bin/env bash
# Installs what is missing, builds the demo and runs it from the folder that
# holds its images/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_BUILD_DEMO=ON >/dev/null
cmake --build build -j"$(nproc)" --target zarvo_demo
cd demo
exec ../build/demo/zarvo_demo
