# The task editor's pickers and list dialogs (ui/editor_dialogs.h as windows).
target_sources(corvallo_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/editor_dialogs_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_picker_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/weekday_picker_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/location_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_type_window.cpp
)
# Every decision of these windows is the editor logic's.
target_link_libraries(corvallo_ui PUBLIC corvallo_ui_model)
