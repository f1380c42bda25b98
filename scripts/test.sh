#!/usr/bin/env bash
# Builds everything and runs the tests under Wine; exits with ctest's status.
# The shipped 32-bit programs are built in build/win32 and checked by a test of their own.
# The tests run a 32-bit build (build/win32-tests) under 32-bit Wine where wine32:i386 could be
# installed, else a 64-bit build (build/win64) under 64-bit Wine; one line says which and why.
# QIX_TEST_ARCH=win64 runs the 64-bit build all the same.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
root="${QIX_BUILD_DIR:-$top/build}"

bash "$top/scripts/setup.sh"

cmake -S "$top" -B "$root/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
  -DQIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/win32" -j "$(nproc)"

build="$root/win64"
source "$top/scripts/wine-env.sh"
why=$(qix_wine32_missing)
if [ -z "$why" ] && [ "${QIX_TEST_ARCH:-}" = win64 ]; then
  why="QIX_TEST_ARCH=win64 asks for it"
fi
if [ -z "$why" ]; then
  echo "tests: the 32-bit build under 32-bit Wine (build/win32-tests)"
  build="$root/win32-tests"
  toolchain=mingw-w64-i686.cmake
  export QIX_WINE_ARCH=win32
else
  echo "tests: the 64-bit build under 64-bit Wine, since 32-bit Wine cannot run here: $why"
  toolchain=mingw-w64-x86_64.cmake
  export QIX_WINE_ARCH=win64
fi
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain" \
  -DQIX_SHIPPED_BUILD="$root/win32" >/dev/null
cmake --build "$build" -j "$(nproc)"

source "$top/scripts/wine-env.sh"
qix_wine_start

cd "$build"
set +e
ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
status=$?
set -e
exit $status
