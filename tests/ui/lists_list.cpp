// The list in a real window: the item look attributes, selection by mouse and keys across
// disabled rows, header drags, the wheel, scrolling, removal, and lookups of header and rows.

#include "controls/UIList.h"
#include "controls/UIListElement.h"
#include "core/UIScrollBar.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace skintest;
using controlstest::DeleteAtOnce;
using controlstest::FreedMemoryReuse;
using controlstest::Handler;
using controlstest::SameRect;

namespace {

TEST(ItemLook, AttributesParseAsSkinsWriteThem)
{
    const DWORD black = 0xFF000000;
    struct Case
    {
        LPCWSTR name, value;
        bool list;
        ItemLookChange change;
        RECT padding;
        DWORD textColor;
        UINT alignBits;
    } const cases[] = {
        {L"itemtextpadding", L"2,3,4,5", true, ItemLookChange::TextPadding, {2, 3, 4, 5}, black, 0},
        // A short list ends at its terminator: the rest reads as 0, nothing beyond is read.
        {L"itemtextpadding", L"2", true, ItemLookChange::TextPadding, {2, 0, 0, 0}, black, 0},
        {L"itemtextpadding", L"7,", false, ItemLookChange::TextPadding, {7, 0, 0, 0}, black, 0},
        {L"itemtextcolor", L"FF112233", false, ItemLookChange::TextColor, {}, 0xFF112233, 0},
        {L"itemtextcolor", L"#112233", true, ItemLookChange::TextColor, {}, 0x00112233, 0},
        {L"itemalign", L"center", true, ItemLookChange::Stored, {}, black, DT_CENTER},
        {L"itemalign", L"right left", true, ItemLookChange::Stored, {}, black, DT_RIGHT},
        {L"itemendellipsis", L"true", false, ItemLookChange::NotLook, {}, black, 0},
        {L"multiexpanding", L"true", false, ItemLookChange::NotLook, {}, black, 0},
        {L"itemshowhtml", L"false", true, ItemLookChange::Unchanged, {}, black, 0},
        {L"width", L"3", true, ItemLookChange::NotLook, {}, black, 0},
    };
    for (const Case& c : cases) {
        ListItemLook look;
        EXPECT_EQ(c.change, ApplyItemLookAttribute(look, c.name, c.value, c.list)) << c.value;
        EXPECT_TRUE(SameRect(c.padding, look.rcTextPadding)) << c.name << "=" << c.value;
        EXPECT_EQ(c.textColor, look.dwTextColor) << c.name << "=" << c.value;
        EXPECT_EQ(c.alignBits, look.uTextStyle & (DT_CENTER | DT_RIGHT)) << c.value;
    }
}

// Rows 0..5 of 20 px under a 20 px header, in a 200 x 80 list; rows 2, 4 and 5 are disabled.
const wchar_t kListSkin[] =
    L"<Window><VerticalLayout>"
    L"<List name=\"list\" height=\"80\" vscrollbar=\"true\" hscrollbar=\"true\">"
    L"<ListHeader name=\"header\" height=\"20\">"
    L"<ListHeaderItem name=\"h0\" text=\"A\" width=\"60\"/>"
    L"<ListHeaderItem name=\"h1\" text=\"B\" width=\"60\"/>"
    L"<ListHeaderItem name=\"h2\" text=\"C\" width=\"60\"/>"
    L"</ListHeader>"
    L"<ListLabelElement name=\"r0\" text=\"zero\" height=\"20\"/>"
    L"<ListLabelElement name=\"r1\" text=\"one\" height=\"20\" selected=\"false\"/>"
    L"<ListLabelElement name=\"r2\" text=\"two\" height=\"20\" enabled=\"false\"/>"
    L"<ListLabelElement name=\"r3\" text=\"three\" height=\"20\"/>"
    L"<ListLabelElement name=\"r4\" text=\"four\" height=\"20\" enabled=\"false\"/>"
    L"<ListLabelElement name=\"r5\" text=\"five\" height=\"20\" enabled=\"false\"/>"
    L"</List><Control/></VerticalLayout></Window>";

class ListWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.Open(kListSkin, 200, 200));
        list = window.Find<CListUI>(L"list");
        ASSERT_NE(nullptr, list);
        window.recorder.types.clear();
    }
    int Selects() const { return window.recorder.Count(L"itemselect"); }
    // The top of row i on screen.
    int RowTop(int i) { return list->GetItemAt(i)->GetPos().top; }

    SkinWindow window;
    CListUI* list = nullptr;
};

TEST_F(ListWindow, SelectionFollowsMouseAndKeysAndSkipsDisabledRows)
{
    EXPECT_EQ(-1, list->GetCurSel()) << "selected=\"false\" selects nothing";
    window.Click(30, RowTop(1) + 5);
    EXPECT_EQ(1, list->GetCurSel());
    EXPECT_EQ(1, Selects());

    // Down skips disabled row 2; End towards rows 4 and 5, all disabled, keeps row 3; Home and
    // Up reach row 0 and stay there.
    const struct
    {
        WPARAM key;
        int selection;
    } steps[] = {{VK_DOWN, 3}, {VK_END, 3}, {VK_DOWN, 3}, {VK_UP, 1}, {VK_HOME, 0}, {VK_UP, 0}};
    for (const auto& step : steps) {
        window.Key(step.key);
        EXPECT_EQ(step.selection, list->GetCurSel()) << "key " << step.key;
    }
    EXPECT_EQ(4, Selects()) << "one itemselect per change, none when nothing moved";
    EXPECT_TRUE(static_cast<CListLabelElementUI*>(list->GetItemAt(0))->IsSelected());
    EXPECT_FALSE(static_cast<CListLabelElementUI*>(list->GetItemAt(3))->IsSelected());
}

TEST_F(ListWindow, SelectItemRefusesDisabledAndHiddenRowsButMinusOneClears)
{
    ASSERT_TRUE(list->SelectItem(3));
    window.recorder.types.clear();
    EXPECT_FALSE(list->SelectItem(2)) << "disabled";
    list->GetItemAt(0)->SetVisible(false);
    EXPECT_FALSE(list->SelectItem(0)) << "hidden";
    EXPECT_FALSE(list->SelectItem(17)) << "past the end";
    EXPECT_EQ(3, list->GetCurSel());
    EXPECT_TRUE(list->SelectItem(3)) << "the current row again";
    EXPECT_EQ(0, Selects());

    EXPECT_FALSE(list->SelectItem(-1));
    EXPECT_EQ(-1, list->GetCurSel());
    EXPECT_FALSE(static_cast<CListLabelElementUI*>(list->GetItemAt(3))->IsSelected());

    // Hiding the selected row drops the selection without a notification.
    ASSERT_TRUE(list->SelectItem(1));
    window.recorder.types.clear();
    list->GetItemAt(1)->SetVisible(false);
    EXPECT_EQ(-1, list->GetCurSel());
    EXPECT_EQ(0, Selects());
}

TEST_F(ListWindow, RemovingRowsKeepsIndicesAndSelectionInStep)
{
    ASSERT_TRUE(list->SelectItem(3));
    ASSERT_TRUE(list->GetBody()->RemoveAt(0)) << "however it is taken out";
    EXPECT_EQ(2, list->GetCurSel()) << "a row before the selection shifts it";
    for (int i = 0; i < list->GetCount(); ++i)
        EXPECT_EQ(i, static_cast<CListLabelElementUI*>(list->GetItemAt(i))->GetIndex());

    window.recorder.types.clear();
    ASSERT_TRUE(list->Remove(list->GetItemAt(2)));
    EXPECT_EQ(0, list->GetCurSel()) << "the nearest selectable row backwards: 1 is disabled";
    EXPECT_EQ(0, Selects()) << "heard after the change";
    managertest::Pump();
    EXPECT_EQ(1, Selects());
    list->GetBody()->RemoveAll();
    EXPECT_EQ(-1, list->GetCurSel());
    EXPECT_EQ(0, list->GetCount());
    EXPECT_NE(nullptr, list->GetHeader()) << "items only";
}

TEST_F(ListWindow, HeaderSeparatorDragResizesColumnsAboveMinimum)
{
    CControlUI* h0 = window.Find(L"h0");
    const int y = h0->GetPos().top + 5;
    // From 60 wide: a drag past the minimum keeps the width it had.
    const struct
    {
        int dx, width;
    } drags[] = {{+30, 90}, {-100, 90}, {-20, 70}};
    for (const auto& drag : drags) {
        const int edge = h0->GetPos().right - 2;
        window.Mouse(WM_MOUSEMOVE, edge, y);
        window.Mouse(WM_LBUTTONDOWN, edge, y, MK_LBUTTON);
        window.Mouse(WM_MOUSEMOVE, edge + drag.dx, y, MK_LBUTTON);
        window.Mouse(WM_LBUTTONUP, edge + drag.dx, y);
        window.Repaint();
        EXPECT_EQ(drag.width, h0->GetPos().right - h0->GetPos().left) << drag.dx;
        const ListItemLook* look = list->GetItemLook();
        ASSERT_EQ(3, look->nColumns);
        EXPECT_TRUE(SameRect(h0->GetPos(), look->rcColumn[0]));
        EXPECT_EQ(look->rcColumn[0].right, look->rcColumn[1].left);
    }
    EXPECT_EQ(0, window.recorder.Count(L"headerclick")) << "the separator is no click";
    window.Click(20, y);
    EXPECT_EQ(1, window.recorder.Count(L"headerclick"));
}

TEST_F(ListWindow, WheelScrollsOrMovesTheSelection)
{
    CScrollBarUI* bar = list->GetVerticalScrollBar();
    ASSERT_TRUE(bar && bar->IsVisible()) << "120 px of rows in a 60 px body";
    const int top = RowTop(0);
    window.Wheel(30, 50, -WHEEL_DELTA);
    const int scrolled = list->GetScrollPos().cy;
    EXPECT_GT(scrolled, 0);
    EXPECT_EQ(top - scrolled, RowTop(0));
    window.Wheel(30, 50, WHEEL_DELTA);
    EXPECT_EQ(0, list->GetScrollPos().cy);

    list->SetAttribute(L"scrollselect", L"true");
    ASSERT_TRUE(list->SelectItem(0));
    window.Wheel(30, 50, -WHEEL_DELTA);
    EXPECT_EQ(1, list->GetCurSel());
    window.Wheel(30, 50, -WHEEL_DELTA);
    EXPECT_EQ(3, list->GetCurSel()) << "over the disabled row";
    EXPECT_GT(list->GetScrollPos().cy, 0) << "the selection is scrolled into view";
}

TEST_F(ListWindow, HorizontalScrollMovesHeaderAndColumnsButVerticalDoesNot)
{
    CControlUI* h1 = window.Find(L"h1");
    CScrollBarUI* bar = list->GetHorizontalScrollBar();
    ASSERT_TRUE(bar);
    // 180 px of columns; a wider first column makes the rows overflow the body.
    window.Find(L"h0")->SetFixedWidth(200);
    list->RequestLayout();
    window.Repaint();
    ASSERT_TRUE(bar->IsVisible());
    const RECT header = h1->GetPos();
    list->SetScrollPos(SIZE{30, 0});
    EXPECT_EQ(header.left - 30, h1->GetPos().left);
    EXPECT_TRUE(SameRect(h1->GetPos(), list->GetItemLook()->rcColumn[1]));
    const RECT shifted = h1->GetPos();
    list->SetScrollPos(SIZE{30, 20});
    EXPECT_TRUE(SameRect(shifted, h1->GetPos()));
    window.Repaint();
    EXPECT_TRUE(SameRect(shifted, list->GetItemLook()->rcColumn[1])) << "kept by the layout";
}

// Rows span the header's columns, or the widest row without columns, never less than the
// 200 px body; the body's horizontal bar scrolls to the rows' width.
const wchar_t kRowWidthSkin[] =
    L"<Window><VerticalLayout><List name=\"list\" height=\"100\" hscrollbar=\"true\">"
    L"<ListHeader height=\"20\"><ListHeaderItem name=\"h0\" width=\"60\"/></ListHeader>"
    L"<ListLabelElement text=\"n\" height=\"20\" width=\"50\"/>"
    L"<ListLabelElement name=\"wide\" text=\"w\" height=\"20\" width=\"120\"/>"
    L"</List></VerticalLayout></Window>";

TEST(ListRows, RowsSpanTheHeaderOrTheWidestRowAndTheBarScrollsToThem)
{
    SkinWindow window;
    ASSERT_TRUE(window.Open(kRowWidthSkin, 200, 200));
    CListUI* list = window.Find<CListUI>(L"list");
    CControlUI* h0 = window.Find(L"h0");
    CScrollBarUI* bar = list->GetHorizontalScrollBar();
    ASSERT_TRUE(bar);
    const struct
    {
        int column;     // h0's width; 0 takes the column out of the header
        int wideRow, rowWidth, range;
    } cases[] = {{60, 120, 200, 0}, {300, 120, 300, 100}, {150, 400, 200, 0}, {0, 260, 260, 60}};
    for (const auto& c : cases) {
        if (c.column == 0)
            ASSERT_TRUE(list->GetHeader()->Remove(h0));
        else
            h0->SetFixedWidth(c.column);
        window.Find(L"wide")->SetFixedWidth(c.wideRow);
        // Twice: rows are laid out in the width the bar's old range let them have.
        for (int pass = 0; pass < 2; ++pass) {
            list->RequestLayout();
            window.Repaint();
        }
        for (int i = 0; i < list->GetCount(); ++i) {
            const RECT rc = list->GetItemAt(i)->GetPos();
            EXPECT_EQ(c.rowWidth, rc.right - rc.left) << c.column << "/" << c.wideRow << " row " << i;
        }
        EXPECT_EQ(c.range, bar->IsVisible() ? bar->GetScrollRange() : 0) << c.column << "/" << c.wideRow;
    }
}

TEST_F(ListWindow, NameLookupAndHitTestsReachHeaderAndRows)
{
    // The list answers its body's rows through GetItemAt; its own children stay reachable.
    for (LPCWSTR name : {L"header", L"h2", L"r5"})
        EXPECT_NE(nullptr, window.Find(name)) << name;
    CControlUI* h1 = window.Find(L"h1");
    const RECT rc = h1->GetPos();
    EXPECT_EQ(h1, window.host.manager.FindControlAt(POINT{rc.left + 5, rc.top + 5}));
    CControlUI* r1 = list->GetItemAt(1);
    EXPECT_EQ(r1, window.host.manager.FindControlAt(POINT{10, r1->GetPos().top + 5}));
}

IListItemUI* ItemOf(CControlUI* control)
{
    return static_cast<IListItemUI*>(control->AsInterface(L"ListItem"));
}

// A row asked to select itself while hidden is refused by the list and stays unselected, so that
// a click once it is shown selects it through the list.
TEST_F(ListWindow, ARowHiddenWhenSelectedIsSelectedByAClickOnceShown)
{
    CControlUI* row = list->GetItemAt(1);
    row->SetVisible(false);
    EXPECT_FALSE(ItemOf(row)->Select(true));
    EXPECT_FALSE(ItemOf(row)->IsSelected());
    row->SetVisible(true);
    window.Repaint();
    window.Click(30, RowTop(1) + 5);
    EXPECT_EQ(1, list->GetCurSel());
    EXPECT_EQ(1, Selects());
}

// A row that expands when its list asks it to.
class ExpandingRow : public CListLabelElementUI
{
public:
    bool IsExpanded() const override { return m_bExpanded; }
    bool Expand(bool expand) override
    {
        m_bExpanded = expand;
        return true;
    }

private:
    bool m_bExpanded = false;
};

TEST_F(ListWindow, TheExpandedRowFollowsItsRowThroughInsertMoveAndRemove)
{
    list->RemoveAll();
    CControlUI* rows[3] = {new ExpandingRow, new ExpandingRow, new ExpandingRow};
    for (CControlUI* row : rows)
        ASSERT_TRUE(list->Add(row));
    ASSERT_TRUE(list->ExpandItem(1));
    const struct
    {
        const char* what;
        std::function<bool()> act;
        CControlUI* expanded;
    } steps[] = {
        {"insert before it", [&] { return list->AddAt(new ExpandingRow, 0); }, rows[1]},
        {"move it to the end", [&] { return list->SetItemIndex(rows[1], 3); }, rows[1]},
        {"remove a row above it", [&] { return list->Remove(rows[0]); }, rows[1]},
        {"remove it", [&] { return list->Remove(rows[1]); }, nullptr},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(step.act()) << step.what;
        window.Repaint();
        EXPECT_EQ(step.expanded ? list->GetItemIndex(step.expanded) : -1, list->GetExpandedItem())
            << step.what;
    }
}

// Paints one row on white.
void PaintRow(rendertest::Canvas& canvas, CControlUI* row)
{
    canvas.Fill(0xFFFFFFFF);
    row->Paint(canvas.Dc(), RECT{0, 0, 200, 200});
}

// A provider answering "row,column" texts.
class CellTexts : public IListTextProvider
{
public:
    LPCWSTR GetCellText(CControlUI*, int row, int column) override
    {
        text = std::to_wstring(row) + L"," + std::to_wstring(column);
        ++calls;
        return text.c_str();
    }
    std::wstring text;
    int calls = 0;
};

TEST_F(ListWindow, TextElementsDrawIntoColumnsFromProviderOrOwnTexts)
{
    list->RemoveAll();
    list->SetAttribute(L"header", L"hidden");
    list->SetAttribute(L"itemtextcolor", L"#FF0000FF");
    CListTextElementUI* own = new CListTextElementUI;
    own->SetColumnText(2, L"WWWW");
    list->Add(own);
    CListTextElementUI* empty = new CListTextElementUI;
    list->Add(empty);
    window.Repaint();
    const ListItemLook* look = list->GetItemLook();
    ASSERT_EQ(3, look->nColumns) << "a hidden header still supplies columns";
    EXPECT_EQ(120, look->rcColumn[2].left - look->rcColumn[0].left);

    // Paint the rows off-screen and look for the blue text in each column.
    rendertest::Canvas canvas(200, 200);
    auto blueIn = [&](CControlUI* row, int column) {
        PaintRow(canvas, row);
        int n = 0;
        const RECT rc = row->GetPos();
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = look->rcColumn[column].left; x < look->rcColumn[column].right; ++x)
                n += canvas.Rgb(x, y) == 0x0000FF ? 1 : 0;
        return n;
    };
    EXPECT_EQ(0, blueIn(own, 0));
    EXPECT_GT(blueIn(own, 2), 0);
    EXPECT_EQ(0, blueIn(empty, 1)) << "no provider, no texts";
    CellTexts provider;
    list->SetTextProvider(&provider);
    EXPECT_GT(blueIn(empty, 1), 0);
    EXPECT_EQ(3, provider.calls);
    list->SetTextProvider(nullptr);
}

const wchar_t kLookSkin[] =
    L"<Window><VerticalLayout>"
    L"<List name=\"list\" itembkcolor=\"#FF00FF00\" itemaltbk=\"true\" "
    L"itemselectedbkcolor=\"#FFFF0000\" itemhotbkcolor=\"#FF0000FF\" "
    L"itemdisabledbkcolor=\"#FF808080\" itemlinecolor=\"#FF000000\" itemshowhtml=\"true\">"
    L"<ListLabelElement text=\"r0\" height=\"20\"/>"
    L"<ListLabelElement text=\"r1\" height=\"20\"/>"
    L"<ListLabelElement text=\"r2\" height=\"20\" enabled=\"false\"/>"
    L"<ListLabelElement text=\"r3\" height=\"20\"/>"
    L"<ListTextElement name=\"links\" height=\"20\"/>"
    L"</List></VerticalLayout></Window>";

TEST(ListLook, RowBackgroundsFollowStateAlternationAndLine)
{
    SkinWindow window;
    ASSERT_TRUE(window.Open(kLookSkin, 200, 200));
    CListUI* list = window.Find<CListUI>(L"list");
    ASSERT_TRUE(list->SelectItem(3));
    // The mouse over row 1 makes it hot.
    const RECT hot = list->GetItemAt(1)->GetPos();
    window.Mouse(WM_MOUSEMOVE, 150, hot.top + 5);
    // Even: the look's colour; odd without colour of its own but hot; disabled; odd, selected.
    const struct
    {
        int row;
        DWORD fill;
    } cases[] = {{0, 0x00FF00}, {1, 0x0000FF}, {2, 0x808080}, {3, 0xFF0000}};
    rendertest::Canvas canvas(200, 200);
    for (const auto& c : cases) {
        CControlUI* row = list->GetItemAt(c.row);
        PaintRow(canvas, row);
        const RECT rc = row->GetPos();
        EXPECT_EQ(c.fill, canvas.Rgb(rc.right - 5, rc.top + 5)) << c.row;
        EXPECT_EQ(0x000000u, canvas.Rgb(rc.right - 5, rc.bottom - 1)) << "line " << c.row;
    }
    window.Mouse(WM_MOUSEMOVE, 150, 190);
    PaintRow(canvas, list->GetItemAt(1));
    EXPECT_EQ(0xFFFFFFu, canvas.Rgb(150, hot.top + 5)) << "odd rows skip the colour";
}

TEST(ListLook, ActivationAndLinksNotify)
{
    SkinWindow window;
    ASSERT_TRUE(window.Open(kLookSkin, 200, 200));
    CListUI* list = window.Find<CListUI>(L"list");
    CListTextElementUI* links = window.Find<CListTextElementUI>(L"links");
    CListHeaderItemUI* column = new CListHeaderItemUI;
    column->SetFixedWidth(150);
    list->Add(column);
    list->SetAttribute(L"header", L"hidden");
    links->SetColumnText(0, L"see <a first>one</a> <a second>two</a>");
    window.Repaint();
    ASSERT_EQ(2, links->GetLinkCount());
    EXPECT_EQ(6u, links->GetInputFlags()) << "links want the cursor";

    // A double-click activates, on a disabled row not; a click on a row is an item click.
    const struct
    {
        UINT msg;
        int row;
        LPCWSTR type;
    } steps[] = {{WM_LBUTTONDBLCLK, 0, L"itemactivate"}, {WM_LBUTTONDBLCLK, 2, L"itemactivate"},
                 {WM_LBUTTONDOWN, 3, L"itemclick"}};
    for (const auto& step : steps) {
        const int y = list->GetItemAt(step.row)->GetPos().top + 5;
        window.Mouse(WM_MOUSEMOVE, 5, y);
        window.Mouse(step.msg, 5, y, MK_LBUTTON);
        window.Mouse(WM_LBUTTONUP, 5, y);
        EXPECT_EQ(1, window.recorder.Count(step.type)) << step.row;
    }
    window.Key(VK_RETURN);
    EXPECT_EQ(2, window.recorder.Count(L"itemactivate")) << "Enter activates the selection";

    // A click on the second link names it; a click beside the links names none.
    const RECT row = links->GetPos();
    window.recorder.types.clear();
    int x = 0;
    for (int probe = 0; probe < 150 && x == 0; ++probe) {
        UIEvent move = controlstest::MakeEvent(UIEventType::SetCursor,
                                               POINT{149 - probe, row.top + 10});
        links->OnEvent(move);
        if (::GetCursor() == ::LoadCursorW(nullptr, IDC_HAND))
            x = 149 - probe;
    }
    ASSERT_GT(x, 0) << "a link under the cursor shows the hand";
    window.Click(x, row.top + 10);
    ASSERT_EQ(1, window.recorder.Count(L"link"));
    EXPECT_EQ(1u, window.recorder.wParams.back());
    window.Click(170, row.top + 10);
    EXPECT_EQ(1, window.recorder.Count(L"link"));
}

// ---- Deleted by a handler -------------------------------------------------------------------

// Under a 20 px header item, two rows of 20 px: a label and a container.
const wchar_t kDeletableSkin[] =
    L"<Window><VerticalLayout><List name=\"list\" height=\"120\">"
    L"<ListHeader height=\"20\"><ListHeaderItem name=\"h0\" width=\"150\"/></ListHeader>"
    L"<ListLabelElement name=\"label\" text=\"label\" height=\"20\"/>"
    L"<ListContainerElement name=\"box\" height=\"20\"/>"
    L"</List><Control/></VerticalLayout></Window>";

// A handler deletes a row, the header item or the whole list at once from a real click, double
// click or key, the freed memory taken back at once: nothing of it is used afterwards. A row
// only taken out by its click (deleted later) selects nothing: its index names the next row.
TEST(DeletedByItsHandler, ListRowsAndHeaderItemsTouchNothingOfThemselvesAfterNotifying)
{
    const auto press = [](UINT msg, int y, WPARAM vk = 0) {
        return [=](SkinWindow& w) {
            w.Mouse(WM_MOUSEMOVE, 75, y);
            w.Mouse(msg, 75, y, MK_LBUTTON);
            w.Mouse(WM_LBUTTONUP, 75, y);
            if (vk)
                w.Key(vk);
        };
    };
    const struct
    {
        LPCWSTR type, sender, victim;
        std::function<void(SkinWindow&)> act;
        bool atOnce = true;
    } cases[] = {
        {L"itemclick", L"label", L"label", press(WM_LBUTTONDOWN, 30)},
        {L"itemclick", L"box", L"list", press(WM_RBUTTONDOWN, 50)},
        {L"itemclick", L"label", L"label", press(WM_LBUTTONDOWN, 30), false},
        {L"itemselect", L"list", L"list", press(WM_LBUTTONDOWN, 30)},
        {L"itemselect", L"list", L"label", press(WM_LBUTTONDOWN, 30)},
        {L"itemactivate", L"label", L"label", press(WM_LBUTTONDBLCLK, 30)},
        {L"itemactivate", L"box", L"list", press(WM_LBUTTONDBLCLK, 50)},
        {L"itemactivate", L"box", L"box", press(WM_LBUTTONDOWN, 50, VK_RETURN)},
        {L"headerclick", L"h0", L"list", press(WM_LBUTTONDOWN, 10)},
        // The window manager moves the focus to a pressed row, or the list to the next row.
        {L"killfocus", L"label", L"box",
         [press](SkinWindow& w) {
             press(WM_LBUTTONDOWN, 30)(w);
             press(WM_LBUTTONDOWN, 50)(w);
         }},
        {L"setfocus", L"box", L"list", press(WM_LBUTTONDOWN, 30, VK_DOWN)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " deleting " << c.victim << c.atOnce);
        SkinWindow window;
        ASSERT_TRUE(window.Open(kDeletableSkin, 200, 200));
        CListUI* list = window.Find<CListUI>(L"list");
        CControlUI* sender = window.Find(c.sender);
        CControlUI* victim = window.Find(c.victim);
        FreedMemoryReuse reuse;
        Handler deleter(c.type, [&](UINotification& msg) {
            CControlUI* gone = victim;
            if (!gone || msg.pSender != sender)
                return;
            victim = nullptr;   // once: removing the selected row selects another
            if (gone->AsInterface(L"ListItem")) {
                list->GetBody()->SetDeferredDelete(!c.atOnce);
                ASSERT_TRUE(list->Remove(gone));
            } else {
                ASSERT_TRUE(DeleteAtOnce(gone));
            }
            reuse.Take({sizeof(CListUI), sizeof(CListLabelElementUI),
                        sizeof(CListContainerElementUI), sizeof(CListHeaderItemUI)});
        });
        window.host.manager.AddNotifier(&deleter);
        c.act(window);
        window.host.manager.RemoveNotifier(&deleter);

        EXPECT_EQ(nullptr, victim) << "deleted";
        if (!c.atOnce)
            EXPECT_EQ(-1, list->GetCurSel());
        window.CarryOn(75, 10, 100, 20);
        EXPECT_TRUE(reuse.Intact());
    }
}

} // namespace
