// Skin zip archive reader: opens an archive from a file handle, a path or a memory block,
// finds items by name and extracts them to a handle, a path or memory.
#pragma once

#include <windows.h>

namespace QxUI {

enum ZipResult : DWORD {
    ZipOk = 0,
    ZipErrDuplicate = 0x100,
    ZipErrOpenFile = 0x200,
    ZipErrWrite = 0x400,
    ZipErrNotFound = 0x500,
    ZipPartial = 0x600,
    ZipErrCorrupt = 0x700,
    ZipErrRead = 0x800,
    ZipErrArgument = 0x10000,
    ZipErrHandleKind = 0x80000,
    ZipErrAlreadyOpen = 0x1000000,
    ZipErrNotDisk = 0x2000000,
    ZipErrInflate = 0x5000000,
};

// What a source or target argument is.
enum ZipSourceKind : DWORD {
    ZipSourceHandle = 1,  // a HANDLE
    ZipSourcePath = 2,    // an LPCWSTR
    ZipSourceMemory = 3,  // a block of bytes with its length
};

const int kZipNameSize = 260;

// An item's record: callers get the name wide; the reader keeps it as stored, in char.
template <class Char>
struct ZipItemRecord
{
    int index;  // for the request -1: the number of items
    Char name[kZipNameSize];
    DWORD attributes;
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME writeTime;
    LONG compressedSize;
    LONG uncompressedSize;
};

using ZipArchiveItem = ZipItemRecord<WCHAR>;

class CZipArchiveReader;

struct ZipArchiveHandle
{
    DWORD kind;  // always 1
    CZipArchiveReader* reader;
};
typedef ZipArchiveHandle* HZIPARCHIVE;

HZIPARCHIVE ZipArchiveOpen(const void* source, DWORD length, DWORD kind);
ZipResult ZipArchiveFindItem(HZIPARCHIVE zip, LPCWSTR name, bool ignoreCase, int* index,
                             ZipArchiveItem* item);
ZipResult ZipArchiveExtract(HZIPARCHIVE zip, int index, void* target, DWORD length, DWORD kind);
ZipResult ZipArchiveClose(HZIPARCHIVE zip);
// The result of the last call above, kept process-wide.
ZipResult ZipArchiveGetLastResult();

} // namespace QxUI
