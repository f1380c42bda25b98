// Image loading: bytes from a resource, a file or the skin zip, decoded by stb_image into a
// premultiplied 32-bit DIB section.

#include "core/UIRender.h"

#include <memory>
#include <new>

#include "core/UIDib.h"
#include "core/UIManager.h"
#include "core/UIZip.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb_image.h>

#include "Win32Handle.h"

namespace QxUI {

namespace {

// Skin images are small; anything larger is refused before it is read or decoded.
const DWORD kMaxImageBytes = 0x1000000;     // 16 MiB of encoded data
const long long kMaxImagePixels = 0x1000000; // 16 M pixels: a 64 MiB DIB section

struct ByteBuffer
{
    std::unique_ptr<BYTE[]> data;
    DWORD size = 0;

    bool Allocate(unsigned long long bytes)
    {
        data.reset();
        size = 0;
        if (bytes == 0 || bytes > kMaxImageBytes)
            return false;
        data.reset(new (std::nothrow) BYTE[static_cast<size_t>(bytes)]);
        if (!data)
            return false;
        size = static_cast<DWORD>(bytes);
        return true;
    }
};

bool ReadWholeFile(LPCWSTR path, ByteBuffer& out)
{
    win32::UniqueHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0)
        return false;
    if (!out.Allocate(static_cast<unsigned long long>(size.QuadPart)))
        return false;
    DWORD read = 0;
    if (!::ReadFile(file.Get(), out.data.get(), out.size, &read, nullptr) || read != out.size) {
        out = ByteBuffer();
        return false;
    }
    return true;
}

bool ReadResource(LPCWSTR name, LPCWSTR type, ByteBuffer& out)
{
    HINSTANCE instance = CUIWindowManager::GetResourceInstance();
    HRSRC res = ::FindResourceW(instance, name, type);
    if (!res)
        return false;
    HGLOBAL global = ::LoadResource(instance, res);
    if (!global)
        return false;
    DWORD size = ::SizeofResource(instance, res);
    const void* bytes = ::LockResource(global);
    bool ok = bytes && out.Allocate(size);
    if (ok)
        memcpy(out.data.get(), bytes, size);
    ::FreeResource(global);
    return ok;
}

bool ReadZipItem(LPCWSTR name, ByteBuffer& out)
{
    HZIPARCHIVE zip = nullptr;
    bool openedHere = false;
    if (CUIWindowManager::IsResourceZipCached()) {
        zip = CUIWindowManager::GetResourceZipHandle();
    } else {
        CUIString path = CUIWindowManager::GetResourceFolder();
        path += CUIWindowManager::GetResourceZipName();
        zip = ZipArchiveOpen(path.GetData(), 0, ZipSourcePath);
        openedHere = true;
    }
    if (!zip)
        return false;

    bool ok = false;
    int index = -1;
    ZipArchiveItem item = {};
    if (ZipArchiveFindItem(zip, name, true, &index, &item) == ZipOk &&
        item.uncompressedSize > 0 && out.Allocate(static_cast<DWORD>(item.uncompressedSize))) {
        ZipResult result = ZipArchiveExtract(zip, index, out.data.get(), out.size, ZipSourceMemory);
        ok = result == ZipOk || result == ZipPartial;
    }
    if (openedHere)
        ZipArchiveClose(zip);
    if (!ok)
        out = ByteBuffer();
    return ok;
}

bool ReadImageBytes(LPCWSTR name, LPCWSTR type, ByteBuffer& out)
{
    bool ok;
    if (type) {
        ok = ReadResource(name, type, out);
    } else if (CUIWindowManager::GetResourceZipName().IsEmpty()) {
        CUIString path = CUIWindowManager::GetResourceFolder();
        path += name;
        ok = ReadWholeFile(path.GetData(), out);
    } else {
        ok = ReadZipItem(name, out);
    }
    // An integer resource id is no path, so it cannot be tried as one.
    if (!ok && !IS_INTRESOURCE(name))
        ok = ReadWholeFile(name, out);
    return ok;
}

struct StbPixels
{
    explicit StbPixels(stbi_uc* p) : pixels(p) {}
    ~StbPixels()
    {
        if (pixels)
            stbi_image_free(pixels);
    }
    stbi_uc* pixels;
};

} // namespace

CUIRef<CUIImageInfo> CUIPainter::LoadImage(LPCWSTR name, LPCWSTR type, DWORD mask)
{
    // A numeric id names a resource only together with its type.
    if (!name || (IS_INTRESOURCE(name) && !type))
        return nullptr;
    ByteBuffer bytes;
    if (!ReadImageBytes(name, type, bytes))
        return nullptr;

    // Refuse oversized pictures from their header, before the decoder allocates for them.
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data.get(), static_cast<int>(bytes.size), &width, &height,
                               &channels))
        return nullptr;
    if (width <= 0 || height <= 0 ||
        static_cast<long long>(width) * height > kMaxImagePixels)
        return nullptr;

    StbPixels decoded(stbi_load_from_memory(bytes.data.get(), static_cast<int>(bytes.size),
                                            &width, &height, &channels, 4));
    bytes = ByteBuffer();
    if (!decoded.pixels)
        return nullptr;

    DWORD* dst = nullptr;
    win32::UniqueBitmap bitmap(CreateDib32(width, height, &dst));
    if (!bitmap)
        return nullptr;

    bool hasAlpha = false;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const stbi_uc* src = decoded.pixels;
    for (size_t i = 0; i < count; ++i, src += 4) {
        DWORD r = src[0], g = src[1], b = src[2], a = src[3];
        if (a != 255) {
            r = r * a / 255;
            g = g * a / 255;
            b = b * a / 255;
            hasAlpha = true;
        }
        DWORD word = (a << 24) | (r << 16) | (g << 8) | b;
        if (word == mask) {
            word = 0;
            hasAlpha = true;
        }
        dst[i] = word;
    }

    CUIRef<CUIImageInfo> info(new (std::nothrow) CUIImageInfo);
    if (!info)
        return nullptr;
    info->hBitmap = std::move(bitmap);
    info->pBits = dst;
    info->nX = width;
    info->nY = height;
    info->bAlpha = hasAlpha;
    return info;
}

} // namespace QxUI
