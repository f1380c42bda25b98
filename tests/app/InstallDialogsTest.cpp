// The windows the installation shows, reached through the download job's hooks.
#include "InstallDialogs.h"

#include "LaunchWnd.h"
#include "TipsBoxWnd.h"
#include "zipDownloader.h"

#include "core/UIButton.h"
#include "core/UILabel.h"

#include <gtest/gtest.h>

#include <string>

#include "WindowTestSupport.h"

namespace {

const wchar_t kFailure[] = L"There are some problems in Updating, Please download full installer";

struct ClassSearch
{
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND hWnd, LPARAM param)
{
    auto* s = reinterpret_cast<ClassSearch*>(param);
    wchar_t name[64] = {};
    ::GetClassNameW(hWnd, name, 64);
    if (wcscmp(name, s->className) != 0)
        return TRUE;
    s->found = hWnd;
    return FALSE;
}

// This thread's top-level window of that class (other test programs may show the same ones).
HWND ThreadWindowOfClass(const wchar_t* className)
{
    ClassSearch search = {className, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The window object behind it.
template <typename Window>
Window* OpenWindowOfClass(const wchar_t* className)
{
    HWND hWnd = ThreadWindowOfClass(className);
    if (!hWnd)
        return nullptr;
    auto* base = reinterpret_cast<QxUI::CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    return dynamic_cast<Window*>(base);
}

ZipDwCfg SomeConfig()
{
    ZipDwCfg config;
    config.host = "127.0.0.1";
    config.path = "/update.zip";
    return config;
}

} // namespace

TEST(InstallDialogs, TheFailureHookShowsTheTextModallyWithoutCancel)
{
    apptest::UseOwnModule();
    ZipDownloader job(SomeConfig());
    ASSERT_FALSE(job.windows.showFailure);
    AttachInstallDialogs(job);
    ASSERT_TRUE(job.windows.showFailure);

    bool seen = false;
    std::wstring text;
    bool cancelVisible = true;
    HWND owner = reinterpret_cast<HWND>(1);
    apptest::DelayedAction look(100, [&] {
        CTipsBoxWnd* box = OpenWindowOfClass<CTipsBoxWnd>(L"hrq_updater_tips_wnd_class_name");
        if (!box)
            return;
        seen = true;
        text = box->tipsLabel ? box->tipsLabel->GetText().GetData() : L"";
        cancelVisible = box->cancelButton && box->cancelButton->IsVisible();
        owner = ::GetWindow(box->GetHandle(), GW_OWNER);
        apptest::PostKey(box->GetHandle(), VK_RETURN);
    });
    apptest::DelayedAction guard(3000, [] {
        if (HWND left = ThreadWindowOfClass(L"hrq_updater_tips_wnd_class_name"))
            ::PostMessageW(left, WM_CLOSE, 0, 0);
    });
    job.windows.showFailure(kFailure);

    ASSERT_TRUE(seen);
    EXPECT_EQ(text, kFailure);
    EXPECT_FALSE(cancelVisible);
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(ThreadWindowOfClass(L"hrq_updater_tips_wnd_class_name"), nullptr);
}

TEST(InstallDialogs, TheCompletionHookShowsTheLaunchWindowCentredUntilItCloses)
{
    apptest::UseOwnModule();
    ZipDownloader job(SomeConfig());
    AttachInstallDialogs(job);
    ASSERT_TRUE(job.windows.showCompletion);

    bool seen = false;
    RECT rc = {};
    apptest::DelayedAction look(100, [&] {
        CLaunchWnd* wnd = OpenWindowOfClass<CLaunchWnd>(L"hrq_updater_launch_wnd_class_name");
        if (!wnd)
            return;
        seen = true;
        ::GetWindowRect(wnd->GetHandle(), &rc);
        apptest::PostKey(wnd->GetHandle(), VK_ESCAPE);
    });
    apptest::DelayedAction guard(3000, [] {
        if (HWND left = ThreadWindowOfClass(L"hrq_updater_launch_wnd_class_name"))
            ::PostMessageW(left, WM_CLOSE, 0, 0);
    });
    job.windows.showCompletion();

    ASSERT_TRUE(seen);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    EXPECT_NEAR((rc.left + rc.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((rc.top + rc.bottom) / 2, (work.top + work.bottom) / 2, 1);
    EXPECT_EQ(ThreadWindowOfClass(L"hrq_updater_launch_wnd_class_name"), nullptr);
}
