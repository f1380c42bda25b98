// Vertical and horizontal layouts: stacking, stretching, scroll bars and separator dragging.

#include "core/UILayouts.h"
#include "core/UIManager.h"
#include "core/UIScrollBar.h"

#include <gtest/gtest.h>

#include "controls_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace controlstest;
using namespace rendertest;

namespace {

Probe* AddChild(CContainerUI& layout, int fixedHeight = 0, int fixedWidth = 0)
{
    Probe* child = new Probe;
    child->SetFixedHeight(fixedHeight);
    child->SetFixedWidth(fixedWidth);
    layout.Add(child);
    return child;
}

void Send(CControlUI& control, int type, POINT pt)
{
    UIEvent event = MakeEvent(type, pt);
    control.HandleEvent(event);
}

} // namespace

// ---- Vertical stacking --------------------------------------------------------------------------

TEST(VerticalLayout, StretchableChildrenShareWhatFixedOnesLeave)
{
    CVerticalLayoutUI layout;
    layout.SetChildPadding(4);
    Probe* fixed = AddChild(layout, 20);
    Probe* second = AddChild(layout);
    Probe* last = AddChild(layout);
    layout.SetManager(nullptr, nullptr, false);
    layout.SetPos(RECT{0, 0, 50, 100});

    EXPECT_TRUE(SameRect(RECT{0, 0, 50, 20}, fixed->GetPos())) << fixed->GetPos();
    EXPECT_TRUE(SameRect(RECT{0, 24, 50, 60}, second->GetPos())) << second->GetPos();
    // The last one gets the remaining 36 less the child padding still in the fixed total.
    EXPECT_TRUE(SameRect(RECT{0, 64, 50, 92}, last->GetPos())) << last->GetPos();
}

TEST(VerticalLayout, PaddingsInsetAndWidths)
{
    CVerticalLayoutUI layout;
    layout.SetAttribute(L"inset", L"10,5,10,5");
    Probe* padded = AddChild(layout, 30);
    padded->SetPadding(RECT{3, 2, 4, 5});
    Probe* narrow = AddChild(layout, 10, 25);
    Probe* limited = AddChild(layout, 10);
    limited->SetMaxWidth(40);
    limited->SetMinHeight(15);
    layout.SetManager(nullptr, nullptr, false);
    layout.SetPos(RECT{0, 0, 100, 200});

    // The bottom padding lies inside the child's rect, the right padding does not.
    EXPECT_TRUE(SameRect(RECT{13, 7, 86, 42}, padded->GetPos())) << padded->GetPos();
    EXPECT_TRUE(SameRect(RECT{10, 42, 35, 52}, narrow->GetPos())) << narrow->GetPos();
    EXPECT_TRUE(SameRect(RECT{10, 52, 50, 67}, limited->GetPos())) << limited->GetPos();
}

TEST(VerticalLayout, InvisibleAndFloatChildrenTakeNoSpace)
{
    CVerticalLayoutUI layout;
    layout.SetChildPadding(10);
    Probe* top = AddChild(layout, 20);
    Probe* hidden = AddChild(layout, 20);
    hidden->SetVisible(false);
    Probe* floating = AddChild(layout);
    floating->SetAttribute(L"float", L"true");
    floating->SetAttribute(L"pos", L"5,5,15,15");
    Probe* bottom = AddChild(layout);
    layout.SetManager(nullptr, nullptr, false);
    layout.SetPos(RECT{0, 0, 50, 100});

    EXPECT_EQ(0, top->GetY());
    // The last stretchable child's share still has the one child padding taken off.
    EXPECT_TRUE(SameRect(RECT{0, 30, 50, 90}, bottom->GetPos())) << bottom->GetPos();
    EXPECT_TRUE(SameRect(RECT{5, 5, 15, 15}, floating->GetPos())) << floating->GetPos();
}

TEST(VerticalLayout, OverflowShowsTheBarAndLaysOutAgainNarrower)
{
    CUIWindowManager manager;
    CVerticalLayoutUI* layout = new CVerticalLayoutUI;
    manager.AttachRootControl(layout);
    layout->SetAttribute(L"vscrollbar", L"true");
    Probe* a = AddChild(*layout);
    Probe* b = AddChild(*layout);
    a->SetMinHeight(80);
    b->SetMinHeight(80);
    layout->SetPos(RECT{0, 0, 100, 100});

    CScrollBarUI* bar = layout->GetVerticalScrollBar();
    ASSERT_NE(nullptr, bar);
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_EQ(60, bar->GetScrollRange()) << "a minimum above the share overflows";
    EXPECT_TRUE(SameRect(RECT{84, 0, 100, 100}, bar->GetPos())) << bar->GetPos();
    EXPECT_TRUE(SameRect(RECT{0, 0, 84, 80}, a->GetPos())) << a->GetPos();
    EXPECT_TRUE(SameRect(RECT{0, 80, 84, 160}, b->GetPos())) << b->GetPos();

    layout->ScrollToBottom();
    EXPECT_EQ(-60, a->GetY());
    layout->SetPos(RECT{0, 0, 100, 100});
    EXPECT_EQ(-60, a->GetY()) << "a new layout keeps the scroll position";

    layout->SetPos(RECT{0, 0, 100, 300});
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(0, bar->GetScrollPos());
    EXPECT_TRUE(SameRect(RECT{0, 0, 100, 150}, a->GetPos())) << "the full width again" << a->GetPos();
}

TEST(VerticalLayout, InterfacesAndInputFlags)
{
    CVerticalLayoutUI layout;
    EXPECT_STREQ(L"VerticalLayoutUI", layout.GetClass());
    EXPECT_EQ(&layout, layout.AsInterface(L"VerticalLayout"));
    EXPECT_EQ(static_cast<CContainerUI*>(&layout), layout.AsInterface(L"Container"));
    EXPECT_EQ(nullptr, layout.AsInterface(L"HorizontalLayout"));
    EXPECT_EQ(0u, layout.GetInputFlags());
    layout.SetAttribute(L"sepheight", L"-4");
    EXPECT_EQ(-4, layout.GetSepHeight());
    EXPECT_EQ(static_cast<UINT>(UIFLAG_SETCURSOR), layout.GetInputFlags());
    layout.SetEnabled(false);
    EXPECT_EQ(0u, layout.GetInputFlags());
}

// ---- Horizontal lining up -----------------------------------------------------------------------

TEST(HorizontalLayout, StretchableChildrenShareTheWidth)
{
    CHorizontalLayoutUI layout;
    layout.SetChildPadding(4);
    Probe* fixed = AddChild(layout, 0, 20);
    Probe* second = AddChild(layout);
    Probe* last = AddChild(layout, 30);
    layout.SetManager(nullptr, nullptr, false);
    layout.SetPos(RECT{0, 0, 100, 50});

    EXPECT_TRUE(SameRect(RECT{0, 0, 20, 50}, fixed->GetPos())) << fixed->GetPos();
    EXPECT_TRUE(SameRect(RECT{24, 0, 60, 50}, second->GetPos())) << second->GetPos();
    EXPECT_TRUE(SameRect(RECT{64, 0, 92, 30}, last->GetPos())) << last->GetPos();
    EXPECT_STREQ(L"HorizontalLayoutUI", layout.GetClass());
    EXPECT_EQ(&layout, layout.AsInterface(L"HorizontalLayout"));
}

TEST(HorizontalLayout, RightPaddingLiesInsideTheChildsRect)
{
    CHorizontalLayoutUI layout;
    Probe* padded = AddChild(layout, 0, 30);
    padded->SetPadding(RECT{2, 3, 5, 4});
    Probe* next = AddChild(layout, 0, 10);
    layout.SetManager(nullptr, nullptr, false);
    layout.SetPos(RECT{0, 0, 100, 50});
    EXPECT_TRUE(SameRect(RECT{2, 3, 37, 46}, padded->GetPos())) << padded->GetPos();
    EXPECT_TRUE(SameRect(RECT{37, 0, 47, 50}, next->GetPos())) << next->GetPos();
}

// ---- Separator dragging -------------------------------------------------------------------------

class SeparatorDrag : public ::testing::Test
{
protected:
    void SetUp() override
    {
        manager.AttachMemoryDC(canvas.Dc());
        manager.AttachRootControl(root);
        root->SetBackColor(0xFFFFFFFF);
        pane = new CVerticalLayoutUI;
        pane->SetFixedHeight(50);
        pane->SetAttribute(L"sepheight", L"4");
        root->Add(pane);
        side = new CHorizontalLayoutUI;
        side->SetFixedHeight(50);
        side->SetAttribute(L"sepwidth", L"4");
        side->SetAttribute(L"maxwidth", L"150");
        root->Add(side);
        Paint();
        ASSERT_TRUE(SameRect(RECT{0, 0, 200, 50}, pane->GetPos())) << pane->GetPos();
    }

    void Paint() { ASSERT_TRUE(manager.PaintMemoryDC(RECT{0, 0, 200, 200})); }

    Canvas canvas{200, 200, 0xFFFFFFFF};
    CUIWindowManager manager;
    CVerticalLayoutUI* root = new CVerticalLayoutUI;
    CVerticalLayoutUI* pane = nullptr;
    CHorizontalLayoutUI* side = nullptr;
};

TEST_F(SeparatorDrag, BottomSeparatorMovesOncePastItsOwnThickness)
{
    pane->SetSepImm(true);
    Send(*pane, UIEventType::ButtonDown, {100, 48});
    Send(*pane, UIEventType::MouseMove, {100, 52});
    EXPECT_EQ(50, pane->GetHeight()) << "still within the tracking bottom plus 4";
    Send(*pane, UIEventType::MouseMove, {100, 56});
    EXPECT_EQ(54, pane->GetHeight());
    EXPECT_EQ(54, pane->GetFixedHeight());
    Send(*pane, UIEventType::ButtonUp, {100, 56});
    Paint();
    EXPECT_TRUE(SameRect(RECT{0, 0, 200, 54}, pane->GetPos())) << pane->GetPos();
    EXPECT_EQ(54, side->GetY()) << "the parent laid out again";
}

TEST_F(SeparatorDrag, PressOutsideTheSeparatorStartsNoDrag)
{
    pane->SetSepImm(true);
    Send(*pane, UIEventType::ButtonDown, {100, 40});
    Send(*pane, UIEventType::MouseMove, {100, 90});
    EXPECT_EQ(50, pane->GetHeight());
    pane->SetEnabled(false);
    Send(*pane, UIEventType::ButtonDown, {100, 48});
    Send(*pane, UIEventType::MouseMove, {100, 90});
    EXPECT_EQ(50, pane->GetHeight());
}

TEST_F(SeparatorDrag, RightSeparatorFollowsAtOnceAndStopsAtTheMaximum)
{
    side->SetSepImm(true);
    ASSERT_TRUE(SameRect(RECT{0, 50, 150, 100}, side->GetPos())) << side->GetPos();
    side->SetFixedWidth(100);
    Paint();
    ASSERT_EQ(100, side->GetWidth());
    Send(*side, UIEventType::ButtonDown, {98, 70});
    Send(*side, UIEventType::MouseMove, {99, 70});
    EXPECT_EQ(101, side->GetWidth()) << "right of the tracking right minus 4";
    Send(*side, UIEventType::MouseMove, {190, 70});
    EXPECT_EQ(150, side->GetWidth()) << "never past the maximum";
    Send(*side, UIEventType::MouseMove, {195, 70});
    EXPECT_EQ(150, side->GetWidth());
    Send(*side, UIEventType::ButtonUp, {195, 70});
    EXPECT_EQ(150, side->GetFixedWidth());
}

TEST_F(SeparatorDrag, DragNeverGoesBelowTheMinimum)
{
    pane->SetSepImm(true);
    pane->SetMinHeight(40);
    Paint();
    Send(*pane, UIEventType::ButtonDown, {100, 48});
    Send(*pane, UIEventType::MouseMove, {100, 10});
    EXPECT_EQ(40, pane->GetHeight());
    Send(*pane, UIEventType::MouseMove, {100, 5});
    EXPECT_EQ(40, pane->GetHeight());
    Send(*pane, UIEventType::ButtonUp, {100, 5});
}

TEST_F(SeparatorDrag, WithoutImmediateModeATrackingBarFollowsUntilRelease)
{
    Send(*pane, UIEventType::ButtonDown, {100, 48});
    Send(*pane, UIEventType::MouseMove, {100, 80});
    EXPECT_EQ(50, pane->GetHeight()) << "the layout keeps its size while dragging";
    const RECT tracking = pane->GetSeparatorRect(true);
    EXPECT_TRUE(SameRect(RECT{0, 78, 200, 82}, tracking)) << "the edge moved by 32" << tracking;

    Paint();
    // Black at alpha 0xAA over the white that the root painted there.
    EXPECT_NEAR(0x55, Red(canvas.At(100, 80)), 3);
    EXPECT_EQ(0xFFFFFFu, canvas.Rgb(100, 70));

    Send(*pane, UIEventType::ButtonUp, {100, 80});
    canvas.Fill(0xFFFFFFFF);
    Paint();
    EXPECT_EQ(82, pane->GetHeight());
    EXPECT_EQ(0xFFFFFFu, canvas.Rgb(100, 80)) << "the tracking bar is gone";
}

TEST_F(SeparatorDrag, TopSeparatorMovesTheTopEdge)
{
    side->SetAttribute(L"sepwidth", L"0");
    CVerticalLayoutUI* lower = new CVerticalLayoutUI;
    lower->SetAttribute(L"sepheight", L"-4");
    lower->SetAttribute(L"sepimm", L"true");
    lower->SetFixedHeight(60);
    root->Add(lower);
    Paint();
    ASSERT_TRUE(SameRect(RECT{0, 100, 200, 160}, lower->GetPos())) << lower->GetPos();
    EXPECT_TRUE(SameRect(RECT{0, 100, 200, 104}, lower->GetSeparatorRect(false)));

    Send(*lower, UIEventType::ButtonDown, {100, 101});
    Send(*lower, UIEventType::MouseMove, {100, 91});
    EXPECT_TRUE(SameRect(RECT{0, 90, 200, 160}, lower->GetPos())) << lower->GetPos();
    EXPECT_EQ(70, lower->GetFixedHeight());
    Send(*lower, UIEventType::ButtonUp, {100, 91});
}
