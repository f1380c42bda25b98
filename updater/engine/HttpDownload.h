#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <boost/thread/mutex.hpp>

#include "HttpExchange.h"

// Progress and files of one download job. The worker writes it and the window copies it,
// both under g_downloadMutex.
struct DownloadInfo {
    std::string localFile;     // full path of "update.td"
    std::string md5;           // expected digest, either letter case
    int64_t downloadedBytes = 0;
    int64_t totalBytes = 0;
};

// The download lock: guards every field of the running job's DownloadInfo.
extern boost::mutex g_downloadMutex;

// Time limits of the exchange. The program uses the defaults; tests pass shorter ones.
struct HttpTimings {
    DWORD connectMs = 10000;        // per address
    DWORD readMs = 30000;           // longest wait for the next bytes of an answer
    DWORD firstDataPollMs = 1000;   // the watchdog looks this often for the first data...
    int firstDataPolls = 5;         // ...this many times
    DWORD stallPeriodMs = 15000;    // no new data within one such period stops the parts
};

class HttpConnection;

// Fetches the package in four ranges, merges, checks length and MD5, renames to "update.zip".
class CHttpDownload {
public:
    // `folder` (trailing backslash) holds the part files and the package: the updater's folder.
    explicit CHttpDownload(const std::wstring& folder = std::wstring(), const HttpTimings& timings = HttpTimings());
    virtual ~CHttpDownload();
    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    // 1 done; -1 probe failed; -2 "update.td" not created; -3 part file unreadable; -4 wrong
    // length; -5 wrong digest; -6 redirected (host and path replaced); -7 "update.zip" not put
    // in place; -8 cancelled (part files kept for the next run).
    int Download(std::string& host, std::string& path, DownloadInfo& info);
    // Package size (> 0); 0 on failure; -302 after a redirect (host and path replaced).
    int64_t ProbeSize(std::string& path, std::string& host, DownloadInfo& info);
    // True for 200/206, with the header and blank line removed from the front of `received`.
    bool ParseResponseHeader(HttpResponse& response, std::string& received, size_t headerEnd);

    // Any thread: stops the running exchange at once; later calls fail.
    void Cancel();
    bool Cancelled() const { return cancelled_; }

    static int64_t GetPartFileSize(const std::wstring& partFile);

    static const int kPartCount = 4;

private:
    struct Segment;
    struct Attempt;

    void SegmentThread(Segment& segment, Attempt& attempt);
    void WatchdogThread(Attempt& attempt);
    bool WritePartData(Segment& segment, const char* data, size_t size);
    // Copies one part into the merged file in blocks and deletes it; `complete` tells whether
    // the part held all its bytes; `flushedTo` hears how far the file is final. False when an
    // existing part file cannot be read or copied.
    bool AppendPartFile(Segment& segment, FILE* merged, bool& complete,
                        const std::function<void(int64_t)>& flushedTo);

    std::wstring folder_;
    HttpTimings timings_;
    std::atomic<bool> cancelled_{false};
    std::mutex activeMutex_; // guards the two pointers below
    HttpConnection* probeConnection_ = nullptr;
    Attempt* attempt_ = nullptr;
};
