# The waveform view: lanes, values against the result log, the log link, follow, and the summary.
cellwatch_add_ui_test(wave_view_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views/wave/wave_view_test.cpp)
# The pictures of the waveform view in docs/gui.md (run by hand, not a test).
add_executable(wave_screenshots ${CMAKE_CURRENT_LIST_DIR}/views/wave/wave_screenshots.cpp)
target_link_libraries(wave_screenshots PRIVATE cellwatch_options cellwatch_ui)
target_compile_definitions(wave_screenshots PRIVATE CELLWATCH_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
