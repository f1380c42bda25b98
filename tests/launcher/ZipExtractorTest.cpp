// The package zip reader and ApplyUpdatePackage over packages that make_packages.py wrote, and
// zlib.dll's ExtractZipToDir over those packing its tree.
#include "TestSupport.h"
#include "Velmoor.h"
#include "ZipExtractor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

using namespace qixtest;

// zlib.dll's export, with which the updater installs.
extern "C" __declspec(dllimport) int __cdecl ExtractZipToDir(const wchar_t* zipPath,
                                                             const wchar_t* folder, int flags);

namespace {

std::wstring Package(const char* name) {
    return FromBuildPath(QIX_LAUNCHER_PACKAGES) + L"\\" + std::wstring(name, name + strlen(name));
}

// 2021-03-04 05:06:08 local, the DOS time of every generated entry, in UTC.
int64_t DosTimeUtc() {
    const SYSTEMTIME st = MakeSystemTime(2021, 3, 4, 5, 6, 8);
    FILETIME local{}, utc{};
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return UnixSeconds(utc);
}

struct FileTimes {
    int64_t creation = 0, access = 0, write = 0;
};

FileTimes TimesOf(const std::wstring& path) {
    FileTimes t;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        t.creation = UnixSeconds(data.ftCreationTime);
        t.access = UnixSeconds(data.ftLastAccessTime);
        t.write = UnixSeconds(data.ftLastWriteTime);
    }
    return t;
}

// A test install: <folder>base\ is the current directory holding "update.zip".
class PackageTest : public ::testing::Test {
protected:
    PackageTest() : folder_(L"launcher-zip"), base_(folder_ / L"base\\") {}

    void SetUp() override {
        CreateDirectoryW(base_.c_str(), nullptr);
        wchar_t cwd[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, cwd);
        savedCwd_ = cwd;
        ASSERT_TRUE(SetCurrentDirectoryW(base_.c_str()));
    }
    void TearDown() override {
        if (zip_) CloseZip(zip_);
        SetCurrentDirectoryW(savedCwd_.c_str());
    }

    void UsePackage(const char* name) {
        ASSERT_TRUE(CopyFileW(Package(name).c_str(), (base_ + L"update.zip").c_str(), FALSE));
    }
    void Open(const char* name) {
        UsePackage(name);
        zip_ = OpenZipExtractor();
        ASSERT_NE(zip_, nullptr) << std::hex << LastZipResult();
    }
    // The index of the entry whose cleaned name is `name`, or -1.
    int32_t IndexOf(const std::wstring& name) {
        ZipEntryInfo info;
        if (GetZipItem(zip_, -1, &info) != ZipOk) return -1;
        for (int32_t i = 0, n = info.index; i < n; ++i)
            if (GetZipItem(zip_, i, &info) == ZipOk && name == info.name) return i;
        return -1;
    }
    ZipEntryInfo Entry(const std::wstring& name) {
        ZipEntryInfo info;
        const int32_t index = IndexOf(name);
        EXPECT_GE(index, 0) << Narrow(name);
        if (index >= 0) EXPECT_EQ(GetZipItem(zip_, index, &info), ZipOk);
        return info;
    }
    std::wstring Base(const std::wstring& name) const { return base_ + name; }

    TestFolder folder_;
    std::wstring base_;
    std::wstring savedCwd_;
    ZipHandle* zip_ = nullptr;
};

// --- listing ------------------------------------------------------------------------------------

TEST_F(PackageTest, ListsEntriesWithCleanedNames) {
    Open("basic.zip");
    ZipEntryInfo info;
    ASSERT_EQ(GetZipItem(zip_, -1, &info), ZipOk);
    EXPECT_EQ(info.index, 11);
    EXPECT_STREQ(info.name, L"");

    const wchar_t* const expected[] = {L"bin/",     L"bin/app.dat", L"readme.txt", L"ro.txt",
                                       L"dos_hidden.txt", L"drive/d.txt", L"lead.txt",
                                       L"y/up.txt", L"big.bin",     L"stored.txt", L""};
    for (int32_t i = 0; i < 11; ++i) {
        ASSERT_EQ(GetZipItem(zip_, i, &info), ZipOk);
        EXPECT_EQ(info.index, i);
        EXPECT_STREQ(info.name, expected[i]);
    }
    EXPECT_EQ(UnzipItem(zip_, 10, info.name), ZipOk);  // "./", the base folder itself
    // Stepping backwards goes through the first entry again.
    ASSERT_EQ(GetZipItem(zip_, 2, &info), ZipOk);
    EXPECT_STREQ(info.name, L"readme.txt");
    EXPECT_EQ(info.uncompressedSize, 7u);
}

TEST_F(PackageTest, AttributesFollowTheHostSystem) {
    Open("basic.zip");
    EXPECT_EQ(Entry(L"ro.txt").attributes, DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(Entry(L"bin/").attributes, DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(Entry(L"readme.txt").attributes, DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(Entry(L"dos_hidden.txt").attributes,
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(PackageTest, TimesComeFromTheUnixBlockOrTheDosTime) {
    Open("basic.zip");
    const ZipEntryInfo all = Entry(L"readme.txt");
    EXPECT_EQ(UnixSeconds(all.writeTime), 1600000000);
    EXPECT_EQ(UnixSeconds(all.accessTime), 1600000100);
    EXPECT_EQ(UnixSeconds(all.creationTime), 1500000000);
    const ZipEntryInfo writeOnly = Entry(L"bin/app.dat");
    EXPECT_EQ(UnixSeconds(writeOnly.writeTime), 1700000000);
    EXPECT_EQ(UnixSeconds(writeOnly.accessTime), DosTimeUtc());
    EXPECT_EQ(UnixSeconds(writeOnly.creationTime), DosTimeUtc());
}

TEST_F(PackageTest, UnixTimesAreReadOnlyWithinTheirBlock) {
    Open("ut_bounds.zip");
    const ZipEntryInfo claims = Entry(L"claims_more.txt");
    EXPECT_EQ(UnixSeconds(claims.writeTime), DosTimeUtc());
    EXPECT_EQ(UnixSeconds(claims.accessTime), DosTimeUtc());
    EXPECT_EQ(UnixSeconds(claims.creationTime), DosTimeUtc());
    const ZipEntryInfo shortBlock = Entry(L"short_block.txt");
    EXPECT_EQ(UnixSeconds(shortBlock.writeTime), 1700000000);
    EXPECT_EQ(UnixSeconds(shortBlock.accessTime), DosTimeUtc());
    EXPECT_EQ(UnixSeconds(shortBlock.creationTime), DosTimeUtc());
    EXPECT_EQ(UnixSeconds(Entry(L"after_other.txt").writeTime), 1650000000);
}

TEST_F(PackageTest, BadHandlesAndIndexesAreRefused) {
    Open("basic.zip");
    ZipEntryInfo info;
    EXPECT_EQ(GetZipItem(zip_, 11, &info), ZipErrArgument);
    EXPECT_EQ(GetZipItem(zip_, -2, &info), ZipErrArgument);
    EXPECT_EQ(UnzipItem(zip_, 11, L"x"), ZipErrArgument);
    EXPECT_EQ(LastZipResult(), ZipErrArgument);
    EXPECT_EQ(GetZipItem(nullptr, 0, &info), ZipErrArgument);
    ZipHandle wrongKind;
    wrongKind.kind = 2;
    EXPECT_EQ(GetZipItem(&wrongKind, 0, &info), ZipErrHandleKind);
    EXPECT_EQ(CloseZip(&wrongKind), ZipErrHandleKind);
}

TEST_F(PackageTest, TheCountIsWhatTheCentralDirectoryHolds) {
    // Its zip64 end record claims 2147483647 entries.
    Open("claims_too_many.zip");
    ZipEntryInfo info;
    ASSERT_EQ(GetZipItem(zip_, -1, &info), ZipOk);
    EXPECT_EQ(info.index, 1);
    ASSERT_EQ(GetZipItem(zip_, 0, &info), ZipOk);
    EXPECT_EQ(std::wstring(info.name), L"only.txt");
    EXPECT_EQ(GetZipItem(zip_, 1, &info), ZipErrArgument);
    CloseZip(zip_);
    zip_ = nullptr;

    ApplyUpdatePackage();
    EXPECT_EQ(ReadFileBytes(Base(L"only.txt")), "the only entry");
    EXPECT_FALSE(FileExists(Base(L"update.zip")));
}

TEST_F(PackageTest, SomethingElseThanAnArchiveDoesNotOpen) {
    EXPECT_EQ(OpenZipExtractor(), nullptr);  // no update.zip at all
    EXPECT_EQ(LastZipResult(), ZipErrOpenFile);
    ASSERT_TRUE(WriteFileBytes(Base(L"update.zip"), "this is not a zip archive"));
    EXPECT_EQ(OpenZipExtractor(), nullptr);
    EXPECT_EQ(LastZipResult(), ZipErrOpenFile);
}

// --- extraction -----------------------------------------------------------------------------------

TEST_F(PackageTest, ApplyExtractsFilesFoldersAttributesAndTimes) {
    UsePackage("basic.zip");
    ApplyUpdatePackage();
    EXPECT_FALSE(FileExists(Base(L"update.zip")));
    EXPECT_EQ(ReadFileBytes(Base(L"bin\\app.dat")), "new app");
    EXPECT_EQ(ReadFileBytes(Base(L"drive\\d.txt")), "drive");
    EXPECT_EQ(ReadFileBytes(Base(L"lead.txt")), "lead");
    EXPECT_EQ(ReadFileBytes(Base(L"y\\up.txt")), "up");
    EXPECT_EQ(ReadFileBytes(Base(L"stored.txt")), "stored as is");
    const std::string big = ReadFileBytes(Base(L"big.bin"));
    EXPECT_EQ(big.size(), 100u * 1024 + 4);
    EXPECT_EQ(big.substr(big.size() - 4), "tail");

    EXPECT_EQ(GetFileAttributesW(Base(L"ro.txt").c_str()),
              DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(GetFileAttributesW(Base(L"dos_hidden.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(TimesOf(Base(L"readme.txt")).write, 1600000000);
    EXPECT_EQ(TimesOf(Base(L"bin\\app.dat")).write, 1700000000);
    EXPECT_EQ(TimesOf(Base(L"lead.txt")).write, DosTimeUtc());
}

TEST_F(PackageTest, ReadOnlyFilesOfAnEarlierPackageAreReplaced) {
    ASSERT_TRUE(WriteFileBytes(Base(L"ro.txt"), "old"));
    SetFileAttributesW(Base(L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    UsePackage("basic.zip");
    ApplyUpdatePackage();
    EXPECT_EQ(ReadFileBytes(Base(L"ro.txt")), "read only");
    // And once more over the read-only file the first run left.
    UsePackage("basic.zip");
    ApplyUpdatePackage();
    EXPECT_EQ(ReadFileBytes(Base(L"ro.txt")), "read only");
    EXPECT_FALSE(FileExists(Base(L"update.zip")));
}

TEST_F(PackageTest, NamesThatLeaveTheBaseFolderAreNeverWritten) {
    UsePackage("traversal.zip");
    ApplyUpdatePackage();
    EXPECT_EQ(ReadFileBytes(Base(L"good.txt")), "good");
    EXPECT_EQ(ReadFileBytes(Base(L"server\\share\\unc.txt")), "unc");
    EXPECT_FALSE(FileExists(Base(L"stream.txt")));
    std::error_code error;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder_.Path(), error))
        EXPECT_EQ(item.path().filename().wstring().find(L"evil"), std::wstring::npos)
            << Narrow(item.path().wstring());
    EXPECT_FALSE(FileExists(L"C:\\qixtest\\evil1.txt"));
}

TEST_F(PackageTest, UnsafeNamesAreRefusedByTheExtractor) {
    Open("basic.zip");
    const int32_t index = IndexOf(L"lead.txt");
    ASSERT_GE(index, 0);
    for (const wchar_t* name : {L"..\\lead.txt", L"a\\..\\..\\lead.txt", L"C:\\lead.txt",
                                L"\\lead.txt", L"\\\\server\\share\\lead.txt", L"lead.txt:ads",
                                L"sub\\.. \\..\\lead.txt"})
        EXPECT_EQ(UnzipItem(zip_, index, name), ZipErrUnsafeName) << Narrow(name);
    const std::wstring tooLong = std::wstring(300 - base_.size(), L'n');
    EXPECT_EQ(UnzipItem(zip_, index, tooLong.c_str()), ZipErrUnsafeName);
    EXPECT_FALSE(FileExists(folder_ / L"lead.txt"));
    EXPECT_EQ(UnzipItem(zip_, index, L"sub\\lead.txt"), ZipOk);
    EXPECT_EQ(ReadFileBytes(Base(L"sub\\lead.txt")), "lead");
}

TEST_F(PackageTest, FailingEntriesLeaveTheOldFilesWhole) {
    for (const wchar_t* name : {L"badcrc.txt", L"cut.bin", L"secret.txt", L"badlocal.txt"})
        ASSERT_TRUE(WriteFileBytes(Base(name), "old"));
    Open("failures.zip");
    EXPECT_EQ(UnzipItem(zip_, 0, L"badcrc.txt"), ZipErrInflate);
    EXPECT_EQ(UnzipItem(zip_, 1, L"cut.bin"), ZipErrInflate);
    EXPECT_EQ(UnzipItem(zip_, 2, L"secret.txt"), ZipErrPassword);
    ZipEntryInfo info;
    EXPECT_EQ(GetZipItem(zip_, 3, &info), ZipErrCorrupt);
    EXPECT_EQ(GetZipItem(zip_, 4, &info), ZipErrUnsafeName);  // a name of 300 bytes
    ASSERT_EQ(GetZipItem(zip_, 5, &info), ZipOk);
    EXPECT_STREQ(info.name, L"after.txt");
    CloseZip(zip_);
    zip_ = nullptr;

    ApplyUpdatePackage();
    for (const wchar_t* name : {L"badcrc.txt", L"cut.bin", L"secret.txt", L"badlocal.txt"})
        EXPECT_EQ(ReadFileBytes(Base(name)), "old") << Narrow(name);
    EXPECT_EQ(ReadFileBytes(Base(L"after.txt")), "after");
    EXPECT_FALSE(FileExists(Base(L"d")));
    // No temporary file of a failed entry is left behind.
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(base_, error))
        EXPECT_NE(item.path().extension(), L".tmp") << Narrow(item.path().wstring());
}

TEST_F(PackageTest, TheUpdatersReaderTakesNamesWithoutTheUtf8FlagInTheAnsiCodePage) {
    const std::wstring out = folder_ / L"out";
    wchar_t name[16] = {};
    MultiByteToWideChar(CP_ACP, 0, "\x80uro.txt", -1, name, 16);
    EXPECT_EQ(ExtractZipToDir(Package("ansi_name.zip").c_str(), out.c_str(), 0), 1);
    EXPECT_EQ(ReadFileBytes(out + L"\\" + name), "euro");
}

TEST_F(PackageTest, ALockedTargetKeepsItsOldContent) {
    ASSERT_TRUE(WriteFileBytes(Base(L"stored.txt"), "old"));
    HANDLE locked = CreateFileW(Base(L"stored.txt").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    Open("basic.zip");
    EXPECT_EQ(UnzipItem(zip_, IndexOf(L"stored.txt"), L"stored.txt"), ZipErrOpenFile);
    CloseHandle(locked);
    EXPECT_EQ(ReadFileBytes(Base(L"stored.txt")), "old");
}

TEST_F(PackageTest, ABrokenPackageIsDeletedWithoutExtraction) {
    ASSERT_TRUE(WriteFileBytes(Base(L"update.zip"), std::string(4096, 'Z')));
    ApplyUpdatePackage();
    EXPECT_FALSE(FileExists(Base(L"update.zip")));
    std::error_code error;
    EXPECT_TRUE(std::filesystem::is_empty(base_, error));
}

// --- one tree packed by zip tools, and oddly -----------------------------------------------------

// Every file and folder below `folder`, by relative path: a file's size and a hash of its bytes.
std::map<std::wstring, std::string> FilesBelow(const std::wstring& folder) {
    std::map<std::wstring, std::string> files;
    std::error_code error;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (item.is_directory()) files[item.path().lexically_relative(folder).wstring()] = "folder";
        if (!item.is_regular_file()) continue;
        const std::string bytes = ReadFileBytes(item.path().wstring());
        files[item.path().lexically_relative(folder).wstring()] = std::to_string(bytes.size()) +
            " bytes #" + std::to_string(std::hash<std::string>()(bytes));
    }
    return files;
}

// A package of make_packages.py's tree: all of it installs but `refused` (packed with a method
// we do not decode, or damaged), and ExtractZipToDir answers `extracted`.
struct TreePackage {
    const char* package;
    const wchar_t* refused;
    int extracted;
};
void PrintTo(const TreePackage& row, std::ostream* out) { *out << row.package; }

class TreePackages : public PackageTest, public ::testing::WithParamInterface<TreePackage> {};

TEST_P(TreePackages, InstallByteForByteThroughTheLauncherAndTheUpdater) {
    const TreePackage& row = GetParam();
    std::map<std::wstring, std::string> expected = {{L"base", "folder"}, {L"out", "folder"}};
    for (const auto& [file, digest] : FilesBelow(Package("tree")))
        if (!row.refused || file != row.refused)
            for (const wchar_t* root : {L"base\\", L"out\\"}) expected[root + file] = digest;

    UsePackage(row.package);
    ApplyUpdatePackage();
    const std::wstring out = folder_ / L"out";
    EXPECT_EQ(ExtractZipToDir(Package(row.package).c_str(), out.c_str(), 0), row.extracted);
    EXPECT_EQ(FilesBelow(folder_.Path()), expected);  // nothing else, and nothing climbed out
}

const TreePackage kTreePackages[] = {
    {"tool_zip.zip", nullptr, 4}, {"tool_zip_store.zip", nullptr, 4},
    {"tool_zip64.zip", nullptr, 4}, {"tool_zip_streamed.zip", nullptr, 4},
    {"tool_bsdtar.zip", nullptr, 4},  // "./bin/app.dat"
    {"tool_bsdtar_store.zip", nullptr, 4}, {"tool_7z.zip", nullptr, 4},
    {"tool_7z_bzip2.zip", L"bin\\app.dat", -1},
    // Hand-made: "./bin/./app.dat"; with "./../readme.txt" and "a/../../readme.txt"; app.dat
    // labelled BZip2; app.dat's data shorter than its size and CRC say.
    {"odd_dot_parts.zip", nullptr, 4}, {"odd_climbing.zip", nullptr, 4},
    {"odd_bzip2.zip", L"bin\\app.dat", -1}, {"odd_short.zip", L"bin\\app.dat", -1},
    {"odd_encrypted.zip", nullptr, -1}, {"odd_broken_directory.zip", L"bin\\noise.bin", -1},
    {"odd_long_name.zip", nullptr, -1},
};
INSTANTIATE_TEST_SUITE_P(Packages, TreePackages, ::testing::ValuesIn(kTreePackages));

}  // namespace
