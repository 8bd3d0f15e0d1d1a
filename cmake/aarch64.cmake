# Cross-building for 64-bit Arm Linux with Debian's g++-aarch64-linux-gnu and
# its multiarch :arm64 libraries (tools/install-deps.sh aarch64); the test
# programs run under qemu-user. Used by tools/run-aarch64-tests.sh:
#   cmake -S . -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Headers from /usr/include, libraries only from the arm64 folders: the host's
# x86-64 ones must never be picked up.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# qemu-user runs the test programs (gtest discovery and ctest both go through
# it); -L gives it the cross toolchain's loader and C++ runtime, and the
# multiarch libraries (zlib, FreeType, ...) are found where dpkg put them.
find_program(ZARVO_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZARVO_QEMU_AARCH64};-L;/usr/aarch64-linux-gnu" CACHE STRING
  "Runs the aarch64 programs" FORCE)
