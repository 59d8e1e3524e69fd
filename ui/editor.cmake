# The task editor window.
target_sources(corvallo_ui PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/task_editor_window.cpp)
target_link_libraries(corvallo_ui PUBLIC corvallo_ui_model)
