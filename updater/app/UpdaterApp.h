#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "Win32Handle.h"

class ZipDownloader;

// Waits for a client on a pipe instance; true once one is connected, also when it connected
// before the wait began.
bool ConnectPipeClient(HANDLE pipe);

// The updater's application object: lives on the stack of wWinMain.
class CUpdaterApp {
public:
    explicit CUpdaterApp(HINSTANCE instance);
    // Ends the pipe thread (waking it with "ExitPipe") and releases the download job.
    ~CUpdaterApp();
    CUpdaterApp(const CUpdaterApp&) = delete;
    CUpdaterApp& operator=(const CUpdaterApp&) = delete;

    bool Run(const wchar_t* cmdLine);

    static DWORD WINAPI ReadPipeThread(LPVOID param);
    void ReadPipeThreadImpl();

    // "\\.\Pipe\CU_" + CacheName.
    static std::wstring OwnPipePath();

    // Keeps the single-instance mutex until the object goes.
    void HoldInstanceMutex(HANDLE mutex) { instanceMutex.Reset(mutex); }

    HINSTANCE hInstance = nullptr;
    std::atomic<bool> stop{false};
    // Shared with the progress window; the pipe thread reads it, so it is swapped atomically.
    std::shared_ptr<ZipDownloader> downloader;

private:
    void StartPipeThread();

    win32::UniqueHandle instanceMutex;
    win32::UniqueHandle pipeThread;
    win32::UniqueHandle pipe;  // the current pipe instance
};
