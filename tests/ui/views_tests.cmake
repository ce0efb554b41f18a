# The command script editor, the result log view and the SRAM view.
cellwatch_add_ui_test(report_view_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/report_view_test.cpp)
