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
  # One program's windows at a time on the shared desktop: the hot key, the focus and the message
  # boxes that the tests look for belong to the whole desktop.
  LOCK corvallo_desktop
)
target_compile_definitions(ui_tests PRIVATE CORVALLO_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots")

# Window suites kept in lists of their own (they add their sources to ui_tests).
include(${CMAKE_CURRENT_SOURCE_DIR}/ui_editor_tests.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/ui_editor_dialogs_tests.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/ui_options_tests.cmake OPTIONAL)

# The real program from outside: hidden start, hot key, end of session. Needs xdotool and the
# virtual display the test command provides.
add_executable(ui_driver ui/ui_driver_main.cpp ui/ui_harness.cpp)
target_link_libraries(ui_driver PRIVATE corvallo_platform_win32 comctl32 gdi32)
target_include_directories(ui_driver PRIVATE ${PROJECT_SOURCE_DIR})
if(MINGW)
  target_link_options(ui_driver PRIVATE -municode)
endif()
add_test(NAME ProgramEndToEnd.HiddenStartHotKeyAndEndOfSession
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/ui/program_e2e.py
    ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:Corvallo> $<TARGET_FILE:ui_driver>
    ${CMAKE_BINARY_DIR}/screenshots)
# Alone: it types a key on the display, which every other window test shares.
set_tests_properties(ProgramEndToEnd.HiddenStartHotKeyAndEndOfSession PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
