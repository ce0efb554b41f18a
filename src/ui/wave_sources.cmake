# The waveform view and the per-component summary it paints from.
list(APPEND CELLWATCH_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/views/wave/wave_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/views/wave/wave_view.cpp
)
