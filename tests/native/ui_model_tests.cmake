# ---- Task editor logic (ui/model) ----
corvallo_test_suite(ui_model_tests
  SOURCES
    ui_model_editor_test.cpp
    ui_model_schedule_test.cpp
    ui_model_commit_test.cpp
    ui_model_dialogs_test.cpp
  LIBS corvallo_ui_model
)
# ---- end of task editor logic ----
