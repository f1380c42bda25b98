# Marked-up text, labels, text controls, buttons and progress bars.
set(QXUI_LABELS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

qix_add_test(ui_labels_markup SOURCES ${QXUI_LABELS_TEST_DIR}/labels_markup.cpp
  LIBS qxui_core qxui_render_test_support)

qix_add_test(ui_labels_controls SOURCES ${QXUI_LABELS_TEST_DIR}/labels_controls.cpp
  LIBS qxui_core qxui_render_test_support)

qix_add_test(ui_labels_padding SOURCES ${QXUI_LABELS_TEST_DIR}/labels_padding.cpp
  LIBS qxui_skin qxui_render_test_support)
