// The skinned window base: skin loading from files and XML resources, the frameless non-client
// handling, default keys and the caption buttons.

#include "skin/UIWindowImpl.h"

#include "core/UIControl.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "builder_window_support.h"
#include "render_support.h"

using namespace QxUI;
using buildertest::SkinWnd;

namespace {

const char kWindowSkin[] =
    "<Window size=\"300,200\" sizebox=\"4,4,4,4\" caption=\"0,0,0,30\" roundcorner=\"6,6\" "
    "mininfo=\"120,60\">"
    "<VerticalLayout>"
    "<HorizontalLayout height=\"30\">"
    "<Label name=\"title\" width=\"50\" text=\"t\"/>"
    "<Button name=\"closebtn\" width=\"50\"/>"
    "<Button name=\"maxbtn\" width=\"50\"/>"
    "<Button name=\"restorebtn\" width=\"50\" visible=\"false\"/>"
    "</HorizontalLayout>"
    "<Control name=\"body\"/>"
    "</VerticalLayout></Window>";

const char kSquareSkin[] = "<Window size=\"200,100\"><Control/></Window>";

class SkinnedWindow : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const std::wstring folder = rendertest::MakeTestFolder(L"builder_window");
        Write(folder + L"window.xml", kWindowSkin);
        Write(folder + L"square.xml", kSquareSkin);
        CUIWindowManager::SetResourceFolder(folder.c_str());
    }
    static void Write(const std::wstring& path, const char* text)
    {
        rendertest::WriteBytes(path, std::vector<BYTE>(text, text + strlen(text)));
    }

    // Hit test of a client point.
    static LRESULT HitTest(HWND hWnd, int x, int y)
    {
        POINT pt = {x, y};
        ::ClientToScreen(hWnd, &pt);
        return ::SendMessageW(hWnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    }

    // The code of a WM_CLOSE posted to the window, -1 when none is queued.
    static long long PostedClose(HWND hWnd)
    {
        MSG msg;
        if (!::PeekMessageW(&msg, hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE))
            return -1;
        return static_cast<long long>(msg.wParam);
    }

    static bool SendKey(HWND hWnd, WPARAM key)
    {
        MSG msg = {};
        msg.hwnd = hWnd;
        msg.message = WM_KEYDOWN;
        msg.wParam = key;
        return CUIWindowManager::PreTranslateForAll(&msg);
    }
};

} // namespace

TEST_F(SkinnedWindow, CreationBuildsTheSkinIntoAFramelessWindow)
{
    SkinWnd wnd(L"window.xml");
    HWND hWnd = wnd.Open();
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(wnd.skinLoaded, 1);
    const LONG_PTR style = ::GetWindowLongPtrW(hWnd, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_EQ(style & (WS_CLIPCHILDREN | WS_CLIPSIBLINGS), WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    ASSERT_NE(wnd.Manager().GetRootControl(), nullptr);
    CControlUI* title = wnd.Manager().FindControlByName(L"title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetManager(), &wnd.Manager());

    // The whole window is client area, sized by the skin.
    RECT window = {}, client = {};
    ::GetWindowRect(hWnd, &window);
    ::GetClientRect(hWnd, &client);
    EXPECT_EQ(window.right - window.left, 300);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    RECT proposed = window;
    EXPECT_EQ(::SendMessageW(hWnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&proposed)), 0);
    EXPECT_EQ(proposed.right, window.right);
}

TEST_F(SkinnedWindow, HitTestingGivesSizingZonesCaptionAndClient)
{
    SkinWnd wnd(L"window.xml");
    HWND hWnd = wnd.Open();
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(HitTest(hWnd, 2, 2), HTTOPLEFT);
    EXPECT_EQ(HitTest(hWnd, 150, 2), HTTOP);
    EXPECT_EQ(HitTest(hWnd, 297, 2), HTTOPRIGHT);
    EXPECT_EQ(HitTest(hWnd, 2, 100), HTLEFT);
    EXPECT_EQ(HitTest(hWnd, 297, 100), HTRIGHT);
    EXPECT_EQ(HitTest(hWnd, 2, 197), HTBOTTOMLEFT);
    EXPECT_EQ(HitTest(hWnd, 150, 197), HTBOTTOM);
    EXPECT_EQ(HitTest(hWnd, 297, 197), HTBOTTOMRIGHT);
    EXPECT_EQ(HitTest(hWnd, 20, 15), HTCAPTION);    // over the label
    EXPECT_EQ(HitTest(hWnd, 70, 15), HTCLIENT);     // over a button
    EXPECT_EQ(HitTest(hWnd, 250, 15), HTCAPTION);   // over the caption's own layout
    EXPECT_EQ(HitTest(hWnd, 20, 100), HTCLIENT);    // below the caption band
}

TEST_F(SkinnedWindow, EscapeClosesWithOneAndEnterDoesNothing)
{
    SkinWnd wnd(L"window.xml");
    HWND hWnd = wnd.Open();
    ASSERT_NE(hWnd, nullptr);
    EXPECT_FALSE(SendKey(hWnd, VK_RETURN));
    EXPECT_EQ(PostedClose(hWnd), -1);
    // The key is not consumed: the focused control still gets it.
    EXPECT_FALSE(SendKey(hWnd, VK_ESCAPE));
    EXPECT_EQ(PostedClose(hWnd), 1);
}

TEST_F(SkinnedWindow, ClickOnCloseButtonClosesWithOne)
{
    SkinWnd wnd(L"window.xml");
    HWND hWnd = wnd.Open();
    ASSERT_NE(hWnd, nullptr);
    wnd.Manager().RaiseNotify(wnd.Manager().FindControlByName(L"title"), L"click");
    EXPECT_EQ(PostedClose(hWnd), -1);
    wnd.Manager().RaiseNotify(wnd.Manager().FindControlByName(L"closebtn"), L"click");
    EXPECT_EQ(PostedClose(hWnd), 1);
}

TEST_F(SkinnedWindow, RoundCornersClipTheWindowOnlyWhenTheSkinAsksForThem)
{
    SkinWnd rounded(L"window.xml");
    HWND hRounded = rounded.Open();
    ASSERT_NE(hRounded, nullptr);
    ::SetWindowPos(hRounded, nullptr, 0, 0, 310, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(::GetWindowRgn(hRounded, region), ERROR);
    EXPECT_TRUE(::PtInRegion(region, 155, 100));
    EXPECT_FALSE(::PtInRegion(region, 0, 0));   // cut off by the corner
    EXPECT_TRUE(::PtInRegion(region, 309, 100));

    SkinWnd square(L"square.xml");
    HWND hSquare = square.Open();
    ASSERT_NE(hSquare, nullptr);
    ::SetWindowPos(hSquare, nullptr, 0, 0, 210, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(::GetWindowRgn(hSquare, region), ERROR);
    ::DeleteObject(region);
}

TEST_F(SkinnedWindow, MinMaxInfoUsesTheWorkAreaAndTheSkinsMinimum)
{
    SkinWnd wnd(L"window.xml");
    HWND hWnd = wnd.Open();
    ASSERT_NE(hWnd, nullptr);
    MINMAXINFO info = {};
    ::SendMessageW(hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_EQ(info.ptMaxTrackSize.x, monitor.rcWork.right - monitor.rcWork.left);
    EXPECT_EQ(info.ptMaxTrackSize.y, monitor.rcWork.bottom - monitor.rcWork.top);
    EXPECT_EQ(info.ptMaxPosition.x, monitor.rcWork.left - monitor.rcMonitor.left);
    EXPECT_EQ(info.ptMinTrackSize.x, 120);
    EXPECT_EQ(info.ptMinTrackSize.y, 60);
}

TEST_F(SkinnedWindow, MaximisingSwapsTheMaxAndRestoreButtons)
{
    SkinWnd wnd(L"window.xml");
    HWND hWnd = wnd.Open();
    ASSERT_NE(hWnd, nullptr);
    CControlUI* maxButton = wnd.Manager().FindControlByName(L"maxbtn");
    CControlUI* restoreButton = wnd.Manager().FindControlByName(L"restorebtn");
    ASSERT_NE(maxButton, nullptr);
    ASSERT_NE(restoreButton, nullptr);

    wnd.Manager().RaiseNotify(maxButton, L"click");
    ASSERT_TRUE(::IsZoomed(hWnd));
    EXPECT_FALSE(maxButton->IsVisible());
    EXPECT_TRUE(restoreButton->IsVisible());
    // Maximised, the resize border is gone: the corner point is caption (over the label).
    EXPECT_EQ(HitTest(hWnd, 2, 2), HTCAPTION);
    RECT proposed = {0, 0, 10, 10};
    EXPECT_EQ(::SendMessageW(hWnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&proposed)),
              WVR_REDRAW);

    wnd.Manager().RaiseNotify(restoreButton, L"click");
    ASSERT_FALSE(::IsZoomed(hWnd));
    EXPECT_TRUE(maxButton->IsVisible());
    EXPECT_FALSE(restoreButton->IsVisible());
}

TEST_F(SkinnedWindow, SystemCloseBecomesAClose)
{
    SkinWnd wnd(L"window.xml");
    HWND hWnd = wnd.Open();
    ASSERT_NE(hWnd, nullptr);
    ::SendMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    // No close handler of its own: the window ends as a plain window does.
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(wnd.GetHandle(), nullptr);
}

TEST_F(SkinnedWindow, SkinFromAnXmlResource)
{
    SkinWnd wnd(L"7", SkinFromXmlResource);
    ASSERT_NE(wnd.Open(), nullptr);
    EXPECT_EQ(wnd.skinLoaded, 1);
    CControlUI* label = wnd.Manager().FindControlByName(L"fromResource");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetText(), L"seven");
}

TEST_F(SkinnedWindow, SkinFromAZipFileInTheResourceFolder)
{
    const char layout[] = "<Window><Label name=\"zipped\" text=\"from zip\"/></Window>";
    const std::vector<BYTE> zip = rendertest::BuildStoredZip(
        {{"inzip.xml", std::vector<BYTE>(layout, layout + strlen(layout))}});
    const std::wstring folder = CUIWindowManager::GetResourceFolder().GetData();
    ASSERT_TRUE(rendertest::WriteBytes(folder + L"skin.zip", zip));

    SkinWnd wnd(L"inzip.xml", SkinFromZipFile, L"skin.zip");
    HWND hWnd = wnd.Open();
    const bool cached = CUIWindowManager::IsResourceZipCached();
    const bool open = CUIWindowManager::GetResourceZipHandle() != nullptr;
    CControlUI* label = wnd.Manager().FindControlByName(L"zipped");
    // Later tests read plain files again.
    CUIWindowManager::SetResourceZipFile(L"", true);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_TRUE(cached);
    EXPECT_TRUE(open);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetText(), L"from zip");
}

// ---- A skin that cannot be built ends the process -----------------------------------------------

namespace {

const wchar_t kFatalRecordVariable[] = L"QX_BUILDER_FATAL_RECORD";

std::string Utf8(const std::wstring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

BOOL CALLBACK CollectText(HWND child, LPARAM lParam)
{
    WCHAR text[256] = {};
    ::GetWindowTextW(child, text, 256);
    *reinterpret_cast<std::wstring*>(lParam) += std::wstring(text) + L"|";
    return TRUE;
}

// Finds the error box, writes down its texts and presses its button.
DWORD WINAPI AnswerErrorBox(LPVOID recordPath)
{
    HWND box = nullptr;
    if (!qixtest::WaitUntil([&] { return (box = ::FindWindowW(L"#32770", L"QxUI")) != nullptr; }))
        return 1;
    std::wstring texts;
    ::EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
    std::ofstream(static_cast<LPCWSTR>(recordPath), std::ios::binary) << Utf8(texts);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
}

} // namespace

// Runs only inside the process started by the next test.
TEST(SkinnedWindowFatal, ChildOpensAWindowWithAMissingSkin)
{
    static WCHAR record[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(kFatalRecordVariable, record, MAX_PATH))
        GTEST_SKIP() << "started by SkinnedWindowFatal.MissingSkinShowsTheErrorAndExitsWithOne";
    CUIWindowManager::SetResourceFolder(rendertest::MakeTestFolder(L"builder_fatal").c_str());
    ::CloseHandle(::CreateThread(nullptr, 0, AnswerErrorBox, record, 0, nullptr));
    SkinWnd wnd(L"no_such_skin.xml");
    wnd.Open(WS_POPUP);
    ADD_FAILURE() << "the process went on after a skin that cannot be built";
}

TEST(SkinnedWindowFatal, MissingSkinShowsTheErrorAndExitsWithOne)
{
    const std::wstring record = rendertest::MakeTestFolder(L"builder_fatal_record") + L"box.txt";
    ::DeleteFileW(record.c_str());
    WCHAR exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = std::wstring(L"\"") + exe +
                           L"\" --gtest_filter=SkinnedWindowFatal.ChildOpensAWindowWithAMissingSkin";
    ::SetEnvironmentVariableW(kFatalRecordVariable, record.c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const BOOL started = ::CreateProcessW(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                          nullptr, &startup, &process);
    ::SetEnvironmentVariableW(kFatalRecordVariable, nullptr);
    ASSERT_TRUE(started);
    const DWORD waited = ::WaitForSingleObject(process.hProcess, qixtest::kWaitLimitMs);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    if (waited != WAIT_OBJECT_0)
        ::TerminateProcess(process.hProcess, 99);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ASSERT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(code, 1u);

    std::ifstream in(record.c_str(), std::ios::binary);
    const std::string texts((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(texts.find(Utf8(L"加载资源文件失败")), std::string::npos) << texts;
}
