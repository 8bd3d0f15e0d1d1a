# libpng decodes the same fixtures as an oracle for the conversions they share.
find_package(PNG REQUIRED)
target_link_libraries(${test_name} PRIVATE PNG::PNG)
