# The shipped 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QIX_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Not run here: the tests run the x86_64 build (see scripts/setup.sh).

