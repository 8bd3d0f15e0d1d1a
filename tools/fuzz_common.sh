# Shared by the fuzz scripts (sourced, with $name set): the repo root, the work
# folder, clang++ and SDL's flags.
root=$(cd "$(dirname "$0")/.." && pwd)
out=${ZARVO_FUZZ_DIR:-$root/build-fuzz}
cxx=${ZARVO_FUZZ_CXX:-}
if [ -z "$cxx" ]; then
  for c in clang++ clang++-14; do
    if command -v "$c" >/dev/null 2>&1; then cxx=$c; break; fi
  done
fi
[ -n "$cxx" ] || { echo "$name: clang++ not found" >&2; exit 1; }
sdl=$(pkg-config --cflags sdl2 2>/dev/null || echo "-I/usr/include/SDL2")
sdllibs=$(pkg-config --libs sdl2 2>/dev/null || echo "-lSDL2")
