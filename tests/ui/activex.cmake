# The ActiveX host and the web browser control, with a test control of our own in a DLL that
# lies beside the test programs.
set(QXUI_ACTIVEX_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(qx_activex_testctl SHARED
  ${QXUI_ACTIVEX_TEST_DIR}/activex_testctl/TestControl.cpp
  ${QXUI_ACTIVEX_TEST_DIR}/activex_testctl/qx_activex_testctl.def)
set_target_properties(qx_activex_testctl PROPERTIES PREFIX "")
target_link_libraries(qx_activex_testctl PRIVATE qix_win32 ole32 oleaut32 uuid user32 gdi32)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The .def names the undecorated exports of the WINAPI functions.
  target_link_options(qx_activex_testctl PRIVATE -Wl,--enable-stdcall-fixup)
endif()

foreach(test ui_activex_host ui_activex_browser ui_activex_lifetime)
  string(REPLACE "ui_activex_" "activex_" source ${test})
  qix_add_test(${test} SOURCES ${QXUI_ACTIVEX_TEST_DIR}/${source}.cpp LIBS qxui_skin)
  target_include_directories(${test} PRIVATE ${QXUI_ACTIVEX_TEST_DIR}/activex_testctl)
  add_dependencies(${test} qx_activex_testctl)
  add_custom_command(TARGET ${test} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:qx_activex_testctl>
            $<TARGET_FILE_DIR:${test}>)
  # One at a time: the host test registers the test control under per-user keys.
  set_tests_properties(${test} PROPERTIES RESOURCE_LOCK qx_activex_testctl)
endforeach()
