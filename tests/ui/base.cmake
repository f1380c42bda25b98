# The framework's value types, XML reader, delegates and skin zip reader.
qix_add_test(ui_base_types SOURCES ${CMAKE_CURRENT_LIST_DIR}/base_types.cpp LIBS qxui_core)
qix_add_test(ui_base_attributes SOURCES ${CMAKE_CURRENT_LIST_DIR}/base_attributes.cpp LIBS qxui_core)
qxui_count_allocations(ui_base_types)

find_program(QIX_PYTHON3 python3 REQUIRED)
set(QIX_BASE_ZIPS ${CMAKE_CURRENT_BINARY_DIR}/base_zips.inc)
add_custom_command(OUTPUT ${QIX_BASE_ZIPS}
  COMMAND ${QIX_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/base_zips.py ${QIX_BASE_ZIPS}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/base_zips.py
  COMMENT "Generating the skin zip test archives")
qix_add_test(ui_base_zip SOURCES ${CMAKE_CURRENT_LIST_DIR}/base_zip.cpp ${QIX_BASE_ZIPS} LIBS qxui_core qix_test_support)
target_include_directories(ui_base_zip PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
qix_add_test(ui_base_xml SOURCES ${CMAKE_CURRENT_LIST_DIR}/base_xml.cpp ${QIX_BASE_ZIPS} LIBS qxui_core qix_test_support)
target_include_directories(ui_base_xml PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
qix_add_test(ui_base_delegate SOURCES ${CMAKE_CURRENT_LIST_DIR}/base_delegate.cpp LIBS qxui_core)
