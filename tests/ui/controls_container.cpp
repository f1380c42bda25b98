// The container base: ownership of children, visibility, scrolling, hit tests and painting.

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

CControlUI* CALLBACK HitTest(CControlUI* control, LPVOID data)
{
    return ::PtInRect(&control->GetPos(), *static_cast<POINT*>(data)) ? control : nullptr;
}

CControlUI* Hit(CControlUI& root, POINT pt)
{
    return root.FindControl(HitTest, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

} // namespace

// ---- Children -----------------------------------------------------------------------------------

TEST(ContainerChildren, RemovingWithoutAManagerDestroysAtOnceEvenWhenDeferred)
{
    int destroyed = 0;
    CContainerUI container;
    ASSERT_TRUE(container.IsDeferredDelete());
    Probe* child = new Probe(&destroyed);
    ASSERT_TRUE(container.Add(child));
    EXPECT_TRUE(container.Remove(child));
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(0, container.GetCount());
    EXPECT_FALSE(container.Remove(child)) << "no longer listed";
    EXPECT_FALSE(container.Remove(nullptr));
}

TEST(ContainerChildren, RemovingWithAManagerDefersTheDeletionToTheManager)
{
    int destroyed = 0;
    {
        CUIWindowManager manager;
        CContainerUI* root = new CContainerUI;
        manager.AttachRootControl(root);
        Probe* child = new Probe(&destroyed);
        ASSERT_TRUE(root->Add(child));
        EXPECT_EQ(&manager, child->GetManager());
        EXPECT_EQ(root, child->GetParent());
        EXPECT_TRUE(root->RemoveAt(0));
        EXPECT_EQ(0, destroyed) << "a control may remove itself from its own handler";

        root->SetDeferredDelete(false);
        ASSERT_TRUE(root->Add(new Probe(&destroyed)));
        EXPECT_TRUE(root->RemoveAt(0));
        EXPECT_EQ(1, destroyed);
    }
    EXPECT_EQ(2, destroyed);
}

TEST(ContainerChildren, RemoveAllWithoutOwnershipOnlyEmptiesTheList)
{
    int destroyed = 0;
    Probe a(&destroyed);
    Probe b(&destroyed);
    {
        CContainerUI container;
        container.SetOwningChildren(false);
        container.Add(&a);
        container.Add(&b);
        container.RemoveAll();
        EXPECT_EQ(0, container.GetCount());
        container.Add(&a);
    }
    EXPECT_EQ(0, destroyed);
}

TEST(ContainerChildren, DestroyingTheContainerDestroysOwnedChildren)
{
    int destroyed = 0;
    {
        CUIWindowManager manager;
        CContainerUI* root = new CContainerUI;
        manager.AttachRootControl(root);
        root->Add(new Probe(&destroyed));
        root->Add(new Probe(&destroyed));
        CContainerUI* inner = new CContainerUI;
        root->Add(inner);
        inner->Add(new Probe(&destroyed));
        root->Remove(inner);
        EXPECT_EQ(0, destroyed);
    }
    EXPECT_EQ(3, destroyed);
}

TEST(ContainerChildren, AddAtAndSetItemIndexRejectBadIndexesWithoutLosingChildren)
{
    CContainerUI container;
    Probe* a = new Probe;
    Probe* b = new Probe;
    Probe* c = new Probe;
    EXPECT_TRUE(container.Add(a));
    EXPECT_FALSE(container.AddAt(b, 2));
    EXPECT_FALSE(container.AddAt(b, -1));
    EXPECT_TRUE(container.AddAt(b, 0));
    EXPECT_TRUE(container.AddAt(c, 2));
    EXPECT_EQ(b, container.GetItemAt(0));
    EXPECT_EQ(a, container.GetItemAt(1));
    EXPECT_EQ(c, container.GetItemAt(2));
    EXPECT_EQ(nullptr, container.GetItemAt(3));

    EXPECT_FALSE(container.SetItemIndex(a, 3));
    EXPECT_EQ(3, container.GetCount()) << "a bad index leaves the child in place";
    EXPECT_EQ(1, container.GetItemIndex(a));
    EXPECT_TRUE(container.SetItemIndex(a, 2));
    EXPECT_EQ(2, container.GetItemIndex(a));
    EXPECT_EQ(c, container.GetItemAt(1));
    Probe stranger;
    EXPECT_FALSE(container.SetItemIndex(&stranger, 0));
    EXPECT_EQ(-1, container.GetItemIndex(&stranger));
}

TEST(ContainerChildren, ChildrenOfAHiddenContainerAreHiddenByParent)
{
    CContainerUI container;
    container.SetVisible(false);
    Probe* child = new Probe;
    container.Add(child);
    EXPECT_FALSE(child->IsVisible());
    container.SetVisible(true);
    EXPECT_TRUE(child->IsVisible());

    CContainerUI outer;
    CContainerUI* middle = new CContainerUI;
    Probe* leaf = new Probe;
    outer.Add(middle);
    middle->Add(leaf);
    outer.SetVisible(false);
    EXPECT_FALSE(leaf->IsVisible()) << "hidden through two levels";
    outer.SetVisible(true);
    EXPECT_TRUE(leaf->IsVisible());
}

TEST(ContainerChildren, InterfacesAndClass)
{
    CContainerUI container;
    EXPECT_STREQ(L"ContainerUI", container.GetClass());
    EXPECT_EQ(static_cast<IContainerUI*>(&container), container.AsInterface(L"IContainer"));
    EXPECT_EQ(&container, container.AsInterface(L"Container"));
    EXPECT_EQ(static_cast<CControlUI*>(&container), container.AsInterface(L"Control"));
    EXPECT_EQ(nullptr, container.AsInterface(L"Button"));
}

TEST(ContainerChildren, FindSelectableItemSkipsDisabledItemsAndFallsForward)
{
    CContainerUI list;
    EXPECT_EQ(-1, list.FindSelectableItem(0));
    for (int i = 0; i < 10; ++i) {
        Probe* item = new Probe(nullptr, true);
        item->SetEnabled(i >= 8);
        list.Add(item);
    }
    EXPECT_EQ(8, list.FindSelectableItem(7, false)) << "none backward: forward from 0";
    EXPECT_EQ(8, list.FindSelectableItem(2, true));
    EXPECT_EQ(9, list.FindSelectableItem(9, false));
    EXPECT_EQ(9, list.FindSelectableItem(50, false)) << "the start is clamped";
    list.GetItemAt(9)->SetEnabled(false);
    list.GetItemAt(8)->SetVisible(false);
    EXPECT_EQ(-1, list.FindSelectableItem(0, true));
    EXPECT_EQ(-1, list.FindSelectableItem(5, false));
}

// ---- Placement ----------------------------------------------------------------------------------

TEST(ContainerPlacement, ChildrenFillTheInnerRectWithinTheirLimits)
{
    CContainerUI container;
    container.SetAttribute(L"inset", L"5,6,7,8");
    Probe* wide = new Probe;
    Probe* small = new Probe;
    small->SetMaxWidth(20);
    small->SetMaxHeight(10);
    container.Add(wide);
    container.Add(small);
    container.SetManager(nullptr, nullptr, false);
    container.SetPos(RECT{0, 0, 100, 80});
    EXPECT_TRUE(SameRect(RECT{5, 6, 93, 72}, wide->GetPos())) << wide->GetPos();
    EXPECT_TRUE(SameRect(RECT{5, 6, 25, 16}, small->GetPos())) << small->GetPos();
}

TEST(ContainerPlacement, FloatChildrenFollowTheirAnchors)
{
    CContainerUI container;
    Probe* floating = new Probe;
    floating->SetAttribute(L"float", L"1,1,1,1");
    floating->SetAttribute(L"pos", L"-30,-20,-10,-5");
    container.Add(floating);
    container.SetManager(nullptr, nullptr, false);
    container.SetPos(RECT{10, 10, 110, 60});
    EXPECT_TRUE(SameRect(RECT{80, 40, 100, 55}, floating->GetPos())) << floating->GetPos();
    container.SetPos(RECT{10, 10, 210, 60});
    EXPECT_TRUE(SameRect(RECT{180, 40, 200, 55}, floating->GetPos())) << floating->GetPos();
}

TEST(ContainerPlacement, MoveCarriesChildrenAlong)
{
    CContainerUI container;
    Probe* child = new Probe;
    container.Add(child);
    container.SetManager(nullptr, nullptr, false);
    container.SetPos(RECT{0, 0, 50, 50});
    container.Move(10, 5);
    EXPECT_TRUE(SameRect(RECT{10, 5, 60, 55}, container.GetPos()));
    EXPECT_TRUE(SameRect(RECT{10, 5, 60, 55}, child->GetPos()));
}

// ---- Scroll bars and scrolling -------------------------------------------------------------------

TEST(ContainerScrolling, ScrollBarStyleCreatesTheBarAndWinsOverDefaults)
{
    CUIWindowManager manager;
    manager.AddDefaultAttributes(L"VScrollBar", L"width=\"20\" linesize=\"3\"");
    CContainerUI* root = new CContainerUI;
    manager.AttachRootControl(root);
    root->SetAttribute(L"vscrollbarstyle", L"width=\"12\"");
    CScrollBarUI* bar = root->GetVerticalScrollBar();
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(nullptr, root->GetHorizontalScrollBar());
    EXPECT_EQ(root, bar->GetOwner());
    EXPECT_EQ(12, bar->GetFixedWidth());
    EXPECT_EQ(3, bar->GetLineSize());

    root->SetAttribute(L"hscrollbar", L"true");
    ASSERT_NE(nullptr, root->GetHorizontalScrollBar());
    EXPECT_TRUE(root->GetHorizontalScrollBar()->IsHorizontal());
    EXPECT_EQ(16, root->GetHorizontalScrollBar()->GetFixedHeight());
    EXPECT_EQ(bar, root->GetVerticalScrollBar()) << "the vertical bar stays";
    root->SetAttribute(L"vscrollbar", L"false");
    EXPECT_EQ(nullptr, root->GetVerticalScrollBar());
    EXPECT_NE(nullptr, root->GetHorizontalScrollBar());
}

class ContainerScroll : public ::testing::Test
{
protected:
    void SetUp() override
    {
        manager.AttachRootControl(container);
        container->EnableScrollBars(true, false);
        bar = container->GetVerticalScrollBar();
        ASSERT_NE(nullptr, bar);
        first = new Probe;
        first->SetMinHeight(200);   // 100 pixels more than the container shows
        second = new Probe;
        floating = new Probe;
        floating->SetAttribute(L"float", L"true");
        floating->SetAttribute(L"pos", L"0,0,10,10");
        container->Add(first);
        container->Add(second);
        container->Add(floating);
        container->SetPos(RECT{0, 0, 100, 100});
        second->Place(RECT{0, 100, 84, 200});
    }

    CUIWindowManager manager;
    CContainerUI* container = new CContainerUI;
    CScrollBarUI* bar = nullptr;
    Probe* first = nullptr;
    Probe* second = nullptr;
    Probe* floating = nullptr;
};

TEST_F(ContainerScroll, ScrollToBottomMovesNonFloatChildrenByTheRange)
{
    EXPECT_EQ(0, first->GetY());
    container->ScrollToBottom();
    EXPECT_EQ(100, container->GetScrollPos().cy);
    EXPECT_EQ(-100, first->GetY());
    EXPECT_EQ(0, second->GetY());
    EXPECT_EQ(0, floating->GetY()) << "float children stay";
    container->ScrollToTop();
    EXPECT_EQ(0, first->GetY());
    EXPECT_EQ(100, second->GetY());
}

TEST_F(ContainerScroll, KeysAndWheelScrollTheVerticalBar)
{
    const int line = 8 + manager.GetDefaultFontEntry()->tm.tmHeight;
    UIEvent down = MakeEvent(UIEventType::KeyDown);
    down.chKey = VK_DOWN;
    container->HandleEvent(down);
    EXPECT_EQ(line, container->GetScrollPos().cy);
    EXPECT_EQ(-line, first->GetY());

    UIEvent wheelUp = MakeEvent(UIEventType::ScrollWheel, {5, 5}, 0);
    container->HandleEvent(wheelUp);
    EXPECT_EQ(0, container->GetScrollPos().cy);

    UIEvent end = MakeEvent(UIEventType::KeyDown);
    end.chKey = VK_END;
    container->HandleEvent(end);
    EXPECT_EQ(100, container->GetScrollPos().cy);

    UIEvent pageUp = MakeEvent(UIEventType::KeyDown);
    pageUp.chKey = VK_PRIOR;
    container->HandleEvent(pageUp);
    EXPECT_EQ(0, container->GetScrollPos().cy) << "a page of 100 clamps at 0";

    bar->SetEnabled(false);
    container->HandleEvent(end);
    EXPECT_EQ(0, container->GetScrollPos().cy) << "a disabled bar does not scroll";
}

TEST_F(ContainerScroll, HiddenBarReportsNoPositionOrRange)
{
    container->ScrollToBottom();
    bar->SetVisible(false);
    EXPECT_EQ(0, container->GetScrollPos().cy);
    EXPECT_EQ(0, container->GetScrollRange().cy);
}

TEST_F(ContainerScroll, HitOnTheInsetFindsNoNonFloatChild)
{
    container->SetInset(RECT{10, 10, 10, 10});
    container->SetPos(RECT{0, 0, 100, 100});
    first->Place(RECT{0, 0, 84, 100});
    second->Place(RECT{0, 100, 84, 200});
    floating->Place(RECT{0, 0, 8, 8});
    bar->SetPos(RECT{84, 0, 100, 100}, false);
    EXPECT_EQ(first, Hit(*container, POINT{50, 50}));
    EXPECT_EQ(container, Hit(*container, POINT{50, 5})) << "on the inset";
    EXPECT_EQ(floating, Hit(*container, POINT{3, 3})) << "float children are hit anywhere";
    EXPECT_EQ(bar, Hit(*container, POINT{95, 50}));

    container->SetMouseChildEnabled(false);
    EXPECT_EQ(container, Hit(*container, POINT{50, 50}));
    container->SetMouseEnabled(false);
    EXPECT_EQ(nullptr, Hit(*container, POINT{50, 50}));
    EXPECT_FALSE(bar->IsMouseEnabled()) << "the bars follow the container";
}

TEST_F(ContainerScroll, MouseEventsOfAMouseDisabledContainerGoToItsParent)
{
    Probe parent;
    container->SetManager(&manager, &parent, false);
    container->SetMouseEnabled(false);
    UIEvent wheel = MakeEvent(UIEventType::ScrollWheel, {5, 5}, 1);
    container->HandleEvent(wheel);
    EXPECT_EQ(0, container->GetScrollPos().cy);
    ASSERT_EQ(1u, parent.events.size());
    EXPECT_EQ(UIEventType::ScrollWheel, parent.events[0]);
    container->SetManager(&manager, nullptr, false);
}

// ---- Painting -----------------------------------------------------------------------------------

TEST(ContainerPainting, ChildrenAreClippedToTheInnerRectExceptFloatOnes)
{
    Canvas canvas(40, 40, 0xFF000000);
    CContainerUI container;
    container.SetInset(RECT{5, 5, 5, 5});
    Probe* child = new Probe;
    child->SetBackColor(0xFFFF0000);
    Probe* floating = new Probe;
    floating->SetFloat(true);
    floating->SetBackColor(0xFF00FF00);
    container.Add(child);
    container.Add(floating);
    container.SetManager(nullptr, nullptr, false);
    container.SetPos(RECT{0, 0, 40, 40});
    child->Place(RECT{0, 0, 40, 40});
    floating->Place(RECT{0, 0, 4, 4});
    Probe outside;

    container.Paint(canvas.Dc(), RECT{0, 0, 40, 40});
    EXPECT_EQ(0xFF0000u, canvas.Rgb(20, 20));
    EXPECT_EQ(0u, canvas.Rgb(20, 2)) << "the inset is not painted by a non-float child";
    EXPECT_EQ(0x00FF00u, canvas.Rgb(1, 1)) << "a float child paints on the inset";

    canvas.Fill(0xFF000000);
    container.Paint(canvas.Dc(), RECT{0, 0, 4, 4});
    EXPECT_EQ(0x00FF00u, canvas.Rgb(1, 1)) << "dirty rect on the inset only";
    EXPECT_EQ(0, canvas.CountNot(0) - 16);

    canvas.Fill(0xFF000000);
    child->SetVisible(false);
    container.Paint(canvas.Dc(), RECT{0, 0, 40, 40});
    EXPECT_EQ(0u, canvas.Rgb(20, 20));
}
