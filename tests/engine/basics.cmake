qix_add_test(engine_config_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConfigParserTest.cpp ${CMAKE_CURRENT_LIST_DIR}/StringConvertTest.cpp
  LIBS qix_engine qix_test_support)
qix_add_test(engine_client_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ClientUtilTest.cpp
  LIBS qix_engine qix_test_support
  LOCKS qelo_client)
