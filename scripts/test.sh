#!/usr/bin/env bash
# Builds everything and runs the tests under Wine; exits with ctest's status.
# The tests run the 64-bit build (build/win64); the shipped 32-bit programs are built
# in build/win32 and checked by a test of their own.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
root="${QIX_BUILD_DIR:-$top/build}"
build="$root/win64"

bash "$top/scripts/setup.sh"

cmake -S "$top" -B "$root/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
  -DQIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/win32" -j "$(nproc)"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
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
