# The window manager's messages, painting, input, focus, timers and notifications, and the
# native window base.
set(QXUI_MANAGER_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
qix_add_test(ui_manager_window SOURCES ${QXUI_MANAGER_TEST_DIR}/manager_window.cpp LIBS qxui_skin)
qix_add_test(ui_manager_messages SOURCES ${QXUI_MANAGER_TEST_DIR}/manager_messages.cpp LIBS qxui_skin)
qix_add_test(ui_manager_input SOURCES ${QXUI_MANAGER_TEST_DIR}/manager_input.cpp LIBS qxui_skin)
qix_add_test(ui_manager_paint SOURCES ${QXUI_MANAGER_TEST_DIR}/manager_paint.cpp
  LIBS qxui_skin qxui_render_test_support)
# One case moves the real pointer over the spot where every test window opens, which would
# send mouse messages to the windows of tests running beside it.
set_tests_properties(ui_manager_paint PROPERTIES RUN_SERIAL TRUE)

# An icon resource (id 31) for the window icon test, drawn by the build.
find_program(QIX_PYTHON3 python3 REQUIRED)
set(QXUI_MANAGER_ICON_RC ${CMAKE_CURRENT_BINARY_DIR}/manager_icon.rc)
add_custom_command(OUTPUT ${QXUI_MANAGER_ICON_RC} ${CMAKE_CURRENT_BINARY_DIR}/manager_icon.ico
  COMMAND ${QIX_PYTHON3} ${QXUI_MANAGER_TEST_DIR}/manager_icon.py
          ${CMAKE_CURRENT_BINARY_DIR}/manager_icon.ico ${QXUI_MANAGER_ICON_RC}
  DEPENDS ${QXUI_MANAGER_TEST_DIR}/manager_icon.py
  COMMENT "Drawing the window icon test resource")
target_sources(ui_manager_window PRIVATE ${QXUI_MANAGER_ICON_RC})
