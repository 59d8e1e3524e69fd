# The options window and the elevation notice, opened from the main window.
target_sources(ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ui/options_test.cpp)
