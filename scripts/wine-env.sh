# Sourced by the scripts: one isolated Wine prefix under the build folder, one Xvfb display
# and one persistent wine server, all stopped by process id when the caller exits.
# Needs: $build (the build folder); QIX_WINE_ARCH may be win64 (the default) or win32, the
# architecture of the build's programs. Provides: $qix_wine (the loader to run them with),
# qix_wine_start, and a trap that stops everything.
# Also provides qix_wine32_missing, which says why 32-bit Wine cannot run here (nothing if it can).

: "${build:?set build to the build folder before sourcing wine-env.sh}"
qix_scripts="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# Where scripts/setup.sh unpacks the 32-bit Wine when apt cannot install it.
export QIX_WINE32_ROOT="${QIX_BUILD_DIR:-$qix_scripts/../build}/wine32-root"
qix_wineserver32=/usr/lib/wine/wineserver32
[ -x "$qix_wineserver32" ] || qix_wineserver32="$QIX_WINE32_ROOT/usr/lib/wine/wineserver32"
export WINEPREFIX="$build/wineprefix"
export WINEARCH="${QIX_WINE_ARCH:-win64}"
case "$WINEARCH" in
  win64) export WINESERVER=/usr/lib/wine/wineserver64; qix_wine="$qix_scripts/wine64" ;;
  win32) export WINESERVER="$qix_wineserver32"; qix_wine="$qix_scripts/wine32" ;;
  *) echo "QIX_WINE_ARCH must be win64 or win32, not $WINEARCH" >&2; return 1 ;;
esac
export WINEDEBUG=-all
# No Mono or Gecko install dialogs in a prefix that never needs them; no menu builder, which
# every saved shell link would start (holding the test's output pipes open).
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"

qix_xvfb_pid=""
qix_wineserver_pid=""
qix_desktop_fifo=""

qix_wine_stop() {
  if [ -n "$qix_wineserver_pid" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    kill "$qix_wineserver_pid" >/dev/null 2>&1 || true
    wait "$qix_wineserver_pid" 2>/dev/null || true
    qix_wineserver_pid=""
  fi
  if [ -n "$qix_xvfb_pid" ]; then
    kill "$qix_xvfb_pid" >/dev/null 2>&1 || true
    wait "$qix_xvfb_pid" 2>/dev/null || true
    qix_xvfb_pid=""
  fi
  if [ -n "$qix_desktop_fifo" ]; then
    rm -f "$qix_desktop_fifo"
    qix_desktop_fifo=""
  fi
}

qix_wine_start() {
  trap qix_wine_stop EXIT
  trap 'exit 130' INT TERM
  mkdir -p "$WINEPREFIX"

  # Xvfb picks a free display itself and writes its number to the pipe.
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
  qix_xvfb_pid=$!
  local display
  read -r -t 20 display <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$display"

  "$WINESERVER" -f -p </dev/null >/dev/null 2>&1 &
  qix_wineserver_pid=$!
  "$qix_wine" wineboot </dev/null >/dev/null 2>&1 || true
  # A program that crashes ends with its backtrace on standard error instead of waiting behind
  # the crash dialog until the test times out.
  "$qix_wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1 || true
  # Wine hands an activated window (and then its owner) to the X window manager, and ending such
  # a window waits 2 s for a manager that Xvfb does not have. With QIX_WINE_UNMANAGED=1 (the
  # tests) the programs' windows stay Wine's own instead; Wine reads this as each program
  # starts. The demo keeps them managed: its screenshots wait for the windows as a desktop
  # shows them.
  if [ "${QIX_WINE_UNMANAGED:-}" = 1 ]; then
    "$qix_wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      </dev/null >/dev/null 2>&1 || true
  else
    "$qix_wine" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f \
      </dev/null >/dev/null 2>&1 || true
  fi

  # Keep the desktop in use for the whole session. Wine's desktop process ends a few seconds
  # after its last user; the next program that needs a window would then start a new one that
  # holds that test's output pipes open, and ctest waits for them until the test times out.
  # A shell reading a pipe that this script keeps open is the user; the desktop window is
  # then made by a program whose output goes nowhere.
  # The pipe stays until the end: the shell below may open it only after this one goes on.
  qix_desktop_fifo=$(mktemp -u)
  mkfifo "$qix_desktop_fifo"
  exec {qix_desktop_fd}<>"$qix_desktop_fifo"
  "$qix_wine" cmd <"$qix_desktop_fifo" >/dev/null 2>&1 &
  "$qix_wine" rundll32 user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
}

qix_wine32_missing() {
  local status="${QIX_BUILD_DIR:-$qix_scripts/../build}/wine32-status.txt"
  if [ ! -x "$qix_wineserver32" ]; then
    if grep -qs '^failed: ' "$status"; then
      sed -n 's/^failed: //p' "$status"
    else
      echo "wine32:i386 is not installed"
    fi
  elif ! "$qix_scripts/wine32" --version >/dev/null 2>&1; then
    echo "the 32-bit Wine loader does not start"
  fi
}
