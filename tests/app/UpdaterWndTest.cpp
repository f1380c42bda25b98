// The progress window on the updater's own skin, driven through real window messages and a job
// that downloads from a local server or whose progress record the test sets.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "ConfigParser.h"
#include "HttpDownload.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "UpdaterWnd.h"
#include "core/UIButton.h"
#include "core/UILabel.h"
#include "core/UIManager.h"
#include "core/UIProgress.h"
#include "zipDownloader.h"

using namespace QxUI;
using qixtest::TestFolder;

namespace {

const wchar_t kLaunchPipe[] = L"\\\\.\\Pipe\\LU_qixtest_app_launch.exe";

ZipDwCfg Config(const std::string& md5, const std::string& host, int forcedUpdate)
{
    ZipDwCfg cfg;
    cfg.zipMd5 = md5;
    cfg.host = host;
    cfg.path = "/update.zip?" + md5;
    cfg.forcedUpdate = forcedUpdate;
    return cfg;
}

// A job that never downloads: its progress record is what the test sets.
class RecordJob : public ZipDownloader {
public:
    RecordJob(const ZipDwCfg& cfg, const std::wstring& folder) : ZipDownloader(cfg, InstallTimings(), folder) {}
    void SetRecord(int64_t downloaded, int64_t total)
    {
        boost::mutex::scoped_lock lock(g_downloadMutex);
        info.downloadedBytes = downloaded;
        info.totalBytes = total;
    }
    void DoInstall() override { ++installs; }
    std::atomic<int> installs{0};

protected:
    void Run() override {}
};

std::atomic<bool> g_loopExpired;

void CALLBACK ExpireLoop(HWND, UINT, UINT_PTR, DWORD)
{
    g_loopExpired = true;
    ::PostQuitMessage(0);
}

// The window's message loop until the window quits it, or the tests' wait limit (then false).
bool RunLoop()
{
    g_loopExpired = false;
    UINT_PTR watchdog = ::SetTimer(nullptr, 0, qixtest::kWaitLimitMs, ExpireLoop);
    CUIWindowManager::RunMessageLoop();
    ::KillTimer(nullptr, watchdog);
    return !g_loopExpired;
}

// Delivers what is queued for this thread; true when a WM_QUIT was among it.
bool PumpForQuit()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return true;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return false;
}

// Serves the client's launcher pipe once; Message() is what was written ("" when nothing).
class LaunchPipe {
public:
    LaunchPipe()
    {
        pipe_ = ::CreateNamedPipeW(kLaunchPipe, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                   4096, 4096, 1000, nullptr);
        event_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        overlapped_.hEvent = event_;
        ::ConnectNamedPipe(pipe_, &overlapped_);
    }
    ~LaunchPipe()
    {
        ::CancelIo(pipe_);
        ::CloseHandle(pipe_);
        ::CloseHandle(event_);
    }
    bool Valid() const { return pipe_ != INVALID_HANDLE_VALUE; }
    std::string Message()
    {
        if (::WaitForSingleObject(event_, 0) != WAIT_OBJECT_0)
            return "";
        char buffer[256] = {};
        DWORD read = 0;
        OVERLAPPED readOverlapped = {};
        readOverlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!::ReadFile(pipe_, buffer, sizeof(buffer) - 1, &read, &readOverlapped))
            ::GetOverlappedResult(pipe_, &readOverlapped, &read, TRUE);
        ::CloseHandle(readOverlapped.hEvent);
        return std::string(buffer, read);
    }

private:
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
    OVERLAPPED overlapped_ = {};
};

class UpdaterWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CUIWindowManager::SetModuleInstance(::GetModuleHandleW(nullptr));
        chinese = ConfigParser::Instance().chineseUi;
    }

    template <class T>
    T* Control(CUpdaterWnd& wnd, const wchar_t* name)
    {
        return dynamic_cast<T*>(wnd.GetWindowManager().FindControlByName(name));
    }
    std::wstring Tips(CUpdaterWnd& wnd)
    {
        CLabelUI* label = Control<CLabelUI>(wnd, L"tipsLabel");
        return label ? std::wstring(label->GetText().GetData()) : L"<none>";
    }
    bool Visible(CUpdaterWnd& wnd, const wchar_t* name)
    {
        CControlUI* control = Control<CControlUI>(wnd, name);
        return control != nullptr && control->IsVisible();
    }
    void Tick(CUpdaterWnd& wnd) { ::SendMessageW(wnd.GetHandle(), WM_TIMER, CUpdaterWnd::kTimerId, 0); }
    int Width(CUpdaterWnd& wnd)
    {
        RECT rc = {};
        ::GetWindowRect(wnd.GetHandle(), &rc);
        return rc.right - rc.left;
    }

    bool chinese = true;
};

TEST_F(UpdaterWndTest, StatusLineFollowsTheRecordAndTheRetryNumber)
{
    TestFolder folder(L"updwnd_record");
    auto job = std::make_shared<RecordJob>(Config("0", "127.0.0.1:1", 0), folder.Path());
    CUpdaterWnd wnd(job);
    ASSERT_NE(wnd.GetHandle(), nullptr);
    wnd.StartDownload(job->Config());
    const std::wstring downloading = chinese ? L"新版本下载中，请稍候" : L"The new client is downloading, please wait";

    Tick(wnd);  // no total yet
    EXPECT_EQ(Tips(wnd), downloading + L"...0%");

    job->SetRecord(512, 2048);
    Tick(wnd);
    EXPECT_EQ(Tips(wnd), downloading + L"...25%");
    EXPECT_EQ(Control<CProgressUI>(wnd, L"downloadProgress")->GetValue(), 25);

    job->SetRecord(4096, 2048);  // more than announced
    Tick(wnd);
    EXPECT_EQ(Tips(wnd), downloading + L"...100%");
    EXPECT_EQ(Control<CProgressUI>(wnd, L"downloadProgress")->GetValue(), 100);

    // A retry number other than 1 shows the suffix but keeps the width.
    const int width = Width(wnd);
    wnd.OnDownloadRetry(3);
    job->SetRecord(1, 3);
    Tick(wnd);
    EXPECT_EQ(Tips(wnd), downloading + (chinese ? L"...33%（重试第3次)" : L"...33%（3 times Retring)"));
    EXPECT_EQ(Width(wnd), width);
    EXPECT_TRUE(Visible(wnd, L"skipButton"));
    EXPECT_FALSE(Visible(wnd, L"closeButton"));
    EXPECT_EQ(job->installs, 0);
}

TEST_F(UpdaterWndTest, ForcedUpdateHidesSkipAndUsesTheForcedText)
{
    TestFolder folder(L"updwnd_forced");
    for (int forced : {1, -1}) {
        auto job = std::make_shared<RecordJob>(Config("0", "127.0.0.1:1", forced), folder.Path());
        CUpdaterWnd wnd(job);
        wnd.StartDownload(job->Config());
        job->SetRecord(1, 2);
        Tick(wnd);
        EXPECT_EQ(Tips(wnd), std::wstring(chinese ? L"正在为您准备客户端新版本，请稍候"
                                                  : L"The newest client is downloading, please wait") +
                                 L"...50%")
            << forced;
        // Only a positive value hides the skip button.
        EXPECT_EQ(Visible(wnd, L"skipButton"), forced < 0) << forced;
    }
}

TEST_F(UpdaterWndTest, FinalFailureIsShownOnTheWindowThread)
{
    TestFolder folder(L"updwnd_failure");
    auto job = std::make_shared<RecordJob>(Config("0", "127.0.0.1:1", 0), folder.Path());
    CUpdaterWnd wnd(job);
    wnd.StartDownload(job->Config());
    const std::wstring before = Tips(wnd);

    std::thread worker([&] { wnd.OnDownloadFailed(); });
    worker.join();
    EXPECT_EQ(Tips(wnd), before);  // nothing changes until the window's thread runs
    PumpForQuit();

    EXPECT_EQ(Tips(wnd), chinese ? L"升级出问题了,请下载完整安装包"
                                 : L"There are some problems in Updating, Please download full installer");
    EXPECT_TRUE(Visible(wnd, L"closeButton"));
    EXPECT_FALSE(Visible(wnd, L"downloadProgress"));
    EXPECT_TRUE(Visible(wnd, L"skipButton"));
    EXPECT_FALSE(::KillTimer(wnd.GetHandle(), CUpdaterWnd::kTimerId));  // already stopped
}

TEST_F(UpdaterWndTest, DownloadAfterRetriesOffersInstallNowOrLater)
{
    TestFolder folder(L"updwnd_download");
    const std::string package = MakePackage(300000);
    std::atomic<int> connections{0};
    TestHttpServer server([&](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
        if (connections++ < 2)
            p.Send("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n");
        else
            ServePackage(package, PackageOptions(), r, p);
    });
    auto job = std::make_shared<ZipDownloader>(Config(Md5Hex(package), server.Address(), 0), InstallTimings(),
                                               folder.Path(), FastHttpTimings(3000));
    CUpdaterWnd wnd(job);
    wnd.StartDownload(job->Config());
    const int width = Width(wnd);
    RECT before = {};
    ::GetWindowRect(wnd.GetHandle(), &before);

    // The ready state, the window's messages handed on meanwhile.
    qixtest::WaitUntil([&] { return Visible(wnd, L"buttonLayout"); });

    ASSERT_TRUE(job->finished);
    EXPECT_TRUE(Visible(wnd, L"buttonLayout"));
    EXPECT_FALSE(Visible(wnd, L"progressLayout"));
    EXPECT_TRUE(Visible(wnd, L"closeButton"));
    EXPECT_TRUE(Visible(wnd, L"installButton"));
    EXPECT_EQ(Tips(wnd), chinese ? L"新版本将在下次启动时安装，您也可以立即安装！" : L"New version is ready, install now or later");
    EXPECT_EQ(Control<CProgressUI>(wnd, L"downloadProgress")->GetValue(), 100);
    // The job numbers its retries from 0: the second failure reports 1.
    EXPECT_EQ(wnd.RetryCount(), 1);
    // Retry number 1 widened the window to 430, keeping its right edge.
    RECT after = {};
    ::GetWindowRect(wnd.GetHandle(), &after);
    EXPECT_NE(width, 430);
    EXPECT_EQ(after.right - after.left, 430);
    EXPECT_EQ(after.right, before.right);
    EXPECT_FALSE(::KillTimer(wnd.GetHandle(), CUpdaterWnd::kTimerId));
}

TEST_F(UpdaterWndTest, WindowSitsInTheWorkAreaCorner)
{
    TestFolder folder(L"updwnd_corner");
    auto job = std::make_shared<RecordJob>(Config("0", "127.0.0.1:1", 0), folder.Path());
    CUpdaterWnd wnd(job);
    wnd.MoveToWorkAreaCorner();
    RECT work = {};
    RECT rc = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(wnd.GetHandle(), &rc);
    EXPECT_EQ(rc.right, work.right - work.left);
    EXPECT_EQ(rc.bottom, work.bottom - work.top);
    EXPECT_EQ(rc.right - rc.left, 350);  // the skin's size
}

TEST_F(UpdaterWndTest, CloseButtonAndSkipQuitWithoutTellingTheClient)
{
    TestFolder folder(L"updwnd_buttons");
    for (const wchar_t* name : {L"closeButton", L"skipButton"}) {
        LaunchPipe pipe;
        ASSERT_TRUE(pipe.Valid());
        auto job = std::make_shared<RecordJob>(Config("0", "127.0.0.1:1", 0), folder.Path());
        CUpdaterWnd wnd(job);
        CButtonUI* button = Control<CButtonUI>(wnd, name);
        ASSERT_NE(button, nullptr);
        button->SetVisible(true);
        button->Activate();
        EXPECT_TRUE(PumpForQuit()) << name;
        EXPECT_EQ(pipe.Message(), "") << name;
        EXPECT_TRUE(::IsWindow(wnd.GetHandle()));
    }
}

TEST_F(UpdaterWndTest, InstallButtonInstallsThenQuits)
{
    TestFolder folder(L"updwnd_install");
    auto job = std::make_shared<RecordJob>(Config("0", "127.0.0.1:1", 0), folder.Path());
    CUpdaterWnd wnd(job);
    CButtonUI* button = Control<CButtonUI>(wnd, L"installButton");
    ASSERT_NE(button, nullptr);
    Control<CControlUI>(wnd, L"buttonLayout")->SetVisible(true);
    button->Activate();
    EXPECT_EQ(job->installs, 1);
    EXPECT_TRUE(PumpForQuit());
}

TEST_F(UpdaterWndTest, CloseAndEscapeTellTheClientAndEndTheLoop)
{
    TestFolder folder(L"updwnd_close");
    for (UINT key : {0u, (UINT)VK_ESCAPE, (UINT)VK_RETURN}) {
        LaunchPipe pipe;
        ASSERT_TRUE(pipe.Valid());
        auto job = std::make_shared<RecordJob>(Config("0", "127.0.0.1:1", 0), folder.Path());
        CUpdaterWnd wnd(job);
        wnd.StartDownload(job->Config());
        if (key == 0)
            ::PostMessageW(wnd.GetHandle(), WM_CLOSE, 0, 0);
        else
            ::PostMessageW(wnd.GetHandle(), WM_KEYDOWN, key, 0);
        EXPECT_TRUE(RunLoop()) << key;
        EXPECT_EQ(pipe.Message(), "msg1:0") << key;
        // The window stays until its object goes.
        EXPECT_TRUE(::IsWindow(wnd.GetHandle())) << key;
    }
}

} // namespace
