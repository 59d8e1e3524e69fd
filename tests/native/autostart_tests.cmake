# ---- Bootwire (autostart/) and the platform pieces it shares with Corvallo ----
corvallo_test_suite(autostart_tests
  SOURCES
    autostart_test.cpp
    autostart_platform_test.cpp
  LIBS corvallo_autostart
)
# ---- end of Bootwire ----
