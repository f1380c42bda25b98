# Cross build of Windows programs with mingw-w64 (posix threads); tests run under Wine.
# Included by the per-architecture toolchain files, which set QIX_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${QIX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QIX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${QIX_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QIX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
