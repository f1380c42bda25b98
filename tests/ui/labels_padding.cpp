// Text drawn inside paddings that skins may make extreme, by every control that pads its text:
// in a real window's paint and in a memory DC's, the text stays where its rectangle says and the
// marked-up text measures no more than its own characters.

#include "controls/UIEdit.h"
#include "controls/UIList.h"
#include "controls/UIListElement.h"
#include "core/UIRender.h"
#include "core/UIText.h"
#include "skin/UIBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;

namespace {

// One control of each kind that pads its text, in a column 300 px wide and 240 px high.
const wchar_t kSkin[] =
    L"<Window><VerticalLayout>"
    L"<Label name=\"label\" height=\"24\" showhtml=\"true\"/>"
    L"<Label name=\"centred\" height=\"24\" showhtml=\"true\" align=\"center\"/>"
    L"<Text name=\"text\" height=\"40\" showhtml=\"true\"/>"
    L"<Button name=\"button\" height=\"24\" showhtml=\"true\"/>"
    L"<Edit name=\"edit\" height=\"24\" password=\"true\"/>"
    L"<List name=\"list\" height=\"80\" itemshowhtml=\"true\">"
    L"<ListHeader height=\"20\">"
    L"<ListHeaderItem name=\"header\" width=\"150\" showhtml=\"true\"/>"
    L"<ListHeaderItem width=\"150\"/>"
    L"</ListHeader>"
    L"<ListLabelElement name=\"row\" height=\"20\"/>"
    L"<ListTextElement name=\"cells\" height=\"20\"/>"
    L"</List>"
    L"<Combo name=\"combo\" height=\"24\"><ListLabelElement name=\"choice\" selected=\"true\"/></Combo>"
    L"</VerticalLayout></Window>";

const int kWidth = 300;
const int kHeight = 240;

struct Kind
{
    LPCWSTR control;
    LPCWSTR paddingOwner;   // the control whose attribute pads the text
    LPCWSTR paddingName;
    bool centred;
};

const Kind kKinds[] = {
    {L"label", L"label", L"textpadding", false},   {L"centred", L"centred", L"textpadding", true},
    {L"text", L"text", L"textpadding", false},     {L"button", L"button", L"textpadding", true},
    {L"edit", L"edit", L"textpadding", false},     {L"header", L"header", L"textpadding", true},
    {L"row", L"list", L"itemtextpadding", false},  {L"cells", L"list", L"itemtextpadding", false},
    {L"choice", L"combo", L"textpadding", false},
};

enum class Seen { Drawn, Nothing, Either };

struct Padding
{
    LPCWSTR value;
    Seen left;      // text at the start of its rectangle
    Seen centred;   // text centred in it
};

// Items lie far inside +-2^31: an edge that wrapped around lands far off, on the wrong side.
const Padding kPaddings[] = {
    {L"3,2,3,2", Seen::Drawn, Seen::Drawn},
    {L"-5,-5,-5,-5", Seen::Drawn, Seen::Drawn},
    // The right edge goes far right: left-aligned text stays; centred text goes with the centre.
    {L"0,0,-2147483648", Seen::Drawn, Seen::Nothing},
    {L"0,0,-2147483648,-2147483648", Seen::Either, Seen::Nothing},
    {L"2147483647", Seen::Nothing, Seen::Nothing},
    {L"0,0,2147483647", Seen::Nothing, Seen::Nothing},
    {L"2147483647,2147483647,2147483647,2147483647", Seen::Nothing, Seen::Nothing},
    {L"-2147483648", Seen::Nothing, Seen::Nothing},
    {L"2147483647,-2147483648,-2147483648,2147483647", Seen::Nothing, Seen::Nothing},
    {L"99999999999,0,-99999999999", Seen::Nothing, Seen::Nothing},
    {L"-2147483648,-2147483648,-2147483648,-2147483648", Seen::Either, Seen::Either},
    {L"-2147483648,0,2147483647,0", Seen::Either, Seen::Either},
};

// Words, a run far longer than any line, and a link.
std::wstring WordsText()
{
    return L"<b>Wide</b> <c #FFFF00FF>words</c> and " + std::wstring(3000, L'M') +
           L" <a go>link</a>";
}

// Pen, line height and spacing tags at the ends of int, around short runs and a long one.
std::wstring OffsetsText()
{
    return L"<x -2147483648>A<x 2147483647>B <x 99999999999>" + std::wstring(500, L'W') +
           L"<n><p -2147483648>C</p><y 2147483647>D <p 2147483647>E</p><x -2147483647>F";
}

// Marked-up characters measured since the last call.
ULONGLONG MeasuredSinceLast()
{
    static ULONGLONG last = 0;
    const ULONGLONG now = CUIPainter::GetMarkedUpMeasuredChars();
    const ULONGLONG since = now - last;
    last = now;
    return since;
}

// The controls of kSkin, under a manager that paints a real window or a memory DC.
class PaddedControls
{
public:
    explicit PaddedControls(CUIWindowManager& manager) : m_manager(manager) {}

    CControlUI* Find(LPCWSTR name) { return m_manager.FindControlByName(name); }

    void SetText(const Kind& kind, LPCWSTR text)
    {
        CControlUI* control = Find(kind.control);
        if (wcscmp(kind.control, L"cells") == 0)
            static_cast<CListTextElementUI*>(control)->SetColumnText(0, text);
        else
            control->SetText(text);
    }

    void SetPadding(const Kind& kind, LPCWSTR value)
    {
        Find(kind.paddingOwner)->SetAttribute(kind.paddingName, value);
    }

private:
    CUIWindowManager& m_manager;
};

std::wstring Describe(const Kind& kind, const Padding& padding)
{
    std::wstring s = kind.control;
    return s + L" padded " + padding.value;
}

} // namespace

// ---- A real window's paint -------------------------------------------------------------------

TEST(PaddingInAWindow, ExtremePaddingsAndOffsetsPaintWithBoundedWork)
{
    skintest::SkinWindow window;
    ASSERT_TRUE(window.Open(kSkin, kWidth, kHeight));
    PaddedControls controls(window.host.manager);
    const std::wstring texts[] = {WordsText(), OffsetsText()};
    for (const Kind& kind : kKinds) {
        for (const Padding& padding : kPaddings) {
            controls.SetPadding(kind, padding.value);
            for (const std::wstring& text : texts) {
                controls.SetText(kind, text.c_str());
                MeasuredSinceLast();
                window.Repaint();
                // A paint draws each marked-up text a few times, each measuring every
                // character a bounded number of times.
                EXPECT_LE(MeasuredSinceLast(), 64u * text.size())
                    << testing::PrintToString(Describe(kind, padding));
            }
            controls.SetText(kind, L"");
        }
        controls.SetPadding(kind, L"0,0,0,0");
    }
}

TEST(PaddingInAWindow, EditWithAnExtremePaddingOpensItsNativeEditorWhereItsTextLies)
{
    skintest::SkinWindow window;
    ASSERT_TRUE(window.Open(kSkin, kWidth, kHeight));
    auto* edit = window.Find<CEditUI>(L"edit");
    ASSERT_NE(nullptr, edit);
    edit->SetText(L"secret");
    const RECT item = edit->GetPos();
    const struct
    {
        LPCWSTR padding;
        bool opens;   // a rectangle with room (far wider than the window) or an empty one
    } cases[] = {{L"0,0,-2147483648,0", true},
                 {L"-2147483648,0,-2147483648,0", true},
                 {L"0,0,2147483647,0", false},
                 {L"2147483647,-2147483648,-2147483648,2147483647", false}};
    for (const auto& c : cases) {
        const std::string what = testing::PrintToString(std::wstring(c.padding));
        edit->SetAttribute(L"textpadding", c.padding);
        window.Repaint();
        edit->SetFocus();
        HWND native = edit->GetNativeWindow();
        ASSERT_NE(nullptr, native) << what;
        RECT rc = {};
        ::GetWindowRect(native, &rc);
        ::MapWindowPoints(nullptr, window.host.GetHandle(), reinterpret_cast<POINT*>(&rc), 2);
        if (c.opens) {
            EXPECT_LE(rc.left, item.left) << what;
            EXPECT_GT(rc.right, item.right) << what;
            EXPECT_GT(rc.bottom, rc.top) << what;
        } else {
            EXPECT_EQ(rc.left, rc.right) << what;
        }
        window.Find(L"button")->SetFocus();
        ASSERT_TRUE(managertest::PumpUntil([&] { return edit->GetNativeWindow() == nullptr; }))
            << what;
    }
}

// ---- A memory DC's paint ---------------------------------------------------------------------

class PaddingInMemory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        manager.AttachMemoryDC(canvas.Dc());
        CUILayoutBuilder builder;
        CControlUI* root = builder.Create(kSkin, nullptr, nullptr, &manager);
        ASSERT_NE(nullptr, root);
        ASSERT_TRUE(manager.AttachRootControl(root));
    }

    std::vector<DWORD> Paint()
    {
        // Grey: the default text colour is black.
        canvas.Fill(0xFF808080);
        manager.PaintMemoryDC(RECT{0, 0, kWidth, kHeight});
        std::vector<DWORD> pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                pixels.push_back(canvas.Rgb(x, y));
        return pixels;
    }

    static int Differing(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
    {
        int n = 0;
        for (size_t i = 0; i < a.size(); ++i)
            n += a[i] != b[i];
        return n;
    }

    rendertest::Canvas canvas{kWidth, kHeight, 0xFF000000};
    CUIWindowManager manager;
};

TEST_F(PaddingInMemory, TextInsideAnExtremePaddingIsDrawnOnlyWhereItsRectangleLies)
{
    PaddedControls controls(manager);
    const std::wstring words = WordsText();
    const std::wstring offsets = OffsetsText();
    for (const Kind& kind : kKinds) {
        for (const Padding& padding : kPaddings) {
            const std::string what = testing::PrintToString(Describe(kind, padding));
            controls.SetPadding(kind, padding.value);
            controls.SetText(kind, L"");
            const std::vector<DWORD> bare = Paint();

            controls.SetText(kind, words.c_str());
            MeasuredSinceLast();
            const int changed = Differing(bare, Paint());
            EXPECT_LE(MeasuredSinceLast(), 64u * words.size()) << what;
            const Seen seen = kind.centred ? padding.centred : padding.left;
            if (seen == Seen::Drawn)
                EXPECT_GT(changed, 20) << what;
            else if (seen == Seen::Nothing)
                EXPECT_EQ(0, changed) << what;

            controls.SetText(kind, offsets.c_str());
            MeasuredSinceLast();
            Paint();
            EXPECT_LE(MeasuredSinceLast(), 64u * offsets.size()) << what;
        }
        controls.SetText(kind, L"");
        controls.SetPadding(kind, L"0,0,0,0");
    }
}

TEST_F(PaddingInMemory, TextMeasuresItsTextAndPaddingsSaturated)
{
    CTextUI text;
    text.SetManager(&manager, nullptr, false);
    text.SetAttribute(L"showhtml", L"true");
    text.SetText(L"one <b>two</b> three four five six seven eight nine ten");
    text.SetAttribute(L"textpadding", L"0,0,0,0");
    const SIZE bare = text.MeasureSize(SIZE{200, 0});
    ASSERT_GT(bare.cx, 0);
    ASSERT_GT(bare.cy, 0);
    const struct
    {
        LPCWSTR padding;
        bool wide, tall;   // the size holds a padding too large for any window
    } cases[] = {{L"3,2,3,2", false, false},
                 {L"2147483647,0,0,0", true, false},
                 {L"0,0,2147483647,0", true, false},
                 {L"0,2147483647,0,2147483647", false, true},
                 {L"2147483647,2147483647,2147483647,2147483647", true, true}};
    for (const auto& c : cases) {
        const std::string what = testing::PrintToString(std::wstring(c.padding));
        text.SetAttribute(L"textpadding", c.padding);
        const SIZE size = text.MeasureSize(SIZE{200, 0});
        EXPECT_GE(size.cx, c.wide ? 0x7FFFFF : bare.cx) << what;
        EXPECT_GE(size.cy, c.tall ? 0x7FFFFF : bare.cy) << what;
    }
}
