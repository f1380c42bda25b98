#!/usr/bin/env bash
# The main job: builds the programs and runs an update under Wine beside the stand-in client,
# saving a screenshot of each window the update shows under build/demo/.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
root="${QIX_BUILD_DIR:-$top/build}"
build="$root/win64"

bash "$top/scripts/setup.sh"
cmake -S "$top" -B "$root/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
  -DQIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/win32" -j "$(nproc)" >/dev/null
# The shipped 32-bit programs run under 32-bit Wine where it can be had, else a 64-bit build.
source "$top/scripts/wine-env.sh"
why=$(qix_wine32_missing)
if [ -z "$why" ]; then
  build="$root/win32"
  export QIX_WINE_ARCH=win32
  echo "demo: built the 32-bit programs in $build; they run here under 32-bit Wine"
else
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DQIX_SHIPPED_BUILD="$root/win32" >/dev/null
  cmake --build "$build" -j "$(nproc)" >/dev/null
  echo "demo: built the 32-bit programs in $root/win32 and the 64-bit ones run here in $build," \
    "since 32-bit Wine cannot run here: $why"
fi
shots="$root/demo"
mkdir -p "$shots"
rm -f "$shots"/*.png

source "$top/scripts/wine-env.sh"  # again, for the build chosen above
qix_wine_start

# The skins ask for the Chinese system font of Windows; here WenQuanYi Micro Hei draws it, as
# a Chinese Windows would (without it Wine falls back to a face with no Chinese letters).
python3 - "$WINEPREFIX/qix-fonts.reg" <<'PY'
import sys
text = ("Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n"
        "\"\u5fae\u8f6f\u96c5\u9ed1\"=\"WenQuanYi Micro Hei\"\r\n")
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY
"$qix_wine" regedit /S "Z:$(tr / '\\' <<<"$WINEPREFIX/qix-fonts.reg")" </dev/null >/dev/null 2>&1 || true

drive_c="$WINEPREFIX/drive_c"
demo="$drive_c/qixdemo"
install="$demo/client"
rm -rf "$demo"
mkdir -p "$install/temp" "$demo/www"
cp "$build/tools/qelo/qelo.exe" "$build/launcher/qeloLaunch.exe" "$install/"
cp "$build/updater/app/qixUpdater.exe" "$install/temp/Updater.exe"
cp "$build/tools/zlibdll/zlib.dll" "$install/temp/"
echo "1.0" > "$install/version.txt"
cat > "$install/ProductConfig.xml" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<ProductConfig>
  <ProgName>qelo.exe</ProgName>
  <LaunchName>qeloLaunch.exe</LaunchName>
  <CacheName>qixdemo</CacheName>
  <shortcut_cn>qelo</shortcut_cn>
  <shortcut_en>qelo</shortcut_en>
  <shortcut_new_cn>qelo classroom</shortcut_new_cn>
  <shortcut_new_en>qelo classroom</shortcut_new_en>
</ProductConfig>
XML
echo "demo: installed the stand-in client, the launcher and the updater in C:\\qixdemo\\client"

# The update package, served by nginx on a free loopback port, slowly enough (128 KiB/s for
# each of the four ranges) that the progress window can be seen at work.
python3 - "$demo/www/update.zip" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as package:
    package.writestr("version.txt", "2.0\n")
    package.writestr("bin/classroom.dat", os.urandom(3 * 1024 * 1024))
    package.writestr("docs/whatsnew.txt", "The 2.0 classroom client.\n" * 2000)
PY
md5=$(md5sum "$demo/www/update.zip" | cut -d' ' -f1)
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$demo/nginx"
cat > "$demo/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $demo/nginx/nginx.pid;
error_log $demo/nginx/error.log warn;
events { worker_connections 64; }
http {
  access_log $demo/nginx/access.log;
  server {
    listen 127.0.0.1:$port;
    root $demo/www;
    limit_rate 128k;
  }
}
CONF
nginx -p "$demo/nginx" -c "$demo/nginx/nginx.conf" </dev/null >/dev/null 2>&1 &
nginx_pid=$!
trap 'kill "$nginx_pid" 2>/dev/null; wait "$nginx_pid" 2>/dev/null; qix_wine_stop' EXIT
# Polls `test` (a command) every 0.2 s until it succeeds or `seconds` pass (then fails).
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
wait_for 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null \
  || { echo "demo: nginx did not start"; exit 1; }
echo "demo: nginx serves update.zip ($(stat -c %s "$demo/www/update.zip") bytes, md5 $md5) on 127.0.0.1:$port"

logs="$drive_c/users/$(id -un)/AppData/Local/qixUpdater"
rm -rf "$logs"
cp "$build/tools/wndclose/wndclose.exe" "$build/tools/wndfind/wndfind.exe" "$demo/"

# Saves a screenshot of the window of class $1 as build/demo/$2.png once it is shown: wndfind
# waits until the window is visible and tells where it is; the screen is then taken until the
# window's area is painted (more than a few colours), for at most 10 s.
shoot() {
  local class=$1 name=$2 what=$3 rect x y w h
  if ! rect=$("$qix_wine" "$demo/wndfind.exe" "$class" 120 </dev/null 2>/dev/null | tr -d '\r'); then
    echo "demo: the $what did not appear within 120 s"
    return 1
  fi
  read -r x y w h <<<"$rect"
  local out="$shots/$name.png"
  painted() {
    /usr/bin/import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$out" 2>/dev/null \
      && [ "$(/usr/bin/convert "$out" -format %k info: 2>/dev/null || echo 0)" -gt 16 ]
  }
  wait_for 10 painted || true
  echo "demo: screenshot of the $what: $out"
}

# True once the download's part files hold a quarter of the package.
quarter_downloaded() {
  local have
  have=$(find "$demo" -name 'update.td*' -printf '%s\n' 2>/dev/null | awk '{n += $1} END {print n + 0}')
  [ "$have" -ge $(($(stat -c %s "$demo/www/update.zip") / 4)) ]
}

echo "demo: the stand-in client runs"
(cd "$install" && "$qix_wine" qelo.exe </dev/null >/dev/null 2>&1 &)
wait_for 30 test -e "$install/qelo-record.txt" || echo "demo: the stand-in client has not started"

echo "demo: the updater runs a forced update without a prompt (-forcedupdate=5): it downloads the"
echo "      package in four ranges, checks it, ends the client, extracts the package over the"
echo "      client's folder through zlib.dll, shows its completion window and starts the client"
echo "      (here the launcher, the default client program) with the page parameters"
(cd "$install/temp" && "$qix_wine" Updater.exe "-url=http://127.0.0.1:$port/update.zip" "-md5=$md5" \
  -forcedupdate=5 -pagecallparam=room/7 '-extractpath=C:\qixdemo\client' </dev/null >/dev/null 2>&1) &
updater=$!
wait_for 120 quarter_downloaded || echo "demo: the download has not begun within 120 s"
shoot hrq_updater_wnd_class_name progress "progress window during the download" || true
shoot hrq_updater_launch_wnd_class_name completion "completion window" || true
# The completion window waits for the user: close it the way a user would.
if "$qix_wine" "$demo/wndclose.exe" hrq_updater_launch_wnd_class_name 120 </dev/null >/dev/null 2>&1; then
  echo "demo: the completion window appeared and was closed"
else
  echo "demo: the completion window did not appear within 120 s"
fi
set +e
wait "$updater"
echo "demo: the updater exited with $?"
set -e
# The launcher applies update.zip and starts the client again: its record then says so twice.
wait_for 60 bash -c "[ \$(grep -c ' cmdline ' '$install/qelo-record.txt') -ge 2 ]" \
  || echo "demo: the client was not started again within 60 s"
echo "demo: the updater's log:"
cat "$logs"/*.log | tr -d '\r' | sed 's/^/    /'
echo "demo: requests nginx answered:"
awk '{print "    " $6 " " $7 " " $9 " " $10 " bytes"}' "$demo/nginx/access.log" | tr -d '"'
echo "demo: the client's folder after the update:"
echo "    version.txt: $(cat "$install/version.txt")"
echo "    docs/whatsnew.txt: $(stat -c %s "$install/docs/whatsnew.txt" 2>/dev/null || echo missing) bytes," \
  "bin/classroom.dat: $(stat -c %s "$install/bin/classroom.dat" 2>/dev/null || echo missing) bytes"
echo "    temp folder (the launcher took update.zip from it): $(ls "$install/temp" | tr '\n' ' ')"
echo "demo: the stand-in client's record: started by the demo, ended by the updater, then started"
echo "      by the launcher with the page parameters"
sed 's/^/    /' "$install/qelo-record.txt"

echo "demo: a second, short run offers an optional update (-forcedupdate=0): the updater asks"
echo "      first; the demo takes the prompt's picture and presses Escape in it, which declines"
(cd "$install/temp" && "$qix_wine" Updater.exe "-url=http://127.0.0.1:$port/update.zip" "-md5=$md5" \
  -forcedupdate=0 '-extractpath=C:\qixdemo\client' </dev/null >/dev/null 2>&1) &
updater=$!
shoot hrq_updater_tips_wnd_class_name prompt "prompt of the optional update" || true
"$qix_wine" "$demo/wndclose.exe" -escape hrq_updater_tips_wnd_class_name 120 </dev/null >/dev/null 2>&1 || true
set +e
wait "$updater"
echo "demo: the updater exited with $? (declined)"
set -e
echo "demo: screenshots saved:"
ls "$shots"/*.png 2>/dev/null | sed 's/^/    /'
