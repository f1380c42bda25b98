// The updater's window base: the skin from the program's own "ZIPRES" 102 resource, the layout
// by interface language, the class style, and Esc / Enter closing through the modal loop.
#include "UpdaterWindowBase.h"

#include <gtest/gtest.h>

#include "WindowTestSupport.h"

using namespace QxUI;

namespace {

class ProbeWnd : public CHrqWndBase
{
public:
    LPCWSTR GetRegisteredClassName() const override { return L"qixtest_probe_wnd"; }
    CUIString GetSkinXmlName() override { return LayoutFor(L"TipsBoxWnd"); }
    void OnSkinLoaded() override { tips = m_manager.FindControlByName(L"tipsLabel"); }

    HWND Open()
    {
        apptest::UseOwnModule();
        return Create(nullptr, L"probe", WS_POPUP | WS_CAPTION, 0);
    }
    CUIWindowManager& Manager() { return m_manager; }

    CControlUI* tips = nullptr;
};

// The modal result of the window when `key` is its first input.
UINT ModalResultAfterKey(WPARAM key)
{
    ProbeWnd wnd;
    HWND hWnd = wnd.Open();
    if (!hWnd)
        return 0xFFFF;
    apptest::DelayedAction press(50, [&] { apptest::PostKey(hWnd, key); });
    // A key the filter ignores leaves the window open: closed from outside with 7.
    apptest::DelayedAction guard(2000, [&] { wnd.Close(7); });
    return wnd.RunModal();
}

} // namespace

TEST(UpdaterWindowBase, LoadsItsLayoutFromTheProgramsSkinArchiveByLanguage)
{
    {
        apptest::Language chinese(true);
        ProbeWnd wnd;
        ASSERT_NE(wnd.Open(), nullptr);
        ASSERT_NE(wnd.tips, nullptr);
        EXPECT_EQ(std::wstring(wnd.tips->GetText().GetData()),
                  L"新版本将在下次启动时更新，您也可以立即安装！");
        EXPECT_EQ(::GetClassLongPtrW(wnd.GetHandle(), GCL_STYLE),
                  static_cast<ULONG_PTR>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
        // The skin's caption replaces the system's.
        EXPECT_EQ(::GetWindowLongPtrW(wnd.GetHandle(), GWL_STYLE) & WS_CAPTION, 0);
    }
    {
        apptest::Language english(false);
        ProbeWnd wnd;
        ASSERT_NE(wnd.Open(), nullptr);
        ASSERT_NE(wnd.tips, nullptr);
        EXPECT_NE(std::wstring(wnd.tips->GetText().GetData()),
                  L"新版本将在下次启动时更新，您也可以立即安装！");
        EXPECT_FALSE(wnd.tips->GetText().IsEmpty());
    }
}

TEST(UpdaterWindowBase, EscapeCancelsEnterConfirmsOtherKeysLeaveItOpen)
{
    EXPECT_EQ(ModalResultAfterKey(VK_ESCAPE), CHrqWndBase::kCancel);
    EXPECT_EQ(ModalResultAfterKey(VK_RETURN), CHrqWndBase::kConfirm);
    EXPECT_EQ(ModalResultAfterKey(VK_SPACE), 7u);
}

TEST(UpdaterWindowBase, TheKeyStillReachesTheWindowAfterTheFilter)
{
    ProbeWnd wnd;
    HWND hWnd = wnd.Open();
    ASSERT_NE(hWnd, nullptr);
    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_RETURN;
    EXPECT_FALSE(CUIWindowManager::PreTranslateForAll(&msg));
    MSG posted = {};
    ASSERT_TRUE(::PeekMessageW(&posted, hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(posted.wParam, CHrqWndBase::kConfirm);
}
