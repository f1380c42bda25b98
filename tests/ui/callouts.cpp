// Every place where the framework calls out to user code survives what that code does: each
// handler below does the worst it may (takes out itself or a sibling, overtakes the change under
// way, empties the container being deleted). Freed memory is poisoned in the test programs.

#include "controls/UICombo.h"
#include "controls/UIDateTime.h"
#include "controls/UIEdit.h"
#include "controls/UIList.h"
#include "controls/UIOption.h"
#include "controls/UITabLayout.h"
#include "controls/UITreeView.h"
#include "core/UIButton.h"
#include "core/UIScrollBar.h"

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <thread>
#include <utility>
#include <vector>

#include "builder_window_support.h"
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

// The handlers a case installs, and what they note; declared before its window, they outlive it.
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

const wchar_t kComboSkin[] =
    L"<Window><VerticalLayout name=\"root\"><Combo name=\"combo\" height=\"24\"><ListLabelElement name=\"a\"/>"
    L"<ListLabelElement name=\"b\"/><ListLabelElement name=\"c\"/><ListLabelElement/></Combo>"
    L"</VerticalLayout></Window>";
const wchar_t kPanelSkin[] =
    L"<Window><VerticalLayout name=\"root\"><HorizontalLayout name=\"panel\" height=\"30\">"
    L"<Control name=\"x\"/><Control name=\"y\"/><Control name=\"z\"/></HorizontalLayout>"
    L"</VerticalLayout></Window>";
const wchar_t kTreeSkin[] =
    L"<Window><TreeView name=\"tree\" visiblecheckbtn=\"true\"><TreeNode name=\"a\">"
    L"<TreeNode name=\"a1\"/><TreeNode/><TreeNode/></TreeNode></TreeView></Window>";

// A node class of another name: never a row, so a subtree holding one cannot enter whole.
struct Foreign : CTreeNodeUI { LPCWSTR GetClass() const override { return L"ForeignNodeUI"; } };

} // namespace

TEST(CallOuts, EveryPlaceSurvivesWhatItsHandlerDoes)
{
    const struct
    {
        const char* place;
        const wchar_t* skin;
        std::function<void(SkinWindow&, Calls&)> run;
    } rows[] = {
        {"a combo item's init handler takes out itself and an item already lent", kComboSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* combo = w.Find<CComboUI>(L"combo");
             CControlUI *a = w.Find(L"a"), *b = w.Find(L"b");
             calls.On(b->OnInitEvent, [=] { combo->Remove(b), combo->Remove(a); });
             w.Click(20, 10);
             ASSERT_NE(nullptr, combo->GetDropDown());
             CVerticalLayoutUI* shown = combo->GetDropDown()->GetLayout();
             ASSERT_EQ(2, shown->GetCount());
             EXPECT_EQ(w.Find(L"c"), shown->GetItemAt(0));
             const HWND drop = combo->GetDropDown()->GetHandle();
             for (int i = 0; i < 2; ++i, managertest::Pump())
                 ::RedrawWindow(drop, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
         }},
        {"the drop-down's \"itemselect\" handler puts an item in front; then Escape", kComboSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* combo = w.Find<CComboUI>(L"combo");
             combo->SelectItem(1);
             w.Click(20, 10);
             ASSERT_NE(nullptr, combo->GetDropDown());
             const HWND drop = combo->GetDropDown()->GetHandle();
             calls.Notified(w.host.manager, L"itemselect", combo, [=, &calls] {
                 if (calls.count++ == 0)
                     combo->AddAt(new CListLabelElementUI, 0);
             });
             ::SendMessageW(drop, WM_KEYDOWN, VK_DOWN, 1);
             ::SendMessageW(drop, WM_KEYDOWN, VK_ESCAPE, 1);
             EXPECT_EQ(w.Find(L"b"), combo->GetItemAt(combo->GetCurSel())) << "the one at opening";
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
             CContainerUI *first = new CHorizontalLayoutUI, *second = new CHorizontalLayoutUI;
             first->Add(new CControlUI), second->Add(new CControlUI);
             calls.On(w.Find(L"x")->OnDestroyEvent, [=] { panel->Add(first); });
             calls.On(first->OnDestroyEvent, [=, &calls] {
                 calls.count += first->GetCount();
                 panel->Add(second);
             });
             calls.On(second->OnDestroyEvent, [=, &calls] { calls.count += second->GetCount(); });
             panel->SetDeferredDelete(false);
             panel->RemoveAll();
             EXPECT_EQ(0, panel->GetItemIndex(first)) << "held by the container emptied";
             w.Find<CContainerUI>(L"root")->Remove(panel);
             EXPECT_TRUE(PumpUntil([&] { return calls.count == 2; })) << "each announced whole";
         }},
        {"a child's init handler adds a sibling to a panel joining the window", kPanelSkin,
         [](SkinWindow& w, Calls& calls) {
             CContainerUI* panel = new CHorizontalLayoutUI;
             CControlUI *child = new CButtonUI, *sibling = new CButtonUI;
             sibling->SetName(L"sibling");
             panel->Add(child);
             calls.On(child->OnInitEvent, [=] { panel->Add(sibling); });
             calls.On(sibling->OnInitEvent, [&calls] { ++calls.count; });
             w.Find<CContainerUI>(L"root")->Add(panel);
             EXPECT_EQ(panel, sibling->GetParent());
             EXPECT_EQ(sibling, w.Find(L"sibling")) << "bound as it joined";
             EXPECT_EQ(1, calls.count) << "and once";
         }},
        {"as its panel is emptied, a destroy handler takes a sibling elsewhere and queues one twice",
         kPanelSkin, [](SkinWindow& w, Calls& calls) {
             auto* root = w.Find<CContainerUI>(L"root");
             CControlUI *y = w.Find(L"y"), *z = w.Find(L"z");
             calls.On(w.Find(L"x")->OnDestroyEvent, [=, &w] {
                 root->Add(y);
                 w.host.manager.QueueControlForDeletion(z), w.host.manager.QueueControlForDeletion(z);
             });
             const CUIControlRef kept(y);
             w.Find<CContainerUI>(L"panel")->SetDeferredDelete(false);
             w.Find<CContainerUI>(L"panel")->RemoveAll();
             managertest::Pump();
             EXPECT_EQ(y, kept.Get()) << "held where the handler put it";
         }},
        {"a child's init handler takes its panel out and puts it back", kPanelSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* root = w.Find<CContainerUI>(L"root");
             CContainerUI* panel = new CHorizontalLayoutUI;
             CControlUI *first = new CControlUI, *second = new CControlUI;
             panel->Add(first), panel->Add(second);
             root->SetOwningChildren(false);
             calls.On(first->OnInitEvent, [=, &calls] {
                 if (calls.count++ == 0)
                     root->Remove(panel), root->Add(panel);
             });
             calls.On(second->OnInitEvent, [&calls] { calls.count += 10; });
             root->Add(panel);
             EXPECT_EQ(12, calls.count) << "the second child bound once, by the later bind";
         }},
        {"an item's init handler ends the drop-down taking the items", kComboSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* combo = w.Find<CComboUI>(L"combo");
             calls.On(w.Find(L"b")->OnInitEvent, [=] {
                 if (combo->GetDropDown() && combo->GetDropDown()->GetHandle())
                     ::DestroyWindow(combo->GetDropDown()->GetHandle());
             });
             w.Click(20, 10);
             EXPECT_EQ(nullptr, combo->GetDropDown());
             EXPECT_EQ(combo, w.Find(L"c")->GetParent()) << "every item back in the box";
         }},
        {"the box takes an item while its drop-down is open", kComboSkin,
         [](SkinWindow& w, Calls&) {
             auto* combo = w.Find<CComboUI>(L"combo");
             w.Click(20, 10);
             ASSERT_NE(nullptr, combo->GetDropDown());
             combo->AddAt(new CListLabelElementUI, 0);
             EXPECT_EQ(combo->GetCount(), combo->GetDropDown()->GetLayout()->GetCount());
         }},
        {"the selected page's or item's destroy handler puts one in front", kComboSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* combo = w.Find<CComboUI>(L"combo");
             auto* tabs = new CTabLayoutUI;
             w.Find<CContainerUI>(L"root")->Add(tabs);
             tabs->Add(new CButtonUI), tabs->Add(new CButtonUI);
             CContainerUI* boxes[] = {tabs, combo};
             for (CContainerUI* box : boxes) {
                 box->SetDeferredDelete(false);
                 CControlUI* first = box->GetItemAt(0);
                 calls.On(first->OnDestroyEvent, [=] { box->AddAt(new CListLabelElementUI, 0); });
             }
             combo->SelectItem(0);
             tabs->RemoveAt(0), combo->RemoveAt(0);
             CControlUI* page = tabs->GetItemAt(tabs->GetSelectedPage());
             EXPECT_TRUE(page->IsVisible());
             tabs->SetItemIndex(page, 0);
             EXPECT_EQ(page, tabs->GetItemAt(tabs->GetSelectedPage())) << "with its page";
             auto* item = static_cast<IListItemUI*>(combo->GetItemAt(combo->GetCurSel())->AsInterface(L"ListItem"));
             EXPECT_TRUE(item && item->IsSelected());
         }},
        {"a removal moves the selection; a destroy handler puts a row in front before it is told",
         L"<Window><List name=\"list\"><ListLabelElement/><ListLabelElement name=\"r1\"/>"
         L"</List></Window>",
         [](SkinWindow& w, Calls& calls) {
             auto* list = w.Find<CListUI>(L"list");
             list->GetBody()->SetDeferredDelete(false);
             calls.On(w.Find(L"r1")->OnDestroyEvent, [=] { list->AddAt(new CListLabelElementUI, 0); });
             list->SelectItem(1), list->RemoveAt(1);
             managertest::Pump();
             ASSERT_FALSE(w.Heard(L"itemselect").empty());
             EXPECT_EQ(1u, w.recorder.wParams[w.Heard(L"itemselect").back()]) << "where it is now";
             EXPECT_EQ(1, list->GetCurSel());
         }},
        {"scrolling a selected row into view, or the next one after a removal: a size handler",
         L"<Window><List name=\"list\" vscrollbar=\"true\"><ListLabelElement name=\"top\" height=\"40\"/>"
         L"<ListLabelElement height=\"40\"/><ListLabelElement height=\"40\"/><ListLabelElement height=\"40\"/>"
         L"<ListLabelElement height=\"40\"/><ListLabelElement height=\"40\"/></List></Window>",
         [](SkinWindow& w, Calls& calls) {
             auto* list = w.Find<CListUI>(L"list");
             CControlUI* top = w.Find(L"top");
             const CUIControlRef last(list->GetItemAt(5));
             list->SelectItem(1);
             calls.On(list->GetVerticalScrollBar()->OnSizeEvent, [list, top, once = true]() mutable {
                 if (std::exchange(once, false))
                     list->Remove(top);
             });
             ASSERT_TRUE(list->SelectItem(5));
             EXPECT_EQ(0, w.recorder.lParams[w.Heard(L"itemselect").back()]) << "previous, now";
             // The worst it may: put back the row taken out, before it is let go of.
             calls.On(list->GetVerticalScrollBar()->OnSizeEvent, [list, last] {
                 if (last.Get() && last.Get()->GetManager() && list->GetItemIndex(last.Get()) < 0)
                     list->Add(last.Get());
             });
             list->SetScrollPos(SIZE{0, 0});
             list->Remove(last.Get());
         }},
        {"a size handler queues a notification and runs a message box's loop in a paint", kPanelSkin,
         [](SkinWindow& w, Calls& calls) {
             calls.On(w.Find(L"x")->OnSizeEvent, [&w, &calls] {
                 if (calls.count++ == 0)
                     w.host.manager.RaiseNotify(nullptr, L"later", 0, 0, true), managertest::Pump();
             });
             w.Find(L"root")->RequestLayout();
             ::RedrawWindow(w.host.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
             EXPECT_TRUE(PumpUntil([&] { return !w.Heard(L"later").empty(); }));
         }},
        {"binding a panel: a child's init handler takes a later sibling out and puts it back",
         kPanelSkin, [](SkinWindow& w, Calls& calls) {
             CContainerUI* panel = new CHorizontalLayoutUI;
             CControlUI *first = new CControlUI, *second = new CControlUI;
             panel->Add(first), panel->Add(second), panel->SetOwningChildren(false);
             calls.On(first->OnInitEvent, [=] { panel->Remove(second), panel->Add(second); });
             calls.On(second->OnInitEvent, [&calls] { ++calls.count; });
             w.Find<CContainerUI>(L"root")->Add(panel);
             EXPECT_EQ(1, calls.count) << "bound once";
             panel->SetOwningChildren(true);
         }},
        {"a key's release handler presses another key", kComboSkin,
         [](SkinWindow& w, Calls& calls) {
             struct Keys
             {
                 bool Run(void* event)
                 {
                     if (static_cast<UIEvent*>(event)->Type == UIEventType::KeyUp && ups++ == 0)
                         w->Send(WM_KEYDOWN, 'B', 1);
                     return true;
                 }
                 SkinWindow* w;
                 int ups;
             } keys{&w, 0};
             CControlUI* combo = w.Find(L"combo");
             combo->OnEventEvent.Add(CDelegate<Keys>(&keys, &Keys::Run));
             combo->SetFocus();
             w.Key('A'), w.Send(WM_KEYUP, 'B', 0xC0000001);
             EXPECT_EQ(2, keys.ups) << "the second key's release reaches the control too";
             combo->OnEventEvent.Remove(CDelegate<Keys>(&keys, &Keys::Run));
             (void)calls;
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
             ASSERT_FALSE(w.Heard(L"tabselect").empty());
             EXPECT_EQ(2u, w.recorder.wParams[w.Heard(L"tabselect").back()]) << "the last one";
         }},
        {"checking a node: each child takes itself out on its check change", kTreeSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* tree = w.Find<CTreeViewUI>(L"tree");
             auto* a = w.Find<CTreeNodeUI>(L"a");
             for (CTreeNodeUI* child : {a->GetChildNode(0), a->GetChildNode(1), a->GetChildNode(2)})
                 calls.Notified(w.host.manager, L"selectchanged", child->GetCheckBox(),
                                [=] { tree->RemoveNode(child); });
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
             for (int i = 0; i < 3; ++i)
                 EXPECT_TRUE(a->GetChildNode(i)->GetCheckBox()->IsSelected()) << "as the node is";
         }},
        {"entering a node: a child's init handler gives it a child and enters another node", kTreeSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* tree = w.Find<CTreeViewUI>(L"tree");
             auto *node = new CTreeNodeUI, *first = new CTreeNodeUI, *other = new CTreeNodeUI;
             node->Add(first), node->Add(new CTreeNodeUI);
             calls.On(first->OnInitEvent, [=] {
                 if (tree->GetItemIndex(other) < 0)
                     node->Add(new CTreeNodeUI), tree->AddNode(other);
             });
             ASSERT_TRUE(tree->AddNode(node));
             EXPECT_EQ(3, node->GetChildCount());
             EXPECT_EQ(9, tree->GetCount()) << "every child is a row";
             EXPECT_EQ(tree->GetItemIndex(node) + 3, tree->GetItemIndex(node->GetChildNode(2)))
                 << "and the subtree stays together";
         }},
        {"adding a node: its init handler gives the parent a child, then the node fails", kTreeSkin,
         [](SkinWindow& w, Calls& calls) {
             auto *a = w.Find<CTreeNodeUI>(L"a"), *node = new CTreeNodeUI, *other = new CTreeNodeUI;
             node->AddAt(new Foreign, 0);
             calls.On(node->OnInitEvent, [=] { a->Add(other); });
             EXPECT_FALSE(a->Add(node));
             delete node;
             EXPECT_EQ(other, a->GetChildNode(3)) << "the handler's child, not the failed one";
             EXPECT_EQ(4, w.Find<CTreeViewUI>(L"tree")->GetItemIndex(other)) << "next to them";
             a->GetFolderButton()->SetSelected(true);
         }},
        {"entering a node: a child's init handler takes its row out of the list body", kTreeSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* tree = w.Find<CTreeViewUI>(L"tree");
             for (bool owning : {false, true}) {
                 auto *node = new CTreeNodeUI, *first = new CTreeNodeUI;
                 node->Add(first), node->Add(new CTreeNodeUI);
                 calls.On(first->OnInitEvent, [=, once = true]() mutable {
                     if (std::exchange(once, false))
                         tree->GetBody()->Remove(first);
                 });
                 tree->GetBody()->SetOwningChildren(owning);
                 ASSERT_TRUE(tree->AddNode(node));
                 tree->GetBody()->SetOwningChildren(true);
                 EXPECT_EQ(-1, tree->GetItemIndex(first)) << "entered once";
                 EXPECT_EQ(1, node->GetChildCount()) << "a row that goes, or lives on, leaves";
                 if (!owning)
                     delete first;
             }
         }},
        {"entering a node: a child's init handler has the node remove it", kTreeSkin,
         [](SkinWindow& w, Calls& calls) {
             auto* tree = w.Find<CTreeViewUI>(L"tree");
             auto *node = new CTreeNodeUI, *first = new CTreeNodeUI;
             node->Add(first), node->Add(new CTreeNodeUI);
             calls.On(first->OnInitEvent, [=, &calls] {
                 if (calls.count++ == 0)
                     node->Remove(first);
             });
             ASSERT_TRUE(tree->AddNode(node));
             EXPECT_EQ(-1, tree->GetItemIndex(first)) << "a row no more";
             EXPECT_EQ(1, node->GetChildCount());
         }},
        {"selecting a row: a \"killfocus\" handler takes out a row above",
         L"<Window><VerticalLayout><Button name=\"b\" height=\"20\"/><List name=\"list\">"
         L"<ListLabelElement name=\"r0\"/><ListLabelElement/><ListLabelElement/><ListLabelElement/>"
         L"</List></VerticalLayout></Window>",
         [](SkinWindow& w, Calls& calls) {
             auto* list = w.Find<CListUI>(L"list");
             CControlUI *r0 = w.Find(L"r0"), *r3 = list->GetItemAt(3);
             list->SelectItem(1);
             w.Find(L"b")->SetFocus();
             calls.Notified(w.host.manager, L"killfocus", w.Find(L"b"), [=] { list->Remove(r0); });
             ASSERT_TRUE(list->SelectItem(3, true));
             ASSERT_TRUE(r3 == list->GetItemAt(2) && !w.Heard(L"itemselect").empty());
             const size_t heard = w.Heard(L"itemselect").back();
             EXPECT_EQ(2u, w.recorder.wParams[heard]) << "where the item is now";
             EXPECT_EQ(0, w.recorder.lParams[heard]) << "and the previous one";
         }},
        {"an edit box's \"killfocus\" handler takes the focus back",
         L"<Window><VerticalLayout><Button height=\"24\"/><Edit name=\"e\" height=\"24\"/>"
         L"<Edit height=\"24\"/></VerticalLayout></Window>",
         [](SkinWindow& w, Calls& calls) {
             auto* edit = w.Find<CEditUI>(L"e");
             edit->SetFocus();
             calls.Notified(w.host.manager, L"killfocus", edit, [=, &calls] {
                 if (calls.count++ == 0)
                     edit->SetFocus();
             });
             w.Click(20, 60);
             managertest::Pump();
             ASSERT_EQ(edit, w.host.manager.GetFocusedControl());
             EXPECT_NE(nullptr, edit->GetNativeWindow()) << "it edits in its window";
         }},
        {"a modal window's click handler closes it, then runs its own message loop", kPanelSkin,
         [](SkinWindow&, Calls& calls) {
             managertest::HostWnd modal;
             ASSERT_NE(nullptr, modal.Open(100, 40));
             modal.manager.AttachRootControl(new CButtonUI);
             ::RedrawWindow(modal.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
             calls.Notified(modal.manager, L"click", nullptr, [&modal] {
                 modal.Close(5);
                 for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
                     ::DispatchMessageW(&msg);
             });
             modal.PostMsg(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
             modal.PostMsg(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
             EXPECT_EQ(5u, modal.RunModal()) << "the close code";
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

// What a tree view hung on a node, delegates and selection, goes with the node when it leaves,
// and with the tree: a node that lives on never calls into a tree that is gone.
TEST(CallOuts, DelegatesAndSelectionGoWhenTheirNodeLeaves)
{
    const struct
    {
        const char* how;
        std::function<CTreeNodeUI*(CTreeViewUI*, CTreeNodeUI*)> leave;   // the node that lives on
    } cases[] = {
        {"moved to another tree", [](CTreeViewUI* first, CTreeNodeUI* node) {
             first->GetBody()->SetOwningChildren(false);
             return first->RemoveNode(node), node;
         }},
        {"handed back by a failed insert", [](CTreeViewUI* first, CTreeNodeUI*) {
             auto* node = new CTreeNodeUI;
             node->AddAt(new Foreign, 0);
             EXPECT_EQ(-1, first->InsertNode(node, 0));
             return node;
         }},
        {"left in a tree that goes first", [](CTreeViewUI* first, CTreeNodeUI* node) {
             return first->GetBody()->SetOwningChildren(false), node;
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
        ASSERT_TRUE(first->SelectItem(0));
        CTreeNodeUI* node = c.leave(first, window.Find<CTreeNodeUI>(L"n"));
        calls.On(first->OnDestroyEvent, [&calls] { calls.count = 1; });
        window.Find<CContainerUI>(L"root")->Remove(first);
        ASSERT_TRUE(PumpUntil([&] { return calls.count == 1; }));
        // A selected row that hides gives up its owner's selection: it has neither now.
        EXPECT_FALSE(node->IsSelected());
        node->SetVisible(false), node->SetVisible(true);

        auto* second = window.Find<CTreeViewUI>(L"second");
        ASSERT_TRUE(second->AddNode(node));
        window.Repaint();
        window.Click(80, node->GetPos().top + 5);
        EXPECT_EQ(second->GetItemIndex(node), second->GetCurSel()) << "a click selects it there";
        node->GetCheckBox()->SetSelected(true);
        node->GetFolderButton()->SetSelected(true);
        EXPECT_FALSE(node->IsExpandedFlag()) << "the tree it is in now heard the folder button";
    }
}

namespace {

// A window built from a skin, whose object may delete itself when its window ends.
struct SkinnedHost : managertest::HostWnd
{
    explicit SkinnedHost(bool deletes) : deletes(deletes)
    {
        Open(200, 80);
        CUILayoutBuilder builder;
        manager.AttachRootControl(builder.Create(
            L"<Window><HorizontalLayout><Button width=\"40\"/><Edit name=\"e\"/></HorizontalLayout>"
            L"</Window>", nullptr, nullptr, &manager));
        ::RedrawWindow(GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    void OnWindowDestroyed(HWND) override { if (deletes) delete this; }
    void Click()
    {
        SendMsg(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        SendMsg(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    }
    const bool deletes;
};

} // namespace

// What a handler deletes, and a window object that deletes itself, go once the code that may
// still use them has returned: not under a handler run from another window's message, and not
// never because a nested loop took a message meant to finish the job, or the window ended
// before its queued deletions.
TEST(CallOuts, DeletionsWaitForTheCodeUsingThemAndNoLonger)
{
    const struct
    {
        const char* how;
        LPCWSTR type;   // of the notification whose handler ends the window
        bool deletes;   // the window object deletes itself
        std::function<void(SkinnedHost*)> act;
    } cases[] = {
        {"a click, then the application runs a message box", L"click", true, [](SkinnedHost* w) {
             w->Click();
             // Such a loop drops what is posted to the thread.
             for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
                 ::DispatchMessageW(&msg);
         }},
        {"\"return\" in the native edit window", L"return", true, [](SkinnedHost* w) {
             auto* edit = static_cast<CEditUI*>(w->manager.FindControlByName(L"e"));
             edit->SetFocus();
             ASSERT_NE(nullptr, edit->GetNativeWindow());
             ::SendMessageW(edit->GetNativeWindow(), WM_KEYDOWN, VK_RETURN, 1);
         }},
        {"a notification raised from outside any message", L"end", true, [](SkinnedHost* w) {
             w->manager.RaiseNotify(nullptr, L"end");
         }},
        {"a control taken out, then a click, the object living on", L"click", false, [](SkinnedHost* w) {
             auto* row = static_cast<CContainerUI*>(w->manager.GetRootControl());
             row->Remove(w->manager.FindControlByName(L"e"));
             w->Click();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        Calls calls;
        auto* window = new SkinnedHost(c.deletes);
        calls.On(window->manager.FindControlByName(L"e")->OnDestroyEvent, [&calls] { calls.count = -1; });
        calls.Notified(window->manager, c.type, nullptr, [=] { ::DestroyWindow(window->GetHandle()); });
        calls.Notified(window->manager, c.type, nullptr, [&calls] { calls.count += 1; });
        c.act(window);
        EXPECT_NE(0, calls.count) << "the notifiers after the one that ended the window";
        // As a message box's loop does: nothing is pre-translated, a thread's message dropped.
        EXPECT_TRUE(qixtest::WaitUntil([&] { return calls.count == -1; }));
        if (!c.deletes)
            delete window;
    }
}

// A window's end is told to its own object once the code using that window has returned, and
// never acts on a window the object has made since.
TEST(CallOuts, AWindowsEndIsToldToItsOwnObject)
{
    // A "killfocus" handler runs a loop (a message box's) in which the control's native window
    // ends, and gives the focus back: the control edits in a new window, which goes with it.
    const struct
    {
        const char* kind;
        const wchar_t* control;
        LPCWSTR windowClass;
    } overlays[] = {
        {"edit box", L"<Edit name=\"c\" height=\"24\"/>", L"EditWnd"},
        {"date/time picker", L"<DateTime name=\"c\" height=\"24\"/>", L"DateTimeWnd"},
    };
    for (const auto& o : overlays) {
        SCOPED_TRACE(o.kind);
        Calls calls;
        SkinWindow w;
        const std::wstring skin = std::wstring(L"<Window><VerticalLayout name=\"root\">"
                                               L"<Button height=\"24\"/>") + o.control +
                                  L"</VerticalLayout></Window>";
        ASSERT_TRUE(w.Open(skin.c_str(), 240, 160) && w.Activate());
        auto native = [&] { return ::FindWindowExW(w.host.GetHandle(), nullptr, o.windowClass, nullptr); };
        CControlUI* c = w.Find(L"c");
        c->SetFocus();
        const HWND first = native();
        ASSERT_NE(nullptr, first);
        calls.Notified(w.host.manager, L"killfocus", c, [&] {
            if (calls.count++ == 0) {
                EXPECT_TRUE(qixtest::WaitUntil([&] { return !::IsWindow(first); }));
                c->SetFocus();
            }
        });
        w.Click(20, 10);
        managertest::Pump();
        const HWND second = native();
        ASSERT_NE(nullptr, second);
        EXPECT_EQ(nullptr, ::FindWindowExW(w.host.GetHandle(), second, o.windowClass, nullptr));
        // Moved to another window, the control lets go of it.
        SkinWindow other;
        ASSERT_TRUE(other.Open(L"<Window><VerticalLayout name=\"root\"/></Window>", 240, 160, 200));
        w.Find<CContainerUI>(L"root")->SetOwningChildren(false);
        w.Find<CContainerUI>(L"root")->Remove(c);
        other.Find<CContainerUI>(L"root")->Add(c);
        managertest::Pump();
        EXPECT_FALSE(::IsWindow(second)) << "it goes as its control leaves";
    }

    // An object's windows share it and its manager: an end waits for the code of any of them,
    // and the object hears once, when it has none left.
    {
        struct Deleting : managertest::HostWnd
        {
            void OnWindowDestroyed(HWND) override { ++*told, delete this; }
            int* told = nullptr;
        };
        Calls calls;
        int told = 0;
        auto* w = new Deleting;
        w->told = &told;
        const HWND first = w->Open(100, 40), second = w->Open(100, 40);
        ::DestroyWindow(first);
        EXPECT_EQ(second, w->GetHandle());
        EXPECT_EQ(0, told) << "it still has a window";
        w->manager.AttachRootControl(new CButtonUI);
        ::RedrawWindow(second, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        calls.Notified(w->manager, L"click", nullptr, [w] {
            ::DestroyWindow(w->GetHandle()), ::DestroyWindow(w->Open(100, 40));
        });
        calls.Notified(w->manager, L"click", nullptr, [&calls] { ++calls.count; });
        ::SendMessageW(second, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(second, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(1, calls.count);
        EXPECT_EQ(1, told);
    }

    // A deletion queued with a window that ended goes, though the object made a window again.
    {
        Calls calls;
        SkinWindow w;
        ASSERT_TRUE(w.Open(kPanelSkin));
        calls.On(w.Find(L"x")->OnDestroyEvent, [&calls] { ++calls.count; });
        calls.Notified(w.host.manager, L"again", nullptr, [&] {
            w.Find<CContainerUI>(L"panel")->Remove(w.Find(L"x"));
            ::DestroyWindow(w.host.GetHandle()), w.host.Open();
        });
        w.host.manager.RaiseNotify(nullptr, L"again");
        EXPECT_TRUE(PumpUntil([&] { return calls.count == 1; }));
    }

    // A skinned window ended and made again from the same object in a "click" handler, of
    // another window or its own: the new window's controls still notify it.
    struct Skinned : buildertest::SkinWnd
    {
        Skinned() : SkinWnd(L"<Window><Button name=\"b\"/></Window>") {}
        void OnClickNotify(UINotification&) override { ++clicks, onClick(); }
        void Click() { ::SendMessageW(m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20)),
                       ::SendMessageW(m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(20, 20)); }
        std::function<void()> onClick = [] {};
        int clicks = 0;
    };
    for (bool own : {false, true}) {
        SCOPED_TRACE(own ? "in its own handler" : "in another window's handler");
        Calls calls;
        SkinWindow other;
        Skinned skinned;
        ASSERT_TRUE(other.Open(L"<Window><Button/></Window>") && skinned.Open());
        auto again = [&] { ::DestroyWindow(skinned.GetHandle()), skinned.Open(); };
        if (own)
            skinned.onClick = [&] { if (skinned.clicks == 1) again(); };
        else
            calls.Notified(other.host.manager, L"click", nullptr, again);
        if (own)
            skinned.Click();
        else
            other.Click(20, 10);
        managertest::Pump();
        skinned.Click();
        EXPECT_EQ(own ? 2 : 1, skinned.clicks);
    }
}

// What is left for a thread to delete goes as the thread ends, and so does what the destroy
// handlers of those controls delete then.
TEST(CallOuts, AThreadsDeferredDeletionsAllGoWithIt)
{
    Calls calls;
    std::vector<CControlUI*> more(64);
    CControlUI* first = new CControlUI;
    calls.On(first->OnDestroyEvent, [&] {
        for (CControlUI*& control : more)
            CUIWindowManager::DeleteControl(control);
    });
    for (CControlUI*& control : more)
        calls.On((control = new CControlUI)->OnDestroyEvent, [&calls] { ++calls.count; });
    std::thread([first] {
        const CUIWindowManager::DispatchScope scope;
        CUIWindowManager::DeleteControl(first);
    }).join();
    EXPECT_EQ(64, calls.count);
}

// A window takes timers and overlay painting only for its own controls, and what it queued for
// a control goes without it when the control moves to another window.
TEST(CallOuts, AWindowHoldsNothingOfAnotherWindowsControls)
{
    Calls calls;
    SkinWindow a, b;
    ASSERT_TRUE(a.Open(kPanelSkin) && b.Open(kPanelSkin, 200, 120, 140));
    CControlUI* x = b.Find(L"x");
    EXPECT_FALSE(a.host.manager.StartTimer(x, 1, qixtest::kNeverWithinATestMs));
    EXPECT_FALSE(a.host.manager.AddPostPaintControl(x));
    EXPECT_FALSE(a.host.manager.AddNotifier(&b.recorder, x));
    EXPECT_FALSE(a.host.manager.AddToOptionGroup(L"g", x));
    EXPECT_TRUE(b.host.manager.StartTimer(x, 1, qixtest::kNeverWithinATestMs));

    CControlUI* y = a.Find(L"y");
    calls.On(y->OnNotifyEvent, [&calls] { ++calls.count; });
    a.host.manager.RaiseNotify(y, L"queued", 0, 0, true);
    auto* from = a.Find<CContainerUI>(L"panel");
    from->SetOwningChildren(false);
    from->Remove(y);
    b.Find<CContainerUI>(L"panel")->Add(y);
    managertest::Pump();
    ASSERT_EQ(1u, a.Heard(L"queued").size());
    EXPECT_EQ(nullptr, a.recorder.senders[a.Heard(L"queued")[0]]);
    EXPECT_EQ(0, calls.count) << "its own delegate runs in the window it is in";

    // A combo item that leaves its box, which then goes, keeps neither as owner nor its mark.
    ASSERT_TRUE(b.Rebuild(kComboSkin));
    auto* combo = b.Find<CComboUI>(L"combo");
    CControlUI* item = b.Find(L"a");
    combo->SelectItem(0), combo->SetOwningChildren(false), combo->Remove(item);
    b.Find<CContainerUI>(L"root")->Add(item), b.Find<CContainerUI>(L"root")->Remove(combo);
    managertest::Pump();
    b.Repaint();
    EXPECT_FALSE(static_cast<IListItemUI*>(item->AsInterface(L"ListItem"))->IsSelected());
}
