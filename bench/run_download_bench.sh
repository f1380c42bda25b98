#!/usr/bin/env bash
# Download benchmark: the engine (the shipped 32-bit build under 32-bit Wine where that is
# installed, else the 64-bit build under 64-bit Wine) against aria2c and curl, all fetching
# generated packages from a local nginx, unthrottled and with a per-connection rate limit.
# Prints which build it measured and a Markdown table of medians; nothing here runs under ctest.
#   bench/run_download_bench.sh     (RUNS, SIZES_MIB, RATE, BENCH_DIR and QIX_TEST_ARCH=win64 may be set)
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
root="${QIX_BUILD_DIR:-$top/build}"
runs="${RUNS:-5}"
sizes="${SIZES_MIB:-64 512}"
rate="${RATE:-16m}"
work="${BENCH_DIR:-/tmp/qix-download-bench}"

need=()
command -v aria2c >/dev/null || need+=(aria2)
command -v curl >/dev/null || need+=(curl)
command -v nginx >/dev/null || need+=(nginx-light)
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq || true  # a mirror mid-sync fails one index, not the install
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

bash "$top/scripts/setup.sh" >&2
build="$root/win64"
source "$top/scripts/wine-env.sh"
why=$(qix_wine32_missing)
[ -z "$why" ] && [ "${QIX_TEST_ARCH:-}" = win64 ] && why="QIX_TEST_ARCH=win64 asks for it"
if [ -z "$why" ]; then
  build="$root/win32-tests"
  toolchain=mingw-w64-i686.cmake
  export QIX_WINE_ARCH=win32
  measured="the 32-bit build (build/win32-tests) under 32-bit Wine"
else
  toolchain=mingw-w64-x86_64.cmake
  export QIX_WINE_ARCH=win64
  measured="the 64-bit build (build/win64) under 64-bit Wine, since 32-bit Wine cannot run here: $why"
fi
echo "bench: measuring $measured" >&2
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain" >/dev/null
fi
cmake --build "$build" --target download_bench >/dev/null
driver="$build/bench/download_bench.exe"

rm -rf "$work"
mkdir -p "$work/www" "$work/engine" "$work/aria2" "$work/curl" "$work/nginx"
chmod 755 "$work" "$work/www"
declare -A md5
for size in $sizes; do
  head -c $((size * 1024 * 1024)) /dev/urandom >"$work/www/pkg$size.zip"
  chmod 644 "$work/www/pkg$size.zip"
  md5[$size]=$(md5sum "$work/www/pkg$size.zip" | cut -d' ' -f1)
done

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes 4;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log warn;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  server {
    listen 127.0.0.1:$port;
    location /fast/ { alias $work/www/; }
    location /slow/ { alias $work/www/; limit_rate $rate; }
  }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!

source "$top/scripts/wine-env.sh"  # again, for the build chosen above
stop_all() {
  kill "$nginx_pid" 2>/dev/null || true
  wait "$nginx_pid" 2>/dev/null || true
  qix_wine_stop
}
qix_wine_start
trap stop_all EXIT
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/fast/pkg${sizes%% *}.zip" -r 0-0 && break; sleep 0.1; done

winfolder="Z:$(echo "$work/engine" | tr / '\\')"
now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

results="$work/results.txt"
: >"$results"
for mode in slow fast; do
  for size in $sizes; do
    url="http://127.0.0.1:$port/$mode/pkg$size.zip"
    for run in $(seq "$runs"); do
      rm -f "$work"/engine/* "$work"/aria2/* "$work"/curl/*
      out=$("$qix_wine" "$driver" "127.0.0.1:$port" "/$mode/pkg$size.zip" "${md5[$size]}" "$winfolder")
      case "$out" in *result=1*) ;; *) echo "engine failed: $out" >&2; exit 1 ;; esac
      secs=$(sed 's/.*seconds=\([0-9.]*\).*/\1/' <<<"$out")
      peak=$(sed 's/.*peak_working_set=\([0-9]*\).*/\1/' <<<"$out")
      echo "$mode $size engine $secs $peak" >>"$results"

      t0=$(now)
      aria2c -q -x4 -s4 -k1M --file-allocation=none --allow-overwrite=true -d "$work/aria2" -o pkg.zip "$url"
      sum=$(md5sum "$work/aria2/pkg.zip" | cut -d' ' -f1)
      t1=$(now)
      [ "$sum" = "${md5[$size]}" ] || { echo "aria2c digest differs" >&2; exit 1; }
      echo "$mode $size aria2c $(echo "$t1 - $t0" | bc -l) 0" >>"$results"

      t0=$(now)
      curl -s -o "$work/curl/pkg.zip" "$url"
      sum=$(md5sum "$work/curl/pkg.zip" | cut -d' ' -f1)
      t1=$(now)
      [ "$sum" = "${md5[$size]}" ] || { echo "curl digest differs" >&2; exit 1; }
      echo "$mode $size curl $(echo "$t1 - $t0" | bc -l) 0" >>"$results"
      echo "  $mode $size MiB run $run done" >&2
    done
  done
done

echo "Engine: $measured."
echo
echo "| server | package | engine (s) | aria2c (s) | curl (s) | engine / aria2c | curl / engine | engine peak working set |"
echo "|---|---|---|---|---|---|---|---|"
for mode in slow fast; do
  for size in $sizes; do
    e=$(awk -v m=$mode -v s=$size '$1==m && $2==s && $3=="engine" {print $4}' "$results" | median)
    a=$(awk -v m=$mode -v s=$size '$1==m && $2==s && $3=="aria2c" {print $4}' "$results" | median)
    c=$(awk -v m=$mode -v s=$size '$1==m && $2==s && $3=="curl" {print $4}' "$results" | median)
    p=$(awk -v m=$mode -v s=$size '$1==m && $2==s && $3=="engine" {print $5}' "$results" | sort -n | tail -1)
    label=$([ $mode = slow ] && echo "limit_rate $rate" || echo "unthrottled")
    printf "| %s | %s MiB | %.2f | %.2f | %.2f | %.2f | %.2f | %.1f MiB |\n" "$label" "$size" "$e" "$a" "$c" \
      "$(echo "$e / $a" | bc -l)" "$(echo "$c / $e" | bc -l)" "$(echo "$p / 1048576" | bc -l)"
  done
done
