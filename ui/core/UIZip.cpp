#include "core/UIZip.h"

#include <unzip.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FileTime.h"
#include "TextConvert.h"
#include "Win32Handle.h"
#include "ZipMethod.h"

namespace QxUI {

namespace {

const DWORD kHandleKind = 1;
const unsigned kChunkSize = 16384;
// Longer names are never found, as the archive layer's own lookup refuses them.
const size_t kMaxFindName = 256;
const int kSeekNotSeekable = 29;
const int kSeekBadOrigin = 19;

ZipResult g_lastResult = ZipOk;

// The input minizip reads through: a file handle or a memory block.
struct CZipInput
{
    bool isFile;
    bool seekable;
    HANDLE file;
    bool readError;
    DWORD startOffset;
    const BYTE* memoryBase;
    DWORD memorySize;
    DWORD memoryPosition;
};

CZipInput* ZipInputOpen(const void* source, DWORD length, DWORD kind, ZipResult* error)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    if (kind == ZipSourceHandle) {
        if (!::DuplicateHandle(::GetCurrentProcess(), const_cast<HANDLE>(source), ::GetCurrentProcess(),
                               &file, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            *error = ZipErrDuplicate;
            return nullptr;
        }
    } else if (kind == ZipSourcePath) {
        file = ::CreateFileW(static_cast<LPCWSTR>(source), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            *error = ZipErrOpenFile;
            return nullptr;
        }
    } else if (kind != ZipSourceMemory) {
        *error = ZipErrArgument;
        return nullptr;
    }

    CZipInput* input = new CZipInput();
    if (kind == ZipSourceMemory) {
        input->seekable = true;
        input->memoryBase = static_cast<const BYTE*>(source);
        input->memorySize = source != nullptr ? length : 0;
    } else {
        input->isFile = true;
        input->file = file;
        input->seekable = ::GetFileType(file) == FILE_TYPE_DISK;
        if (input->seekable)
            input->startOffset = ::SetFilePointer(file, 0, nullptr, FILE_CURRENT);
    }
    *error = ZipOk;
    return input;
}

void ZipInputClose(CZipInput* input)
{
    if (input->isFile)
        ::CloseHandle(input->file);
    delete input;
}

voidpf ZCALLBACK ZipInputOpenCallback(voidpf, const char* filename, int)
{
    // The "file name" minizip hands back is the input opened beforehand.
    return const_cast<char*>(filename);
}

uLong ZCALLBACK ZipInputRead(voidpf, voidpf stream, void* buffer, uLong size)
{
    CZipInput* input = static_cast<CZipInput*>(stream);
    if (input->isFile) {
        DWORD read = 0;
        if (!::ReadFile(input->file, buffer, size, &read, nullptr))
            input->readError = true;
        return read;
    }
    DWORD remaining = input->memorySize - input->memoryPosition;
    DWORD count = size < remaining ? size : remaining;
    if (count > 0)
        memcpy(buffer, input->memoryBase + input->memoryPosition, count);
    input->memoryPosition += count;
    return count;
}

uLong ZCALLBACK ZipInputWrite(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

long ZCALLBACK ZipInputTell(voidpf, voidpf stream)
{
    CZipInput* input = static_cast<CZipInput*>(stream);
    if (!input->isFile)
        return static_cast<long>(input->memoryPosition);
    if (!input->seekable)
        return 0;
    return static_cast<long>(::SetFilePointer(input->file, 0, nullptr, FILE_CURRENT) - input->startOffset);
}

long ZCALLBACK ZipInputSeek(voidpf, voidpf stream, uLong offset, int origin)
{
    CZipInput* input = static_cast<CZipInput*>(stream);
    // Relative seeks carry a signed distance in the unsigned argument.
    const int64_t distance = origin == ZLIB_FILEFUNC_SEEK_SET ? static_cast<int64_t>(offset)
                                                              : static_cast<int64_t>(static_cast<int32_t>(offset));
    if (input->isFile) {
        if (!input->seekable)
            return kSeekNotSeekable;
        LARGE_INTEGER move;
        DWORD method;
        switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET: move.QuadPart = distance + input->startOffset; method = FILE_BEGIN; break;
        case ZLIB_FILEFUNC_SEEK_CUR: move.QuadPart = distance; method = FILE_CURRENT; break;
        case ZLIB_FILEFUNC_SEEK_END: move.QuadPart = distance; method = FILE_END; break;
        default: return kSeekBadOrigin;
        }
        return ::SetFilePointerEx(input->file, move, nullptr, method) ? 0 : -1;
    }
    int64_t position;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: position = distance; break;
    case ZLIB_FILEFUNC_SEEK_CUR: position = input->memoryPosition + distance; break;
    case ZLIB_FILEFUNC_SEEK_END: position = input->memorySize + distance; break;
    default: return kSeekBadOrigin;
    }
    // A position outside the block would let later reads run past it.
    if (position < 0 || position > input->memorySize)
        return -1;
    input->memoryPosition = static_cast<DWORD>(position);
    return 0;
}

int ZCALLBACK ZipInputHasError(voidpf, voidpf stream)
{
    CZipInput* input = static_cast<CZipInput*>(stream);
    return input->isFile && input->readError ? 1 : 0;
}

int ZCALLBACK ZipInputCloseCallback(voidpf, voidpf stream)
{
    ZipInputClose(static_cast<CZipInput*>(stream));
    return 0;
}

using ZipItemA = ZipItemRecord<char>;

DWORD AttributesFromExternal(uLong x)
{
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if ((x & 0x40000000) || (x & 0x10))
        attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL;
    if (x & 0x20)
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (x & 0x2)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (x & 0x4)
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    if ((x & 0x1) || !(x & 0x800000))
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

// Reads the "UT" block of a local extra field, never past the block or the field.
void ApplyUnixTimes(const std::vector<BYTE>& field, ZipItemA* item)
{
    if (field.size() < 5)
        return;
    size_t offset = 0;
    while (offset + 4 < field.size()) {
        const size_t dataSize = field[offset + 2] | (field[offset + 3] << 8);
        const size_t dataStart = offset + 4;
        if (dataStart + dataSize > field.size())
            return;
        if (field[offset] == 'U' && field[offset + 1] == 'T') {
            if (dataSize < 1)
                return;
            const BYTE flags = field[dataStart];
            size_t at = 1;
            FILETIME* targets[] = {&item->writeTime, &item->accessTime, &item->creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1 << bit)))
                    continue;
                if (at + 4 > dataSize)
                    return;
                const BYTE* p = &field[dataStart + at];
                const uint32_t raw = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
                *targets[bit] = win32::FileTimeFromUnixSeconds(static_cast<int32_t>(raw));
                at += 4;
            }
            return;
        }
        offset = dataStart + dataSize;
    }
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool NamesEqual(const char* a, const char* b, bool ignoreCase)
{
    if (!ignoreCase)
        return strcmp(a, b) == 0;
    for (;; ++a, ++b) {
        char ca = *a, cb = *b;
        if (IsAsciiLetter(ca))
            ca |= 0x20;
        if (IsAsciiLetter(cb))
            cb |= 0x20;
        if (ca != cb)
            return false;
        if (ca == '\0')
            return true;
    }
}

bool IsSeparator(WCHAR c)
{
    return c == L'\\' || c == L'/';
}

// A path that stays below the folder it is joined to: relative, no drive or stream
// part, no ".." component.
bool IsContainedPath(const std::wstring& path)
{
    if (path.empty() || IsSeparator(path[0]) || path.find(L':') != std::wstring::npos)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        // Windows drops trailing dots and blanks, so ".. " or "..." climbs up like "..".
        const size_t length = end - start;
        const size_t kept = path.find_first_not_of(L". ", start);
        if (length >= 2 && kept >= end)
            return false;
        start = end + 1;
    }
    return true;
}

void MakeFolderChain(const std::wstring& base, const std::wstring& path)
{
    if (path.empty())
        return;
    size_t last = path.find_last_of(L"\\/");
    if (last != std::wstring::npos)
        MakeFolderChain(base, path.substr(0, last));
    ::CreateDirectoryW((base + path).c_str(), nullptr);
}

// Whether the item the archive layer stands on holds data it can decode.
bool CurrentItemDecodable(unzFile reader)
{
    unz_file_info info;
    return unzGetCurrentFileInfo(reader, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK &&
           win32::IsDecodableZipEntry(info.compression_method, info.flag);
}

std::wstring AnsiToWide(const char* text)
{
    return win32::ToWide(CP_ACP, text, strlen(text));
}

} // namespace

class CZipArchiveReader
{
public:
    CZipArchiveReader() = default;
    ~CZipArchiveReader() { Close(); }

    ZipResult Open(const void* source, DWORD length, DWORD kind);
    ZipResult FindItem(LPCWSTR name, bool ignoreCase, int* index, ZipItemA* item);
    ZipResult GetItem(int index, ZipItemA* item);
    // Closes any open item and reads the record of an existing item.
    ZipResult StartItem(int index, ZipItemA& item);
    ZipResult ExtractItem(int index, void* target, DWORD length, DWORD kind);
    ZipResult Close();

private:
    int ItemCount() const;
    bool GoTo(int index);
    void CloseOpenItem();
    ZipResult ExtractToFile(int index, void* target, DWORD kind);
    ZipResult ExtractToNewFile(int index, const ZipItemA& item, const std::wstring& path);
    bool WriteItem(int index, const ZipItemA& item, HANDLE file);
    ZipResult ExtractToMemory(int index, void* target, DWORD length);

    unzFile m_reader = nullptr;
    int m_openIndex = -1;
    ZipItemA m_cachedItem = {};
    int m_cachedIndex = -1;
    // Where folder items are created: the current directory when the archive was opened.
    std::wstring m_baseFolder;
    // The item the archive layer stands on.
    int m_currentIndex = 0;
    // Memory extraction: bytes handed out so far of the open item and the size it declares.
    DWORD m_delivered = 0;
    DWORD m_declared = 0;
    bool m_openItemComplete = false;
};

int CZipArchiveReader::ItemCount() const
{
    unz_global_info info;
    if (m_reader == nullptr || unzGetGlobalInfo(m_reader, &info) != UNZ_OK)
        return 0;
    return static_cast<int>(info.number_entry);
}

ZipResult CZipArchiveReader::Open(const void* source, DWORD length, DWORD kind)
{
    if (m_reader != nullptr || m_openIndex != -1)
        return ZipErrAlreadyOpen;

    DWORD units = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(units, L'\0');
    units = units > 0 ? ::GetCurrentDirectoryW(units, &folder[0]) : 0;
    folder.resize(units < folder.size() ? units : 0);
    m_baseFolder = folder + L"\\";

    if (kind == ZipSourceHandle && ::GetFileType(const_cast<HANDLE>(source)) != FILE_TYPE_DISK)
        return ZipErrNotDisk;

    ZipResult error = ZipOk;
    CZipInput* input = ZipInputOpen(source, length, kind, &error);
    if (input == nullptr)
        return error;

    zlib_filefunc_def functions = {};
    functions.zopen_file = ZipInputOpenCallback;
    functions.zread_file = ZipInputRead;
    functions.zwrite_file = ZipInputWrite;
    functions.ztell_file = ZipInputTell;
    functions.zseek_file = ZipInputSeek;
    functions.zclose_file = ZipInputCloseCallback;
    functions.zerror_file = ZipInputHasError;
    m_reader = unzOpen2(reinterpret_cast<const char*>(input), &functions);
    // On failure the archive layer has closed the input itself.
    if (m_reader == nullptr)
        return static_cast<ZipResult>(UNZ_BADZIPFILE);
    m_currentIndex = 0;
    return ZipOk;
}

void CZipArchiveReader::CloseOpenItem()
{
    if (m_openIndex != -1)
        unzCloseCurrentFile(m_reader);
    m_openIndex = -1;
    m_openItemComplete = false;
}

bool CZipArchiveReader::GoTo(int index)
{
    if (index < m_currentIndex) {
        if (unzGoToFirstFile(m_reader) != UNZ_OK)
            return false;
        m_currentIndex = 0;
    }
    while (m_currentIndex < index) {
        if (unzGoToNextFile(m_reader) != UNZ_OK)
            return false;
        ++m_currentIndex;
    }
    return true;
}

ZipResult CZipArchiveReader::FindItem(LPCWSTR name, bool ignoreCase, int* index, ZipItemA* item)
{
    *index = -1;
    if (m_reader == nullptr || name == nullptr)
        return ZipErrArgument;

    // Separators are turned before the conversion: a double-byte character may hold a "\" byte.
    std::wstring wide(name);
    if (wide.size() >= kMaxFindName)
        return ZipErrNotFound;
    for (WCHAR& c : wide) {
        if (c == L'\\')
            c = L'/';
    }
    char wanted[kZipNameSize] = {};
    if (!wide.empty() &&
        ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, wanted, kZipNameSize - 1, nullptr, nullptr) == 0)
        return ZipErrNotFound;
    if (strlen(wanted) >= kMaxFindName)
        return ZipErrNotFound;

    unz_file_pos saved = {};
    const bool haveSaved = unzGetFilePos(m_reader, &saved) == UNZ_OK;
    const int savedIndex = m_currentIndex;

    int found = -1;
    int position = 0;
    for (int err = unzGoToFirstFile(m_reader); err == UNZ_OK; err = unzGoToNextFile(m_reader), ++position) {
        char stored[kZipNameSize + 1] = {};
        unz_file_info info;
        if (unzGetCurrentFileInfo(m_reader, &info, stored, kZipNameSize, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        if (NamesEqual(stored, wanted, ignoreCase)) {
            found = position;
            break;
        }
    }
    if (found < 0) {
        m_currentIndex = 0;
        if (haveSaved && unzGoToFilePos(m_reader, &saved) == UNZ_OK)
            m_currentIndex = savedIndex;
        else
            unzGoToFirstFile(m_reader);
        return ZipErrNotFound;
    }
    m_currentIndex = found;

    CloseOpenItem();
    *index = found;
    return item != nullptr ? GetItem(found, item) : ZipOk;
}

ZipResult CZipArchiveReader::GetItem(int index, ZipItemA* item)
{
    if (m_reader == nullptr)
        return ZipErrArgument;
    const int count = ItemCount();
    if (index < -1 || index >= count)
        return ZipErrArgument;
    CloseOpenItem();

    if (index != -1 && index == m_cachedIndex) {
        *item = m_cachedItem;
        return ZipOk;
    }
    if (index == -1) {
        *item = ZipItemA();
        item->index = count;
        return ZipOk;
    }

    if (!GoTo(index))
        return ZipErrArgument;
    unz_file_info info;
    ZipItemA result = {};
    result.index = index;
    // The archive layer leaves a name that fills its buffer unterminated: it gets one unit
    // less than the zeroed buffer, so a stored name of 260 bytes or more is cut and ended.
    char name[kZipNameSize] = {};
    if (unzGetCurrentFileInfo(m_reader, &info, name, kZipNameSize - 1, nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZipErrCorrupt;
    memcpy(result.name, name, sizeof(name));

    // Opening the item raw checks its local header against the directory.
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(m_reader, &method, &level, 1) != UNZ_OK)
        return ZipErrCorrupt;
    std::vector<BYTE> extra;
    int extraSize = unzGetLocalExtrafield(m_reader, nullptr, 0);
    if (extraSize > 0) {
        extra.resize(static_cast<size_t>(extraSize));
        if (unzGetLocalExtrafield(m_reader, extra.data(), static_cast<unsigned>(extraSize)) != extraSize) {
            unzCloseCurrentFile(m_reader);
            return ZipErrRead;
        }
    } else if (extraSize < 0) {
        unzCloseCurrentFile(m_reader);
        return ZipErrRead;
    }
    unzCloseCurrentFile(m_reader);

    result.attributes = AttributesFromExternal(info.external_fa);
    FILETIME dosTime = {};
    ::DosDateTimeToFileTime(HIWORD(info.dosDate), LOWORD(info.dosDate), &dosTime);
    result.accessTime = result.creationTime = result.writeTime = dosTime;
    ApplyUnixTimes(extra, &result);
    result.compressedSize = static_cast<LONG>(info.compressed_size);
    result.uncompressedSize = static_cast<LONG>(info.uncompressed_size);

    m_cachedItem = result;
    m_cachedIndex = index;
    *item = result;
    return ZipOk;
}

ZipResult CZipArchiveReader::ExtractItem(int index, void* target, DWORD length, DWORD kind)
{
    if (m_reader == nullptr)
        return ZipErrArgument;
    if (kind == ZipSourceHandle || kind == ZipSourcePath)
        return ExtractToFile(index, target, kind);
    if (kind == ZipSourceMemory)
        return ExtractToMemory(index, target, length);
    return ZipErrArgument;
}

ZipResult CZipArchiveReader::StartItem(int index, ZipItemA& item)
{
    CloseOpenItem();
    if (index < 0 || index >= ItemCount())
        return ZipErrArgument;
    return GetItem(index, &item);
}

ZipResult CZipArchiveReader::ExtractToFile(int index, void* target, DWORD kind)
{
    ZipItemA item;
    const ZipResult result = StartItem(index, item);
    if (result != ZipOk)
        return result;
    if (!GoTo(index))
        return ZipErrArgument;

    if (item.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (kind == ZipSourcePath) {
            std::wstring folder = AnsiToWide(item.name);
            while (!folder.empty() && IsSeparator(folder.back()))
                folder.pop_back();
            if (!IsContainedPath(folder))
                return ZipErrOpenFile;
            MakeFolderChain(m_baseFolder, folder);
        }
        return ZipOk;
    }
    // Refused before a target file is made, so nothing is written.
    if (!CurrentItemDecodable(m_reader))
        return ZipErrWrite;

    if (kind == ZipSourceHandle)
        return WriteItem(index, item, static_cast<HANDLE>(target)) ? ZipOk : ZipErrWrite;

    const std::wstring path = target != nullptr ? static_cast<LPCWSTR>(target) : L"";
    const size_t last = path.find_last_of(L"\\/");
    if (last != std::wstring::npos && last >= 1 && last < kZipNameSize) {
        const std::wstring folder = path.substr(0, last);
        if (IsContainedPath(folder))
            MakeFolderChain(m_baseFolder, folder);
    }
    return ExtractToNewFile(index, item, path);
}

// The item goes to a new file beside the target and replaces it only once it checked out, so a
// damaged item leaves neither unchecked bytes nor a cut target.
ZipResult CZipArchiveReader::ExtractToNewFile(int index, const ZipItemA& item, const std::wstring& path)
{
    WCHAR full[MAX_PATH];
    LPWSTR name = nullptr;
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, &name);
    WCHAR temp[MAX_PATH];
    if (length == 0 || length >= MAX_PATH || name == nullptr ||
        !::GetTempFileNameW(std::wstring(full, name).c_str(), L"qx", 0, temp))
        return ZipErrOpenFile;
    win32::UniqueHandle file(
        ::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ZipResult result = ZipErrOpenFile;
    if (file)
        result = WriteItem(index, item, file.Get()) ? ZipOk : ZipErrWrite;
    file.Reset();  // closed before it is moved or deleted
    if (result == ZipOk && ::MoveFileExW(temp, full, MOVEFILE_REPLACE_EXISTING)) {
        // Set last: under Wine, CreateFileW over the file GetTempFileNameW made takes none.
        ::SetFileAttributesW(full, item.attributes);
        return ZipOk;
    }
    ::DeleteFileW(temp);
    return result == ZipOk ? ZipErrOpenFile : result;
}

// Decodes the item the archive layer stands on into `file` at its position; true once the whole
// item checked out.
bool CZipArchiveReader::WriteItem(int index, const ZipItemA& item, HANDLE file)
{
    bool failed = unzOpenCurrentFile(m_reader) != UNZ_OK;
    DWORD written = 0;
    if (!failed) {
        m_openIndex = index;
        BYTE buffer[kChunkSize];
        for (;;) {
            int count = unzReadCurrentFile(m_reader, buffer, kChunkSize);
            if (count == 0)
                break;
            DWORD done = 0;
            if (count < 0 || !::WriteFile(file, buffer, static_cast<DWORD>(count), &done, nullptr) ||
                done != static_cast<DWORD>(count)) {
                failed = true;
                break;
            }
            written += done;
        }
        // A short item or a wrong checksum is as much a failure as a failed write.
        if (!failed && written != static_cast<DWORD>(item.uncompressedSize))
            failed = true;
        if (unzCloseCurrentFile(m_reader) != UNZ_OK)
            failed = true;
        m_openIndex = -1;
    }

    if (!failed && ::GetFileType(file) == FILE_TYPE_DISK)
        ::SetFileTime(file, &item.creationTime, &item.accessTime, &item.writeTime);
    return !failed;
}

ZipResult CZipArchiveReader::ExtractToMemory(int index, void* target, DWORD length)
{
    if (index != m_openIndex || m_openIndex == -1) {
        ZipItemA item;
        const ZipResult result = StartItem(index, item);
        if (result != ZipOk)
            return result;
        if (!GoTo(index) || !CurrentItemDecodable(m_reader) || unzOpenCurrentFile(m_reader) != UNZ_OK)
            return ZipErrInflate;
        m_openIndex = index;
        m_delivered = 0;
        m_declared = static_cast<DWORD>(item.uncompressedSize);
        m_openItemComplete = false;
    }

    // The item was handed out whole and checked by the previous call.
    if (m_openItemComplete) {
        CloseOpenItem();
        return ZipOk;
    }

    const int count = length > 0 && target != nullptr
                          ? unzReadCurrentFile(m_reader, target, length)
                          : 0;
    if (count < 0) {
        CloseOpenItem();
        return ZipErrInflate;
    }
    m_delivered += static_cast<DWORD>(count);

    // Partial data counts only while the item can still go on; once the declared size has
    // arrived, or the data ended, the whole item must match its size and checksum.
    const DWORD wanted = m_declared - (m_delivered - static_cast<DWORD>(count));
    const bool ended = count == 0 || static_cast<DWORD>(count) < (length < wanted ? length : wanted) ||
                       m_delivered >= m_declared;
    if (!ended)
        return ZipPartial;

    char probe;
    const bool complete = m_delivered == m_declared &&
                          unzReadCurrentFile(m_reader, &probe, 1) == 0 &&
                          unzCloseCurrentFile(m_reader) == UNZ_OK;
    if (!complete) {
        CloseOpenItem();
        return ZipErrInflate;
    }
    if (count == 0) {
        m_openIndex = -1;
        m_openItemComplete = false;
        return ZipOk;
    }
    // The item stays "open" so that the next call for it answers that no more data follows.
    m_openItemComplete = true;
    return ZipPartial;
}

ZipResult CZipArchiveReader::Close()
{
    if (m_reader != nullptr) {
        CloseOpenItem();
        unzClose(m_reader);
    }
    m_reader = nullptr;
    m_openIndex = -1;
    m_openItemComplete = false;
    m_cachedIndex = -1;
    return ZipOk;
}

namespace {

ZipResult CheckHandle(HZIPARCHIVE zip)
{
    if (zip == nullptr)
        return ZipErrArgument;
    if (zip->kind != kHandleKind)
        return ZipErrHandleKind;
    return ZipOk;
}

ZipResult Remember(ZipResult result)
{
    g_lastResult = result;
    return result;
}

} // namespace

HZIPARCHIVE ZipArchiveOpen(const void* source, DWORD length, DWORD kind)
{
    CZipArchiveReader* reader = new CZipArchiveReader();
    if (Remember(reader->Open(source, length, kind)) != ZipOk) {
        delete reader;
        return nullptr;
    }
    return new ZipArchiveHandle{kHandleKind, reader};
}

ZipResult ZipArchiveFindItem(HZIPARCHIVE zip, LPCWSTR name, bool ignoreCase, int* index, ZipArchiveItem* item)
{
    ZipResult result = CheckHandle(zip);
    if (result != ZipOk)
        return Remember(result);
    int found = -1;
    ZipItemA narrow;
    result = zip->reader->FindItem(name, ignoreCase, &found, &narrow);
    if (index != nullptr)
        *index = found;
    if (result == ZipOk && item != nullptr) {
        item->index = narrow.index;
        ::MultiByteToWideChar(CP_ACP, 0, narrow.name, -1, item->name, kZipNameSize);
        item->name[kZipNameSize - 1] = L'\0';
        item->attributes = narrow.attributes;
        item->accessTime = narrow.accessTime;
        item->creationTime = narrow.creationTime;
        item->writeTime = narrow.writeTime;
        item->compressedSize = narrow.compressedSize;
        item->uncompressedSize = narrow.uncompressedSize;
    }
    return Remember(result);
}

ZipResult ZipArchiveExtract(HZIPARCHIVE zip, int index, void* target, DWORD length, DWORD kind)
{
    ZipResult result = CheckHandle(zip);
    if (result != ZipOk)
        return Remember(result);
    return Remember(zip->reader->ExtractItem(index, target, length, kind));
}

ZipResult ZipArchiveClose(HZIPARCHIVE zip)
{
    ZipResult result = CheckHandle(zip);
    if (result != ZipOk)
        return Remember(result);
    result = zip->reader->Close();
    delete zip->reader;
    delete zip;
    return Remember(result);
}

ZipResult ZipArchiveGetLastResult()
{
    return g_lastResult;
}

} // namespace QxUI
