#!/bin/sh
# Fuzzes the PNG memory load for SECONDS (default 60) with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any
# crash, leak or sanitizer report, or when the target cannot be built.
#   tools/fuzz_png.sh [SECONDS]
# Needs clang (clang-14 on Debian 12), libclang-rt-14-dev, zlib1g-dev,
# libsdl2-dev (the runtime directory is compiled whole) and libdeflate-dev
# (without it only the zlib inflate path is fuzzed; with it the target runs
# both paths on every input and checks they agree). Work files go to
# build-fuzz/ (ZARVO_FUZZ_DIR overrides); the corpus there grows across runs.
set -eu

seconds=${1:-60}
name=fuzz_png
. "$(dirname "$0")/fuzz_common.sh"

mkdir -p "$out/corpus" "$out/seeds" "$out/artifacts"
common="-std=c++20 -g -O1 -fno-omit-frame-pointer -I$root/src -I$root/tests"
deflate=""
if [ -f /usr/include/libdeflate.h ] || pkg-config --exists libdeflate 2>/dev/null; then
  deflate="-DZARVO_HAVE_LIBDEFLATE=1 -ldeflate"
fi

# The decoder, and the runtime that image allocation lives in.
sources="$root/fuzz/png_fuzz.cpp $root/src/zarvo/assert.cpp $(find "$root/src/zarvo/png" "$root/src/zarvo/runtime" -name '*.cpp' -not -path '*/runtime/web/*' | sort)"

echo "fuzz_png: building the target with $cxx"
# shellcheck disable=SC2086
"$cxx" $common $sdl -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  $sources -o "$out/png_fuzz" -lz $deflate $sdllibs
# shellcheck disable=SC2086
"$cxx" $common -O2 "$root/fuzz/png_seeds.cpp" "$root/tests/support/png_writer.cpp" \
  -o "$out/png_seeds" -lz
rm -f "$out/seeds"/*.png
"$out/png_seeds" "$out/seeds"
# The kept hostile files start the corpus too.
cp "$root"/tests/png_regressions/*.png "$out/seeds"/

echo "fuzz_png: fuzzing for $seconds s"
# The caller's sanitizer options stay; leaks are always checked, and a failed
# allocation returns null (the decoder must cope) instead of ending the run.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1:allocator_may_return_null=1" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1:halt_on_error=1" \
  "$out/png_fuzz" -max_total_time="$seconds" -rss_limit_mb=4096 -malloc_limit_mb=4096 \
  -timeout=30 -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
  "$out/corpus" "$out/seeds"
echo "fuzz_png: no crash, leak or sanitizer report"
