#include "Downloader.h"

#include <windows.h>

#include <boost/make_shared.hpp>

#include "Log.h"
#include "StringConvert.h"
#include "hrqUtil.h"

namespace {

const wchar_t kZipFileName[] = L"update.zip";
const wchar_t kFailedMessage[] = L"msg1:0";

} // namespace

Downloader::Downloader(const std::string& md5, const std::string& host_, const std::string& path_,
                       const std::wstring& folder, const HttpTimings& timings)
    : host(host_), path(path_), httpDownload(boost::make_shared<CHttpDownload>(folder, timings)),
      folder_(folder.empty() ? GetModuleDir() : folder)
{
    info.md5 = md5;
}

Downloader::~Downloader()
{
    Cancel();
    Join();
}

DownloadInfo Downloader::GetDownloadInfo() const
{
    boost::mutex::scoped_lock lock(g_downloadMutex);
    return info;
}

void Downloader::Cancel()
{
    cancelled_ = true;
    httpDownload->Cancel();
    // Waits out a callback that is running now (unless the callback itself cancels).
    if (GetCurrentThreadId() != threadId) {
        std::lock_guard<std::mutex> waitForCallback(callbackMutex_);
    }
}

void Downloader::Run()
{
    DeleteFileW((folder_ + kZipFileName).c_str());
    int failed = 0;
    int redirectsInRow = 0;
    while (!cancelled_) {
        int result;
        try {
            result = httpDownload->Download(host, path, info);
        } catch (const std::exception& e) {
            LOG(ERROR) << "download attempt failed: " << e.what();
            result = -1;
        }
        if (cancelled_)
            return;
        if (result >= 0) {
            finished = true;
            return;
        }
        // A redirect is not an attempt of its own, unless the server keeps redirecting.
        if (result == -6 && ++redirectsInRow <= http::kMaxRedirectsInRow)
            continue;
        redirectsInRow = 0;
        {
            std::lock_guard<std::mutex> lock(callbackMutex_);
            if (cancelled_)
                return;
            if (onRetry)
                onRetry(failed);
        }
        if (++failed >= kMaxAttempts)
            break;
    }
    if (cancelled_)
        return;

    hrq::WritePipeBuf(hrq::LaunchPipeName(), kFailedMessage);

    std::lock_guard<std::mutex> lock(callbackMutex_);
    if (!cancelled_ && onFail)
        onFail();
}
