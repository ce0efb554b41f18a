# The dialogs of the window (options sheet, splash, About box) and the external wave viewer.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/about_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colour_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options_pages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options_sheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/splash_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wave_viewer.cpp
)
