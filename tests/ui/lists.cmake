# The list family: list, list items, combo box with its drop-down, tree view.
set(QXUI_LISTS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

qix_add_test(ui_lists_list SOURCES ${QXUI_LISTS_TEST_DIR}/lists_list.cpp
  LIBS qxui_skin qxui_render_test_support)

qix_add_test(ui_lists_combo SOURCES ${QXUI_LISTS_TEST_DIR}/lists_combo.cpp
  LIBS qxui_skin qxui_render_test_support)

qix_add_test(ui_lists_tree SOURCES ${QXUI_LISTS_TEST_DIR}/lists_tree.cpp LIBS qxui_skin)
# The drop-down closes when it loses the focus, which a window of any other test may take.
set_tests_properties(ui_lists_combo PROPERTIES RUN_SERIAL TRUE)
