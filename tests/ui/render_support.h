// Test data and surfaces for the render engine tests: images encoded by the test itself, a
// stored zip writer and an off-screen 32-bit canvas.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rendertest {

// Straight (not premultiplied) RGBA pixels, row by row.
struct Rgba
{
    BYTE r, g, b, a;
};

std::vector<BYTE> EncodePng(int width, int height, const std::vector<Rgba>& pixels);

// A zip archive whose items are stored uncompressed.
std::vector<BYTE> BuildStoredZip(const std::vector<std::pair<std::string, std::vector<BYTE>>>& items);

bool WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes);

// A fresh folder under the temporary folder, ending in a backslash.
std::wstring MakeTestFolder(const std::wstring& name);

// A 32-bit top-down DIB section selected into a memory DC.
class Canvas
{
public:
    Canvas(int width, int height, DWORD fill = 0xFF000000);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    DWORD At(int x, int y) const;           // 0xAARRGGBB
    DWORD Rgb(int x, int y) const { return At(x, y) & 0x00FFFFFF; }
    void Fill(DWORD argb);
    // Pixels (alpha masked) that differ from the given colour, and their bounds.
    int CountNot(DWORD rgb, RECT* bounds = nullptr) const;

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
    int m_width;
    int m_height;
};

// A DIB section holding premultiplied ARGB words, for drawing with CUIPainter::DrawImage.
HBITMAP MakeBitmap(int width, int height, const std::vector<DWORD>& words);

int Channel(DWORD argb, int shift);
inline int Red(DWORD argb) { return Channel(argb, 16); }
inline int Green(DWORD argb) { return Channel(argb, 8); }
inline int Blue(DWORD argb) { return Channel(argb, 0); }

} // namespace rendertest
