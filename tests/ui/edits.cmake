# The edit box, the date/time picker, the rich edit control and its text host.
set(QXUI_EDITS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

qix_add_test(ui_edits_edit SOURCES ${QXUI_EDITS_TEST_DIR}/edits_edit.cpp
  LIBS qxui_skin qxui_render_test_support)
qxui_count_allocations(ui_edits_edit)

qix_add_test(ui_edits_datetime SOURCES ${QXUI_EDITS_TEST_DIR}/edits_datetime.cpp LIBS qxui_skin)

qix_add_test(ui_edits_richedit SOURCES ${QXUI_EDITS_TEST_DIR}/edits_richedit.cpp LIBS qxui_skin)
# The native editors close when they lose the focus, which a window of any other test may take.
set_tests_properties(ui_edits_edit ui_edits_datetime PROPERTIES RUN_SERIAL TRUE)
