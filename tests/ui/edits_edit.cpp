// The edit box in a real window: its native edit window, typing, Enter, focus loss, painting,
// and destruction or disabling while the user edits.

#include "controls/UIEdit.h"

#include <gtest/gtest.h>

#include <string>

#include "edits_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace editstest;

namespace {

RECT ChildRect(HWND child)
{
    RECT rc = {0, 0, 0, 0};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Types through the thread's queue, as the keyboard would.
void Type(HWND window, LPCWSTR text)
{
    for (LPCWSTR p = text; *p; ++p)
        ::PostMessageW(window, WM_CHAR, *p, 1);
    managertest::Pump();
}

void PressKey(HWND window, WPARAM key)
{
    ::PostMessageW(window, WM_KEYDOWN, key, 1);
    ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
    managertest::Pump();
}

// Skin text of a column of controls below a button named "other", the first tab stop.
std::wstring Column(const std::wstring& controls)
{
    return L"<Window><VerticalLayout><Button name=\"other\" height=\"20\"/>" + controls +
           L"<Control/></VerticalLayout></Window>";
}

// Deletes the edit box that raised the notification, from inside the notification.
class DeleteOnNotify : public INotifyUI
{
public:
    explicit DeleteOnNotify(LPCWSTR type) : m_type(type) {}
    void OnUINotify(UINotification& msg) override
    {
        if (msg.sType == m_type && container && msg.pSender) {
            container->SetDeferredDelete(false);
            container->Remove(msg.pSender);
            ++deleted;
        }
    }
    CContainerUI* container = nullptr;
    int deleted = 0;

private:
    LPCWSTR m_type;
};

using EditWindow = SkinWindow;

} // namespace

TEST_F(EditWindow, FocusLaysTheNativeEditOverTheTextArea)
{
    Open(Column(L"<Edit name=\"e\" height=\"40\" text=\"hello\"/>").c_str());
    CEditUI* edit = Find<CEditUI>(L"e");
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(nullptr, edit->GetNativeWindow()) << "idle boxes keep no native window";

    edit->SetFocus();
    HWND native = edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    EXPECT_EQ(native, ::GetFocus());
    EXPECT_EQ(host.GetHandle(), ::GetParent(native));

    const RECT item = edit->GetPos();
    const int textHeight = host.manager.GetDefaultFontEntry()->tm.tmHeight;
    const int top = item.top + 3 + (40 - 6 - textHeight) / 2;
    EXPECT_TRUE(controlstest::SameRect(RECT{item.left + 4, top, item.right - 4, top + textHeight},
                                       ChildRect(native)))
        << ChildRect(native);

    WCHAR shown[16] = {};
    ::GetWindowTextW(native, shown, 16);
    EXPECT_STREQ(L"hello", shown);
}

TEST_F(EditWindow, TypingCopiesTheTextBackWithinTheBoxesLimits)
{
    struct Case
    {
        LPCWSTR attributes;
        LPCWSTR typed;
        LPCWSTR text;
        int changes;
    };
    const Case cases[] = {
        {L"", L"ab", L"ab", 2},
        {L"numberonly=\"true\"", L"a1b2", L"12", 2},
        // Wine's edit reports a change for keys refused at the limit too.
        {L"maxchar=\"3\"", L"abcdef", L"abc", -1},
        {L"readonly=\"true\"", L"ab", L"", 0},
        {L"password=\"true\"", L"pw", L"pw", 2},
    };
    std::wstring edits;
    for (int i = 0; i < 5; ++i) {
        edits += L"<Edit name=\"e" + std::to_wstring(i) + L"\" height=\"28\" " +
                 cases[i].attributes + L"/>";
    }
    Open(Column(edits).c_str());

    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(cases[i].attributes);
        CEditUI* edit = Find<CEditUI>((L"e" + std::to_wstring(i)).c_str());
        ASSERT_NE(nullptr, edit);
        edit->SetFocus();
        HWND native = edit->GetNativeWindow();
        ASSERT_NE(nullptr, native);
        recorder.types.clear();
        Type(native, cases[i].typed);
        EXPECT_STREQ(cases[i].text, edit->GetText().GetData());
        if (cases[i].changes >= 0)
            EXPECT_EQ(cases[i].changes, recorder.Count(L"textchanged"));
        const bool password = (::GetWindowLongPtrW(native, GWL_STYLE) & ES_PASSWORD) != 0;
        EXPECT_EQ(edit->IsPasswordMode(), password);
    }
}

TEST_F(EditWindow, EnterRaisesReturnAndFocusLossClosesTheNativeWindow)
{
    Open(Column(L"<Edit name=\"e\" height=\"30\"/>").c_str());
    CEditUI* edit = Find<CEditUI>(L"e");
    edit->SetFocus();
    HWND native = edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    Type(native, L"x");
    PressKey(native, VK_RETURN);
    EXPECT_EQ(1, recorder.Count(L"return"));
    EXPECT_EQ(edit, recorder.senders.back());
    EXPECT_STREQ(L"x", edit->GetText().GetData()) << "Enter inserts nothing";
    EXPECT_TRUE(::IsWindow(native)) << "and the window stays open";

    // A click on the button takes the focus away.
    const RECT other = Find<CControlUI>(L"other")->GetPos();
    ::SendMessageW(host.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON,
                   MAKELPARAM(other.left + 2, other.top + 2));
    ::SendMessageW(host.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(other.left + 2, other.top + 2));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(native); }));
    EXPECT_EQ(nullptr, edit->GetNativeWindow());
    EXPECT_FALSE(edit->IsFocused());
    EXPECT_STREQ(L"x", edit->GetText().GetData());

    // A click on the box opens a new window with the whole text selected.
    const RECT item = edit->GetPos();
    ::SendMessageW(host.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON,
                   MAKELPARAM(item.left + 6, item.top + 6));
    native = edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    DWORD start = 9, end = 9;
    ::SendMessageW(native, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(1u, end);
    ::SendMessageW(host.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(item.left + 6, item.top + 6));
}

TEST_F(EditWindow, PasswordBoxPaintsOneStarPerCharacter)
{
    Open(Column(L"<Edit name=\"p\" height=\"30\" password=\"true\" text=\"abc\"/>"
                L"<Edit name=\"s\" height=\"30\" text=\"***\"/>"
                L"<Edit name=\"t\" height=\"30\" text=\"abc\"/>")
             .c_str());
    rendertest::Canvas canvas(300, 200, 0xFFFFFFFF);
    RECT all = {0, 0, 300, 200};
    root->Paint(canvas.Dc(), all);

    auto differs = [&](int fromY, int toY) {
        int count = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 300; ++x)
                count += canvas.Rgb(x, fromY + y) != canvas.Rgb(x, toY + y) ? 1 : 0;
        }
        return count;
    };
    const int first = Find<CControlUI>(L"p")->GetY();
    EXPECT_EQ(0, differs(first, first + 30)) << "the password box looks like a box showing \"***\"";
    EXPECT_GT(differs(first, first + 60), 0) << "and not like one showing its text";
}

// ---- Destroyed or disabled while editing ----------------------------------------------------------

TEST_F(EditWindow, DestroyingTheBoxWhileEditingDestroysItsWindowFirst)
{
    Open(Column(L"<Edit name=\"e\" height=\"30\"/><Edit name=\"f\" height=\"30\"/>").c_str());
    CEditUI* edit = Find<CEditUI>(L"e");
    edit->SetFocus();
    HWND native = edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    Type(native, L"a");

    DeleteNow(edit);
    EXPECT_FALSE(::IsWindow(native));
    recorder.types.clear();
    managertest::Pump();
    EXPECT_TRUE(recorder.types.empty()) << "nothing more is heard of the deleted box";

    // Deleted by a handler of its own "return", from inside the native window's key message.
    DeleteOnNotify deleter(L"return");
    deleter.container = static_cast<CContainerUI*>(root->AsInterface(L"Container"));
    host.manager.AddNotifier(&deleter);
    CEditUI* second = Find<CEditUI>(L"f");
    second->SetFocus();
    native = second->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    PressKey(native, VK_RETURN);
    EXPECT_EQ(1, deleter.deleted);
    EXPECT_FALSE(::IsWindow(native));
    EXPECT_EQ(nullptr, host.manager.FindControlByName(L"f"));
    managertest::Pump();
    host.manager.RemoveNotifier(&deleter);
}

TEST_F(EditWindow, DisablingTheBoxWhileEditingDisablesItsWindow)
{
    Open(Column(L"<Edit name=\"e\" height=\"30\"/>").c_str());
    CEditUI* edit = Find<CEditUI>(L"e");
    edit->SetFocus();
    HWND native = edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);

    edit->SetEnabled(false);
    EXPECT_TRUE(!::IsWindow(native) || !::IsWindowEnabled(native));
    EXPECT_EQ(0u, edit->GetButtonState());
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(native) || ::GetFocus() != native; }))
        << "a disabled window keeps no keyboard focus";
}

TEST_F(EditWindow, HiddenWithItsParentTheBoxClosesItsWindow)
{
    Open(Column(L"<HorizontalLayout name=\"row\" height=\"30\"><Edit name=\"e\"/></HorizontalLayout>")
             .c_str());
    CEditUI* edit = Find<CEditUI>(L"e");
    edit->SetFocus();
    HWND native = edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);

    Find<CControlUI>(L"row")->SetVisible(false);
    EXPECT_FALSE(edit->IsVisible());
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(native); }));
    EXPECT_EQ(nullptr, host.manager.GetFocusedControl());
}
