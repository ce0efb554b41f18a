# The main frame, its child frames, the command bar, the application's Qt host and the start-up.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/shell/cmd_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/context_menu_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/cwiz_app.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/dialog_asker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/look/fixed_font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/look/frame_icons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/instance_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/main_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/placeholder_views.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/run_monitor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/window_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/wiz_frames.cpp
)
