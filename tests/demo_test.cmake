# The demo scenarios link the demo's code and read its images.
target_link_libraries(${test_name} PRIVATE zarvo_demo_lib)
target_compile_definitions(${test_name} PRIVATE ZARVO_DEMO_DIR="${PROJECT_SOURCE_DIR}/demo")
# Its images beside it, as beside the demo program, for the scenario run from another folder.
add_custom_command(TARGET ${test_name} POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/demo/images
          $<TARGET_FILE_DIR:${test_name}>/images)
