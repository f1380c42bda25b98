// The prompt box: its window, the text and the cancel button it shows, and the codes its
// buttons and keys close it with, driven through the modal loop.
#include "TipsBoxWnd.h"

#include "core/UIButton.h"
#include "core/UILabel.h"

#include <gtest/gtest.h>

#include <string>

#include "WindowTestSupport.h"

using namespace QxUI;

namespace {

const wchar_t kText[] = L"升级出问题了,请下载完整安装包";
const UINT kStillOpen = 7;   // the guard's code: nothing else closed the box

class TipsBox : public ::testing::Test
{
protected:
    void SetUp() override { apptest::UseOwnModule(); }

    // Runs the box modally; `act` runs once it is shown and laid out. A box still open after
    // a second is closed with kStillOpen.
    static UINT Run(CTipsBoxWnd& box, std::function<void()> act)
    {
        apptest::DelayedAction action(100, std::move(act));
        apptest::DelayedAction guard(1000, [&] { box.Close(kStillOpen); });
        return box.RunModal();
    }

    static UINT ClickIn(int showCancel, const wchar_t* control)
    {
        CTipsBoxWnd box(nullptr, kText, showCancel);
        CControlUI* target = box.GetWindowManager().FindControlByName(control);
        if (!target)
            return 0;
        return Run(box, [&] { apptest::PostClick(box.GetHandle(), target); });
    }

    static UINT Notify(const wchar_t* control, const wchar_t* type)
    {
        CTipsBoxWnd box(nullptr, kText, 1);
        CUIWindowManager& manager = box.GetWindowManager();
        CControlUI* sender = manager.FindControlByName(control);
        if (!sender)
            return 0;
        return Run(box, [&] { manager.RaiseNotify(sender, type); });
    }
};

} // namespace

TEST_F(TipsBox, IsBuiltByItsConstructorAsATopmostToolWindowShowingTheText)
{
    apptest::Language chinese(true);
    CTipsBoxWnd box(nullptr, kText, 0);
    HWND hWnd = box.GetHandle();
    ASSERT_TRUE(hWnd && ::IsWindow(hWnd));
    wchar_t className[64] = {};
    ::GetClassNameW(hWnd, className, 64);
    EXPECT_EQ(std::wstring(className), L"hrq_updater_tips_wnd_class_name");
    EXPECT_EQ(apptest::TitleOf(hWnd), L"Korvelun提示");
    EXPECT_EQ(::GetWindow(hWnd, GW_OWNER), nullptr);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(hWnd, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(::IsWindowVisible(hWnd));

    // The skin's size, not the default one.
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 310);
    EXPECT_EQ(rc.bottom - rc.top, 100);

    ASSERT_NE(box.tipsLabel, nullptr);
    ASSERT_NE(box.confirmButton, nullptr);
    ASSERT_NE(box.cancelButton, nullptr);
    EXPECT_EQ(std::wstring(box.tipsLabel->GetText().GetData()), kText);
    EXPECT_TRUE(box.confirmButton->IsVisible());
    EXPECT_FALSE(box.cancelButton->IsVisible());
}

TEST_F(TipsBox, OnlyBitZeroOfShowCancelShowsTheCancelButton)
{
    const struct { int showCancel; bool visible; } cases[] = {{0, false}, {1, true}, {2, false},
                                                              {3, true}, {-1, true}};
    for (const auto& c : cases) {
        CTipsBoxWnd box(nullptr, kText, c.showCancel);
        ASSERT_NE(box.cancelButton, nullptr);
        EXPECT_EQ(box.cancelButton->IsVisible(), c.visible) << "showCancel " << c.showCancel;
    }
}

TEST_F(TipsBox, KeysCloseItEscapeWithTwoEnterWithOne)
{
    {
        CTipsBoxWnd box(nullptr, kText, 0);
        EXPECT_EQ(Run(box, [&] { apptest::PostKey(box.GetHandle(), VK_ESCAPE); }), 2u);
        EXPECT_FALSE(::IsWindow(box.GetHandle()));
    }
    {
        CTipsBoxWnd box(nullptr, kText, 0);
        EXPECT_EQ(Run(box, [&] { apptest::PostKey(box.GetHandle(), VK_RETURN); }), 1u);
    }
}

TEST_F(TipsBox, MouseClicksOnItsButtons)
{
    EXPECT_EQ(ClickIn(0, L"confirmButton"), 1u);
    EXPECT_EQ(ClickIn(1, L"cancelButton"), 2u);
    EXPECT_EQ(ClickIn(0, L"closeButton"), 2u);
    // A click on the text is nothing.
    EXPECT_EQ(ClickIn(1, L"tipsLabel"), kStillOpen);
}

TEST_F(TipsBox, OnlyClicksOfItsThreeButtonsCloseIt)
{
    EXPECT_EQ(Notify(L"confirmButton", L"click"), 1u);
    EXPECT_EQ(Notify(L"cancelButton", L"click"), 2u);
    EXPECT_EQ(Notify(L"closeButton", L"click"), 2u);
    EXPECT_EQ(Notify(L"tipsLabel", L"click"), kStillOpen);
    EXPECT_EQ(Notify(L"titleLabel", L"click"), kStillOpen);
    EXPECT_EQ(Notify(L"confirmButton", L"setfocus"), kStillOpen);
    EXPECT_EQ(Notify(L"closeButton", L"killfocus"), kStillOpen);
}

TEST_F(TipsBox, EnglishUsesTheEnglishLayoutAndKeepsItsTitle)
{
    apptest::Language english(false);
    CTipsBoxWnd box(nullptr, L"There are some problems in Updating, Please download full installer", 2);
    EXPECT_EQ(apptest::TitleOf(box.GetHandle()), L"Korvelun提示");
    CControlUI* title = box.GetWindowManager().FindControlByName(L"titleLabel");
    ASSERT_NE(title, nullptr);
    EXPECT_NE(std::wstring(title->GetText().GetData()), L"提示");
    ASSERT_NE(box.tipsLabel, nullptr);
    EXPECT_EQ(std::wstring(box.tipsLabel->GetText().GetData()),
              L"There are some problems in Updating, Please download full installer");
    ASSERT_NE(box.cancelButton, nullptr);
    EXPECT_FALSE(box.cancelButton->IsVisible());
}

TEST_F(TipsBox, IsCentredOnItsOwnerAndGivesItBackAfterwards)
{
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 600,
                                   400, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    {
        CTipsBoxWnd box(owner, kText, 1);
        EXPECT_EQ(::GetWindow(box.GetHandle(), GW_OWNER), owner);
        RECT rc = {};
        ::GetWindowRect(box.GetHandle(), &rc);
        EXPECT_NEAR((rc.left + rc.right) / 2, 400, 1);
        EXPECT_NEAR((rc.top + rc.bottom) / 2, 300, 1);
        bool ownerDisabled = false;
        EXPECT_EQ(Run(box, [&] {
                      ownerDisabled = !::IsWindowEnabled(owner);
                      apptest::PostKey(box.GetHandle(), VK_ESCAPE);
                  }),
                  2u);
        EXPECT_TRUE(ownerDisabled);
    }
    EXPECT_TRUE(::IsWindowEnabled(owner));
    ::DestroyWindow(owner);
}
