#!/usr/bin/env bash
# Puts zlib's source from Debian's source package into DEST (for the browser
# build, which compiles zlib itself). Uses a scratch apt configuration with a
# deb-src entry, so the machine's apt sources stay as they are.
# Usage: tools/fetch-zlib-source.sh DEST
set -euo pipefail
dest=$1
[ -f "$dest/zlib.h" ] && exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $suite main" >"$tmp/sources.list"
mkdir -p "$tmp/lists/partial" "$tmp/cache/archives/partial"
apt=(apt-get -qq -o "Dir::Etc::sourcelist=$tmp/sources.list" -o "Dir::Etc::sourceparts=-"
  -o "Dir::State::Lists=$tmp/lists" -o "Dir::Cache=$tmp/cache" -o "APT::Sandbox::User=$(id -un)")
"${apt[@]}" update
(cd "$tmp" && "${apt[@]}" source --download-only zlib >/dev/null)
orig=$(ls "$tmp"/zlib_*.orig.tar.* | head -1)
mkdir -p "$dest.part"
tar -xf "$orig" -C "$dest.part" --strip-components=1
rm -rf "$dest"
mv "$dest.part" "$dest"
echo "zlib source: $(basename "$orig") in $dest"
