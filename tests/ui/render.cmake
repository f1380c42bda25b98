# The render engine, image loading and the window manager's resource tables.
set(QXUI_RENDER_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
add_library(qxui_render_test_support STATIC ${QXUI_RENDER_TEST_DIR}/render_support.cpp)
target_link_libraries(qxui_render_test_support PUBLIC ZLIB::ZLIB)

qix_add_test(ui_render_drawing SOURCES ${QXUI_RENDER_TEST_DIR}/render_drawing.cpp
  LIBS qxui_core qxui_render_test_support)

# A 2 x 1 24-bit BMP (a blue pixel, then a red one) embedded as resource 12 of type
# "QIXIMAGE", written out by the build as the .rc file's raw 16-bit words.
set(qxui_bmp_words
  0x4D42 0x003E 0x0000 0x0000 0x0000 0x0036 0x0000   # "BM", file size 62, data at 54
  0x0028 0x0000 0x0002 0x0000 0x0001 0x0000          # header size 40, width 2, height 1
  0x0001 0x0018 0x0000 0x0000 0x0008 0x0000          # 1 plane, 24 bits, BI_RGB, 8 bytes
  0x0000 0x0000 0x0000 0x0000 0x0000 0x0000 0x0000 0x0000
  0x00FF 0x0000 0xFF00 0x0000)                       # B G R | B G R | row padding
list(JOIN qxui_bmp_words ", " qxui_bmp_data)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/render_images.rc
  "12 QIXIMAGE\nBEGIN\n  ${qxui_bmp_data}\nEND\n")

qix_add_test(ui_render_images
  SOURCES ${QXUI_RENDER_TEST_DIR}/render_images.cpp ${CMAKE_CURRENT_BINARY_DIR}/render_images.rc
  LIBS qxui_core qxui_render_test_support)

qix_add_test(ui_resources_tables
  SOURCES ${QXUI_RENDER_TEST_DIR}/resources_tables.cpp ${CMAKE_CURRENT_BINARY_DIR}/render_images.rc
  LIBS qxui_core qxui_render_test_support)
qxui_count_allocations(ui_resources_tables)

qix_add_test(ui_resources_lifetime SOURCES ${QXUI_RENDER_TEST_DIR}/resources_lifetime.cpp
  LIBS qxui_skin qxui_render_test_support)

qix_add_test(ui_render_zip_memory SOURCES ${QXUI_RENDER_TEST_DIR}/render_zip_memory.cpp
  LIBS qxui_core qxui_render_test_support)
