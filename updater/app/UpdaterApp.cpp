#include "UpdaterApp.h"

#include "CmdLineParser.h"
#include "ConfigParser.h"
#include "InstallDialogs.h"
#include "TipsBoxWnd.h"
#include "Log.h"
#include "StringConvert.h"
#include "UpdaterWnd.h"
#include "hrqUtil.h"
#include "core/UIManager.h"
#include "zipDownloader.h"

namespace {

const wchar_t kOwnPipePrefix[] = L"\\\\.\\Pipe\\CU_";
const size_t kCacheNameChars = 512;  // terminator included
const DWORD kPipeMessageBytes = 10240;
const DWORD kPipeTimeoutMs = 1000;
const char kExitMessage[] = "ExitPipe";
const DWORD kExitRetryMs = 1000;
const int kShowCancel = 1;
const int kNoCancel = 0;

// Asks (optional update) or tells (forced update) the user; false when the user declined.
bool PromptForUpdate(int forcedUpdate, bool chinese)
{
    if (forcedUpdate == 1) {
        HWND client = FindWindowW(L"korvelun", nullptr);
        CTipsBoxWnd box(client,
                        chinese ? L"您的客户端版本过低，将更新至最新版本。" : L"Client will be upgraded to the newest version.",
                        kNoCancel);
        box.CenterOnOwner();
        box.RunModal();
        hrq::KillClient();
    } else if (forcedUpdate == 0) {
        CTipsBoxWnd box(nullptr,
                        chinese ? L"发现新版本，是否马上进行更新？" : L"Have a new version, downdload or not now ?",
                        kShowCancel);
        box.CenterOnOwner();
        if (box.RunModal() == CHrqWndBase::kCancel)
            return false;
    }
    return true;
}

} // namespace

bool ConnectPipeClient(HANDLE pipe)
{
    // A client that connected between the pipe's creation and this wait makes the call fail
    // with ERROR_PIPE_CONNECTED, or ERROR_NO_DATA when it has closed its end already: either
    // way its message is waiting in the pipe.
    if (ConnectNamedPipe(pipe, nullptr))
        return true;
    const DWORD error = GetLastError();
    return error == ERROR_PIPE_CONNECTED || error == ERROR_NO_DATA;
}

CUpdaterApp::CUpdaterApp(HINSTANCE instance) : hInstance(instance) {}

CUpdaterApp::~CUpdaterApp()
{
    instanceMutex.Reset();
    stop = true;

    if (pipeThread) {
        std::wstring path = OwnPipePath();
        while (WaitForSingleObject(pipeThread.Get(), 0) == WAIT_TIMEOUT) {
            char reply[512];
            DWORD read = 0;
            CallNamedPipeW(path.c_str(), const_cast<char*>(kExitMessage), sizeof(kExitMessage) - 1, reply,
                           sizeof(reply), &read, 1);
            if (WaitForSingleObject(pipeThread.Get(), kExitRetryMs) != WAIT_TIMEOUT)
                break;
            // A writer that connected and never writes holds the only instance in its read:
            // cancel that read, the server then sees the stop flag.
            CancelSynchronousIo(pipeThread.Get());
        }
        pipeThread.Reset();
    }
    std::atomic_store(&downloader, std::shared_ptr<ZipDownloader>());
}

std::wstring CUpdaterApp::OwnPipePath()
{
    std::string cacheName;
    ConfigParser::Instance().GetValue("CacheName", cacheName);
    wchar_t wide[kCacheNameChars] = L"";
    GbkToWide(cacheName.c_str(), wide, kCacheNameChars);
    return kOwnPipePrefix + std::wstring(wide);
}

void CUpdaterApp::StartPipeThread()
{
    stop = false;
    pipeThread.Reset(CreateThread(nullptr, 0, ReadPipeThread, this, 0, nullptr));
}

DWORD WINAPI CUpdaterApp::ReadPipeThread(LPVOID param)
{
    static_cast<CUpdaterApp*>(param)->ReadPipeThreadImpl();
    return 0;
}

void CUpdaterApp::ReadPipeThreadImpl()
{
    while (!stop) {
        pipe.Reset();
        pipe.Reset(CreateNamedPipeW(OwnPipePath().c_str(), PIPE_ACCESS_DUPLEX,
                                    PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, 0, kPipeTimeoutMs, nullptr));
        if (!pipe)
            break;
        if (!ConnectPipeClient(pipe.Get()))
            continue;
        if (stop)
            break;

        // One byte more than a message may fill, so the text is always terminated.
        std::string buffer(kPipeMessageBytes + 1, '\0');
        DWORD read = 0;
        if (!ReadFile(pipe.Get(), &buffer[0], kPipeMessageBytes, &read, nullptr))
            continue;
        std::string text(buffer.c_str());
        LOG(INFO) << "read pipe buffer: " << text;
        std::shared_ptr<ZipDownloader> job = std::atomic_load(&downloader);
        if (!text.empty() && job)
            job->SetPageCallParam(text);
    }
    pipe.Reset();
}

bool CUpdaterApp::Run(const wchar_t* cmdLine)
{
    const bool chinese = ConfigParser::Instance().chineseUi;
    StartPipeThread();
    QxUI::CUIWindowManager::SetModuleInstance(hInstance);
    QxUI::CUIWindowManager::SetResourceFolder(QxUI::CUIWindowManager::GetModuleFolder().GetData());
    ZipDwCfg cfg = parseZipConf(cmdLine);
    std::shared_ptr<ZipDownloader> job = std::make_shared<ZipDownloader>(cfg);
    AttachInstallDialogs(*job);
    std::atomic_store(&downloader, job);

    if (!PromptForUpdate(cfg.forcedUpdate, chinese))
        return false;

    {
        CUpdaterWnd window(job);
        window.Show(false, true);
        window.MoveToWorkAreaCorner();
        window.StartDownload(cfg);
        window.Show(true, true);
        SetActiveWindow(window.GetHandle());
        SetForegroundWindow(window.GetHandle());
        QxUI::CUIWindowManager::RunMessageLoop();
    }
    return true;
}
