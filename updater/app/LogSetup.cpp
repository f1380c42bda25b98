#include "LogSetup.h"

#include <shlobj.h>

#include <cstdio>
#include <ctime>

#include "Log.h"
#include "StringConvert.h"
#include "Win32Handle.h"

namespace {

const wchar_t kLogSubfolder[] = L"qixUpdater\\";
const long long kKeepSeconds = 604800;  // seven days
const long long kEpochIn100ns = 116444736000000000LL;  // 1601-01-01 to 1970-01-01

long long FileTimeToUnixSeconds(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return (static_cast<long long>(value.QuadPart) - kEpochIn100ns) / 10000000LL;
}

// easylogging++ opens its file through a narrow path: the short form of the folder keeps
// a folder whose name the ANSI code page cannot hold usable.
std::string NarrowPathForLogger(const std::wstring& path)
{
    size_t slash = path.rfind(L'\\');
    std::wstring folder = path.substr(0, slash + 1);
    std::wstring file = path.substr(slash + 1);
    wchar_t shortFolder[MAX_PATH * 4] = L"";
    DWORD length = GetShortPathNameW(folder.c_str(), shortFolder, MAX_PATH * 4);
    if (length > 0 && length < MAX_PATH * 4)
        folder = shortFolder;
    return WideToString(folder + file);
}

} // namespace

std::wstring LogFolder()
{
    wchar_t appData[MAX_PATH] = L"";
    if (!SHGetSpecialFolderPathW(nullptr, appData, CSIDL_LOCAL_APPDATA, TRUE))
        return std::wstring();
    std::wstring folder = std::wstring(appData) + L"\\" + kLogSubfolder;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring LogFileName(const std::wstring& folder, const SYSTEMTIME& localTime)
{
    wchar_t name[32] = L"";
    swprintf(name, 32, L"%04d-%02d-%02d_%02d-%02d-%02d.log", localTime.wYear, localTime.wMonth, localTime.wDay,
             localTime.wHour, localTime.wMinute, localTime.wSecond);
    return folder + name;
}

void PurgeOldLogs(const std::wstring& folder, long long now)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle search(FindFirstFileW((folder + L"*.log").c_str(), &entry));
    if (!search)
        return;
    do {
        if (entry.cFileName[0] == L'.' || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        long long age = now - FileTimeToUnixSeconds(entry.ftLastWriteTime);
        if (age > kKeepSeconds || age < -kKeepSeconds)
            DeleteFileW((folder + entry.cFileName).c_str());
    } while (FindNextFileW(search.Get(), &entry));
}

void PurgeOldLogs(const std::wstring& folder)
{
    PurgeOldLogs(folder, static_cast<long long>(time(nullptr)));
}

void InitLogging()
{
    std::wstring folder = LogFolder();
    if (!folder.empty())
        PurgeOldLogs(folder);

    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string file = NarrowPathForLogger(LogFileName(folder, now));

    el::Configurations config;
    config.setToDefault();
    // Every level but the global one writes to the file.
    for (el::Level level : {el::Level::Trace, el::Level::Debug, el::Level::Fatal, el::Level::Error,
                            el::Level::Warning, el::Level::Verbose, el::Level::Info})
        config.set(level, el::ConfigurationType::Filename, file);
    el::Logger* logger = el::Loggers::getLogger("default");
    el::Loggers::reconfigureLogger(logger, config);
}
