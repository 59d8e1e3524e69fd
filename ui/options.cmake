# The options window and the elevation notice shown before it; Bootwire's verbs come from its library.
target_sources(corvallo_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/options_window.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/elevation_notice_window.cpp
)
target_link_libraries(corvallo_ui PUBLIC corvallo_autostart)
