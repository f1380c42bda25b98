// The edit box in a real window: its native edit window, typing, Enter, focus loss, and
// destruction, disabling or hiding while the user edits.

#include "controls/UIDateTime.h"
#include "controls/UIEdit.h"
#include "core/UILayouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "edits_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace editstest;

namespace {

// Types through the thread's queue, as the keyboard would.
void Type(HWND window, LPCWSTR text)
{
    for (LPCWSTR p = text; *p; ++p)
        ::PostMessageW(window, WM_CHAR, *p, 1);
    managertest::Pump();
}

// Skin text of a column of controls below a button named "other", the first tab stop.
std::wstring Column(const std::wstring& controls)
{
    return L"<Window><VerticalLayout><Button name=\"other\" height=\"20\"/>" + controls +
           L"<Control/></VerticalLayout></Window>";
}

// Deletes the sender of a "return" from inside the notification.
struct DeleteOnReturn : INotifyUI
{
    void OnUINotify(UINotification& msg) override
    {
        if (msg.sType == L"return" && msg.pSender) {
            container->SetDeferredDelete(false);
            deleted += container->Remove(msg.pSender) ? 1 : 0;
        }
    }
    CContainerUI* container = nullptr;
    int deleted = 0;
};

// A layout that records the events its children hand up to it.
struct RecordingLayout : CVerticalLayoutUI
{
    void OnEvent(UIEvent& event) override
    {
        seen.push_back(event.Type);
        CVerticalLayoutUI::OnEvent(event);
    }
    std::vector<int> seen;
};

class EditWindow : public SkinWindow
{
protected:
    HWND Edit(LPCWSTR name)
    {
        edit = Find<CEditUI>(name);
        edit->SetFocus();
        return edit->GetNativeWindow();
    }
    CEditUI* edit = nullptr;
};

} // namespace

TEST_F(EditWindow, FocusLaysTheNativeEditOverTheTextArea)
{
    Open(Column(L"<Edit name=\"e\" height=\"40\" text=\"hello\"/>").c_str());
    EXPECT_EQ(nullptr, Find<CEditUI>(L"e")->GetNativeWindow()) << "idle boxes keep no window";
    HWND native = Edit(L"e");
    ASSERT_NE(nullptr, native);
    EXPECT_EQ(native, ::GetFocus());

    RECT rc = {};
    ::GetWindowRect(native, &rc);
    ::MapWindowPoints(HWND_DESKTOP, host.GetHandle(), reinterpret_cast<POINT*>(&rc), 2);
    const RECT item = edit->GetPos();
    const int textHeight = host.manager.GetDefaultFontEntry()->tm.tmHeight;
    const int top = item.top + 3 + (40 - 6 - textHeight) / 2;
    EXPECT_TRUE(controlstest::SameRect(RECT{item.left + 4, top, item.right - 4, top + textHeight}, rc))
        << rc;
    WCHAR shown[16] = {};
    ::GetWindowTextW(native, shown, 16);
    EXPECT_STREQ(L"hello", shown);
}

TEST_F(EditWindow, TypingCopiesTheTextBackWithinTheBoxesLimits)
{
    struct Case { LPCWSTR attributes, typed, text; int changes; };
    const Case cases[] = {
        {L"", L"ab", L"ab", 2},
        {L"numberonly=\"true\"", L"a1b2", L"12", 2},
        // Wine's edit reports a change for keys refused at the limit too.
        {L"maxchar=\"3\"", L"abcdef", L"abc", -1},
        {L"readonly=\"true\"", L"ab", L"", 0},
        {L"password=\"true\"", L"pw", L"pw", 2},
    };
    std::wstring edits;
    for (int i = 0; i < 5; ++i)
        edits += L"<Edit name=\"e" + std::to_wstring(i) + L"\" height=\"28\" " + cases[i].attributes + L"/>";
    Open(Column(edits).c_str());

    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(cases[i].attributes);
        HWND native = Edit((L"e" + std::to_wstring(i)).c_str());
        ASSERT_NE(nullptr, native);
        recorder.types.clear();
        Type(native, cases[i].typed);
        EXPECT_STREQ(cases[i].text, edit->GetText().GetData());
        if (cases[i].changes >= 0)
            EXPECT_EQ(cases[i].changes, recorder.Count(L"textchanged"));
        EXPECT_EQ(edit->IsPasswordMode(), (::GetWindowLongPtrW(native, GWL_STYLE) & ES_PASSWORD) != 0);
    }
}

TEST_F(EditWindow, EnterRaisesReturnAndFocusLossClosesTheNativeWindow)
{
    Open(Column(L"<Edit name=\"e\" height=\"30\"/>").c_str());
    HWND native = Edit(L"e");
    ASSERT_NE(nullptr, native);
    Type(native, L"x");
    PressKey(native, VK_RETURN);
    EXPECT_EQ(1, recorder.Count(L"return"));
    EXPECT_EQ(edit, recorder.senders.back());
    EXPECT_STREQ(L"x", edit->GetText().GetData()) << "Enter inserts nothing";
    EXPECT_TRUE(::IsWindow(native)) << "and the window stays open";

    Click(L"other");
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(native); }));
    EXPECT_EQ(nullptr, edit->GetNativeWindow());
    EXPECT_FALSE(edit->IsFocused());
    EXPECT_STREQ(L"x", edit->GetText().GetData());

    // A click on the box opens a new window with the whole text selected.
    Click(L"e");
    native = edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    DWORD start = 9, end = 9;
    ::SendMessageW(native, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(1u, end);
}

// ---- Destroyed, disabled or hidden while editing ------------------------------------------------

TEST_F(EditWindow, DestroyingTheBoxWhileEditingDestroysItsWindowFirst)
{
    Open(Column(L"<Edit name=\"e\" height=\"30\"/><Edit name=\"f\" height=\"30\"/>").c_str());
    HWND native = Edit(L"e");
    ASSERT_NE(nullptr, native);
    Type(native, L"a");
    DeleteNow(edit);
    EXPECT_FALSE(::IsWindow(native));
    recorder.types.clear();
    managertest::Pump();
    EXPECT_TRUE(recorder.types.empty()) << "nothing more is heard of the deleted box";

    // Deleted by a handler of its own "return", from inside the native window's key message.
    DeleteOnReturn deleter;
    deleter.container = static_cast<CContainerUI*>(Find(L"f")->GetParent());
    host.manager.AddNotifier(&deleter);
    native = Edit(L"f");
    ASSERT_NE(nullptr, native);
    PressKey(native, VK_RETURN);
    host.manager.RemoveNotifier(&deleter);
    EXPECT_EQ(1, deleter.deleted);
    EXPECT_FALSE(::IsWindow(native));
    EXPECT_EQ(nullptr, host.manager.FindControlByName(L"f"));
}

TEST_F(EditWindow, DisabledOrHiddenWhileEditingTheBoxStopsItsWindow)
{
    Open(Column(L"<HorizontalLayout name=\"row\" height=\"30\"><Edit name=\"e\"/></HorizontalLayout>").c_str());
    HWND native = Edit(L"e");
    ASSERT_NE(nullptr, native);
    edit->SetEnabled(false);
    EXPECT_TRUE(!::IsWindow(native) || !::IsWindowEnabled(native));
    EXPECT_EQ(0u, edit->GetButtonState());
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(native) || ::GetFocus() != native; }))
        << "a disabled window keeps no keyboard focus";

    edit->SetEnabled(true);
    native = Edit(L"e");
    ASSERT_NE(nullptr, native);
    Find<CControlUI>(L"row")->SetVisible(false);
    EXPECT_FALSE(edit->IsVisible());
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(native); }));
    EXPECT_EQ(nullptr, host.manager.GetFocusedControl());
}

// ---- Mouse events a box leaves to its parent ----------------------------------------------------

TEST_F(EditWindow, MouseEventsABoxIgnoresReachItsParent)
{
    ASSERT_TRUE(host.Open(300, 200));
    auto* layout = new RecordingLayout;
    auto* box = new CEditUI;
    auto* date = new CDateTimeUI;
    layout->Add(box);
    layout->Add(date);
    host.manager.AttachRootControl(layout);
    Repaint();

    struct Case { CControlUI* control; bool enabled; int type; bool reachesParent; };
    const Case cases[] = {
        {box, false, UIEventType::MouseEnter, true},
        {box, false, UIEventType::MouseLeave, true},
        {box, true, UIEventType::MouseEnter, false},
        {box, false, UIEventType::ButtonDown, false},
        {date, false, UIEventType::ButtonDown, true},
        {date, false, UIEventType::DoubleClick, true},
        {date, false, UIEventType::RButtonDown, true},
        {date, true, UIEventType::ButtonDown, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.control->GetClass() << " " << c.enabled << " " << c.type);
        c.control->SetEnabled(c.enabled);
        layout->seen.clear();
        UIEvent event;
        event.Type = c.type;
        event.pSender = c.control;
        event.ptMouse = POINT{c.control->GetPos().left + 2, c.control->GetPos().top + 2};
        c.control->HandleEvent(event);
        EXPECT_EQ(c.reachesParent, std::count(layout->seen.begin(), layout->seen.end(), c.type) == 1);
    }
}

// ---- Password masks ---------------------------------------------------------------------------

TEST_F(EditWindow, PasswordMaskHasOneCharacterPerCharacterAndLongOnesPaintInAFewBlocks)
{
    // A label with the edit's padding and background paints what the mask must be.
    Open(Column(L"<Edit name=\"e\" height=\"30\" password=\"true\"/>"
                L"<Label name=\"l\" height=\"30\" textpadding=\"4,3,4,3\" bkcolor=\"#FFFFFFFF\"/>")
             .c_str());
    auto* box = Find<CEditUI>(L"e");
    CControlUI* label = Find(L"l");
    rendertest::Canvas canvas(300, 200);
    const auto painted = [&](CControlUI* control) {
        canvas.Fill(0xFF000000);
        const RECT rc = control->GetPos();
        control->Paint(canvas.Dc(), rc);
        std::vector<DWORD> pixels;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                pixels.push_back(canvas.Rgb(x, y));
        return pixels;
    };
    const struct
    {
        std::wstring text, mask;
    } cases[] = {{L"abc", L"***"}, {std::wstring(100000, L'x'), std::wstring(100000, L'*')}};
    for (const auto& c : cases) {
        box->SetText(c.text.c_str());
        label->SetText(c.mask.c_str());
        EXPECT_TRUE(painted(box) == painted(label)) << c.text.size();
    }

    // The window paints the long mask: it was built one append at a time, each one copying the
    // whole text again.
    long blocks = 0;
    {
        alloctest::AllocationCount count;
        Repaint();
        blocks = count.Blocks();
    }
    EXPECT_LE(blocks, 64);

    box->SetText(L"abc");
    label->SetText(L"**");
    EXPECT_FALSE(painted(box) == painted(label));
}
