// The rich edit control over the system's engine, in a real window: text set and read back,
// typed keys, Enter and Tab as the control wants them, the vertical bar, and notifications.

#include "controls/UIRichEdit.h"
#include "controls/UITextHost.h"
#include "core/UIScrollBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edits_support.h"

using namespace QxUI;
using namespace editstest;

namespace {

std::wstring Column(const std::wstring& attributes)
{
    return L"<Window><VerticalLayout><Button name=\"other\" height=\"20\"/><RichEdit name=\"r\" "
           L"height=\"80\" text=\"hello\" " +
           attributes + L"/><Control/></VerticalLayout></Window>";
}

// Holds the control key down for this thread while it lives.
class CtrlHeld
{
public:
    explicit CtrlHeld(bool held)
    {
        ::GetKeyboardState(m_saved);
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = held ? 0x80 : 0;
        ::SetKeyboardState(keys);
    }
    ~CtrlHeld() { ::SetKeyboardState(m_saved); }

private:
    BYTE m_saved[256];
};

// Records the WM_NOTIFY messages that reach the window.
class NotifyFilter : public IMessageFilterUI
{
public:
    LRESULT PreFilterMessage(UINT msg, WPARAM, LPARAM lParam, bool&) override
    {
        if (msg == WM_NOTIFY)
            codes.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
        return 0;
    }
    std::vector<UINT> codes;
};

class RichEditWindow : public SkinWindow
{
protected:
    void OpenWith(const std::wstring& attributes)
    {
        if (host.GetHandle())
            Rebuild(Column(attributes).c_str());
        else
            Open(Column(attributes).c_str());
        edit = Find<CRichEditUI>(L"r");
        ASSERT_NE(nullptr, edit);
        ASSERT_NE(nullptr, edit->GetTextHost()) << "the engine is made over our host";
        edit->SetFocus();
    }

    void Key(WPARAM key)
    {
        ::PostMessageW(host.GetHandle(), WM_KEYDOWN, key, 1);
        ::PostMessageW(host.GetHandle(), WM_KEYUP, key, 0xC0000001);
        managertest::Pump();
    }

    CRichEditUI* edit = nullptr;
};

} // namespace

TEST_F(RichEditWindow, TextSetBeforeAndAfterCreationReadsBackAndTypedKeysReachTheEngine)
{
    OpenWith(L"");
    EXPECT_STREQ(L"hello", edit->GetText().GetData());
    edit->SetText(L"abc");
    EXPECT_STREQ(L"abc", edit->GetText().GetData());
    for (WCHAR ch : std::wstring(L"xy"))
        ::PostMessageW(host.GetHandle(), WM_CHAR, ch, 1);
    managertest::Pump();
    EXPECT_STREQ(L"abcxy", edit->GetText().GetData());
}

TEST_F(RichEditWindow, EnterInsertsALineOrRaisesReturnAsTheControlWants)
{
    struct Case
    {
        LPCWSTR attributes;
        bool ctrl;
        bool raisesReturn;
    };
    const Case cases[] = {
        {L"", false, false},
        {L"", true, false},
        {L"wantreturn=\"false\"", false, true},
        {L"wantctrlreturn=\"false\"", true, true},
        {L"wantctrlreturn=\"false\"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::wstring(c.attributes) + (c.ctrl ? L" ctrl" : L""));
        OpenWith(c.attributes);
        edit->SetText(L"a");
        recorder.types.clear();
        {
            CtrlHeld ctrl(c.ctrl);
            Key(VK_RETURN);
        }
        EXPECT_EQ(c.raisesReturn ? 1 : 0, recorder.Count(L"return"));
        const bool newLine = edit->GetText().Find(L'\r') >= 0;
        EXPECT_NE(c.raisesReturn, newLine) << edit->GetText().GetData();
    }
}

TEST_F(RichEditWindow, TabStaysInARichEditThatWantsIt)
{
    OpenWith(L"");
    edit->SetText(L"");
    Key(VK_TAB);
    EXPECT_EQ(edit, host.manager.GetFocusedControl());
    EXPECT_STREQ(L"\t", edit->GetText().GetData());

    edit->SetWantsTab(false);
    Key(VK_TAB);
    EXPECT_EQ(Find<CControlUI>(L"other"), host.manager.GetFocusedControl());
    EXPECT_STREQ(L"\t", edit->GetText().GetData());
}

TEST_F(RichEditWindow, TallTextShowsTheVerticalBarAndSelectionChangesReachTheWindow)
{
    OpenWith(L"vscrollbar=\"true\"");
    std::wstring lines;
    for (int i = 0; i < 30; ++i)
        lines += L"line\r";
    edit->SetText(lines.c_str());
    Paint();
    ASSERT_NE(nullptr, edit->GetVerticalScrollBar());
    EXPECT_TRUE(edit->GetVerticalScrollBar()->IsVisible());
    Paint();
    EXPECT_TRUE(edit->GetVerticalScrollBar()->IsVisible()) << "and keeps it";

    NotifyFilter filter;
    host.manager.AddMessageFilter(&filter);
    LRESULT result = 0;
    edit->SendToTextServices(EM_SETEVENTMASK, 0, ENM_SELCHANGE, &result);
    CHARRANGE range = {1, 3};
    edit->SendToTextServices(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range), &result);
    host.manager.RemoveMessageFilter(&filter);
    ASSERT_FALSE(filter.codes.empty());
    EXPECT_EQ(static_cast<UINT>(EN_SELCHANGE), filter.codes.back());
}
