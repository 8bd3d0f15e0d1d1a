# libpng decodes the same fixtures as an oracle for the conversions they share
# (not in the browser build, which has no libpng; the tests' own vectors remain).
if(NOT EMSCRIPTEN)
  find_package(PNG REQUIRED)
  target_link_libraries(${test_name} PRIVATE PNG::PNG)
  target_compile_definitions(${test_name} PRIVATE ZARVO_TEST_LIBPNG)
endif()
target_compile_definitions(${test_name} PRIVATE
  ZARVO_PNG_REGRESSIONS="${CMAKE_CURRENT_SOURCE_DIR}/png_regressions")
# The diagnostics once more with ZARVO_LOG=1 (read once per process); not
# under node, where stderr cannot be captured.
if(NOT EMSCRIPTEN)
  add_test(NAME PngDiagnostics.WithZarvoLog
    COMMAND ${test_name} --gtest_filter=PngDiagnostics.*)
  set_tests_properties(PngDiagnostics.WithZarvoLog PROPERTIES ENVIRONMENT "ZARVO_LOG=1")
endif()
