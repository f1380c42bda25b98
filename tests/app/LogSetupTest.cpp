#include <gtest/gtest.h>

#include <windows.h>

#include "LogSetup.h"
#include "TestSupport.h"

using namespace qixtest;

namespace {

const long long kDay = 86400;
const long long kNow = 1700000000;  // a fixed "now", seconds since 1970

void SetWriteTime(const std::wstring& path, long long unixSeconds)
{
    const FILETIME time = FileTimeOfUnix(unixSeconds);
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

std::wstring LogAged(const TestFolder& folder, const wchar_t* name, long long ageSeconds)
{
    std::wstring path = folder / name;
    WriteFileBytes(path, "x");
    SetWriteTime(path, kNow - ageSeconds);
    return path;
}

} // namespace

TEST(LogFileName, CarriesTheLocalStartTime)
{
    const SYSTEMTIME time = MakeSystemTime(2016, 3, 7, 14, 5, 9, 999);
    EXPECT_EQ(LogFileName(L"C:\\logs\\", time), L"C:\\logs\\2016-03-07_14-05-09.log");
}

TEST(LogFolder, IsCreatedUnderLocalAppData)
{
    std::wstring folder = LogFolder();
    ASSERT_GT(folder.size(), wcslen(L"qixUpdater\\"));
    EXPECT_EQ(folder.substr(folder.size() - 11), L"qixUpdater\\");
    EXPECT_TRUE(FileExists(folder));
}

TEST(PurgeOldLogs, DeletesLogsMoreThanSevenDaysAwayEitherWay)
{
    TestFolder folder(L"logs");
    std::wstring sixDays = LogAged(folder, L"six.log", 6 * kDay);
    std::wstring eightDays = LogAged(folder, L"eight.log", 8 * kDay);
    std::wstring future = LogAged(folder, L"future.log", -8 * kDay);
    std::wstring exactly = LogAged(folder, L"exactly.log", 7 * kDay);
    std::wstring justOver = LogAged(folder, L"over.log", 7 * kDay + 1);
    std::wstring notALog = LogAged(folder, L"old.txt", 30 * kDay);
    std::wstring hidden = LogAged(folder, L".hidden.log", 30 * kDay);

    PurgeOldLogs(folder.Path(), kNow);

    EXPECT_TRUE(FileExists(sixDays));
    EXPECT_FALSE(FileExists(eightDays));
    EXPECT_FALSE(FileExists(future));
    EXPECT_TRUE(FileExists(exactly));
    EXPECT_FALSE(FileExists(justOver));
    EXPECT_TRUE(FileExists(notALog));
    EXPECT_TRUE(FileExists(hidden));
}

TEST(PurgeOldLogs, LeavesFoldersNamedLikeLogs)
{
    TestFolder folder(L"logs");
    std::wstring dir = folder / L"old.log";
    CreateDirectoryW(dir.c_str(), nullptr);
    PurgeOldLogs(folder.Path(), kNow + 365 * kDay);
    EXPECT_TRUE(FileExists(dir));
}
