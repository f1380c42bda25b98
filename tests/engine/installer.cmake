add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/install_package.zip
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/make_install_package.py ${CMAKE_CURRENT_BINARY_DIR}/install_package.zip
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_install_package.py)
add_custom_target(install_package DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/install_package.zip)

qix_add_test(engine_installer_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/InstallerTest.cpp
  LIBS qix_engine qix_test_support
  LOCKS qelo_client)
add_dependencies(engine_installer_test install_package)
target_compile_definitions(engine_installer_test PRIVATE
  QIX_INSTALL_PACKAGE="${CMAKE_CURRENT_BINARY_DIR}/install_package.zip")

qix_add_test(engine_widepath_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WidePathDownloadTest.cpp
  LIBS qix_test_http qix_test_support)
