// The scroll bar: part geometry, stepping, auto-repeat, thumb dragging and painting.

#include "core/UIContainer.h"
#include "core/UIManager.h"
#include "core/UIScrollBar.h"

#include <gtest/gtest.h>

#include "controls_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace controlstest;
using namespace rendertest;

namespace {

const UINT kPushed = 0x10;
const UINT kHot = 0x08;
const UINT kDisabled = 0x04;

void Send(CControlUI& control, int type, POINT pt = {0, 0}, WPARAM wParam = 0)
{
    UIEvent event = MakeEvent(type, pt, wParam);
    control.HandleEvent(event);
}

void Tick(CControlUI& control)
{
    Send(control, UIEventType::Timer, {0, 0}, CScrollBarUI::kRepeatTimerId);
}

} // namespace

// ---- Geometry -----------------------------------------------------------------------------------

TEST(ScrollBarGeometry, ThumbLengthAndPlaceFollowRangeAndPosition)
{
    CScrollBarUI bar;
    EXPECT_EQ(16, bar.GetFixedWidth());
    bar.SetScrollRange(300);
    bar.SetPos(RECT{0, 0, 16, 200});
    EXPECT_TRUE(SameRect(RECT{0, 0, 16, 16}, bar.GetButton1Rect())) << bar.GetButton1Rect();
    EXPECT_TRUE(SameRect(RECT{0, 184, 16, 200}, bar.GetButton2Rect())) << bar.GetButton2Rect();
    EXPECT_TRUE(SameRect(RECT{0, 16, 16, 83}, bar.GetThumbRect())) << bar.GetThumbRect();

    bar.SetScrollPos(300);
    EXPECT_EQ(184, bar.GetThumbRect().bottom) << "the end puts the thumb on button 2";
    EXPECT_EQ(67, bar.GetThumbRect().bottom - bar.GetThumbRect().top);

    bar.SetScrollRange(0);
    EXPECT_EQ(0, bar.GetScrollPos());
    EXPECT_TRUE(SameRect(RECT{0, 16, 16, 184}, bar.GetThumbRect())) << bar.GetThumbRect();
}

TEST(ScrollBarGeometry, ShortBarHasNoThumbAndHalfSizedButtons)
{
    CScrollBarUI bar;
    bar.SetPos(RECT{0, 0, 16, 20});
    const RECT thumb = bar.GetThumbRect();
    EXPECT_TRUE(::IsRectEmpty(&thumb));
    EXPECT_TRUE(SameRect(RECT{0, 0, 16, 10}, bar.GetButton1Rect())) << bar.GetButton1Rect();
    EXPECT_TRUE(SameRect(RECT{0, 10, 16, 20}, bar.GetButton2Rect())) << bar.GetButton2Rect();
}

TEST(ScrollBarGeometry, HorizontalBarAndHiddenButtons)
{
    CScrollBarUI bar;
    bar.SetAttribute(L"hor", L"true");
    EXPECT_EQ(0, bar.GetFixedWidth());
    EXPECT_EQ(16, bar.GetFixedHeight());
    bar.SetAttribute(L"range", L"300");
    bar.SetPos(RECT{10, 50, 210, 66});
    EXPECT_TRUE(SameRect(RECT{10, 50, 26, 66}, bar.GetButton1Rect())) << bar.GetButton1Rect();
    EXPECT_TRUE(SameRect(RECT{194, 50, 210, 66}, bar.GetButton2Rect()));
    EXPECT_TRUE(SameRect(RECT{26, 50, 93, 66}, bar.GetThumbRect())) << bar.GetThumbRect();

    bar.SetAttribute(L"showbutton1", L"false");
    EXPECT_TRUE(SameRect(RECT{10, 50, 10, 50}, bar.GetButton1Rect())) << bar.GetButton1Rect();
    EXPECT_EQ(10, bar.GetThumbRect().left);
}

TEST(ScrollBarGeometry, PositionIsClampedToTheRange)
{
    CScrollBarUI bar;
    bar.SetScrollPos(-5);
    EXPECT_EQ(0, bar.GetScrollPos());
    bar.SetScrollPos(1000);
    EXPECT_EQ(100, bar.GetScrollPos());
    bar.SetAttribute(L"range", L"-20");
    EXPECT_EQ(0, bar.GetScrollRange());
    EXPECT_EQ(0, bar.GetScrollPos());
    bar.SetAttribute(L"range", L"50");
    bar.SetAttribute(L"value", L"20");
    EXPECT_EQ(20, bar.GetScrollPos());
    bar.SetScrollRange(10);
    EXPECT_EQ(10, bar.GetScrollPos()) << "lowered with the range";
}

// ---- Input --------------------------------------------------------------------------------------

class StandAloneBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        manager.AddNotifier(&recorder);
        manager.AttachRootControl(bar);
        bar->SetScrollRange(300);
        bar->SetPos(RECT{0, 0, 16, 200});
    }

    Recorder recorder;
    CUIWindowManager manager;
    CScrollBarUI* bar = new CScrollBarUI;
};

TEST_F(StandAloneBar, HoldingButtonTwoStepsAtOnceThenRepeatsFromTheSixthTick)
{
    Send(*bar, UIEventType::ButtonDown, {8, 190});
    EXPECT_EQ(8, bar->GetScrollPos());
    EXPECT_TRUE(bar->GetButton2State() & kPushed);
    EXPECT_EQ(1, recorder.Count(L"scroll"));

    for (int i = 0; i < 5; ++i)
        Tick(*bar);
    EXPECT_EQ(8, bar->GetScrollPos()) << "250 ms before the repeat starts";
    EXPECT_EQ(1, recorder.Count(L"scroll"));
    Tick(*bar);
    EXPECT_EQ(16, bar->GetScrollPos());
    Tick(*bar);
    EXPECT_EQ(24, bar->GetScrollPos());
    EXPECT_EQ(3, recorder.Count(L"scroll"));
    EXPECT_EQ(bar, recorder.senders.back());

    Send(*bar, UIEventType::ButtonUp, {8, 190});
    EXPECT_FALSE(bar->GetButton2State() & kPushed);
    EXPECT_EQ(3, recorder.Count(L"scroll")) << "release raises nothing";

    bar->SetLineSize(5);
    Send(*bar, UIEventType::ButtonDown, {8, 5});
    EXPECT_EQ(19, bar->GetScrollPos());
    EXPECT_TRUE(bar->GetButton1State() & kPushed);
    Send(*bar, UIEventType::ButtonUp, {8, 5});
}

TEST_F(StandAloneBar, TrackClicksPageByTheBarLength)
{
    bar->SetScrollPos(150);
    const RECT thumb = bar->GetThumbRect();
    Send(*bar, UIEventType::ButtonDown, {8, thumb.bottom + 5});
    EXPECT_EQ(300, bar->GetScrollPos());
    Send(*bar, UIEventType::ButtonUp, {8, 180});
    Send(*bar, UIEventType::ButtonDown, {8, 20});
    EXPECT_EQ(100, bar->GetScrollPos());
    Send(*bar, UIEventType::ButtonUp, {8, 20});
    EXPECT_EQ(2, recorder.Count(L"scroll"));
}

TEST_F(StandAloneBar, DraggingTheThumbAppliesTheOffsetOnTheNextTick)
{
    Send(*bar, UIEventType::ButtonDown, {8, 50});
    EXPECT_TRUE(bar->GetThumbState() & kPushed);
    // Movable length 200 - 67 - 2 x 16 = 101 pixels for a range of 300.
    Send(*bar, UIEventType::MouseMove, {8, 134});
    EXPECT_EQ(0, bar->GetScrollPos());
    Tick(*bar);
    EXPECT_EQ(249, bar->GetScrollPos());
    Send(*bar, UIEventType::MouseMove, {8, 0});
    Tick(*bar);
    EXPECT_EQ(0, bar->GetScrollPos()) << "dragging above the start clamps at 0";
    Send(*bar, UIEventType::ButtonUp, {8, 0});
    EXPECT_FALSE(bar->GetThumbState() & kPushed);
    Send(*bar, UIEventType::MouseMove, {8, 150});
    Tick(*bar);
    EXPECT_EQ(0, bar->GetScrollPos()) << "released: no more dragging";
}

TEST_F(StandAloneBar, DraggingAThumbThatFillsTheTrackIsIgnored)
{
    bar->SetScrollRange(0);
    Send(*bar, UIEventType::ButtonDown, {8, 100});
    ASSERT_TRUE(bar->GetThumbState() & kPushed);
    Send(*bar, UIEventType::MouseMove, {8, 150});
    Tick(*bar);
    EXPECT_EQ(0, bar->GetScrollPos());
    Send(*bar, UIEventType::ButtonUp, {8, 150});
}

TEST_F(StandAloneBar, HoverStatesAndDisabledBar)
{
    Send(*bar, UIEventType::MouseEnter, {8, 30});
    EXPECT_TRUE(bar->GetButton1State() & kHot);
    EXPECT_TRUE(bar->GetButton2State() & kHot);
    EXPECT_TRUE(bar->GetThumbState() & kHot);
    Send(*bar, UIEventType::MouseMove, {8, 150});
    EXPECT_FALSE(bar->GetThumbState() & kHot);
    Send(*bar, UIEventType::MouseLeave, {8, 300});
    EXPECT_EQ(0u, bar->GetButton1State() | bar->GetButton2State() | bar->GetThumbState());

    bar->SetEnabled(false);
    Send(*bar, UIEventType::ButtonDown, {8, 190});
    EXPECT_EQ(0, bar->GetScrollPos());
    EXPECT_EQ(0, recorder.Count(L"scroll"));
    Send(*bar, UIEventType::MouseEnter, {8, 30});
    EXPECT_EQ(0u, bar->GetButton1State());
}

TEST(OwnedBar, StepsScrollTheOwnerAndRaiseNothing)
{
    Recorder recorder;
    CUIWindowManager manager;
    manager.AddNotifier(&recorder);
    CContainerUI* container = new CContainerUI;
    manager.AttachRootControl(container);
    container->EnableScrollBars(true, false);
    CScrollBarUI* bar = container->GetVerticalScrollBar();
    Probe* child = new Probe;
    child->SetMinHeight(200);
    container->Add(child);
    container->SetPos(RECT{0, 0, 100, 100});
    ASSERT_EQ(100, bar->GetScrollRange());

    const int line = 8 + manager.GetDefaultFontEntry()->tm.tmHeight;
    Send(*bar, UIEventType::ButtonDown, {90, 95});
    EXPECT_EQ(line, bar->GetScrollPos());
    EXPECT_EQ(-line, child->GetY()) << "the owner moved its children";
    Send(*bar, UIEventType::ButtonUp, {90, 95});

    const RECT thumb = bar->GetThumbRect();
    Send(*bar, UIEventType::ButtonDown, {90, thumb.top + 1});
    Send(*bar, UIEventType::MouseMove, {90, 99});
    Tick(*bar);
    EXPECT_EQ(100, container->GetScrollPos().cy);
    EXPECT_EQ(-100, child->GetY());
    Send(*bar, UIEventType::ButtonUp, {90, 99});
    EXPECT_EQ(0, recorder.Count(L"scroll"));
}

// ---- Painting -----------------------------------------------------------------------------------

TEST(ScrollBarPainting, PartColoursFillTheirRects)
{
    Canvas canvas(16, 200, 0xFF000000);
    CUIWindowManager manager;
    CScrollBarUI* bar = new CScrollBarUI;
    manager.AttachRootControl(bar);
    bar->SetAttribute(L"range", L"300");
    bar->SetAttribute(L"button1color", L"#FFFF0000");
    bar->SetAttribute(L"button2color", L"FF00FF00");
    bar->SetAttribute(L"thumbcolor", L"#FF0000FF");
    bar->SetPos(RECT{0, 0, 16, 200});
    bar->Paint(canvas.Dc(), RECT{0, 0, 16, 200});
    EXPECT_EQ(0xFF0000u, canvas.Rgb(8, 8));
    EXPECT_EQ(0x00FF00u, canvas.Rgb(8, 192));
    EXPECT_EQ(0x0000FFu, canvas.Rgb(8, 50));
    EXPECT_EQ(0u, canvas.Rgb(8, 120)) << "the track has no colour";

    canvas.Fill(0xFF000000);
    bar->SetShowButton1(false);
    bar->Paint(canvas.Dc(), RECT{0, 0, 16, 200});
    EXPECT_EQ(0x0000FFu, canvas.Rgb(8, 8)) << "the thumb starts at the top";
}

TEST(ScrollBarPainting, DisabledBarMarksEveryPartDisabled)
{
    Canvas canvas(16, 200, 0xFF000000);
    CScrollBarUI bar;
    bar.SetPos(RECT{0, 0, 16, 200});
    bar.SetEnabled(false);
    bar.Paint(canvas.Dc(), RECT{0, 0, 16, 200});
    EXPECT_TRUE(bar.GetButton1State() & kDisabled);
    EXPECT_TRUE(bar.GetThumbState() & kDisabled);
    bar.SetEnabled(true);
    bar.Paint(canvas.Dc(), RECT{0, 0, 16, 200});
    EXPECT_FALSE(bar.GetButton2State() & kDisabled);
}

TEST(ScrollBarPainting, StateImagesFallBackToTheNormalImage)
{
    const std::wstring folder = MakeTestFolder(L"qix_controls_scrollbar");
    const auto solid = [](Rgba colour) { return EncodePng(16, 16, std::vector<Rgba>(256, colour)); };
    ASSERT_TRUE(WriteBytes(folder + L"green.png", solid({0, 255, 0, 255})));
    ASSERT_TRUE(WriteBytes(folder + L"blue.png", solid({0, 0, 255, 255})));
    CUIWindowManager::SetResourceFolder(folder.c_str());
    CUIWindowManager::SetResourceZipFile(L"", true);

    Canvas canvas(16, 200, 0xFF000000);
    CUIWindowManager manager;
    CScrollBarUI* bar = new CScrollBarUI;
    manager.AttachRootControl(bar);
    bar->SetAttribute(L"button1normalimage", L"green.png");
    bar->SetAttribute(L"button1hotimage", L"missing.png");
    bar->SetAttribute(L"button1pushedimage", L"blue.png");
    bar->SetPos(RECT{0, 0, 16, 200});

    bar->Paint(canvas.Dc(), RECT{0, 0, 16, 200});
    EXPECT_EQ(0x00FF00u, canvas.Rgb(8, 8));
    EXPECT_EQ(0u, canvas.Rgb(8, 30)) << "the image stays in the button";

    Send(*bar, UIEventType::MouseEnter, {8, 8});
    bar->Paint(canvas.Dc(), RECT{0, 0, 16, 200});
    EXPECT_EQ(0x00FF00u, canvas.Rgb(8, 8)) << "a hot image that cannot load falls back";

    Send(*bar, UIEventType::ButtonDown, {8, 8});
    bar->Paint(canvas.Dc(), RECT{0, 0, 16, 200});
    EXPECT_EQ(0x0000FFu, canvas.Rgb(8, 8));
    Send(*bar, UIEventType::ButtonUp, {8, 8});
}
