#!/usr/bin/env bash
# Runs the demo soak (10,000 screen changes on the headless backend) and
# prints resident memory at its start and end. Usage: tools/soak.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DZARVO_BUILD_DEMO=ON >/dev/null
cmake --build "$build" --target demo_soak_test
ZARVO_VIDEO=headless "$build/tests/demo_soak_test" --gtest_also_run_disabled_tests
