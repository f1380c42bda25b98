#include "HttpDownload.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <cstring>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "HttpConnection.h"
#include "StringConvert.h"
#include "Win32Handle.h"
#include "hrqUtil.h"
#include "md5.h"

boost::mutex g_downloadMutex;

namespace {

const wchar_t kTdFileName[] = L"update.td";
const wchar_t kZipFileName[] = L"update.zip";
// Bytes taken from the socket per read, and copied per step of the merge.
const size_t kReadChunk = 256 * 1024;
const size_t kMergeBlock = 1 << 20;

struct FileCloser {
    void operator()(FILE* f) const { fclose(f); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

void AddDownloaded(DownloadInfo& info, int64_t bytes)
{
    if (bytes <= 0)
        return;
    boost::mutex::scoped_lock lock(g_downloadMutex);
    info.downloadedBytes += bytes;
}

void ResetDownloaded(DownloadInfo& info)
{
    boost::mutex::scoped_lock lock(g_downloadMutex);
    info.downloadedBytes = 0;
}

bool FileSize(const std::wstring& path, int64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)
        || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// Digests the merged file on a thread of its own that reads just behind the merge, so the
// hashing overlaps the copy. It reads only what the merge has already flushed to the file.
class TrailingDigest {
public:
    explicit TrailingDigest(const std::wstring& path) : path_(path), thread_(&TrailingDigest::Run, this) {}
    ~TrailingDigest() { Finish(); }
    TrailingDigest(const TrailingDigest&) = delete;
    TrailingDigest& operator=(const TrailingDigest&) = delete;

    // The file holds its final bytes up to `end`.
    void Publish(int64_t end)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            published_ = std::max(published_, end);
        }
        wake_.notify_one();
    }

    // Waits for the digest of everything published; false when the file could not be read.
    bool Finish()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            writerDone_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable())
            thread_.join();
        return ok_;
    }
    const char* Hex() const { return hex_; }

private:
    void Run()
    {
        win32::UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        std::vector<unsigned char> block(kMergeBlock);
        MD5_CTX md5;
        int64_t pos = 0;
        for (;;) {
            int64_t limit;
            bool done;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return published_ > pos || writerDone_; });
                limit = published_;
                done = writerDone_;
            }
            while (pos < limit) {
                DWORD want = static_cast<DWORD>(std::min<int64_t>(limit - pos, static_cast<int64_t>(block.size())));
                DWORD got = 0;
                if (!file || !ReadFile(file.Get(), block.data(), want, &got, nullptr) || got == 0) {
                    ok_ = false;
                    Drain();
                    return;
                }
                md5.Update(block.data(), got);
                pos += got;
            }
            if (done)
                break;
        }
        unsigned char digest[16];
        md5.Final(digest);
        static const char kHex[] = "0123456789abcdef";
        for (int i = 0; i < 16; ++i) {
            hex_[2 * i] = kHex[digest[i] >> 4];
            hex_[2 * i + 1] = kHex[digest[i] & 0xF];
        }
        hex_[32] = '\0';
        ok_ = true;
    }
    // After a read failure: nothing more to do but let the writer finish.
    void Drain()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return writerDone_; });
    }

    std::wstring path_;
    std::mutex mutex_; // guards the two fields below
    std::condition_variable wake_;
    int64_t published_ = 0;
    bool writerDone_ = false;
    bool ok_ = false;
    char hex_[33] = {};
    std::thread thread_; // last: starts once everything above exists
};

} // namespace

struct CHttpDownload::Segment {
    std::string host;
    int64_t start = 0;
    int64_t end = 0;        // one past the last byte
    int64_t received = 0;   // bytes of this part on disk
    std::string path;
    std::wstring partFile;
    DownloadInfo* info = nullptr;
    FILE* file = nullptr;
    // Made before the thread starts, so the watchdog or a cancel can close it at any moment.
    HttpConnection connection;
};

// Everything of one call of Download: its parts, its tick counter and its watchdog's wake-up.
struct CHttpDownload::Attempt {
    Segment segments[kPartCount];
    std::atomic<int> progressTicks{0};
    std::mutex mutex; // guards the two flags below
    std::condition_variable wake;
    bool partsEnded = false;
    bool cancelled = false;

    void StopParts()
    {
        for (Segment& segment : segments)
            segment.connection.Close();
    }
};

CHttpDownload::CHttpDownload(const std::wstring& folder, const HttpTimings& timings)
    : folder_(folder.empty() ? GetModuleDir() : folder), timings_(timings)
{
}

CHttpDownload::~CHttpDownload()
{
    Cancel();
}

void CHttpDownload::Cancel()
{
    cancelled_ = true;
    std::lock_guard<std::mutex> lock(activeMutex_);
    if (probeConnection_)
        probeConnection_->Close();
    if (attempt_) {
        {
            std::lock_guard<std::mutex> attemptLock(attempt_->mutex);
            attempt_->cancelled = true;
        }
        attempt_->wake.notify_all();
        attempt_->StopParts();
    }
}

int64_t CHttpDownload::GetPartFileSize(const std::wstring& partFile)
{
    int64_t size = 0;
    return FileSize(partFile, size) ? size : 0;
}

bool CHttpDownload::WritePartData(Segment& segment, const char* data, size_t size)
{
    if (!segment.file) {
        segment.file = _wfopen(segment.partFile.c_str(), L"ab");
        if (!segment.file)
            return false;
    }
    size_t written = fwrite(data, 1, size, segment.file);
    fflush(segment.file);
    segment.received += static_cast<int64_t>(written);
    return written == size;
}

bool CHttpDownload::AppendPartFile(Segment& segment, FILE* merged, bool& complete,
                                   const std::function<void(int64_t)>& flushedTo)
{
    complete = false;
    // A part that never received a byte has no file: it is short, not unreadable.
    if (GetFileAttributesW(segment.partFile.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    UniqueFile part(_wfopen(segment.partFile.c_str(), L"rb"));
    if (!part)
        return false;
    if (_fseeki64(merged, segment.start, SEEK_SET) != 0)
        return false;
    std::vector<char> block(kMergeBlock);
    int64_t left = segment.end - segment.start;
    while (left > 0) {
        size_t want = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(block.size())));
        size_t got = fread(block.data(), 1, want, part.get());
        if (got == 0)
            break;
        if (fwrite(block.data(), 1, got, merged) != got || fflush(merged) != 0)
            return false;
        left -= static_cast<int64_t>(got);
        flushedTo(segment.end - left);
    }
    complete = left == 0;
    part.reset();
    DeleteFileW(segment.partFile.c_str());
    return true;
}

void CHttpDownload::SegmentThread(Segment& segment, Attempt& attempt)
{
    const int64_t length = segment.end - segment.start;
    const int64_t existing = GetPartFileSize(segment.partFile);
    const int64_t from = segment.start + existing;
    segment.received = existing;
    AddDownloaded(*segment.info, std::min(existing, length));

    std::string request;
    if (!http::BuildRequest(segment.host, segment.path, from, request)) {
        http::PrintLine("Exception: unusable server address\n");
        return;
    }
    std::string name, port;
    http::SplitServerAddress(segment.host, name, port);
    boost::system::error_code ec;
    segment.connection.Connect(name, port, timings_.connectMs, ec);
    if (!ec)
        segment.connection.WriteAll(request, timings_.readMs, ec);
    std::string body;
    size_t headerEnd = 0;
    if (!ec) {
        http::HeaderRead read = http::ReadHeader(segment.connection, body, headerEnd, timings_.readMs, ec);
        if (read == http::HeaderRead::TooLarge) {
            http::PrintLine("Exception: answer header too large\n");
            return;
        }
    }
    if (ec) {
        http::PrintLine("Exception: " + http::ErrorText(ec) + "\n");
        return;
    }
    HttpResponse response;
    if (!ParseResponseHeader(response, body, headerEnd))
        return;
    // Only the range asked for may be written: a whole copy from a server that ignores the
    // range would corrupt this part.
    if (response.status != 206 || !response.hasContentRange || response.rangeStart != from) {
        http::PrintLine("Exception: answer is not the range from " + std::to_string(from) + "\n");
        return;
    }

    std::vector<char> chunk(kReadChunk);
    const char* data = body.data();
    size_t size = body.size();
    for (;;) {
        if (segment.received >= length)
            break;
        if (size > 0) {
            int64_t before = segment.received;
            // A chunk that is not written must end the part: the chunks after it would land
            // where it belongs, and the part file would hold a hole that a resume builds on.
            bool written = WritePartData(segment, data, size);
            AddDownloaded(*segment.info, std::min(segment.received, length) - std::min(before, length));
            ++attempt.progressTicks;
            if (!written) {
                http::PrintLine("Exception: cannot write the part file\n");
                break;
            }
        }
        size = segment.connection.ReadSome(chunk.data(), chunk.size(), timings_.readMs, ec);
        data = chunk.data();
        if (ec == boost::asio::error::eof)
            break;
        if (ec) {
            http::PrintLine("Exception: " + http::ErrorText(ec) + "\n");
            break;
        }
    }
}

void CHttpDownload::WatchdogThread(Attempt& attempt)
{
    std::unique_lock<std::mutex> lock(attempt.mutex);
    auto over = [&attempt] { return attempt.partsEnded || attempt.cancelled; };
    for (int poll = 0; attempt.progressTicks == 0 && poll < timings_.firstDataPolls; ++poll) {
        if (attempt.wake.wait_for(lock, std::chrono::milliseconds(timings_.firstDataPollMs), over))
            return;
    }
    if (attempt.progressTicks != 0) {
        for (;;) {
            int before = attempt.progressTicks;
            if (attempt.wake.wait_for(lock, std::chrono::milliseconds(timings_.stallPeriodMs), over))
                return;
            if (attempt.progressTicks == before)
                break;
        }
    }
    lock.unlock();
    attempt.StopParts();
}

int CHttpDownload::Download(std::string& host, std::string& path, DownloadInfo& info)
{
    const std::wstring tdFile = folder_ + kTdFileName;
    std::string expectedMd5;
    {
        boost::mutex::scoped_lock lock(g_downloadMutex);
        info.localFile = WideToString(tdFile);
        expectedMd5 = info.md5;
    }
    if (cancelled_)
        return -8;
    int64_t total = ProbeSize(path, host, info);
    if (total == -302)
        return -6;
    if (cancelled_)
        return -8;
    if (total <= 0)
        return -1;

    ResetDownloaded(info);
    std::unique_ptr<Attempt> attempt(new Attempt);
    const int64_t seg = total / kPartCount;
    for (int i = 0; i < kPartCount; ++i) {
        Segment& segment = attempt->segments[i];
        segment.host = host;
        segment.path = path;
        segment.start = i * seg;
        segment.end = i == kPartCount - 1 ? total : segment.start + seg;
        segment.partFile = tdFile + std::to_wstring(i);
        segment.info = &info;
    }
    {
        std::lock_guard<std::mutex> lock(activeMutex_);
        attempt_ = attempt.get();
    }
    if (cancelled_)
        Cancel(); // a cancel that came before the attempt was registered

    std::vector<std::thread> parts;
    std::thread watchdog;
    try {
        for (Segment& segment : attempt->segments)
            parts.emplace_back([this, &segment, &attempt] {
                try {
                    SegmentThread(segment, *attempt);
                } catch (const std::exception& e) {
                    http::PrintLine(std::string("Exception: ") + e.what() + "\n");
                }
            });
        watchdog = std::thread(&CHttpDownload::WatchdogThread, this, std::ref(*attempt));
    } catch (const std::system_error& e) {
        http::PrintLine(std::string(" exception = ") + e.what() + "\n");
        attempt->StopParts();
    }
    for (std::thread& part : parts)
        part.join();
    {
        std::lock_guard<std::mutex> lock(attempt->mutex);
        attempt->partsEnded = true;
    }
    attempt->wake.notify_all();
    if (watchdog.joinable())
        watchdog.join();
    for (Segment& segment : attempt->segments) {
        if (segment.file)
            fclose(segment.file);
        segment.file = nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(activeMutex_);
        attempt_ = nullptr;
    }
    // Cancelled (the window went away): the part files stay for the next run to resume.
    if (cancelled_ || parts.size() != kPartCount)
        return cancelled_ ? -8 : -1;

    auto deleteParts = [&attempt] {
        for (Segment& segment : attempt->segments)
            DeleteFileW(segment.partFile.c_str());
    };
    UniqueFile merged(_wfopen(tdFile.c_str(), L"wb"));
    if (!merged) {
        deleteParts();
        return -2;
    }
    // A short part would leave a hole of zeros inside a file of the right length: it is a
    // length failure, not a digest failure.
    bool allComplete = true;
    TrailingDigest digest(tdFile);
    auto flushedTo = [&digest](int64_t end) { digest.Publish(end); };
    for (Segment& segment : attempt->segments) {
        bool complete = false;
        if (!AppendPartFile(segment, merged.get(), complete, flushedTo)) {
            deleteParts();
            merged.reset();
            digest.Finish();
            DeleteFileW(tdFile.c_str());
            return -3;
        }
        allComplete = allComplete && complete;
    }
    bool written = fflush(merged.get()) == 0;
    merged.reset();
    bool digested = digest.Finish();

    int64_t size = 0;
    if (!written || !allComplete || !FileSize(tdFile, size) || size != total) {
        DeleteFileW(tdFile.c_str());
        ResetDownloaded(info);
        return -4;
    }
    if (!digested || _stricmp(digest.Hex(), expectedMd5.c_str()) != 0) {
        DeleteFileW(tdFile.c_str());
        ResetDownloaded(info);
        return -5;
    }
    const std::wstring zipFile = folder_ + kZipFileName;
    if (!MoveFileExW(tdFile.c_str(), zipFile.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        http::PrintLine(" exception = cannot rename to " + WideToString(zipFile) + ", error " + std::to_string(GetLastError())
                        + "\n");
        DeleteFileW(tdFile.c_str());
        ResetDownloaded(info);
        return -7;
    }
    return 1;
}

bool CHttpDownload::ParseResponseHeader(HttpResponse& response, std::string& received, size_t headerEnd)
{
    http::ParseHeaderFields(received.substr(0, headerEnd), response);

    if (response.httpVersion.size() < 5 || response.httpVersion.compare(0, 5, "HTTP/") != 0) {
        http::PrintLine("Invalid response\n");
        return false;
    }
    if (response.status == 200 || response.status == 206) {
        received.erase(0, headerEnd + 4);
        return true;
    }
    http::PrintLine("Response returned with status code " + std::to_string(response.status) + "\n");
    if (response.status == 416)
        DeleteFileW((folder_ + kTdFileName).c_str());
    return false;
}

int64_t CHttpDownload::ProbeSize(std::string& path, std::string& host, DownloadInfo& info)
{
    try {
        std::string request;
        if (!http::BuildRequest(host, path, 0, request)) {
            http::PrintLine(" exception = unusable server address\n");
            return 0;
        }
        std::string name, port;
        http::SplitServerAddress(host, name, port);

        HttpConnection connection;
        {
            std::lock_guard<std::mutex> lock(activeMutex_);
            if (cancelled_)
                return 0;
            probeConnection_ = &connection;
        }
        struct Unregister {
            CHttpDownload* self;
            ~Unregister()
            {
                std::lock_guard<std::mutex> lock(self->activeMutex_);
                self->probeConnection_ = nullptr;
            }
        } unregister{this};

        boost::system::error_code ec;
        connection.Connect(name, port, timings_.connectMs, ec);
        if (!ec)
            connection.WriteAll(request, timings_.readMs, ec);
        if (ec) {
            http::PrintLine(" exception = " + http::ErrorText(ec) + "\n");
            return 0;
        }
        std::string buffer;
        size_t headerEnd = 0;
        http::HeaderRead read = http::ReadHeader(connection, buffer, headerEnd, timings_.readMs, ec);
        if (read == http::HeaderRead::Closed) {
            boost::mutex::scoped_lock lock(g_downloadMutex);
            info.totalBytes = 0;
            return 0;
        }
        if (read == http::HeaderRead::TooLarge) {
            http::PrintLine(" exception = answer header too large\n");
            return 0;
        }
        if (read == http::HeaderRead::Failed) {
            http::PrintLine(" exception = " + http::ErrorText(ec) + "\n");
            return 0;
        }
        HttpResponse response;
        if (ParseResponseHeader(response, buffer, headerEnd)) {
            int64_t total = response.totalLength;
            bool valid = total > 0 && total <= http::kMaxPackageSize;
            if (total != 0 && !valid)
                http::PrintLine("Invalid package size " + std::to_string(total) + "\n");
            boost::mutex::scoped_lock lock(g_downloadMutex);
            info.totalBytes = valid ? total : 0;
            return valid ? total : 0;
        }
        if (response.status >= 300 && response.status <= 399) {
            if (http::ResolveRedirect(response.location, host, path))
                return -302;
            http::PrintLine(" exception = unusable redirect target [" + response.location + "]\n");
        }
        return 0;
    } catch (const std::exception& e) {
        http::PrintLine(std::string(" exception = ") + e.what() + "\n");
        return 0;
    }
}
