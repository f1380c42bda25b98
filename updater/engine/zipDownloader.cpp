#include "zipDownloader.h"

#include <shellapi.h>

#include <filesystem>

#include "ConfigParser.h"
#include "Log.h"
#include "StringConvert.h"
#include "hrqUtil.h"
#include "process_op.h"

// The export of zlib.dll, an outside library linked by name: the archive, the target folder and
// 0. Declared here, as its contract, rather than taken from a header of our stand-in.
extern "C" __declspec(dllimport) int __cdecl ExtractZipToDir(const wchar_t* zipPath, const wchar_t* folder, int flags);

namespace {

const wchar_t kInstalledMessage[] = L"msg1:1";
const wchar_t kInstallFailedZh[] = L"\u5347\u7EA7\u51FA\u95EE\u9898\u4E86,\u8BF7\u4E0B\u8F7D\u5B8C\u6574\u5B89\u88C5\u5305";
const wchar_t kInstallFailedEn[] = L"There are some problems in Updating, Please download full installer";

} // namespace

bool TryCreateDirectories(const std::wstring& folder)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder), error);
    return !error && std::filesystem::is_directory(std::filesystem::path(folder), error);
}

UnzipTask::UnzipTask(const std::wstring& zipPath_, const std::wstring& folder_, DWORD delayMs_)
    : zipPath(zipPath_), folder(folder_), delayMs(delayMs_)
{
}

bool UnzipTask::Run()
{
    return TryCreateDirectories(folder) && Extract();
}

bool UnzipTask::Extract()
{
    Sleep(delayMs);
    // Our zlib.dll reports a failed entry with a negative result: the caller tries again.
    return ExtractZipToDir(zipPath.c_str(), folder.c_str(), 0) >= 0;
}

ZipDownloader::ZipDownloader(const ZipDwCfg& configuration, const InstallTimings& installTimings,
                             const std::wstring& folder, const HttpTimings& httpTimings)
    : Downloader(configuration.zipMd5, configuration.host, configuration.path, folder, httpTimings),
      config(configuration), pageCallParam(configuration.pageCallParam), timings(installTimings)
{
}

ZipDownloader::~ZipDownloader() = default;

void ZipDownloader::SetPageCallParam(const std::string& text)
{
    std::lock_guard<std::mutex> lock(pageCallParamMutex);
    pageCallParam = text;
}

std::string ZipDownloader::GetPageCallParam() const
{
    std::lock_guard<std::mutex> lock(pageCallParamMutex);
    return pageCallParam;
}

bool ZipDownloader::EndClient()
{
    // A client that cannot be ended (another user's process of the same name, access denied)
    // would keep this loop going for ever; a failed process listing counts as a running client.
    ULONGLONG start = GetTickCount64();
    for (;;) {
        bool listFailed = false;
        if (FindProcess_ByName(GetProgName(), &listFailed) == 0 && !listFailed)
            return true;
        if (GetTickCount64() - start > timings.killGiveUpMs)
            return false;
        LOG(INFO) << "Rvk is running";
        hrq::KillClient();
        Sleep(timings.killPollMs);
    }
}

void ZipDownloader::ReportInstallFailure()
{
    LOG(INFO) << "update install failed";
    if (windows.showFailure)
        windows.showFailure(ConfigParser::Instance().chineseUi ? kInstallFailedZh : kInstallFailedEn);
}

void ZipDownloader::DoInstall()
{
    LOG(INFO) << "begin to install";
    // Nothing is extracted over a client that still runs.
    const bool clientEnded = EndClient();

    LOG(INFO) << "zipname: " << WideToString(config.zipPath) << "  unzipFolder: %s " << WideToString(config.extractPath);
    UnzipTask task(config.zipPath, config.extractPath, timings.extractDelayMs);
    ULONGLONG start = GetTickCount64();

    if (!clientEnded)
        ReportInstallFailure();
    while (clientEnded && config.forcedUpdate != 0) {
        if (task.Run()) {
            hrq::WritePipeBuf(hrq::LaunchPipeName(), kInstalledMessage);
            LOG(INFO) << "install success";
            break;
        }
        if (GetTickCount64() - start > timings.giveUpMs) {
            ReportInstallFailure();
            break;
        }
        Sleep(timings.retryMs);
    }

    if (config.runClient) {
        LOG(INFO) << "run launch exe";
        Sleep(timings.launchDelayMs);
        if (windows.showCompletion)
            windows.showCompletion();
        std::string parameters = GetPageCallParam();
        LOG(INFO) << "clientExePath: " << WideToString(config.clientExePath) << " pageCallParam: " << parameters;
        HINSTANCE started = ShellExecuteW(nullptr, L"open", config.clientExePath.c_str(),
                                          StringToWide(parameters).c_str(), nullptr, SW_SHOWNORMAL);
        // ShellExecute answers a value above 32 on success, an error code otherwise.
        INT_PTR code = reinterpret_cast<INT_PTR>(started);
        if (code <= 32)
            LOG(ERROR) << "run client failed, error[" << code << "]";
    }
}
