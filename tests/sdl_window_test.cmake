# Real-window tests share the one X display and its pointer.
set(extra_properties RUN_SERIAL TRUE)
# Once more through SDL's OpenGL renderer, the path a machine with a GPU takes
# (under Xvfb the backend otherwise copies into the window surface).
gtest_discover_tests(${test_name} TEST_PREFIX opengl.
  PROPERTIES ENVIRONMENT "SDL_RENDER_DRIVER=opengl" RUN_SERIAL TRUE
  DISCOVERY_TIMEOUT 60)
