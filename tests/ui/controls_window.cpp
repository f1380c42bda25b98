// Controls in a real window: mouse messages through the window manager, its timers and
// its painting.

#include "core/UILayouts.h"
#include "core/UIManager.h"
#include "core/UIScrollBar.h"

#include <gtest/gtest.h>

#include "controls_support.h"
#include "manager_support.h"

using namespace QxUI;
using namespace controlstest;
using namespace managertest;

namespace {

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

// A window of 200 x 120 whose root lines up a stretchable control and the tested control.
class ControlWindow : public ::testing::Test
{
protected:
    void OpenWith(CControlUI* tested)
    {
        host.manager.AddNotifier(&recorder);
        root->Add(new CControlUI);
        root->Add(tested);
        ASSERT_TRUE(host.Open(200, 120));
        host.manager.AttachRootControl(root);
        ::RedrawWindow(host.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Pump();
        ASSERT_FALSE(::IsRectEmpty(&tested->GetPos())) << "laid out by the first paint";
    }

    void Mouse(UINT msg, int x, int y, WPARAM keys = 0)
    {
        ::SendMessageW(host.GetHandle(), msg, keys, At(x, y));
    }

    Recorder recorder;
    HostWnd host;
    CHorizontalLayoutUI* root = new CHorizontalLayoutUI;
};

} // namespace

TEST_F(ControlWindow, HeldScrollBarButtonRepeatsOnTheManagersTimerUntilReleased)
{
    CScrollBarUI* bar = new CScrollBarUI;
    bar->SetScrollRange(300);
    OpenWith(bar);
    ASSERT_TRUE(SameRect(RECT{184, 0, 200, 120}, bar->GetPos())) << bar->GetPos();

    Mouse(WM_LBUTTONDOWN, 192, 115, MK_LBUTTON);
    EXPECT_EQ(8, bar->GetScrollPos());
    EXPECT_TRUE(PumpUntil([&] { return bar->GetScrollPos() >= 24; }))
        << "the 50 ms timer repeats the step; position " << bar->GetScrollPos();
    EXPECT_GE(recorder.Count(L"scroll"), 3);

    Mouse(WM_LBUTTONUP, 192, 115);
    const int released = bar->GetScrollPos();
    // The manager hands a stopped timer's ticks, even queued ones, to no control.
    EXPECT_FALSE(host.manager.StopTimer(bar, CScrollBarUI::kRepeatTimerId)) << "the timer stopped with the release";
    Pump();
    EXPECT_EQ(released, bar->GetScrollPos());
}

TEST_F(ControlWindow, SeparatorDragThroughMouseMessagesResizesTheLayout)
{
    CVerticalLayoutUI* column = new CVerticalLayoutUI;
    column->SetFixedWidth(60);
    CVerticalLayoutUI* pane = new CVerticalLayoutUI;
    pane->SetAttribute(L"sepheight", L"4");
    pane->SetFixedHeight(50);
    column->Add(pane);
    column->Add(new CControlUI);
    OpenWith(column);
    ASSERT_TRUE(SameRect(RECT{140, 0, 200, 50}, pane->GetPos())) << pane->GetPos();

    Mouse(WM_MOUSEMOVE, 170, 48);
    Mouse(WM_LBUTTONDOWN, 170, 48, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 170, 60, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 170, 80, MK_LBUTTON);
    EXPECT_EQ(50, pane->GetHeight()) << "a tracking bar only, until the release";
    Mouse(WM_LBUTTONUP, 170, 80);
    ::RedrawWindow(host.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_EQ(82, pane->GetHeight());
    EXPECT_EQ(82, column->GetItemAt(1)->GetY()) << "the sibling moved down";
}

TEST_F(ControlWindow, WheelScrollsAnOverflowingLayout)
{
    CVerticalLayoutUI* list = new CVerticalLayoutUI;
    list->SetFixedWidth(80);
    list->SetAttribute(L"vscrollbar", L"true");
    for (int i = 0; i < 6; ++i) {
        CControlUI* row = new CControlUI;
        row->SetFixedHeight(40);
        list->Add(row);
    }
    OpenWith(list);
    CScrollBarUI* bar = list->GetVerticalScrollBar();
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(120, bar->GetScrollRange());

    POINT pt = {150, 60};
    ::ClientToScreen(host.GetHandle(), &pt);
    ::SendMessageW(host.GetHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                   MAKELPARAM(pt.x, pt.y));
    Pump();
    const int line = 8 + host.manager.GetDefaultFontEntry()->tm.tmHeight;
    EXPECT_EQ(line, list->GetScrollPos().cy);
    EXPECT_EQ(-line, list->GetItemAt(0)->GetY());
}
