// The tree view in a real window: the builder's "TreeNode" rule, subtrees entering and
// leaving the list depth-first, expanding, collapsing and checking subtrees.

#include "controls/UIOption.h"
#include "controls/UITreeView.h"
#include "core/UILabel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "lists_support.h"

using namespace QxUI;
using namespace liststest;

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
        window.Send(WM_MOUSEMOVE, 0, At(x, y));
        window.Send(down, MK_LBUTTON, At(x, y));
        window.Send(up, 0, At(x, y));
        window.Repaint();
    }
    void DoubleClick(CTreeNodeUI* node)
    {
        ClickPart(node->GetItemButton(), WM_LBUTTONDBLCLK);
    }

    SkinWindow window;
    CTreeViewUI* tree = nullptr;
};

TEST_F(TreeWindow, SkinBuildsSubtreesDepthFirstWithIndentedChildren)
{
    EXPECT_EQ(L"A A1 A1x A2 B ", Rows());
    struct Case
    {
        LPCWSTR name;
        LPCWSTR parent;
        bool lineShown;
        int lineWidth;
    };
    const Case cases[] = {
        {L"a", nullptr, false, 2}, {L"a1", L"a", true, 18}, {L"a1x", L"a1", true, 34},
        {L"a2", L"a", true, 18},   {L"b", nullptr, false, 2},
    };
    for (const Case& c : cases) {
        CTreeNodeUI* node = Node(c.name);
        ASSERT_NE(nullptr, node) << c.name;
        EXPECT_EQ(c.parent ? Node(c.parent) : nullptr, node->GetParentNode()) << c.name;
        EXPECT_EQ(c.lineShown, node->GetDottedLine()->IsVisible()) << c.name;
        EXPECT_EQ(c.lineWidth, node->GetDottedLine()->GetFixedWidth()) << c.name;
        EXPECT_TRUE(node->GetCheckBox()->IsVisible()) << "visiblecheckbtn reached " << c.name;
        EXPECT_EQ(tree, node->GetTreeView()) << c.name;
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
                            L"</VerticalLayout></Window>"));
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
    struct Step
    {
        const char* what;
        std::function<void()> act;
        LPCWSTR rows;
    };
    const Step steps[] = {
        {"double-click A", [&] { DoubleClick(Node(L"a")); }, L"A (A1) (A1x) (A2) B "},
        {"double-click A again", [&] { DoubleClick(Node(L"a")); }, L"A A1 A1x A2 B "},
        {"A1's folder", [&] { ClickPart(Node(L"a1")->GetFolderButton()); },
         L"A A1 (A1x) A2 B "},
        {"collapse A", [&] { ClickPart(Node(L"a")->GetFolderButton()); },
         L"A (A1) (A1x) (A2) B "},
        // A1 stays collapsed: its child stays hidden.
        {"expand A", [&] { ClickPart(Node(L"a")->GetFolderButton()); }, L"A A1 (A1x) A2 B "},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(std::wstring(step.rows), Rows()) << step.what;
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
    struct Step
    {
        const char* what;
        std::function<void()> act;
        DWORD color;
    };
    const RECT rc = b->GetPos();
    const Step steps[] = {
        {"hover", [&] { window.Send(WM_MOUSEMOVE, 0, At(rc.right - 20, rc.top + 5)); },
         0xFF000002},
        {"leave", [&] { window.Send(WM_MOUSEMOVE, 0, At(rc.right - 20, 190)); }, 0xFF000001},
        {"select", [&] { tree->SelectItem(tree->GetItemIndex(b)); }, 0xFF000003},
        {"hover selected", [&] { window.Send(WM_MOUSEMOVE, 0, At(rc.right - 20, rc.top + 5)); },
         0xFF000004},
        {"leave selected", [&] { window.Send(WM_MOUSEMOVE, 0, At(rc.right - 20, 190)); },
         0xFF000003},
        {"deselect", [&] { tree->SelectItem(-1); }, 0xFF000001},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(step.color, text->GetTextColor()) << step.what;
    }
}

// A node with two children, the first with a child of its own: x, x1, x1a, x2.
CTreeNodeUI* MakeSubtree(LPCWSTR prefix)
{
    CTreeNodeUI* x = new CTreeNodeUI;
    x->SetAttribute(L"text", prefix);
    CTreeNodeUI* x1 = new CTreeNodeUI;
    x1->SetAttribute(L"text", (std::wstring(prefix) + L"1").c_str());
    CTreeNodeUI* x1a = new CTreeNodeUI;
    x1a->SetAttribute(L"text", (std::wstring(prefix) + L"1a").c_str());
    CTreeNodeUI* x2 = new CTreeNodeUI;
    x2->SetAttribute(L"text", (std::wstring(prefix) + L"2").c_str());
    x1->Add(x1a);
    x->Add(x1);
    x->Add(x2);
    return x;
}

TEST_F(TreeWindow, SubtreesEnterAndLeaveTheListWhole)
{
    struct Step
    {
        const char* what;
        std::function<bool()> act;
        LPCWSTR rows;
    };
    const Step steps[] = {
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
    for (const Step& step : steps) {
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
