// The tree view in a real window: the builder's "TreeNode" rule, subtrees entering and
// leaving the list depth-first, expanding, collapsing and checking subtrees.

#include "controls/UIOption.h"
#include "controls/UITreeView.h"
#include "core/UILabel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "manager_support.h"

using namespace QxUI;
using namespace skintest;

namespace {

const wchar_t kTreeSkin[] =
    L"<Window><VerticalLayout>"
    L"<TreeView name=\"tree\" vscrollbar=\"true\" visiblecheckbtn=\"true\">"
    L"<TreeNode name=\"a\" text=\"A\" itemattr=\"group=&quot;g&quot;\">"
    L"<TreeNode name=\"a1\" text=\"A1\"><TreeNode name=\"a1x\" text=\"A1x\"/></TreeNode>"
    L"<TreeNode name=\"a2\" text=\"A2\"><Label name=\"inrow\" width=\"10\"/></TreeNode>"
    L"</TreeNode>"
    L"<TreeNode name=\"b\" text=\"B\"/>"
    L"</TreeView></VerticalLayout></Window>";

// Destructions per control, seen through their destroy events.
struct DestroyCount
{
    void Watch(CControlUI* control)
    {
        control->OnDestroyEvent.Add(CDelegate<DestroyCount>(this, &DestroyCount::Destroyed));
        times[control] = 0;
    }
    bool Destroyed(void* control) { return ++times[static_cast<CControlUI*>(control)] > 0; }
    bool AllOnce() const
    {
        return std::all_of(times.begin(), times.end(), [](const auto& entry) { return entry.second == 1; });
    }
    std::map<CControlUI*, int> times;
};

// A node class of another name: the tree view never lists it as a row.
class ForeignNode : public CTreeNodeUI
{
public:
    explicit ForeignNode(int* destroyed) : m_destroyed(destroyed) {}
    ~ForeignNode() override { ++*m_destroyed; }
    LPCWSTR GetClass() const override { return L"ForeignNodeUI"; }

private:
    int* m_destroyed;
};

CTreeNodeUI* TextNode(LPCWSTR text)
{
    CTreeNodeUI* node = new CTreeNodeUI;
    node->SetAttribute(L"text", text);
    return node;
}

class TreeWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.Open(kTreeSkin, 300, 200));
        tree = window.Find<CTreeViewUI>(L"tree");
        ASSERT_NE(nullptr, tree);
    }
    CTreeNodeUI* Node(LPCWSTR name) { return window.Find<CTreeNodeUI>(name); }

    // The list's rows by their item text, hidden rows in brackets.
    std::wstring Rows()
    {
        std::wstring rows;
        for (int i = 0; i < tree->GetCount(); ++i) {
            CTreeNodeUI* node = static_cast<CTreeNodeUI*>(tree->GetItemAt(i));
            const std::wstring text = node->GetItemText().GetData();
            rows += node->IsVisible() ? text : L"(" + text + L")";
            rows += L" ";
        }
        return rows;
    }

    void ClickPart(CControlUI* part, UINT down = WM_LBUTTONDOWN, UINT up = WM_LBUTTONUP)
    {
        window.Repaint();
        const RECT rc = part->GetPos();
        const int x = (rc.left + rc.right) / 2;
        const int y = (rc.top + rc.bottom) / 2;
        window.Mouse(WM_MOUSEMOVE, x, y);
        window.Mouse(down, x, y, MK_LBUTTON);
        window.Mouse(up, x, y);
        window.Repaint();
    }

    SkinWindow window;
    CTreeViewUI* tree = nullptr;
};

TEST_F(TreeWindow, SkinBuildsSubtreesDepthFirstWithIndentedChildren)
{
    EXPECT_EQ(L"A A1 A1x A2 B ", Rows());
    // The indent line is shown below the top level and grows 16 px a level.
    const struct
    {
        LPCWSTR name, parent;
        int lineWidth;
    } cases[] = {{L"a", nullptr, 2}, {L"a1", L"a", 18}, {L"a1x", L"a1", 34}, {L"b", nullptr, 2}};
    for (const auto& c : cases) {
        CTreeNodeUI* node = Node(c.name);
        ASSERT_NE(nullptr, node) << c.name;
        EXPECT_EQ(c.parent ? Node(c.parent) : nullptr, node->GetParentNode()) << c.name;
        EXPECT_EQ(c.parent != nullptr, node->GetDottedLine()->IsVisible()) << c.name;
        EXPECT_EQ(c.lineWidth, node->GetDottedLine()->GetFixedWidth()) << c.name;
        EXPECT_TRUE(node->GetCheckBox()->IsVisible()) << "visiblecheckbtn reached " << c.name;
    }
    EXPECT_EQ(std::wstring(L"g"), CUIString(Node(L"a1x")->GetItemButton()->GetGroup()).GetData())
        << "the item button's group is inherited";
    EXPECT_EQ(Node(L"a2")->GetRowLayout(), window.Find(L"inrow")->GetParent());
}

// Callback-made probes, counted as they are made and destroyed.
class ProbeMaker : public IDialogBuilderCallback
{
public:
    CControlUI* CreateCustomControl(LPCWSTR className) override
    {
        if (wcscmp(className, L"Probe") != 0)
            return nullptr;
        ++made;
        return new controlstest::Probe(&destroyed);
    }
    int made = 0;
    int destroyed = 0;
};

// Probes before the node, inside it and in its child's row are freed; nothing after it is built.
TEST(TreeBuilder, TopLevelNodeWithoutATreeViewFreesWhatItsLevelBuilt)
{
    managertest::HostWnd host;
    ASSERT_NE(nullptr, host.Open());
    ProbeMaker probes;
    CUILayoutBuilder builder;
    EXPECT_EQ(nullptr, builder.Create(L"<Window><Probe/><TreeNode><Probe/><TreeNode><Probe/>"
                                      L"</TreeNode></TreeNode><Probe/></Window>",
                                      nullptr, &probes, &host.manager));
    EXPECT_EQ(3, probes.made);
    EXPECT_EQ(3, probes.destroyed);
}

TEST(TreeBuilder, NodeOutsideATreeViewEndsItsLevel)
{
    SkinWindow window;
    ASSERT_TRUE(window.Open(L"<Window><VerticalLayout><Label name=\"before\"/>"
                            L"<TreeNode name=\"stray\"/><Label name=\"after\"/>"
                            L"</VerticalLayout></Window>", 200, 200));
    EXPECT_NE(nullptr, window.Find(L"before"));
    EXPECT_EQ(nullptr, window.Find(L"stray"));
    EXPECT_EQ(nullptr, window.Find(L"after"));
}

TEST(TreeBuilder, NodesNestedBeyondTheLimitFailTheBuild)
{
    auto nested = [](int depth) {
        std::wstring xml = L"<Window><TreeView>";
        for (int i = 0; i < depth; ++i)
            xml += L"<TreeNode>";
        for (int i = 0; i < depth; ++i)
            xml += L"</TreeNode>";
        return xml + L"</TreeView></Window>";
    };
    const struct
    {
        int depth;
        bool builds;
    } cases[] = {{100, true}, {CUILayoutBuilder::kMaxNesting + 10, false}};
    for (const auto& c : cases) {
        CUILayoutBuilder builder;
        CControlUI* root = builder.Create(nested(c.depth).c_str());
        EXPECT_EQ(c.builds, root != nullptr) << c.depth;
        if (root) {
            EXPECT_EQ(c.depth, static_cast<CTreeViewUI*>(root)->GetCount()) << "one row a node";
            delete root;
        }
    }
}

TEST_F(TreeWindow, DoubleClickAndFolderButtonsCollapseAndExpandSubtrees)
{
    // A double-click on the item or a click on the folder button of a node; expanding A again
    // leaves A1 collapsed, its child hidden.
    const struct
    {
        LPCWSTR node;
        bool doubleClick;
        LPCWSTR rows;
    } steps[] = {
        {L"a", true, L"A (A1) (A1x) (A2) B "}, {L"a", true, L"A A1 A1x A2 B "},
        {L"a1", false, L"A A1 (A1x) A2 B "},   {L"a", false, L"A (A1) (A1x) (A2) B "},
        {L"a", false, L"A A1 (A1x) A2 B "},
    };
    for (const auto& step : steps) {
        CTreeNodeUI* node = Node(step.node);
        if (step.doubleClick)
            ClickPart(node->GetItemButton(), WM_LBUTTONDBLCLK);
        else
            ClickPart(node->GetFolderButton());
        EXPECT_EQ(std::wstring(step.rows), Rows()) << step.rows;
    }
    EXPECT_FALSE(Node(L"a1")->IsExpandedFlag());
    EXPECT_TRUE(Node(L"a")->IsExpandedFlag());
    EXPECT_EQ(5, window.recorder.Count(L"selectchanged"))
        << "two double-clicks and two clicks on A's folder, one on A1's";
}

TEST_F(TreeWindow, CheckingANodeChecksItsWholeSubtree)
{
    ClickPart(Node(L"a")->GetCheckBox());
    const LPCWSTR checked[] = {L"a", L"a1", L"a1x", L"a2"};
    for (LPCWSTR name : checked)
        EXPECT_TRUE(Node(name)->GetCheckBox()->IsSelected()) << name;
    EXPECT_FALSE(Node(L"b")->GetCheckBox()->IsSelected());
    ClickPart(Node(L"a1")->GetCheckBox());
    EXPECT_FALSE(Node(L"a1x")->GetCheckBox()->IsSelected());
    EXPECT_TRUE(Node(L"a2")->GetCheckBox()->IsSelected());
    tree->SetAttribute(L"visiblecheckbtn", L"false");
    EXPECT_FALSE(Node(L"a1x")->GetCheckBox()->IsVisible());
}

TEST_F(TreeWindow, ItemTextColoursFollowSelectionAndHover)
{
    tree->SetAttribute(L"itemtextcolor", L"#FF000001");
    tree->SetAttribute(L"itemhottextcolor", L"#FF000002");
    tree->SetAttribute(L"selitemtextcolor", L"#FF000003");
    tree->SetAttribute(L"selitemhottextcolor", L"#FF000004");
    CTreeNodeUI* b = Node(L"b");
    COptionUI* text = b->GetItemButton();
    EXPECT_EQ(0xFF000001u, text->GetTextColor());
    const RECT rc = b->GetPos();
    auto hover = [&](bool over) {
        window.Mouse(WM_MOUSEMOVE, rc.right - 20, over ? rc.top + 5 : 190);
    };
    const struct
    {
        const char* what;
        std::function<void()> act;
        DWORD color;
    } steps[] = {
        {"hover", [&] { hover(true); }, 0xFF000002},
        {"leave", [&] { hover(false); }, 0xFF000001},
        {"select", [&] { tree->SelectItem(tree->GetItemIndex(b)); }, 0xFF000003},
        {"hover selected", [&] { hover(true); }, 0xFF000004},
        {"leave selected", [&] { hover(false); }, 0xFF000003},
        {"deselect", [&] { tree->SelectItem(-1); }, 0xFF000001},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(step.color, text->GetTextColor()) << step.what;
    }
}

// A node with two children, the first with a child of its own: x, x1, x1a, x2.
CTreeNodeUI* MakeSubtree(const std::wstring& prefix)
{
    CTreeNodeUI* nodes[4];
    const LPCWSTR suffixes[] = {L"", L"1", L"1a", L"2"};
    for (int i = 0; i < 4; ++i)
        nodes[i] = TextNode((prefix + suffixes[i]).c_str());
    nodes[1]->Add(nodes[2]);
    nodes[0]->Add(nodes[1]);
    nodes[0]->Add(nodes[3]);
    return nodes[0];
}

TEST_F(TreeWindow, SubtreesEnterAndLeaveTheListWhole)
{
    const struct
    {
        const char* what;
        std::function<bool()> act;
        LPCWSTR rows;
    } steps[] = {
        // Every child's subtree, not only the first's, right after A1's subtree.
        {"into A after A1x", [&] { return Node(L"a1")->Add(MakeSubtree(L"X")); },
         L"A A1 A1x X X1 X1a X2 A2 B "},
        // Below the last subtree: the index equal to the count is valid.
        {"under the last row", [&] { return Node(L"b")->Add(MakeSubtree(L"Y")); },
         L"A A1 A1x X X1 X1a X2 A2 B Y Y1 Y1a Y2 "},
        {"before A2", [&] { return Node(L"a")->AddAt(MakeSubtree(L"Z"), 1); },
         L"A A1 A1x X X1 X1a X2 Z Z1 Z1a Z2 A2 B Y Y1 Y1a Y2 "},
        {"remove A1", [&] { return Node(L"a")->Remove(Node(L"a1")); },
         L"A Z Z1 Z1a Z2 A2 B Y Y1 Y1a Y2 "},
        {"remove B by index", [&] { return tree->RemoveAt(tree->GetItemIndex(Node(L"b"))); },
         L"A Z Z1 Z1a Z2 A2 "},
    };
    for (const auto& step : steps) {
        EXPECT_TRUE(step.act()) << step.what;
        EXPECT_EQ(std::wstring(step.rows), Rows()) << step.what;
        for (int i = 0; i < tree->GetCount(); ++i) {
            CTreeNodeUI* node = static_cast<CTreeNodeUI*>(tree->GetItemAt(i));
            EXPECT_EQ(i, node->GetIndex()) << step.what;
            EXPECT_EQ(tree, node->GetTreeView()) << step.what;
        }
    }
    EXPECT_EQ(2, Node(L"a")->GetChildCount());
    window.Repaint();
}

// An insert that fails leaves nothing of the subtree listed: the caller gets it back whole.
// RemoveNode, and Remove through it, take a node's whole subtree and end for any child.
TEST_F(TreeWindow, FailedInsertsAndRemovalsLeaveNoNodeBehind)
{
    // X, with a listed child X1 (itself with X1a) before a child of another class, is listed up
    // to that child before each insert fails.
    const std::function<bool(CTreeNodeUI*)> inserts[] = {
        [&](CTreeNodeUI* x) { return Node(L"a")->Add(x); },
        [&](CTreeNodeUI* x) { return Node(L"a")->AddAt(x, 1); },
        [&](CTreeNodeUI* x) { return tree->InsertNode(x, tree->GetCount()) >= 0; },
    };
    for (const auto& insert : inserts) {
        int foreignDestroyed = 0;
        CTreeNodeUI* x = TextNode(L"X");
        CTreeNodeUI* x1 = TextNode(L"X1");
        ASSERT_TRUE(x1->Add(TextNode(L"X1a")));
        ASSERT_TRUE(x->Add(x1));
        ASSERT_TRUE(x->AddAt(new ForeignNode(&foreignDestroyed), 1));
        DestroyCount count;
        for (CControlUI* node : {x, x1, x1->GetChildNode(0)})
            count.Watch(node);

        EXPECT_FALSE(insert(x));
        EXPECT_EQ(L"A A1 A1x A2 B ", Rows());
        EXPECT_EQ(2, Node(L"a")->GetChildCount());
        EXPECT_EQ(nullptr, x->GetParentNode());
        delete x;
        EXPECT_TRUE(count.AllOnce());
        EXPECT_EQ(1, foreignDestroyed);
        controlstest::FreedMemoryReuse litter(sizeof(CTreeNodeUI), 32);
        window.Repaint();
    }

    int foreignDestroyed = 0;
    DestroyCount count;
    // A child of another class is recorded but never listed; it goes with its node.
    CTreeNodeUI* x = TextNode(L"X");
    ASSERT_TRUE(x->AddAt(new ForeignNode(&foreignDestroyed), 0));
    ASSERT_TRUE(tree->AddNode(x));
    count.Watch(x);
    EXPECT_TRUE(tree->RemoveNode(x));
    // A1 still lists A1x, whose parent pointer names B.
    Node(L"a1x")->SetParentNode(Node(L"b"));
    count.Watch(Node(L"a1"));
    count.Watch(Node(L"a1x"));
    EXPECT_TRUE(tree->Remove(Node(L"a1")));
    EXPECT_EQ(L"A A2 B ", Rows());
    ASSERT_TRUE(PumpUntil([&] { return count.AllOnce(); }));
    controlstest::FreedMemoryReuse litter(sizeof(CTreeNodeUI), 32);
    EXPECT_EQ(1, foreignDestroyed);
    EXPECT_EQ(0, Node(L"b")->GetChildCount());
    EXPECT_EQ(1, Node(L"a")->GetChildCount()) << "gone from its parent's child list too";

    // Every node that A and the list still hold is touched: A collapsed and expanded, checked,
    // given a child, then the rows painted and hovered.
    CTreeNodeUI* a = Node(L"a");
    ClickPart(a->GetFolderButton());
    ClickPart(a->GetFolderButton());
    ClickPart(a->GetCheckBox());
    EXPECT_TRUE(a->Add(TextNode(L"N")));
    window.Repaint();
    for (int i = 0; i < tree->GetCount(); ++i) {
        const RECT rc = tree->GetItemAt(i)->GetPos();
        window.Mouse(WM_MOUSEMOVE, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }
    window.Repaint();
    EXPECT_EQ(L"A A2 N B ", Rows());
    EXPECT_TRUE(count.AllOnce());
}

// A handler deletes a node or the whole tree, from a real click or double click on a row, its
// folder button or its check box, or from the selection leaving a removed subtree: nothing of
// what was deleted is used after it is freed.
TEST_F(TreeWindow, NodesAndTreesDeletedByAHandlerAreTouchedNoMore)
{
    const auto press = [this](LPCWSTR name, UINT msg) {
        return [=] { ClickPart(Node(name)->GetItemButton(), msg); };
    };
    const auto check = [this] { ClickPart(Node(L"a")->GetCheckBox()); };
    const struct
    {
        LPCWSTR type, victim;
        std::function<void()> prepare, act;
    } cases[] = {
        {L"itemdbclick", L"a", nullptr, press(L"a", WM_LBUTTONDBLCLK)},
        {L"itemactivate", L"a1", nullptr, press(L"a1", WM_LBUTTONDBLCLK)},
        {L"itemselect", L"b", nullptr, press(L"b", WM_LBUTTONDOWN)},
        // The double-click turns the folder button, whose handler deletes the node.
        {L"selectchanged", L"a", nullptr, press(L"a", WM_LBUTTONDBLCLK)},
        // Checking A checks its subtree, deepest first; the first handler run deletes.
        {L"selectchanged", L"tree", nullptr, check},
        {L"selectchanged", L"a", nullptr, check},
        // A1x selected, then A's subtree removed: the selection moves up to A1.
        {L"itemselect", L"tree", press(L"a1x", WM_LBUTTONDOWN), [this] { tree->RemoveNode(Node(L"a")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " deleting " << c.victim);
        ASSERT_TRUE(window.Rebuild(kTreeSkin));
        tree = window.Find<CTreeViewUI>(L"tree");
        if (c.prepare)
            c.prepare();
        CControlUI* victim = window.Find(c.victim);
        // Counts read from a freed node are positive: a walk that went on through it faults.
        controlstest::FreedMemoryReuse reuse(controlstest::FreedMemoryReuse::Fill::Positive);
        controlstest::Handler deleter(c.type, [&](UINotification&) {
            CControlUI* gone = victim;
            if (!gone)
                return;
            victim = nullptr;
            if (gone == tree) {
                ASSERT_TRUE(controlstest::DeleteAtOnce(tree));
                tree = nullptr;
            } else {
                tree->GetBody()->SetDeferredDelete(false);
                ASSERT_TRUE(tree->RemoveNode(static_cast<CTreeNodeUI*>(gone)));
            }
            reuse.Take({sizeof(CTreeViewUI), sizeof(CTreeNodeUI), sizeof(CCheckBoxUI),
                        sizeof(CHorizontalLayoutUI), sizeof(CLabelUI)}, 32);
        });
        window.host.manager.AddNotifier(&deleter);
        c.act();
        // The selection a removal moves is heard after the removal.
        managertest::Pump();
        window.host.manager.RemoveNotifier(&deleter);

        EXPECT_EQ(nullptr, victim) << "deleted";
        window.CarryOn(60, 5, 120, 9);
        EXPECT_TRUE(reuse.Intact());
    }
}

} // namespace
