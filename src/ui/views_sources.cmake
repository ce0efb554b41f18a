# The command script editor, the result log view and the SRAM view, and the factory that makes them.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cmd_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/document_text_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gr_edit_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_line_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_search.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/script_highlighter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_views.cpp
)
