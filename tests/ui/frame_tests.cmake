# The main window, and the start-up with its second copy (the program itself, run by the test).
cellwatch_add_ui_test(main_frame_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/shell/main_frame_test.cpp)
cellwatch_add_ui_test(startup_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/shell/startup_test.cpp)
add_dependencies(startup_test cellwatch cellwatch-window)
target_compile_definitions(startup_test PRIVATE CELLWATCH_PROGRAM="$<TARGET_FILE:cellwatch>")
# Not a test: the program that makes the whole window's picture for docs/gui.md.
add_executable(window_screenshots ${CMAKE_CURRENT_LIST_DIR}/shell/window_screenshots.cpp)
target_link_libraries(window_screenshots PRIVATE cellwatch_options cellwatch_ui Qt6::Test)
target_compile_definitions(window_screenshots PRIVATE CELLWATCH_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# A run in the window against the same run unattended (the program itself, run by the test).
cellwatch_add_ui_test(window_batch_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/shell/window_batch_test.cpp)
add_dependencies(window_batch_test cellwatch)
target_compile_definitions(window_batch_test PRIVATE CELLWATCH_PROGRAM="$<TARGET_FILE:cellwatch>")
# Not a test: the program that makes the picture of a long run in progress for docs/gui.md.
add_executable(run_screenshot ${CMAKE_CURRENT_LIST_DIR}/shell/run_screenshot.cpp)
target_link_libraries(run_screenshot PRIVATE cellwatch_options cellwatch_ui)
target_compile_definitions(run_screenshot PRIVATE CELLWATCH_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# The channel a second copy hands its file over.
cellwatch_add_ui_test(instance_channel_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/shell/instance_channel_test.cpp)
