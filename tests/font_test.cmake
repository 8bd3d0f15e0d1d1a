# FreeType, read directly, is the oracle for advances, kerning and glyph boxes.
find_package(Freetype REQUIRED)
target_link_libraries(${test_name} PRIVATE Freetype::Freetype)
