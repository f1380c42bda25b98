// Every place where the framework calls out to user code survives what that code does: the
// handler at each place below does the worst thing it may (takes out itself or a sibling,
// changes the page, row or check state being changed, empties the container being deleted).
// Freed memory is poisoned in the test programs, so a walk that reads what was freed faults.

#include "controls/UICombo.h"
#include "controls/UIEdit.h"
#include "controls/UIList.h"
#include "controls/UIOption.h"
#include "controls/UITabLayout.h"
#include "controls/UITreeView.h"

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <utility>

#include "manager_support.h"

using namespace QxUI;
using namespace skintest;

namespace {

// An action run from an event source: init, destroy, size or notify.
struct Call
{
    std::function<void()> action;
    bool Run(void*) { return action(), true; }
};

// The handlers a case installs, and what they note; declared before the case's window, they
// outlive it.
struct Calls
{
    void On(CUIEventSource& source, std::function<void()> action)
    {
        sources.push_back(Call{std::move(action)});
        source.Add(CDelegate<Call>(&sources.back(), &Call::Run));
    }
    // The action runs on the notifications of a type from the sender (from any, when null).
    void Notified(CUIWindowManager& manager, LPCWSTR type, CControlUI* sender, std::function<void()> action)
    {
        notifiers.emplace_back(type, [=](UINotification& msg) {
            if (!sender || msg.pSender == sender)
                action();
        });
        manager.AddNotifier(&notifiers.back());
    }
    std::list<Call> sources;
    std::list<controlstest::Handler> notifiers;
    int count = 0;
};

const wchar_t kPanelSkin[] =
    L"<Window><VerticalLayout name=\"root\"><HorizontalLayout name=\"panel\" height=\"30\">"
    L"<Control name=\"x\"/><Control name=\"y\"/><Control name=\"z\"/></HorizontalLayout>"
    L"<Control name=\"d\"/></VerticalLayout></Window>";
const wchar_t kTreeSkin[] =
    L"<Window><TreeView name=\"tree\" visiblecheckbtn=\"true\"><TreeNode name=\"a\">"
    L"<TreeNode name=\"a1\"/><TreeNode/><TreeNode/></TreeNode></TreeView></Window>";

WPARAM LastOf(SkinWindow& w, LPCWSTR type)
{
    const std::vector<size_t> heard = w.Heard(type);
    return heard.empty() ? static_cast<WPARAM>(-1) : w.recorder.wParams[heard.back()];
}

// Every child of the node checked as the node is, and listed.
bool SubtreeAgrees(CTreeViewUI* tree, CTreeNodeUI* node)
{
    for (int i = 0; i < node->GetChildCount(); ++i) {
        CTreeNodeUI* child = node->GetChildNode(i);
        if (tree->GetItemIndex(child) < 0 ||
            child->GetCheckBox()->IsSelected() != node->GetCheckBox()->IsSelected())
            return false;
    }
    return true;
}

} // namespace

TEST(CallOuts, EveryPlaceSurvivesWhatItsHandlerDoes)
{
    const struct
    {
        const char* place;
        const wchar_t* skin;
        std::function<void(SkinWindow&, Calls&)> run;
    } rows[] = {
        {"a combo item's init handler takes out itself and an item already lent",
         L"<Window><VerticalLayout><Combo name=\"combo\" height=\"24\"><ListLabelElement name=\"a\"/>"
         L"<ListLabelElement name=\"b\"/><ListLabelElement name=\"c\"/><ListLabelElement/></Combo>"
         L"</VerticalLayout></Window>",
         [](SkinWindow& w, Calls& calls) {
             auto* combo = w.Find<CComboUI>(L"combo");
             CControlUI *a = w.Find(L"a"), *b = w.Find(L"b");
             calls.On(b->OnInitEvent, [=, once = true]() mutable {
                 if (std::exchange(once, false))
                     combo->Remove(b), combo->Remove(a);
             });
             w.Click(20, 10);
             ASSERT_NE(nullptr, combo->GetDropDown());
             CVerticalLayoutUI* shown = combo->GetDropDown()->GetLayout();
             ASSERT_EQ(2, shown->GetCount());
             EXPECT_EQ(w.Find(L"c"), shown->GetItemAt(0));
             for (int i = 0; i < 2; ++i) {
                 ::RedrawWindow(combo->GetDropDown()->GetHandle(), nullptr, nullptr,
                                RDW_INVALIDATE | RDW_UPDATENOW);
                 managertest::Pump();
             }
         }},
        {"a child's destroy handler empties the container being deleted", kPanelSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* panel = w.Find<CContainerUI>(L"panel");
             calls.On(w.Find(L"x")->OnDestroyEvent, [&calls, panel] { ++calls.count, panel->RemoveAll(); });
             for (LPCWSTR name : {L"y", L"z"})
                 calls.On(w.Find(name)->OnDestroyEvent, [&calls] { ++calls.count; });
             w.Find<CContainerUI>(L"root")->Remove(panel);
             EXPECT_TRUE(PumpUntil([&] { return calls.count == 3; }));
         }},
        {"a child's destroy handler adds to the container being emptied, then deleted", kPanelSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* panel = w.Find<CContainerUI>(L"panel");
             CContainerUI* added[] = {new CHorizontalLayoutUI, new CHorizontalLayoutUI};
             for (CContainerUI* box : added)
                 box->Add(new CControlUI);
             calls.On(w.Find(L"x")->OnDestroyEvent, [=] { panel->Add(added[0]); });
             calls.On(added[0]->OnDestroyEvent, [=, &calls] {
                 calls.count += added[0]->GetCount();
                 panel->Add(added[1]);
             });
             calls.On(added[1]->OnDestroyEvent, [=, &calls] { calls.count += added[1]->GetCount(); });
             panel->SetDeferredDelete(false);
             panel->RemoveAll();
             EXPECT_EQ(0, panel->GetItemIndex(added[0])) << "held by the container emptied";
             w.Find<CContainerUI>(L"root")->Remove(panel);
             EXPECT_TRUE(PumpUntil([&] { return calls.count == 2; }))
                 << "the destroy events came while each was whole";
         }},
        {"a child's size handler takes itself out of its layout", kPanelSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* panel = w.Find<CContainerUI>(L"panel");
             CControlUI* x = w.Find(L"x");
             calls.On(x->OnSizeEvent, [=, once = true]() mutable {
                 if (std::exchange(once, false))
                     panel->Remove(x);
             });
             calls.On(w.Find(L"y")->OnSizeEvent, [&calls] { ++calls.count; });
             panel->SetPos(panel->GetPos(), true);
             EXPECT_EQ(1, calls.count) << "the next child was placed";
         }},
        {"a page's \"killfocus\" handler selects another page",
         L"<Window><TabLayout name=\"tabs\"><Button name=\"p0\"/><Button name=\"p1\"/>"
         L"<Button name=\"p2\"/></TabLayout></Window>",
         [](SkinWindow& w, Calls& calls) {
             auto* tabs = w.Find<CTabLayoutUI>(L"tabs");
             w.Find(L"p0")->SetFocus();
             calls.Notified(w.host.manager, L"killfocus", w.Find(L"p0"), [=] { tabs->SelectPage(2); });
             EXPECT_TRUE(tabs->SelectPage(1));
             EXPECT_EQ(2, tabs->GetSelectedPage());
             EXPECT_TRUE(w.Find(L"p2")->IsVisible() && !w.Find(L"p1")->IsVisible());
             EXPECT_EQ(2u, LastOf(w, L"tabselect"));
         }},
        {"a row's \"setfocus\" handler selects another row",
         L"<Window><List name=\"list\"><ListLabelElement/><ListLabelElement name=\"r1\"/>"
         L"<ListLabelElement/></List></Window>",
         [](SkinWindow& w, Calls& calls) {
             auto* list = w.Find<CListUI>(L"list");
             calls.Notified(w.host.manager, L"setfocus", w.Find(L"r1"), [=] { list->SelectItem(2); });
             list->SelectItem(1, true);
             EXPECT_EQ(2, list->GetCurSel());
             EXPECT_EQ(2u, LastOf(w, L"itemselect"));
         }},
        {"checking a node: each child takes itself out on its check change", kTreeSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* tree = w.Find<CTreeViewUI>(L"tree");
             auto* a = w.Find<CTreeNodeUI>(L"a");
             for (int i = 0; i < a->GetChildCount(); ++i) {
                 CTreeNodeUI* child = a->GetChildNode(i);
                 calls.Notified(w.host.manager, L"selectchanged", child->GetCheckBox(),
                                [=] { tree->RemoveNode(child); });
             }
             a->GetCheckBox()->SetSelected(true);
             EXPECT_EQ(0, a->GetChildCount());
             EXPECT_EQ(1, tree->GetCount()) << "no unchecked child left in the tree";
         }},
        {"unchecking a node: a child's handler checks the node again", kTreeSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* a = w.Find<CTreeNodeUI>(L"a");
             a->GetCheckBox()->SetSelected(true);
             calls.Notified(w.host.manager, L"selectchanged", w.Find<CTreeNodeUI>(L"a1")->GetCheckBox(),
                            [=] { a->GetCheckBox()->SetSelected(true); });
             a->GetCheckBox()->SetSelected(false);
             EXPECT_TRUE(SubtreeAgrees(w.Find<CTreeViewUI>(L"tree"), a));
         }},
        {"entering a node: a child's init handler gives the node another child", kTreeSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* tree = w.Find<CTreeViewUI>(L"tree");
             auto *node = new CTreeNodeUI, *first = new CTreeNodeUI, *late = new CTreeNodeUI;
             node->Add(first), node->Add(new CTreeNodeUI);
             calls.On(first->OnInitEvent, [=, once = true]() mutable {
                 if (std::exchange(once, false))
                     node->Add(late);
             });
             ASSERT_TRUE(tree->AddNode(node));
             EXPECT_EQ(3, node->GetChildCount());
             EXPECT_TRUE(SubtreeAgrees(tree, node)) << "every child is a row";
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.place);
        Calls calls;
        SkinWindow window;
        ASSERT_TRUE(window.Open(row.skin, 240, 160) && window.Activate());
        row.run(window, calls);
        window.Key(VK_ESCAPE);
        window.CarryOn(20, 5, 155, 10);
    }
}

// A tree view's delegates on a node go with the node when it leaves, and with the tree: a node
// that lives on elsewhere never calls into a tree that is gone.
TEST(CallOuts, DelegatesAreTakenBackWhenTheirNodeLeaves)
{
    struct Foreign : CTreeNodeUI
    {
        LPCWSTR GetClass() const override { return L"ForeignNodeUI"; }
    };
    const struct
    {
        const char* how;
        std::function<CTreeNodeUI*(CTreeViewUI*, CTreeNodeUI*)> leave;   // the node that lives on
    } cases[] = {
        {"moved to another tree", [](CTreeViewUI* first, CTreeNodeUI* node) {
             first->GetBody()->SetOwningChildren(false);
             first->RemoveNode(node);
             return node;
         }},
        {"handed back by a failed insert", [](CTreeViewUI* first, CTreeNodeUI*) {
             auto* node = new CTreeNodeUI;
             node->AddAt(new Foreign, 0);
             EXPECT_EQ(-1, first->InsertNode(node, 0));
             return node;
         }},
        {"left in a tree that goes first", [](CTreeViewUI* first, CTreeNodeUI* node) {
             first->GetBody()->SetOwningChildren(false);
             return node;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        Calls calls;
        SkinWindow window;
        ASSERT_TRUE(window.Open(
            L"<Window><VerticalLayout name=\"root\"><TreeView name=\"first\" height=\"60\">"
            L"<TreeNode name=\"n\"><TreeNode/></TreeNode></TreeView>"
            L"<TreeView name=\"second\"/></VerticalLayout></Window>"));
        auto* first = window.Find<CTreeViewUI>(L"first");
        CTreeNodeUI* node = c.leave(first, window.Find<CTreeNodeUI>(L"n"));
        calls.On(first->OnDestroyEvent, [&calls] { calls.count = 1; });
        window.Find<CContainerUI>(L"root")->Remove(first);
        ASSERT_TRUE(PumpUntil([&] { return calls.count == 1; }));

        ASSERT_TRUE(window.Find<CTreeViewUI>(L"second")->AddNode(node));
        node->GetCheckBox()->SetSelected(true);
        node->GetFolderButton()->SetSelected(true);
        EXPECT_FALSE(node->IsExpandedFlag()) << "the tree it is in now heard the folder button";
    }
}

namespace {

// A window built from a skin, whose object deletes itself when its window ends, as the
// updater's windows may.
struct SelfDeletingWindow : managertest::HostWnd
{
    explicit SelfDeletingWindow(LPCWSTR skin)
    {
        Open(200, 80);
        CUILayoutBuilder builder;
        manager.AttachRootControl(builder.Create(skin, nullptr, nullptr, &manager));
        ::RedrawWindow(GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    void OnWindowDestroyed(HWND) override
    {
        if (deletes)
            delete this;
    }
    bool deletes = true;
};

} // namespace

// What a handler deletes, and a window object that deletes itself, go once the code that may
// still use them has returned: not under a handler run from another window's message, and not
// never because a nested message loop took a message meant to finish the job, or the window
// ended before its queued deletions.
TEST(CallOuts, DeletionsWaitForTheCodeUsingThemAndNoLonger)
{
    const auto click = [](SelfDeletingWindow* w) {
        w->SendMsg(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        w->SendMsg(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    };
    const struct
    {
        const char* how;
        LPCWSTR type;   // of the notification whose handler ends the window
        bool objectDeletesItself;
        std::function<void(SelfDeletingWindow*)> act;
    } cases[] = {
        {"a click, then the application runs a message box", L"click", true, [&](SelfDeletingWindow* w) {
             click(w);
             // Such a loop drops what is posted to the thread.
             MSG msg;
             while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                 ::DispatchMessageW(&msg);
         }},
        {"\"return\" in the native edit window", L"return", true, [](SelfDeletingWindow* w) {
             auto* edit = static_cast<CEditUI*>(w->manager.FindControlByName(L"e"));
             edit->SetFocus();
             ASSERT_NE(nullptr, edit->GetNativeWindow());
             ::SendMessageW(edit->GetNativeWindow(), WM_KEYDOWN, VK_RETURN, 1);
         }},
        {"a control taken out, then a click, the object living on", L"click", false,
         [&](SelfDeletingWindow* w) {
             auto* row = static_cast<CContainerUI*>(w->manager.GetRootControl());
             row->Remove(w->manager.FindControlByName(L"e"));
             click(w);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        Calls calls;
        auto* window = new SelfDeletingWindow(
            L"<Window><HorizontalLayout><Button width=\"40\"/><Edit name=\"e\"/>"
            L"</HorizontalLayout></Window>");
        window->deletes = c.objectDeletesItself;
        calls.On(window->manager.FindControlByName(L"e")->OnDestroyEvent, [&calls] { calls.count = -1; });
        calls.Notified(window->manager, c.type, nullptr, [=] { ::DestroyWindow(window->GetHandle()); });
        calls.Notified(window->manager, c.type, nullptr, [&calls] { calls.count += 1; });
        c.act(window);
        EXPECT_NE(0, calls.count) << "the notifiers after the one that ended the window";
        EXPECT_TRUE(PumpUntil([&] { return calls.count == -1; }));
        if (!c.objectDeletesItself)
            delete window;
    }
}
