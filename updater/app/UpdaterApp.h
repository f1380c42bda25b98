#pragma once
#include <windows.h>

#include <atomic>

// The updater's application object: lives on the stack of wWinMain.
class CUpdaterApp {
public:
    explicit CUpdaterApp(HINSTANCE instance);
    ~CUpdaterApp();
    CUpdaterApp(const CUpdaterApp&) = delete;
    CUpdaterApp& operator=(const CUpdaterApp&) = delete;

    bool Run(const wchar_t* cmdLine);

    HANDLE instanceMutex = nullptr;
    HINSTANCE hInstance = nullptr;
    HANDLE pipeThread = nullptr;
    std::atomic<bool> stop{false};
    HANDLE pipe = INVALID_HANDLE_VALUE;
};
