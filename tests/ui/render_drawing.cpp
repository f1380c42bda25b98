// Painting into an off-screen 32-bit DIB and reading the pixels back.

#include "core/UIManager.h"
#include "core/UIRender.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "render_support.h"

using namespace QxUI;
using namespace rendertest;

namespace {

const DWORD kRed = 0xFFFF0000;
const DWORD kGreen = 0xFF00FF00;
const DWORD kBlue = 0xFF0000FF;
const DWORD kWhite = 0xFFFFFFFF;
const DWORD kYellow = 0xFFFFFF00;
const DWORD kCyan = 0xFF00FFFF;
const DWORD kMagenta = 0xFFFF00FF;
const DWORD kGrey = 0xFF808080;
const DWORD kOrange = 0xFFFF8000;
const DWORD kNavy = 0xFF000080;

// The window manager loads msimg32, so AlphaBlend and GradientFill are the system's.
class PaintTest : public ::testing::Test
{
protected:
    CUIWindowManager manager;
};

// A 6 x 6 image with 2-pixel borders: one colour per corner, edge and middle.
std::vector<DWORD> NineSliceImage()
{
    std::vector<DWORD> words(36);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const int col = x < 2 ? 0 : (x < 4 ? 1 : 2);
            const int row = y < 2 ? 0 : (y < 4 ? 1 : 2);
            const DWORD colours[3][3] = {{kRed, kYellow, kGreen},
                                         {kCyan, kGrey, kMagenta},
                                         {kBlue, kOrange, kWhite}};
            words[y * 6 + x] = colours[row][col];
        }
    }
    return words;
}

bool Near(int expected, int actual, int tolerance = 2)
{
    return std::abs(expected - actual) <= tolerance;
}

} // namespace

// ---- Nine-slice and tiling ---------------------------------------------------------------------

TEST_F(PaintTest, NineSliceKeepsCornersAndStretchesEdgesAndMiddle)
{
    HBITMAP bitmap = MakeBitmap(6, 6, NineSliceImage());
    Canvas canvas(30, 20, 0xFF000000);
    const RECT dest = {5, 5, 25, 15};
    const RECT source = {0, 0, 6, 6};
    const RECT corner = {2, 2, 2, 2};
    for (bool alpha : {false, true}) {
        canvas.Fill(0xFF000000);
        CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, dest, source, corner, alpha);
        SCOPED_TRACE(alpha ? "alpha path" : "opaque path");
        EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(5, 5));
        EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(6, 6));
        EXPECT_EQ(kGreen & 0xFFFFFF, canvas.Rgb(24, 5));
        EXPECT_EQ(kBlue & 0xFFFFFF, canvas.Rgb(5, 14));
        EXPECT_EQ(kWhite & 0xFFFFFF, canvas.Rgb(24, 14));
        EXPECT_EQ(kYellow & 0xFFFFFF, canvas.Rgb(15, 5));
        EXPECT_EQ(kOrange & 0xFFFFFF, canvas.Rgb(15, 14));
        EXPECT_EQ(kCyan & 0xFFFFFF, canvas.Rgb(5, 10));
        EXPECT_EQ(kMagenta & 0xFFFFFF, canvas.Rgb(24, 10));
        EXPECT_EQ(kGrey & 0xFFFFFF, canvas.Rgb(15, 10));
        EXPECT_EQ(0u, canvas.Rgb(4, 4));
        EXPECT_EQ(0u, canvas.Rgb(25, 15));
    }
    ::DeleteObject(bitmap);
}

TEST_F(PaintTest, HoleLeavesTheMiddleAndPaintRectLimitsPieces)
{
    HBITMAP bitmap = MakeBitmap(6, 6, NineSliceImage());
    Canvas canvas(30, 20, 0xFF000000);
    const RECT dest = {5, 5, 25, 15};
    const RECT source = {0, 0, 6, 6};
    const RECT corner = {2, 2, 2, 2};
    CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, dest, source, corner, false, 255, true);
    EXPECT_EQ(0u, canvas.Rgb(15, 10));
    EXPECT_EQ(kYellow & 0xFFFFFF, canvas.Rgb(15, 5));
    EXPECT_EQ(kCyan & 0xFFFFFF, canvas.Rgb(5, 10));

    // Only the pieces meeting the paint rect are drawn: the left column here.
    canvas.Fill(0xFF000000);
    const RECT paint = {5, 5, 7, 15};
    CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, paint, source, corner, false);
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(5, 5));
    EXPECT_EQ(kCyan & 0xFFFFFF, canvas.Rgb(5, 10));
    EXPECT_EQ(0u, canvas.Rgb(24, 5));
    EXPECT_EQ(0u, canvas.Rgb(24, 14));
    ::DeleteObject(bitmap);
}

TEST_F(PaintTest, UnscaledOpaqueImageIsCopiedOnlyInsideThePaintRect)
{
    std::vector<DWORD> words(16);
    for (int i = 0; i < 16; ++i)
        words[i] = 0xFF000000 | static_cast<DWORD>(i * 16);
    HBITMAP bitmap = MakeBitmap(4, 4, words);
    Canvas canvas(10, 10, 0xFF000000);
    const RECT dest = {2, 2, 6, 6};
    const RECT paint = {4, 4, 10, 10};
    CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, paint, RECT{0, 0, 4, 4}, RECT{}, false);
    EXPECT_EQ(0u, canvas.Rgb(2, 2));
    EXPECT_EQ(0u, canvas.Rgb(3, 5));
    EXPECT_EQ(words[2 * 4 + 2] & 0xFFFFFF, canvas.Rgb(4, 4));
    EXPECT_EQ(words[3 * 4 + 3] & 0xFFFFFF, canvas.Rgb(5, 5));
    ::DeleteObject(bitmap);
}

TEST_F(PaintTest, TiledMiddleRepeatsTheSourceAndCutsTheLastTile)
{
    // Every pixel of the 10 x 10 tile tells where it came from.
    std::vector<DWORD> words(100);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            words[y * 10 + x] = 0xFF000000 | (static_cast<DWORD>(x) << 16) | (y << 8) | 0x40;
    HBITMAP bitmap = MakeBitmap(10, 10, words);
    const RECT dest = {0, 0, 25, 25};
    const RECT source = {0, 0, 10, 10};
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "alpha path" : "opaque path");
        Canvas canvas(30, 30, 0xFF000000);
        CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, dest, source, RECT{}, alpha, 255, false,
                              true, true);
        EXPECT_EQ(words[0] & 0xFFFFFF, canvas.Rgb(10, 20));
        EXPECT_EQ(words[3 * 10 + 7] & 0xFFFFFF, canvas.Rgb(17, 3));
        EXPECT_EQ(words[4 * 10 + 4] & 0xFFFFFF, canvas.Rgb(24, 24));
        EXPECT_EQ(0u, canvas.Rgb(25, 5));
        EXPECT_EQ(0u, canvas.Rgb(5, 25));
    }

    // Tiled across only: each column covers the full height, stretched from the source.
    Canvas canvas(30, 30, 0xFF000000);
    CUIPainter::DrawImage(canvas.Dc(), bitmap, RECT{0, 0, 25, 20}, RECT{0, 0, 25, 20}, source,
                          RECT{}, false, 255, false, true, false);
    EXPECT_EQ(words[0 * 10 + 4] & 0xFFFFFF, canvas.Rgb(14, 0));
    EXPECT_EQ(words[9 * 10 + 4] & 0xFFFFFF, canvas.Rgb(24, 19));
    EXPECT_EQ(0u, canvas.Rgb(25, 10));
    EXPECT_EQ(0u, canvas.Rgb(10, 20));
    ::DeleteObject(bitmap);
}

TEST_F(PaintTest, TilingWithAnEmptySourceMiddleDrawsNoMiddle)
{
    HBITMAP bitmap = MakeBitmap(6, 6, NineSliceImage());
    Canvas canvas(30, 20, 0xFF000000);
    const RECT dest = {0, 0, 20, 20};
    // Corners of 3 + 3 leave no source middle to repeat.
    CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, dest, RECT{0, 0, 6, 6}, RECT{3, 3, 3, 3},
                          false, 255, false, true, true);
    EXPECT_EQ(0u, canvas.Rgb(10, 10));
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(0, 0));
    ::DeleteObject(bitmap);
}

// ---- Alpha, fade and colour fills ---------------------------------------------------------------

TEST_F(PaintTest, FadeBlendsAPremultipliedImage)
{
    // Red at alpha 128, premultiplied: 0x80800000.
    HBITMAP bitmap = MakeBitmap(1, 1, {0x80800000});
    Canvas canvas(4, 4, 0xFF000000);
    const RECT dest = {0, 0, 4, 4};
    CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, dest, RECT{0, 0, 1, 1}, RECT{}, true, 128);
    EXPECT_TRUE(Near(64, Red(canvas.At(1, 1)))) << std::hex << canvas.At(1, 1);
    EXPECT_EQ(0, Green(canvas.At(1, 1)));

    canvas.Fill(0xFFFFFFFF);
    CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, dest, RECT{0, 0, 1, 1}, RECT{}, true, 128);
    // 64 + 255 x (1 - 0.5 x 0.5)
    EXPECT_TRUE(Near(255, Red(canvas.At(2, 2)))) << std::hex << canvas.At(2, 2);
    EXPECT_TRUE(Near(191, Green(canvas.At(2, 2)))) << std::hex << canvas.At(2, 2);
    ::DeleteObject(bitmap);
}

TEST_F(PaintTest, FadeOnAnOpaqueImageTakesTheAlphaPath)
{
    HBITMAP bitmap = MakeBitmap(1, 1, {0xFFFFFFFF});
    Canvas canvas(2, 2, 0xFF000000);
    const RECT dest = {0, 0, 2, 2};
    CUIPainter::DrawImage(canvas.Dc(), bitmap, dest, dest, RECT{0, 0, 1, 1}, RECT{}, false, 128);
    EXPECT_TRUE(Near(128, Red(canvas.At(0, 0)))) << std::hex << canvas.At(0, 0);
    ::DeleteObject(bitmap);
}

TEST_F(PaintTest, DrawColorBlendsTranslucentColoursAtTheirAlpha)
{
    Canvas canvas(8, 8, 0xFF000000);
    const RECT rc = {2, 2, 6, 6};
    CUIPainter::DrawColor(canvas.Dc(), rc, 0x80FF0000);
    // Half of full red over black; a colour not premultiplied would come out at full red.
    EXPECT_TRUE(Near(128, Red(canvas.At(3, 3)))) << std::hex << canvas.At(3, 3);
    EXPECT_EQ(0, Green(canvas.At(3, 3)));
    EXPECT_EQ(0u, canvas.Rgb(1, 1));
    EXPECT_EQ(0u, canvas.Rgb(6, 6));

    canvas.Fill(0xFF0000FF);
    CUIPainter::DrawColor(canvas.Dc(), rc, 0x80FF0000);
    EXPECT_TRUE(Near(128, Red(canvas.At(3, 3))));
    EXPECT_TRUE(Near(127, Blue(canvas.At(3, 3))));
}

TEST_F(PaintTest, DrawColorSkipsTransparentAndFillsOpaqueExactly)
{
    Canvas canvas(8, 8, 0xFF000000);
    const RECT rc = {2, 2, 6, 6};
    CUIPainter::DrawColor(canvas.Dc(), rc, 0x00FF0000);
    EXPECT_EQ(0, canvas.CountNot(0));

    CUIPainter::DrawColor(canvas.Dc(), rc, 0xFF00FF00);
    RECT bounds;
    EXPECT_EQ(16, canvas.CountNot(0, &bounds));
    EXPECT_EQ(0x00FF00u, canvas.Rgb(2, 2));
    EXPECT_TRUE(::EqualRect(&bounds, &rc));
}

TEST_F(PaintTest, SoftAlphaBlendHonoursPremultipliedSources)
{
    HBITMAP bitmap = MakeBitmap(1, 1, {0x80800000});
    HDC source = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(source, bitmap);
    Canvas canvas(4, 4, 0xFF000000);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(CUIPainter::SoftAlphaBlend(canvas.Dc(), 0, 0, 4, 4, source, 0, 0, 1, 1, blend));
    EXPECT_TRUE(Near(128, Red(canvas.At(2, 2)))) << std::hex << canvas.At(2, 2);

    canvas.Fill(0xFFFFFFFF);
    blend.SourceConstantAlpha = 128;
    EXPECT_TRUE(CUIPainter::SoftAlphaBlend(canvas.Dc(), 0, 0, 4, 4, source, 0, 0, 1, 1, blend));
    EXPECT_TRUE(Near(191, Green(canvas.At(2, 2)))) << std::hex << canvas.At(2, 2);
    ::SelectObject(source, old);
    ::DeleteDC(source);
    ::DeleteObject(bitmap);
}

// ---- Gradients ----------------------------------------------------------------------------------

TEST_F(PaintTest, OpaqueGradientsRunFromTheFirstColourToTheSecond)
{
    Canvas canvas(64, 64, 0xFF808080);
    CUIPainter::DrawGradient(canvas.Dc(), RECT{0, 0, 64, 32}, 0xFF000000, 0xFFFFFFFF, false, 16);
    EXPECT_LT(Red(canvas.At(0, 10)), 16);
    EXPECT_GT(Red(canvas.At(63, 10)), 240);
    EXPECT_LT(Red(canvas.At(20, 10)), Red(canvas.At(40, 10)));

    CUIPainter::DrawGradient(canvas.Dc(), RECT{0, 32, 64, 64}, 0xFFFF0000, 0xFF0000FF, true, 16);
    EXPECT_GT(Red(canvas.At(10, 32)), 240);
    EXPECT_LT(Blue(canvas.At(10, 32)), 16);
    EXPECT_GT(Blue(canvas.At(10, 63)), 240);
    EXPECT_EQ(Red(canvas.At(0, 40)), Red(canvas.At(63, 40)));
}

TEST_F(PaintTest, TranslucentGradientBlendsAtTheMeanAlpha)
{
    Canvas canvas(16, 16, 0xFF000000);
    // Alpha (255 + 0) / 2 = 127 over black.
    CUIPainter::DrawGradient(canvas.Dc(), RECT{4, 4, 12, 12}, 0xFFFFFFFF, 0x00FFFFFF, true, 8);
    EXPECT_TRUE(Near(127, Red(canvas.At(8, 8)))) << std::hex << canvas.At(8, 8);
    EXPECT_EQ(0u, canvas.Rgb(3, 8));
    EXPECT_EQ(0u, canvas.Rgb(12, 8));

    canvas.Fill(0xFF000000);
    CUIPainter::DrawGradient(canvas.Dc(), RECT{4, 4, 12, 12}, 0x00FFFFFF, 0x00FFFFFF, true, 8);
    EXPECT_EQ(0, canvas.CountNot(0));
}

// ---- Clipping -----------------------------------------------------------------------------------

TEST_F(PaintTest, ClipScopesLimitFillsAndRestoreTheOuterClip)
{
    Canvas canvas(20, 20, 0xFF000000);
    const RECT all = {0, 0, 20, 20};
    RECT bounds;
    {
        CUIClip outer;
        CUIClip::ClipToRect(canvas.Dc(), RECT{2, 2, 18, 18}, outer);
        {
            CUIClip inner;
            CUIClip::ClipToRect(canvas.Dc(), RECT{5, 5, 10, 10}, inner);
            CUIPainter::DrawColor(canvas.Dc(), all, kRed);
            EXPECT_EQ(25, canvas.CountNot(0, &bounds));
            const RECT expected = {5, 5, 10, 10};
            EXPECT_TRUE(::EqualRect(&bounds, &expected));

            CUIClip::SelectOuterClip(canvas.Dc(), inner);
            CUIPainter::DrawColor(canvas.Dc(), RECT{0, 0, 20, 3}, kBlue);
            EXPECT_EQ(0x0000FFu, canvas.Rgb(2, 2));
            EXPECT_EQ(0u, canvas.Rgb(1, 1));
            CUIClip::SelectInnerClip(canvas.Dc(), inner);
        }
        canvas.Fill(0xFF000000);
        CUIPainter::DrawColor(canvas.Dc(), all, kRed);
        EXPECT_EQ(16 * 16, canvas.CountNot(0, &bounds));
    }
    canvas.Fill(0xFF000000);
    CUIPainter::DrawColor(canvas.Dc(), all, kRed);
    EXPECT_EQ(400, canvas.CountNot(0));
}

TEST_F(PaintTest, RoundClipWithoutRoundingIsTheRect)
{
    Canvas canvas(20, 20, 0xFF000000);
    const RECT rc = {3, 4, 13, 15};
    {
        CUIClip clip;
        CUIClip::ClipToRoundRect(canvas.Dc(), rc, rc, 0, 0, clip);
        CUIPainter::DrawColor(canvas.Dc(), RECT{0, 0, 20, 20}, kGreen);
    }
    RECT bounds;
    EXPECT_EQ(10 * 11, canvas.CountNot(0, &bounds));
    EXPECT_TRUE(::EqualRect(&bounds, &rc));
}

// ---- Lines, frames and text ---------------------------------------------------------------------

TEST_F(PaintTest, FramesAreDrawnInsideTheRect)
{
    Canvas canvas(20, 20, 0xFF000000);
    const RECT rc = {2, 2, 12, 12};
    CUIPainter::DrawRect(canvas.Dc(), rc, 2, kRed);
    RECT bounds;
    EXPECT_EQ(10 * 10 - 6 * 6, canvas.CountNot(0, &bounds));
    EXPECT_TRUE(::EqualRect(&bounds, &rc));
    EXPECT_EQ(0xFF0000u, canvas.Rgb(3, 3));
    EXPECT_EQ(0u, canvas.Rgb(4, 4));

    canvas.Fill(0xFF000000);
    CUIPainter::DrawLine(canvas.Dc(), RECT{0, 5, 10, 5}, 1, kGreen);
    EXPECT_EQ(10, canvas.CountNot(0, &bounds));
    EXPECT_EQ(0x00FF00u, canvas.Rgb(0, 5));

    canvas.Fill(0xFF000000);
    CUIPainter::DrawRoundRect(canvas.Dc(), rc, 1, 6, 6, kBlue);
    EXPECT_EQ(0u, canvas.Rgb(2, 2));
    EXPECT_EQ(0x0000FFu, canvas.Rgb(7, 2));
}

TEST_F(PaintTest, TextIsDrawnInsideItsRectWithLanguageTextsAndLiteralAmpersands)
{
    Canvas canvas(200, 40, 0xFF000000);
    RECT rc = {10, 5, 190, 35};
    CUIPainter::DrawText(canvas.Dc(), &manager, rc, L"Wg", kWhite, -1, DT_SINGLELINE);
    RECT bounds;
    EXPECT_GT(canvas.CountNot(0, &bounds), 0);
    EXPECT_GE(bounds.left, rc.left);
    EXPECT_GE(bounds.top, rc.top);
    EXPECT_LE(bounds.right, rc.right);
    EXPECT_LE(bounds.bottom, rc.bottom);

    auto measure = [&](LPCWSTR text) {
        RECT r = {0, 0, 0, 0};
        CUIPainter::DrawText(canvas.Dc(), &manager, r, text, kWhite, -1,
                             DT_SINGLELINE | DT_CALCRECT);
        return r.right - r.left;
    };
    CUIWindowManager::AddLanguageText(3, L"Hello there");
    EXPECT_EQ(measure(L"Hello there"), measure(L"%{3}"));
    EXPECT_NE(measure(L"%{3}"), measure(L"%{39}"));
    EXPECT_GT(measure(L"a&b"), measure(L"ab"));

    canvas.Fill(0xFF000000);
    RECT none = rc;
    CUIPainter::DrawText(canvas.Dc(), nullptr, none, L"Wg", kWhite, -1, DT_SINGLELINE);
    EXPECT_EQ(0, canvas.CountNot(0));
}

// ---- Colours ------------------------------------------------------------------------------------

TEST(PaintColours, AdjustColorShiftsHueAndKeepsGreysAndAlpha)
{
    for (DWORD colour : {0x12345678u, 0x80FF0000u, 0xFF00FF00u, 0u})
        EXPECT_EQ(colour, CUIPainter::AdjustColor(colour, 180, 100, 100));

    const DWORD grey = CUIPainter::AdjustColor(0xFF7F7F7F, 300, 100, 100);
    EXPECT_EQ(Red(grey), Green(grey));
    EXPECT_EQ(Green(grey), Blue(grey));
    EXPECT_TRUE(Near(0x7F, Red(grey)));

    // Red shifted by 120 degrees is green; the alpha byte stays.
    const DWORD green = CUIPainter::AdjustColor(0x80FF0000, 300, 100, 100);
    EXPECT_EQ(0x80u, green >> 24);
    EXPECT_TRUE(Near(0, Red(green)));
    EXPECT_TRUE(Near(255, Green(green)));
    EXPECT_TRUE(Near(0, Blue(green)));

    float h, s, l;
    CUIPainter::RgbToHsl(0xFF0000FF, &h, &s, &l);
    EXPECT_NEAR(240.0f, h, 0.5f);
    EXPECT_NEAR(1.0f, s, 0.01f);
    EXPECT_NEAR(0.5f, l, 0.01f);

    EXPECT_EQ(0x00007FFFu, CUIPainter::MixColors(0x000000FF, 1.0, 0x0000FF00, 0.5) & 0xFFFFFF);
    // Sums beyond a byte saturate instead of wrapping to dark.
    EXPECT_EQ(0x00FFFFFFu, CUIPainter::MixColors(0x00FFFFFF, 1.0, 0x00FFFFFF, 0.5));
    EXPECT_EQ(0u, CUIPainter::MixColors(0x00FFFFFF, -1.0, 0, 0.0));
}
