// Labels, text controls, buttons and progress bars: attributes, events and notifications, and
// painting into an off-screen 32-bit DIB.

#include "core/UIButton.h"
#include "core/UILabel.h"
#include "core/UIManager.h"
#include "core/UIProgress.h"
#include "core/UIText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render_support.h"

using namespace QxUI;
using namespace rendertest;

namespace {

const DWORD kWhite = 0xFFFFFFFF;

// Records every notification the window manager raises.
class Recorder : public INotifyUI
{
public:
    void OnUINotify(UINotification& msg) override
    {
        types.push_back(msg.sType.GetData());
        params.push_back(msg.wParam);
    }
    int Count(const std::wstring& type) const
    {
        int n = 0;
        for (const std::wstring& t : types)
            n += t == type;
        return n;
    }
    std::vector<std::wstring> types;
    std::vector<WPARAM> params;
};

class Controls : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = MakeTestFolder(L"qix_labels_controls");
        auto solid = [](int w, int h, Rgba c) {
            return EncodePng(w, h, std::vector<Rgba>(static_cast<size_t>(w) * h, c));
        };
        ASSERT_TRUE(WriteBytes(folder + L"red.png", solid(4, 4, {255, 0, 0, 255})));
        ASSERT_TRUE(WriteBytes(folder + L"green.png", solid(4, 4, {0, 255, 0, 255})));
        ASSERT_TRUE(WriteBytes(folder + L"blue.png", solid(4, 4, {0, 0, 255, 255})));
        ASSERT_TRUE(WriteBytes(folder + L"small.png", solid(2, 2, {255, 255, 0, 255})));
    }

    void SetUp() override
    {
        CUIWindowManager::SetResourceFolder(folder.c_str());
        manager.AttachMemoryDC(canvas.Dc());
        manager.AddNotifier(&recorder);
    }

    void TearDown() override { manager.RemoveNotifier(&recorder); }

    void Place(CControlUI& control, RECT rc)
    {
        control.SetManager(&manager, nullptr, false);
        control.SetPos(rc, false);
    }

    void Paint(CControlUI& control)
    {
        canvas.Fill(0xFF000000);
        control.Paint(canvas.Dc(), RECT{0, 0, 300, 100});
    }

    void Send(CControlUI& control, int type, POINT pt = {0, 0}, WCHAR key = 0)
    {
        UIEvent event;
        event.Type = type;
        event.pSender = &control;
        event.ptMouse = pt;
        event.chKey = key;
        control.OnEvent(event);
    }

    int CountIn(const RECT& rc, DWORD rgb) const
    {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                n += canvas.Rgb(x, y) == rgb;
        return n;
    }

    static std::wstring folder;
    Canvas canvas{300, 100, 0xFF000000};
    CUIWindowManager manager;
    Recorder recorder;
};

std::wstring Controls::folder;

class ProbeText : public CTextUI
{
public:
    int Hovered() const { return m_nHoverLink; }
};

class ProbeProgress : public CProgressUI
{
public:
    CUIImageInfo* ForeInfo() const { return m_diFore.pImageInfo.Get(); }
};

} // namespace

// ---- Label --------------------------------------------------------------------------------------

TEST_F(Controls, LabelAlignAttributesBuildTheTextStyle)
{
    CLabelUI label;
    EXPECT_EQ(static_cast<UINT>(DT_VCENTER), label.GetTextStyle());
    label.SetAttribute(L"align", L"center");
    label.SetAttribute(L"valign", L"vcenter");
    EXPECT_EQ(static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE), label.GetTextStyle());
    label.SetAttribute(L"align", L"right");
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT | DT_VCENTER), label.GetTextStyle());
    label.SetAttribute(L"valign", L"bottom");
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT | DT_BOTTOM | DT_SINGLELINE), label.GetTextStyle());
    label.SetAttribute(L"endellipsis", L"true");
    EXPECT_TRUE(label.GetTextStyle() & DT_END_ELLIPSIS);
    label.SetAttribute(L"endellipsis", L"TRUE");
    EXPECT_FALSE(label.GetTextStyle() & DT_END_ELLIPSIS);

    label.SetAttribute(L"textcolor", L"#FF112233");
    EXPECT_EQ(0xFF112233u, label.GetTextColor());
    label.SetAttribute(L"textpadding", L"1,2,3,4");
    const RECT padding = label.GetTextPadding();
    EXPECT_EQ(1, padding.left);
    EXPECT_EQ(4, padding.bottom);
    label.SetAttribute(L"font", L"3");
    EXPECT_EQ(3, label.GetFont());
    label.SetAttribute(L"showhtml", L"true");
    EXPECT_TRUE(label.IsShowHtml());
}

TEST_F(Controls, LabelEffectSettingsKeepTheirRanges)
{
    CLabelUI label;
    label.SetAttribute(L"rhaa", L"4");
    EXPECT_EQ(4, label.GetTextRenderingHint());
    label.SetAttribute(L"rhaa", L"9");
    EXPECT_EQ(0, label.GetTextRenderingHint());

    label.SetAttribute(L"shadowoffset", L"2,200");
    EXPECT_EQ(0, label.GetShadowOffset().x);
    EXPECT_EQ(0, label.GetShadowOffset().y);
    label.SetAttribute(L"shadowoffset", L"2,0");
    EXPECT_EQ(2, label.GetShadowOffset().x);
    EXPECT_EQ(0, label.GetShadowOffset().y);
    label.SetAttribute(L"shadowoffset", L"3,-90");
    EXPECT_EQ(0, label.GetShadowOffset().x);
    EXPECT_EQ(3, label.GetShadowOffset().y);

    label.SetAttribute(L"transtext", L"200");
    label.SetAttribute(L"strokecolor", L"FF00FF00");
    label.SetAttribute(L"textshadowcolorb", L"#80000000");
    EXPECT_EQ(200, label.GetTextAlpha());
    EXPECT_EQ(0xFF00FF00u, label.GetStrokeColor());
    EXPECT_EQ(0x80000000u, label.GetShadowColorB());
}

TEST_F(Controls, LabelTakesTheManagersDefaultColourOnceAndKeepsIt)
{
    CLabelUI label;
    Place(label, RECT{0, 0, 300, 40});
    label.SetText(L"MMMM");
    manager.SetDefaultTextColor(0xFF00FF00);
    manager.SetDisabledTextColor(0xFF0000FF);
    Paint(label);
    EXPECT_EQ(0xFF00FF00u, label.GetTextColor());
    EXPECT_GT(CountIn(RECT{0, 0, 300, 40}, 0x00FF00), 5);

    manager.SetDefaultTextColor(0xFFFF0000);
    Paint(label);
    EXPECT_GT(CountIn(RECT{0, 0, 300, 40}, 0x00FF00), 5);
    EXPECT_EQ(0, CountIn(RECT{0, 0, 300, 40}, 0xFF0000));

    // Disabled: the manager's disabled colour as it was at the first paint.
    label.SetEnabled(false);
    manager.SetDisabledTextColor(0xFFFF0000);
    Paint(label);
    EXPECT_EQ(0xFF0000FFu, label.GetDisabledTextColor());
    EXPECT_GT(CountIn(RECT{0, 0, 300, 40}, 0x0000FF), 5);
}

TEST_F(Controls, LabelEndEllipsisAndMarkedUpText)
{
    CLabelUI label;
    Place(label, RECT{0, 0, 60, 40});
    label.SetTextColor(kWhite);
    label.SetText(L"A rather long caption that does not fit");
    Paint(label);
    RECT plain;
    ASSERT_GT(canvas.CountNot(0, &plain), 0);
    EXPECT_LE(plain.right, 60);

    label.SetAttribute(L"endellipsis", L"true");
    Paint(label);
    RECT cut;
    ASSERT_GT(canvas.CountNot(0, &cut), 0);
    EXPECT_LE(cut.right, 60);
    EXPECT_NE(CountIn(RECT{0, 0, 60, 40}, 0xFFFFFF), 0);

    CLabelUI html;
    Place(html, RECT{0, 0, 300, 40});
    html.SetTextColor(kWhite);
    html.SetAttribute(L"showhtml", L"true");
    html.SetText(L"<c #FF0000>MMM</c>");
    Paint(html);
    EXPECT_GT(CountIn(RECT{0, 0, 300, 40}, 0xFF0000), 5);
    EXPECT_EQ(0, CountIn(RECT{0, 0, 300, 40}, 0xFFFFFF));
}

TEST_F(Controls, LabelMeasuresItsFontWithoutAFixedHeight)
{
    CLabelUI label;
    Place(label, RECT{0, 0, 100, 20});
    label.SetFixedWidth(70);
    const SIZE size = label.MeasureSize(SIZE{300, 300});
    EXPECT_EQ(70, size.cx);
    EXPECT_EQ(manager.GetDefaultFontEntry()->tm.tmHeight + 4, size.cy);
    label.SetFixedHeight(33);
    EXPECT_EQ(33, label.MeasureSize(SIZE{300, 300}).cy);
}

TEST_F(Controls, LabelEffectModeKeepsItsOwnTextAndPaintsIt)
{
    CLabelUI label;
    Place(label, RECT{0, 0, 300, 40});
    label.SetText(L"Before");
    label.SetAttribute(L"enabledeffect", L"true");
    EXPECT_STREQ(L"Before", label.GetText().GetData());
    label.SetText(L"MMMM");
    EXPECT_STREQ(L"MMMM", label.GetText().GetData());
    label.SetAttribute(L"textcolor", L"#FFFFFFFF");
    label.SetAttribute(L"transtext", L"255");
    label.SetAttribute(L"transtext1", L"255");
    label.SetAttribute(L"enabledstroke", L"true");
    Paint(label);
    RECT bounds;
    ASSERT_GT(canvas.CountNot(0, &bounds), 0);
    EXPECT_GE(bounds.left, 0);
    EXPECT_LE(bounds.right, 300);
    const int withoutStroke = canvas.CountNot(0);

    // A stroke colour widens the glyphs by a pixel on every side.
    label.SetAttribute(L"strokecolor", L"#FF00FF00");
    Paint(label);
    EXPECT_GT(canvas.CountNot(0), withoutStroke);
}

// ---- Text control -------------------------------------------------------------------------------

TEST_F(Controls, TextClickOnASecondLinkSendsItsIndex)
{
    ProbeText text;
    Place(text, RECT{0, 0, 300, 60});
    text.SetAttribute(L"showhtml", L"true");
    text.SetText(L"Read the <a terms>Terms</a> and the <a privacy>Privacy</a> notes");
    Paint(text);
    ASSERT_EQ(2, text.GetLinkCount());
    EXPECT_STREQ(L"privacy", text.GetLinkContent(1)->GetData());
    EXPECT_EQ(static_cast<UINT>(UIFLAG_SETCURSOR), text.GetInputFlags());

    const RECT second = text.GetLinkRect(1);
    const POINT inside = {(second.left + second.right) / 2, (second.top + second.bottom) / 2};
    Send(text, UIEventType::ButtonDown, inside);
    Send(text, UIEventType::ButtonUp, inside);
    ASSERT_EQ(1, recorder.Count(L"link"));
    EXPECT_EQ(1u, recorder.params.back());

    // Outside every link: nothing.
    Send(text, UIEventType::ButtonUp, POINT{299, 59});
    EXPECT_EQ(1, recorder.Count(L"link"));

    // Disabled: no notification and no hover.
    text.SetEnabled(false);
    EXPECT_EQ(0u, text.GetInputFlags());
    Send(text, UIEventType::ButtonUp, inside);
    Send(text, UIEventType::MouseMove, inside);
    EXPECT_EQ(1, recorder.Count(L"link"));
    EXPECT_EQ(-1, text.Hovered());
}

TEST_F(Controls, TextHoverFollowsThePointerBetweenLinks)
{
    ProbeText text;
    Place(text, RECT{0, 0, 300, 60});
    text.SetAttribute(L"showhtml", L"true");
    text.SetText(L"<a one>First</a> gap <a two>Second</a>");
    Paint(text);
    ASSERT_EQ(2, text.GetLinkCount());
    auto centre = [&](int i) {
        const RECT rc = text.GetLinkRect(i);
        return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    };
    Send(text, UIEventType::MouseMove, centre(0));
    EXPECT_EQ(0, text.Hovered());
    Send(text, UIEventType::MouseMove, centre(1));
    EXPECT_EQ(1, text.Hovered());
    Send(text, UIEventType::MouseLeave, centre(1));
    EXPECT_EQ(-1, text.Hovered());
}

TEST_F(Controls, TextRecordsAtMostEightLinksAndWrappedLinksTakeTwoSlots)
{
    ProbeText text;
    Place(text, RECT{0, 0, 300, 100});
    text.SetAttribute(L"showhtml", L"true");
    std::wstring many;
    for (int i = 0; i < 10; ++i)
        many += L"<a v" + std::to_wstring(i) + L">L" + std::to_wstring(i) + L"</a> ";
    text.SetText(many.c_str());
    Paint(text);
    EXPECT_EQ(8, text.GetLinkCount());
    EXPECT_STREQ(L"v7", text.GetLinkContent(7)->GetData());

    ProbeText wrapped;
    Place(wrapped, RECT{0, 0, 70, 100});
    wrapped.SetAttribute(L"showhtml", L"true");
    wrapped.SetText(L"See <a help>wrapped link text</a>");
    Paint(wrapped);
    ASSERT_GE(wrapped.GetLinkCount(), 2);
    const RECT last = wrapped.GetLinkRect(wrapped.GetLinkCount() - 1);
    EXPECT_GT(last.top, wrapped.GetLinkRect(0).top);
    Send(wrapped, UIEventType::ButtonUp, POINT{last.left + 1, (last.top + last.bottom) / 2});
    ASSERT_EQ(1, recorder.Count(L"link"));
    EXPECT_EQ(static_cast<WPARAM>(wrapped.GetLinkCount() - 1), recorder.params.back());
}

TEST_F(Controls, TextMeasuresItsWrappedHeight)
{
    CTextUI text;
    Place(text, RECT{0, 0, 100, 100});
    text.SetText(L"one two three four five six seven eight nine ten");
    const SIZE narrow = text.MeasureSize(SIZE{60, 0});
    const SIZE wide = text.MeasureSize(SIZE{1000, 0});
    EXPECT_GT(narrow.cy, wide.cy);
    EXPECT_LE(narrow.cx, 60 + 4);
    text.SetFixedHeight(17);
    EXPECT_EQ(17, text.MeasureSize(SIZE{60, 0}).cy);
}

// ---- Button -------------------------------------------------------------------------------------

TEST_F(Controls, ButtonClicksOnlyForAPressAndReleaseInside)
{
    CButtonUI button;
    Place(button, RECT{10, 10, 110, 40});
    const POINT inside = {50, 20};
    const POINT outside = {200, 80};

    Send(button, UIEventType::ButtonDown, inside);
    EXPECT_TRUE(button.GetButtonState() & UISTATE_PUSHED);
    Send(button, UIEventType::MouseMove, outside);
    EXPECT_FALSE(button.GetButtonState() & UISTATE_PUSHED);
    Send(button, UIEventType::MouseMove, inside);
    EXPECT_TRUE(button.GetButtonState() & UISTATE_PUSHED);
    Send(button, UIEventType::MouseMove, outside);
    Send(button, UIEventType::ButtonUp, outside);
    EXPECT_EQ(0, recorder.Count(L"click"));
    EXPECT_EQ(0u, button.GetButtonState() & (UISTATE_PUSHED | UISTATE_CAPTURED));

    Send(button, UIEventType::ButtonDown, outside);
    Send(button, UIEventType::ButtonUp, inside);
    EXPECT_EQ(0, recorder.Count(L"click"));

    Send(button, UIEventType::ButtonDown, inside);
    Send(button, UIEventType::ButtonUp, inside);
    EXPECT_EQ(1, recorder.Count(L"click"));
}

TEST_F(Controls, ButtonKeysClickAndDisablingClearsTheState)
{
    CButtonUI button;
    Place(button, RECT{10, 10, 110, 40});
    EXPECT_EQ(static_cast<UINT>(UIFLAG_TABSTOP | UIFLAG_SETCURSOR), button.GetInputFlags());
    Send(button, UIEventType::KeyDown, POINT{}, VK_SPACE);
    Send(button, UIEventType::KeyDown, POINT{}, VK_RETURN);
    Send(button, UIEventType::KeyDown, POINT{}, L'A');
    EXPECT_EQ(2, recorder.Count(L"click"));

    Send(button, UIEventType::MouseEnter, POINT{50, 20});
    Send(button, UIEventType::ButtonDown, POINT{50, 20});
    EXPECT_EQ(static_cast<UINT>(UISTATE_HOT | UISTATE_PUSHED | UISTATE_CAPTURED),
              button.GetButtonState());
    button.SetEnabled(false);
    EXPECT_EQ(0u, button.GetButtonState());
    Send(button, UIEventType::KeyDown, POINT{}, VK_SPACE);
    Send(button, UIEventType::ButtonDown, POINT{50, 20});
    Send(button, UIEventType::ButtonUp, POINT{50, 20});
    EXPECT_EQ(2, recorder.Count(L"click"));
    EXPECT_FALSE(button.Activate());

    button.SetEnabled(true);
    button.SetMenuEnabled(true);
    Send(button, UIEventType::ContextMenu, POINT{50, 20});
    EXPECT_EQ(1, recorder.Count(L"menu"));
}

TEST_F(Controls, ButtonPaintsTheImageOfItsState)
{
    CButtonUI button;
    Place(button, RECT{0, 0, 40, 20});
    button.SetAttribute(L"normalimage", L"red.png");
    button.SetAttribute(L"pushedimage", L"blue.png");
    Paint(button);
    EXPECT_EQ(800, CountIn(RECT{0, 0, 40, 20}, 0xFF0000));

    // No hot image: the normal one.
    Send(button, UIEventType::MouseEnter, POINT{5, 5});
    Paint(button);
    EXPECT_EQ(800, CountIn(RECT{0, 0, 40, 20}, 0xFF0000));

    Send(button, UIEventType::ButtonDown, POINT{5, 5});
    Paint(button);
    EXPECT_EQ(800, CountIn(RECT{0, 0, 40, 20}, 0x0000FF));
    Send(button, UIEventType::ButtonUp, POINT{5, 5});

    // Hot with a hot colour and no hot fore image: the colour over the image, no fore image.
    button.SetAttribute(L"hotimage", L"green.png");
    button.SetAttribute(L"foreimage", L"file='small.png' dest='0,0,2,2'");
    button.SetAttribute(L"hotbkcolor", L"#FF808080");
    Paint(button);
    EXPECT_EQ(800, CountIn(RECT{0, 0, 40, 20}, 0x808080));

    // Not hot: normal image, then the fore image.
    Send(button, UIEventType::MouseLeave, POINT{100, 100});
    Paint(button);
    EXPECT_EQ(4, CountIn(RECT{0, 0, 40, 20}, 0xFFFF00));
    EXPECT_EQ(796, CountIn(RECT{0, 0, 40, 20}, 0xFF0000));

    button.SetEnabled(false);
    Paint(button);
    EXPECT_EQ(796, CountIn(RECT{0, 0, 40, 20}, 0xFF0000));
}

TEST_F(Controls, ButtonTextTakesThePushedColour)
{
    CButtonUI button;
    Place(button, RECT{0, 0, 120, 30});
    button.SetText(L"MMMM");
    button.SetAttribute(L"textcolor", L"#FFFFFFFF");
    button.SetAttribute(L"pushedtextcolor", L"#FF00FF00");
    Paint(button);
    EXPECT_GT(CountIn(RECT{0, 0, 120, 30}, 0xFFFFFF), 5);
    Send(button, UIEventType::ButtonDown, POINT{5, 5});
    Paint(button);
    EXPECT_GT(CountIn(RECT{0, 0, 120, 30}, 0x00FF00), 5);
    EXPECT_EQ(0, CountIn(RECT{0, 0, 120, 30}, 0xFFFFFF));
}

// ---- Progress bar -------------------------------------------------------------------------------

TEST_F(Controls, ProgressFillsItsShareAndClampsTheValue)
{
    ProbeProgress bar;
    Place(bar, RECT{0, 0, 200, 12});
    EXPECT_EQ(12, bar.GetFixedHeight());
    bar.SetAttribute(L"foreimage", L"green.png");
    bar.SetAttribute(L"value", L"50");
    Paint(bar);
    EXPECT_EQ(100 * 12, CountIn(RECT{0, 0, 200, 12}, 0x00FF00));
    EXPECT_EQ(0, CountIn(RECT{100, 0, 200, 12}, 0x00FF00));

    bar.SetValue(150);
    Paint(bar);
    EXPECT_EQ(200 * 12, CountIn(RECT{0, 0, 200, 12}, 0x00FF00));
    EXPECT_EQ(100, bar.GetValue());
    bar.SetValue(-5);
    Paint(bar);
    EXPECT_EQ(0, CountIn(RECT{0, 0, 200, 12}, 0x00FF00));
    EXPECT_EQ(0, bar.GetValue());

    bar.SetMinValue(10);
    bar.SetMaxValue(10);
    Paint(bar);
    EXPECT_EQ(11, bar.GetMaxValue());

    // A range whose product with the width overflows 32 bits still paints its share.
    bar.SetMinValue(0);
    bar.SetMaxValue(2000000000);
    bar.SetValue(1000000000);
    Paint(bar);
    EXPECT_EQ(100 * 12, CountIn(RECT{0, 0, 200, 12}, 0x00FF00));
}

TEST_F(Controls, VerticalProgressFillsFromTheBottomAndKeepsItsImage)
{
    ProbeProgress bar;
    Place(bar, RECT{0, 0, 10, 80});
    bar.SetAttribute(L"hor", L"false");
    bar.SetAttribute(L"foreimage", L"green.png");
    bar.SetAttribute(L"value", L"25");
    Paint(bar);
    EXPECT_EQ(10 * 20, CountIn(RECT{0, 0, 10, 80}, 0x00FF00));
    EXPECT_EQ(10 * 20, CountIn(RECT{0, 60, 10, 80}, 0x00FF00));

    CUIImageInfo* info = bar.ForeInfo();
    ASSERT_NE(nullptr, info);
    bar.SetAttribute(L"foreimage", L"green.png");
    EXPECT_EQ(info, bar.ForeInfo());
    bar.SetAttribute(L"foreimage", L"red.png");
    EXPECT_EQ(nullptr, bar.ForeInfo());
}

// ---- Through a real window's messages -----------------------------------------------------------

TEST(ControlsInAWindow, ButtonAndTextReactToTheWindowsMouseAndKeyMessages)
{
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    {
        CUIWindowManager manager;
        manager.AttachWindow(window);
        Recorder recorder;
        manager.AddNotifier(&recorder);
        CButtonUI* button = new CButtonUI;
        ASSERT_TRUE(manager.AttachRootControl(button));
        button->SetPos(RECT{10, 10, 110, 40}, false);

        LRESULT result = 0;
        auto send = [&](UINT msg, int x, int y, WPARAM wParam = 0) {
            manager.HandleWindowMessage(msg, wParam, MAKELPARAM(x, y), result);
        };
        send(WM_LBUTTONDOWN, 50, 20, MK_LBUTTON);
        send(WM_LBUTTONUP, 50, 20);
        EXPECT_EQ(1, recorder.Count(L"click"));

        send(WM_LBUTTONDOWN, 50, 20, MK_LBUTTON);
        send(WM_MOUSEMOVE, 150, 80, MK_LBUTTON);
        EXPECT_FALSE(button->GetButtonState() & UISTATE_PUSHED);
        send(WM_LBUTTONUP, 150, 80);
        EXPECT_EQ(1, recorder.Count(L"click"));

        // The clicked button has the focus: Enter activates it.
        ASSERT_EQ(button, manager.GetFocusedControl());
        manager.HandleWindowMessage(WM_KEYDOWN, VK_RETURN, 0, result);
        EXPECT_EQ(2, recorder.Count(L"click"));
        manager.RemoveNotifier(&recorder);
    }
    ::DestroyWindow(window);
}

TEST(ControlsInAWindow, TextRepaintsOncePerChangeOfHoveredLink)
{
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    // Only a shown window collects an update region.
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    {
        CUIWindowManager manager;
        manager.AttachWindow(window);
        CTextUI* text = new CTextUI;
        ASSERT_TRUE(manager.AttachRootControl(text));
        text->SetPos(RECT{0, 0, 300, 60}, false);
        text->SetAttribute(L"showhtml", L"true");
        text->SetText(L"<a one>First link</a> gap <a two>Second link</a>");
        Canvas canvas(300, 100);
        text->Paint(canvas.Dc(), RECT{0, 0, 300, 100});
        ASSERT_EQ(2, text->GetLinkCount());

        LRESULT result = 0;
        auto moveTo = [&](POINT pt) {
            ::ValidateRect(window, nullptr);
            manager.HandleWindowMessage(WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y), result);
            RECT dirty;
            return ::GetUpdateRect(window, &dirty, FALSE) != FALSE;
        };
        const RECT first = text->GetLinkRect(0);
        const RECT second = text->GetLinkRect(1);
        const int y = (first.top + first.bottom) / 2;
        EXPECT_TRUE(moveTo(POINT{first.left + 2, y}));
        EXPECT_FALSE(moveTo(POINT{first.right - 2, y}));
        EXPECT_TRUE(moveTo(POINT{second.left + 2, y}));
        EXPECT_TRUE(moveTo(POINT{second.right + 5, y}));
        EXPECT_FALSE(moveTo(POINT{second.right + 8, y}));
    }
    ::DestroyWindow(window);
}
