# The list family: list, list items, combo box with its drop-down, tree view.
set(QXUI_LISTS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

qix_add_test(ui_lists_list SOURCES ${QXUI_LISTS_TEST_DIR}/lists_list.cpp
  LIBS qxui_skin qxui_render_test_support)

qix_add_test(ui_lists_combo SOURCES ${QXUI_LISTS_TEST_DIR}/lists_combo.cpp
  LIBS qxui_skin qxui_render_test_support)

qix_add_test(ui_lists_tree SOURCES ${QXUI_LISTS_TEST_DIR}/lists_tree.cpp LIBS qxui_skin)
# The drop-down closes when it loses the focus, which a window of any other test may take.
set_tests_properties(ui_lists_combo PROPERTIES RUN_SERIAL TRUE)
# The drop-down is activated as it opens, and Wine hands an activated window, and then its owner,
# to the X window manager; ending such a window waits 2 s for the manager, which Xvfb does not
# have. Wine reads as a program starts whether to do so: it is told not to for this one before.
add_test(NAME ui_lists_combo_windows_unmanaged
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/wine-test ${CMAKE_CROSSCOMPILING_EMULATOR} reg add
    "HKCU\\Software\\Wine\\AppDefaults\\ui_lists_combo.exe\\X11 Driver" /v Managed /t REG_SZ /d N /f)
set_tests_properties(ui_lists_combo_windows_unmanaged PROPERTIES FIXTURES_SETUP combo_windows_unmanaged)
set_tests_properties(ui_lists_combo PROPERTIES FIXTURES_REQUIRED combo_windows_unmanaged)
