# The window manager's messages, painting, input, focus, timers and notifications, and the
# native window base.
set(QXUI_MANAGER_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
qix_add_test(ui_manager_window SOURCES ${QXUI_MANAGER_TEST_DIR}/manager_window.cpp LIBS qxui_core)
qix_add_test(ui_manager_messages SOURCES ${QXUI_MANAGER_TEST_DIR}/manager_messages.cpp LIBS qxui_core)
qix_add_test(ui_manager_input SOURCES ${QXUI_MANAGER_TEST_DIR}/manager_input.cpp LIBS qxui_core)
qix_add_test(ui_manager_paint SOURCES ${QXUI_MANAGER_TEST_DIR}/manager_paint.cpp
  LIBS qxui_core qxui_render_test_support)
