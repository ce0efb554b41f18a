# The design hierarchy and trace list views with their dialogs, over the example designs.
cellwatch_add_ui_test(hierarchy_views_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/hierarchy_views_test.cpp)
