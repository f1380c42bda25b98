// The completion window: its window and title by language, and what closes it with which
// code, driven through the modal loop.
#include "LaunchWnd.h"

#include "core/UIControl.h"

#include <gtest/gtest.h>

#include <string>

#include "WindowTestSupport.h"

using namespace QxUI;

namespace {

const UINT kStillOpen = 7;   // the guard's code: nothing else closed the window

class LaunchWindow : public ::testing::Test
{
protected:
    void SetUp() override { apptest::UseOwnModule(); }

    // Runs the window modally; `act` runs once it is shown and laid out. A window still open
    // after a second is closed with kStillOpen.
    static UINT Run(CLaunchWnd& wnd, std::function<void()> act)
    {
        apptest::DelayedAction action(100, std::move(act));
        apptest::DelayedAction guard(1000, [&] { wnd.Close(kStillOpen); });
        return wnd.RunModal();
    }

    static UINT Notify(const wchar_t* control, const wchar_t* type)
    {
        CLaunchWnd wnd;
        CUIWindowManager& manager = wnd.GetWindowManager();
        CControlUI* sender = manager.FindControlByName(control);
        if (!sender)
            return 0;
        return Run(wnd, [&] { manager.RaiseNotify(sender, type); });
    }

    static UINT Click(const wchar_t* control)
    {
        CLaunchWnd wnd;
        CControlUI* target = wnd.GetWindowManager().FindControlByName(control);
        if (!target)
            return 0;
        return Run(wnd, [&] { apptest::PostClick(wnd.GetHandle(), target); });
    }
};

std::wstring TipsText(CLaunchWnd& wnd)
{
    CControlUI* tips = wnd.GetWindowManager().FindControlByName(L"tipsLabel");
    return tips ? std::wstring(tips->GetText().GetData()) : std::wstring(L"<none>");
}

} // namespace

TEST_F(LaunchWindow, IsBuiltByItsConstructorWithItsClassTitleAndSkinByLanguage)
{
    {
        apptest::Language chinese(true);
        CLaunchWnd wnd;
        HWND hWnd = wnd.GetHandle();
        ASSERT_TRUE(hWnd && ::IsWindow(hWnd));
        wchar_t className[64] = {};
        ::GetClassNameW(hWnd, className, 64);
        EXPECT_EQ(std::wstring(className), L"hrq_updater_launch_wnd_class_name");
        EXPECT_EQ(apptest::TitleOf(hWnd), L"升级程序");
        EXPECT_EQ(::GetWindow(hWnd, GW_OWNER), nullptr);
        EXPECT_TRUE(::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_WINDOWEDGE);
        // Framed style minus the caption, which the skin draws.
        const LONG_PTR style = ::GetWindowLongPtrW(hWnd, GWL_STYLE);
        EXPECT_EQ(style & WS_CAPTION, 0);
        EXPECT_TRUE(style & WS_THICKFRAME);
        RECT rc = {};
        ::GetWindowRect(hWnd, &rc);
        EXPECT_EQ(rc.right - rc.left, 420);
        EXPECT_EQ(rc.bottom - rc.top, 210);
        EXPECT_NE(TipsText(wnd), L"Update Complete, open it now!");
        EXPECT_NE(TipsText(wnd), L"<none>");
    }
    {
        apptest::Language english(false);
        CLaunchWnd wnd;
        EXPECT_EQ(apptest::TitleOf(wnd.GetHandle()), L"Update Program");
        EXPECT_EQ(TipsText(wnd), L"Update Complete, open it now!");
    }
}

TEST_F(LaunchWindow, KeysCloseItEscapeWithTwoEnterWithOne)
{
    {
        CLaunchWnd wnd;
        EXPECT_EQ(Run(wnd, [&] { apptest::PostKey(wnd.GetHandle(), VK_ESCAPE); }), 2u);
        EXPECT_FALSE(::IsWindow(wnd.GetHandle()));
    }
    {
        CLaunchWnd wnd;
        EXPECT_EQ(Run(wnd, [&] { apptest::PostKey(wnd.GetHandle(), VK_RETURN); }), 1u);
    }
}

TEST_F(LaunchWindow, TheCloseAndLaunchButtonsCloseItWithOne)
{
    EXPECT_EQ(Click(L"closeButton"), 1u);
    EXPECT_EQ(Click(L"launchButton"), 1u);
    EXPECT_EQ(Click(L"tipsLabel"), kStillOpen);
}

TEST_F(LaunchWindow, NotificationsOfTheCloseButtonOtherThanFocusMovesCloseIt)
{
    EXPECT_EQ(Notify(L"closeButton", L"click"), 1u);
    EXPECT_EQ(Notify(L"closeButton", L"menu"), 1u);
    // Shown, the window gives the close button the focus; it stays open all the same.
    {
        CLaunchWnd shown;
        EXPECT_EQ(Run(shown, [] {}), kStillOpen);
    }
    EXPECT_EQ(Notify(L"closeButton", L"setfocus"), kStillOpen);
    EXPECT_EQ(Notify(L"closeButton", L"killfocus"), kStillOpen);
    EXPECT_EQ(Notify(L"launchButton", L"menu"), kStillOpen);
    EXPECT_EQ(Notify(L"tipsLabel", L"click"), kStillOpen);
    EXPECT_EQ(Notify(L"titleLabel", L"click"), kStillOpen);
}
