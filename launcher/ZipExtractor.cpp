#include "ZipExtractor.h"

#include <unzip.h>

#include <algorithm>
#include <cwchar>

#include "FileTime.h"
#include "TextConvert.h"
#include "ZipMethod.h"

namespace {

uint32_t g_lastResult = ZipOk;  // the last result of the wrappers, process-wide

constexpr size_t kDataBufferSize = 16384;
constexpr uint16_t kUnixTimeBlock = 0x5455;  // "UT"

unzFile Reader(void* reader) { return static_cast<unzFile>(reader); }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// --- minizip callbacks over a Win32 file handle ----------------------------------------------

voidpf ZCALLBACK SourceOpen(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK SourceRead(voidpf, voidpf stream, void* buf, uLong size) {
    auto* src = static_cast<ZipFileSource*>(stream);
    DWORD read = 0;
    if (!ReadFile(src->file, buf, size, &read, nullptr)) {
        src->readError = true;
        return 0;
    }
    return read;
}

uLong ZCALLBACK SourceWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK SourceTell(voidpf, voidpf stream) {
    auto* src = static_cast<ZipFileSource*>(stream);
    LARGE_INTEGER zero{}, pos{};
    if (!src->seekable || !SetFilePointerEx(src->file, zero, &pos, FILE_CURRENT))
        return static_cast<ZPOS64_T>(-1);
    return static_cast<ZPOS64_T>(pos.QuadPart) - src->startOffset;
}

long ZCALLBACK SourceSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* src = static_cast<ZipFileSource*>(stream);
    if (!src->seekable) return -1;
    LARGE_INTEGER distance{};
    DWORD method = FILE_BEGIN;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        distance.QuadPart = static_cast<LONGLONG>(offset + src->startOffset);
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        distance.QuadPart = static_cast<LONGLONG>(offset);
        method = FILE_CURRENT;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        distance.QuadPart = static_cast<LONGLONG>(offset);
        method = FILE_END;
        break;
    default:
        return -1;
    }
    return SetFilePointerEx(src->file, distance, nullptr, method) ? 0 : -1;
}

int ZCALLBACK SourceClose(voidpf, voidpf stream) {
    auto* src = static_cast<ZipFileSource*>(stream);
    if (src->ownsHandle && src->file != INVALID_HANDLE_VALUE) CloseHandle(src->file);
    src->file = INVALID_HANDLE_VALUE;
    return 0;
}

int ZCALLBACK SourceError(voidpf, voidpf stream) {
    return static_cast<ZipFileSource*>(stream)->readError ? 1 : 0;
}

// --- entry names and times -------------------------------------------------------------------

// Drops every "." part, which names the folder it stands in ("./a/./b" is "a/b"), with the
// separator after it; a last "." part keeps the separator before it. Answers whether one went.
bool DropDotParts(std::wstring* name) {
    std::wstring& s = *name;
    bool dropped = false;
    size_t start = 0;
    while (start < s.size()) {
        size_t end = s.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = s.size();
        if (end - start == 1 && s[start] == L'.') {
            s.erase(start, end < s.size() ? 2 : 1);
            dropped = true;
        } else {
            start = end + 1;
        }
    }
    return dropped;
}

// Drops "." parts, drive letters, leading separators and everything up to a parent-folder
// part, until none is left; what remains is checked again by ResolveInsideBase before
// anything is written. "." parts go first, so "./../x" is refused as "../x".
void CleanEntryName(std::wstring* name) {
    static const wchar_t* const parentParts[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    for (;;) {
        std::wstring& s = *name;
        if (DropDotParts(&s)) continue;
        if (s.size() >= 2 && s[1] == L':') {
            s.erase(0, 2);
            continue;
        }
        if (!s.empty() && IsSeparator(s[0])) {
            s.erase(0, 1);
            continue;
        }
        bool cut = false;
        for (const wchar_t* part : parentParts) {
            const size_t at = s.find(part);
            if (at != std::wstring::npos) {
                s.erase(0, at + std::wcslen(part));
                cut = true;
                break;
            }
        }
        if (!cut) return;
    }
}

// The "UT" block of a local extra field: every read stays inside both the block's declared
// size and the field.
void ApplyUnixTimes(const std::vector<uint8_t>& extra, ZipEntryInfo* info) {
    const size_t size = extra.size();
    if (size < 5) return;
    size_t offset = 0;
    while (offset + 4 < size) {
        const uint16_t id = static_cast<uint16_t>(extra[offset] | (extra[offset + 1] << 8));
        const size_t dataSize = static_cast<size_t>(extra[offset + 2] | (extra[offset + 3] << 8));
        const size_t dataStart = offset + 4;
        if (id == kUnixTimeBlock) {
            const size_t dataEnd = std::min(dataStart + dataSize, size);
            if (dataStart >= dataEnd) return;
            const uint8_t flags = extra[dataStart];
            size_t at = dataStart + 1;
            auto take = [&](FILETIME* out) {
                if (at + 4 > dataEnd) return false;
                const uint32_t raw = static_cast<uint32_t>(extra[at]) |
                                     (static_cast<uint32_t>(extra[at + 1]) << 8) |
                                     (static_cast<uint32_t>(extra[at + 2]) << 16) |
                                     (static_cast<uint32_t>(extra[at + 3]) << 24);
                *out = win32::FileTimeFromUnixSeconds(static_cast<int32_t>(raw));
                at += 4;
                return true;
            };
            if ((flags & 1) && !take(&info->writeTime)) return;
            if ((flags & 2) && !take(&info->accessTime)) return;
            if ((flags & 4)) take(&info->creationTime);
            return;
        }
        offset = dataStart + dataSize;
    }
}

DWORD AttributesFrom(uLong versionMadeBy, uLong external) {
    const unsigned host = (versionMadeBy >> 8) & 0xFF;
    bool readOnly, hidden, system, directory, archive;
    if (host == 0 || host == 7 || host == 11 || host == 14) {
        readOnly = external & 0x01;
        hidden = external & 0x02;
        system = external & 0x04;
        directory = external & 0x10;
        archive = external & 0x20;
    } else {
        directory = external & 0x40000000;   // S_IFDIR in the high word
        readOnly = !(external & 0x00800000); // owner write bit clear
        archive = true;
        hidden = system = false;
    }
    DWORD attributes = 0;
    if (directory) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (archive) attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (hidden) attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (readOnly) attributes |= FILE_ATTRIBUTE_READONLY;
    if (system) attributes |= FILE_ATTRIBUTE_SYSTEM;
    return attributes;
}

// Only dots and blanks: Windows trims such a component away or reads it as a parent part.
bool IsDotsOnly(const std::wstring& part) {
    return !part.empty() && part.find_first_not_of(L". ") == std::wstring::npos;
}

// Whether the data of the entry the reader stands on can be decoded.
ZipResult CheckDecodable(unzFile reader) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(reader, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZipErrCorrupt;
    if (win32::IsEncryptedZipEntry(info.flag)) return ZipErrPassword;
    return win32::IsDecodableZipEntry(info.compression_method, info.flag) ? ZipOk : ZipErrInflate;
}

// Deletes a temporary file even when it was made read-only.
void RemoveTempFile(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

}  // namespace

bool ResolveInsideBase(const wchar_t* baseFolder, const wchar_t* name, std::wstring* fullPath) {
    if (!baseFolder || !name || !*name || IsSeparator(name[0])) return false;
    const std::wstring relative(name);
    if (relative.find(L':') != std::wstring::npos) return false;  // drive or alternate stream
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = relative.size();
        if (IsDotsOnly(relative.substr(start, end - start))) return false;
        start = end + 1;
    }
    const std::wstring base(baseFolder);
    const std::wstring candidate = base + relative;
    if (candidate.size() >= kZipPathChars) return false;
    wchar_t full[kZipPathChars];
    const DWORD length = GetFullPathNameW(candidate.c_str(), kZipPathChars, full, nullptr);
    if (length == 0 || length >= kZipPathChars || length <= base.size()) return false;
    if (_wcsnicmp(full, base.c_str(), base.size()) != 0) return false;
    if (fullPath) fullPath->assign(full, length);
    return true;
}

FILETIME DosTimeToFileTime(WORD date, WORD time) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(1980 + (date >> 9));
    st.wMonth = static_cast<WORD>((date >> 5) & 15);
    st.wDay = static_cast<WORD>(date & 31);
    st.wHour = static_cast<WORD>(time >> 11);
    st.wMinute = static_cast<WORD>((time >> 5) & 63);
    st.wSecond = static_cast<WORD>((time & 31) * 2);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

void CreateFolderPath(const wchar_t* base, const wchar_t* path) {
    if (base && *base && GetFileAttributesW(base) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(base, nullptr);
    if (!path || !*path) return;
    std::wstring part(path);
    if (part.size() >= kZipPathChars) part.resize(kZipPathChars - 1);
    const size_t separator = part.find_last_of(L"\\/");
    if (separator != std::wstring::npos)
        CreateFolderPath(base, part.substr(0, separator).c_str());
    const std::wstring full = std::wstring(base ? base : L"") + part;
    if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(full.c_str(), nullptr);
}

ZipExtractor::~ZipExtractor() {
    Close();
    delete[] password_;
    delete[] buffer_;
}

ZipResult ZipExtractor::Open() {
    if (reader_ || openEntryIndex_ != -1) return ZipErrAlreadyOpen;

    const DWORD length = GetCurrentDirectoryW(kZipPathChars, baseFolder_);
    // The base needs room for its separator and at least a short name below it.
    if (length == 0 || length + 2 >= kZipPathChars) return ZipErrOpenFile;
    if (!IsSeparator(baseFolder_[length - 1])) {
        baseFolder_[length] = L'\\';
        baseFolder_[length + 1] = L'\0';
    }

    HANDLE file = CreateFileW(L"update.zip", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ZipErrOpenFile;
    source_ = ZipFileSource{};
    source_.isFile = true;
    source_.ownsHandle = true;
    source_.file = file;
    LARGE_INTEGER zero{}, position{};
    if (SetFilePointerEx(file, zero, &position, FILE_CURRENT)) {
        source_.seekable = true;
        source_.startOffset = static_cast<uint32_t>(position.QuadPart);
    }

    zlib_filefunc64_def functions{};
    functions.zopen64_file = SourceOpen;
    functions.zread_file = SourceRead;
    functions.zwrite_file = SourceWrite;
    functions.ztell64_file = SourceTell;
    functions.zseek64_file = SourceSeek;
    functions.zclose_file = SourceClose;
    functions.zerror_file = SourceError;
    functions.opaque = &source_;
    unzFile reader = unzOpen2_64("update.zip", &functions);
    if (!reader) {
        SourceClose(nullptr, &source_);
        return ZipErrOpenFile;
    }
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(reader, &global) != UNZ_OK || global.number_entry > INT32_MAX) {
        unzClose(reader);
        return ZipErrOpenFile;
    }
    reader_ = reader;
    entryCount_ = CountEntries(reader, static_cast<int32_t>(global.number_entry));
    currentIndex_ = entryCount_ > 0 ? 0 : -1;
    cachedIndex_ = -1;
    return ZipOk;
}

// The end record's count is only a claim: a zip64 record of a 200-byte file may claim two
// billion entries, and every index would then be tried. Counts the entries the central
// directory really holds, up to the claim, and leaves the reader on the first.
int32_t ZipExtractor::CountEntries(void* reader, int32_t claimed) {
    unzFile zip = Reader(reader);
    if (claimed <= 0 || unzGoToFirstFile(zip) != UNZ_OK) return 0;
    int32_t count = 1;
    while (count < claimed && unzGoToNextFile(zip) == UNZ_OK) ++count;
    unzGoToFirstFile(zip);
    return count;
}

void ZipExtractor::CloseOpenEntry() {
    if (openEntryIndex_ != -1 && reader_) unzCloseCurrentFile(Reader(reader_));
    openEntryIndex_ = -1;
}

ZipResult ZipExtractor::PositionOn(int32_t index) {
    unzFile reader = Reader(reader_);
    if (currentIndex_ < 0 || index < currentIndex_) {
        if (unzGoToFirstFile(reader) != UNZ_OK) return ZipErrCorrupt;
        currentIndex_ = 0;
    }
    while (currentIndex_ < index) {
        if (unzGoToNextFile(reader) != UNZ_OK) return ZipErrCorrupt;
        ++currentIndex_;
    }
    return ZipOk;
}

// Opens the current entry raw, which checks its local header against the central directory,
// and reads its local extra field.
ZipResult ZipExtractor::ReadLocalExtra(std::vector<uint8_t>* extra) {
    unzFile reader = Reader(reader_);
    int method = 0, level = 0;
    const int opened = unzOpenCurrentFile2(reader, &method, &level, 1);
    if (opened == UNZ_ERRNO) return ZipErrRead;
    if (opened != UNZ_OK) return ZipErrCorrupt;
    ZipResult result = ZipOk;
    const int size = unzGetLocalExtrafield(reader, nullptr, 0);
    if (size < 0) {
        result = ZipErrRead;
    } else if (size > 0) {
        extra->resize(static_cast<size_t>(size));
        if (unzGetLocalExtrafield(reader, extra->data(), static_cast<unsigned>(size)) != size)
            result = ZipErrRead;
    }
    unzCloseCurrentFile(reader);
    return result;
}

ZipResult ZipExtractor::GetEntry(int32_t index, ZipEntryInfo* info) {
    if (!reader_ || !info || index < -1 || index >= entryCount_) return ZipErrArgument;
    CloseOpenEntry();
    if (index != -1 && index == cachedIndex_) {
        *info = cached_;
        return ZipOk;
    }
    if (index == -1) {
        *info = ZipEntryInfo{};
        info->index = entryCount_;
        return ZipOk;
    }

    ZipResult result = PositionOn(index);
    if (result != ZipOk) return result;
    unzFile reader = Reader(reader_);
    unz_file_info64 fileInfo{};
    if (unzGetCurrentFileInfo64(reader, &fileInfo, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZipErrCorrupt;
    // The whole name is read, however long, so that a long name is refused rather than cut.
    std::vector<char> rawName(fileInfo.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(reader, &fileInfo, rawName.data(),
                                static_cast<uLong>(rawName.size()), nullptr, 0, nullptr,
                                0) != UNZ_OK)
        return ZipErrCorrupt;
    std::vector<uint8_t> extra;
    result = ReadLocalExtra(&extra);
    if (result != ZipOk) return result;

    ZipEntryInfo entry{};
    entry.index = index;
    std::wstring name = win32::ToWide(CP_UTF8, rawName.data(), fileInfo.size_filename);
    CleanEntryName(&name);
    if (name.size() >= kZipPathChars) return ZipErrUnsafeName;
    std::copy(name.begin(), name.end(), entry.name);
    entry.name[name.size()] = L'\0';

    entry.attributes = AttributesFrom(fileInfo.version, fileInfo.external_fa);
    entry.compressedSize = static_cast<uint32_t>(fileInfo.compressed_size);
    entry.uncompressedSize = static_cast<uint32_t>(fileInfo.uncompressed_size);
    const FILETIME local = DosTimeToFileTime(static_cast<WORD>(fileInfo.dosDate >> 16),
                                             static_cast<WORD>(fileInfo.dosDate & 0xFFFF));
    FILETIME utc{};
    LocalFileTimeToFileTime(&local, &utc);
    entry.accessTime = entry.creationTime = entry.writeTime = utc;
    ApplyUnixTimes(extra, &entry);

    cached_ = entry;
    cachedIndex_ = index;
    *info = entry;
    return ZipOk;
}

ZipResult ZipExtractor::WriteEntryData(HANDLE file, const ZipEntryInfo& info) {
    unzFile reader = Reader(reader_);
    const int opened = unzOpenCurrentFilePassword(reader, password_);
    if (opened != UNZ_OK) return opened == UNZ_BADZIPFILE ? ZipErrCorrupt : ZipErrInflate;
    openEntryIndex_ = info.index;
    if (!buffer_) buffer_ = new uint8_t[kDataBufferSize];

    for (;;) {
        const int count = unzReadCurrentFile(reader, buffer_, kDataBufferSize);
        if (count < 0) return ZipErrInflate;
        if (count == 0) {
            if (!unzeof(reader)) return ZipErrInflate;
            break;
        }
        DWORD written = 0;
        if (!WriteFile(file, buffer_, static_cast<DWORD>(count), &written, nullptr) ||
            written != static_cast<DWORD>(count))
            return ZipErrWrite;
    }
    // The CRC is checked when the fully read entry is closed.
    openEntryIndex_ = -1;
    if (unzCloseCurrentFile(reader) != UNZ_OK) return ZipErrInflate;
    if (!SetFileTime(file, &info.creationTime, &info.accessTime, &info.writeTime))
        return ZipErrWrite;
    return ZipOk;
}

ZipResult ZipExtractor::ExtractEntry(int32_t index, const wchar_t* name) {
    CloseOpenEntry();
    if (!reader_ || index < 0 || index >= entryCount_ || !name) return ZipErrArgument;
    ZipEntryInfo info;
    ZipResult result = GetEntry(index, &info);
    if (result != ZipOk) return result;
    result = PositionOn(index);  // a cached answer leaves the reader where it was
    if (result != ZipOk) return result;

    // A folder entry named "./" is the base folder itself.
    if ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) && !*name) return ZipOk;
    std::wstring target;
    if (!ResolveInsideBase(baseFolder_, name, &target)) return ZipErrUnsafeName;

    if (info.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        CreateFolderPath(baseFolder_, name);
        return ZipOk;
    }

    // Refused before its folders are made, so nothing is written for it.
    result = CheckDecodable(Reader(reader_));
    if (result != ZipOk) return result;

    const std::wstring relative(name);
    const size_t split = relative.find_last_of(L"\\/");
    if (split != std::wstring::npos) CreateFolderPath(baseFolder_, relative.substr(0, split).c_str());
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);

    // The entry goes to a new file beside its target and replaces the target only when it is
    // complete, so a failing entry never leaves the old file lost or a new one half written.
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"qx", 0, temp)) return ZipErrOpenFile;
    HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        RemoveTempFile(temp);
        return ZipErrOpenFile;
    }
    result = WriteEntryData(file, info);
    CloseOpenEntry();
    CloseHandle(file);
    if (result != ZipOk) {
        RemoveTempFile(temp);
        return result;
    }

    // A read-only file from an earlier package must not block its replacement.
    const DWORD oldAttributes = GetFileAttributesW(target.c_str());
    if (oldAttributes != INVALID_FILE_ATTRIBUTES && (oldAttributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(target.c_str(), oldAttributes & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (oldAttributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(target.c_str(), oldAttributes);
        RemoveTempFile(temp);
        return ZipErrOpenFile;
    }
    SetFileAttributesW(target.c_str(), info.attributes ? info.attributes : FILE_ATTRIBUTE_NORMAL);
    return ZipOk;
}

ZipResult ZipExtractor::Close() {
    CloseOpenEntry();
    if (reader_) {
        unzClose(Reader(reader_));  // closes the source through its callback
        reader_ = nullptr;
    }
    entryCount_ = 0;
    currentIndex_ = -1;
    cachedIndex_ = -1;
    return ZipOk;
}

// --- handle wrappers ---------------------------------------------------------------------------

namespace {
ZipResult Remember(ZipResult result) {
    g_lastResult = result;
    return result;
}

ZipResult CheckHandle(ZipHandle* handle) {
    if (!handle) return ZipErrArgument;
    if (handle->kind != 1) return ZipErrHandleKind;
    return ZipOk;
}
}  // namespace

ZipHandle* OpenZipExtractor() {
    auto* extractor = new ZipExtractor;
    const ZipResult result = Remember(extractor->Open());
    if (result != ZipOk) {
        delete extractor;
        return nullptr;
    }
    auto* handle = new ZipHandle;
    handle->extractor = extractor;
    return handle;
}

ZipResult GetZipItem(ZipHandle* handle, int32_t index, ZipEntryInfo* info) {
    const ZipResult check = CheckHandle(handle);
    if (check != ZipOk) return Remember(check);
    return Remember(handle->extractor->GetEntry(index, info));
}

ZipResult UnzipItem(ZipHandle* handle, int32_t index, const wchar_t* name) {
    const ZipResult check = CheckHandle(handle);
    if (check != ZipOk) return Remember(check);
    return Remember(handle->extractor->ExtractEntry(index, name));
}

ZipResult CloseZip(ZipHandle* handle) {
    const ZipResult check = CheckHandle(handle);
    if (check != ZipOk) return Remember(check);
    const ZipResult result = handle->extractor->Close();
    delete handle->extractor;
    delete handle;
    return Remember(result);
}

ZipResult LastZipResult() { return static_cast<ZipResult>(g_lastResult); }
