# The browser build, configured with `emcmake cmake` (Debian's emscripten).
# zlib is compiled here from Debian's source package (emscripten's own port
# would download it); node runs the test programs.

# emcc runs node scripts when it links, and Debian's node finds their modules
# only through NODE_PATH.
set(CMAKE_C_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)

# emcmake asks node for --experimental-wasm-threads, which node 20 rejects;
# its fetch would also try to read the .wasm as a URL.
find_program(ZARVO_NODE NAMES node nodejs REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZARVO_NODE};--no-experimental-fetch" CACHE STRING
  "Runs the compiled programs" FORCE)

set(ZARVO_ZLIB_SOURCE ${CMAKE_BINARY_DIR}/zlib-src CACHE PATH
  "zlib's source (fetched from Debian's source package when missing)")
if(NOT EXISTS ${ZARVO_ZLIB_SOURCE}/zlib.h)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/fetch-zlib-source.sh ${ZARVO_ZLIB_SOURCE}
    RESULT_VARIABLE zarvo_zlib_fetch)
  if(NOT zarvo_zlib_fetch EQUAL 0)
    message(FATAL_ERROR "could not fetch zlib's source into ${ZARVO_ZLIB_SOURCE}")
  endif()
endif()
set(zarvo_zlib_files adler32.c compress.c crc32.c deflate.c inffast.c inflate.c inftrees.c
  trees.c uncompr.c zutil.c)
list(TRANSFORM zarvo_zlib_files PREPEND ${ZARVO_ZLIB_SOURCE}/)
add_library(zarvo_zlib STATIC ${zarvo_zlib_files})
target_include_directories(zarvo_zlib SYSTEM PUBLIC
  $<BUILD_INTERFACE:${ZARVO_ZLIB_SOURCE}>)
target_compile_definitions(zarvo_zlib PRIVATE HAVE_UNISTD_H HAVE_STDARG_H)
add_library(ZLIB::ZLIB ALIAS zarvo_zlib)
set(ZARVO_EXPORTED_DEPENDENCIES zarvo_zlib)
