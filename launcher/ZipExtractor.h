// The launcher's reader for the update package "update.zip" in the current directory: it lists
// the entries with cleaned names, attributes and UTC times and extracts them below the folder
// that was current when the package was opened.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

enum ZipResult : uint32_t {
    ZipOk = 0,
    ZipErrOpenFile = 0x200,       // package not openable or no archive; target not creatable
    ZipErrWrite = 0x400,          // writing a target file failed
    ZipErrCorrupt = 0x700,        // local header does not match the central directory
    ZipErrRead = 0x800,           // local extra field cannot be reached or read
    ZipErrPassword = 0x1000,      // the entry is encrypted
    ZipErrArgument = 0x10000,     // no handle, or an item index out of range
    ZipErrHandleKind = 0x80000,   // the handle's kind is not 1
    ZipErrAlreadyOpen = 0x1000000,
    ZipErrUnsafeName = 0x3000000, // the name would leave the base folder or does not fit
    ZipErrInflate = 0x5000000,    // the entry's data cannot be decompressed or fails its CRC
};

constexpr size_t kZipPathChars = 260;

struct ZipEntryInfo {
    int32_t index = 0;  // for the request -1: the number of entries
    wchar_t name[kZipPathChars] = {};
    DWORD attributes = 0;
    FILETIME accessTime{};
    FILETIME creationTime{};
    FILETIME writeTime{};
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
};

// The input that minizip reads through our callbacks.
struct ZipFileSource {
    bool isFile = false;
    bool seekable = false;
    bool ownsHandle = false;
    HANDLE file = INVALID_HANDLE_VALUE;
    bool readError = false;
    uint32_t startOffset = 0;
    const uint8_t* memoryBase = nullptr;
    uint32_t memorySize = 0;
    uint32_t memoryPosition = 0;
};

class ZipExtractor {
public:
    ZipExtractor() = default;
    ~ZipExtractor();
    ZipExtractor(const ZipExtractor&) = delete;
    ZipExtractor& operator=(const ZipExtractor&) = delete;

    ZipResult Open();
    ZipResult GetEntry(int32_t index, ZipEntryInfo* info);
    ZipResult ExtractEntry(int32_t index, const wchar_t* name);
    ZipResult Close();

private:
    ZipResult PositionOn(int32_t index);
    ZipResult ReadLocalExtra(std::vector<uint8_t>* extra);
    ZipResult WriteEntryData(HANDLE file, const ZipEntryInfo& info);
    void CloseOpenEntry();
    static int32_t CountEntries(void* reader, int32_t claimed);

    void* reader_ = nullptr;  // minizip's unzFile
    int32_t openEntryIndex_ = -1;
    ZipEntryInfo cached_{};
    int32_t cachedIndex_ = -1;
    char* password_ = nullptr;
    uint8_t* buffer_ = nullptr;
    wchar_t baseFolder_[kZipPathChars] = {};

    ZipFileSource source_{};
    int32_t entryCount_ = 0;
    int32_t currentIndex_ = -1;  // the entry minizip stands on
};

struct ZipHandle {
    int32_t kind = 1;
    ZipExtractor* extractor = nullptr;
};

ZipHandle* OpenZipExtractor();
ZipResult GetZipItem(ZipHandle* handle, int32_t index, ZipEntryInfo* info);
ZipResult UnzipItem(ZipHandle* handle, int32_t index, const wchar_t* name);
ZipResult CloseZip(ZipHandle* handle);
ZipResult LastZipResult();

void CreateFolderPath(const wchar_t* base, const wchar_t* path);
FILETIME DosTimeToFileTime(WORD date, WORD time);

// Whether `name` (a cleaned entry name) stays inside `baseFolder` (ending with a separator)
// when extracted there; `fullPath` receives the path it resolves to.
bool ResolveInsideBase(const wchar_t* baseFolder, const wchar_t* name, std::wstring* fullPath);
