// One lifetime model for controls: structural changes run no handler, every kind of handler may
// delete its control, what a control registered goes with it, names follow the control, and a
// closed combo box keeps its items out of reach. Freed memory is poisoned in the test programs,
// so a use after free faults here rather than passing by luck.

#include "controls/UICombo.h"
#include "controls/UIEdit.h"
#include "controls/UIList.h"
#include "controls/UIListElement.h"
#include "controls/UIOption.h"
#include "core/UIButton.h"
#include "core/UILayouts.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "manager_support.h"

using namespace QxUI;
using namespace skintest;
using controlstest::DeleteAtOnce;
using controlstest::Handler;

namespace {

// Set while a test makes a structural change: any handler that runs then is a fault.
bool g_changing = false;

// A control that listens to its window as the rich edit does, and records what reaches it.
class Listener : public CControlUI, public IMessageFilterUI
{
public:
    Listener()
    {
        SetName(L"probe");
        SetFixedHeight(20);
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
        if (event.Type == UIEventType::KillFocus)
            ++focusLost;
        CControlUI::OnEvent(event);
    }
    int focusLost = 0;
    bool ranDuringChange = false;
};

// Notes the destruction of any control through its destroy event.
struct DestroyFlag
{
    explicit DestroyFlag(CControlUI* control)
    {
        control->OnDestroyEvent.Add(CDelegate<DestroyFlag>(this, &DestroyFlag::Set));
    }
    bool Set(void*)
    {
        destroyed = true;
        return true;
    }
    bool destroyed = false;
};

const wchar_t kTwoPanels[] =
    L"<Window><VerticalLayout name=\"root\"><HorizontalLayout name=\"box\" height=\"30\">"
    L"<Button name=\"b\" width=\"40\"/></HorizontalLayout>"
    L"<List name=\"list\" height=\"50\"><ListLabelElement name=\"r0\" text=\"0\" height=\"20\"/>"
    L"<ListLabelElement name=\"r1\" text=\"1\" height=\"20\"/></List>"
    L"</VerticalLayout></Window>";

} // namespace

// Adding, removing, moving and destroying run no handler: the focused control that left and
// still lives hears "killfocus" after the change, and the window it left holds nothing of it.
TEST(LifetimeModel, StructuralChangesRunNoHandlers)
{
    const struct
    {
        const char* path;
        bool survives;
        std::function<void(CContainerUI* box, CContainerUI* root, CContainerUI* dest)> change;
    } cases[] = {
        {"taken out of a container that does not own it", true,
         [](CContainerUI* box, CContainerUI*, CContainerUI*) {
             box->SetOwningChildren(false);
             box->RemoveAt(1);
         }},
        {"moved to another window", true,
         [](CContainerUI* box, CContainerUI*, CContainerUI* dest) {
             box->SetOwningChildren(false);
             CControlUI* probe = box->GetItemAt(1);
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
         [](CContainerUI* box, CContainerUI*, CContainerUI*) { box->RemoveAt(1); }},
        {"all removed, deleted at once", false,
         [](CContainerUI* box, CContainerUI*, CContainerUI*) {
             box->SetDeferredDelete(false);
             box->RemoveAll();
         }},
        {"its container deleted", false,
         [](CContainerUI* box, CContainerUI* root, CContainerUI*) {
             root->SetDeferredDelete(false);
             root->Remove(box);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        SkinWindow window, other;
        ASSERT_TRUE(window.Open(kTwoPanels));
        ASSERT_TRUE(other.Open(L"<Window><VerticalLayout name=\"dest\"/></Window>", 200, 120, 140));
        auto* box = window.Find<CContainerUI>(L"box");
        Listener* probe = new Listener;
        ASSERT_TRUE(box->Add(probe));
        DestroyFlag flag(probe);
        ASSERT_TRUE(window.host.manager.StartTimer(probe, 1, qixtest::kNeverWithinATestMs));
        probe->SetFocus();
        ASSERT_EQ(probe, window.host.manager.GetFocusedControl());
        bool notified = false;
        Handler during(L"killfocus", [&](UINotification&) { notified |= g_changing; });
        window.host.manager.AddNotifier(&during);
        window.recorder.types.clear();

        g_changing = true;
        c.change(box, window.Find<CContainerUI>(L"root"), other.Find<CContainerUI>(L"dest"));
        g_changing = false;

        EXPECT_FALSE(notified || (!flag.destroyed && probe->ranDuringChange)) << "a handler ran";
        CUIWindowManager& first = window.host.manager;
        EXPECT_EQ(nullptr, first.FindControlByName(L"probe"));
        EXPECT_NE(probe, first.GetFocusedControl());
        EXPECT_FALSE(first.StopTimer(probe, 1)) << "its timer";
        EXPECT_FALSE(first.RemoveMessageFilter(probe)) << "its filter";
        managertest::Pump();
        if (c.survives) {
            EXPECT_FALSE(flag.destroyed);
            EXPECT_EQ(1, window.recorder.Count(L"killfocus")) << "heard after the change";
            EXPECT_EQ(1, probe->focusLost);
            if (!probe->GetManager())
                delete probe;
        } else {
            EXPECT_TRUE(flag.destroyed);
            EXPECT_EQ(0, window.recorder.Count(L"killfocus")) << "nothing of what is gone";
        }
        window.host.manager.RemoveNotifier(&during);
    }
}

// A removal that moves a list's selection raises "itemselect" after the change.
TEST(LifetimeModel, ASelectionMovedByARemovalIsHeardAfterIt)
{
    SkinWindow window;
    ASSERT_TRUE(window.Open(kTwoPanels));
    auto* list = window.Find<CListUI>(L"list");
    ASSERT_TRUE(list->SelectItem(1));
    bool during = false;
    Handler select(L"itemselect", [&](UINotification&) { during |= g_changing; });
    window.host.manager.AddNotifier(&select);
    g_changing = true;
    ASSERT_TRUE(list->RemoveAt(1));
    g_changing = false;
    EXPECT_EQ(0, select.runs);
    managertest::Pump();
    EXPECT_EQ(1, select.runs);
    EXPECT_FALSE(during);
    EXPECT_EQ(0, list->GetCurSel());
    window.host.manager.RemoveNotifier(&select);
}

namespace {

const wchar_t kHandlerSkin[] =
    L"<Window><VerticalLayout name=\"root\"><HorizontalLayout name=\"box\" height=\"24\">"
    L"<Button name=\"b\" width=\"60\"/><Edit name=\"e\" width=\"60\"/>"
    L"<Combo name=\"combo\" width=\"60\"><ListLabelElement name=\"c0\" text=\"a\" height=\"20\"/>"
    L"<ListLabelElement name=\"c1\" text=\"b\" height=\"20\"/></Combo>"
    L"</HorizontalLayout></VerticalLayout></Window>";

// A handler that deletes its control the one way the framework offers, then goes on as one that
// shows a message box would: it runs its own message loop. The control must stay whole until
// the handler has returned, and be freed after.
struct DeletingHandler
{
    explicit DeletingHandler(CControlUI* control) : victim(control), flag(control) {}
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
    // As an event or notify delegate; a notification of another type than `type` is passed by.
    bool OnDelegate(void* param)
    {
        if (!type || static_cast<UINotification*>(param)->sType == type)
            Run();
        return true;
    }
    CControlUI* victim;
    DestroyFlag flag;
    LPCWSTR type = nullptr;
    bool wholeInOwnLoop = false;
};

enum class Hook
{
    Notifier,
    EventDelegate,
    NotifyDelegate,
    SizeDelegate
};

} // namespace

// Every kind of handler may delete the control it is about: notifications, event-source
// delegates, timers, the focus leaving a hidden control, and handlers run from the combo box's
// drop-down and the edit box's native window.
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
        {"notifier", L"b", Hook::Notifier, L"click",
         [](SkinWindow& w, CControlUI*) { w.Click(10, 10); }},
        {"event delegate", L"b", Hook::EventDelegate, nullptr,
         [](SkinWindow& w, CControlUI*) { w.Click(10, 10); }},
        {"notify delegate", L"b", Hook::NotifyDelegate, L"click",
         [](SkinWindow& w, CControlUI*) { w.Click(10, 10); }},
        {"size delegate in a layout", L"b", Hook::SizeDelegate, nullptr,
         [](SkinWindow& w, CControlUI* c) {
             c->SetFixedWidth(50);
             w.Repaint();
         }},
        {"timer", L"b", Hook::Notifier, L"timer",
         [](SkinWindow& w, CControlUI* c) {
             ASSERT_TRUE(w.host.manager.StartTimer(c, 3, 1));
             ASSERT_TRUE(PumpUntil([&] { return w.recorder.Count(L"timer") > 0; }));
         }},
        {"killfocus of a control hidden", L"b", Hook::NotifyDelegate, L"killfocus",
         [](SkinWindow&, CControlUI* c) {
             c->SetFocus();
             c->SetVisible(false);
         }},
        {"row clicked in the drop-down", L"combo", Hook::NotifyDelegate, L"itemselect",
         [](SkinWindow& w, CControlUI* c) {
             w.Click(130, 10);
             CComboWnd* drop = static_cast<CComboUI*>(c)->GetDropDown();
             ASSERT_NE(nullptr, drop);
             ::RedrawWindow(drop->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
             ::SendMessageW(drop->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 31));
             ::SendMessageW(drop->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 31));
         }},
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
        ASSERT_TRUE(window.Open(kHandlerSkin, 240, 120) && window.Activate());
        CControlUI* control = window.Find(c.name);
        ASSERT_NE(nullptr, control);
        DeletingHandler handler(control);
        handler.type = c.type;
        const CDelegate<DeletingHandler> run(&handler, &DeletingHandler::OnDelegate);
        Handler notifier(c.type ? c.type : L"", [&](UINotification&) { handler.Run(); });
        switch (c.hook) {
        case Hook::Notifier: window.host.manager.AddNotifier(&notifier); break;
        case Hook::EventDelegate: control->OnEventEvent.Add(run); break;
        case Hook::NotifyDelegate: control->OnNotifyEvent.Add(run); break;
        case Hook::SizeDelegate: control->OnSizeEvent.Add(run); break;
        }
        c.act(window, control);
        EXPECT_EQ(nullptr, handler.victim) << "the handler ran";
        EXPECT_TRUE(handler.wholeInOwnLoop) << "freed under the handler";
        EXPECT_TRUE(PumpUntil([&] { return handler.flag.destroyed; }));
        EXPECT_EQ(nullptr, window.Find(c.name));
        window.Click(10, 10);
        window.Click(70, 10);
        window.Click(130, 10);
        window.Repaint();
        window.host.manager.RemoveNotifier(&notifier);
    }
}

namespace {

// A combo box whose items hold a button with a shortcut and an option of the group "g", with
// another option of that group outside the box.
const wchar_t kReachSkin[] =
    L"<Window><VerticalLayout><HorizontalLayout height=\"24\">"
    L"<Button name=\"first\" width=\"40\"/>"
    L"<Combo name=\"combo\" width=\"120\" dropboxsize=\"0,150\">"
    L"<ListContainerElement name=\"row\" height=\"20\"><Button name=\"inner\" shortcut=\"k\"/>"
    L"</ListContainerElement>"
    L"<ListContainerElement height=\"20\"><Option name=\"o1\" group=\"g\"/></ListContainerElement>"
    L"</Combo><Option name=\"o0\" group=\"g\" selected=\"true\" width=\"40\"/>"
    L"</HorizontalLayout></VerticalLayout></Window>";

} // namespace

// A renamed control is found by its new name only, a lent one in the box's window while it is
// lent, and none once it has left or gone.
TEST(LifetimeModel, NamesFollowTheControl)
{
    SkinWindow window;
    ASSERT_TRUE(window.Open(kReachSkin, 240, 120) && window.Activate());
    CUIWindowManager& manager = window.host.manager;
    CControlUI* first = window.Find(L"first");
    first->SetName(L"renamed");
    EXPECT_EQ(nullptr, manager.FindControlByName(L"first"));
    EXPECT_EQ(first, manager.FindControlByName(L"renamed"));
    CControlUI* o0 = window.Find(L"o0");
    static_cast<CContainerUI*>(o0->GetParent())->Remove(o0);
    EXPECT_EQ(nullptr, manager.FindControlByName(L"o0")) << "queued for deletion";

    auto* combo = window.Find<CComboUI>(L"combo");
    CControlUI* inner = window.Find(L"inner");
    window.Click(60, 10);
    CComboWnd* drop = combo->GetDropDown();
    ASSERT_NE(nullptr, drop);
    EXPECT_EQ(inner, manager.FindControlByName(L"inner")) << "lent";
    EXPECT_EQ(&drop->GetManager(), inner->GetManager());
    inner->SetName(L"lent");
    EXPECT_EQ(inner, manager.FindControlByName(L"lent")) << "renamed while lent";
    auto* row = window.Find<CContainerUI>(L"row");
    ASSERT_NE(nullptr, row);
    row->Remove(inner);
    EXPECT_EQ(nullptr, manager.FindControlByName(L"lent")) << "taken out of a lent item";
    EXPECT_EQ(nullptr, drop->GetManager().FindControlByName(L"lent"));
    ::SendMessageW(drop->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(PumpUntil([&] { return combo->GetDropDown() == nullptr; }));
    EXPECT_EQ(row, manager.FindControlByName(L"row")) << "given back";
    EXPECT_EQ(nullptr, manager.FindControlByName(L"lent"));
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
    manager.SetFocusControl(window.Find(L"first"));
    LRESULT result = 0;
    manager.PreTranslate(WM_SYSCHAR, 'k', 0, result);
    EXPECT_NE(inner, manager.GetFocusedControl()) << "Alt+K";
    EXPECT_EQ(0, window.recorder.Count(L"click"));

    auto* combo = window.Find<CComboUI>(L"combo");
    auto* o0 = window.Find<COptionUI>(L"o0");
    auto* o1 = window.Find<COptionUI>(L"o1");
    window.Click(60, 10);
    CComboWnd* drop = combo->GetDropDown();
    ASSERT_NE(nullptr, drop);
    ::RedrawWindow(drop->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const RECT rc = o1->GetPos();
    ::SendMessageW(drop->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.left + 3, rc.top + 3));
    ::SendMessageW(drop->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(rc.left + 3, rc.top + 3));
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
        loose.SetName(L"loose");
    }
    EXPECT_EQ(nullptr, loose.GetManager());

    struct SelfDeleting : managertest::HostWnd
    {
        void OnWindowDestroyed(HWND) override { delete this; }
    };
    auto* host = new SelfDeleting;
    ASSERT_NE(nullptr, host->Open());
    CUILayoutBuilder builder;
    CControlUI* root = builder.Create(L"<Window><Button name=\"b\"/></Window>", nullptr, nullptr,
                                      &host->manager);
    ASSERT_NE(nullptr, root);
    host->manager.AttachRootControl(root);
    ::RedrawWindow(host->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    DestroyFlag flag(root);
    bool wholeAfterDestroy = false;
    Handler closer(L"click", [&](UINotification& msg) {
        ::DestroyWindow(host->GetHandle());
        wholeAfterDestroy = !flag.destroyed && msg.pSender == root;
    });
    host->manager.AddNotifier(&closer);
    const HWND hWnd = host->GetHandle();
    ::SendMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(wholeAfterDestroy);
    EXPECT_TRUE(PumpUntil([&] { return flag.destroyed; }));
}
