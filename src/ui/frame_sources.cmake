# The main frame, its child frames, the command bar, the application's Qt host and the start-up.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cmd_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/context_menu_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cwiz_app.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_asker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fixed_font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_icons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/instance_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/placeholder_views.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_monitor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wiz_frames.cpp
)
