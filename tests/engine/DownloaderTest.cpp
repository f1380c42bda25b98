#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/bind/bind.hpp>

#include "Downloader.h"
#include "QeloRecord.h"
#include "StringConvert.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

using qixtest::FileExists;
using qixtest::ReadFileBytes;
using qixtest::TestFolder;
using qixtest::WriteFileBytes;

namespace {

class TestJob : public Downloader {
public:
    using Downloader::Downloader;
    void DoInstall() override {}
    // Cancel sets this first, before it waits for a running callback.
    bool CancelAsked() const { return httpDownload->Cancelled(); }
};

// What the callbacks saw, as a window would bind them.
struct Observer {
    void OnRetry(int n)
    {
        std::lock_guard<std::mutex> lock(mutex);
        retries.push_back(n);
    }
    void OnFail() { ++failures; }
    std::vector<int> Retries()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return retries;
    }

    std::mutex mutex;
    std::vector<int> retries;
    std::atomic<int> failures{0};
};

// A server whose first `failing` connections get `failure`, and the package after that.
struct FlakyServer {
    FlakyServer(const std::string& package_, int failing_, const std::string& failure_)
        : package(package_), failing(failing_), failure(failure_),
          server([this](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
              if (connections++ < failing)
                  p.Send(failure);
              else
                  ServePackage(package, PackageOptions(), r, p);
          })
    {
    }
    std::string package;
    int failing;
    std::string failure;
    std::atomic<int> connections{0};
    TestHttpServer server;
};

// Starts the stand-in client serving "LU_<launchName>", with its standard handles on NUL: a
// desktop process that Wine starts for its window inherits them, and must never hold the test
// runner's output pipe open after the test has ended.
struct StandInClient {
    StandInClient(const std::wstring& folder, const std::wstring& launchName)
    {
        std::wstring exe = folder + L"qelo.exe";
        CopyFileW(qixtest::QeloExe().c_str(), exe.c_str(), FALSE);
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
        std::wstring line = L"\"" + exe + L"\" --launch-name " + launchName + L" --record \"" + folder
                            + L"qelo-record.txt\"";
        started = CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                                 &process) != FALSE;
    }
    static BOOL CALLBACK CloseWindowOf(HWND window, LPARAM pid)
    {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == static_cast<DWORD>(pid))
            PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
    }

    ~StandInClient()
    {
        if (started) {
            // Closed through its window rather than killed, so the desktop sees its last client go.
            EnumWindows(CloseWindowOf, static_cast<LPARAM>(process.dwProcessId));
            if (WaitForSingleObject(process.hProcess, qixtest::kWaitLimitMs) != WAIT_OBJECT_0)
                TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, qixtest::kWaitLimitMs);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(nul);
    }
    HANDLE nul = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION process = {};
    bool started = false;
};

const char kNotFound[] = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";

std::unique_ptr<TestJob> MakeJob(const TestFolder& folder, const std::string& md5, const std::string& host,
                                 Observer& observer, const std::string& path = "/u.zip")
{
    std::unique_ptr<TestJob> job(new TestJob(md5, host, path, folder.Path(), FastHttpTimings(3000)));
    job->onRetry = boost::bind(&Observer::OnRetry, &observer, boost::placeholders::_1);
    job->onFail = boost::bind(&Observer::OnFail, &observer);
    return job;
}

} // namespace

TEST(Retries, ThreeFailuresThenSuccess)
{
    std::string package = MakePackage(5000, 31);
    FlakyServer flaky(package, 3, kNotFound);
    TestFolder folder(L"retries");
    WriteFileBytes(folder / L"update.zip", "stale");
    Observer observer;
    auto job = MakeJob(folder, Md5Hex(package), flaky.server.Address(), observer);
    job->Start();
    ASSERT_EQ(WaitForSingleObject(job->DoneEvent(), qixtest::kWaitLimitMs), WAIT_OBJECT_0);
    EXPECT_TRUE(job->finished);
    EXPECT_EQ(observer.Retries(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(observer.failures, 0);
    EXPECT_EQ(ReadFileBytes(folder / L"update.zip"), package);
    DownloadInfo info = job->GetDownloadInfo();
    EXPECT_EQ(info.totalBytes, 5000);
    EXPECT_EQ(info.downloadedBytes, 5000);
    EXPECT_EQ(info.localFile, WideToString(folder / L"update.td"));
}

TEST(Retries, RedirectIsNotCounted)
{
    std::string package = MakePackage(5000, 32);
    FlakyServer flaky(package, 1, "HTTP/1.1 302 Found\r\nLocation: /moved/u.zip\r\n\r\n");
    TestFolder folder(L"redirect");
    Observer observer;
    auto job = MakeJob(folder, Md5Hex(package), flaky.server.Address(), observer);
    job->Start();
    ASSERT_EQ(WaitForSingleObject(job->DoneEvent(), qixtest::kWaitLimitMs), WAIT_OBJECT_0);
    EXPECT_TRUE(job->finished);
    EXPECT_TRUE(observer.Retries().empty());
    auto requests = flaky.server.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/u.zip");
    EXPECT_EQ(requests[1].target, "/moved/u.zip");
}

TEST(Retries, EndlessRedirectsCountAsAFailedAttempt)
{
    FlakyServer flaky("", 1000000, "HTTP/1.1 302 Found\r\nLocation: /again\r\n\r\n");
    TestFolder folder(L"redirectloop");
    Observer observer;
    auto job = MakeJob(folder, "x", flaky.server.Address(), observer);
    std::atomic<int> connectionsAtFirstRetry{-1};
    job->onRetry = [&](int n) {
        if (n == 0)
            connectionsAtFirstRetry = flaky.connections.load();
        observer.OnRetry(n);
    };
    job->Start();
    ASSERT_TRUE(qixtest::WaitUntil([&] { return !observer.Retries().empty(); }));
    job.reset();
    // The first attempt and ten redirects in a row, then the failure.
    EXPECT_EQ(observer.Retries().front(), 0);
    EXPECT_EQ(connectionsAtFirstRetry, 11);
    EXPECT_EQ(observer.failures, 0);
}

TEST(FinalFailure, TenFailuresTellTheClientAndTheWindowOnce)
{
    TestFolder clientFolder(L"dl_final");
    StandInClient client(clientFolder.Path(), L"qixtest_launch.exe");
    ASSERT_TRUE(client.started);
    ASSERT_TRUE(qixtest::WaitForPipe(L"\\\\.\\Pipe\\LU_qixtest_launch.exe"));

    FlakyServer flaky("", 1000000, kNotFound);
    TestFolder folder(L"final");
    Observer observer;
    auto job = MakeJob(folder, "x", flaky.server.Address(), observer);
    job->Start();
    ASSERT_EQ(WaitForSingleObject(job->DoneEvent(), qixtest::kWaitLimitMs), WAIT_OBJECT_0);
    EXPECT_FALSE(job->finished);
    EXPECT_EQ(observer.Retries(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(observer.failures, 1);
    EXPECT_EQ(flaky.connections, 10);

    std::string record = qixtest::Narrow(clientFolder / L"qelo-record.txt");
    std::vector<std::string> messages;
    ASSERT_TRUE(qixtest::WaitUntil([&] {
        messages.clear();
        for (const auto& entry : qelo::ReadRecord(record))
            if (entry.kind == "pipe:LU_qixtest_launch.exe")
                messages.push_back(entry.bytes);
        return !messages.empty();
    }));
    EXPECT_EQ(messages, (std::vector<std::string>{"msg1:0"}));
}

TEST(Lifetime, DestroyingARunningJobStopsItAtOnce)
{
    std::string package = MakePackage(400000, 33);
    PackageOptions slow;
    slow.bytesPerSecond = 4000;
    TestHttpServer server([&](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
        ServePackage(package, slow, r, p);
    });
    TestFolder folder(L"destroy");
    WriteFileBytes(folder / L"update.zip", "stale");
    Observer observer;
    auto job = MakeJob(folder, Md5Hex(package), server.Address(), observer);
    job->Start();
    ASSERT_TRUE(qixtest::WaitUntil([&] { return job->GetDownloadInfo().downloadedBytes > 0; }));
    EXPECT_FALSE(FileExists(folder / L"update.zip"));

    job.reset();
    // Its connections were dropped (a part takes 25 s at this rate); the server's handlers
    // return once they see that, and nothing of the job runs on to report.
    EXPECT_TRUE(qixtest::WaitUntil([&] { return server.OpenConnections() == 0; }));
    EXPECT_TRUE(observer.Retries().empty());
    EXPECT_EQ(observer.failures, 0);
    // What arrived stays in the part files for the next run to resume.
    ULONGLONG kept = 0;
    for (const wchar_t* name : {L"update.td0", L"update.td1", L"update.td2", L"update.td3"}) {
        WIN32_FILE_ATTRIBUTE_DATA part = {};
        if (GetFileAttributesExW((folder / name).c_str(), GetFileExInfoStandard, &part))
            kept += part.nFileSizeLow;
    }
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, package.size()) << "the job stopped before the package was in";
}

TEST(Lifetime, CancelWaitsForARunningCallbackAndStopsLaterOnes)
{
    FlakyServer flaky("", 1000000, kNotFound);
    TestFolder folder(L"cancelcb");
    std::atomic<bool> inCallback{false};
    std::atomic<int> calls{0};
    std::atomic<bool> release{false};
    std::unique_ptr<TestJob> job(new TestJob("x", flaky.server.Address(), "/u.zip", folder.Path(), FastHttpTimings(3000)));
    // The first callback stays until the test lets it go, as the window's retry pause would.
    job->onRetry = [&](int) {
        inCallback = true;
        ++calls;
        qixtest::WaitUntil([&] { return release.load(); });
        inCallback = false;
    };
    job->Start();
    ASSERT_TRUE(qixtest::WaitUntil([&] { return inCallback.load(); }));
    // A Cancel that did not wait would return at once, the callback still held; it is let go
    // only once the cancel has been asked for.
    std::atomic<bool> runningWhenCancelReturned{true};
    std::thread canceller([&] {
        job->Cancel();
        runningWhenCancelReturned = inCallback.load();
    });
    EXPECT_TRUE(qixtest::WaitUntil([&] { return job->CancelAsked(); }));
    release = true;
    canceller.join();
    EXPECT_FALSE(runningWhenCancelReturned);
    int seen = calls;
    job.reset();
    EXPECT_EQ(calls, seen);
    EXPECT_EQ(seen, 1);
}
