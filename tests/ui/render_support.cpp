#include "render_support.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace rendertest {

namespace {

void PutBigEndian(std::vector<BYTE>& out, DWORD value)
{
    out.push_back(static_cast<BYTE>(value >> 24));
    out.push_back(static_cast<BYTE>(value >> 16));
    out.push_back(static_cast<BYTE>(value >> 8));
    out.push_back(static_cast<BYTE>(value));
}

void PutLittle16(std::vector<BYTE>& out, DWORD value)
{
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

void PutLittle32(std::vector<BYTE>& out, DWORD value)
{
    PutLittle16(out, value & 0xFFFF);
    PutLittle16(out, value >> 16);
}

void PutChunk(std::vector<BYTE>& out, const char type[4], const std::vector<BYTE>& data)
{
    PutBigEndian(out, static_cast<DWORD>(data.size()));
    std::vector<BYTE> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian(out, crc32(0, body.data(), static_cast<uInt>(body.size())));
}

HBITMAP TopDownDib(int width, int height, void** bits)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, bits, nullptr, 0);
}

} // namespace

std::vector<BYTE> EncodePng(int width, int height, const std::vector<Rgba>& pixels)
{
    std::vector<BYTE> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> header;
    PutBigEndian(header, static_cast<DWORD>(width));
    PutBigEndian(header, static_cast<DWORD>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, no interlace
    PutChunk(out, "IHDR", header);

    std::vector<BYTE> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < width; ++x) {
            const Rgba& p = pixels[static_cast<size_t>(y) * width + x];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<BYTE> packed(packedSize);
    compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(packedSize);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return out;
}

std::vector<BYTE> BuildStoredZip(const std::vector<std::pair<std::string, std::vector<BYTE>>>& items)
{
    std::vector<BYTE> out;
    std::vector<BYTE> directory;
    for (const auto& item : items) {
        const std::string& name = item.first;
        const std::vector<BYTE>& data = item.second;
        const DWORD crc = crc32(0, data.data(), static_cast<uInt>(data.size()));
        const DWORD offset = static_cast<DWORD>(out.size());
        const DWORD size = static_cast<DWORD>(data.size());

        PutLittle32(out, 0x04034B50);
        PutLittle16(out, 10);                  // version needed
        PutLittle16(out, 0);                   // flags
        PutLittle16(out, 0);                   // stored
        PutLittle16(out, 0);                   // time
        PutLittle16(out, 0x21);                // date: 1980-01-01
        PutLittle32(out, crc);
        PutLittle32(out, size);
        PutLittle32(out, size);
        PutLittle16(out, static_cast<DWORD>(name.size()));
        PutLittle16(out, 0);
        out.insert(out.end(), name.begin(), name.end());
        out.insert(out.end(), data.begin(), data.end());

        PutLittle32(directory, 0x02014B50);
        PutLittle16(directory, 20);
        PutLittle16(directory, 10);
        PutLittle16(directory, 0);
        PutLittle16(directory, 0);
        PutLittle16(directory, 0);
        PutLittle16(directory, 0x21);
        PutLittle32(directory, crc);
        PutLittle32(directory, size);
        PutLittle32(directory, size);
        PutLittle16(directory, static_cast<DWORD>(name.size()));
        PutLittle16(directory, 0);             // extra
        PutLittle16(directory, 0);             // comment
        PutLittle16(directory, 0);             // disk
        PutLittle16(directory, 0);             // internal attributes
        PutLittle32(directory, 0x20);          // external attributes: archive
        PutLittle32(directory, offset);
        directory.insert(directory.end(), name.begin(), name.end());
    }
    const DWORD directoryOffset = static_cast<DWORD>(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    PutLittle32(out, 0x06054B50);
    PutLittle16(out, 0);
    PutLittle16(out, 0);
    PutLittle16(out, static_cast<DWORD>(items.size()));
    PutLittle16(out, static_cast<DWORD>(items.size()));
    PutLittle32(out, static_cast<DWORD>(directory.size()));
    PutLittle32(out, directoryOffset);
    PutLittle16(out, 0);
    return out;
}

bool WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

std::wstring MakeTestFolder(const std::wstring& name)
{
    WCHAR temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"_" +
                          std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

Canvas::Canvas(int width, int height, DWORD fill) : m_width(width), m_height(height)
{
    void* bits = nullptr;
    m_bitmap = TopDownDib(width, height, &bits);
    m_bits = static_cast<DWORD*>(bits);
    m_dc = ::CreateCompatibleDC(nullptr);
    m_old = ::SelectObject(m_dc, m_bitmap);
    Fill(fill);
}

Canvas::~Canvas()
{
    ::SelectObject(m_dc, m_old);
    ::DeleteDC(m_dc);
    ::DeleteObject(m_bitmap);
}

DWORD Canvas::At(int x, int y) const
{
    ::GdiFlush();
    return m_bits[static_cast<size_t>(y) * m_width + x];
}

void Canvas::Fill(DWORD argb)
{
    ::GdiFlush();
    for (int i = 0; i < m_width * m_height; ++i)
        m_bits[i] = argb;
}

int Canvas::CountNot(DWORD rgb, RECT* bounds) const
{
    ::GdiFlush();
    int count = 0;
    RECT box = {m_width, m_height, -1, -1};
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            if ((m_bits[static_cast<size_t>(y) * m_width + x] & 0x00FFFFFF) != (rgb & 0x00FFFFFF)) {
                ++count;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
    }
    if (bounds)
        *bounds = box;
    return count;
}

HBITMAP MakeBitmap(int width, int height, const std::vector<DWORD>& words)
{
    void* bits = nullptr;
    HBITMAP bitmap = TopDownDib(width, height, &bits);
    if (bitmap)
        memcpy(bits, words.data(), words.size() * sizeof(DWORD));
    return bitmap;
}

int Channel(DWORD argb, int shift)
{
    return static_cast<int>((argb >> shift) & 0xFF);
}

} // namespace rendertest
