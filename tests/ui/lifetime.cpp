// One lifetime model for controls: structural changes run no handler, every kind of handler may
// delete its control, names follow the control, a closed combo box keeps its items out of reach
// and a manager destroyed first leaves nothing pointing at it. Freed memory is poisoned in the
// test programs, so a use after free faults here rather than passing by luck.

#include "controls/UICombo.h"
#include "controls/UIEdit.h"
#include "controls/UIOption.h"
#include "core/UIButton.h"
#include "core/UILayouts.h"

#include <gtest/gtest.h>

#include <functional>

#include "manager_support.h"

using namespace QxUI;
using namespace skintest;
using controlstest::DeleteAtOnce;
using controlstest::Handler;

namespace {

// Set while a test makes a structural change: a handler that runs then is a fault.
bool g_changing = false;

// A tab stop that listens to its window as the rich edit does and notes what runs it.
struct Listener : CControlUI, IMessageFilterUI
{
    Listener()
    {
        SetName(L"probe");
        OfferMessageFilter(this);
    }
    UINT GetInputFlags() override { return UIFLAG_TABSTOP; }
    LRESULT PreFilterMessage(UINT, WPARAM, LPARAM, bool&) override
    {
        ranDuringChange |= g_changing;
        return 0;
    }
    void OnEvent(UIEvent& event) override
    {
        ranDuringChange |= g_changing;
        focusLost += event.Type == UIEventType::KillFocus;
        CControlUI::OnEvent(event);
    }
    int focusLost = 0;
    bool ranDuringChange = false;
};

// Notes the destruction of a control through its destroy event.
struct DestroyFlag
{
    explicit DestroyFlag(CControlUI* control)
    {
        control->OnDestroyEvent.Add(CDelegate<DestroyFlag>(this, &DestroyFlag::Set));
    }
    bool Set(void*) { return destroyed = true; }
    bool destroyed = false;
};

} // namespace

// Adding, removing, moving and destroying run no handler; a focused control that left and still
// lives hears "killfocus" after the change, and the window it left holds nothing of it.
TEST(LifetimeModel, StructuralChangesRunNoHandlers)
{
    typedef std::function<void(CContainerUI * box, CContainerUI * root, CContainerUI * dest)> Change;
    const struct
    {
        const char* path;
        bool survives;
        Change change;
    } cases[] = {
        {"moved to another window", true,
         [](CContainerUI* box, CContainerUI*, CContainerUI* dest) {
             box->SetOwningChildren(false);
             CControlUI* probe = box->GetItemAt(0);
             box->Remove(probe);
             dest->Add(probe);
         }},
        {"its container moved to another window", true,
         [](CContainerUI* box, CContainerUI* root, CContainerUI* dest) {
             root->SetOwningChildren(false);
             root->Remove(box);
             dest->Add(box);
         }},
        {"removed, deleted later", false,
         [](CContainerUI* box, CContainerUI*, CContainerUI*) { box->RemoveAt(0); }},
        {"its container deleted", false,
         [](CContainerUI* box, CContainerUI* root, CContainerUI*) {
             root->SetDeferredDelete(false);
             root->Remove(box);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        SkinWindow window, other;
        ASSERT_TRUE(window.Open(L"<Window><VerticalLayout name=\"root\"><HorizontalLayout "
                                L"name=\"box\" height=\"30\"/></VerticalLayout></Window>"));
        ASSERT_TRUE(other.Open(L"<Window><VerticalLayout name=\"dest\"/></Window>", 200, 120, 140));
        CUIWindowManager& first = window.host.manager;
        Listener* probe = new Listener;
        ASSERT_TRUE(window.Find<CContainerUI>(L"box")->Add(probe));
        DestroyFlag flag(probe);
        ASSERT_TRUE(first.StartTimer(probe, 1, qixtest::kNeverWithinATestMs));
        probe->SetFocus();
        bool notified = false;
        Handler during(L"killfocus", [&](UINotification&) { notified |= g_changing; });
        first.AddNotifier(&during);

        g_changing = true;
        c.change(window.Find<CContainerUI>(L"box"), window.Find<CContainerUI>(L"root"),
                 other.Find<CContainerUI>(L"dest"));
        g_changing = false;

        EXPECT_FALSE(notified || (!flag.destroyed && probe->ranDuringChange)) << "a handler ran";
        EXPECT_EQ(nullptr, first.FindControlByName(L"probe"));
        EXPECT_EQ(nullptr, first.GetFocusedControl());
        EXPECT_FALSE(first.StopTimer(probe, 1)) << "its timer";
        EXPECT_FALSE(first.RemoveMessageFilter(probe)) << "its filter";
        managertest::Pump();
        EXPECT_EQ(c.survives, !flag.destroyed);
        EXPECT_EQ(c.survives ? 1 : 0, during.runs) << "killfocus after the change";
        if (c.survives) {
            EXPECT_EQ(1, probe->focusLost);
            if (!probe->GetManager())
                delete probe;
        }
        first.RemoveNotifier(&during);
    }
}

namespace {

// A handler that deletes its control the one way the framework offers, then goes on as one that
// shows a message box would: it runs its own message loop. The control must stay whole until
// the handler has returned, and be freed after.
struct DeletingHandler : INotifyUI, IMessageFilterUI
{
    explicit DeletingHandler(CControlUI* control, LPCWSTR type)
        : victim(control), flag(control), type(type)
    {
    }
    void Run()
    {
        if (!victim)
            return;
        CControlUI* gone = victim;
        victim = nullptr;
        ASSERT_TRUE(DeleteAtOnce(gone));
        managertest::Pump();
        wholeInOwnLoop = !flag.destroyed;
    }
    bool OnDelegate(void* param)
    {
        if (!type || static_cast<UINotification*>(param)->sType == type)
            Run();
        return true;
    }
    void OnUINotify(UINotification& msg) override { OnDelegate(&msg); }
    LRESULT PreFilterMessage(UINT msg, WPARAM, LPARAM, bool&) override
    {
        if (msg == WM_LBUTTONDOWN)
            Run();
        return 0;
    }
    CControlUI* victim;
    DestroyFlag flag;
    LPCWSTR type;
    bool wholeInOwnLoop = false;
};

enum class Hook
{
    Notifier,
    MessageFilter,
    EventDelegate,
    SizeDelegate,
    NotifyDelegate
};

// Opens the drop-down of the box at x, and clicks the row at y in it.
void ClickDropDownRow(SkinWindow& window, CComboUI* combo, int x, int y)
{
    window.Click(x, 10);
    CComboWnd* drop = combo->GetDropDown();
    ASSERT_NE(nullptr, drop);
    ::RedrawWindow(drop->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::SendMessageW(drop->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, y));
    ::SendMessageW(drop->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(10, y));
}

} // namespace

// Notifications, message filters, event sources, timers and the handlers run from a combo box's
// drop-down and an edit box's native window may each delete the control they are about.
TEST(LifetimeModel, EveryKindOfHandlerMayDeleteItsControl)
{
    const struct
    {
        const char* kind;
        LPCWSTR name;   // the control deleted
        Hook hook;
        LPCWSTR type;   // of the notification that deletes
        std::function<void(SkinWindow&, CControlUI*)> act;
    } cases[] = {
        {"notifier", L"b", Hook::Notifier, L"click", [](SkinWindow& w, CControlUI*) { w.Click(10, 10); }},
        {"message filter", L"b", Hook::MessageFilter, nullptr,
         [](SkinWindow& w, CControlUI*) { w.Click(10, 10); }},
        {"event delegate", L"b", Hook::EventDelegate, nullptr,
         [](SkinWindow& w, CControlUI*) { w.Click(10, 10); }},
        {"size delegate in a layout", L"b", Hook::SizeDelegate, nullptr,
         [](SkinWindow& w, CControlUI* c) {
             c->SetFixedWidth(50);
             w.Repaint();
         }},
        {"timer", L"b", Hook::Notifier, L"timer",
         [](SkinWindow& w, CControlUI* c) {
             ASSERT_TRUE(w.host.manager.StartTimer(c, 3, 1));
             ASSERT_TRUE(PumpUntil([&] { return w.Find(L"b") == nullptr; }));
         }},
        {"row clicked in the drop-down", L"combo", Hook::NotifyDelegate, L"itemselect",
         [](SkinWindow& w, CControlUI* c) { ClickDropDownRow(w, static_cast<CComboUI*>(c), 130, 31); }},
        {"return in the native edit window", L"e", Hook::NotifyDelegate, L"return",
         [](SkinWindow& w, CControlUI* c) {
             w.Click(70, 10);
             HWND native = static_cast<CEditUI*>(c)->GetNativeWindow();
             ASSERT_NE(nullptr, native);
             ::SendMessageW(native, WM_KEYDOWN, VK_RETURN, 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        SkinWindow window;
        ASSERT_TRUE(window.Open(
            L"<Window><HorizontalLayout name=\"box\" height=\"24\"><Button name=\"b\" width=\"60\"/>"
            L"<Edit name=\"e\" width=\"60\"/><Combo name=\"combo\" width=\"60\">"
            L"<ListLabelElement text=\"a\" height=\"20\"/><ListLabelElement text=\"b\" height=\"20\"/>"
            L"</Combo></HorizontalLayout></Window>",
            240, 120));
        ASSERT_TRUE(window.Activate());
        CControlUI* control = window.Find(c.name);
        DeletingHandler handler(control, c.type);
        const CDelegate<DeletingHandler> run(&handler, &DeletingHandler::OnDelegate);
        switch (c.hook) {
        case Hook::Notifier: window.host.manager.AddNotifier(&handler); break;
        case Hook::MessageFilter: window.host.manager.AddMessageFilter(&handler, control); break;
        case Hook::EventDelegate: control->OnEventEvent.Add(run); break;
        case Hook::SizeDelegate: control->OnSizeEvent.Add(run); break;
        case Hook::NotifyDelegate: control->OnNotifyEvent.Add(run); break;
        }
        c.act(window, control);
        EXPECT_EQ(nullptr, handler.victim) << "the handler ran";
        EXPECT_TRUE(handler.wholeInOwnLoop) << "freed under the handler";
        EXPECT_TRUE(PumpUntil([&] { return handler.flag.destroyed; }));
        for (int x : {10, 70, 130})
            window.Click(x, 10);
        window.Repaint();
        window.host.manager.RemoveNotifier(&handler);
    }
}

namespace {

// A combo box whose items hold a button with a shortcut and an option of the group "g", with
// another option of that group outside the box.
const wchar_t kReachSkin[] =
    L"<Window><HorizontalLayout height=\"24\"><Button name=\"first\" width=\"40\"/>"
    L"<Combo name=\"combo\" width=\"120\"><ListContainerElement name=\"row\" height=\"20\">"
    L"<Button name=\"inner\" shortcut=\"k\"/></ListContainerElement><ListContainerElement "
    L"height=\"20\"><Option name=\"o1\" group=\"g\"/></ListContainerElement></Combo>"
    L"<Option name=\"o0\" group=\"g\" selected=\"true\" width=\"40\"/></HorizontalLayout></Window>";

} // namespace

// A renamed control is found by its new name only, a lent one in the box's window while it is
// lent, and none once it has left.
TEST(LifetimeModel, NamesFollowTheControl)
{
    SkinWindow window;
    ASSERT_TRUE(window.Open(kReachSkin, 240, 120) && window.Activate());
    CControlUI* first = window.Find(L"first");
    first->SetName(L"renamed");
    EXPECT_EQ(nullptr, window.Find(L"first"));
    EXPECT_EQ(first, window.Find(L"renamed"));

    auto* combo = window.Find<CComboUI>(L"combo");
    CControlUI* inner = window.Find(L"inner");
    window.Click(60, 10);
    ASSERT_NE(nullptr, combo->GetDropDown());
    EXPECT_EQ(&combo->GetDropDown()->GetManager(), inner->GetManager());
    inner->SetName(L"lent");
    EXPECT_EQ(inner, window.Find(L"lent")) << "renamed while lent";
    window.Find<CContainerUI>(L"row")->Remove(inner);
    EXPECT_EQ(nullptr, window.Find(L"lent")) << "taken out of a lent item";
    ::SendMessageW(combo->GetDropDown()->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(PumpUntil([&] { return combo->GetDropDown() == nullptr; }));
    EXPECT_NE(nullptr, window.Find(L"row")) << "given back";
    EXPECT_EQ(nullptr, window.Find(L"lent"));
}

// While the box is closed, tab stops and shortcuts skip what its items hold, as clicks do; an
// option in the open drop-down and one outside the box are one group.
TEST(LifetimeModel, AClosedComboKeepsItsItemsOutOfReach)
{
    SkinWindow window;
    ASSERT_TRUE(window.Open(kReachSkin, 240, 120) && window.Activate());
    CUIWindowManager& manager = window.host.manager;
    CControlUI* inner = window.Find(L"inner");
    for (bool forward : {true, false}) {
        for (int i = 0; i < 8; ++i) {
            manager.FocusNextTabStop(forward);
            EXPECT_NE(inner, manager.GetFocusedControl()) << (forward ? "Tab " : "Shift+Tab ") << i;
        }
    }
    LRESULT result = 0;
    manager.PreTranslate(WM_SYSCHAR, 'k', 0, result);
    EXPECT_NE(inner, manager.GetFocusedControl()) << "Alt+K";
    EXPECT_EQ(0, window.recorder.Count(L"click"));

    auto* o0 = window.Find<COptionUI>(L"o0");
    auto* o1 = window.Find<COptionUI>(L"o1");
    ClickDropDownRow(window, window.Find<CComboUI>(L"combo"), 60, 31);
    EXPECT_TRUE(o1->IsSelected());
    EXPECT_FALSE(o0->IsSelected()) << "one group across the drop-down";
    ASSERT_TRUE(o0->Activate());
    EXPECT_FALSE(o1->IsSelected()) << "and back";
}

// A control that outlives its manager points at none, and a window object that deletes itself
// when a handler destroys its window frees nothing under that handler.
TEST(LifetimeModel, AManagerDestroyedFirstLeavesNothingPointingAtIt)
{
    CControlUI loose;
    {
        CUIWindowManager manager;
        loose.SetManager(&manager, nullptr, false);
    }
    EXPECT_EQ(nullptr, loose.GetManager());

    struct SelfDeleting : managertest::HostWnd
    {
        void OnWindowDestroyed(HWND) override { delete this; }
    };
    auto* host = new SelfDeleting;
    ASSERT_NE(nullptr, host->Open());
    auto* root = new CVerticalLayoutUI;
    auto* button = new CButtonUI;
    root->Add(button);
    host->manager.AttachRootControl(root);
    ::RedrawWindow(host->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    DestroyFlag flag(button);
    // Its destroy event comes while all of it is whole.
    int childrenSeen = -1;
    struct CountOnDestroy
    {
        bool Count(void* control)
        {
            *seen = static_cast<CContainerUI*>(static_cast<CControlUI*>(control))->GetCount();
            return true;
        }
        int* seen;
    } counter{&childrenSeen};
    root->OnDestroyEvent.Add(CDelegate<CountOnDestroy>(&counter, &CountOnDestroy::Count));
    bool wholeAfterDestroy = false;
    Handler closer(L"click", [&](UINotification& msg) {
        ::DestroyWindow(host->GetHandle());
        wholeAfterDestroy = !flag.destroyed && msg.pSender == button;
    });
    host->manager.AddNotifier(&closer);
    const HWND hWnd = host->GetHandle();
    ::SendMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(wholeAfterDestroy);
    EXPECT_TRUE(PumpUntil([&] { return flag.destroyed; }));
    EXPECT_EQ(1, childrenSeen);
}
