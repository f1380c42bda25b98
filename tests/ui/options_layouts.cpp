// Tile, tab and child layouts, and the scroll bars and children of containers, in windows built
// from skin text.

#include "controls/UITabLayout.h"
#include "controls/UITileLayout.h"
#include "core/UIButton.h"
#include "core/UILayouts.h"
#include "core/UIScrollBar.h"
#include "skin/UIChildLayout.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace controlstest;
using skintest::SkinWindow;

// ---- Tab layout ---------------------------------------------------------------------------------

TEST(TabLayout, OnePageShownSelectedByAttributeAndByCall)
{
    SkinWindow skin;
    ASSERT_TRUE(skin.Open(L"<Window><TabLayout name=\"tabs\" selectedid=\"2\"><Button name=\"p0\"/>"
                          L"<Button name=\"p1\"/><Button name=\"p2\"/></TabLayout></Window>"));
    CTabLayoutUI* tabs = skin.Find<CTabLayoutUI>(L"tabs");
    std::vector<size_t> heard = skin.Heard(L"tabselect");
    ASSERT_EQ(1u, heard.size());
    EXPECT_EQ(2u, skin.recorder.wParams[heard[0]]);
    EXPECT_EQ(0, skin.recorder.lParams[heard[0]]);
    EXPECT_FALSE(skin.Find(L"p0")->IsVisible());
    EXPECT_TRUE(skin.Find(L"p2")->IsVisible());
    EXPECT_EQ(200, skin.Find(L"p2")->GetWidth());

    EXPECT_TRUE(tabs->SelectPage(2));
    EXPECT_FALSE(tabs->SelectPage(7));
    EXPECT_EQ(1, skin.recorder.Count(L"tabselect")) << "no change, no notification";
    EXPECT_TRUE(tabs->SelectPage(1));
    heard = skin.Heard(L"tabselect");
    ASSERT_EQ(2u, heard.size());
    EXPECT_EQ(1u, skin.recorder.wParams[heard[1]]);
    EXPECT_EQ(2, skin.recorder.lParams[heard[1]]);

    // A page put in before the shown one stays hidden, and Tab never reaches it.
    CButtonUI* extra = new CButtonUI;
    ASSERT_TRUE(tabs->AddAt(extra, 0));
    EXPECT_EQ(2, tabs->GetSelectedPage());
    EXPECT_FALSE(extra->IsVisible());
    skin.Repaint();
    MSG tab = {skin.host.GetHandle(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    for (int i = 0; i < 3; ++i) {
        CUIWindowManager::PreTranslateForAll(&tab);
        EXPECT_NE(extra, skin.host.manager.GetFocusedControl());
    }

    // Removing the shown page shows the first one, without a notification.
    const int notified = skin.recorder.Count(L"tabselect");
    ASSERT_TRUE(tabs->Remove(skin.Find(L"p1")));
    EXPECT_EQ(0, tabs->GetSelectedPage());
    EXPECT_TRUE(extra->IsVisible());
    EXPECT_EQ(notified, skin.recorder.Count(L"tabselect"));
}

// A "killfocus" handler deletes what is being hidden, or the tab layout changing pages: it leaves
// the window at once and is freed after the handler, and the window goes on.
TEST(TabLayout, HandlerDeletingWhatLosesTheFocusOnAPageChangeOrHiding)
{
    const wchar_t skinText[] =
        L"<Window><VerticalLayout><TabLayout name=\"tabs\">"
        L"<VerticalLayout name=\"p0\"><Button name=\"f\" height=\"20\"/></VerticalLayout>"
        L"<VerticalLayout name=\"p1\"><Button height=\"20\"/></VerticalLayout>"
        L"</TabLayout><Button name=\"other\" height=\"20\"/></VerticalLayout></Window>";
    const struct
    {
        LPCWSTR deleted;
        size_t size;
        bool pageChange;   // else the deleted control itself is hidden
        int pagesLeft;
    } cases[] = {
        {L"tabs", sizeof(CTabLayoutUI), true, 0},
        {L"p0", sizeof(CVerticalLayoutUI), false, 1},
        {L"f", sizeof(CButtonUI), false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.deleted)));
        SkinWindow skin;
        ASSERT_TRUE(skin.Open(skinText));
        CControlUI* deleted = skin.Find(c.deleted);
        CContainerUI* root = static_cast<CContainerUI*>(skin.Find(L"other")->GetParent());
        skin.Find(L"f")->SetFocus();
        ASSERT_EQ(skin.Find(L"f"), skin.host.manager.GetFocusedControl());
        FreedMemoryReuse reuse;
        Handler killer(L"killfocus", [&](UINotification&) {
            if (killer.runs == 1 && DeleteAtOnce(deleted))
                reuse.Take({c.size});
        });
        skin.host.manager.AddNotifier(&killer);
        if (c.pageChange)
            EXPECT_TRUE(skin.Find<CTabLayoutUI>(L"tabs")->SelectPage(1)) << "out of the window, whole";
        else
            deleted->SetVisible(false);
        skin.host.manager.RemoveNotifier(&killer);
        ASSERT_EQ(1, killer.runs);
        EXPECT_EQ(nullptr, skin.Find(c.deleted));
        CTabLayoutUI* tabs = skin.Find<CTabLayoutUI>(L"tabs");
        EXPECT_EQ(c.pagesLeft, tabs ? tabs->GetCount() : 0);
        EXPECT_EQ(tabs ? 2 : 1, root->GetCount());
        skin.Repaint();
        skin.Click(5, 5);
        EXPECT_TRUE(reuse.Intact());
    }
}

// ---- Tile layout --------------------------------------------------------------------------------

TEST(TileLayout, ColumnsFollowTheItemWidthAndCellsCentreTheirChildren)
{
    CUILayoutBuilder builder;
    CTileLayoutUI* tile = static_cast<CTileLayoutUI*>(builder.Create(
        L"<Window><TileLayout columns=\"2\"><Control width=\"40\" height=\"20\"/>"
        L"<Control width=\"60\" height=\"30\"/><Control width=\"10\" height=\"10\"/>"
        L"</TileLayout></Window>"));
    ASSERT_NE(nullptr, tile);
    tile->SetPos(RECT{0, 0, 200, 300});
    // Rows as tall as their tallest child; the last row holds one child in the left cell.
    EXPECT_TRUE(SameRect(RECT{30, 5, 70, 25}, tile->GetItemAt(0)->GetPos()));
    EXPECT_TRUE(SameRect(RECT{120, 0, 180, 30}, tile->GetItemAt(1)->GetPos()));
    EXPECT_TRUE(SameRect(RECT{45, 30, 55, 40}, tile->GetItemAt(2)->GetPos()));

    struct Case
    {
        LPCWSTR columns;
        LPCWSTR itemSize;
        int width, expected;
    };
    const Case cases[] = {
        {L"0", L"0,0", 200, 2}, {L"-2", L"0,0", 200, 2}, {L"3", L"0,0", 200, 3},
        {L"3", L"100,0", 300, 3}, {L"3", L"100,0", 250, 2}, {L"3", L"100,0", 90, 1},
    };
    for (const Case& c : cases) {
        tile->SetAttribute(L"columns", c.columns);
        tile->SetAttribute(L"itemsize", c.itemSize);
        tile->SetPos(RECT{0, 0, c.width, 300});
        EXPECT_EQ(c.expected, tile->GetColumns()) << c.columns << " " << c.itemSize << " " << c.width;
    }
    delete tile;
}

TEST(TileLayout, ChildPaddingIsSharedBetweenCellsAndTheOuterCellsGiveItBack)
{
    CUILayoutBuilder builder;
    CTileLayoutUI* tile = static_cast<CTileLayoutUI*>(builder.Create(
        L"<Window><TileLayout columns=\"2\" childpadding=\"10\">"
        L"<Control width=\"40\" height=\"20\" padding=\"2,3,4,5\"/>"
        L"<Control width=\"60\" height=\"30\"/><Control width=\"10\" height=\"10\"/>"
        L"</TileLayout></Window>"));
    ASSERT_NE(nullptr, tile);
    tile->SetPos(RECT{0, 0, 200, 300});
    // Cells 2..91 (top padding 3) and 105..200 in a row 30 high; the next row 10 lower.
    EXPECT_TRUE(SameRect(RECT{26, 6, 66, 26}, tile->GetItemAt(0)->GetPos()))
        << tile->GetItemAt(0)->GetPos();
    EXPECT_TRUE(SameRect(RECT{122, 0, 182, 30}, tile->GetItemAt(1)->GetPos()))
        << tile->GetItemAt(1)->GetPos();
    EXPECT_TRUE(SameRect(RECT{42, 40, 52, 50}, tile->GetItemAt(2)->GetPos()))
        << tile->GetItemAt(2)->GetPos();
    delete tile;
}

// Skin numbers at the ends of the int range: cells are worked out without wrapping, so children
// land in order or out of sight.
TEST(TileLayout, ExtremeSkinNumbersDoNotWrap)
{
    const struct
    {
        LPCWSTR tile;       // attributes of the tile layout
        int visible;        // of its five children, those that still meet its rectangle
    } cases[] = {
        {L"columns=\"2147483647\"", 5},
        {L"columns=\"1\" childpadding=\"2147483647\"", 1},
        {L"inset=\"2147483647,2147483647,2147483647,2147483647\"", 0},
        {L"inset=\"-2147483648,-2147483648,-2147483648,-2147483648\"", 0},
        {L"columns=\"1\" vscrollbar=\"true\" childpadding=\"2147483647\"", 1},
        {L"columns=\"2147483647\" hscrollbar=\"true\" inset=\"-2147483648,0,2147483647,0\"", 0},
    };
    const RECT area = {40, 20, 160, 100};
    for (const auto& c : cases) {
        std::wstring skin = L"<Window><HorizontalLayout bkcolor=\"#FFFFFFFF\" inset=\"40,20,40,20\">"
                            L"<TileLayout name=\"tile\" " + std::wstring(c.tile) + L">";
        for (int i = 0; i < 5; ++i)
            skin += L"<Control bkcolor=\"#FFFF0000\" width=\"30\" height=\"20\"/>";
        skin += L"</TileLayout></HorizontalLayout></Window>";
        SkinWindow window;
        ASSERT_TRUE(window.Open(skin.c_str())) << c.tile;
        CTileLayoutUI* tile = window.Find<CTileLayoutUI>(L"tile");
        ASSERT_TRUE(SameRect(area, tile->GetPos())) << c.tile;

        int visible = 0;
        for (int i = 0; i < tile->GetCount(); ++i) {
            RECT meet;
            visible += ::IntersectRect(&meet, &tile->GetItemAt(i)->GetPos(), &area) ? 1 : 0;
        }
        EXPECT_EQ(c.visible, visible) << c.tile;
    }
}

// ---- Child layout -------------------------------------------------------------------------------

class ChildLayout : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const std::wstring folder = rendertest::MakeTestFolder(L"options_child");
        std::vector<std::pair<std::string, std::string>> files = {
            {"child.xml", "<Window><Label name=\"inner\" text=\"from file\"/></Window>"},
            {"self.xml", "<Window><ChildLayout xmlfile=\"self.xml\"/></Window>"},
            {"there.xml", "<Window><ChildLayout xmlfile=\"back.xml\"/></Window>"},
            {"back.xml", "<Window><ChildLayout xmlfile=\"there.xml\"/></Window>"},
            {"cycleA.xml", Loading(2, "cycleB.xml")},
            {"cycleB.xml", Loading(2, "CYCLEA.XML")},
            {"fan3.xml", Loading(3, "fan3.xml")},
        };
        // name0.xml, name1.xml, ...: each loads the next `breadth` times, the last none.
        const auto chain = [&files](const std::string& name, int levels, int breadth) {
            for (int level = 0; level < levels; ++level) {
                const std::string next = name + std::to_string(level + 1) + ".xml";
                files.push_back({name + std::to_string(level) + ".xml",
                                 Loading(level + 1 < levels ? breadth : 0, next)});
            }
        };
        chain("broad", 3, 4);   // 1 + 4 + 16 child layouts: within the bounds
        chain("fork", 8, 2);    // 255 child layouts over distinct files: past the budget
        chain("deep", 30, 1);   // deeper than the limit
        for (const auto& file : files) {
            const std::wstring name(file.first.begin(), file.first.end());
            rendertest::WriteBytes(folder + name, Bytes(file.second));
        }
        rendertest::WriteBytes(folder + L"skin.zip", rendertest::BuildStoredZip({{"zipped.xml",
            Bytes("<Window><Label name=\"inner\" text=\"from zip\"/></Window>")}}));
        CUIWindowManager::SetResourceFolder(folder.c_str());
    }
    // A layout with a label and `count` child layouts of `file`.
    static std::string Loading(int count, const std::string& file)
    {
        std::string xml = "<Window><VerticalLayout><Label text=\"here\"/>";
        for (int i = 0; i < count; ++i)
            xml += "<ChildLayout xmlfile=\"" + file + "\"/>";
        return xml + "</VerticalLayout></Window>";
    }
    static std::vector<BYTE> Bytes(const std::string& text)
    {
        return std::vector<BYTE>(text.begin(), text.end());
    }
    static std::wstring Skin(LPCWSTR file, LPCWSTR inside = L"")
    {
        return std::wstring(L"<Window><VerticalLayout><ChildLayout name=\"holder\" xmlfile=\"") +
               file + L"\">" + inside + L"</ChildLayout></VerticalLayout></Window>";
    }
};

TEST_F(ChildLayout, ChildrenComeFromTheFileInTheSkinFolderOrZip)
{
    for (bool zipped : {false, true}) {
        if (zipped)
            CUIWindowManager::SetResourceZipFile(L"skin.zip", true);
        SkinWindow skin;
        // Elements written inside the child layout are not added to it.
        const bool built = skin.Open(
            Skin(zipped ? L"zipped.xml" : L"child.xml", L"<Label name=\"ignored\"/>").c_str());
        CUIWindowManager::SetResourceZipFile(L"", true);
        ASSERT_TRUE(built);
        CContainerUI* holder = skin.Find<CContainerUI>(L"holder");
        ASSERT_EQ(1, holder->GetCount());
        CControlUI* inner = skin.Find(L"inner");
        ASSERT_NE(nullptr, inner);
        EXPECT_EQ(holder, inner->GetParent());
        EXPECT_EQ(inner->GetText(), zipped ? L"from zip" : L"from file");
        EXPECT_EQ(nullptr, skin.Find(L"ignored"));
        EXPECT_TRUE(SameRect(RECT{0, 0, 200, 120}, inner->GetPos()));
    }
    SkinWindow missing;
    ASSERT_TRUE(missing.Open(Skin(L"nowhere.xml").c_str()));
    EXPECT_EQ(0, missing.Find<CContainerUI>(L"holder")->GetCount());
}

CControlUI* CALLBACK CountFilled(CControlUI* control, LPVOID filled)
{
    auto* layout = static_cast<CChildLayoutUI*>(control->AsInterface(L"ChildLayout"));
    if (layout && layout->GetCount() > 0)
        ++*static_cast<int*>(filled);
    return nullptr;
}

// A file is not loaded again below itself, the window's own file included, however many times
// it asks; the child layouts of one build, filled when they join the window, share one bounded
// budget, which a layout filled again on joining again takes nothing more of. A wide skin within
// the bounds is built whole.
TEST_F(ChildLayout, FilesLoadingThemselvesOrFanningOutBuildABoundedTree)
{
    const struct
    {
        std::wstring skin;
        int rejoins;  // times the layout named "holder" leaves the window and joins it again
        int filled;   // child layouts whose file was loaded
    } cases[] = {
        {Skin(L"self.xml"), 0, 1},
        {Skin(L"there.xml"), 0, 2},
        // The window's own file is being loaded above its child layouts.
        {L"fan3.xml", 0, 0},
        // A -> B -> A, twice at each step: A's child layouts load B, whose own stay empty.
        {Skin(L"cycleA.xml"), 0, 1 + 2},
        // The window's document and the files below it, as deep as includes go.
        {Skin(L"deep0.xml"), 0, CUILayoutBuilder::kMaxIncludeDepth},
        // 255 child layouts over distinct files: the budget runs out first.
        {Skin(L"fork0.xml"), 0, CUILayoutBuilder::kMaxChildLayouts},
        // Two top-level layouts of 127 each: one budget for the whole build.
        {L"<Window><VerticalLayout><ChildLayout xmlfile=\"fork1.xml\"/>"
         L"<ChildLayout xmlfile=\"fork1.xml\"/></VerticalLayout></Window>",
         0, CUILayoutBuilder::kMaxChildLayouts},
        // Every build has its own budget.
        {Skin(L"broad0.xml"), 0, 1 + 4 + 16},
        // 127 + 21 of the budget taken, the 21 filled again four times.
        {L"<Window><VerticalLayout><ChildLayout xmlfile=\"fork1.xml\"/><ChildLayout "
         L"name=\"holder\" xmlfile=\"broad0.xml\"/></VerticalLayout></Window>",
         4, 127 + 1 + 4 + 16},
    };
    for (const auto& c : cases) {
        SkinWindow skin;
        ASSERT_TRUE(skin.Open(c.skin.c_str())) << c.skin;
        for (int i = 0; i < c.rejoins; ++i) {
            CControlUI* holder = skin.Find(L"holder");
            auto* column = static_cast<CContainerUI*>(holder->GetParent());
            column->SetOwningChildren(false);
            ASSERT_TRUE(column->Remove(holder));
            column->SetOwningChildren(true);
            ASSERT_TRUE(column->Add(holder));
        }
        int filled = 0;
        skin.host.manager.GetRootControl()->FindControl(CountFilled, &filled, UIFIND_ALL);
        EXPECT_EQ(c.filled, filled) << c.skin;
    }
}

// ---- Container scroll bars and children that leave ----------------------------------------------

TEST(ContainerBars, PlainContainerPlacesItsBarAndSetsTheRange)
{
    SkinWindow skin;
    ASSERT_TRUE(skin.Open(L"<Window><Container vscrollbar=\"true\">"
                          L"<Control name=\"tall\" minheight=\"250\"/></Container></Window>"));
    CContainerUI* box = static_cast<CContainerUI*>(skin.host.manager.GetRootControl());
    CScrollBarUI* bar = box->GetVerticalScrollBar();
    CControlUI* tall = skin.Find(L"tall");
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(130, bar->GetScrollRange());
    EXPECT_TRUE(SameRect(RECT{184, 0, 200, 120}, bar->GetPos())) << bar->GetPos();
    EXPECT_EQ(184, tall->GetWidth());
    skin.Wheel(50, 50, -WHEEL_DELTA);
    EXPECT_EQ(-(8 + skin.host.manager.GetDefaultFontEntry()->tm.tmHeight), tall->GetY());

    tall->SetMinHeight(50);
    skin.Repaint();
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(0, tall->GetY());
}

TEST(ContainerBars, HorizontalLayoutRangeFollowsTheContentWidth)
{
    SkinWindow skin;
    ASSERT_TRUE(skin.Open(L"<Window><HorizontalLayout hscrollbar=\"true\"><Control width=\"90\"/>"
                          L"<Control width=\"90\"/><Control width=\"90\"/><Control name=\"rest\"/>"
                          L"</HorizontalLayout></Window>"));
    CContainerUI* row = static_cast<CContainerUI*>(skin.host.manager.GetRootControl());
    CScrollBarUI* bar = row->GetHorizontalScrollBar();
    EXPECT_EQ(70, bar->GetScrollRange());
    EXPECT_TRUE(SameRect(RECT{0, 104, 200, 120}, bar->GetPos())) << bar->GetPos();
    row->ScrollToRightEnd();
    EXPECT_EQ(-70, row->GetItemAt(0)->GetX());

    ASSERT_TRUE(row->RemoveAt(0));
    skin.Repaint();
    EXPECT_EQ(0, bar->GetScrollRange());
    EXPECT_EQ(0, row->GetItemAt(0)->GetX()) << "the position shrank with the range";
    EXPECT_EQ(20, skin.Find(L"rest")->GetWidth());
}

TEST(ContainerBars, ChildLeavingANonOwningContainerLeavesTheWindow)
{
    for (bool all : {false, true}) {
        SkinWindow skin;
        ASSERT_TRUE(skin.Open(L"<Window><VerticalLayout name=\"list\"><Option name=\"kept\" "
                              L"group=\"g\"/></VerticalLayout></Window>"));
        CContainerUI* list = skin.Find<CContainerUI>(L"list");
        CControlUI* kept = skin.Find(L"kept");
        list->SetOwningChildren(false);
        kept->SetFocus();
        ASSERT_EQ(kept, skin.host.manager.GetFocusedControl());
        if (all)
            list->RemoveAll();
        else
            ASSERT_TRUE(list->Remove(kept));
        EXPECT_EQ(nullptr, kept->GetManager());
        EXPECT_EQ(nullptr, kept->GetParent());
        EXPECT_EQ(nullptr, skin.Find(L"kept"));
        EXPECT_EQ(nullptr, skin.host.manager.GetFocusedControl());
        EXPECT_EQ(nullptr, skin.host.manager.GetOptionGroup(L"g")) << "nor in its group";
        delete kept;
    }
}
