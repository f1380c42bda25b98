#!/usr/bin/env bash
# Checks the shipped programs of a 32-bit build: PE32 for i386, and no DLLs but Windows' own
# and our zlib.dll (the C/C++ runtimes and winpthreads must be linked in statically).
set -euo pipefail
build=$1
shift
system_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll \
msvcrt.dll ws2_32.dll mswsock.dll comctl32.dll gdiplus.dll msimg32.dll shlwapi.dll uuid.dll \
comdlg32.dll winspool.drv version.dll imm32.dll uxtheme.dll "
status=0
for program in "$@"; do
  exe=$(find "$build" -name "$program" -type f | head -n1)
  if [ -z "$exe" ]; then
    echo "FAIL $program: not built in $build"; status=1; continue
  fi
  if ! i686-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-i386'; then
    echo "FAIL $program: not a PE32 i386 program"; status=1; continue
  fi
  for dll in $(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}'); do
    case "$system_dlls" in
      *" $dll "*) ;;
      *) [ "$dll" = zlib.dll ] || { echo "FAIL $program imports $dll"; status=1; } ;;
    esac
  done
  [ $status = 0 ] && echo "ok $program"
done
exit $status
