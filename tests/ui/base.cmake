# The framework's value types, XML reader, delegates and skin zip reader.
qix_add_test(ui_base_types SOURCES ${CMAKE_CURRENT_LIST_DIR}/base_types.cpp LIBS qxui_core)
