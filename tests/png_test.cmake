# libpng decodes the same fixtures as an oracle for the conversions they share
# (not in the browser build, which has no libpng; the tests' own vectors remain).
if(NOT EMSCRIPTEN)
  find_package(PNG REQUIRED)
  target_link_libraries(${test_name} PRIVATE PNG::PNG)
  target_compile_definitions(${test_name} PRIVATE ZARVO_TEST_LIBPNG)
endif()
