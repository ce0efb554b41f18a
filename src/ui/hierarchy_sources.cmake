# The design hierarchy and trace list views, their item models, element pictures and the
# "Element info" dialog.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/views/design/element_images.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogs/element_info_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/design/hierarchy_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/design/symbol_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/design/trace_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/design/trace_view.cpp
)
