# The waveform view: lanes, values against the result log, the log link, follow, and the summary.
cellwatch_add_ui_test(wave_view_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/wave_view_test.cpp)
