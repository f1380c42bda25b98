// Marked-up text drawn into an off-screen 32-bit DIB and measured with DT_CALCRECT.

#include "core/UIManager.h"
#include "core/UIRender.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "render_support.h"

using namespace QxUI;
using namespace rendertest;

namespace {

const DWORD kWhite = 0xFFFFFFFF;
const DWORD kRed = 0xFFFF0000;
const DWORD kLink = 0xFF0000FF;

class Markup : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = MakeTestFolder(L"qix_labels_markup");
        // 10 x 40, opaque green.
        ASSERT_TRUE(WriteBytes(folder + L"tall.png",
                               EncodePng(10, 40, std::vector<Rgba>(400, Rgba{0, 255, 0, 255}))));
        // Four 5-pixel frames: red, green, blue, yellow.
        std::vector<Rgba> strip;
        const Rgba frames[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255},
                                {255, 255, 0, 255}};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 20; ++x)
                strip.push_back(frames[x / 5]);
        ASSERT_TRUE(WriteBytes(folder + L"strip.png", EncodePng(20, 4, strip)));
    }

    void SetUp() override
    {
        CUIWindowManager::SetResourceFolder(folder.c_str());
        manager.AttachMemoryDC(canvas.Dc());
        manager.SetLinkTextColor(kLink);
    }

    RECT Measure(LPCWSTR text, UINT style = 0, int width = 9999)
    {
        RECT rc = {0, 0, width, 100};
        int none = 0;
        CUIPainter::DrawMarkedUpText(canvas.Dc(), &manager, rc, text, kWhite, nullptr, nullptr,
                                     none, style | DT_CALCRECT);
        return rc;
    }

    int Draw(LPCWSTR text, RECT rc, UINT style = 0, RECT* rects = nullptr,
             CUIString* values = nullptr, int capacity = 0)
    {
        canvas.Fill(0xFF000000);
        int count = capacity;
        CUIPainter::DrawMarkedUpText(canvas.Dc(), &manager, rc, text, kWhite, rects, values, count,
                                     style);
        return count;
    }

    int LineHeight()
    {
        const TEXTMETRICW& tm = manager.GetDefaultFontEntry()->tm;
        return tm.tmHeight + tm.tmExternalLeading;
    }

    // Pixels of one colour inside a rectangle.
    int CountIn(const RECT& rc, DWORD rgb) const
    {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                n += canvas.Rgb(x, y) == rgb;
        return n;
    }

    // Pixels near a colour: glyph edges are smoothed, so text is rarely all one colour.
    int CountNear(const RECT& rc, DWORD rgb) const
    {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y) {
            for (int x = rc.left; x < rc.right; ++x) {
                const DWORD px = canvas.At(x, y);
                bool matches = true;
                for (int shift : {16, 8, 0}) {
                    const bool want = ((rgb >> shift) & 0xFF) >= 0x80;
                    const int got = Channel(px, shift);
                    matches &= want ? got >= 0x60 : got < 0x40;
                }
                n += matches && (px & 0xFFFFFF) != 0;
            }
        }
        return n;
    }

    // Fonts that tags created, counted through their ids.
    int TagFonts()
    {
        int n = 0;
        HFONT deflt = manager.GetDefaultFontEntry()->hFont.Get();
        for (int id = 30000; id < 30200; ++id)
            n += manager.GetFontHandle(id) != deflt;
        return n;
    }

    static std::wstring folder;
    Canvas canvas{300, 120, 0xFF000000};
    CUIWindowManager manager;
};

std::wstring Markup::folder;

} // namespace

// ---- Fonts and colours --------------------------------------------------------------------------

TEST_F(Markup, BoldTagUsesOneCachedBoldVariantOfTheDefaultFont)
{
    const int plain = Measure(L"Wide words").right;
    const int fontsBefore = TagFonts();
    const int bold = Measure(L"<b>Wide words</b>").right;
    EXPECT_GT(bold, plain);
    const int fontsAfterFirst = TagFonts();
    EXPECT_LE(fontsAfterFirst, fontsBefore + 1);
    EXPECT_EQ(bold, Measure(L"<b>Wide words</b>").right);
    EXPECT_EQ(fontsAfterFirst, TagFonts());

    CUIFontInfo* deflt = manager.GetDefaultFontEntry();
    EXPECT_NE(nullptr, manager.FindFontByStyle(deflt->sFontName.GetData(), deflt->iSize, true,
                                               false, false));
    // After the closing tag the default font is back.
    EXPECT_EQ(Measure(L"<b>W</b>x").right - Measure(L"<b>W</b>").right, Measure(L"x").right);
}

TEST_F(Markup, ColourTagPaintsItsWordAndTheClosingTagRestoresTheArgument)
{
    const int redWidth = Measure(L"MMM").right;
    Draw(L"<c #FF0000>MMM</c>MMM", RECT{0, 0, 300, 40});
    EXPECT_GT(CountNear(RECT{0, 0, redWidth, 40}, 0xFF0000), 10);
    EXPECT_EQ(0, CountNear(RECT{0, 0, redWidth, 40}, 0xFFFFFF));
    EXPECT_GT(CountNear(RECT{redWidth, 0, 300, 40}, 0xFFFFFF), 10);
    EXPECT_EQ(0, CountNear(RECT{redWidth, 0, 300, 40}, 0xFF0000));

    // A closing tag with nothing open leaves the argument colour.
    Draw(L"</c>MMM", RECT{0, 0, 300, 40});
    EXPECT_GT(CountNear(RECT{0, 0, 300, 40}, 0xFFFFFF), 10);
}

// ---- Lines --------------------------------------------------------------------------------------

TEST_F(Markup, LineBreaksFromTagsAndLineFeedsAndSingleLineMode)
{
    const int line = LineHeight();
    ASSERT_GT(line, 0);
    EXPECT_EQ(2 * line, Measure(L"one\ntwo").bottom);
    EXPECT_EQ(2 * line, Measure(L"A<n>B").bottom);
    EXPECT_EQ(line, Measure(L"A<n>B", DT_SINGLELINE).bottom);
    EXPECT_EQ(Measure(L"A").right, Measure(L"A<n>B", DT_SINGLELINE).right);
    EXPECT_EQ(Measure(L"one").right, Measure(L"one\ntwo").right);

    // Drawn: the second line lies below the first, or nowhere in single-line mode.
    Draw(L"A<n>B", RECT{0, 0, 300, 100});
    EXPECT_GT(CountIn(RECT{0, line, 300, 2 * line}, 0xFFFFFF), 0);
    Draw(L"A<n>B", RECT{0, 0, 300, 100}, DT_SINGLELINE);
    EXPECT_EQ(0, CountIn(RECT{0, line, 300, 2 * line}, 0xFFFFFF));
}

TEST_F(Markup, WordBreakMovesWholeWordsAndNeverLosesText)
{
    const int word = Measure(L"alpha").right;
    const int blank = Measure(L"a b").right - Measure(L"ab").right;
    // Room for one word and a half: the second word goes whole to the second line.
    const RECT rc = Measure(L"alpha alpha", DT_WORDBREAK, word + blank + word / 2);
    EXPECT_EQ(2 * LineHeight(), rc.bottom);
    EXPECT_LE(rc.right, word + blank);

    // A word wider than the line is cut at the edge rather than looping or vanishing.
    const RECT narrow = Measure(L"alphabet", DT_WORDBREAK, word / 2);
    EXPECT_GE(narrow.bottom, 2 * LineHeight());
}

TEST_F(Markup, EndEllipsisCutsTheRunAndDrawsDots)
{
    const int full = Measure(L"MMMMMMMMMM").right;
    const int dotsWidth = Measure(L"...").right;
    const RECT rc = {0, 0, full / 2, 40};
    auto litIn = [&](const RECT& area) {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                n += canvas.Rgb(x, y) != 0;
        return n;
    };

    Draw(L"MMMMMMMMMM", rc, DT_SINGLELINE);
    RECT bounds;
    ASSERT_GT(canvas.CountNot(0, &bounds), 0);
    const RECT tail = {bounds.right - dotsWidth, 0, bounds.right, 40};
    const int lettersInTail = litIn(tail);

    Draw(L"MMMMMMMMMM", rc, DT_SINGLELINE | DT_END_ELLIPSIS);
    ASSERT_GT(canvas.CountNot(0, &bounds), 0);
    EXPECT_LE(bounds.right, full / 2);
    // Where letters stood, three small dots now do.
    const RECT dots = {bounds.right - dotsWidth, 0, bounds.right, 40};
    EXPECT_GT(litIn(dots), 0);
    EXPECT_LT(litIn(dots), lettersInTail / 2);
}

TEST_F(Markup, RawTextAndEscapesAreDrawnLiterally)
{
    auto plain = [&](LPCWSTR text) {
        RECT rc = {0, 0, 9999, 100};
        CUIPainter::DrawText(canvas.Dc(), &manager, rc, text, kWhite, -1,
                             DT_SINGLELINE | DT_CALCRECT);
        return rc.right;
    };
    EXPECT_EQ(plain(L"<b>"), Measure(L"<r><b></r>").right);
    EXPECT_EQ(plain(L"x<b>y"), Measure(L"x{r}<b>{/r}y").right);
    EXPECT_EQ(plain(L"{"), Measure(L"<{>").right);
    EXPECT_EQ(plain(L"<"), Measure(L"{<}").right);
    EXPECT_EQ(plain(L"}>"), Measure(L"<}>{>}").right);
    // Brackets that start no tag are text; so is a tag that never closes.
    EXPECT_EQ(plain(L"a < b"), Measure(L"a < b").right);
    EXPECT_EQ(plain(L"<b never closed"), Measure(L"<b never closed").right);
    // Unknown tags vanish.
    EXPECT_EQ(plain(L"ab"), Measure(L"a<q what>b</q>").right);
}

TEST_F(Markup, VerticalCentreAndHorizontalCentreMoveTheRectangle)
{
    RECT rc = {0, 0, 300, 100};
    const RECT measured = Measure(L"Mid");
    Draw(L"Mid", rc, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    RECT bounds;
    ASSERT_GT(canvas.CountNot(0, &bounds), 0);
    EXPECT_GE(bounds.left, 150 - measured.right / 2 - 1);
    EXPECT_LE(bounds.right, 150 + measured.right / 2 + 2);
    EXPECT_GE(bounds.top, 50 - measured.bottom / 2 - 1);
    EXPECT_LE(bounds.bottom, 50 + measured.bottom / 2 + 1);
}

// ---- Links --------------------------------------------------------------------------------------

TEST_F(Markup, LinkRecordsItsRectAndValueAndIsUnderlinedInTheLinkColour)
{
    RECT rects[2] = {};
    CUIString values[2];
    const int before = Measure(L"see ").right;
    const int word = Measure(L"click").right;
    EXPECT_EQ(1, Draw(L"see <a terms>click</a> now", RECT{0, 0, 300, 40}, 0, rects, values, 1));
    EXPECT_STREQ(L"terms", values[0].GetData());
    EXPECT_EQ(before, rects[0].left);
    EXPECT_EQ(0, rects[0].top);
    EXPECT_NEAR(before + word, rects[0].right, 2);
    EXPECT_EQ(LineHeight(), rects[0].bottom);
    const int linkPixels = CountIn(rects[0], 0x0000FF);
    EXPECT_GT(linkPixels, 10);
    // The underline: a full row of link colour under the word.
    bool underlined = false;
    for (int y = rects[0].top; y < rects[0].bottom; ++y)
        underlined |= CountIn(RECT{rects[0].left + 1, y, rects[0].right - 1, y + 1}, 0x0000FF) >=
                      rects[0].right - rects[0].left - 3;
    EXPECT_TRUE(underlined);

    // No slots: nothing is recorded but the word still looks like a link.
    RECT untouched[1] = {{7, 7, 7, 7}};
    EXPECT_EQ(0, Draw(L"see <a terms>click</a> now", RECT{0, 0, 300, 40}, 0, untouched, values, 0));
    EXPECT_EQ(7, untouched[0].left);
    EXPECT_EQ(linkPixels, CountIn(RECT{before, 0, before + word + 2, 40}, 0x0000FF));
}

TEST_F(Markup, TwoLinksFillTwoSlotsAndExtraLinksAreNotRecorded)
{
    RECT rects[2] = {};
    CUIString values[2];
    EXPECT_EQ(2, Draw(L"<a terms>Terms</a> and <a privacy>Privacy</a> and <a more>More</a>",
                      RECT{0, 0, 300, 40}, 0, rects, values, 2));
    EXPECT_STREQ(L"terms", values[0].GetData());
    EXPECT_STREQ(L"privacy", values[1].GetData());
    EXPECT_LT(rects[0].right, rects[1].left);
}

TEST_F(Markup, LinkWrappingOntoASecondLineTakesTwoSlotsWithTheSameValue)
{
    RECT rects[4] = {};
    CUIString values[4];
    const int width = Measure(L"first second").right;
    const int count = Draw(L"go <a help>first second third</a>", RECT{0, 0, width, 100},
                           DT_WORDBREAK, rects, values, 4);
    ASSERT_GE(count, 2);
    EXPECT_STREQ(L"help", values[0].GetData());
    EXPECT_STREQ(L"help", values[1].GetData());
    EXPECT_EQ(0, rects[0].top);
    EXPECT_EQ(rects[0].bottom, rects[1].top);
    EXPECT_EQ(0, rects[1].left);
    EXPECT_GT(rects[1].right, rects[1].left);
}

// ---- Images -------------------------------------------------------------------------------------

TEST_F(Markup, TallImageRaisesTheLineAndTextStandsOnItsBottom)
{
    ASSERT_LT(LineHeight(), 40);
    EXPECT_EQ(40, Measure(L"<i tall.png>W").bottom);
    EXPECT_EQ(10 + Measure(L"W").right, Measure(L"<i tall.png>W").right);

    Draw(L"<i tall.png>W", RECT{0, 0, 300, 100});
    EXPECT_EQ(400, CountIn(RECT{0, 0, 10, 40}, 0x00FF00));
    RECT text = {10, 0, 300, 100};
    int top = 100, bottom = 0;
    for (int y = 0; y < 100; ++y)
        if (CountIn(RECT{text.left, y, text.right, y + 1}, 0xFFFFFF) > 0) {
            top = std::min(top, y);
            bottom = y + 1;
        }
    EXPECT_LE(bottom, 40);
    EXPECT_GE(top, 40 - LineHeight());

    // A missing image is skipped.
    EXPECT_EQ(Measure(L"W").right, Measure(L"<i nowhere.png>W").right);
}

TEST_F(Markup, ImageFrameCountAndIndexPickOneFrame)
{
    Draw(L"<i strip.png 4 2>", RECT{0, 0, 300, 40});
    EXPECT_EQ(20, canvas.CountNot(0));
    EXPECT_EQ(20, CountIn(RECT{0, 0, 300, 40}, 0x0000FF));
    // An index outside the frames shows the first.
    Draw(L"<i strip.png 4 9>", RECT{0, 0, 300, 40});
    EXPECT_EQ(20, CountIn(RECT{0, 0, 300, 40}, 0xFF0000));
    Draw(L"<i file='strip.png'>", RECT{0, 0, 300, 40});
    EXPECT_EQ(80, canvas.CountNot(0));
}

TEST_F(Markup, NothingHappensWithoutTextManagerOrRoom)
{
    // Each call records no link, whatever capacity it was given.
    int count = 3;
    RECT rc = {0, 0, 300, 40};
    canvas.Fill(0xFF000000);
    CUIPainter::DrawMarkedUpText(canvas.Dc(), nullptr, rc, L"text", kWhite, nullptr, nullptr,
                                 count, 0);
    EXPECT_EQ(0, std::exchange(count, 3));
    CUIPainter::DrawMarkedUpText(canvas.Dc(), &manager, rc, nullptr, kWhite, nullptr, nullptr,
                                 count, 0);
    EXPECT_EQ(0, std::exchange(count, 3));
    RECT empty = {10, 10, 10, 40};
    CUIPainter::DrawMarkedUpText(canvas.Dc(), &manager, empty, L"text", kWhite, nullptr, nullptr,
                                 count, 0);
    EXPECT_EQ(0, std::exchange(count, 3));
    CUIPainter::DrawMarkedUpText(nullptr, &manager, rc, L"text", kWhite, nullptr, nullptr, count, 0);
    EXPECT_EQ(0, count);
    EXPECT_EQ(0, canvas.CountNot(0));
    EXPECT_EQ(10, empty.right);
}

TEST_F(Markup, LinkUnderTheMousePaintsInTheHoverColour)
{
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    {
        CUIWindowManager windowManager;
        windowManager.AttachWindow(window);
        windowManager.SetLinkTextColor(kLink);
        windowManager.SetLinkHoverTextColor(kRed);
        RECT rects[2] = {};
        CUIString values[2];
        auto draw = [&]() {
            canvas.Fill(0xFF000000);
            int count = 2;
            RECT rc = {0, 0, 300, 40};
            CUIPainter::DrawMarkedUpText(canvas.Dc(), &windowManager, rc,
                                         L"<a one>First</a> <a two>Second</a>", kWhite, rects,
                                         values, count, 0);
            return count;
        };
        ASSERT_EQ(2, draw());
        const RECT second = rects[1];
        LRESULT result = 0;
        windowManager.HandleWindowMessage(
            WM_MOUSEMOVE, 0, MAKELPARAM((second.left + second.right) / 2, second.top + 2), result);
        ASSERT_EQ(2, draw());
        EXPECT_GT(CountNear(rects[1], 0xFF0000), 5);
        EXPECT_EQ(0, CountNear(rects[1], 0x0000FF));
        EXPECT_GT(CountNear(rects[0], 0x0000FF), 5);
        EXPECT_EQ(0, CountNear(rects[0], 0xFF0000));
    }
    ::DestroyWindow(window);
}

TEST_F(Markup, SpacingOffsetAndLineHeightTags)
{
    const int line = LineHeight();
    // A paragraph adds its spacing to each of its lines and starts on a line of its own.
    EXPECT_EQ(line + 6 + line, Measure(L"<p 6>A</p>B").bottom);
    EXPECT_EQ(line + line + 6, Measure(L"A<p 6>B</p>").bottom);
    EXPECT_EQ(30, Measure(L"<y 30>A").bottom);
    EXPECT_EQ(Measure(L"AB").right + 25, Measure(L"A<x 25>B").right);

    // A font by id: the manager's font 7.
    manager.AddFont(7, manager.GetDefaultFontEntry()->sFontName.GetData(), 30, false, false,
                    false);
    EXPECT_GT(Measure(L"<f 7>A</f>").bottom, 2 * line);
    EXPECT_EQ(Measure(L"A").bottom, Measure(L"<f 99>A</f>").bottom);

    // Selected text is drawn on the selected colour.
    manager.SetSelectedColor(0xFF00FF00);
    Draw(L"<s>MM</s> MM", RECT{0, 0, 300, 40});
    EXPECT_GT(CountIn(RECT{0, 0, 300, 40}, 0x00FF00), 20);
    EXPECT_EQ(0, CountIn(RECT{Measure(L"MM ").right, 0, 300, 40}, 0x00FF00));
}

TEST_F(Markup, TagOffsetsAndFontSizesAreBounded)
{
    EXPECT_EQ(Measure(L"AB").right, Measure(L"<x -100000>AB").right);
    EXPECT_EQ(Measure(L"M").right, Measure(L"M<x -100000>M").right);
    EXPECT_EQ(0x7FFF, Measure(L"<y 99999999>A").bottom);
    EXPECT_EQ(0x7FFF + LineHeight(), Measure(L"<p 99999999>A</p>").bottom);
    const std::wstring face = manager.GetDefaultFontEntry()->sFontName.GetData();
    const auto height = [&](LPCWSTR size) {
        return Measure((L"<f " + face + L" " + size + L">A</f>").c_str()).bottom;
    };
    EXPECT_EQ(height(L"500"), height(L"65535"));
    EXPECT_GT(height(L"500"), height(L"400"));
}

TEST_F(Markup, LongTextIsMeasuredInProportionToItsLength)
{
    const struct
    {
        LPCWSTR head;   // the pen far left made one line hold the whole text
        UINT style;
        int width;
    } cases[] = {{L"<x -100000>", 0, 300},
                 {L"", DT_CALCRECT, 9999},
                 {L"", DT_CALCRECT | DT_WORDBREAK, 300},
                 {L"", DT_SINGLELINE | DT_CENTER | DT_VCENTER, 300},
                 {L"<x -100000>", DT_CALCRECT | DT_END_ELLIPSIS, 300}};
    for (const auto& c : cases) {
        const std::wstring text = c.head + std::wstring(40000, L'M');
        RECT rc = {0, 0, c.width, 120};
        int none = 0;
        const ULONGLONG before = CUIPainter::GetMarkedUpMeasuredChars();
        CUIPainter::DrawMarkedUpText(canvas.Dc(), &manager, rc, text.c_str(), kWhite, nullptr,
                                     nullptr, none, c.style);
        const ULONGLONG measured = CUIPainter::GetMarkedUpMeasuredChars() - before;
        EXPECT_GT(measured, 0u);
        EXPECT_LE(measured, 16u * text.size()) << (&c - cases);
    }
}

TEST_F(Markup, RectanglesAtTheEndsOfIntMeasureNoMoreThanTheText)
{
    const std::wstring text = L"<x -2147483648>A<x 2147483647>B <x 99999999999>" +
                              std::wstring(2000, L'W') + L" <p 2147483647>C</p><y -2147483648>D";
    const RECT rects[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                          {INT_MIN, 0, INT_MIN + 50, 20},
                          {INT_MAX - 50, 0, INT_MAX, 20},
                          {-(1 << 30), 0, 1 << 30, 20},
                          {0, 0, 300, INT_MAX},
                          {0, INT_MIN, 300, 10}};
    const UINT styles[] = {0,
                           DT_SINGLELINE | DT_CENTER | DT_VCENTER,
                           DT_WORDBREAK | DT_CENTER | DT_BOTTOM,
                           DT_SINGLELINE | DT_RIGHT | DT_END_ELLIPSIS,
                           DT_CALCRECT,
                           DT_CALCRECT | DT_WORDBREAK};
    for (const RECT& given : rects) {
        for (UINT style : styles) {
            RECT rc = given;
            int none = 0;
            const ULONGLONG before = CUIPainter::GetMarkedUpMeasuredChars();
            CUIPainter::DrawMarkedUpText(canvas.Dc(), &manager, rc, text.c_str(), kWhite, nullptr,
                                         nullptr, none, style);
            const ULONGLONG measured = CUIPainter::GetMarkedUpMeasuredChars() - before;
            EXPECT_LE(measured, 32u * text.size())
                << given.left << "," << given.top << "," << given.right << " " << style;
            EXPECT_LE(rc.left, rc.right);
            EXPECT_LE(rc.top, rc.bottom);
        }
    }
}

TEST_F(Markup, EmptyTextMeasuresOneLine)
{
    EXPECT_EQ(LineHeight(), Measure(L"").bottom);
    EXPECT_EQ(0, Measure(L"").right);
}

TEST_F(Markup, TooWideSingleLineTextIsCentredAndCutAtBothEdges)
{
    const int full = Measure(L"MMMMMMMMMM").right;
    const RECT rc = {40, 0, 40 + full / 2, 40};
    const auto inside = [&](const RECT& drawn, UINT style) {
        Draw(L"MMMMMMMMMM", drawn, style);
        std::vector<DWORD> pixels;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                pixels.push_back(canvas.Rgb(x, y));
        return pixels;
    };
    const int start = rc.left + (rc.right - rc.left) / 2 - full / 2;
    const std::vector<DWORD> fromStart = inside(RECT{start, 0, start + full, 40}, DT_SINGLELINE);
    const std::vector<DWORD> centred = inside(rc, DT_SINGLELINE | DT_CENTER);
    RECT bounds;
    ASSERT_GT(canvas.CountNot(0, &bounds), 0);
    EXPECT_TRUE(bounds.left >= rc.left && bounds.right <= rc.right);
    EXPECT_EQ(fromStart, centred);
    EXPECT_NE(inside(rc, DT_SINGLELINE), centred);
}

TEST_F(Markup, AlignedTextThatDoesNotFitStaysInsideItsRectangle)
{
    // Centred and too wide: cut with an ellipsis inside the rectangle, not widened past it.
    const int full = Measure(L"MMMMMMMMMM").right;
    Draw(L"MMMMMMMMMM", RECT{20, 0, 20 + full / 2, 40},
         DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS);
    RECT bounds;
    ASSERT_GT(canvas.CountNot(0, &bounds), 0);
    EXPECT_GE(bounds.left, 20);
    EXPECT_LE(bounds.right, 20 + full / 2);

    // Wrapped and vertically centred: every line is drawn, the block centred as a whole.
    const int word = Measure(L"alpha").right;
    const int line = LineHeight();
    Draw(L"alpha alpha alpha", RECT{0, 0, word + 4, 100}, DT_WORDBREAK | DT_VCENTER);
    ASSERT_GT(canvas.CountNot(0, &bounds), 0);
    EXPECT_GE(bounds.top, 50 - 3 * line / 2 - 1);
    EXPECT_LE(bounds.bottom, 50 + 3 * line / 2 + 1);
    EXPECT_GT(bounds.bottom - bounds.top, 2 * line);
}
