// The tree view in a real window: the builder's "TreeNode" rule, subtrees entering and
// leaving the list depth-first, expanding, collapsing and checking subtrees.

#include "controls/UIOption.h"
#include "controls/UITreeView.h"
#include "core/UILabel.h"

#include <gtest/gtest.h>

#include <functional>
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
    for (int i = 0; i < 4; ++i) {
        nodes[i] = new CTreeNodeUI;
        nodes[i]->SetAttribute(L"text", (prefix + suffixes[i]).c_str());
    }
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

} // namespace
