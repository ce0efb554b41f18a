# The command script editor, the result log view and the SRAM view.
cellwatch_add_ui_test(report_view_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views/log/report_view_test.cpp)
cellwatch_add_ui_test(script_view_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views/script/script_view_test.cpp)
cellwatch_add_ui_test(memory_view_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views/sram/memory_view_test.cpp)
# The typed conformance suite of every TextBuffer, run over the editor's document.
cellwatch_add_ui_test(document_buffer_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views/script/document_buffer_test.cpp)
target_link_libraries(document_buffer_test PRIVATE GTest::gtest)
target_include_directories(document_buffer_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/script)
# Not a test: the program that makes the views' pictures for docs/gui.md.
add_executable(view_screenshots ${CMAKE_CURRENT_LIST_DIR}/views/view_screenshots.cpp)
target_link_libraries(view_screenshots PRIVATE cellwatch_options cellwatch_ui)
target_compile_definitions(view_screenshots PRIVATE CELLWATCH_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# Finding lines in the result log, and that a long search leaves the window responsive.
cellwatch_add_ui_test(log_search_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views/log/log_search_test.cpp)
