#include "core/UIZip.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base_zips.inc"

using namespace QxUI;
using qixtest::FileExists;
using qixtest::ReadFileBytes;

namespace {

template <size_t N>
HZIPARCHIVE OpenMemory(const unsigned char (&bytes)[N])
{
    return ZipArchiveOpen(bytes, static_cast<DWORD>(N), ZipSourceMemory);
}

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ULONGLONG TicksOfUnixTime(LONGLONG seconds)
{
    return static_cast<ULONGLONG>((seconds + 11644473600LL) * 10000000LL);
}

// A fresh folder's subfolder "root", made the current directory while a test runs,
// since folder items are created below the current directory of opening time.
class ZipOnDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = m_parent / L"root";
        ASSERT_TRUE(::CreateDirectoryW(m_root.c_str(), nullptr));
        ::GetCurrentDirectoryW(MAX_PATH, m_saved);
        ASSERT_TRUE(::SetCurrentDirectoryW(m_root.c_str()));
    }

    void TearDown() override
    {
        ::SetCurrentDirectoryW(m_saved);
    }

    qixtest::TestFolder m_parent{L"zip"};
    std::wstring m_root;
    WCHAR m_saved[MAX_PATH] = {};
};

} // namespace

TEST(ZipFind, NamesWithBackslashesAndCase)
{
    HZIPARCHIVE zip = OpenMemory(kZipNormal);
    ASSERT_NE(nullptr, zip);
    int index = -1;
    ZipArchiveItem item = {};
    EXPECT_EQ(ZipOk, ZipArchiveFindItem(zip, L"skin\\Window.xml", false, &index, &item));
    EXPECT_EQ(1, index);
    EXPECT_EQ(1, item.index);
    EXPECT_STREQ(L"skin/Window.xml", item.name);

    EXPECT_EQ(ZipErrNotFound, ZipArchiveFindItem(zip, L"SKIN/window.XML", false, &index, &item));
    EXPECT_EQ(-1, index);
    EXPECT_STREQ(L"skin/Window.xml", item.name) << "a failed lookup leaves the item alone";
    EXPECT_EQ(ZipOk, ZipArchiveFindItem(zip, L"SKIN\\window.XML", true, &index, &item));
    EXPECT_EQ(1, index);
    EXPECT_EQ(ZipOk, ZipArchiveFindItem(zip, L"images/big.bin", true, &index, nullptr));
    EXPECT_EQ(2, index);
    EXPECT_EQ(ZipErrNotFound, ZipArchiveFindItem(zip, L"missing.xml", true, &index, &item));
    EXPECT_EQ(-1, index);
    EXPECT_EQ(ZipErrNotFound, ZipArchiveGetLastResult());
    EXPECT_EQ(ZipOk, ZipArchiveClose(zip));
}

TEST(ZipFind, LongNamesAreCutAndNeverMatch)
{
    HZIPARCHIVE zip = OpenMemory(kZipNormal);
    ASSERT_NE(nullptr, zip);
    const std::wstring stored = L"n/" + std::wstring(300, L'x') + L".txt";
    int index = 0;
    ZipArchiveItem item = {};
    EXPECT_EQ(ZipErrNotFound, ZipArchiveFindItem(zip, stored.c_str(), false, &index, &item));
    EXPECT_EQ(ZipErrNotFound, ZipArchiveFindItem(zip, stored.substr(0, 255).c_str(), false, &index, &item));
    // Items after the long name are still found, so its cut name did not run into them.
    EXPECT_EQ(ZipOk, ZipArchiveFindItem(zip, L"empty.txt", false, &index, &item));
    EXPECT_EQ(9, index);
    // The long-named item itself is read by index with its cut name.
    char data[4];
    EXPECT_EQ(ZipPartial, ZipArchiveExtract(zip, 8, data, sizeof(data), ZipSourceMemory));
    EXPECT_EQ(0, memcmp(data, "long", 4));
    EXPECT_EQ(ZipOk, ZipArchiveExtract(zip, 8, data, sizeof(data), ZipSourceMemory));
    ZipArchiveClose(zip);
}

TEST(ZipFind, ArgumentAndHandleChecks)
{
    int index = 0;
    ZipArchiveItem item = {};
    EXPECT_EQ(ZipErrArgument, ZipArchiveFindItem(nullptr, L"a", false, &index, &item));
    ZipArchiveHandle bogus = {2, nullptr};
    EXPECT_EQ(ZipErrHandleKind, ZipArchiveFindItem(&bogus, L"a", false, &index, &item));
    EXPECT_EQ(ZipErrHandleKind, ZipArchiveExtract(&bogus, 0, nullptr, 0, ZipSourceMemory));
    EXPECT_EQ(ZipErrHandleKind, ZipArchiveClose(&bogus));
    EXPECT_EQ(ZipErrArgument, ZipArchiveClose(nullptr));

    HZIPARCHIVE zip = OpenMemory(kZipSingle);
    ASSERT_NE(nullptr, zip);
    char buffer[16];
    EXPECT_EQ(ZipErrArgument, ZipArchiveExtract(zip, 1, buffer, sizeof(buffer), ZipSourceMemory));
    EXPECT_EQ(ZipErrArgument, ZipArchiveExtract(zip, -1, buffer, sizeof(buffer), ZipSourceMemory));
    EXPECT_EQ(ZipErrArgument, ZipArchiveExtract(zip, 0, buffer, sizeof(buffer), 4));
    ZipArchiveClose(zip);
}

TEST(ZipItemInfo, AttributesFollowTheExternalBits)
{
    HZIPARCHIVE zip = OpenMemory(kZipNormal);
    ASSERT_NE(nullptr, zip);
    int index = 0;
    ZipArchiveItem item = {};
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"attrs/archive.txt", false, &index, &item));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_READONLY),
              item.attributes);
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"skin/", false, &index, &item));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL), item.attributes);
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"skin/Window.xml", false, &index, &item));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), item.attributes);
    ZipArchiveClose(zip);
}

TEST(ZipItemInfo, TimesFromDosStampAndUnixBlock)
{
    HZIPARCHIVE zip = OpenMemory(kZipNormal);
    ASSERT_NE(nullptr, zip);
    int index = 0;
    ZipArchiveItem item = {};

    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"skin/Window.xml", false, &index, &item));
    SYSTEMTIME stamp = {};
    ASSERT_TRUE(::FileTimeToSystemTime(&item.writeTime, &stamp));
    EXPECT_EQ(2020, stamp.wYear);
    EXPECT_EQ(5, stamp.wMonth);
    EXPECT_EQ(17, stamp.wDay);
    EXPECT_EQ(10, stamp.wHour);
    EXPECT_EQ(20, stamp.wMinute);
    EXPECT_EQ(30, stamp.wSecond);
    const ULONGLONG dosTicks = Ticks(item.writeTime);
    EXPECT_EQ(dosTicks, Ticks(item.accessTime));
    EXPECT_EQ(dosTicks, Ticks(item.creationTime));

    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"times/ut.txt", false, &index, &item));
    EXPECT_EQ(TicksOfUnixTime(1000000000), Ticks(item.writeTime));
    EXPECT_EQ(TicksOfUnixTime(1100000000), Ticks(item.accessTime));
    EXPECT_EQ(TicksOfUnixTime(1200000000), Ticks(item.creationTime));

    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"times/negative.txt", false, &index, &item));
    ASSERT_TRUE(::FileTimeToSystemTime(&item.writeTime, &stamp));
    EXPECT_EQ(1960, stamp.wYear);
    EXPECT_EQ(1, stamp.wMonth);
    EXPECT_EQ(1, stamp.wDay);

    // A block that claims more than the field holds is not read.
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"times/overlong.txt", false, &index, &item));
    EXPECT_EQ(dosTicks, Ticks(item.writeTime));
    // Flags that announce three times in a block with room for one give only that one.
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"times/cut.txt", false, &index, &item));
    EXPECT_EQ(TicksOfUnixTime(1000000000), Ticks(item.writeTime));
    EXPECT_EQ(dosTicks, Ticks(item.accessTime));
    EXPECT_EQ(dosTicks, Ticks(item.creationTime));
    ZipArchiveClose(zip);
}

TEST(ZipMemory, ExactBufferThenNoMoreData)
{
    HZIPARCHIVE zip = OpenMemory(kZipSingle);
    ASSERT_NE(nullptr, zip);
    int index = -1;
    ZipArchiveItem item = {};
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"data.bin", false, &index, &item));
    ASSERT_EQ(static_cast<LONG>(sizeof(kSingleItem)), item.uncompressedSize);
    std::vector<unsigned char> buffer(sizeof(kSingleItem));
    EXPECT_EQ(ZipPartial, ZipArchiveExtract(zip, index, buffer.data(), static_cast<DWORD>(buffer.size()), ZipSourceMemory));
    EXPECT_EQ(0, memcmp(buffer.data(), kSingleItem, buffer.size()));
    EXPECT_EQ(ZipOk, ZipArchiveExtract(zip, index, buffer.data(), static_cast<DWORD>(buffer.size()), ZipSourceMemory));
    // A new call starts the item again.
    buffer.assign(buffer.size(), 0);
    EXPECT_EQ(ZipPartial, ZipArchiveExtract(zip, index, buffer.data(), static_cast<DWORD>(buffer.size()), ZipSourceMemory));
    EXPECT_EQ(0, memcmp(buffer.data(), kSingleItem, buffer.size()));
    ZipArchiveClose(zip);
}

TEST(ZipMemory, StreamsInChunksAcrossCalls)
{
    HZIPARCHIVE zip = OpenMemory(kZipNormal);
    ASSERT_NE(nullptr, zip);
    int index = -1;
    ZipArchiveItem item = {};
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"images/Big.bin", false, &index, &item));
    ASSERT_EQ(70000, item.uncompressedSize);
    std::string all;
    char chunk[3000];
    ZipResult result;
    int calls = 0;
    while ((result = ZipArchiveExtract(zip, index, chunk, sizeof(chunk), ZipSourceMemory)) == ZipPartial) {
        ++calls;
        size_t got = std::min(sizeof(chunk), static_cast<size_t>(70000) - all.size());
        all.append(chunk, got);
        ASSERT_LT(calls, 100);
    }
    EXPECT_EQ(ZipOk, result);
    ASSERT_EQ(70000u, all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        // 64-bit: past 65535 the square does not fit a 32-bit size_t.
        const uint64_t n = i;
        unsigned char expected = static_cast<unsigned char>((n * 7 + n / 13 + (n * n) % 251) & 0xFF);
        ASSERT_EQ(expected, static_cast<unsigned char>(all[i])) << i;
    }
    ZipArchiveClose(zip);
}

TEST(ZipMemory, DamagedItemsNeverCountAsSuccess)
{
    std::vector<unsigned char> buffer(sizeof(kSingleItem) + 100);
    for (HZIPARCHIVE zip : {OpenMemory(kZipBadCrc), OpenMemory(kZipBzip2Labelled), OpenMemory(kZipEncryptedLabelled)}) {
        ASSERT_NE(nullptr, zip);
        EXPECT_EQ(ZipErrInflate, ZipArchiveExtract(zip, 0, buffer.data(), sizeof(kSingleItem), ZipSourceMemory));
        ZipArchiveClose(zip);
    }
    {
        HZIPARCHIVE zip = OpenMemory(kZipShortItem);
        ASSERT_NE(nullptr, zip);
        int index = -1;
        ZipArchiveItem item = {};
        ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"data.bin", false, &index, &item));
        ASSERT_EQ(static_cast<LONG>(sizeof(kSingleItem) + 100), item.uncompressedSize);
        EXPECT_EQ(ZipErrInflate, ZipArchiveExtract(zip, index, buffer.data(), static_cast<DWORD>(item.uncompressedSize), ZipSourceMemory));
        ZipArchiveClose(zip);
    }
    {
        HZIPARCHIVE zip = OpenMemory(kZipSingle);
        ASSERT_NE(nullptr, zip);
        EXPECT_EQ(ZipErrInflate, ZipArchiveExtract(zip, 0, buffer.data(), 0, ZipSourceMemory));
        ZipArchiveClose(zip);
    }
}

TEST(ZipMemory, EmptyItemIsCompleteAtOnce)
{
    HZIPARCHIVE zip = OpenMemory(kZipNormal);
    ASSERT_NE(nullptr, zip);
    int index = -1;
    ZipArchiveItem item = {};
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"empty.txt", false, &index, &item));
    EXPECT_EQ(0, item.uncompressedSize);
    char buffer[8];
    EXPECT_EQ(ZipOk, ZipArchiveExtract(zip, index, buffer, sizeof(buffer), ZipSourceMemory));
    ZipArchiveClose(zip);
}

TEST(ZipOpen, BrokenArchivesFailCleanly)
{
    EXPECT_EQ(nullptr, OpenMemory(kZipTruncated));
    EXPECT_NE(ZipOk, ZipArchiveGetLastResult());
    // The directory offset points far outside the block: the seek is refused.
    EXPECT_EQ(nullptr, OpenMemory(kZipFarDirectory));
    EXPECT_NE(ZipOk, ZipArchiveGetLastResult());
    static const unsigned char notZip[] = "this is no archive at all, just some text to read";
    EXPECT_EQ(nullptr, OpenMemory(notZip));
    EXPECT_EQ(nullptr, ZipArchiveOpen(nullptr, 0, ZipSourceMemory));
    EXPECT_EQ(nullptr, ZipArchiveOpen(kZipSingle, sizeof(kZipSingle), 7));
    EXPECT_EQ(ZipErrArgument, ZipArchiveGetLastResult());
    EXPECT_EQ(nullptr, ZipArchiveOpen(L"C:\\no\\such\\archive.zip", 0, ZipSourcePath));
    EXPECT_EQ(ZipErrOpenFile, ZipArchiveGetLastResult());
}

TEST(ZipOpen, BadHeadersAreReportedPerItem)
{
    int index = -1;
    ZipArchiveItem item = {};
    HZIPARCHIVE zip = OpenMemory(kZipLocalMismatch);
    ASSERT_NE(nullptr, zip);
    EXPECT_EQ(ZipErrCorrupt, ZipArchiveFindItem(zip, L"data.bin", false, &index, &item));
    ZipArchiveClose(zip);

    // The local header lies far outside the block: no read may follow it there.
    zip = OpenMemory(kZipFarLocalHeader);
    ASSERT_NE(nullptr, zip);
    EXPECT_NE(ZipOk, ZipArchiveFindItem(zip, L"data.bin", false, &index, &item));
    char buffer[64];
    EXPECT_NE(ZipOk, ZipArchiveExtract(zip, 0, buffer, sizeof(buffer), ZipSourceMemory));
    EXPECT_NE(ZipPartial, ZipArchiveGetLastResult());
    ZipArchiveClose(zip);
}

TEST(ZipOpen, PipeHandleIsNoDiskFile)
{
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    EXPECT_EQ(nullptr, ZipArchiveOpen(readEnd, 0, ZipSourceHandle));
    EXPECT_EQ(ZipErrNotDisk, ZipArchiveGetLastResult());
    ::CloseHandle(readEnd);
    ::CloseHandle(writeEnd);
}

TEST_F(ZipOnDisk, OpenFromPathAndFromHandleAfterOtherData)
{
    const std::wstring path = m_root + L"\\skin.zip";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD done = 0;
    const char prefix[100] = "bytes before the archive";
    ASSERT_TRUE(::WriteFile(file, prefix, sizeof(prefix), &done, nullptr));
    ASSERT_TRUE(::WriteFile(file, kZipSingle, sizeof(kZipSingle), &done, nullptr));
    ::SetFilePointer(file, sizeof(prefix), nullptr, FILE_BEGIN);

    HZIPARCHIVE zip = ZipArchiveOpen(file, 0, ZipSourceHandle);
    ASSERT_NE(nullptr, zip);
    std::vector<unsigned char> buffer(sizeof(kSingleItem));
    EXPECT_EQ(ZipPartial, ZipArchiveExtract(zip, 0, buffer.data(), static_cast<DWORD>(buffer.size()), ZipSourceMemory));
    EXPECT_EQ(0, memcmp(buffer.data(), kSingleItem, buffer.size()));
    ZipArchiveClose(zip);
    // The caller's handle stays open.
    EXPECT_NE(0u, ::SetFilePointer(file, 0, nullptr, FILE_END));
    ::CloseHandle(file);

    const std::wstring plain = m_root + L"\\plain.zip";
    file = ::CreateFileW(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_TRUE(::WriteFile(file, kZipNormal, sizeof(kZipNormal), &done, nullptr));
    ::CloseHandle(file);
    zip = ZipArchiveOpen(plain.c_str(), 0, ZipSourcePath);
    ASSERT_NE(nullptr, zip);
    int index = -1;
    EXPECT_EQ(ZipOk, ZipArchiveFindItem(zip, L"skin/window.xml", true, &index, nullptr));
    EXPECT_EQ(1, index);
    ZipArchiveClose(zip);
}

TEST_F(ZipOnDisk, ExtractToPathAndHandle)
{
    HZIPARCHIVE zip = OpenMemory(kZipNormal);
    ASSERT_NE(nullptr, zip);
    int index = -1;
    ZipArchiveItem item = {};
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"times/ut.txt", false, &index, &item));
    EXPECT_EQ(ZipOk, ZipArchiveExtract(zip, index, const_cast<LPWSTR>(L"out\\nested/ut.txt"), 0, ZipSourcePath));
    const std::wstring target = m_root + L"\\out\\nested\\ut.txt";
    EXPECT_EQ("t", ReadFileBytes(target));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(::GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(TicksOfUnixTime(1000000000), Ticks(data.ftLastWriteTime));
    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"attrs/archive.txt", false, &index, &item));
    EXPECT_EQ(ZipOk, ZipArchiveExtract(zip, index, const_cast<LPWSTR>(L"out\\nested/ut.txt"), 0, ZipSourcePath));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY), ::GetFileAttributesW(target.c_str()));

    ASSERT_EQ(ZipOk, ZipArchiveFindItem(zip, L"images/Big.bin", false, &index, &item));
    const std::wstring big = m_root + L"\\big.bin";
    HANDLE file = ::CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ZipOk, ZipArchiveExtract(zip, index, file, 0, ZipSourceHandle));
    ::CloseHandle(file);
    std::string bytes = ReadFileBytes(big);
    ASSERT_EQ(70000u, bytes.size());
    EXPECT_EQ(static_cast<char>((69999 * 7 + 69999 / 13 + (69999LL * 69999) % 251) & 0xFF), bytes.back());
    ZipArchiveClose(zip);
}

TEST_F(ZipOnDisk, DamagedItemsFailToDisk)
{
    // The target keeps what it held, and no other file is left.
    ASSERT_TRUE(qixtest::WriteFileBytes(m_root + L"\\damaged.bin", "old"));
    for (HZIPARCHIVE zip : {OpenMemory(kZipBadCrc), OpenMemory(kZipShortItem), OpenMemory(kZipBzip2Labelled),
                            OpenMemory(kZipEncryptedLabelled)}) {
        ASSERT_NE(nullptr, zip);
        EXPECT_EQ(ZipErrWrite, ZipArchiveExtract(zip, 0, const_cast<LPWSTR>(L"damaged.bin"), 0, ZipSourcePath));
        EXPECT_EQ("old", ReadFileBytes(m_root + L"\\damaged.bin"));
        ZipArchiveClose(zip);
    }
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(m_root), std::filesystem::directory_iterator()));
}

TEST_F(ZipOnDisk, FolderItemsStayBelowTheBaseFolder)
{
    HZIPARCHIVE zip = OpenMemory(kZipFolders);
    ASSERT_NE(nullptr, zip);
    // Every unsafe name is refused; the safe one is created.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ZipErrOpenFile, ZipArchiveExtract(zip, i, const_cast<LPWSTR>(L"unused"), 0, ZipSourcePath)) << i;
    EXPECT_EQ(ZipOk, ZipArchiveExtract(zip, 5, const_cast<LPWSTR>(L"unused"), 0, ZipSourcePath));
    ZipArchiveClose(zip);

    EXPECT_TRUE(FileExists(m_root + L"\\sub\\ok_dir"));
    EXPECT_FALSE(FileExists(m_parent / L"escape_dir"));
    EXPECT_FALSE(FileExists(m_parent / L"bs_escape_dir"));
    EXPECT_FALSE(FileExists(L"\\rooted_dir"));
    EXPECT_FALSE(FileExists(L"C:\\drive_dir"));
    EXPECT_FALSE(FileExists(m_root + L"\\sub\\dots_dir"));
    EXPECT_FALSE(FileExists(m_parent / L"dots_dir"));
}

TEST_F(ZipOnDisk, LongCurrentDirectoryDoesNotOverflow)
{
    // A current directory close to the path limit still opens, and folder items simply fail
    // to appear rather than writing past a buffer.
    std::wstring deep = m_root;
    while (deep.size() < MAX_PATH - 10) {
        deep += L"\\dddddddddddddddddddddddd";
        ::CreateDirectoryW(deep.c_str(), nullptr);
    }
    if (!::SetCurrentDirectoryW(deep.c_str()))
        GTEST_SKIP() << "this system refuses a current directory that long";
    HZIPARCHIVE zip = OpenMemory(kZipFolders);
    ASSERT_NE(nullptr, zip);
    ZipArchiveExtract(zip, 5, const_cast<LPWSTR>(L"unused"), 0, ZipSourcePath);
    EXPECT_EQ(ZipOk, ZipArchiveClose(zip));
}
