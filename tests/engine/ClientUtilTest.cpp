#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include "ConfigParser.h"
#include "QeloRecord.h"
#include "TestSupport.h"
#include "hrqUtil.h"
#include "process_op.h"

using namespace qixtest;

namespace {

std::vector<qelo::RecordEntry> PipeMessages(const std::wstring& record, const std::string& pipe)
{
    std::vector<qelo::RecordEntry> found;
    for (const auto& entry : qelo::ReadRecord(Narrow(record)))
        if (entry.kind == "pipe:" + pipe)
            found.push_back(entry);
    return found;
}

// Tests that count the running clients: a client that an earlier test program ended may still be
// on its way out.
class Clients : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WaitUntil([] { return FindProcess_ByName("qelo.exe") == 0; }));
    }
};
using FindProcess = Clients;
using KillClient = Clients;
using WritePipe = Clients;

} // namespace

TEST(ModuleDir, IsTheProgramsFolderWithItsBackslash)
{
    std::wstring dir = GetModuleDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), L'\\');
    EXPECT_TRUE(FileExists(dir + L"engine_client_test.exe"));
}

TEST_F(FindProcess, MatchesTheExecutableNameIgnoringCase)
{
    TestFolder folder(L"find");
    ChildProcess client = StartStandIn(folder.Path());
    ASSERT_TRUE(client.Running());

    EXPECT_EQ(FindProcess_ByName("QELO.EXE"), client.Pid());
    EXPECT_EQ(FindProcess_ByName("qelo.exe"), client.Pid());
    EXPECT_EQ(FindProcess_ByName("qelo"), 0u);
    EXPECT_EQ(FindProcess_ByName("qelo.exe2"), 0u);
}

TEST_F(KillClient, EndsTheRunningClient)
{
    ASSERT_EQ(GetProgName(), "qelo.exe");
    TestFolder folder(L"kill");
    ChildProcess client = StartStandIn(folder.Path());
    ASSERT_TRUE(client.Running());

    EXPECT_TRUE(hrq::KillClient());
    EXPECT_EQ(client.Wait(0), 9u);
    EXPECT_EQ(FindProcess_ByName("qelo.exe"), 0u);
}

TEST_F(KillClient, AnswersTrueWhenNoClientRuns)
{
    EXPECT_TRUE(hrq::KillClient());
}

TEST_F(KillClient, GivesUpWhileASecondClientKeepsRunning)
{
    TestFolder first(L"kill1");
    TestFolder second(L"kill2");
    ChildProcess one = StartStandIn(first.Path());
    ChildProcess two = StartStandIn(second.Path());
    ASSERT_TRUE(one.Running());
    ASSERT_TRUE(two.Running());

    EXPECT_FALSE(hrq::KillClient());
    // Exactly one of the two was ended.
    EXPECT_NE(one.Running(), two.Running());
}

namespace {

const ChildProcess* g_lateClients[2] = {};
// KillClient's polls, after it ended one client, that still found the other one running.
int g_pollsThatFoundTheSecond = 0;
// More than one: it keeps polling, rather than looking once more.
const int kPollsBeforeTheSecondEnds = 2;

// Lists the processes. Once KillClient has ended one client and polled that often while the
// other still ran, the next listing ends the other one first.
HANDLE ListAndEndTheClientsLate()
{
    const bool oneEnded = !g_lateClients[0]->Running() || !g_lateClients[1]->Running();
    if (oneEnded && g_pollsThatFoundTheSecond == kPollsBeforeTheSecondEnds) {
        SetProcessSnapshotSource(nullptr);
        for (const ChildProcess* client : g_lateClients)
            TerminateProcess(client->Handle(), 1);
        WaitUntil([] { return FindProcess_ByName("qelo.exe") == 0; });
    } else if (oneEnded) {
        ++g_pollsThatFoundTheSecond;
    }
    return CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
}

} // namespace

TEST_F(KillClient, KeepsPollingWhileASecondClientRunsAndSeesItEnd)
{
    TestFolder first(L"late1");
    TestFolder second(L"late2");
    ChildProcess one = StartStandIn(first.Path());
    ChildProcess two = StartStandIn(second.Path());
    ASSERT_TRUE(one.Running() && two.Running());

    g_lateClients[0] = &one;
    g_lateClients[1] = &two;
    g_pollsThatFoundTheSecond = 0;
    SetProcessSnapshotSource(ListAndEndTheClientsLate);
    const bool killed = hrq::KillClient();
    SetProcessSnapshotSource(nullptr);
    EXPECT_TRUE(killed);
    EXPECT_EQ(kPollsBeforeTheSecondEnds, g_pollsThatFoundTheSecond);
    EXPECT_FALSE(one.Running() || two.Running());
}

TEST_F(KillClient, AFailedProcessListingIsNoSuccess)
{
    TestFolder folder(L"nolist");
    ChildProcess client = StartStandIn(folder.Path());
    ASSERT_TRUE(client.Running());

    bool listFailed = false;
    SetProcessSnapshotSource([]() -> HANDLE { return INVALID_HANDLE_VALUE; });
    const DWORD found = FindProcess_ByName("qelo.exe", &listFailed);
    const bool killed = hrq::KillClient();
    SetProcessSnapshotSource(nullptr);

    EXPECT_EQ(found, 0u);
    EXPECT_TRUE(listFailed);
    EXPECT_FALSE(killed);
    EXPECT_TRUE(client.Running());
    EXPECT_EQ(FindProcess_ByName("qelo.exe", &listFailed), client.Pid());
    EXPECT_FALSE(listFailed);
}

TEST_F(WritePipe, DeliversExactlyTheMessageBytes)
{
    TestFolder folder(L"pipe");
    ChildProcess client = StartStandIn(folder.Path(), L"--launch-name qixtest_pipe");
    ASSERT_TRUE(WaitForPipe(L"\\\\.\\Pipe\\LU_qixtest_pipe"));

    EXPECT_TRUE(hrq::WritePipeBuf(L"LU_qixtest_pipe", L"msg1:1"));
    std::wstring record = folder / L"qelo-record.txt";
    ASSERT_TRUE(WaitUntil([&] { return !PipeMessages(record, "LU_qixtest_pipe").empty(); }));
    auto messages = PipeMessages(record, "LU_qixtest_pipe");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].bytes, "msg1:1");
    EXPECT_EQ(messages[0].pid, client.Pid());
}

TEST_F(WritePipe, AnswersFalseWithoutAServer)
{
    EXPECT_FALSE(hrq::WritePipeBuf(L"LU_qixtest_nobody_" + std::to_wstring(GetCurrentProcessId()), L"msg1:0"));
}

TEST_F(WritePipe, RefusesANameTooLongForThePipePath)
{
    // Far longer than the 259 characters a pipe path may have: refused, nothing overflows.
    EXPECT_FALSE(hrq::WritePipeBuf(L"LU_" + std::wstring(1000, L'n'), L"msg1:1"));
}

TEST_F(WritePipe, LaunchPipeIsNamedAfterTheLauncher)
{
    // ProductConfig.xml beside the tests names "qixtest_launch.exe".
    EXPECT_EQ(hrq::LaunchPipeName(), L"LU_qixtest_launch.exe");
}

TEST_F(WritePipe, LaunchNameTooLongForThePipeNameCountsAsAbsent)
{
    TestFolder folder(L"launchname");
    auto configWith = [&](size_t length) {
        WriteFileBytes(folder / L"ProductConfig.xml",
                       "<Config><LaunchName>" + std::string(length, 'l') + "</LaunchName></Config>");
        return ConfigParser(folder.Path());
    };
    EXPECT_EQ(hrq::LaunchPipeName(configWith(256)), L"LU_" + std::wstring(256, L'l'));
    EXPECT_EQ(hrq::LaunchPipeName(configWith(257)), L"");
    EXPECT_EQ(hrq::LaunchPipeName(configWith(511)), L"");
}
