# The render engine, image loading and the window manager's resource tables.
set(QXUI_RENDER_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
add_library(qxui_render_test_support STATIC ${QXUI_RENDER_TEST_DIR}/render_support.cpp)
target_link_libraries(qxui_render_test_support PUBLIC ZLIB::ZLIB)

qix_add_test(ui_render_drawing SOURCES ${QXUI_RENDER_TEST_DIR}/render_drawing.cpp
  LIBS qxui_core qxui_render_test_support)
