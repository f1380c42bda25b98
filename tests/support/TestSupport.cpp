#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "TextConvert.h"
#include "Win32Handle.h"

namespace qixtest {

std::wstring FromBuildPath(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c != '\0'; ++c)
        path += (*c == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path;
}

std::wstring QeloExe()
{
    return FromBuildPath(QIX_QELO_EXE);
}

TestFolder::TestFolder(const std::wstring& name)
{
    static int counter = 0;
    path_ = L"C:\\qixtest\\" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    // A program that ran earlier under the same process id may have left this folder behind.
    RemoveTree();
    std::filesystem::create_directories(path_);
}

TestFolder::~TestFolder()
{
    RemoveTree();
}

namespace {

// Removes a folder and everything below it, read-only files too. Takes extended-length paths
// (\\?\C:\...), so trees deeper than MAX_PATH go as well; what cannot be removed stays.
void RemoveTreeAt(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    if (win32::FindHandle search{FindFirstFileW((folder + L"\\*").c_str(), &found)}) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                if (!RemoveDirectoryW(path.c_str()))  // the link, not what it points to
                    DeleteFileW(path.c_str());
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeAt(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search.Get(), &found));
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

void TestFolder::RemoveTree() const
{
    RemoveTreeAt(L"\\\\?\\" + path_.substr(0, path_.size() - 1));
}

SYSTEMTIME MakeSystemTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                          WORD milliseconds)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    return time;
}

namespace {
const long long kUnixEpochAsFileTimeSeconds = 11644473600LL;  // 1601-01-01 to 1970-01-01
const long long kTicksPerSecond = 10000000LL;
} // namespace

long long UnixSeconds(const FILETIME& time)
{
    const ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<long long>(ticks / kTicksPerSecond) - kUnixEpochAsFileTimeSeconds;
}

FILETIME FileTimeOfUnix(long long seconds)
{
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>((seconds + kUnixEpochAsFileTimeSeconds) * kTicksPerSecond);
    return FILETIME{ticks.LowPart, ticks.HighPart};
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadFileBytes(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Narrow(const std::wstring& text)
{
    return win32::WideToUtf8(text);
}

ChildProcess::~ChildProcess()
{
    Terminate();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : info_(other.info_)
{
    other.info_ = {};
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        Terminate();
        info_ = other.info_;
        other.info_ = {};
    }
    return *this;
}

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& commandLine, const std::wstring& folder)
{
    Terminate();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring line = commandLine;
    return CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != FALSE;
}

DWORD ChildProcess::Wait(DWORD timeoutMs)
{
    if (info_.hProcess == nullptr)
        return STILL_ACTIVE;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

bool ChildProcess::Running() const
{
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void ChildProcess::Terminate()
{
    if (Running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, kWaitLimitMs);
    }
    Close();
}

void ChildProcess::Close()
{
    if (info_.hThread != nullptr)
        CloseHandle(info_.hThread);
    if (info_.hProcess != nullptr)
        CloseHandle(info_.hProcess);
    info_ = {};
}

bool WaitForPipe(const std::wstring& path)
{
    return WaitUntil([&] { return WaitNamedPipeW(path.c_str(), 50) != FALSE; });
}

ChildProcess StartStandIn(const std::wstring& folder, const std::wstring& extraArgs)
{
    std::wstring exe = folder + L"qelo.exe";
    if (!FileExists(exe))
        CopyFileW(QeloExe().c_str(), exe.c_str(), TRUE);
    ChildProcess child;
    std::wstring line = L"\"" + exe + L"\" --record \"" + folder + L"qelo-record.txt\"";
    if (!extraArgs.empty())
        line += L" " + extraArgs;
    if (child.Start(exe, line, folder))
        WaitForPipe(L"\\\\.\\Pipe\\RUZEDE_qelo");
    return child;
}

} // namespace qixtest
