// Closes a window for scripts that drive the programs under Wine: waits until a top-level
// window of the given class exists, then posts WM_CLOSE to it, or with -escape presses Escape
// in it the way a user declines a prompt.
//   wndclose.exe [-escape] <window class> [seconds to wait, default 60]
// Exit code 0 when a window was closed, 1 when none appeared in time, 2 on bad arguments.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    const bool escape = argc > 1 && wcscmp(argv[1], L"-escape") == 0;
    if (escape) {
        --argc;
        ++argv;
    }
    if (argc < 2)
        return 2;
    const DWORD waitMs = (argc > 2 ? static_cast<DWORD>(wcstoul(argv[2], nullptr, 10)) : 60) * 1000;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        HWND window = FindWindowW(argv[1], nullptr);
        if (window != nullptr && IsWindowVisible(window)) {
            if (escape) {
                PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
                PostMessageW(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
            } else {
                PostMessageW(window, WM_CLOSE, 0, 0);
            }
            return 0;
        }
        if (GetTickCount64() - start > waitMs)
            return 1;
        Sleep(200);
    }
}
