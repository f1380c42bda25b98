#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unzip.h>
#include <ioapi.h>

#include "TextConvert.h"
#include "Win32Handle.h"
#include "ZipMethod.h"

namespace {

// minizip opens the archive through these, so a path outside the ANSI code page works.
voidpf ZCALLBACK OpenWide(voidpf, const void* name, int)
{
    return _wfopen(static_cast<const wchar_t*>(name), L"rb");
}
uLong ZCALLBACK ReadFile_(voidpf, voidpf stream, void* buf, uLong size)
{
    return static_cast<uLong>(fread(buf, 1, size, static_cast<FILE*>(stream)));
}
uLong ZCALLBACK WriteFile_(voidpf, voidpf, const void*, uLong)
{
    return 0;
}
ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream)
{
    return static_cast<ZPOS64_T>(_ftelli64(static_cast<FILE*>(stream)));
}
long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
    return _fseeki64(static_cast<FILE*>(stream), static_cast<long long>(offset), whence);
}
int ZCALLBACK Close(voidpf, voidpf stream)
{
    return fclose(static_cast<FILE*>(stream));
}
int ZCALLBACK Error(voidpf, voidpf stream)
{
    return ferror(static_cast<FILE*>(stream));
}

// The entry's target under `base`, or an empty path for a name that would leave it.
std::filesystem::path TargetFor(const std::filesystem::path& base, const std::wstring& name)
{
    std::filesystem::path relative(name);
    if (relative.has_root_name() || relative.has_root_directory() || name.find(L':') != std::wstring::npos)
        return std::filesystem::path();
    for (const auto& part : relative)
        if (part == L"..")
            return std::filesystem::path();
    return base / relative;
}

// The entry goes to a new file beside its target and replaces the target only once it gave all
// its bytes and they checked out, so a failing entry leaves no file, or the old one whole.
bool ExtractCurrent(unzFile archive, const std::filesystem::path& target)
{
    wchar_t partial[MAX_PATH];
    if (!GetTempFileNameW(target.parent_path().c_str(), L"qx", 0, partial))
        return false;
    bool ok = unzOpenCurrentFile(archive) == UNZ_OK;
    if (ok) {
        win32::UniqueHandle out(CreateFileW(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        std::vector<char> buffer(64 * 1024);
        int read = 0;
        ok = out.Valid();
        while (ok && (read = unzReadCurrentFile(archive, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
            // A full disk shows here, as a write of fewer bytes or none.
            DWORD written = 0;
            ok = WriteFile(out.Get(), buffer.data(), static_cast<DWORD>(read), &written, nullptr) &&
                 written == static_cast<DWORD>(read);
        }
        // All the bytes the entry declares, or its CRC goes unchecked at close.
        ok = ok && read == 0 && unzeof(archive) == 1;
        // A CRC mismatch shows at close.
        ok = unzCloseCurrentFile(archive) == UNZ_OK && ok;
    }
    if (ok) {
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        ok = MoveFileExW(partial, target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    if (!ok)
        DeleteFileW(partial);
    return ok;
}

} // namespace

// Extracts every entry of the zip archive `zipPath` into `folder` (created as needed), keeping
// the archive's sub-folders. `flags` must be 0. Returns the number of files written, or -1 when
// the archive cannot be read or an entry fails (an encrypted entry, or one of a method we do
// not decode, fails with nothing written). Entries that would land outside `folder` are skipped.
extern "C" __declspec(dllexport) int __cdecl ExtractZipToDir(const wchar_t* zipPath, const wchar_t* folder, int)
{
    if (zipPath == nullptr || folder == nullptr)
        return -1;
    zlib_filefunc64_def functions = {OpenWide, ReadFile_, WriteFile_, Tell, Seek, Close, Error, nullptr};
    unzFile archive = unzOpen2_64(zipPath, &functions);
    if (archive == nullptr)
        return -1;

    std::filesystem::path base(folder);
    std::error_code error;
    std::filesystem::create_directories(base, error);
    int written = 0;
    bool failed = false;
    int status = unzGoToFirstFile(archive);
    for (; status == UNZ_OK; status = unzGoToNextFile(archive)) {
        unz_file_info64 info;
        char name[1024];
        // A longer name would come cut: the entry would be written under another name, or be
        // taken for a folder.
        if (unzGetCurrentFileInfo64(archive, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK ||
            info.size_filename >= sizeof(name)) {
            failed = true;
            continue;
        }
        bool utf8 = (info.flag & (1u << 11)) != 0;
        std::wstring wideName = win32::ToWide(utf8 ? CP_UTF8 : CP_ACP, name, strlen(name));
        std::filesystem::path target = TargetFor(base, wideName);
        if (target.empty())
            continue;
        if (!wideName.empty() && (wideName.back() == L'/' || wideName.back() == L'\\')) {
            std::filesystem::create_directories(target, error);
            continue;
        }
        if (!win32::IsDecodableZipEntry(info.compression_method, info.flag)) {
            failed = true;
            continue;
        }
        std::filesystem::create_directories(target.parent_path(), error);
        if (ExtractCurrent(archive, target))
            ++written;
        else
            failed = true;
    }
    // A central directory that breaks off before its end would leave the entries after it out.
    failed = failed || status != UNZ_END_OF_LIST_OF_FILE;
    unzClose(archive);
    return failed ? -1 : written;
}
