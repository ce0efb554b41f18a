# The options sheet, splash, About box and the external wave viewer.
cellwatch_add_ui_test(dialogs_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialogs/dialogs_test.cpp)
