#include "InstallDialogs.h"

#include "LaunchWnd.h"
#include "TipsBoxWnd.h"
#include "zipDownloader.h"

namespace {

// Bit 0 clear: the cancel button stays hidden.
const int kNoCancel = 2;

} // namespace

UINT ShowInstallFailure(const std::wstring& text)
{
    CTipsBoxWnd box(nullptr, text.c_str(), kNoCancel);
    return box.RunModal();
}

UINT ShowInstallCompletion()
{
    CLaunchWnd window;
    window.CenterOnOwner();
    return window.RunModal();
}

void AttachInstallDialogs(ZipDownloader& job)
{
    job.windows.showFailure = [](const std::wstring& text) { ShowInstallFailure(text); };
    job.windows.showCompletion = [] { ShowInstallCompletion(); };
}
