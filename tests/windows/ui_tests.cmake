# The windows, driven in-process on a user-interface thread of their own. They need a display (the
# test command runs the Windows suites under Xvfb); screenshots land in the build folder.
corvallo_test_suite(ui_tests
  SOURCES
    ui/ui_harness.cpp
    ui/program_fixture.cpp
    ui/main_window_test.cpp
    ui/notice_test.cpp
    ui/run_now_test.cpp
    $<TARGET_OBJECTS:corvallo_resources>
  LIBS corvallo_ui
)
target_compile_definitions(ui_tests PRIVATE CORVALLO_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots")
