// The launcher's parts in process: ending the client, language, command line, the client's
// pipe, the shortcut configuration and the desktop shortcut repair.
#include "LauncherTestSupport.h"
#include "QeloRecord.h"
#include "TestSupport.h"
#include "Velmoor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qixtest;
using namespace launchertest;

namespace {

struct Prompt {
    int calls = 0;
    std::wstring text, caption;
    int answer = IDCANCEL;
};
Prompt g_prompt;

int FakePrompt(const wchar_t* text, const wchar_t* caption) {
    ++g_prompt.calls;
    g_prompt.text = text;
    g_prompt.caption = caption;
    return g_prompt.answer;
}

bool Ended(const ChildProcess& child) { return WaitForSingleObject(child.Handle(), 0) == WAIT_OBJECT_0; }

DWORD ExitCodeOf(const ChildProcess& child) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(child.Handle(), &code);
    return code;
}

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        g_prompt = Prompt{};
        KillProcessesByName(kClientProcessName);
    }
    void TearDown() override {
        KillProcessesByName(kClientProcessName);
        SetLanguage(nullptr);
    }
    TestFolder folder_{L"launcher-single"};
};

// --- single instance and ending the client ---------------------------------------------------

TEST_F(SingleInstance, NoClientRunningGoesOnWithoutAsking) {
    EXPECT_TRUE(CheckSingleInstance(false, FakePrompt));
    EXPECT_EQ(g_prompt.calls, 0);
}

TEST_F(SingleInstance, OkEndsEveryClientBeforeAnswering) {
    TestFolder second(L"launcher-single2");
    ChildProcess first = StartStandIn(folder_.Path());
    ChildProcess other = StartStandIn(second.Path());
    ASSERT_TRUE(first.Running() && other.Running());
    g_prompt.answer = IDOK;
    EXPECT_TRUE(CheckSingleInstance(false, FakePrompt));
    EXPECT_EQ(g_prompt.calls, 1);
    EXPECT_EQ(g_prompt.text, L"检测到程序正在运行，是否重新打开!");
    EXPECT_EQ(g_prompt.caption, L"提示");
    // Both have really ended by the time the answer comes, with exit code 0.
    ASSERT_TRUE(Ended(first));
    ASSERT_TRUE(Ended(other));
    EXPECT_EQ(ExitCodeOf(first), 0u);
    EXPECT_EQ(ExitCodeOf(other), 0u);
}

TEST_F(SingleInstance, CancelLeavesTheClientRunning) {
    SetLanguage(L"en-US");
    ChildProcess client = StartStandIn(folder_.Path());
    g_prompt.answer = IDCANCEL;
    EXPECT_FALSE(CheckSingleInstance(false, FakePrompt));
    EXPECT_EQ(g_prompt.text, L"Another program is already in progress, start new one?");
    EXPECT_EQ(g_prompt.caption, L"Prompt");
    EXPECT_TRUE(client.Running());
    g_prompt.answer = 0;  // the box closed some other way
    EXPECT_FALSE(CheckSingleInstance(false, FakePrompt));
    EXPECT_TRUE(client.Running());
}

// --- language ------------------------------------------------------------------------------------

TEST(Language, OnlyTheExactEnglishValueSelectsEnglish) {
    SetLanguage(nullptr);
    EXPECT_TRUE(IsChineseLanguage());
    SetLanguage(L"en-US");
    EXPECT_FALSE(IsChineseLanguage());
    SetLanguage(L"EN-us");
    EXPECT_TRUE(IsChineseLanguage());
    SetLanguage(L"en-US ");
    EXPECT_TRUE(IsChineseLanguage());
    SetLanguage(L"zh-CN");
    EXPECT_TRUE(IsChineseLanguage());
    SetLanguage(nullptr);
}

// --- command line and the client's pipe -----------------------------------------------------------

TEST(CommandLine, ParametersAreTheUrlTailOrTheWholeLine) {
    LaunchCommand quoted = ParseLaunchCommand(L"\"quorvane://room/12?a=1\"");
    EXPECT_FALSE(quoted.forcerun);
    EXPECT_EQ(ClientParameters(quoted, false), L"room/12?a=1\"");

    LaunchCommand forced = ParseLaunchCommand(L"forcerun:quorvane://room/3");
    EXPECT_TRUE(forced.forcerun);
    EXPECT_EQ(ClientParameters(forced, false), L"room/3");

    LaunchCommand before = ParseLaunchCommand(L"open this quorvane://a b");
    EXPECT_EQ(ClientParameters(before, false), L"a b");

    LaunchCommand middle = ParseLaunchCommand(L"x forcerun:y");
    EXPECT_FALSE(middle.forcerun);
    EXPECT_EQ(ClientParameters(middle, false), L"x forcerun:y");

    LaunchCommand caseDiffers = ParseLaunchCommand(L"ForceRun:QUORVANE://r");
    EXPECT_FALSE(caseDiffers.forcerun);
    EXPECT_EQ(caseDiffers.urlPos, std::wstring::npos);
    EXPECT_EQ(ClientParameters(caseDiffers, false), L"ForceRun:QUORVANE://r");
}

TEST(CommandLine, QuotesAndControlCharactersInsideTheTailAreEncoded) {
    // An elevated client must not get extra arguments from a crafted URL.
    LaunchCommand quoted = ParseLaunchCommand(L"\"quorvane://room\" --evil \"x\"");
    EXPECT_EQ(ClientParameters(quoted, false), L"room%22 --evil %22x\"");

    LaunchCommand bare = ParseLaunchCommand(L"quorvane://a\"b\"");
    EXPECT_EQ(ClientParameters(bare, false), L"a%22b%22");

    LaunchCommand control = ParseLaunchCommand(L"quorvane://a\tb\nc\x7f");
    EXPECT_EQ(ClientParameters(control, false), L"a%09b%0Ac%7F");

    // Without a URL the line goes on as it stands.
    EXPECT_EQ(ClientParameters(ParseLaunchCommand(L"say \"hi\""), false), L"say \"hi\"");
}

TEST(CommandLine, CtrlAltAddsIsAdmin) {
    EXPECT_EQ(ClientParameters(ParseLaunchCommand(L"quorvane://r/1"), true), L"r/1 IsAdmin");
    EXPECT_EQ(ClientParameters(ParseLaunchCommand(L""), true), L" IsAdmin");
}

// A pipe server of the test's own that reads one message.
class PipeReader {
public:
    explicit PipeReader(const std::wstring& name) : name_(name) {
        pipe_ = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0,
                                 65536, 0, nullptr);
    }
    ~PipeReader() {
        if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
    }
    std::string ReadAll() {
        std::string bytes;
        // A writer that already wrote and closed leaves its bytes readable (ERROR_NO_DATA).
        if (!ConnectNamedPipe(pipe_, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED &&
            GetLastError() != ERROR_NO_DATA)
            return bytes;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(pipe_, buffer, sizeof(buffer), &read, nullptr) && read > 0)
            bytes.append(buffer, read);
        return bytes;
    }

private:
    std::wstring name_;
    HANDLE pipe_;
};

DWORD WINAPI ReadPipe(void* p)
{
    auto* args = static_cast<std::pair<PipeReader*, std::string*>*>(p);
    *args->second = args->first->ReadAll();
    delete args;
    return 0;
}

TEST(ClientPipe, MessageIsTheAnsiTailWithOneNul) {
    const std::wstring name = L"\\\\.\\Pipe\\qixtest_launcher_" + std::to_wstring(GetCurrentProcessId());
    PipeReader reader(name);
    std::string received;
    HANDLE thread = CreateThread(nullptr, 0, ReadPipe, new std::pair<PipeReader*, std::string*>(&reader, &received),
                                 0, nullptr);
    EXPECT_EQ(SendUrlToClient(L"room/5?n=caf\u00e9", name.c_str()), 0);
    WaitForSingleObject(thread, kWaitLimitMs);
    CloseHandle(thread);
    EXPECT_EQ(received, std::string("room/5?n=caf\xe9") + std::string(1, '\0'));
}

TEST(ClientPipe, NoListenerOrAnOversizedTailAnswersOne) {
    EXPECT_EQ(SendUrlToClient(L"room/1", L"\\\\.\\Pipe\\qixtest_nobody_listens"), 1);
    const std::wstring name = L"\\\\.\\Pipe\\qixtest_big_" + std::to_wstring(GetCurrentProcessId());
    PipeReader reader(name);
    EXPECT_EQ(SendUrlToClient(std::wstring(kPipeMessageBytes, L'x'), name.c_str()), 1);
}

// --- shortcut configuration --------------------------------------------------------------------

TEST(ShortcutConfig, ReadsTheFourNamesCaseInsensitively) {
    TestFolder folder(L"launcher-config");
    const std::wstring path = folder / L"ProductConfig.xml";
    WriteFileBytes(path,
                   "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Config>\n"
                   "  <Shortcut_CN>\xe6\x97\xa7\xe5\x90\x8d</Shortcut_CN>\n"
                   "  <shortcut_en></shortcut_en>\n"
                   "  <SHORTCUT_NEW_CN>first</SHORTCUT_NEW_CN>\n"
                   "  <shortcut_new_cn>New CN</shortcut_new_cn>\n"
                   "  <shortcut_new_en><!-- not text -->x</shortcut_new_en>\n"
                   "  <group><shortcut_en>nested</shortcut_en></group>\n"
                   "</Config>\n");
    ShortcutNames names;
    ASSERT_TRUE(ReadShortcutConfig(&names, path.c_str()));
    EXPECT_EQ(names.cn, L"\u65e7\u540d");
    EXPECT_EQ(names.en, L"");
    EXPECT_EQ(names.newCn, L"New CN");
    EXPECT_EQ(names.newEn, L"");
}

TEST(ShortcutConfig, ReadsAFileInAFolderOutsideTheAnsiCodePage) {
    TestFolder folder(L"launcher-config");
    const std::wstring inner = folder / L"\u65e5\u672c\u0416\\";
    CreateDirectoryW(inner.c_str(), nullptr);
    WriteFileBytes(inner + L"ProductConfig.xml", "<Config><shortcut_cn>old</shortcut_cn></Config>");
    ShortcutNames names;
    ASSERT_TRUE(ReadShortcutConfig(&names, (inner + L"ProductConfig.xml").c_str()));
    EXPECT_EQ(names.cn, L"old");
}

TEST(ShortcutConfig, MissingOrBrokenFileAnswersFalse) {
    TestFolder folder(L"launcher-config");
    ShortcutNames names;
    EXPECT_FALSE(ReadShortcutConfig(&names, (folder / L"ProductConfig.xml").c_str()));
    EXPECT_FALSE(ReadShortcutConfig(&names, nullptr));
    WriteFileBytes(folder / L"ProductConfig.xml", "<Config><shortcut_cn>a</Config>");
    EXPECT_FALSE(ReadShortcutConfig(&names, (folder / L"ProductConfig.xml").c_str()));
    WriteFileBytes(folder / L"ProductConfig.xml", "<Config/>");
    EXPECT_TRUE(ReadShortcutConfig(&names, (folder / L"ProductConfig.xml").c_str()));
    EXPECT_TRUE(names.cn.empty());
}

// --- desktop shortcut repair ---------------------------------------------------------------------

class Shortcut : public ::testing::Test {
protected:
    void SetUp() override {
        desktop_ = CommonDesktop();
        ASSERT_FALSE(desktop_.empty());
        launcher_ = install_ / L"qeloLaunch.exe";
        icon_ = install_ / L"qelo.ico";
        WriteFileBytes(launcher_, "MZ");
        WriteFileBytes(icon_, "icon");
        oldName_ = UniqueName(L"old");
        newName_ = UniqueName(L"new");
    }
    void TearDown() override {
        DeleteFileW(Link(oldName_).c_str());
        DeleteFileW(Link(newName_).c_str());
    }
    std::wstring Link(const std::wstring& name) const { return desktop_ + L"\\" + name + L".lnk"; }
    int Repair(const std::wstring& oldName, const std::wstring& newName, const std::wstring& icon) {
        return RepairDesktopShortcut(oldName.c_str(), newName.c_str(), launcher_.c_str(), L"qelo",
                                     icon.c_str(), install_.Path().c_str());
    }

    TestFolder install_{L"launcher install"};
    TestFolder elsewhere_{L"launcher old place"};
    std::wstring desktop_, launcher_, icon_, oldName_, newName_;
};

TEST_F(Shortcut, OldLinkToTheLauncherIsRenamedAndRepointed) {
    const std::wstring oldTarget = elsewhere_ / L"QeloLaunch.exe";
    WriteFileBytes(oldTarget, "MZ");
    ASSERT_TRUE(CreateLink(Link(oldName_), oldTarget));
    EXPECT_EQ(Repair(oldName_, newName_, icon_), 1);
    EXPECT_FALSE(FileExists(Link(oldName_)));
    const LinkInfo link = ReadLink(Link(newName_));
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(_wcsicmp(link.target.c_str(), launcher_.c_str()), 0) << Narrow(link.target);
    EXPECT_EQ(link.description, L"qelo");
    EXPECT_EQ(link.icon, icon_);
    EXPECT_EQ(link.workingFolder, install_.Path());
}

TEST_F(Shortcut, OldLinkToAShortPathOfTheLauncherIsRecognised) {
    TestFolder longFolder(L"launcher a long folder name");
    const std::wstring oldTarget = longFolder / L"qeloLaunch.exe";
    WriteFileBytes(oldTarget, "MZ");
    wchar_t shortPath[MAX_PATH] = {};
    GetShortPathNameW(oldTarget.c_str(), shortPath, MAX_PATH);
    if (oldTarget == shortPath) GTEST_SKIP() << "no short names on this file system";
    ASSERT_TRUE(CreateLink(Link(oldName_), shortPath));
    EXPECT_EQ(Repair(oldName_, newName_, icon_), 1);
    EXPECT_FALSE(FileExists(Link(oldName_)));
    EXPECT_TRUE(FileExists(Link(newName_)));
}

TEST_F(Shortcut, OldLinkToAnotherProgramIsCopiedButKept) {
    const std::wstring other = elsewhere_ / L"other.exe";
    WriteFileBytes(other, "MZ");
    ASSERT_TRUE(CreateLink(Link(oldName_), other));
    EXPECT_EQ(Repair(oldName_, newName_, icon_), 1);
    EXPECT_TRUE(FileExists(Link(oldName_)));
    EXPECT_EQ(_wcsicmp(ReadLink(Link(newName_)).target.c_str(), launcher_.c_str()), 0);
}

TEST_F(Shortcut, NamesDifferingInCaseOnlyKeepTheLink) {
    ASSERT_TRUE(CreateLink(Link(oldName_), elsewhere_ / L"qeloLaunch.exe"));
    std::wstring upper = oldName_;
    for (wchar_t& c : upper) c = towupper(c);
    EXPECT_EQ(Repair(oldName_, upper, icon_), 1);
    EXPECT_TRUE(FileExists(Link(oldName_)));
    EXPECT_EQ(_wcsicmp(ReadLink(Link(oldName_)).target.c_str(), launcher_.c_str()), 0);
}

TEST_F(Shortcut, MissingIconKeepsThePreviousOne) {
    const std::wstring previousIcon = elsewhere_ / L"previous.ico";
    WriteFileBytes(previousIcon, "icon");
    ASSERT_TRUE(CreateLink(Link(oldName_), elsewhere_ / L"other.exe", previousIcon, 3));
    EXPECT_EQ(Repair(oldName_, L"", install_ / L"missing.ico"), 1);
    const LinkInfo link = ReadLink(Link(oldName_));
    EXPECT_EQ(link.icon, previousIcon);
    EXPECT_EQ(link.iconIndex, 3);
}

TEST_F(Shortcut, ALinkThatCannotBeSavedIsNoRepair) {
    ASSERT_TRUE(CreateLink(Link(oldName_), elsewhere_ / L"qeloLaunch.exe"));
    // A folder where the new link should go: saving it fails.
    ASSERT_TRUE(CreateDirectoryW(Link(newName_).c_str(), nullptr));
    EXPECT_EQ(Repair(oldName_, newName_, icon_), 0);
    EXPECT_TRUE(FileExists(Link(oldName_)));
    RemoveDirectoryW(Link(newName_).c_str());
}

TEST_F(Shortcut, NothingToRepairGivesItsResult) {
    EXPECT_EQ(Repair(L"", newName_, icon_), -1);
    EXPECT_EQ(Repair(oldName_, newName_, icon_), -3);
    EXPECT_EQ(Repair(oldName_, L"", icon_), -3);
    EXPECT_FALSE(FileExists(Link(newName_)));
}

}  // namespace
