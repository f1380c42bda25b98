// The control base: skin attributes, placement, painting, hit tests and events.

#include "core/UIControl.h"
#include "core/UIContainer.h"
#include "core/UIManager.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "controls_support.h"
#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace controlstest;
using namespace rendertest;

namespace {

const DWORD kRed = 0xFFFF0000;
const DWORD kGreen = 0xFF00FF00;
const DWORD kBlack = 0xFF000000;

CControlUI* CALLBACK AcceptAll(CControlUI* control, LPVOID)
{
    return control;
}

CControlUI* CALLBACK AcceptNone(CControlUI*, LPVOID)
{
    return nullptr;
}

} // namespace

// ---- Skin attributes ---------------------------------------------------------------------------

TEST(ControlAttributes, PosSetsOriginAndSizeButIgnoresNegativeSizes)
{
    CControlUI control;
    control.SetAttribute(L"pos", L"10,20,40,60");
    EXPECT_EQ(10, control.GetFixedOrigin().x);
    EXPECT_EQ(20, control.GetFixedOrigin().y);
    EXPECT_EQ(30, control.GetFixedWidth());
    EXPECT_EQ(40, control.GetFixedHeight());

    control.SetAttribute(L"pos", L"50,5,45,65");
    EXPECT_EQ(50, control.GetFixedOrigin().x);
    EXPECT_EQ(30, control.GetFixedWidth()) << "a negative width is ignored";
    EXPECT_EQ(60, control.GetFixedHeight());

    // Differences at the ends of int do not wrap: reversed stays negative, wide stays wide.
    control.SetAttribute(L"pos", L"2147483647,0,-5,10");
    EXPECT_EQ(30, control.GetFixedWidth());
    control.SetAttribute(L"pos", L"-5,0,2147483647,10");
    EXPECT_GT(control.GetFixedWidth(), 30);
}

TEST(ControlAttributes, ShortListsReadMissingNumbersAsZero)
{
    CControlUI control;
    control.SetAttribute(L"padding", L"7");
    const RECT padding = control.GetPadding();
    EXPECT_EQ(7, padding.left);
    EXPECT_EQ(0, padding.top);
    EXPECT_EQ(0, padding.right);
    EXPECT_EQ(0, padding.bottom);

    control.SetAttribute(L"pos", L"3,4");
    EXPECT_EQ(3, control.GetFixedOrigin().x);
    EXPECT_EQ(4, control.GetFixedOrigin().y);
    EXPECT_EQ(0, control.GetFixedWidth());
}

TEST(ControlAttributes, BooleansAreTrueOnlyForExactTrue)
{
    CControlUI control;
    control.SetAttribute(L"visible", L"True");
    EXPECT_FALSE(control.IsVisible());
    control.SetAttribute(L"visible", L"true");
    EXPECT_TRUE(control.IsVisible());
    control.SetAttribute(L"enabled", L"1");
    EXPECT_FALSE(control.IsEnabled());
    control.SetAttribute(L"mouse", L"false");
    EXPECT_FALSE(control.IsMouseEnabled());
    control.SetAttribute(L"menu", L"true");
    EXPECT_TRUE(control.IsMenuEnabled());
}

TEST(ControlAttributes, FloatTakesAnchorsAndTurnsFloating)
{
    CControlUI control;
    control.SetAttribute(L"float", L"0.5,0,0.5,0.25");
    EXPECT_TRUE(control.IsFloat());
    double anchors[4] = {};
    control.GetFloatAnchors(anchors);
    EXPECT_DOUBLE_EQ(0.5, anchors[0]);
    EXPECT_DOUBLE_EQ(0.0, anchors[1]);
    EXPECT_DOUBLE_EQ(0.5, anchors[2]);
    EXPECT_DOUBLE_EQ(0.25, anchors[3]);

    control.SetAttribute(L"float", L"false");
    EXPECT_FALSE(control.IsFloat());
}

TEST(ControlAttributes, TextsTooltipShortcutAndNames)
{
    CControlUI control;
    control.SetAttribute(L"tooltip", L"a<n>b");
    EXPECT_STREQ(L"a\r\nb", control.GetToolTip().GetData());
    control.SetAttribute(L"shortcut", L"Xyz");
    EXPECT_EQ(L'X', control.GetShortcut());
    control.SetAttribute(L"name", L"okButton");
    control.SetAttribute(L"text", L"OK");
    control.SetAttribute(L"userdata", L"42");
    control.SetAttribute(L"Name", L"ignored");
    EXPECT_STREQ(L"okButton", control.GetName().GetData());
    EXPECT_STREQ(L"OK", control.GetText().GetData());
    EXPECT_STREQ(L"42", control.GetUserData().GetData());
    control.SetAttribute(L"minwidth", L"12");
    control.SetAttribute(L"maxheight", L"80");
    EXPECT_EQ(12, control.GetMinWidth());
    EXPECT_EQ(80, control.GetMaxHeight());
}

TEST(ControlAttributes, AttributeListAppliesPairsUntilTheFormBreaks)
{
    CControlUI control;
    control.ApplyAttributeList(L"name=\"first\" text=\"hello world\" width=\"30");
    EXPECT_STREQ(L"first", control.GetName().GetData());
    EXPECT_STREQ(L"hello world", control.GetText().GetData());
    EXPECT_EQ(0, control.GetFixedWidth()) << "an unterminated value is not applied";

    CControlUI joined;
    joined.ApplyAttributeList(L"name=\"n\"text=\"t\"");
    EXPECT_STREQ(L"n", joined.GetName().GetData());
    EXPECT_TRUE(joined.GetText().IsEmpty()) << "pairs must be separated by a space";

    CControlUI unquoted;
    unquoted.ApplyAttributeList(L"height=40 width=\"10\"");
    EXPECT_EQ(0, unquoted.GetFixedHeight());
    EXPECT_EQ(0, unquoted.GetFixedWidth());
}

TEST(ControlAttributes, VirtualWindowNameComesFromTheNearestAncestor)
{
    CControlUI parent;
    CControlUI child;
    child.SetManager(nullptr, &parent, false);
    parent.SetAttribute(L"virtualwnd", L"page1");
    EXPECT_STREQ(L"page1", child.GetVirtualWindowName().GetData());
    child.SetVirtualWindowName(L"own");
    EXPECT_STREQ(L"own", child.GetVirtualWindowName().GetData());
}

// ---- Layout requests ----------------------------------------------------------------------------

class ControlLayoutRequests : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent.SetManager(&manager, nullptr, false);
        child.SetManager(&manager, &parent, false);
        parent.SetPos(RECT{0, 0, 100, 100}, false);
        ASSERT_FALSE(parent.IsUpdateNeeded());
    }

    CUIWindowManager manager;
    CControlUI parent;
    CControlUI child;
};

TEST_F(ControlLayoutRequests, UnchangedMinimumIsIgnoredButUnchangedFixedWidthRequestsLayout)
{
    child.SetMinWidth(0);
    EXPECT_FALSE(parent.IsUpdateNeeded());
    child.SetMinWidth(-3);
    EXPECT_FALSE(parent.IsUpdateNeeded());
    child.SetFixedWidth(0);
    EXPECT_TRUE(parent.IsUpdateNeeded());
}

TEST_F(ControlLayoutRequests, HiddenControlsRequestNoLayoutOfTheirOwn)
{
    child.SetVisible(false);
    EXPECT_TRUE(parent.IsUpdateNeeded()) << "hiding changes the parent's layout";
    parent.SetPos(RECT{0, 0, 100, 100}, false);
    child.SetPos(RECT{0, 0, 10, 10}, false);
    EXPECT_FALSE(child.IsUpdateNeeded());
    child.RequestLayout();
    EXPECT_FALSE(child.IsUpdateNeeded());
}

// ---- Placement ----------------------------------------------------------------------------------

TEST(ControlPlacement, SetPosNormalisesInvertedRects)
{
    CControlUI control;
    control.SetPos(RECT{10, 20, 5, 8});
    EXPECT_TRUE(SameRect(RECT{10, 20, 10, 20}, control.GetPos())) << control.GetPos();
    EXPECT_EQ(0, control.GetWidth());
}

TEST(ControlPlacement, FloatChildIsPlacedRelativeToItsParentAndKeepsItsAnchors)
{
    CControlUI parent;
    parent.SetPos(RECT{100, 50, 300, 250});
    CControlUI child;
    child.SetManager(nullptr, &parent, false);
    child.SetFloat(true);
    child.SetFloatAnchors(0.5, 0, 0.5, 0);
    child.SetPos(RECT{120, 10, 150, 40});

    EXPECT_TRUE(SameRect(RECT{220, 60, 250, 90}, child.GetPos())) << child.GetPos();
    EXPECT_TRUE(SameRect(RECT{120, 10, 150, 40}, child.GetPosInParent()));
    EXPECT_EQ(20, child.GetFixedOrigin().x);
    EXPECT_EQ(10, child.GetFixedOrigin().y);
    EXPECT_EQ(30, child.GetFixedWidth());
    EXPECT_EQ(30, child.GetFixedHeight());
}

TEST(ControlPlacement, SizeEventRunsOnlyWithAManager)
{
    struct Counter
    {
        int calls = 0;
        bool OnSize(void*)
        {
            ++calls;
            return true;
        }
    } counter;
    CUIWindowManager manager;
    CControlUI control;
    control.OnSizeEvent.Add(CDelegate<Counter>(&counter, &Counter::OnSize));
    control.SetPos(RECT{0, 0, 10, 10});
    EXPECT_EQ(0, counter.calls);
    control.SetManager(&manager, nullptr, false);
    control.SetPos(RECT{0, 0, 20, 10});
    EXPECT_EQ(1, counter.calls);
    EXPECT_FALSE(control.IsUpdateNeeded());
}

// ---- Painting -----------------------------------------------------------------------------------

TEST(ControlPainting, OpaqueBackColourFillsOnlyThePaintRect)
{
    Canvas canvas(40, 20, kBlack);
    CControlUI control;
    control.SetPos(RECT{0, 0, 40, 20});
    control.SetAttribute(L"bkcolor", L"  #FF00FF00");
    control.Paint(canvas.Dc(), RECT{0, 0, 20, 20});
    EXPECT_EQ(kGreen & 0xFFFFFF, canvas.Rgb(5, 5));
    EXPECT_EQ(0u, canvas.Rgb(30, 5));
}

TEST(ControlPainting, TranslucentBackColourFillsTheWholeItemRect)
{
    Canvas canvas(40, 20, kBlack);
    CControlUI control;
    control.SetPos(RECT{0, 0, 40, 20});
    control.SetBackColor(0x8000FF00);
    control.Paint(canvas.Dc(), RECT{0, 0, 20, 20});
    EXPECT_GT(Green(canvas.At(30, 5)), 0x60);
    EXPECT_LT(Green(canvas.At(30, 5)), 0xA0);
}

TEST(ControlPainting, TwoColoursPaintAVerticalGradient)
{
    Canvas canvas(10, 64, kBlack);
    CControlUI control;
    control.SetPos(RECT{0, 0, 10, 64});
    control.SetBackColor(0xFFFF0000);
    control.SetBackColor2(0xFF0000FF);
    control.Paint(canvas.Dc(), RECT{0, 0, 10, 64});
    EXPECT_GT(Red(canvas.At(5, 1)), 0xC0);
    EXPECT_LT(Blue(canvas.At(5, 1)), 0x40);
    EXPECT_GT(Blue(canvas.At(5, 62)), 0xC0);
    EXPECT_LT(Red(canvas.At(5, 62)), 0x40);
}

TEST(ControlPainting, BorderColourSkipsBlanksOnlyForBackColours)
{
    Canvas canvas(20, 20, kBlack);
    CControlUI control;
    control.SetPos(RECT{0, 0, 20, 20});
    control.SetAttribute(L"bordersize", L"2");
    control.SetAttribute(L"bordercolor", L" #FFFF0000");
    control.Paint(canvas.Dc(), RECT{0, 0, 20, 20});
    EXPECT_EQ(0, canvas.CountNot(0)) << "a blank before the colour reads as no colour";

    control.SetAttribute(L"bordercolor", L"#FFFF0000");
    control.Paint(canvas.Dc(), RECT{0, 0, 20, 20});
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(0, 10));
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(1, 10));
    EXPECT_EQ(0u, canvas.Rgb(2, 10));
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(10, 19));
}

TEST(ControlPainting, SingleBorderSizeClearsSidesAndListLeavesTheWholeBorder)
{
    Canvas canvas(20, 20, kBlack);
    CControlUI control;
    control.SetPos(RECT{0, 0, 20, 20});
    control.SetAttribute(L"bordercolor", L"#FFFF0000");
    control.SetAttribute(L"leftbordersize", L"1");
    control.SetAttribute(L"bordersize", L"3");
    control.Paint(canvas.Dc(), RECT{0, 0, 20, 20});
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(10, 2)) << "whole border of 3, not a left line";
    EXPECT_EQ(0u, canvas.Rgb(10, 3));

    canvas.Fill(kBlack);
    control.SetAttribute(L"bordersize", L"1,0,0,0");
    control.Paint(canvas.Dc(), RECT{0, 0, 20, 20});
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(0, 10)) << "left line";
    EXPECT_EQ(0u, canvas.Rgb(10, 0)) << "no top line";

    canvas.Fill(kBlack);
    control.SetAttribute(L"leftbordersize", L"0");
    control.Paint(canvas.Dc(), RECT{0, 0, 20, 20});
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(10, 2)) << "the whole-border size of 3 is still there";
}

TEST(ControlPainting, RoundBorderClipsTheCorners)
{
    Canvas canvas(40, 40, kBlack);
    CControlUI control;
    control.SetPos(RECT{0, 0, 40, 40});
    control.SetBackColor(kGreen);
    control.SetBorderRound(20, 20);
    control.Paint(canvas.Dc(), RECT{0, 0, 40, 40});
    EXPECT_EQ(0u, canvas.Rgb(0, 0));
    EXPECT_EQ(kGreen & 0xFFFFFF, canvas.Rgb(20, 20));
    EXPECT_EQ(kGreen & 0xFFFFFF, canvas.Rgb(20, 0));
}

TEST(ControlPainting, MissedDirtyRectPaintsNothing)
{
    Canvas canvas(40, 40, kBlack);
    CControlUI control;
    control.SetPos(RECT{0, 0, 10, 10});
    control.SetBackColor(0x80FFFFFF);
    control.Paint(canvas.Dc(), RECT{20, 20, 40, 40});
    EXPECT_EQ(0, canvas.CountNot(0));
}

// ---- Hit tests ----------------------------------------------------------------------------------

TEST(ControlFind, FlagsAreTestedBeforeTheCallback)
{
    CControlUI control;
    control.SetPos(RECT{0, 0, 10, 10});
    POINT inside = {5, 5};
    POINT outside = {15, 5};
    EXPECT_EQ(&control, control.FindControl(AcceptAll, &inside, UIFIND_HITTEST));
    EXPECT_EQ(nullptr, control.FindControl(AcceptAll, &outside, UIFIND_HITTEST));
    EXPECT_EQ(nullptr, control.FindControl(AcceptAll, nullptr, UIFIND_UPDATETEST));
    EXPECT_EQ(nullptr, control.FindControl(AcceptNone, nullptr, UIFIND_UPDATETEST));

    control.SetMouseEnabled(false);
    EXPECT_EQ(nullptr, control.FindControl(AcceptAll, &inside, UIFIND_HITTEST));
    control.SetEnabled(false);
    EXPECT_EQ(nullptr, control.FindControl(AcceptAll, nullptr, UIFIND_ENABLED));
    EXPECT_EQ(&control, control.FindControl(AcceptAll, nullptr, UIFIND_VISIBLE));
    control.SetVisible(false);
    EXPECT_EQ(nullptr, control.FindControl(AcceptAll, nullptr, UIFIND_VISIBLE));
}

// ---- Events, focus and life cycle ---------------------------------------------------------------

class ControlEvents : public ::testing::Test
{
protected:
    void SetUp() override { manager.AddNotifier(&recorder); }

    Recorder recorder;
    CUIWindowManager manager;
};

TEST_F(ControlEvents, TimerAndMenuEventsBecomeNotifications)
{
    Probe parentProbe;
    Probe control;
    control.SetManager(&manager, &parentProbe, false);

    UIEvent timer = MakeEvent(UIEventType::Timer, {0, 0}, 7, 9);
    control.HandleEvent(timer);
    ASSERT_EQ(1, recorder.Count(L"timer"));
    EXPECT_EQ(&control, recorder.senders[0]);
    EXPECT_EQ(7u, recorder.wParams[0]);
    EXPECT_EQ(9, recorder.lParams[0]);

    UIEvent menu = MakeEvent(UIEventType::ContextMenu, {3, 4});
    control.HandleEvent(menu);
    EXPECT_EQ(0, recorder.Count(L"menu"));
    ASSERT_EQ(1u, parentProbe.events.size()) << "without the menu flag the parent gets it";
    EXPECT_EQ(UIEventType::ContextMenu, parentProbe.events[0]);

    control.SetMenuEnabled(true);
    control.HandleEvent(menu);
    EXPECT_EQ(1, recorder.Count(L"menu"));
    EXPECT_EQ(1u, parentProbe.events.size());
}

TEST_F(ControlEvents, EventSourceCanSwallowEvents)
{
    struct Gate
    {
        bool pass = false;
        int seen = 0;
        bool OnEvent(void* param)
        {
            seen = static_cast<UIEvent*>(param)->Type;
            return pass;
        }
    } gate;
    Probe control;
    control.OnEventEvent.Add(CDelegate<Gate>(&gate, &Gate::OnEvent));
    UIEvent event = MakeEvent(UIEventType::MouseEnter);
    control.HandleEvent(event);
    EXPECT_EQ(UIEventType::MouseEnter, gate.seen);
    EXPECT_TRUE(control.events.empty());
    gate.pass = true;
    control.HandleEvent(event);
    EXPECT_EQ(1u, control.events.size());
}

TEST_F(ControlEvents, HidingTheFocusedControlClearsTheFocus)
{
    CControlUI control;
    control.SetManager(&manager, nullptr, false);
    control.SetFocus();
    ASSERT_EQ(&control, manager.GetFocusedControl());
    EXPECT_TRUE(control.IsFocused());

    control.SetVisible(false);
    EXPECT_EQ(nullptr, manager.GetFocusedControl());
    EXPECT_FALSE(control.IsFocused());
}

TEST_F(ControlEvents, HiddenByParentLosesTheFocus)
{
    CControlUI control;
    control.SetManager(&manager, nullptr, false);
    control.SetFocus();
    ASSERT_EQ(&control, manager.GetFocusedControl());
    control.SetVisibleByParent(false);
    EXPECT_EQ(nullptr, manager.GetFocusedControl());
    EXPECT_FALSE(control.IsVisible());
}

TEST_F(ControlEvents, DestructionRunsTheDestroyEventAndTheManagerForgetsTheControl)
{
    struct Watcher
    {
        void* seen = nullptr;
        bool OnDestroy(void* param)
        {
            seen = param;
            return true;
        }
    } watcher;
    CControlUI* control = new CControlUI;
    control->SetManager(&manager, nullptr, false);
    control->OnDestroyEvent.Add(CDelegate<Watcher>(&watcher, &Watcher::OnDestroy));
    control->SetFocus();
    ASSERT_EQ(control, manager.GetFocusedControl());
    delete control;
    EXPECT_EQ(control, watcher.seen);
    EXPECT_EQ(nullptr, manager.GetFocusedControl());
}

TEST_F(ControlEvents, InitRunsWhenAttachedUnderAParent)
{
    struct Watcher
    {
        int calls = 0;
        bool OnInit(void*)
        {
            ++calls;
            return true;
        }
    } watcher;
    CControlUI parent;
    CControlUI control;
    control.OnInitEvent.Add(CDelegate<Watcher>(&watcher, &Watcher::OnInit));
    control.SetManager(&manager, nullptr, true);
    EXPECT_EQ(0, watcher.calls) << "no parent: no init";
    control.SetManager(&manager, &parent, false);
    EXPECT_EQ(0, watcher.calls);
    control.SetManager(&manager, &parent, true);
    EXPECT_EQ(1, watcher.calls);
}

// ---- Leaving a window ------------------------------------------------------------------------------

TEST(ControlLeavingItsWindow, ItsTimersOverlayAndNameGoFromTheWindowItLeft)
{
    managertest::HostWnd window, other;
    ASSERT_NE(nullptr, window.Open());
    ASSERT_NE(nullptr, other.Open());
    CContainerUI* root = new CContainerUI;
    window.manager.AttachRootControl(root);
    for (CUIWindowManager* to : {static_cast<CUIWindowManager*>(nullptr), &other.manager}) {
        SCOPED_TRACE(to ? "moved into another window" : "its manager cleared");
        Probe* leaving = new Probe;
        leaving->SetName(L"leaving");
        leaving->SetManager(&window.manager, root, false);
        CUIWindowManager::RegisterNameCallback(leaving, &window.manager);
        ASSERT_TRUE(window.manager.StartTimer(leaving, 1, 5));
        ASSERT_TRUE(window.manager.AddPostPaintControl(leaving));
        leaving->SetManager(to, nullptr, false);
        delete leaving;
        FreedMemoryReuse reuse(sizeof(Probe));
        EXPECT_FALSE(window.manager.StopTimer(leaving, 1)) << "its timer went";
        EXPECT_FALSE(window.manager.RemovePostPaintControl(leaving)) << "its overlay went";
        EXPECT_EQ(nullptr, window.manager.FindControlByName(L"leaving")) << "its name went";

        // The window's own timers and paints go on, and meet nothing of the freed control.
        Probe witness;
        witness.SetManager(&window.manager, root, false);
        ASSERT_TRUE(window.manager.StartTimer(&witness, 2, 30));
        EXPECT_TRUE(managertest::PumpUntil([&] {
            return std::count(witness.events.begin(), witness.events.end(), UIEventType::Timer) >= 2;
        }));
        ::RedrawWindow(window.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        managertest::Pump();
    }
}

// ---- Background image -----------------------------------------------------------------------------

namespace {

std::vector<BYTE> SolidPng(int width, int height, Rgba colour)
{
    return EncodePng(width, height, std::vector<Rgba>(width * height, colour));
}

} // namespace

TEST(ControlBackImage, FloatControlWithoutSizeTakesTheImageSize)
{
    const std::wstring folder = MakeTestFolder(L"qix_controls_bkimage");
    ASSERT_TRUE(WriteBytes(folder + L"red.png", SolidPng(6, 4, {255, 0, 0, 255})));
    CUIWindowManager::SetResourceFolder(folder.c_str());
    CUIWindowManager::SetResourceZipFile(L"", true);

    CUIWindowManager manager;
    CControlUI floating;
    floating.SetManager(&manager, nullptr, false);
    floating.SetFloat(true);
    floating.SetAttribute(L"bkimage", L"red.png");
    EXPECT_EQ(6, floating.GetFixedWidth());
    EXPECT_EQ(4, floating.GetFixedHeight());

    CControlUI plain;
    plain.SetManager(&manager, nullptr, false);
    plain.SetAttribute(L"bkimage", L"file='red.png'");
    EXPECT_EQ(0, plain.GetFixedWidth());

    Canvas canvas(12, 12, kBlack);
    plain.SetPos(RECT{0, 0, 12, 12});
    plain.Paint(canvas.Dc(), RECT{0, 0, 12, 12});
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(10, 10)) << "stretched over the control";
}
