// Controls that listen to their window's manager (the rich edit's and the windowless ActiveX
// host's message filters, the web browser's accelerator translator) leave a window cleanly:
// taken out and deleted, the window's later input reaches nothing of theirs; moved into another
// window, they work there and no more in the first.

#include "controls/UIActiveX.h"
#include "controls/UIRichEdit.h"
#include "controls/UIWebBrowser.h"
#include "core/UIContainer.h"

#include <gtest/gtest.h>

#include "activex_support.h"

using namespace QxUI;
using namespace activextest;
using controlstest::FreedMemoryReuse;
using managertest::PumpUntil;

namespace {

std::wstring Skin(const std::wstring& element)
{
    return L"<Window><VerticalLayout name=\"box\"><Control height=\"10\" />" + element +
           L"<Control /></VerticalLayout></Window>";
}

const std::wstring kRichEdit = L"<RichEdit name=\"c\" height=\"60\" text=\"kept\" />";
const std::wstring kActiveX = L"<ActiveX name=\"c\" height=\"60\" " + TestControlAttributes() + L" />";
const std::wstring kBrowser = L"<WebBrowser name=\"c\" height=\"60\" " + TestControlAttributes() + L" />";

POINT Inside(CControlUI* control)
{
    const RECT rc = control->GetPos();
    return POINT{rc.left + 5, rc.top + 5};
}

// Mouse, wheel, keys and a paint at a point of the window, through its queue as a user's come.
void Input(HWND window, POINT pt)
{
    ::PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    ::PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    ::SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    POINT screen = pt;
    ::ClientToScreen(window, &screen);
    ::PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, -WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    ::PostMessageW(window, WM_KEYDOWN, 'Q', 1);
    ::PostMessageW(window, WM_CHAR, 'q', 1);
    ::PostMessageW(window, WM_KEYUP, 'Q', 0xC0000001);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    managertest::Pump();
}

class LeavingAWindow : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(lib.IsLoaded()); }
    void TearDown() override
    {
        window.host.reset();
        other.host.reset();
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; })) << "objects left behind";
    }

    // Whether the control heard input at pt of the window: the rich edit's text changes, the
    // test control records the message.
    bool Hears(CControlUI* control, bool richEdit, HWND window, POINT pt)
    {
        const std::wstring before = richEdit ? control->GetText().GetData() : L"";
        lib.Clear();
        Input(window, pt);
        return richEdit ? before != control->GetText().GetData() : lib.Count(L"OnWindowMessage") > 0;
    }

    TestControlLibrary lib;
    ActiveXWindow window;
    ActiveXWindow other;
};

} // namespace

// Taken out of a container that does not own it and deleted, or moved into another window that
// then closes: the first window's input reaches nothing of it.
TEST_F(LeavingAWindow, AControlThatLeftItsWindowIsCalledNoMoreThere)
{
    const struct
    {
        LPCWSTR name;
        std::wstring element;
        size_t size;
        bool moved;
    } cases[] = {
        {L"rich edit", kRichEdit, sizeof(CRichEditUI), true},
        {L"windowless ActiveX", kActiveX, sizeof(CActiveXUI), false},
        {L"windowless ActiveX", kActiveX, sizeof(CActiveXUI), true},
        {L"windowless web browser", kBrowser, sizeof(CWebBrowserUI), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << (c.moved ? ", moved" : ", taken out"));
        lib.Configure(true, 0, !c.moved);
        CControlUI* control = window.Open<CControlUI>(Skin(c.element), L"c");
        ASSERT_NE(nullptr, control);
        const bool richEdit = control->AsInterface(L"RichEdit") != nullptr;
        const POINT at = Inside(control);
        ASSERT_TRUE(Hears(control, richEdit, window.Window(), at)) << "it listens while it is there";

        // What it offered the first window's manager, compared by address only: the manager
        // must hold none of it once the control is out, whatever its freed memory then holds.
        IMessageFilterUI* filter = static_cast<CActiveXUI*>(control);
        if (richEdit)
            filter = static_cast<CRichEditUI*>(control);
        auto* browser = static_cast<CWebBrowserUI*>(control->AsInterface(L"WebBrowser"));
        ITranslateAccelerator* translator = browser;
        CUIWindowManager& first = window.host->host.manager;
        auto held = [&] {
            bool any = first.FindControlByName(L"c") != nullptr;
            if (first.RemoveMessageFilter(filter))
                any = true;
            if (translator && first.RemoveAcceleratorTranslator(translator))
                any = true;
            return any;
        };

        auto* box = static_cast<CContainerUI*>(control->GetParent());
        box->SetOwningChildren(false);
        ASSERT_TRUE(box->Remove(control));
        EXPECT_FALSE(held()) << "left with the window";
        if (!c.moved) {
            delete control;
        } else {
            ASSERT_TRUE(other.Open(L"<Window><VerticalLayout name=\"dest\"><Control height=\"30\" />"
                                   L"</VerticalLayout></Window>"));
            ASSERT_TRUE(other.Find<CContainerUI>(L"dest")->Add(control));
            other.host->Repaint();
            if (richEdit) {
                // Focused in the first window, it left that focus there: keys typed in its
                // new window before it is clicked there are not its own.
                const std::wstring before = control->GetText().GetData();
                ::PostMessageW(other.Window(), WM_CHAR, 'y', 1);
                managertest::Pump();
                EXPECT_EQ(before, control->GetText().GetData()) << "keys without the focus";
            } else {
                EXPECT_EQ(other.Window(), static_cast<CActiveXUI*>(control)->GetHostWindow())
                    << "made again there";
            }
            EXPECT_TRUE(Hears(control, richEdit, other.Window(), Inside(control))) << "it works there";
            EXPECT_FALSE(Hears(control, richEdit, window.Window(), at)) << "the first window calls it no more";
            other.host.reset();   // the control goes with its new window
        }
        EXPECT_FALSE(held()) << "deleted";
        FreedMemoryReuse reuse(c.size);
        lib.Clear();
        Input(window.Window(), at);
        EXPECT_TRUE(lib.CallsStarting({L"OnWindowMessage", L"QueryHitPoint", L"TranslateAccelerator", L"Draw"})
                        .empty());
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
        window.host.reset();
    }
}

// A windowed control's host window that a filter of its parent ends as it is made goes once,
// by itself; the control tries again at its next layout.
TEST_F(LeavingAWindow, AHostWindowEndedAsItIsMadeGoesOnce)
{
    struct EndsHosts : IMessageFilterUI
    {
        LRESULT PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool&) override
        {
            WCHAR name[32] = {};
            const HWND made = reinterpret_cast<HWND>(lParam);
            if (msg == WM_PARENTNOTIFY && LOWORD(wParam) == WM_CREATE &&
                ::GetClassNameW(made, name, 32) && wcscmp(name, L"ActiveXWnd") == 0)
                ++ended, ::DestroyWindow(made);
            return 0;
        }
        int ended = 0;
    } filter;
    lib.Configure(false);
    window.host.reset(new skintest::SkinWindow);
    window.host->host.manager.AddMessageFilter(&filter);
    ASSERT_TRUE(window.host->Open(Skin(kActiveX).c_str(), 300, 200));
    window.host->host.manager.RemoveMessageFilter(&filter);
    EXPECT_LT(0, filter.ended) << "a host window was made and ended";
}
