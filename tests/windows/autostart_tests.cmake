# ---- Bootwire (autostart/) and the platform pieces it shares with Corvallo ----
# Every test here may write Corvallo's Run value or its Startup shortcut in this prefix: they run one at a
# time, and so should any other suite that touches them (RESOURCE_LOCK corvallo_autostart_entry).
add_executable(autostart_win32_tests
  autostart_platform_windows_test.cpp
  autostart_bootwire_windows_test.cpp
)
target_link_libraries(autostart_win32_tests PRIVATE
  corvallo_autostart corvallo_platform_win32 corvallo_test_support GTest::gmock_main)
target_compile_definitions(autostart_win32_tests PRIVATE BOOTWIRE_PATH="$<TARGET_FILE:Bootwire>")
add_dependencies(autostart_win32_tests Bootwire)
gtest_discover_tests(autostart_win32_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES RESOURCE_LOCK corvallo_autostart_entry ENVIRONMENT "CORVALLO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")

# Bootwire ships alone: it must need no DLL of the compiler's runtime.
if(MINGW)
  add_test(NAME BootwireProgramTest.NeedsNoRuntimeDlls
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPROGRAM=$<TARGET_FILE:Bootwire>
            -P ${CMAKE_CURRENT_SOURCE_DIR}/autostart_imports_check.cmake)
endif()
# ---- end of Bootwire ----
