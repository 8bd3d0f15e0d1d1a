#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run the engine.
# Only missing packages are installed; uses sudo when not run as root.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config zlib1g-dev libsdl2-dev libgtest-dev libgmock-dev
  libbenchmark-dev xvfb xauth xdotool x11-utils x11-apps imagemagick clang libclang-rt-14-dev
  libpng-dev libspng-dev libstb-dev libpixman-1-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
