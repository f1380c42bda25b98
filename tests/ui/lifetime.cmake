# The framework's lifetime model across controls, windows and handlers.
qix_add_test(ui_lifetime SOURCES ${CMAKE_CURRENT_LIST_DIR}/lifetime.cpp
  LIBS qxui_skin qxui_render_test_support)
# Drop-downs and native edit windows close when their window loses the focus.
set_tests_properties(ui_lifetime PROPERTIES RUN_SERIAL TRUE)

# Every place where the framework calls user code survives what that code does.
qix_add_test(ui_callouts SOURCES ${CMAKE_CURRENT_LIST_DIR}/callouts.cpp LIBS qxui_skin)
set_tests_properties(ui_callouts PROPERTIES RUN_SERIAL TRUE)
