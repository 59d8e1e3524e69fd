# The task editor's window suite.
target_sources(ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ui/task_editor_test.cpp)
