#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include "HttpDownload.h"
#include "ThreadBase.h"

// The download job: up to ten counted attempts of CHttpDownload::Download on a worker thread,
// with a callback after each failed attempt and one after the last.
class Downloader : public ThreadBase {
public:
    static const int kMaxAttempts = 10;

    // `folder` (default: the updater's folder) and `timings` are for tests.
    Downloader(const std::string& md5, const std::string& host, const std::string& path,
               const std::wstring& folder = std::wstring(), const HttpTimings& timings = HttpTimings());
    // Cancels the job and waits for its thread: no callback runs once this returns.
    ~Downloader() override;

    virtual void DoInstall() = 0;

    // A consistent copy of the progress record.
    DownloadInfo GetDownloadInfo() const;

    // Any thread: stops the job. Once it returns, no callback is running and none will run.
    void Cancel();

    boost::function<void(int)> onRetry; // number of failed attempts before this one
    boost::function<void()> onFail;
    std::atomic<bool> finished{false};

protected:
    void Run() override;

    std::string host;
    std::string path;
    DownloadInfo info;
    boost::shared_ptr<CHttpDownload> httpDownload;

private:
    std::wstring folder_;
    std::atomic<bool> cancelled_{false};
    std::mutex callbackMutex_; // held while a callback runs, so a cancel can wait it out
};
