#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <future>
#include <thread>

#include "LogSetup.h"
#include "TestSupport.h"

using namespace qixtest;

namespace {

const wchar_t kQueueMutex[] = L"ZRPT_AutoUpdate";
const wchar_t kInstanceMutex[] = L"{11B0C527-BB62-4BE3-9769-26491D9845B4}";
const DWORD kFailed = static_cast<DWORD>(-1);

std::wstring UpdaterExe()
{
    return FromBuildPath(QIX_UPDATER_EXE);
}

// Runs the updater with the given arguments, closing its progress window once it shows; its
// exit code. `started` hears of the process (null if it did not start).
DWORD RunUpdater(const std::wstring& args, const std::function<void(HANDLE)>& started = nullptr)
{
    ChildProcess updater;
    std::wstring line = L"\"" + UpdaterExe() + L"\"" + (args.empty() ? L"" : L" " + args);
    const bool ok = updater.Start(UpdaterExe(), line);
    if (started)
        started(updater.Handle());
    if (!ok)
        return 0xDEAD;
    HWND closed = nullptr;
    WaitUntil([&] {
        // Only this updater's window: other tests may show one of the same class.
        HWND progress = nullptr;
        while ((progress = FindWindowExW(nullptr, progress, L"hrq_updater_wnd_class_name", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(progress, &pid);
            if (pid == updater.Pid() && progress != closed) {
                PostMessageW(progress, WM_CLOSE, 0, 0);
                closed = progress;
            }
        }
        return !updater.Running();
    });
    return updater.Wait(0);
}

std::string NewestLog()
{
    std::wstring folder = LogFolder();
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"*.log").c_str(), &entry);
    std::wstring newest;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (newest.empty() || wcscmp(entry.cFileName, newest.c_str()) > 0)
                newest = entry.cFileName;
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    return newest.empty() ? std::string() : ReadFileBytes(folder + newest);
}

} // namespace

TEST(UpdaterEntry, WithoutArgumentsExitsWithMinusOne)
{
    EXPECT_EQ(RunUpdater(L""), kFailed);
    // The instance guard went with the process.
    HANDLE instance = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutex);
    EXPECT_EQ(instance, nullptr);
    if (instance != nullptr)
        CloseHandle(instance);
}

TEST(UpdaterEntry, RunsAndLogsWithArguments)
{
    EXPECT_EQ(RunUpdater(L"-forcedupdate=5"), 0u);
    EXPECT_NE(NewestLog().find("INFO [default] product config path: "), std::string::npos);
}

TEST(UpdaterEntry, RefusesToRunBesideAnotherUpdater)
{
    HANDLE instance = CreateMutexW(nullptr, TRUE, kInstanceMutex);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(RunUpdater(L"-forcedupdate=5"), kFailed);
    CloseHandle(instance);
}

TEST(UpdaterEntry, GivesUpWhileTheQueueStaysHeld)
{
    HANDLE queue = CreateMutexW(nullptr, TRUE, kQueueMutex);
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(kFailed, RunUpdater(L"-forcedupdate=5"));
    ReleaseMutex(queue);
    CloseHandle(queue);
}

TEST(UpdaterEntry, TakesTheQueueAbandonedNineSecondsIntoItsWait)
{
    // The owner thread holds the queue for 9 s of the updater's 10 s wait (less, should the
    // updater end first) and ends without releasing it: the mutex is abandoned.
    HANDLE queue = nullptr;
    std::promise<void> held;
    std::promise<HANDLE> updater;
    std::thread owner([&] {
        queue = CreateMutexW(nullptr, TRUE, kQueueMutex);
        held.set_value();
        WaitForSingleObject(updater.get_future().get(), 9000);
    });
    held.get_future().wait();
    // Past the queue the updater runs and ends with 0; given up on it, it ends with -1.
    EXPECT_EQ(0u, RunUpdater(L"-forcedupdate=5",
                             [&updater](HANDLE process) { updater.set_value(process); }));
    owner.join();
    ASSERT_NE(queue, nullptr);
    CloseHandle(queue);
}
