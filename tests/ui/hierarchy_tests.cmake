# The design hierarchy and trace list views with their dialogs, over the example designs.
cellwatch_add_ui_test(hierarchy_views_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views/design/hierarchy_views_test.cpp)
# Not a test: the program that makes the hierarchy and trace list picture for docs/gui.md.
add_executable(hierarchy_screenshot ${CMAKE_CURRENT_LIST_DIR}/views/design/hierarchy_screenshot.cpp)
target_link_libraries(hierarchy_screenshot PRIVATE cellwatch_options cellwatch_ui)
