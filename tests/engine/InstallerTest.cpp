#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <thread>

#include "Log.h"
#include "QeloRecord.h"
#include "TestSupport.h"
#include "hrqUtil.h"
#include "process_op.h"
#include "zipDownloader.h"

using namespace qixtest;

namespace {

// The lines logged while it is installed (the installation logs on the test's thread).
class LogCapture : public el::LogDispatchCallback {
public:
    std::vector<std::string> lines;

protected:
    void handle(const el::LogDispatchData* data) override { lines.push_back(data->logMessage()->message()); }
};

bool Logged(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

HANDLE NoProcessList()
{
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

// Short waits: the sequence is the program's, only the pauses are shortened.
InstallTimings FastTimings()
{
    InstallTimings timings;
    timings.killPollMs = 100;
    timings.killGiveUpMs = 1000;
    timings.extractDelayMs = 50;
    timings.retryMs = 100;
    timings.giveUpMs = 1500;
    timings.launchDelayMs = 10;
    return timings;
}

// A client folder with a running stand-in client, and a listener on the client's pipe
// ("LU_" + LaunchName of the ProductConfig.xml beside the tests) under another program name.
class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::wstring clientExe = folder / L"client\\qelo.exe";
        CreateDirectoryW((folder / L"client").c_str(), nullptr);
        CopyFileW(QeloExe().c_str(), clientExe.c_str(), FALSE);
        ASSERT_TRUE(client.Start(clientExe, L"\"" + clientExe + L"\"", folder / L"client"));
        // The installer may end the client before it got to record its start: the restart
        // would then be the only start recorded. Go on once the first start is on record.
        ASSERT_TRUE(WaitUntil([this] { return !ClientStarts().empty(); }));

        std::wstring listenerExe = folder / L"listener.exe";
        CopyFileW(QeloExe().c_str(), listenerExe.c_str(), FALSE);
        ASSERT_TRUE(listener.Start(listenerExe, L"listener.exe --launch-name qixtest_launch.exe --record \"" +
                                                    (folder / L"listener.txt") + L"\""));
        ASSERT_TRUE(WaitForPipe(L"\\\\.\\Pipe\\LU_qixtest_launch.exe"));

        config.zipPath = FromBuildPath(QIX_INSTALL_PACKAGE);
        config.extractPath = folder / L"out\\deep\\";
        config.clientExePath = clientExe;
        config.runClient = true;
        config.pageCallParam = "page=1";
        config.forcedUpdate = 1;
    }

    void TearDown() override
    {
        hrq::KillClient();
    }

    void Install(ZipDownloader& job)
    {
        job.windows.showFailure = [this](const std::wstring& text) { failures.push_back(text); };
        job.windows.showCompletion = [this] { ++completions; };
        job.DoInstall();
    }

    std::vector<std::string> ClientStarts() const
    {
        std::vector<std::string> lines;
        for (const auto& entry : qelo::ReadRecord(Narrow(folder / L"client\\qelo-record.txt")))
            if (entry.kind == "cmdline")
                lines.push_back(entry.bytes);
        return lines;
    }

    std::vector<std::string> PipeMessages() const
    {
        std::vector<std::string> messages;
        for (const auto& entry : qelo::ReadRecord(Narrow(folder / L"listener.txt")))
            if (entry.kind == "pipe:LU_qixtest_launch.exe")
                messages.push_back(entry.bytes);
        return messages;
    }

    bool ClientRestarted() const
    {
        return WaitUntil([this] { return ClientStarts().size() == 2; });
    }

    // What the installation sent on the launcher pipe. The test's own message, written once the
    // installation has returned, is taken in after any of its messages: once the listener has
    // recorded it, the installation's are on record too.
    std::vector<std::string> MessagesBeforeOurs() const
    {
        const std::string ours = "sent by the test";
        std::vector<std::string> messages;
        hrq::WritePipeBuf(L"LU_qixtest_launch.exe", std::wstring(ours.begin(), ours.end()));
        if (!WaitUntil([&] {
                messages = PipeMessages();
                return std::find(messages.begin(), messages.end(), ours) != messages.end();
            }))
            return {"<the test's own message never came>"};
        messages.erase(std::find(messages.begin(), messages.end(), ours));
        return messages;
    }

    TestFolder folder{L"install"};
    ChildProcess client;
    ChildProcess listener;
    ZipDwCfg config;
    std::vector<std::wstring> failures;
    int completions = 0;
};

} // namespace

TEST_F(Installer, ForcedUpdateExtractsReportsAndRestartsTheClient)
{
    ZipDownloader job(config, FastTimings(), folder.Path());
    Install(job);

    EXPECT_EQ(client.Wait(0), 9u);  // ended before the extraction
    EXPECT_EQ(ReadFileBytes(folder / L"out\\deep\\readme.txt"), "installed by the test\n");
    EXPECT_EQ(ReadFileBytes(folder / L"out\\deep\\bin\\a.txt").size(), 5000u);
    ASSERT_TRUE(WaitUntil([this] { return !PipeMessages().empty(); }));
    EXPECT_EQ(std::vector<std::string>{"msg1:1"}, MessagesBeforeOurs());
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(completions, 1);

    ASSERT_TRUE(ClientRestarted());
    std::string restart = ClientStarts()[1];
    EXPECT_NE(restart.find("qelo.exe"), std::string::npos);
    EXPECT_EQ(restart.substr(restart.size() - 6), "page=1");
}

TEST_F(Installer, OptionalUpdateOnlyRestartsTheClient)
{
    config.forcedUpdate = 0;
    ZipDownloader job(config, FastTimings(), folder.Path());
    Install(job);

    EXPECT_EQ(client.Wait(0), 9u);
    EXPECT_FALSE(FileExists(folder / L"out"));
    EXPECT_EQ(completions, 1);
    ASSERT_TRUE(ClientRestarted());
    EXPECT_EQ(std::vector<std::string>{}, MessagesBeforeOurs());
}

TEST_F(Installer, ParametersFromTheUpdatersPipeReplaceTheCommandLines)
{
    ZipDownloader job(config, FastTimings(), folder.Path());
    job.SetPageCallParam("a=1&b=2");
    Install(job);

    ASSERT_TRUE(ClientRestarted());
    std::string restart = ClientStarts()[1];
    EXPECT_EQ(restart.substr(restart.size() - 7), "a=1&b=2");
    EXPECT_EQ(restart.find("page=1"), std::string::npos);
}

TEST_F(Installer, AFolderThatCannotBeCreatedEndsInThePromptAndStillStartsTheClient)
{
    WriteFileBytes(folder / L"blocker", "a file where a folder should be");
    config.extractPath = folder / L"blocker\\out\\";
    ZipDownloader job(config, FastTimings(), folder.Path());
    Install(job);

    ASSERT_EQ(failures.size(), 1u);
    // No language value in the test prefix: the Chinese text.
    EXPECT_EQ(failures[0], L"\u5347\u7EA7\u51FA\u95EE\u9898\u4E86,\u8BF7\u4E0B\u8F7D\u5B8C\u6574\u5B89\u88C5\u5305");
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(ClientRestarted());
    EXPECT_EQ(std::vector<std::string>{}, MessagesBeforeOurs());
}

TEST_F(Installer, AFailedExtractionIsTriedAgain)
{
    // Each attempt makes the folder before it looks for the package, which is not there yet:
    // the folder, taken away after the first attempt, comes back only with another attempt.
    // Then the package is put in place for the attempts after it.
    const std::wstring package = folder / L"package.zip";
    ASSERT_TRUE(WriteFileBytes(folder / L"package.part", ReadFileBytes(FromBuildPath(QIX_INSTALL_PACKAGE))));
    config.zipPath = package;
    InstallTimings timings = FastTimings();
    timings.giveUpMs = kWaitLimitMs;
    bool triedAgain = false;
    std::thread supplier([&] {
        if (!WaitUntil([&] { return FileExists(config.extractPath); }))
            return;
        RemoveDirectoryW(config.extractPath.c_str());
        triedAgain = WaitUntil([&] { return FileExists(config.extractPath); });
        MoveFileW((folder / L"package.part").c_str(), package.c_str());
    });
    ZipDownloader job(config, timings, folder.Path());
    Install(job);
    supplier.join();

    ASSERT_TRUE(triedAgain);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ("installed by the test\n", ReadFileBytes(folder / L"out\\deep\\readme.txt"));
    ASSERT_TRUE(WaitUntil([this] { return !PipeMessages().empty(); }));
    EXPECT_EQ(std::vector<std::string>{"msg1:1"}, MessagesBeforeOurs());
    EXPECT_TRUE(ClientRestarted());
}

TEST_F(Installer, AClientThatCannotBeSeenToEndFailsTheInstallationWithoutExtracting)
{
    // Whether the client still runs cannot be told: it is never taken for ended.
    SetProcessSnapshotSource(NoProcessList);
    ZipDownloader job(config, FastTimings(), folder.Path());
    Install(job);
    SetProcessSnapshotSource(nullptr);

    EXPECT_TRUE(client.Running());
    EXPECT_FALSE(FileExists(folder / L"out"));
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(ClientRestarted());
    EXPECT_EQ(std::vector<std::string>{}, MessagesBeforeOurs());
}

TEST_F(Installer, AClientThatFailsToStartIsLogged)
{
    el::Helpers::installLogDispatchCallback<LogCapture>("installer_test");
    config.forcedUpdate = 0;
    config.clientExePath = folder / L"missing\\qelo.exe";
    ZipDownloader job(config, FastTimings(), folder.Path());
    Install(job);
    std::vector<std::string> lines = el::Helpers::logDispatchCallback<LogCapture>("installer_test")->lines;
    el::Helpers::uninstallLogDispatchCallback<LogCapture>("installer_test");

    EXPECT_TRUE(Logged(lines, "run client failed, error[")) << lines.size();
    EXPECT_TRUE(Logged(lines, "clientExePath: "));
}

TEST(CreateDirectories, CreatesMissingParentsAndAcceptsExistingFolders)
{
    TestFolder folder(L"mkdirs");
    EXPECT_TRUE(TryCreateDirectories(folder / L"a\\b\\c"));
    EXPECT_TRUE(FileExists(folder / L"a\\b\\c"));
    EXPECT_TRUE(TryCreateDirectories(folder / L"a\\b"));
    WriteFileBytes(folder / L"file", "x");
    EXPECT_FALSE(TryCreateDirectories(folder / L"file\\sub"));
    EXPECT_FALSE(TryCreateDirectories(folder / L"file"));
}
