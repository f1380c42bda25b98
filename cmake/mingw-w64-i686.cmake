# The shipped 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QIX_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Tests of this build run under 32-bit Wine where it is installed (see scripts/test.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine32)

