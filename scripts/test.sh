#!/usr/bin/env bash
# Builds everything and runs the tests under Wine; fails when any test fails.
# The shipped 32-bit programs are built in build/win32 and checked by a test of their own.
# The tests run as a 32-bit build (build/win32-tests) under 32-bit Wine wherever 32-bit Wine
# can be had, and as a 64-bit build (build/win64) under 64-bit Wine; where 32-bit Wine cannot
# run, one line says why and the 64-bit run is the only one.
# QIX_TEST_ARCH=win32 or win64 runs only that build. Arguments go to ctest.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
root="${QIX_BUILD_DIR:-$top/build}"

bash "$top/scripts/setup.sh"

cmake -S "$top" -B "$root/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
  -DQIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/win32" -j "$(nproc)"

# Builds one test build and runs it in its own Wine prefix, display and server, all stopped
# when the subshell ends.
run_suite() (
  local arch=$1 folder=$2 toolchain=$3
  shift 3
  build="$root/$folder"
  export QIX_WINE_ARCH=$arch
  export QIX_WINE_UNMANAGED=1
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain" \
    -DQIX_SHIPPED_BUILD="$root/win32" >/dev/null
  cmake --build "$build" -j "$(nproc)"
  source "$top/scripts/wine-env.sh"
  qix_wine_start
  cd "$build"
  ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
)

arches=(win32 win64)
case "${QIX_TEST_ARCH:-}" in
  win32|win64) arches=("$QIX_TEST_ARCH") ;;
esac
build="$root/win64"
source "$top/scripts/wine-env.sh"
why=$(qix_wine32_missing)
if [ -n "$why" ]; then
  echo "tests: the 64-bit build only, since 32-bit Wine cannot run here: $why"
  arches=(win64)
fi

status=0
for arch in "${arches[@]}"; do
  if [ "$arch" = win32 ]; then
    echo "tests: the 32-bit build under 32-bit Wine (build/win32-tests)"
    run_suite win32 win32-tests mingw-w64-i686.cmake "$@" || status=1
  else
    echo "tests: the 64-bit build under 64-bit Wine (build/win64)"
    run_suite win64 win64 mingw-w64-x86_64.cmake "$@" || status=1
  fi
done
exit $status
