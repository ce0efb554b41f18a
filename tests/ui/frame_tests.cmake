# The main window, and the start-up with its second copy (the program itself, run by the test).
cellwatch_add_ui_test(main_frame_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_frame_test.cpp)
cellwatch_add_ui_test(startup_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_test.cpp)
add_dependencies(startup_test cellwatch cellwatch-window)
target_compile_definitions(startup_test PRIVATE CELLWATCH_PROGRAM="$<TARGET_FILE:cellwatch>")
# The channel a second copy hands its file over.
cellwatch_add_ui_test(instance_channel_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/instance_channel_test.cpp)
