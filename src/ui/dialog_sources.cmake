# The dialogs of the window (options sheet, splash, About box) and the external wave viewer.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/dialogs/about_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/look/colour_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogs/options_pages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogs/options_sheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogs/splash_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogs/wave_viewer.cpp
)
