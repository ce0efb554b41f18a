# The command script editor, the result log view and the SRAM view, and the factory that makes them.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/views/script/cmd_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/script/document_text_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/script/gr_edit_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/log/log_search.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/sram/memory_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/log/report_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/script/script_highlighter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/window_views.cpp
)
