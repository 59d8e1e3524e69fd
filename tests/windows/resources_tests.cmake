# ---- Program resources (ui/resources) ----
# Links the same resource objects as Corvallo.exe and reads them back from its own module.
corvallo_test_suite(resources_win32_tests
  SOURCES resources_test.cpp $<TARGET_OBJECTS:corvallo_resources>
  LIBS version
)
target_include_directories(resources_win32_tests PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(resources_win32_tests corvallo_resources)

# The committed pictures are what tools/make_pictures.py draws (it compares, and writes nothing).
add_test(NAME ResourcePictures.MatchTheirGenerator
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/make_pictures.py --check)
# ---- end of program resources ----
