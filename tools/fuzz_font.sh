#!/bin/sh
# Fuzzes the font loader (FONT::LOADFROMMEMORY, then measuring and drawing)
# for SECONDS (default 60) with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer. Exits non-zero on any crash, leak or sanitizer
# report, or when the target cannot be built.
#   tools/fuzz_font.sh [SECONDS]
# Needs clang, libclang-rt-14-dev, libfreetype-dev, zlib1g-dev, libsdl2-dev (the runtime
# directory is compiled whole) and fonts-dejavu-core for the seeds. Work files
# go to build-fuzz/ (ZARVO_FUZZ_DIR overrides); the corpus there grows.
set -eu

seconds=${1:-60}
name=fuzz_font
. "$(dirname "$0")/fuzz_common.sh"

mkdir -p "$out/font-corpus" "$out/font-seeds" "$out/artifacts"
ft=$(pkg-config --cflags freetype2 2>/dev/null || echo "-I/usr/include/freetype2")
ftlibs=$(pkg-config --libs freetype2 2>/dev/null || echo "-lfreetype")
common="-std=c++20 -g -O1 -fno-omit-frame-pointer -I$root/src"

# The loader with what it draws through: bitmaps (and what they pull in) and
# the runtime.
sources="$root/fuzz/font_fuzz.cpp $root/src/zarvo/assert.cpp $(find "$root/src/zarvo/graphics" "$root/src/zarvo/png" \
  "$root/src/zarvo/math" "$root/src/zarvo/runtime" -name '*.cpp' -not -path '*/runtime/web/*' | sort)"

echo "fuzz_font: building the target with $cxx"
# shellcheck disable=SC2086
"$cxx" $common $sdl $ft -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  $sources -o "$out/font_fuzz" $ftlibs $sdllibs -lz

# Seeds: small real faces, each behind a size byte.
rm -f "$out/font-seeds"/*
n=0
for f in /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf \
         /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf; do
  [ -r "$f" ] || continue
  n=$((n + 1))
  { printf '\020'; cat "$f"; } > "$out/font-seeds/seed$n"
done

echo "fuzz_font: fuzzing for $seconds s"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1:allocator_may_return_null=1" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1:halt_on_error=1" \
  "$out/font_fuzz" -max_total_time="$seconds" -max_len=1048576 -rss_limit_mb=4096 \
  -malloc_limit_mb=4096 -timeout=30 -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
  "$out/font-corpus" "$out/font-seeds"
echo "fuzz_font: no crash, leak or sanitizer report"
