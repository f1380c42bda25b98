// Finds a window for scripts that drive the programs under Wine: waits until a top-level
// window of the given class is visible, then prints its screen rectangle as
// "left top width height" (what a screenshot of it is cut to).
//   wndfind.exe <window class> [seconds to wait, default 60]
// Exit code 0 when the window was found, 1 when none appeared in time, 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const DWORD waitMs = (argc > 2 ? static_cast<DWORD>(wcstoul(argv[2], nullptr, 10)) : 60) * 1000;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        HWND window = FindWindowW(argv[1], nullptr);
        RECT rc = {};
        if (window != nullptr && IsWindowVisible(window) && GetWindowRect(window, &rc) && rc.right > rc.left
            && rc.bottom > rc.top) {
            std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
            std::fflush(stdout);
            return 0;
        }
        if (GetTickCount64() - start > waitMs)
            return 1;
        Sleep(100);
    }
}
