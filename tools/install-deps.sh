#!/usr/bin/env bash
# Installs the Debian packages the engine needs; only missing ones, with sudo
# when not run as root.
# Usage: tools/install-deps.sh [demo|test|web|aarch64]
#   demo: what building and running the demo needs
#   test (default): that, plus the test, benchmark and sanitizer tools
#   web: the browser build (emscripten, node) and its tests (Google Test's
#        source, chromium; npm brings playwright-core)
#   aarch64: the cross build for 64-bit Arm (the cross compiler, qemu-user,
#        Google Test's source and the :arm64 libraries, arm64 added to dpkg)
set -euo pipefail

what=${1:-test}
# Building the engine and running a game.
packages=(cmake ninja-build g++ pkg-config zlib1g-dev libdeflate-dev libsdl2-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core)
case "$what" in
  demo) ;;
  test)
    # Tests (a real window under Xvfb, driven by xdotool, checked by screenshots),
    # the sanitizer and fuzzing compiler (also the cheatsheet check's header
    # reader, with python3), and the benchmark peers.
    packages+=(python3 libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool x11-utils
      x11-apps imagemagick clang libclang-rt-14-dev libpng-dev libspng-dev libstb-dev
      libpixman-1-dev)
    ;;
  web)
    packages=(cmake ninja-build emscripten googletest chromium python3)
    # node and npm may come from elsewhere than Debian (node 20 does); only
    # missing commands are installed.
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
    ;;
  aarch64)
    packages=(cmake ninja-build python3 clang g++-aarch64-linux-gnu qemu-user googletest
      zlib1g-dev:arm64 libdeflate-dev:arm64 libfreetype-dev:arm64 libpng-dev:arm64)
    ;;
  *) echo "usage: $0 [demo|test|web|aarch64]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ "$what" = aarch64 ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
  $sudo dpkg --add-architecture arm64
fi
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
