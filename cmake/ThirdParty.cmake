# Third-party libraries. TinyXML-2 and minizip are compiled from the Debian source packages
# that scripts/setup.sh fetches into third_party/src; the rest come from Debian's -dev packages.
# mingw does not search /usr/include, and must not see all of it: only the library folders
# we use are linked into one include folder of the build.

set(QIX_THIRD_PARTY_SRC ${CMAKE_SOURCE_DIR}/third_party/src)
set(QIX_SYS_INCLUDE ${CMAKE_BINARY_DIR}/sysinclude)

foreach(item boost easylogging++.h)
  if(NOT EXISTS /usr/include/${item})
    message(FATAL_ERROR "/usr/include/${item} is missing: run scripts/setup.sh")
  endif()
  file(MAKE_DIRECTORY ${QIX_SYS_INCLUDE})
  file(CREATE_LINK /usr/include/${item} ${QIX_SYS_INCLUDE}/${item} SYMBOLIC)
endforeach()

foreach(item tinyxml2/tinyxml2.cpp zlib/contrib/minizip/unzip.c)
  if(NOT EXISTS ${QIX_THIRD_PARTY_SRC}/${item})
    message(FATAL_ERROR "${QIX_THIRD_PARTY_SRC}/${item} is missing: run scripts/setup.sh")
  endif()
endforeach()

# zlib for mingw, linked statically.
find_path(QIX_ZLIB_INCLUDE zlib.h REQUIRED)
find_library(QIX_ZLIB_LIBRARY NAMES libz.a REQUIRED)
add_library(qix_zlib INTERFACE)
target_include_directories(qix_zlib SYSTEM INTERFACE ${QIX_ZLIB_INCLUDE})
target_link_libraries(qix_zlib INTERFACE ${QIX_ZLIB_LIBRARY})
add_library(ZLIB::ZLIB ALIAS qix_zlib)

# Boost, header-only parts: asio (with system), smart pointers, function/bind, any, mutex.
add_library(qix_boost INTERFACE)
target_include_directories(qix_boost SYSTEM INTERFACE ${QIX_SYS_INCLUDE})
target_compile_definitions(qix_boost INTERFACE BOOST_ALL_NO_LIB BOOST_ASIO_NO_DEPRECATED
  BOOST_BIND_GLOBAL_PLACEHOLDERS)
target_link_libraries(qix_boost INTERFACE ws2_32 mswsock)
add_library(Boost::headers ALIAS qix_boost)

# stb_image: the implementation is compiled by the one unit that defines STB_IMAGE_IMPLEMENTATION.
add_library(qix_stb INTERFACE)
target_include_directories(qix_stb SYSTEM INTERFACE /usr/include/stb)
add_library(stb::image ALIAS qix_stb)

# TinyXML-2.
add_library(tinyxml2 STATIC ${QIX_THIRD_PARTY_SRC}/tinyxml2/tinyxml2.cpp)
target_include_directories(tinyxml2 SYSTEM PUBLIC ${QIX_THIRD_PARTY_SRC}/tinyxml2)
target_compile_options(tinyxml2 PRIVATE -w)

# minizip (reading side only), over the mingw zlib.
set(QIX_MINIZIP ${QIX_THIRD_PARTY_SRC}/zlib/contrib/minizip)
add_library(minizip STATIC ${QIX_MINIZIP}/unzip.c ${QIX_MINIZIP}/ioapi.c)
target_include_directories(minizip SYSTEM PUBLIC ${QIX_MINIZIP})
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
target_compile_options(minizip PRIVATE -w)

# easylogging++: thread-safe, and nothing written to a default log file. The library's
# storage lives in the same archive, so every program that logs links it.
file(WRITE ${CMAKE_BINARY_DIR}/easylogging_storage.cc "#include <easylogging++.h>\nINITIALIZE_EASYLOGGINGPP\n")
add_library(easyloggingpp STATIC /usr/include/easylogging++.cc ${CMAKE_BINARY_DIR}/easylogging_storage.cc)
target_include_directories(easyloggingpp SYSTEM PUBLIC ${QIX_SYS_INCLUDE})
target_compile_definitions(easyloggingpp PUBLIC ELPP_THREAD_SAFE ELPP_NO_DEFAULT_LOG_FILE
  ELPP_WINSOCK2)
target_compile_options(easyloggingpp PRIVATE -w)
target_link_libraries(easyloggingpp PUBLIC ws2_32)

# GoogleTest from Debian's source package.
if(NOT QIX_BUILD_TESTS)
  return()
endif()
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
