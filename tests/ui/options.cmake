# Options, check boxes, sliders; tile, tab and child layouts; container scroll bars.
set(QXUI_OPTIONS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

qix_add_test(ui_options_controls SOURCES ${QXUI_OPTIONS_TEST_DIR}/options_controls.cpp
  LIBS qxui_skin qxui_render_test_support)

qix_add_test(ui_options_layouts SOURCES ${QXUI_OPTIONS_TEST_DIR}/options_layouts.cpp
  LIBS qxui_skin qxui_render_test_support)
