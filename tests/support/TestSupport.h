#pragma once
// Helpers for tests that work with real files, processes and pipes under Wine, and the one way
// every test waits for what it expects.
#include <windows.h>

#include <string>

namespace qixtest {

// The longest a test waits for something it expects, whatever it waits for: only a failing
// run ever takes this long, and no test relies on it passing.
constexpr DWORD kWaitLimitMs = 60000;

// An interval for a timer that must not fire while a test runs: far beyond any wait.
constexpr UINT kNeverWithinATestMs = 10 * kWaitLimitMs;

// The Windows path of a file the build wrote (a Unix path, reached through drive Z: under Wine).
std::wstring FromBuildPath(const char* unixPath);

// The stand-in client's program in the build.
std::wstring QeloExe();

// A fresh folder on C: for one test, deleted with everything in it when the object goes.
class TestFolder {
public:
    explicit TestFolder(const std::wstring& name);
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder, with a trailing backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + name; }

private:
    void RemoveTree() const;

    std::wstring path_;
};

// A date and time of day, as the Windows calls take it.
SYSTEMTIME MakeSystemTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                          WORD milliseconds = 0);

// Seconds since 1970 of a file time, and back.
long long UnixSeconds(const FILETIME& time);
FILETIME FileTimeOfUnix(long long seconds);

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
std::string Narrow(const std::wstring& text);  // UTF-8, for record files and messages

// A process started with an exact command line; ended (if still running) when the object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // commandLine is passed to CreateProcessW as it stands; folder "" keeps the current one.
    bool Start(const std::wstring& exe, const std::wstring& commandLine, const std::wstring& folder = L"");
    DWORD Pid() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    // Exit code, or STILL_ACTIVE when it did not end within timeoutMs (0: has it ended?).
    DWORD Wait(DWORD timeoutMs = kWaitLimitMs);
    bool Running() const;
    void Terminate();

private:
    void Close();
    PROCESS_INFORMATION info_ = {};
};

// Waits until a pipe of that full name ("\\.\Pipe\...") accepts connections.
bool WaitForPipe(const std::wstring& path);

// Starts a copy of the stand-in client in `folder` (copied there as "qelo.exe" unless present),
// recording into <folder>qelo-record.txt, and waits until its launcher pipe is served.
ChildProcess StartStandIn(const std::wstring& folder, const std::wstring& extraArgs = L"");

// Hands on the queued messages of this thread, WM_QUIT excepted.
inline void DispatchThreadMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Waits until `condition` holds: asks again whenever a message comes for this thread (`pump`
// runs it), and at least every 20 ms for what no message announces (another thread or process).
// False when it still did not hold after kWaitLimitMs.
template <class Condition, class Pump = void (*)()>
bool WaitUntil(Condition condition, Pump pump = DispatchThreadMessages)
{
    const ULONGLONG start = GetTickCount64();
    while (!condition()) {
        if (GetTickCount64() - start > kWaitLimitMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pump();
    }
    return true;
}

} // namespace qixtest
