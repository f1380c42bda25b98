# The control base, containers, scroll bars and layouts.
set(QXUI_CONTROLS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

qix_add_test(ui_controls_control SOURCES ${QXUI_CONTROLS_TEST_DIR}/controls_control.cpp
  LIBS qxui_skin qxui_render_test_support)

qix_add_test(ui_controls_container SOURCES ${QXUI_CONTROLS_TEST_DIR}/controls_container.cpp
  LIBS qxui_core qxui_render_test_support)

qix_add_test(ui_controls_scrollbar SOURCES ${QXUI_CONTROLS_TEST_DIR}/controls_scrollbar.cpp
  LIBS qxui_core qxui_render_test_support)

qix_add_test(ui_controls_layouts SOURCES ${QXUI_CONTROLS_TEST_DIR}/controls_layouts.cpp
  LIBS qxui_core qxui_render_test_support)

qix_add_test(ui_controls_window SOURCES ${QXUI_CONTROLS_TEST_DIR}/controls_window.cpp
  LIBS qxui_skin)
