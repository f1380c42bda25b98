// Input events, focus, timers and notifications of the window manager, delivered to controls of
// a real window: three probe controls side by side in a horizontal layout.

#include "core/UIManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/UIContainer.h"
#include "core/UIControl.h"
#include "core/UIDelegate.h"
#include "core/UILayouts.h"
#include "manager_support.h"

using namespace QxUI;
using namespace managertest;
using qixtest::kNeverWithinATestMs;

namespace {

struct EventRecord
{
    std::wstring control;
    int type;
    CControlUI* sender;
    POINT pt;
    WCHAR key;
    WORD keyState;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<EventRecord> g_events;

// Records every event and handles none but focus changes, so nothing reaches the parent.
class ProbeControl : public CControlUI
{
public:
    ProbeControl(LPCWSTR name, int width, UINT inputFlags = UIFLAG_TABSTOP,
                 LPCWSTR className = L"ProbeUI", bool* deleted = nullptr)
        : m_flags(inputFlags), m_class(className), m_deleted(deleted)
    {
        SetName(name);
        SetFixedWidth(width);
    }
    ~ProbeControl() override
    {
        if (m_deleted)
            *m_deleted = true;
    }

    LPCWSTR GetClass() const override { return m_class.c_str(); }
    UINT GetInputFlags() override { return m_flags; }
    bool Activate() override
    {
        ++activations;
        return CControlUI::Activate();
    }
    void OnEvent(UIEvent& event) override
    {
        g_events.push_back({GetName().GetData(), event.Type, event.pSender, event.ptMouse,
                            event.chKey, event.wKeyState, event.wParam, event.lParam});
        if (event.Type == deleteOn) {
            // As a handler that deletes its sender at once; nothing of this is touched after.
            controlstest::DeleteAtOnce(this);
            return;
        }
        if (event.Type == UIEventType::SetFocus || event.Type == UIEventType::KillFocus)
            CControlUI::OnEvent(event);
    }

    int activations = 0;
    int deleteOn = 0;

private:
    UINT m_flags;
    std::wstring m_class;
    bool* m_deleted;
};

class RecordingNotifier : public INotifyUI
{
public:
    void OnUINotify(UINotification& msg) override
    {
        types.push_back(msg.sType.GetData());
        senders.push_back(msg.pSender);
        wParams.push_back(msg.wParam);
        virtualWnds.push_back(msg.sVirtualWnd.GetData());
    }
    std::vector<std::wstring> virtualWnds;
    std::vector<std::wstring> types;
    std::vector<CControlUI*> senders;
    std::vector<WPARAM> wParams;
};

std::vector<std::wstring> Trace(int type = 0)
{
    std::vector<std::wstring> out;
    for (const EventRecord& e : g_events) {
        if (type == 0 || e.type == type)
            out.push_back(e.control + L":" + std::to_wstring(e.type));
    }
    return out;
}

std::wstring Entry(LPCWSTR control, int type)
{
    return std::wstring(control) + L":" + std::to_wstring(type);
}

// Host 200 x 120; a at x 0-59, b at 60-119, c at 120-199.
class InputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_events.clear();
        ASSERT_NE(nullptr, host.Open(200, 120));
        root = new CHorizontalLayoutUI;
        a = new ProbeControl(L"a", 60);
        b = new ProbeControl(L"b", 60);
        c = new ProbeControl(L"c", 80);
        root->Add(a);
        root->Add(b);
        root->Add(c);
        host.manager.AddNotifier(&notifier);
        ASSERT_TRUE(host.manager.AttachRootControl(root));
        ::InvalidateRect(host.GetHandle(), nullptr, FALSE);
        ::UpdateWindow(host.GetHandle());
        // The first paint focused the first tab stop; the tests start without a focus.
        host.manager.SetFocusControl(nullptr);
        g_events.clear();
        notifier = RecordingNotifier();
    }

    void TearDown() override
    {
        host.manager.RemoveNotifier(&notifier);
        if (::GetCapture() == host.GetHandle())
            ::ReleaseCapture();
    }

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageW(host.GetHandle(), msg, wParam, lParam);
    }

    LPARAM ScreenPoint(int x, int y)
    {
        POINT pt = {x, y};
        ::ClientToScreen(host.GetHandle(), &pt);
        return MAKELPARAM(pt.x, pt.y);
    }

    // Declared before the host: controls that the host's manager deletes may still report.
    bool extraDeleted = false;
    HostWnd host;
    RecordingNotifier notifier;
    CHorizontalLayoutUI* root = nullptr;
    ProbeControl* a = nullptr;
    ProbeControl* b = nullptr;
    ProbeControl* c = nullptr;
};

} // namespace

// ---- Layout and first paint ---------------------------------------------------------------------

TEST(FirstPaint, LaysOutTheRootOverTheClientAreaAndRaisesWindowInitOnce)
{
    HostWnd host;
    ASSERT_NE(nullptr, host.Open(200, 120));
    RecordingNotifier notifier;
    host.manager.AddNotifier(&notifier);
    CHorizontalLayoutUI* root = new CHorizontalLayoutUI;
    ProbeControl* a = new ProbeControl(L"a", 60);
    root->Add(a);
    host.manager.AttachRootControl(root);
    EXPECT_TRUE(notifier.types.empty());

    ::InvalidateRect(host.GetHandle(), nullptr, FALSE);
    ::UpdateWindow(host.GetHandle());
    EXPECT_EQ(200, root->GetPos().right);
    EXPECT_EQ(120, root->GetPos().bottom);
    EXPECT_EQ(60, a->GetPos().right);
    ASSERT_EQ((std::vector<std::wstring>{L"windowinit", L"setfocus"}), notifier.types);
    EXPECT_EQ(root, notifier.senders[0]);
    // The first paint also moved the focus to the first tab stop.
    EXPECT_EQ(a, host.manager.GetFocusedControl());

    // A resize lays out again, without a second windowinit.
    ::SetWindowPos(host.GetHandle(), nullptr, 0, 0, 300, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(host.GetHandle(), nullptr, FALSE);
    ::UpdateWindow(host.GetHandle());
    EXPECT_EQ(300, root->GetPos().right);
    EXPECT_EQ(90, root->GetPos().bottom);
    EXPECT_EQ(2u, notifier.types.size());
    host.manager.RemoveNotifier(&notifier);
}

// ---- Mouse --------------------------------------------------------------------------------------

TEST_F(InputTest, MovingFromOneControlToAnotherLeavesEntersAndMoves)
{
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(70, 10));
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::MouseEnter),
                                         Entry(L"a", UIEventType::MouseMove),
                                         Entry(L"a", UIEventType::MouseLeave),
                                         Entry(L"b", UIEventType::MouseEnter),
                                         Entry(L"b", UIEventType::MouseMove)}),
              Trace());
    EXPECT_EQ(70, g_events.back().pt.x);
    EXPECT_EQ(70, host.manager.GetMousePoint().x);
}

TEST_F(InputTest, TheControlHoldingTheButtonKeepsGettingMoves)
{
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(host.manager.IsMouseCaptured());
    EXPECT_EQ(host.GetHandle(), ::GetCapture());
    g_events.clear();
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(130, 10));
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::MouseLeave),
                                         Entry(L"c", UIEventType::MouseEnter),
                                         Entry(L"a", UIEventType::MouseMove)}),
              Trace());

    g_events.clear();
    Send(WM_LBUTTONUP, 0, MAKELPARAM(130, 10));
    ASSERT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::ButtonUp)}), Trace());
    EXPECT_EQ(130, g_events[0].pt.x);
    EXPECT_FALSE(host.manager.IsMouseCaptured());
    // The click control was cleared: a further release reaches nobody.
    g_events.clear();
    Send(WM_LBUTTONUP, 0, MAKELPARAM(130, 10));
    EXPECT_TRUE(g_events.empty());
}

TEST_F(InputTest, MouseLeavingTheWindowMovesToMinusOne)
{
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(70, 10));
    g_events.clear();
    Send(WM_MOUSELEAVE);
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"b", UIEventType::MouseLeave)}), Trace());
    EXPECT_EQ(-1, host.manager.GetMousePoint().x);
    EXPECT_EQ(-1, host.manager.GetMousePoint().y);
}

TEST_F(InputTest, ButtonDownFocusesCapturesAndCarriesTheMessage)
{
    Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(65, 20));
    EXPECT_EQ(b, host.manager.GetFocusedControl());
    EXPECT_TRUE(b->IsFocused());
    ASSERT_EQ((std::vector<std::wstring>{Entry(L"b", UIEventType::SetFocus),
                                         Entry(L"b", UIEventType::ButtonDown)}),
              Trace());
    const EventRecord& down = g_events[1];
    EXPECT_EQ(b, down.sender);
    EXPECT_EQ(MK_LBUTTON | MK_SHIFT, down.keyState);
    EXPECT_EQ(WPARAM(MK_LBUTTON | MK_SHIFT), down.wParam);
    EXPECT_EQ(MAKELPARAM(65, 20), down.lParam);
    EXPECT_EQ(65, down.pt.x);
    EXPECT_EQ((std::vector<std::wstring>{L"setfocus"}), notifier.types);
}

TEST_F(InputTest, DoubleClickDoesNotFocus)
{
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(130, 5));
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"c", UIEventType::DoubleClick)}), Trace());
    EXPECT_EQ(nullptr, host.manager.GetFocusedControl());
    EXPECT_TRUE(host.manager.IsMouseCaptured());
    g_events.clear();
    Send(WM_LBUTTONUP, 0, MAKELPARAM(130, 5));
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"c", UIEventType::ButtonUp)}), Trace());
}

TEST_F(InputTest, RightButtonThenContextMenuGoesToTheClickedControl)
{
    Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(a, host.manager.GetFocusedControl());
    g_events.clear();
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host.GetHandle()), ScreenPoint(12, 14));
    ASSERT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::ContextMenu)}), Trace());
    EXPECT_EQ(reinterpret_cast<LPARAM>(a), g_events[0].lParam);
    EXPECT_EQ(12, g_events[0].pt.x);
    EXPECT_EQ(14, g_events[0].pt.y);
    EXPECT_FALSE(host.manager.IsMouseCaptured());
    g_events.clear();
    Send(WM_CONTEXTMENU, 0, ScreenPoint(12, 14));
    EXPECT_TRUE(g_events.empty());
}

TEST_F(InputTest, WheelTowardTheUserScrollsDown)
{
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), ScreenPoint(130, 30));
    std::vector<EventRecord> wheel;
    for (const EventRecord& e : g_events)
        if (e.type == UIEventType::ScrollWheel)
            wheel.push_back(e);
    ASSERT_EQ(1u, wheel.size());
    EXPECT_EQ(L"c", wheel[0].control);
    EXPECT_EQ(1u, wheel[0].wParam);
    EXPECT_EQ(130, wheel[0].pt.x);
    // The move sent after the wheel makes c the hover control.
    EXPECT_EQ(Entry(L"c", UIEventType::MouseMove), Trace().back());

    g_events.clear();
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), ScreenPoint(130, 30));
    ASSERT_FALSE(g_events.empty());
    EXPECT_EQ(UIEventType::ScrollWheel, g_events[0].type);
    EXPECT_EQ(0u, g_events[0].wParam);
}

TEST_F(InputTest, ClosingEndsHoverAndClickAndClearsTheFocus)
{
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    g_events.clear();
    LRESULT result = 0;
    EXPECT_FALSE(host.manager.HandleWindowMessage(WM_CLOSE, 0, 0, result));
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::MouseLeave),
                                         Entry(L"a", UIEventType::ButtonUp),
                                         Entry(L"a", UIEventType::KillFocus)}),
              Trace());
    EXPECT_EQ(nullptr, host.manager.GetFocusedControl());
}

// ---- Keys ---------------------------------------------------------------------------------------

TEST_F(InputTest, KeysGoToTheFocusedControlAndKeyUpToTheOneThatGotKeyDown)
{
    Send(WM_KEYDOWN, 'X');
    EXPECT_TRUE(g_events.empty());
    b->SetFocus();
    g_events.clear();
    Send(WM_KEYDOWN, 'X');
    Send(WM_CHAR, L'x');
    c->SetFocus();
    g_events.clear();
    Send(WM_KEYUP, 'X');
    ASSERT_EQ((std::vector<std::wstring>{Entry(L"b", UIEventType::KeyUp)}), Trace());
    EXPECT_EQ(L'X', g_events[0].key);
    g_events.clear();
    Send(WM_KEYUP, 'X');
    EXPECT_TRUE(g_events.empty());
}

TEST_F(InputTest, SizeMessagesReachTheFocusedControl)
{
    a->SetFocus();
    g_events.clear();
    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 120));
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::WindowSize)}), Trace());
    EXPECT_TRUE(root->IsUpdateNeeded());
}

// ---- Focus and tab stops ------------------------------------------------------------------------

TEST_F(InputTest, TabWrapsForwardAndBackward)
{
    host.manager.FocusNextTabStop(true);
    EXPECT_EQ(a, host.manager.GetFocusedControl());
    host.manager.FocusNextTabStop(true);
    host.manager.FocusNextTabStop(true);
    EXPECT_EQ(c, host.manager.GetFocusedControl());
    host.manager.FocusNextTabStop(true);
    EXPECT_EQ(a, host.manager.GetFocusedControl());
    host.manager.FocusNextTabStop(false);
    EXPECT_EQ(c, host.manager.GetFocusedControl());
    host.manager.FocusNextTabStop(false);
    EXPECT_EQ(b, host.manager.GetFocusedControl());
}

TEST_F(InputTest, TabKeysInTheQueueMoveTheFocusAndAreConsumed)
{
    BYTE keys[256] = {};
    ::SetKeyboardState(keys);
    b->SetFocus();
    g_events.clear();
    host.PostMsg(WM_KEYDOWN, VK_TAB);
    Pump();
    EXPECT_EQ(c, host.manager.GetFocusedControl());
    // Consumed: no KeyDown event reached the newly focused control.
    EXPECT_TRUE(Trace(UIEventType::KeyDown).empty());

    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
    host.PostMsg(WM_KEYDOWN, VK_TAB);
    host.PostMsg(WM_KEYDOWN, VK_TAB);
    Pump();
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(a, host.manager.GetFocusedControl());
}

TEST_F(InputTest, DisabledAndHiddenControlsAreNoTabStops)
{
    b->SetEnabled(false);
    a->SetFocus();
    host.manager.FocusNextTabStop(true);
    EXPECT_EQ(c, host.manager.GetFocusedControl());

    b->SetEnabled(true);
    notifier = RecordingNotifier();
    host.manager.SetFocusControl(nullptr);
    EXPECT_EQ((std::vector<std::wstring>{L"killfocus"}), notifier.types);
    c->SetVisible(false);
    host.manager.SetFocusControl(c);
    EXPECT_EQ(nullptr, host.manager.GetFocusedControl());
    EXPECT_FALSE(c->IsFocused());
}

TEST_F(InputTest, FocusMovesWithKillFocusNamingTheNewControl)
{
    a->SetFocus();
    g_events.clear();
    notifier = RecordingNotifier();
    b->SetFocus();
    ASSERT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::KillFocus),
                                         Entry(L"b", UIEventType::SetFocus)}),
              Trace());
    EXPECT_EQ(b, g_events[0].sender);
    EXPECT_EQ((std::vector<std::wstring>{L"killfocus", L"setfocus"}), notifier.types);
    EXPECT_EQ(a, notifier.senders[0]);
    EXPECT_FALSE(a->IsFocused());

    // Focusing the focused control again changes nothing.
    g_events.clear();
    b->SetFocus();
    EXPECT_TRUE(g_events.empty());
}

TEST_F(InputTest, ScheduledFocusLandsOnTheControlAtTheNextPaint)
{
    a->SetFocus();
    host.manager.ScheduleFocus(c);
    EXPECT_EQ(b, host.manager.GetFocusedControl());   // the tab stop before c, without events
    ::UpdateWindow(host.GetHandle());
    EXPECT_EQ(c, host.manager.GetFocusedControl());
    EXPECT_TRUE(c->IsFocused());
}

TEST_F(InputTest, AltShortcutOfALabelActivatesTheNextControlVisited)
{
    // Children are visited last to first: other, then the label, then button.
    CHorizontalLayoutUI* tree = new CHorizontalLayoutUI;
    ProbeControl* button = new ProbeControl(L"button", 60, UIFLAG_TABSTOP, L"ButtonUI");
    ProbeControl* label = new ProbeControl(L"label", 60, 0, L"LabelUI");
    ProbeControl* other = new ProbeControl(L"other", 80, UIFLAG_TABSTOP, L"ButtonUI");
    label->SetShortcut(L's');
    tree->Add(button);
    tree->Add(label);
    tree->Add(other);
    host.manager.AttachRootControl(tree);

    LRESULT result = 0;
    EXPECT_TRUE(host.manager.PreTranslate(WM_SYSCHAR, L's', 0, result));
    EXPECT_EQ(button, host.manager.GetFocusedControl());
    EXPECT_EQ(1, button->activations);
    EXPECT_EQ(0, label->activations);
    EXPECT_EQ(0, other->activations);

    other->SetShortcut(L'Q');
    EXPECT_TRUE(host.manager.PreTranslate(WM_SYSCHAR, L'q', 0, result));
    EXPECT_EQ(other, host.manager.GetFocusedControl());
    EXPECT_FALSE(host.manager.PreTranslate(WM_SYSCHAR, L'z', 0, result));
}

// ---- Timers -------------------------------------------------------------------------------------

TEST_F(InputTest, TimersGetNativeIdsFromSeventeenAndDeliverTheControlsOwnId)
{
    EXPECT_TRUE(host.manager.StartTimer(a, 5, kNeverWithinATestMs));
    // A running id is restarted on its native id (b still gets the next one, 18).
    EXPECT_TRUE(host.manager.StartTimer(a, 5, kNeverWithinATestMs));
    EXPECT_TRUE(host.manager.StartTimer(b, 5, kNeverWithinATestMs));

    Send(WM_TIMER, 17);
    Send(WM_TIMER, 18);
    ASSERT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::Timer),
                                         Entry(L"b", UIEventType::Timer)}),
              Trace());
    EXPECT_EQ(5u, g_events[0].wParam);

    EXPECT_TRUE(host.manager.StopTimer(a, 5));
    EXPECT_FALSE(host.manager.StopTimer(a, 5));
    g_events.clear();
    Send(WM_TIMER, 17);
    EXPECT_TRUE(g_events.empty());
    // Started again, the stopped record keeps its native id.
    EXPECT_TRUE(host.manager.StartTimer(a, 5, kNeverWithinATestMs));
    Send(WM_TIMER, 17);
    EXPECT_EQ(1u, g_events.size());
}

TEST_F(InputTest, ARunningTimerReallyFires)
{
    ASSERT_TRUE(host.manager.StartTimer(c, 9, 10));
    ASSERT_TRUE(PumpUntil([&] { return !Trace(UIEventType::Timer).empty(); }));
    EXPECT_EQ(9u, g_events.back().wParam);
    host.manager.StopAllTimersOf(c);
    EXPECT_FALSE(host.manager.StopTimer(c, 9));
}

TEST_F(InputTest, DestroyedControlsLoseTheirTimersNamesAndReferences)
{
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(70, 10));
    b->SetFocus();
    host.manager.StartTimer(b, 1, kNeverWithinATestMs);
    EXPECT_EQ(b, host.manager.FindControlByName(L"b"));
    host.manager.RaiseNotify(b, L"click", 0, 0, true);

    root->SetDeferredDelete(false);
    root->Remove(b);   // deleted at once, before the queued click is delivered
    EXPECT_EQ(nullptr, host.manager.FindControlByName(L"b"));
    Send(WM_NULL);
    EXPECT_EQ(nullptr, host.manager.GetFocusedControl());
    ASSERT_FALSE(notifier.types.empty());
    EXPECT_EQ(L"click", notifier.types.back());
    EXPECT_EQ(nullptr, notifier.senders.back());

    g_events.clear();
    Send(WM_TIMER, 17);
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::MouseEnter),
                                         Entry(L"a", UIEventType::MouseMove)}),
              Trace());
}

// A control deleted by the handling of a press leaves the window at once and is freed by the
// window's queued deletions: the release and the context menu that come after must not reach
// its freed memory.
TEST_F(InputTest, AControlDeletedWhilePressedGetsNoReleaseAfterwards)
{
    const struct
    {
        const char* what;
        UINT press;
        int deleteOn;
        UINT release;
    } cases[] = {
        {"double click", WM_LBUTTONDBLCLK, UIEventType::DoubleClick, WM_LBUTTONUP},
        {"right button", WM_RBUTTONDOWN, UIEventType::RButtonDown, WM_CONTEXTMENU},
    };
    controlstest::DeleteAtOnce(c);   // room for the victim
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        bool deleted = false;
        auto* victim = new ProbeControl(L"victim", 80, UIFLAG_TABSTOP, L"ProbeUI", &deleted);
        root->Add(victim);
        ::InvalidateRect(host.GetHandle(), nullptr, FALSE);
        ::UpdateWindow(host.GetHandle());
        const RECT pos = victim->GetPos();
        const LPARAM at = MAKELPARAM(pos.left + 5, pos.top + 5);
        victim->SetFocus();
        victim->deleteOn = test.deleteOn;
        g_events.clear();

        Send(test.press, 0, at);
        EXPECT_FALSE(deleted) << "not while its own event runs";
        ASSERT_TRUE(PumpUntil([&] { return deleted; }));
        Send(test.release, 0, test.release == WM_CONTEXTMENU ? ScreenPoint(pos.left + 5, 5) : at);
        EXPECT_EQ((std::vector<std::wstring>{Entry(L"victim", test.deleteOn)}), Trace());
        if (::GetCapture() == host.GetHandle())
            ::ReleaseCapture();
    }
}

// A control's own delegate may delete it: the control leaves the window at once and stays whole
// until the message is handled, so the rest of the walk, its OnEvent and the notifiers meet a
// live control; the window's later input meets nothing of it.
TEST_F(InputTest, ADelegateThatDeletesItsControlLeavesItWholeUntilTheMessageEnds)
{
    struct Deleter
    {
        explicit Deleter(CControlUI* control) : victim(control) {}
        bool Delete(void*)
        {
            controlstest::DeleteAtOnce(victim);
            return true;
        }
        bool After(void*)
        {
            afterOutOfWindow = victim->GetManager() == nullptr;
            return true;
        }
        CControlUI* victim;
        bool afterOutOfWindow = false;
    };

    Deleter onEvent(b);
    b->OnEventEvent.Add(CDelegate<Deleter>(&onEvent, &Deleter::Delete));
    b->OnEventEvent.Add(CDelegate<Deleter>(&onEvent, &Deleter::After));
    // The press focuses it first: the delegates run for that event.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 10));
    EXPECT_TRUE(onEvent.afterOutOfWindow);
    EXPECT_EQ(1u, Trace(UIEventType::SetFocus).size()) << "its OnEvent, whole";
    EXPECT_TRUE(Trace(UIEventType::ButtonDown).empty()) << "not once out of the window";
    ASSERT_TRUE(PumpUntil([&] { return host.manager.FindControlAt(POINT{70, 10}) != b; }));
    Pump();
    g_events.clear();
    Send(WM_LBUTTONUP, 0, MAKELPARAM(70, 10));
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(71, 10));
    EXPECT_TRUE(Trace(UIEventType::ButtonUp).empty());

    Deleter onNotify(c);
    c->OnNotifyEvent.Add(CDelegate<Deleter>(&onNotify, &Deleter::Delete));
    c->OnNotifyEvent.Add(CDelegate<Deleter>(&onNotify, &Deleter::After));
    host.manager.RaiseNotify(c, L"click");
    EXPECT_TRUE(onNotify.afterOutOfWindow);
    ASSERT_FALSE(notifier.senders.empty());
    EXPECT_EQ(c, notifier.senders.back()) << "the notifiers hear of the live sender";
}

// ---- Tree and notifications ---------------------------------------------------------------------

TEST_F(InputTest, ReplacedRootIsDeletedOnlyAtTheDeletionMessage)
{
    ProbeControl* extra = new ProbeControl(L"extra", 10, 0, L"ProbeUI", &extraDeleted);
    root->Add(extra);
    CHorizontalLayoutUI* next = new CHorizontalLayoutUI;
    ProbeControl* named = new ProbeControl(L"a", 10);
    next->Add(named);
    host.manager.AttachRootControl(next);
    EXPECT_FALSE(extraDeleted);
    EXPECT_EQ(named, host.manager.FindControlByName(L"a"));
    Pump();
    EXPECT_TRUE(extraDeleted);
    // The old "a" went, the new one stays registered.
    EXPECT_EQ(named, host.manager.FindControlByName(L"a"));
    EXPECT_EQ(nullptr, host.manager.FindControlByName(L"c"));
}

TEST_F(InputTest, AttachingTheSameRootAgainKeepsIt)
{
    ProbeControl* extra = new ProbeControl(L"extra", 10, 0, L"ProbeUI", &extraDeleted);
    root->Add(extra);
    host.manager.AttachRootControl(root);
    Pump();
    EXPECT_FALSE(extraDeleted);
    EXPECT_EQ(root, host.manager.GetRootControl());
}

TEST_F(InputTest, SendersNotifyEventRunsBeforeTheNotifiers)
{
    struct Listener
    {
        std::vector<std::wstring>* order;
        bool OnNotify(void* param)
        {
            order->push_back(L"source:" + std::wstring(static_cast<UINotification*>(param)->sType.GetData()));
            return false;
        }
    };
    std::vector<std::wstring> order;
    Listener listener = {&order};
    a->OnNotifyEvent.Add(CDelegate<Listener>(&listener, &Listener::OnNotify));
    host.manager.RaiseNotify(a, L"click", 3);
    EXPECT_EQ((std::vector<std::wstring>{L"source:click"}), order);
    ASSERT_EQ((std::vector<std::wstring>{L"click"}), notifier.types);
    EXPECT_EQ(3u, notifier.wParams[0]);
}

TEST_F(InputTest, OptionGroupsHoldEachControlOnceAndVanishWhenEmpty)
{
    EXPECT_TRUE(host.manager.AddToOptionGroup(L"g", a));
    EXPECT_FALSE(host.manager.AddToOptionGroup(L"g", a));
    EXPECT_TRUE(host.manager.AddToOptionGroup(L"g", b));
    ASSERT_NE(nullptr, host.manager.GetOptionGroup(L"g"));
    EXPECT_EQ(2, host.manager.GetOptionGroup(L"g")->GetSize());
    host.manager.RemoveFromOptionGroup(L"g", a);
    EXPECT_EQ(1, host.manager.GetOptionGroup(L"g")->GetSize());
    host.manager.RemoveFromOptionGroup(L"g", b);
    EXPECT_EQ(nullptr, host.manager.GetOptionGroup(L"g"));
    host.manager.AddToOptionGroup(L"h", c);
    host.manager.RemoveAllOptionGroups();
    EXPECT_EQ(nullptr, host.manager.GetOptionGroup(L"h"));
}

static BOOL CALLBACK FindTooltip(HWND hWnd, LPARAM data)
{
    WCHAR name[64] = {};
    ::GetClassNameW(hWnd, name, 64);
    if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) {
        *reinterpret_cast<HWND*>(data) = hWnd;
        return FALSE;
    }
    return TRUE;
}

TEST_F(InputTest, HoverShowsTheTooltipWithLanguageTextsExpanded)
{
    CUIWindowManager::AddLanguageText(41, L"Install now");
    b->SetToolTip(L"%{41}!");
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(70, 10));
    g_events.clear();
    EXPECT_EQ(0, Send(WM_MOUSEHOVER, 0, MAKELPARAM(70, 10)));
    EXPECT_TRUE(host.lastHandled);
    EXPECT_EQ((std::vector<std::wstring>{Entry(L"b", UIEventType::MouseHover)}), Trace());

    HWND tip = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindTooltip, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(nullptr, tip);
    EXPECT_EQ(host.GetHandle(), ::GetWindow(tip, GW_OWNER));

    WCHAR text[80] = {};
    TTTOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = host.GetHandle();
    info.uId = reinterpret_cast<UINT_PTR>(host.GetHandle());
    info.lpszText = text;
    ::SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(L"Install now!", text);

    // Nothing under the point: not handled.
    LRESULT result = 0;
    EXPECT_FALSE(host.manager.HandleWindowMessage(WM_MOUSEHOVER, 0, MAKELPARAM(300, 300), result));
}

TEST_F(InputTest, WrappedTimerIdsSkipOnesStillInUse)
{
    ASSERT_TRUE(host.manager.StartTimer(a, 1, kNeverWithinATestMs));   // native id 17, kept running
    // Each start takes the next id; 254 more starts bring the counter round to 16.
    for (int i = 0; i < 254; ++i) {
        ASSERT_TRUE(host.manager.StartTimer(b, 2, kNeverWithinATestMs));
        host.manager.StopAllTimersOf(b);
    }
    ASSERT_TRUE(host.manager.StartTimer(c, 3, kNeverWithinATestMs));   // 17 is a's: c gets 18
    Send(WM_TIMER, 17);
    Send(WM_TIMER, 18);
    ASSERT_EQ((std::vector<std::wstring>{Entry(L"a", UIEventType::Timer),
                                         Entry(L"c", UIEventType::Timer)}),
              Trace());
    EXPECT_EQ(1u, g_events[0].wParam);
    EXPECT_EQ(3u, g_events[1].wParam);
}

TEST(DeferredDeletion, ControlsQueuedWithoutAWindowGoWithTheManager)
{
    bool deleted = false;
    {
        CUIWindowManager manager;
        manager.QueueControlForDeletion(new ProbeControl(L"q", 1, 0, L"ProbeUI", &deleted));
        EXPECT_FALSE(deleted);
    }
    EXPECT_TRUE(deleted);
}

TEST_F(InputTest, VirtualWindowNamesAreFilledOnceAControlHasOne)
{
    host.manager.RaiseNotify(a, L"before");
    a->SetVirtualWindowName(L"page1");
    host.manager.RaiseNotify(a, L"click");
    host.manager.RaiseNotify(a, L"later", 0, 0, true);
    Send(WM_NULL);
    ASSERT_EQ((std::vector<std::wstring>{L"before", L"click", L"later"}), notifier.types);
    EXPECT_EQ(L"", notifier.virtualWnds[0]);
    EXPECT_EQ(L"page1", notifier.virtualWnds[1]);
    // Queued copies do not carry the name.
    EXPECT_EQ(L"", notifier.virtualWnds[2]);
}

TEST_F(InputTest, SystemKeysReachTheFocusedControlWithoutBeingConsumed)
{
    c->SetFocus();
    g_events.clear();
    LRESULT result = 0;
    EXPECT_FALSE(host.manager.PreTranslate(WM_SYSKEYDOWN, VK_F4, 0, result));
    ASSERT_EQ((std::vector<std::wstring>{Entry(L"c", UIEventType::SysKey)}), Trace());
    EXPECT_EQ(VK_F4, g_events[0].key);
}

TEST(PartialLayout, OnlyTheControlThatAskedIsPlacedAgain)
{
    HostWnd host;
    ASSERT_NE(nullptr, host.Open(200, 120));
    CHorizontalLayoutUI* root = new CHorizontalLayoutUI;
    CVerticalLayoutUI* column = new CVerticalLayoutUI;
    column->SetFixedWidth(100);
    CControlUI* top = new CControlUI;
    top->SetFixedHeight(20);
    CControlUI* below = new CControlUI;
    column->Add(top);
    column->Add(below);
    CControlUI* side = new CControlUI;
    root->Add(column);
    root->Add(side);
    host.manager.AttachRootControl(root);
    ::InvalidateRect(host.GetHandle(), nullptr, FALSE);
    ::UpdateWindow(host.GetHandle());
    ASSERT_EQ(20, below->GetPos().top);

    top->SetFixedHeight(50);   // the column asks for a layout, the root does not
    EXPECT_FALSE(root->IsUpdateNeeded());
    EXPECT_TRUE(column->IsUpdateNeeded());
    ::UpdateWindow(host.GetHandle());
    EXPECT_EQ(50, below->GetPos().top);
    EXPECT_FALSE(column->IsUpdateNeeded());
    EXPECT_EQ(100, column->GetPos().right);
    EXPECT_EQ(100, side->GetPos().left);
    ASSERT_EQ(1, host.manager.GetUpdateList()->GetSize());
    EXPECT_EQ(column, host.manager.GetUpdateList()->GetAt(0));
}
