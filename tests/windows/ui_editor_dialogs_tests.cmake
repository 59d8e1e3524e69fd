# The editor's pickers and list dialogs, driven without the editor.
target_sources(ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ui/editor_dialogs_test.cpp)
