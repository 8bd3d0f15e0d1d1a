# Once more under each name ZARVO_SIMD takes, and an unknown one.
foreach(level portable sse2 sse4.1 avx2 neon)
  add_test(NAME Simd.Environment.${level} COMMAND ${test_name} --gtest_filter=Simd.Env*)
  set_tests_properties(Simd.Environment.${level} PROPERTIES ENVIRONMENT "ZARVO_SIMD=${level}")
endforeach()
