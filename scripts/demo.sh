#!/usr/bin/env bash
# The main job: builds the programs and runs an update under Wine beside the stand-in client.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
root="${QIX_BUILD_DIR:-$top/build}"
build="$root/win64"

bash "$top/scripts/setup.sh"
cmake -S "$top" -B "$root/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
  -DQIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/win32" -j "$(nproc)" >/dev/null
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DQIX_SHIPPED_BUILD="$root/win32" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
echo "demo: built the 32-bit programs in $root/win32 and the 64-bit ones run here in $build"

source "$top/scripts/wine-env.sh"
qix_wine_start

drive_c="$WINEPREFIX/drive_c"
install="$drive_c/qixdemo/client"
rm -rf "$drive_c/qixdemo"
mkdir -p "$install/temp"
cp "$build/tools/qelo/qelo.exe" "$install/qelo.exe"
cp "$build/updater/app/qixUpdater.exe" "$install/temp/Updater.exe"
cat > "$install/ProductConfig.xml" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<ProductConfig>
  <ProgName>qelo.exe</ProgName>
  <LaunchName>qeloLaunch.exe</LaunchName>
  <CacheName>qixdemo</CacheName>
</ProductConfig>
XML
echo "demo: installed the stand-in client and the updater in C:\\qixdemo\\client"

logs="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/qixUpdater"
rm -rf "$logs"

echo "demo: starting the stand-in client"
(cd "$install" && "$qix_wine" qelo.exe </dev/null >/dev/null 2>&1 &)
sleep 2

echo "demo: running the updater"
set +e
(cd "$install/temp" && "$qix_wine" Updater.exe -url=http://127.0.0.1:1/none.zip -md5=0 -forcedupdate=5 \
  </dev/null >/dev/null 2>&1)
code=$?
set -e
echo "demo: the updater exited with $code"
echo "demo: its log:"
cat "$logs"/*.log | sed 's/^/    /'
echo "demo: the stand-in client's record:"
sed 's/^/    /' "$install/qelo-record.txt"
