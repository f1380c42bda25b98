// The combo box in a real window: where its drop-down opens, each way the drop-down closes,
// the items it lends and gets back, and the owner window or the box going away while open.

#include "controls/UICombo.h"
#include "controls/UIListElement.h"
#include "controls/UIOption.h"
#include "core/UILayouts.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace skintest;
using controlstest::DeleteAtOnce;
using controlstest::FreedMemoryReuse;
using controlstest::Handler;

namespace {

// A combo box of 120 x 24 at the window's top-left with three 20 px items; row 1 is the
// second of them. The drop-down's layout takes a child padding of 2 from the skin's default.
const wchar_t kComboSkin[] =
    L"<Window><Default name=\"VerticalLayout\" value=\"childpadding=&quot;2&quot;\"/>"
    L"<VerticalLayout><HorizontalLayout height=\"24\">"
    L"<Combo name=\"combo\" width=\"120\" dropboxsize=\"0,150\" itembkimage=\"row.png\">"
    L"<ListLabelElement name=\"c0\" text=\"zero\" height=\"20\"/>"
    L"<ListLabelElement name=\"c1\" text=\"one\" height=\"20\" selected=\"true\"/>"
    L"<ListLabelElement name=\"c2\" text=\"two\" height=\"20\"/>"
    L"</Combo><Control/></HorizontalLayout><Control/></VerticalLayout></Window>";

class ComboWindow : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const std::wstring folder = rendertest::MakeTestFolder(L"lists_combo");
        const std::vector<rendertest::Rgba> pixels(4, rendertest::Rgba{0, 0, 255, 255});
        rendertest::WriteBytes(folder + L"row.png", rendertest::EncodePng(2, 2, pixels));
        CUIWindowManager::SetResourceFolder(folder.c_str());
    }

    void SetUp() override
    {
        ASSERT_TRUE(window.Open(kComboSkin, 200, 200) && window.Activate());
        combo = window.Find<CComboUI>(L"combo");
        ASSERT_NE(nullptr, combo);
        window.recorder.types.clear();
    }

    // Opens the drop-down by a click on the box and waits until its items are laid out.
    HWND Drop()
    {
        window.Click(20, 10);
        CComboWnd* drop = combo->GetDropDown();
        if (!drop)
            return nullptr;
        HWND hWnd = drop->GetHandle();
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        managertest::Pump();
        return hWnd;
    }

    // A fresh window tree from the skin, and its box.
    void Rebuild(LPCWSTR skin = kComboSkin)
    {
        ASSERT_TRUE(window.Rebuild(skin));
        combo = window.Find<CComboUI>(L"combo");
        ASSERT_NE(nullptr, combo);
        window.recorder.types.clear();
    }

    bool WaitClosed(HWND hWnd)
    {
        return PumpUntil([&] { return combo->GetDropDown() == nullptr && !::IsWindow(hWnd); });
    }

    // Every item is the box's again: its manager, its parent and its empty rectangle.
    void ExpectItemsReturned(bool laidOut = true)
    {
        for (int i = 0; i < combo->GetCount(); ++i) {
            CControlUI* item = combo->GetItemAt(i);
            EXPECT_EQ(&window.host.manager, item->GetManager()) << i;
            EXPECT_EQ(combo, item->GetParent()) << i;
            if (laidOut)
                EXPECT_TRUE(::IsRectEmpty(&item->GetPos())) << i;
        }
    }

    SkinWindow window;
    CComboUI* combo = nullptr;
};

// The mouse over a row of the open drop-down: rows are 20 high, 2 apart, below a 1 px inset.
void MoveOverRow(HWND drop, int row)
{
    ::SendMessageW(drop, WM_MOUSEMOVE, 0, MAKELPARAM(10, 11 + 22 * row));
}

// Near the bottom of the work area the drop-down opens above the box.
TEST_F(ComboWindow, OpensBelowOrAboveTheBoxAsWideAndAsHighAsItsItems)
{
    EXPECT_EQ(std::wstring(L"one"), combo->GetText().GetData()) << "the selected item's";
    RECT work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (bool above : {false, true}) {
        if (above) {
            const HWND below = combo->GetDropDown()->GetHandle();
            ::SendMessageW(below, WM_KEYDOWN, VK_ESCAPE, 1);
            ASSERT_TRUE(WaitClosed(below));
            ::SetWindowPos(window.host.GetHandle(), nullptr, 10, work.bottom - 40, 0, 0,
                           SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            window.recorder.types.clear();
        }
        HWND drop = Drop();
        ASSERT_NE(nullptr, drop);
        EXPECT_EQ(1, window.recorder.Count(L"dropdown"));
        RECT rc;
        ::GetWindowRect(drop, &rc);
        POINT corner = {0, above ? 0 : 24};
        ::ClientToScreen(window.host.GetHandle(), &corner);
        EXPECT_EQ(corner.x, rc.left);
        EXPECT_EQ(corner.y, above ? rc.bottom : rc.top);
        EXPECT_EQ(120, rc.right - rc.left);
        EXPECT_EQ(3 * 20 + 4, rc.bottom - rc.top);
    }

    // The drop-down lays out the lent items and takes the skin's defaults.
    CVerticalLayoutUI* layout = combo->GetDropDown()->GetLayout();
    EXPECT_EQ(&combo->GetDropDown()->GetManager(), combo->GetItemAt(0)->GetManager());
    EXPECT_EQ(layout, combo->GetItemAt(0)->GetParent());
    EXPECT_EQ(21, combo->GetItemAt(0)->GetPos().bottom) << "below the 1 px inset";
    EXPECT_EQ(2, layout->GetChildPadding());
    EXPECT_EQ(23, combo->GetItemAt(1)->GetPos().top);
    EXPECT_EQ(combo, window.host.manager.FindControlAt(POINT{5, 5}))
        << "lent items, at the drop-down's coordinates, catch no clicks on the box";
}

TEST_F(ComboWindow, EachWayOfClosingGivesTheItemsBack)
{
    const struct
    {
        const char* name;
        std::function<void(HWND)> close;
        int selection;
        int selects;   // "itemselect" notifications
    } cases[] = {
        {"down arrow", [](HWND h) { ::SendMessageW(h, WM_KEYDOWN, VK_DOWN, 1); }, 2, 1},
        {"wheel", [](HWND h) { ::SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0); },
         0, 1},
        {"enter", [](HWND h) { ::SendMessageW(h, WM_KEYDOWN, VK_RETURN, 1); }, 1, 0},
        {"focus loss", [this](HWND h) {
             ::SendMessageW(h, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window.host.GetHandle()), 0);
         }, 1, 0},
        // A change made while open is undone by Escape, with its own notification.
        {"escape", [this](HWND h) {
             combo->GetItemAt(0)->SetEnabled(true);
             ::SendMessageW(h, WM_KEYDOWN, VK_UP, 1);
             ::SendMessageW(h, WM_KEYDOWN, VK_ESCAPE, 1);
         }, 1, 2},
        {"item click", [this](HWND h) {
             const RECT rc = combo->GetItemAt(0)->GetPos();
             ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.left + 5, rc.top + 5));
         }, 0, 1},
    };
    for (const auto& c : cases) {
        window.recorder.types.clear();
        HWND drop = Drop();
        ASSERT_NE(nullptr, drop) << c.name;
        c.close(drop);
        ASSERT_TRUE(WaitClosed(drop)) << c.name;
        EXPECT_EQ(c.selection, combo->GetCurSel()) << c.name;
        EXPECT_EQ(c.selects, window.recorder.Count(L"itemselect")) << c.name;
        ExpectItemsReturned();
        if (combo->GetCurSel() != 1)
            combo->SelectItem(1);
    }
    // The item images were loaded while the items were the drop-down's.
    const CUIImageDesc& bk = combo->GetItemLook()->diBk;
    ASSERT_NE(nullptr, bk.pImageInfo.Get()) << "drawn in the drop-down";
    EXPECT_EQ(window.host.manager.GetImage(L"row.png"), bk.pImageInfo.Get());
    window.Repaint();
}

TEST_F(ComboWindow, KeysAndWheelOnTheClosedBoxSkipWhatCannotBeSelected)
{
    combo->GetItemAt(2)->SetEnabled(false);
    // End and Down towards the last row, which is disabled, keep the selection.
    const struct
    {
        int type;
        WCHAR key;
        WPARAM wParam;
        int selection;
    } steps[] = {{UIEventType::KeyDown, VK_END, 0, 1}, {UIEventType::KeyDown, VK_DOWN, 0, 1},
                 {UIEventType::ScrollWheel, 0, 0, 0},  {UIEventType::KeyDown, VK_UP, 0, 0},
                 {UIEventType::ScrollWheel, 0, 1, 1}};
    for (const auto& step : steps) {
        UIEvent event = controlstest::MakeEvent(step.type, POINT{0, 0}, step.wParam);
        event.chKey = step.key;
        combo->OnEvent(event);
        EXPECT_EQ(step.selection, combo->GetCurSel()) << step.type << " " << step.key;
    }
    EXPECT_FALSE(combo->SelectItem(2));
    EXPECT_EQ(1, combo->GetCurSel());
    EXPECT_FALSE(combo->SelectItem(99)) << "clamped to the last row, which is disabled";
    combo->GetItemAt(2)->SetEnabled(true);
    EXPECT_TRUE(combo->SelectItem(99));
    EXPECT_EQ(2, combo->GetCurSel());
}

TEST_F(ComboWindow, OwnerWindowClosedWhileOpenTakesTheDropDownAlong)
{
    HWND drop = Drop();
    ASSERT_NE(nullptr, drop);
    ::DestroyWindow(window.host.GetHandle());
    EXPECT_FALSE(::IsWindow(drop));
    EXPECT_EQ(nullptr, combo->GetDropDown());
    ExpectItemsReturned(false);
}

TEST_F(ComboWindow, BoxDeletedWhileOpenDestroysTheDropDown)
{
    HWND drop = Drop();
    ASSERT_NE(nullptr, drop);
    CContainerUI* row = static_cast<CContainerUI*>(combo->GetParent());
    ASSERT_TRUE(row->Remove(combo));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(drop); }));
    window.Repaint();
}

TEST_F(ComboWindow, BoxShowsItsImageAndTheSelectedItemsText)
{
    combo->SetAttribute(L"normalimage", L"row.png");
    combo->SetAttribute(L"itemselectedtextcolor", L"#FFFFFFFF");
    rendertest::Canvas canvas(200, 40, 0xFF000000);
    for (bool show : {true, false}) {
        combo->SetAttribute(L"showtext", show ? L"true" : L"false");
        canvas.Fill(0xFF000000);
        combo->Paint(canvas.Dc(), RECT{0, 0, 200, 40});
        const int white = 200 * 40 - canvas.CountNot(0xFFFFFF);
        EXPECT_EQ(show, white > 0) << "text shown " << show;
        EXPECT_EQ(0x0000FF, canvas.Rgb(115, 2)) << "the normal image fills the box";
    }
}

TEST_F(ComboWindow, TextElementsInABoxTakeTheBoxsLook)
{
    combo->RemoveAll();
    for (int i = 0; i < 2; ++i)
        combo->Add(new CListTextElementUI);
    combo->SelectItem(0);
    combo->SetAttribute(L"itemtextpadding", L"0,5,0,5");
    const SIZE size = combo->GetItemAt(0)->MeasureSize(SIZE{100, 100});
    const int font = window.host.manager.GetDefaultFontEntry()->tm.tmHeight;
    EXPECT_EQ(font + 10 + 8, size.cy);
    HWND drop = Drop();
    ASSERT_NE(nullptr, drop);
    ::SendMessageW(drop, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitClosed(drop));
    window.Repaint();
}

// ---- Items and the box going while the drop-down is open ------------------------------------

TEST_F(ComboWindow, ItemsRemovedWhileOpenAreForgottenByTheDropDown)
{
    // Removed from the "dropdown" handler or from a timer while open, with the mouse over a row,
    // deleted at once or later by the box's window. Escape keeps the item selected when it opened.
    const struct
    {
        LPCWSTR on;
        bool atOnce;
        std::function<void(CComboUI*)> remove;
        int count, selection;
    } cases[] = {
        {L"dropdown", true, [](CComboUI* c) { c->RemoveAt(0); }, 2, 0},
        {L"dropdown", false, [](CComboUI* c) { c->RemoveAll(); }, 0, -1},
        {L"timer", true, [](CComboUI* c) { c->Remove(c->GetItemAt(0)); }, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.on << c.count);
        Rebuild();
        HWND drop = nullptr;
        FreedMemoryReuse reuse;
        Handler remover(c.on, [&](UINotification&) {
            if (drop)
                return;
            window.host.manager.StopTimer(combo, 7);
            drop = combo->GetDropDown()->GetHandle();
            ::RedrawWindow(drop, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            MoveOverRow(drop, 0);
            combo->SetDeferredDelete(!c.atOnce);
            c.remove(combo);
            if (c.atOnce)
                reuse.Take({sizeof(CListLabelElementUI)});
        });
        window.host.manager.AddNotifier(&remover);
        if (wcscmp(c.on, L"timer") == 0) {
            ASSERT_NE(nullptr, Drop());
            ASSERT_TRUE(window.host.manager.StartTimer(combo, 7, 10));
            ASSERT_TRUE(PumpUntil([&] { return drop != nullptr; }));
        } else {
            window.Click(20, 10);
        }
        window.host.manager.RemoveNotifier(&remover);
        ASSERT_NE(nullptr, drop);
        // Only the queued deletions (WM_APP + 1) of the box's window run now.
        MSG msg;
        while (::PeekMessageW(&msg, window.host.GetHandle(), WM_APP + 1, WM_APP + 1, PM_REMOVE))
            ::DispatchMessageW(&msg);
        if (!c.atOnce)
            reuse.Take({sizeof(CListLabelElementUI)});

        // What the drop-down does next (mouse, paint, focus, closing) touches no removed item.
        for (int row = 0; row < 3; ++row)
            MoveOverRow(drop, row);
        ::RedrawWindow(drop, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        managertest::Pump();
        CComboWnd* dropDown = combo->GetDropDown();
        ASSERT_NE(nullptr, dropDown);
        EXPECT_EQ(c.count, dropDown->GetLayout()->GetCount());
        CControlUI* focus = dropDown->GetManager().GetFocusedControl();
        EXPECT_TRUE(!focus || dropDown->GetLayout()->GetItemIndex(focus) >= 0);
        // The box's window finds the items left by name, open or closed, and no removed one
        // (compared by address only).
        auto expectNamesOfItemsLeft = [&] {
            int named = 0;
            for (LPCWSTR name : {L"c0", L"c1", L"c2"}) {
                if (CControlUI* found = window.host.manager.FindControlByName(name)) {
                    EXPECT_GE(combo->GetItemIndex(found), 0) << name;
                    ++named;
                }
            }
            EXPECT_EQ(c.count, named);
        };
        expectNamesOfItemsLeft();
        ::SendMessageW(drop, WM_KEYDOWN, VK_ESCAPE, 1);
        ASSERT_TRUE(WaitClosed(drop));
        EXPECT_EQ(c.count, combo->GetCount());
        EXPECT_EQ(c.selection, combo->GetCurSel());
        ExpectItemsReturned();
        expectNamesOfItemsLeft();
        window.Repaint();
        EXPECT_TRUE(reuse.Intact());
    }
}

TEST_F(ComboWindow, BoxDeletedAtOnceByAHandlerLeavesTheDropDownBehindIt)
{
    // From the "dropdown" of a click on the box, the "itemselect" of a key, a wheel notch and a
    // click on the first row in the open drop-down, with the mouse over that row, and the
    // "setfocus" of the row a key moves the selection to. Last, the click's handler destroys the
    // box's window instead, and the drop-down with it.
    const struct
    {
        LPCWSTR on;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        bool window = false;
    } cases[] = {{L"dropdown", 0, 0, 0},
                 {L"itemselect", WM_KEYDOWN, VK_DOWN, 1},
                 {L"itemselect", WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 1},
                 {L"itemselect", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 11)},
                 {L"setfocus", WM_KEYDOWN, VK_DOWN, 1},
                 {L"itemselect", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 11), true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.on << " " << c.msg << c.window);
        Rebuild();
        HWND drop = nullptr;
        FreedMemoryReuse reuse;
        Handler deleter(c.on, [&](UINotification&) {
            if (drop)
                return;
            drop = combo->GetDropDown()->GetHandle();
            if (c.window) {
                ::DestroyWindow(window.host.GetHandle());
                reuse.Take({sizeof(CComboWnd)});
                return;
            }
            ASSERT_TRUE(DeleteAtOnce(combo));
            combo = nullptr;
            reuse.Take({sizeof(CComboUI), sizeof(CComboWnd), sizeof(CListLabelElementUI)});
            // The handler goes on (a message box would): the mouse moves over the drop-down.
            MoveOverRow(drop, 1);
        });
        window.host.manager.AddNotifier(&deleter);
        if (c.msg == 0) {
            window.Click(20, 10);
        } else {
            HWND open = Drop();
            ASSERT_NE(nullptr, open);
            combo->GetDropDown()->GetManager().AddNotifier(&deleter);
            MoveOverRow(open, 0);
            ::SendMessageW(open, c.msg, c.wParam, c.lParam);
        }
        window.host.manager.RemoveNotifier(&deleter);
        // The box left its window at once; the drop-down closes at its next message.
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(drop); }));
        if (c.window) {
            EXPECT_EQ(nullptr, combo->GetDropDown());
            ExpectItemsReturned(false);
        } else {
            window.Mouse(WM_MOUSEMOVE, 20, 10);
            window.Repaint();
        }
        EXPECT_TRUE(reuse.Intact());
    }
}

// Options inside the items, one group: it holds in the drop-down and back in the box's window.
const wchar_t kOptionComboSkin[] =
    L"<Window><VerticalLayout><HorizontalLayout height=\"24\">"
    L"<Combo name=\"combo\" width=\"120\" dropboxsize=\"0,150\">"
    L"<ListContainerElement height=\"20\"><Option name=\"o0\" group=\"g\"/></ListContainerElement>"
    L"<ListContainerElement height=\"20\"><Option name=\"o1\" group=\"g\" selected=\"true\"/>"
    L"</ListContainerElement>"
    L"<ListContainerElement height=\"20\"><Option name=\"o2\" group=\"g\"/></ListContainerElement>"
    L"</Combo><Control/></HorizontalLayout><Control/></VerticalLayout></Window>";

TEST_F(ComboWindow, OptionsInItemsKeepTheirGroupAfterTheDropDown)
{
    Rebuild(kOptionComboSkin);
    COptionUI* options[3] = {};
    for (int i = 0; i < 3; ++i)
        options[i] = window.Find<COptionUI>((L"o" + std::to_wstring(i)).c_str());
    const auto selection = [&] {
        std::string s;
        for (int i = 0; i < 3; ++i)
            s += options[i]->IsSelected() ? static_cast<char>('0' + i) : '-';
        return s;
    };

    // A click on o0 in the open drop-down, closed by Return.
    HWND drop = Drop();
    ASSERT_NE(nullptr, drop);
    const RECT rc = options[0]->GetPos();
    ::SendMessageW(drop, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.left + 5, rc.top + 5));
    ::SendMessageW(drop, WM_LBUTTONUP, 0, MAKELPARAM(rc.left + 5, rc.top + 5));
    EXPECT_EQ("0--", selection());
    ::SendMessageW(drop, WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_TRUE(WaitClosed(drop));
    CUIPtrArray* group = window.host.manager.GetOptionGroup(L"g");
    ASSERT_NE(nullptr, group);
    EXPECT_EQ(3, group->GetSize()) << "each option once";
    options[2]->SetSelected(true);
    EXPECT_EQ("--2", selection());
    ASSERT_TRUE(options[1]->Activate());
    EXPECT_EQ("-1-", selection());
}

} // namespace
