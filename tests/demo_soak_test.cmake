# The demo scenarios link the demo's code and read its images.
target_link_libraries(${test_name} PRIVATE zarvo_demo_lib)
target_compile_definitions(${test_name} PRIVATE ZARVO_DEMO_DIR="${PROJECT_SOURCE_DIR}/demo")
