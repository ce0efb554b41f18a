# The design hierarchy and trace list views, their item models, element pictures and the
# "Element info" dialog.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/element_images.cpp
  ${CMAKE_CURRENT_LIST_DIR}/element_info_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hierarchy_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/symbol_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trace_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trace_view.cpp
)
