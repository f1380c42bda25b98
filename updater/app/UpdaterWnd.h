#pragma once
#include <windows.h>

#include <atomic>
#include <memory>

#include "UpdaterWindowBase.h"
#include "ZipDwCfg.h"

class ZipDownloader;

namespace QxUI {
class CLabelUI;
class CButtonUI;
class CContainerUI;
class CProgressUI;
} // namespace QxUI

// The progress window in the corner of the work area: runs the download job, polls it once a
// second, then installs at once (forced update) or offers to install now or later.
class CUpdaterWnd : public CHrqWndBase {
public:
    static const UINT_PTR kTimerId = 1121;
    static const UINT kTimerMs = 1000;
    // Posted by the worker's failure callback: the controls change on the window's thread.
    static const UINT kDownloadFailedMsg = WM_APP + 0x105;

    explicit CUpdaterWnd(std::shared_ptr<ZipDownloader> job);
    // Cancels the job, which the application also holds: no callback reaches a gone window.
    ~CUpdaterWnd() override;

    void MoveToWorkAreaCorner();
    void StartDownload(const ZipDwCfg& configuration);
    void UpdateProgress(int percent);
    void OnDownloadRetry(int n);
    void OnDownloadFailed();

    LPCWSTR GetRegisteredClassName() const override { return L"hrq_updater_wnd_class_name"; }
    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnSkinLoaded() override;
    QxUI::CUIString GetSkinXmlName() override;
    void OnUINotify(QxUI::UINotification& msg) override;

    int RetryCount() const { return retryCount; }

private:
    void ShowFailure();

    ZipDwCfg cfg;
    std::atomic<int> retryCount{0};
    std::shared_ptr<ZipDownloader> downloader;
    QxUI::CLabelUI* tipsLabel = nullptr;
    QxUI::CButtonUI* closeButton = nullptr;
    QxUI::CButtonUI* skipButton = nullptr;
    QxUI::CContainerUI* buttonLayout = nullptr;
    QxUI::CContainerUI* progressLayout = nullptr;
    QxUI::CProgressUI* downloadProgress = nullptr;
};
