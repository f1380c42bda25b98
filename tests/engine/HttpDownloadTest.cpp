#include <windows.h>

#include <gtest/gtest.h>

#include <io.h>

#include <cstdio>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "HttpDownload.h"
#include "StringConvert.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

using namespace qixtest;

namespace {

// One Download call against a server answering with ServePackage.
struct Job {
    Job(const std::wstring& name, const std::string& package_, PackageOptions options = PackageOptions())
        : folder(name), package(package_),
          server([this, options](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
              ServePackage(package, options, r, p);
          }),
          host(server.Address()), http(folder.Path(), FastHttpTimings(5000))
    {
        info.md5 = Md5Hex(package);
    }
    int Run() { return http.Download(host, path, info); }
    std::set<int64_t> RangeStarts() const
    {
        std::set<int64_t> starts;
        for (const auto& r : server.Requests())
            starts.insert(r.rangeStart);
        return starts;
    }
    bool NoPartFiles() const
    {
        for (const wchar_t* f : {L"update.td0", L"update.td1", L"update.td2", L"update.td3", L"update.td"})
            if (FileExists(folder / f))
                return false;
        return true;
    }

    TestFolder folder;
    std::string package;
    TestHttpServer server;
    std::string host;
    std::string path = "/pkg/u.zip";
    DownloadInfo info;
    CHttpDownload http;
};

// What the program prints to standard output while the object lives.
class StdoutCapture {
public:
    explicit StdoutCapture(const std::wstring& path) : path_(path)
    {
        fflush(stdout);
        saved_ = _dup(_fileno(stdout));
        FILE* file = _wfopen(path.c_str(), L"wb");
        if (file != nullptr) {
            _dup2(_fileno(file), _fileno(stdout));
            fclose(file);
        }
    }
    ~StdoutCapture() { Restore(); }
    std::string Text()
    {
        Restore();
        return ReadFileBytes(path_);
    }

private:
    void Restore()
    {
        if (saved_ < 0)
            return;
        fflush(stdout);
        _dup2(saved_, _fileno(stdout));
        _close(saved_);
        saved_ = -1;
    }
    std::wstring path_;
    int saved_ = -1;
};

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(PartArithmetic, TenBytes)
{
    Job job(L"ten", MakePackage(10));
    EXPECT_EQ(job.Run(), 1);
    // The probe and part 0 both ask from 0.
    EXPECT_EQ(job.RangeStarts(), (std::set<int64_t>{0, 2, 4, 6}));
    EXPECT_EQ(job.server.Requests().size(), 5u);
    EXPECT_EQ(ReadFileBytes(job.folder / L"update.zip"), job.package);
    EXPECT_TRUE(job.NoPartFiles());
    EXPECT_EQ(job.info.localFile, WideToString(job.folder / L"update.td"));
    EXPECT_EQ(job.info.downloadedBytes, 10);
    EXPECT_EQ(job.info.totalBytes, 10);
}

TEST(PartArithmetic, FourMillionAndOneBytes)
{
    Job job(L"4m", MakePackage(4000001, 5));
    EXPECT_EQ(job.Run(), 1);
    EXPECT_EQ(job.RangeStarts(), (std::set<int64_t>{0, 1000000, 2000000, 3000000}));
    EXPECT_EQ(ReadFileBytes(job.folder / L"update.zip"), job.package);
    EXPECT_EQ(job.info.downloadedBytes, 4000001);
    for (const auto& r : job.server.Requests())
        EXPECT_NE(r.raw.find("Range: bytes=" + std::to_string(r.rangeStart) + "- \r\n"), std::string::npos);
}

TEST(Resume, ExistingPartFileIsContinued)
{
    Job job(L"resume", MakePackage(4000, 9));
    // Part 2 is [2000, 3000); an earlier run left its first 100 bytes.
    WriteFileBytes(job.folder / L"update.td2", job.package.substr(2000, 100));
    EXPECT_EQ(job.Run(), 1);
    EXPECT_EQ(job.RangeStarts(), (std::set<int64_t>{0, 1000, 2100, 3000}));
    EXPECT_EQ(ReadFileBytes(job.folder / L"update.zip"), job.package);
    EXPECT_EQ(job.info.downloadedBytes, 4000);
}

TEST(Resume, CompletePartAnswered416)
{
    Job job(L"resume416", MakePackage(4000, 11));
    WriteFileBytes(job.folder / L"update.td3", job.package.substr(3000));
    EXPECT_EQ(job.Run(), 1);
    EXPECT_TRUE(job.RangeStarts().count(4000));
    EXPECT_EQ(ReadFileBytes(job.folder / L"update.zip"), job.package);
    EXPECT_TRUE(job.NoPartFiles());
}

TEST(Resume, ServerIgnoringRangeWritesNothing)
{
    PackageOptions options;
    options.honourRange = false;
    Job job(L"norange", MakePackage(4000, 12), options);
    WriteFileBytes(job.folder / L"update.td1", job.package.substr(1000, 10));
    EXPECT_EQ(job.Run(), -4);
    EXPECT_FALSE(FileExists(job.folder / L"update.zip"));
    EXPECT_TRUE(job.NoPartFiles());
    EXPECT_EQ(job.info.downloadedBytes, 0);
}

TEST(Resume, RangeStartingElsewhereIsRefused)
{
    // Answers every part from byte 0 with a 206.
    std::string package = MakePackage(4000, 13);
    TestFolder folder(L"wrongstart");
    TestHttpServer server([&package](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
        TestHttpServer::Request fromZero = r;
        fromZero.rangeStart = 0;
        ServePackage(package, PackageOptions(), fromZero, p);
    });
    CHttpDownload http(folder.Path(), FastHttpTimings(5000));
    std::string host = server.Address(), path = "/u.zip";
    DownloadInfo info;
    info.md5 = Md5Hex(package);
    EXPECT_EQ(http.Download(host, path, info), -4);
    EXPECT_FALSE(FileExists(folder / L"update.zip"));
}

TEST(Verification, LengthAndDigest)
{
    PackageOptions wrongTotal;
    wrongTotal.claimedTotal = 5000;
    Job longer(L"wrongtotal", MakePackage(4000, 14), wrongTotal);
    EXPECT_EQ(longer.Run(), -4);
    EXPECT_TRUE(longer.NoPartFiles());
    EXPECT_EQ(longer.info.downloadedBytes, 0);

    Job digest(L"wrongmd5", MakePackage(4000, 15));
    digest.info.md5 = Md5Hex("something else");
    EXPECT_EQ(digest.Run(), -5);
    EXPECT_TRUE(digest.NoPartFiles());
    EXPECT_FALSE(FileExists(digest.folder / L"update.zip"));
    EXPECT_EQ(digest.info.downloadedBytes, 0);

    Job upper(L"uppermd5", MakePackage(4000, 16));
    std::transform(upper.info.md5.begin(), upper.info.md5.end(), upper.info.md5.begin(), ::toupper);
    EXPECT_EQ(upper.Run(), 1);
}

TEST(Verification, LowerCaseHeaderNames)
{
    PackageOptions options;
    options.lowerCaseNames = true;
    Job job(L"lowercase", MakePackage(5000, 17), options);
    EXPECT_EQ(job.Run(), 1);
    EXPECT_EQ(ReadFileBytes(job.folder / L"update.zip"), job.package);
}

TEST(Rename, ReplacesAnOldPackageAndReportsFailure)
{
    Job job(L"rename", MakePackage(3000, 18));
    WriteFileBytes(job.folder / L"update.zip", "old package");
    EXPECT_EQ(job.Run(), 1);
    EXPECT_EQ(ReadFileBytes(job.folder / L"update.zip"), job.package);

    Job blocked(L"renameblocked", MakePackage(3000, 19));
    CreateDirectoryW((blocked.folder / L"update.zip").c_str(), nullptr);
    EXPECT_EQ(blocked.Run(), -7);
}

TEST(Redirect, ProbeRedirectReturnsMinusSix)
{
    TestFolder folder(L"redirect");
    TestHttpServer server([](const TestHttpServer::Request&, TestHttpServer::Peer& p) {
        p.Send("HTTP/1.1 302 Found\r\nLocation: /new/u.zip\r\n\r\n");
    });
    CHttpDownload http(folder.Path(), FastHttpTimings(5000));
    std::string host = server.Address(), path = "/u.zip";
    DownloadInfo info;
    EXPECT_EQ(http.Download(host, path, info), -6);
    EXPECT_EQ(path, "/new/u.zip");
    EXPECT_EQ(host, server.Address());
}

TEST(Stalls, NoFirstDataStopsTheParts)
{
    std::string package = MakePackage(8000, 20);
    TestFolder folder(L"stallfirst");
    StallLog stalls;
    TestHttpServer server([&package, &stalls](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
        PackageOptions options;
        options.stallLog = &stalls;
        if (r.rangeStart != 0 || r.raw.find("bytes=0-") == std::string::npos)
            options.stallAfterBytes = 0;
        static std::atomic<int> zeroRequests{0};
        if (r.rangeStart == 0 && zeroRequests++ > 0)
            options.stallAfterBytes = 0; // part 0 stalls too, only the probe answers
        ServePackage(package, options, r, p);
    });
    CHttpDownload http(folder.Path(), FastHttpTimings(5000));
    std::string host = server.Address(), path = "/u.zip";
    DownloadInfo info;
    info.md5 = Md5Hex(package);
    EXPECT_EQ(http.Download(host, path, info), -4);
    EXPECT_TRUE(StallsEndedByClient(stalls)) << "the watchdog, not the server, ended the stalled parts";
}

TEST(Stalls, FirstDataAfterThreeOfTheFivePollsIsTaken)
{
    HttpTimings timings = FastHttpTimings(5000);
    timings.firstDataPollMs = 1000; // the two polls left leave 2 s for a loaded machine
    HttpTimings threePolls = timings;
    threePolls.firstDataPolls = 3;

    // A slow server: the parts' answers wait until a second download with polls as long, started
    // once every part has asked, has given up after three of them on parts that never send; this
    // download's watchdog has then polled three times too.
    std::string package = MakePackage(8000, 25);
    TestFolder folder(L"latefirst");
    std::atomic<bool> threePollsPassed{false};
    std::atomic<int> requests{0};
    TestHttpServer server([&](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
        if (requests++ > 0)
            WaitUntil([&] { return threePollsPassed.load(); });
        ServePackage(package, PackageOptions(), r, p);
    });
    CHttpDownload http(folder.Path(), timings);
    std::string host = server.Address(), path = "/u.zip";
    DownloadInfo info;
    info.md5 = Md5Hex(package);
    std::atomic<int> result{0};
    std::thread worker([&] { result = http.Download(host, path, info); });

    // The probe and the four parts.
    EXPECT_TRUE(WaitUntil([&] { return server.Requests().size() == 5; }));
    {
        std::string stalledPackage = MakePackage(8000, 29);
        TestFolder stalledFolder(L"latefirst_polls");
        std::atomic<int> stalledRequests{0};
        TestHttpServer stalling([&](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
            PackageOptions options;
            if (stalledRequests++ > 0)
                options.stallAfterBytes = 0; // only the probe answers
            ServePackage(stalledPackage, options, r, p);
        });
        CHttpDownload stalled(stalledFolder.Path(), threePolls);
        std::string stalledHost = stalling.Address(), stalledPath = "/u.zip";
        DownloadInfo stalledInfo;
        stalledInfo.md5 = Md5Hex(stalledPackage);
        EXPECT_EQ(-4, stalled.Download(stalledHost, stalledPath, stalledInfo));
    }
    threePollsPassed = true;
    worker.join();
    EXPECT_EQ(1, result);
}

TEST(Stalls, NoProgressWithinAPeriodStopsTheParts)
{
    PackageOptions options;
    options.stallAfterBytes = 300;
    options.bytesPerSecond = 2000; // data flows for a while, then stops
    StallLog stalls;
    options.stallLog = &stalls;
    Job job(L"stallmid", MakePackage(40000, 21), options);
    EXPECT_EQ(job.Run(), -4);
    EXPECT_TRUE(StallsEndedByClient(stalls)) << "the watchdog, not the server, ended the stalled parts";
    EXPECT_TRUE(job.NoPartFiles());
}

TEST(Stalls, SlowButSteadyIsNotAStall)
{
    PackageOptions options;
    options.bytesPerSecond = 4000;
    Job job(L"slow", MakePackage(8000, 22), options); // each part takes about 0.5 s
    EXPECT_EQ(job.Run(), 1);
}

TEST(Stalls, DroppedConnectionFailsTheLength)
{
    PackageOptions options;
    options.dropAfterBytes = 100;
    Job job(L"drop", MakePackage(8000, 23), options);
    EXPECT_EQ(job.Run(), -4);
}

TEST(Cancel, StopsARunningDownloadAndKeepsItsParts)
{
    PackageOptions options;
    options.bytesPerSecond = 2000;
    Job job(L"cancel", MakePackage(200000, 24), options);
    std::atomic<int> result{0};
    std::thread worker([&] { result = job.Run(); });
    // Cancelled once part 0 has data on disk (the parts start in any order); each part would
    // take 25 s at this rate.
    EXPECT_TRUE(WaitUntil([&] { return FileExists(job.folder / L"update.td0"); }));
    job.http.Cancel();
    worker.join();
    EXPECT_EQ(result, -8);
    WIN32_FILE_ATTRIBUTE_DATA part = {};
    ASSERT_TRUE(GetFileAttributesExW((job.folder / L"update.td0").c_str(), GetFileExInfoStandard, &part));
    EXPECT_LT(part.nFileSizeLow, 50000u) << "part 0 (a quarter of the package) was cut short";
    EXPECT_FALSE(FileExists(job.folder / L"update.zip"));
    EXPECT_EQ(job.http.Download(job.host, job.path, job.info), -8);
}

TEST(Progress, NeverPassesTheTotal)
{
    PackageOptions options;
    options.bytesPerSecond = 20000;
    Job job(L"progress", MakePackage(16000, 25), options);
    WriteFileBytes(job.folder / L"update.td1", job.package.substr(4000, 4000) + "surplus bytes beyond the part");
    std::atomic<bool> done{false};
    int64_t highest = 0;
    std::thread watcher([&] {
        while (!done) {
            boost::mutex::scoped_lock lock(g_downloadMutex);
            highest = std::max(highest, job.info.downloadedBytes);
            EXPECT_LE(job.info.downloadedBytes, 16000);
            lock.unlock();
            Sleep(5);
        }
    });
    EXPECT_EQ(job.Run(), 1);
    done = true;
    watcher.join();
    EXPECT_EQ(job.info.downloadedBytes, 16000);
    EXPECT_GT(highest, 0);
}

TEST(Merge, APartFileThatCannotBeWrittenEndsThatPart)
{
    Job job(L"partwrite", MakePackage(4000, 28));
    CreateDirectoryW((job.folder / L"update.td2").c_str(), nullptr);
    TestFolder output(L"partwrite_out");
    std::string printed;
    {
        StdoutCapture capture(output / L"stdout.txt");
        EXPECT_EQ(job.Run(), -3);
        printed = capture.Text();
    }
    // Reported once, at its first chunk; the other parts were written whole.
    EXPECT_EQ(Count(printed, "Exception: cannot write the part file"), 1u) << printed;
    EXPECT_EQ(job.info.downloadedBytes, 3000);
}

TEST(Merge, UncreatableMergedFileAndUnreadablePart)
{
    Job noTd(L"mergetd", MakePackage(4000, 26));
    CreateDirectoryW((noTd.folder / L"update.td").c_str(), nullptr);
    EXPECT_EQ(noTd.Run(), -2);
    for (const wchar_t* f : {L"update.td0", L"update.td1", L"update.td2", L"update.td3"})
        EXPECT_FALSE(FileExists(noTd.folder / f)) << Narrow(f);

    Job badPart(L"mergepart", MakePackage(4000, 27));
    CreateDirectoryW((badPart.folder / L"update.td1").c_str(), nullptr);
    EXPECT_EQ(badPart.Run(), -3);
    EXPECT_FALSE(FileExists(badPart.folder / L"update.td"));
    EXPECT_FALSE(FileExists(badPart.folder / L"update.td0"));
    EXPECT_FALSE(FileExists(badPart.folder / L"update.zip"));
}
