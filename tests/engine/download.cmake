# The download path: command line, MD5, HTTP exchange, four-part download, download worker.
add_library(qix_test_http STATIC ${CMAKE_CURRENT_LIST_DIR}/TestHttpServer.cpp)
target_include_directories(qix_test_http PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qix_test_http PUBLIC qix_engine qix_test_support ws2_32)

qix_add_test(cmdline_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/CmdLineParserTest.cpp LIBS qix_app_core qix_test_support)
qix_add_test(md5_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/Md5Test.cpp LIBS qix_test_http qix_test_support)
qix_add_test(http_exchange_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/HttpExchangeTest.cpp LIBS qix_test_http qix_test_support)
qix_add_test(http_download_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/HttpDownloadTest.cpp LIBS qix_test_http qix_test_support)
qix_add_test(downloader_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/DownloaderTest.cpp
  LIBS qix_test_http qix_test_support
  LOCKS qelo_client)
