// Text drawn inside paddings that skins may make extreme, by each step that pads a control's text
// (the label's text rectangle, which text, button and edit share; the header item's, the list
// rows' and the combo box's): the text stays where its rectangle says, the edit's native editor
// opens where its text lies, and a text control's size holds its paddings. (The marked-up text's
// own bounds on extreme rectangles and offsets: labels_markup.cpp.)

#include "controls/UIEdit.h"
#include "controls/UIList.h"
#include "controls/UIListElement.h"
#include "core/UIText.h"
#include "skin/UIBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;

namespace {

// One control of each padding step, in a column 300 px wide and 240 px high.
const wchar_t kSkin[] =
    L"<Window><VerticalLayout>"
    L"<Label name=\"label\" height=\"24\" showhtml=\"true\"/>"
    L"<Button name=\"button\" height=\"24\" showhtml=\"true\"/>"
    L"<Edit name=\"edit\" height=\"24\" password=\"true\"/>"
    L"<List name=\"list\" height=\"80\" itemshowhtml=\"true\"><ListHeader height=\"20\">"
    L"<ListHeaderItem name=\"header\" width=\"150\" showhtml=\"true\"/><ListHeaderItem width=\"150\"/>"
    L"</ListHeader><ListLabelElement name=\"row\" height=\"20\"/>"
    L"<ListTextElement name=\"cells\" height=\"20\"/></List>"
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
    {L"label", L"label", L"textpadding", false},  {L"header", L"header", L"textpadding", true},
    {L"row", L"list", L"itemtextpadding", false}, {L"cells", L"list", L"itemtextpadding", false},
    {L"choice", L"combo", L"textpadding", false},
};

struct Padding
{
    LPCWSTR value;
    bool left;      // text at the start of its rectangle is drawn
    bool centred;   // text centred in it is drawn
};

// Items lie far inside +-2^31: an edge that wrapped around lands far off, on the wrong side.
const Padding kPaddings[] = {
    {L"3,2,3,2", true, true},
    // The right edge goes far right: left-aligned text stays; centred text goes with the centre.
    {L"0,0,-2147483648", true, false},
    {L"2147483647,-2147483648,-2147483648,2147483647", false, false},
    {L"99999999999,0,-99999999999", false, false},
};

void SetText(CUIWindowManager& manager, const Kind& kind, LPCWSTR text)
{
    CControlUI* control = manager.FindControlByName(kind.control);
    if (wcscmp(kind.control, L"cells") == 0)
        static_cast<CListTextElementUI*>(control)->SetColumnText(0, text);
    else
        control->SetText(text);
}

} // namespace

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
                 {L"2147483647,-2147483648,-2147483648,2147483647", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.padding)));
        edit->SetAttribute(L"textpadding", c.padding);
        window.Repaint();
        edit->SetFocus();
        HWND native = edit->GetNativeWindow();
        ASSERT_NE(nullptr, native);
        RECT rc = {};
        ::GetWindowRect(native, &rc);
        ::MapWindowPoints(nullptr, window.host.GetHandle(), reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(c.opens, rc.left <= item.left && rc.right > item.right && rc.bottom > rc.top) << rc;
        window.Find(L"button")->SetFocus();
        ASSERT_TRUE(managertest::PumpUntil([&] { return edit->GetNativeWindow() == nullptr; }));
    }
}

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

    rendertest::Canvas canvas{kWidth, kHeight, 0xFF000000};
    CUIWindowManager manager;
};

TEST_F(PaddingInMemory, TextInsideAnExtremePaddingIsDrawnOnlyWhereItsRectangleLies)
{
    // Words, a run far longer than any line, and a link.
    const std::wstring words = L"<b>Wide</b> <c #FFFF00FF>words</c> and " +
                               std::wstring(3000, L'M') + L" <a go>link</a>";
    for (const Kind& kind : kKinds) {
        CControlUI* padded = manager.FindControlByName(kind.paddingOwner);
        for (const Padding& padding : kPaddings) {
            const std::string what =
                testing::PrintToString(std::wstring(kind.control) + L" padded " + padding.value);
            padded->SetAttribute(kind.paddingName, padding.value);
            SetText(manager, kind, L"");
            const std::vector<DWORD> bare = Paint();

            SetText(manager, kind, words.c_str());
            const std::vector<DWORD> drawn = Paint();
            const int changed = std::inner_product(bare.begin(), bare.end(), drawn.begin(), 0,
                                                   std::plus<int>(), std::not_equal_to<DWORD>());
            if (kind.centred ? padding.centred : padding.left)
                EXPECT_GT(changed, 20) << what;
            else
                EXPECT_EQ(0, changed) << what;
        }
        SetText(manager, kind, L"");
        padded->SetAttribute(kind.paddingName, L"0,0,0,0");
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
    const struct
    {
        LPCWSTR padding;
        bool wide, tall;   // the size holds a padding too large for any window
    } cases[] = {{L"3,2,3,2", false, false},
                 {L"2147483647,0,0,0", true, false},
                 {L"0,0,2147483647,0", true, false},
                 {L"0,2147483647,0,2147483647", false, true}};
    for (const auto& c : cases) {
        text.SetAttribute(L"textpadding", c.padding);
        const SIZE size = text.MeasureSize(SIZE{200, 0});
        EXPECT_GE(size.cx, c.wide ? 0x7FFFFF : bare.cx) << testing::PrintToString(std::wstring(c.padding));
        EXPECT_GE(size.cy, c.tall ? 0x7FFFFF : bare.cy) << testing::PrintToString(std::wstring(c.padding));
    }
}
