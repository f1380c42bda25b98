// Entry of qixUpdater: log set-up, COM, the two single-instance guards, then the application.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>

#include "LogSetup.h"
#include "StringConvert.h"
#include "UpdaterApp.h"

namespace {

const wchar_t kQueueMutex[] = L"ZRPT_AutoUpdate";
const wchar_t kInstanceMutex[] = L"{11B0C527-BB62-4BE3-9769-26491D9845B4}";
const DWORD kQueueWaitMs = 10000;
const DWORD kMutexAllAccess = 0x1F0001;

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int)
{
    InitTextLocale();
    InitLogging();
    if (FAILED(CoInitialize(nullptr)))
        return -1;

    CUpdaterApp app(hInstance);

    // A second updater waits here until the first one ends; the handle is held to the end.
    HANDLE queue = CreateMutexW(nullptr, FALSE, kQueueMutex);
    if (WaitForSingleObject(queue, kQueueWaitMs) == WAIT_TIMEOUT)
        return -1;

    HANDLE running = OpenMutexW(kMutexAllAccess, FALSE, kInstanceMutex);
    app.HoldInstanceMutex(running);
    if (running != nullptr)
        return -1;
    app.HoldInstanceMutex(CreateMutexW(nullptr, TRUE, kInstanceMutex));

    if (__argc <= 1)
        return -1;

    app.Run(lpCmdLine);
    CoUninitialize();
    return 0;
}
