#include "UpdaterWnd.h"

#include <cwchar>

#include <boost/bind/bind.hpp>

#include "ConfigParser.h"
#include "core/UIButton.h"
#include "core/UIContainer.h"
#include "core/UILabel.h"
#include "core/UIProgress.h"
#include "hrqUtil.h"
#include "zipDownloader.h"

using namespace QxUI;

namespace {

const int kMaxText = 260;  // formatted texts: 259 characters and the terminator
const int kRetryWidth = 430;
const DWORD kForcedInstallDelayMs = 1000;
const DWORD kRetryPauseMs = 2000;

bool Chinese() { return ConfigParser::Instance().chineseUi; }

const wchar_t* ForcedText()
{
    return Chinese() ? L"正在为您准备客户端新版本，请稍候" : L"The newest client is downloading, please wait";
}
const wchar_t* OptionalText()
{
    return Chinese() ? L"新版本下载中，请稍候" : L"The new client is downloading, please wait";
}
const wchar_t* RetryFormat() { return Chinese() ? L"（重试第%d次)" : L"（%d times Retring)"; }
const wchar_t* ReadyText()
{
    return Chinese() ? L"新版本将在下次启动时安装，您也可以立即安装！" : L"New version is ready, install now or later";
}
const wchar_t* FailureText()
{
    return Chinese() ? L"升级出问题了,请下载完整安装包"
                     : L"There are some problems in Updating, Please download full installer";
}

template <class T>
T* Find(CUIWindowManager& manager, const wchar_t* name)
{
    return dynamic_cast<T*>(manager.FindControlByName(name));
}

void SetVisible(CControlUI* control, bool visible)
{
    if (control != nullptr)
        control->SetVisible(visible);
}

} // namespace

CUpdaterWnd::CUpdaterWnd(std::shared_ptr<ZipDownloader> job) : downloader(std::move(job))
{
    Create(nullptr, Chinese() ? L"升级程序" : L"Update Program", WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_WINDOWEDGE);
    SetWindowIcon(101);
}

CUpdaterWnd::~CUpdaterWnd()
{
    if (downloader)
        downloader->Cancel();
}

CUIString CUpdaterWnd::GetSkinXmlName()
{
    return LayoutFor(L"UpdaterWnd");
}

void CUpdaterWnd::OnSkinLoaded()
{
    tipsLabel = Find<CLabelUI>(m_manager, L"tipsLabel");
    closeButton = Find<CButtonUI>(m_manager, L"closeButton");
    skipButton = Find<CButtonUI>(m_manager, L"skipButton");
    buttonLayout = Find<CContainerUI>(m_manager, L"buttonLayout");
    progressLayout = Find<CContainerUI>(m_manager, L"progressLayout");
    downloadProgress = Find<CProgressUI>(m_manager, L"downloadProgress");
}

void CUpdaterWnd::MoveToWorkAreaCorner()
{
    RECT work = {};
    RECT window = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(m_hWnd, &window);
    const int x = (work.right - work.left) - (window.right - window.left);
    const int y = (work.bottom - work.top) - (window.bottom - window.top);
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

void CUpdaterWnd::StartDownload(const ZipDwCfg& configuration)
{
    if (!downloader)
        return;
    cfg = configuration;
    if (cfg.forcedUpdate > 0)
        SetVisible(skipButton, false);
    downloader->onRetry = boost::bind(&CUpdaterWnd::OnDownloadRetry, this, boost::placeholders::_1);
    downloader->onFail = boost::bind(&CUpdaterWnd::OnDownloadFailed, this);
    downloader->Start();
    ::SetTimer(m_hWnd, kTimerId, kTimerMs, nullptr);
}

void CUpdaterWnd::OnDownloadRetry(int n)
{
    retryCount = n;
    ::Sleep(kRetryPauseMs);
}

void CUpdaterWnd::OnDownloadFailed()
{
    ::PostMessageW(m_hWnd, kDownloadFailedMsg, 0, 0);
}

void CUpdaterWnd::ShowFailure()
{
    ::KillTimer(m_hWnd, kTimerId);
    if (tipsLabel != nullptr)
        tipsLabel->SetText(FailureText());
    SetVisible(closeButton, true);
    SetVisible(downloadProgress, false);
}

LRESULT CUpdaterWnd::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        if (wParam == kTimerId && downloader) {
            const DownloadInfo info = downloader->GetDownloadInfo();
            const int64_t percent = info.totalBytes == 0 ? 0 : info.downloadedBytes * 100 / info.totalBytes;
            // Beyond the int range it is past 100 anyway; negative ones stay negative.
            UpdateProgress(percent > 100 ? 100 : static_cast<int>(percent));
        }
        break;
    case kDownloadFailedMsg:
        ShowFailure();
        return 0;
    case WM_CLOSE: {
        const std::wstring pipeName = hrq::LaunchPipeName();
        if (!pipeName.empty())
            hrq::WritePipeBuf(pipeName, L"msg1:0");
        ::PostQuitMessage(0);
        return 1;
    }
    case WM_QUIT:
        ::PostQuitMessage(0);
        return 1;
    default:
        break;
    }
    return CHrqWndBase::HandleWindowMessage(msg, wParam, lParam);
}

void CUpdaterWnd::OnUINotify(UINotification& msg)
{
    if (!(msg.sType == L"click") || msg.pSender == nullptr)
        return;
    const CUIString name = msg.pSender->GetName();
    if (name == L"closeButton" || name == L"skipButton") {
        ::PostQuitMessage(0);
    } else if (name == L"installButton") {
        if (downloader)
            downloader->DoInstall();
        ::PostQuitMessage(0);
    }
}

void CUpdaterWnd::UpdateProgress(int percent)
{
    if (static_cast<unsigned>(percent) >= 100)
        percent = 100;

    wchar_t suffix[kMaxText] = L"";
    const int retries = retryCount;
    if (retries != 0)
        std::swprintf(suffix, kMaxText, RetryFormat(), retries);

    if (retries == 1) {
        RECT rc = {};
        ::GetWindowRect(m_hWnd, &rc);
        ::SetWindowPos(m_hWnd, nullptr, rc.right - kRetryWidth, rc.top, kRetryWidth, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    const wchar_t* message = cfg.forcedUpdate != 0 ? ForcedText() : OptionalText();
    wchar_t line[kMaxText] = L"";
    std::swprintf(line, kMaxText, L"%ls...%d%%%ls", message, percent, suffix);
    if (tipsLabel != nullptr)
        tipsLabel->SetText(line);
    if (downloadProgress != nullptr)
        downloadProgress->SetValue(percent);

    if (!downloader || !downloader->finished)
        return;
    ::KillTimer(m_hWnd, kTimerId);
    SetVisible(closeButton, true);
    if (cfg.forcedUpdate != 0) {
        ::Sleep(kForcedInstallDelayMs);
        downloader->DoInstall();
        ::PostQuitMessage(0);
    } else {
        if (tipsLabel != nullptr)
            tipsLabel->SetText(ReadyText());
        SetVisible(progressLayout, false);
        SetVisible(buttonLayout, true);
    }
}
