// The shipped launcher started with exact command lines from a test install on C:, next to
// the stand-in client; its message box is answered like a user would, through the window.
#include "LauncherTestSupport.h"
#include "QeloRecord.h"
#include "TestSupport.h"
#include "Velmoor.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cwchar>
#include <string>
#include <vector>

using namespace qixtest;
using namespace launchertest;

namespace {

const wchar_t kClientPipe[] = L"\\\\.\\Pipe\\RUZEDE_qelo";
const char kClientPipeKind[] = "pipe:RUZEDE_qelo";
const char kMarker[] = "test marker";

// Running programs started from `folder` (other test programs run stand-ins of their own).
size_t CountProcessesIn(const std::wstring& folder) {
    size_t count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (process == nullptr) continue;
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, image, &size) && _wcsnicmp(image, folder.c_str(), folder.size()) == 0)
            ++count;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return count;
}

std::wstring Package(const char* name) {
    return FromBuildPath(QIX_LAUNCHER_PACKAGES) + L"\\" + std::wstring(name, name + strlen(name));
}

struct BoxSearch {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (pid == search->pid && std::wstring(cls) == L"#32770" && IsWindowVisible(window)) {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

// The parameters of a recorded command line: what follows the program's own (quoted) path.
std::string ParametersOf(const std::string& commandLine) {
    size_t end;
    if (!commandLine.empty() && commandLine[0] == '"') {
        end = commandLine.find('"', 1);
        end = end == std::string::npos ? commandLine.size() : end + 1;
    } else {
        end = commandLine.find(' ');
        if (end == std::string::npos) end = commandLine.size();
    }
    if (end < commandLine.size() && commandLine[end] == ' ') ++end;
    return commandLine.substr(end);
}

struct Outcome {
    DWORD exitCode = STILL_ACTIVE;
    std::wstring boxCaption;  // empty when no box was shown
};

class LauncherRun : public ::testing::Test {
protected:
    void SetUp() override {
        KillProcessesByName(kClientProcessName);
        SetLanguage(nullptr);
        launcher_ = install_ / L"qeloLaunch.exe";
        ASSERT_TRUE(CopyFileW(FromBuildPath(QIX_LAUNCHER_EXE).c_str(), launcher_.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(QeloExe().c_str(), (install_ / L"qelo.exe").c_str(), FALSE));
        clientFolder_ = install_.Path();
    }
    void TearDown() override {
        KillProcessesByName(kClientProcessName);
        KillProcessesByName(L"QELO.exe");
        SetLanguage(nullptr);
    }

    // Starts the launcher from another current folder; `answer` (IDOK or IDCANCEL) is given
    // to its message box, and 0 means that no box is expected.
    Outcome Run(const std::wstring& arguments, int answer = 0) {
        Outcome outcome;
        ChildProcess launcher;
        std::wstring line = L"\"" + launcher_ + L"\"";
        if (!arguments.empty()) line += L" " + arguments;
        EXPECT_TRUE(launcher.Start(launcher_, line, L"C:\\")) << GetLastError();
        if (answer != 0) {
            BoxSearch search{launcher.Pid(), nullptr};
            WaitUntil([&] {
                EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
                return search.box != nullptr;
            });
            EXPECT_NE(search.box, nullptr) << "no message box";
            if (search.box) {
                wchar_t caption[64] = {};
                GetWindowTextW(search.box, caption, 64);
                outcome.boxCaption = caption;
                PostMessageW(search.box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
            }
        }
        outcome.exitCode = launcher.Wait();
        return outcome;
    }

    std::vector<qelo::RecordEntry> Records(const std::wstring& folder) const {
        return qelo::ReadRecord(Narrow(folder + L"qelo-record.txt"));
    }
    std::vector<qelo::RecordEntry> Records() const { return Records(clientFolder_); }

    // The parameters of the client that the launcher started, once it has recorded them.
    std::string StartedClientParameters(size_t clientsBefore = 0) {
        std::string parameters = "<no client started>";
        WaitUntil([&] {
            size_t seen = 0;
            for (const qelo::RecordEntry& entry : Records()) {
                if (entry.kind == "cmdline" && ++seen > clientsBefore) {
                    parameters = ParametersOf(entry.bytes);
                    return true;
                }
            }
            return false;
        });
        return parameters;
    }

    // Sends a marker through the client's pipe and waits until the client has recorded it:
    // by then it has also taken in what the launcher, which has exited, wrote to the pipe.
    void WaitForEarlierMessages() {
        ASSERT_TRUE(WaitForPipe(kClientPipe));
        HANDLE pipe = CreateFileW(kClientPipe, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(pipe, kMarker, sizeof kMarker - 1, &written, nullptr));
        CloseHandle(pipe);
        ASSERT_TRUE(WaitUntil([&] { return ClientMessages().size() > ClientMessages(false).size(); }));
    }
    // What the client received through its pipe, the marker left out.
    std::vector<std::string> ClientMessages(bool withMarker = true) const {
        std::vector<std::string> messages;
        for (const qelo::RecordEntry& entry : Records())
            if (entry.kind == kClientPipeKind && (withMarker || entry.bytes != kMarker))
                messages.push_back(entry.bytes);
        return messages;
    }

    size_t CountRecords(const std::string& kind) const {
        size_t count = 0;
        for (const qelo::RecordEntry& entry : Records())
            count += entry.kind == kind;
        return count;
    }

    std::wstring Folder() const {  // the install folder without its trailing backslash
        return install_.Path().substr(0, install_.Path().size() - 1);
    }

    TestFolder install_{L"launcher e2e"};
    std::wstring launcher_;
    std::wstring clientFolder_;  // where the started client writes its record
};

// --- the URL forms ----------------------------------------------------------------------------

TEST_F(LauncherRun, QuotedUrlKeepsItsClosingQuote) {
    EXPECT_EQ(Run(L"\"quorvane://room/12?a=1\"").exitCode, 0u);
    EXPECT_EQ(StartedClientParameters(), "room/12?a=1\"");
    // The client runs in the launcher's folder, whatever folder the launcher was started in.
    for (const qelo::RecordEntry& entry : Records())
        if (entry.kind == "cwd") EXPECT_EQ(entry.bytes, Narrow(Folder()));
}

TEST_F(LauncherRun, ForceRunEndsTheRunningClientWithoutAsking) {
    ChildProcess running = StartStandIn(install_.Path());
    ASSERT_TRUE(running.Running());
    EXPECT_EQ(Run(L"forcerun:quorvane://room/9").exitCode, 0u);
    EXPECT_FALSE(running.Running());
    EXPECT_EQ(StartedClientParameters(1), "room/9");
}

TEST_F(LauncherRun, NoArgumentsStartTheClientWithoutParameters) {
    EXPECT_EQ(Run(L"").exitCode, 0u);
    EXPECT_EQ(StartedClientParameters(), "");
}

// --- a client already running -----------------------------------------------------------------

TEST_F(LauncherRun, OkRestartsTheClient) {
    ChildProcess running = StartStandIn(install_.Path());
    const Outcome outcome = Run(L"quorvane://room/1", IDOK);
    EXPECT_EQ(outcome.boxCaption, L"提示");
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_FALSE(running.Running());
    EXPECT_EQ(StartedClientParameters(1), "room/1");
}

TEST_F(LauncherRun, CancelForwardsTheUrlTailToTheClient) {
    SetLanguage(L"en-US");
    ChildProcess running = StartStandIn(install_.Path());
    const Outcome outcome = Run(L"quorvane://room/2?n=caf\u00e9", IDCANCEL);
    EXPECT_EQ(outcome.boxCaption, L"Prompt");
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(running.Running());
    std::string message = "<none>";
    WaitUntil([&] {
        for (const qelo::RecordEntry& entry : Records())
            if (entry.kind == kClientPipeKind) message = entry.bytes;
        return message != "<none>";
    });
    EXPECT_EQ(message, std::string("room/2?n=caf\xe9") + std::string(1, '\0'));
    EXPECT_EQ(CountRecords("cmdline"), 1u);  // no second client
}

TEST_F(LauncherRun, CancelWithoutAListeningPipeExitsWithOne) {
    TestFolder other(L"launcher idle client");
    ASSERT_TRUE(CopyIdleProgram(other / L"qelo.exe"));
    ChildProcess idle;
    ASSERT_TRUE(idle.Start(other / L"qelo.exe", L"qelo.exe " + std::wstring(IdleArgument())));
    ASSERT_FALSE(WaitNamedPipeW(kClientPipe, 200));
    const Outcome outcome = Run(L"quorvane://room/3", IDCANCEL);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_TRUE(idle.Running());
}

TEST_F(LauncherRun, CancelWithoutUrlDoesNothing) {
    ChildProcess running = StartStandIn(install_.Path());
    EXPECT_EQ(Run(L"-page home", IDCANCEL).exitCode, 0u);
    // A client the launcher started exists by the time it exited, or has recorded its start.
    EXPECT_EQ(CountProcessesIn(install_.Path()), 1u);
    WaitForEarlierMessages();
    EXPECT_TRUE(running.Running());
    EXPECT_TRUE(ClientMessages(false).empty());
    EXPECT_EQ(CountRecords("cmdline"), 1u);
}

TEST_F(LauncherRun, UrlTooLongForTheMessageIsRefused) {
    ChildProcess running = StartStandIn(install_.Path());
    const std::wstring fits(kPipeMessageBytes - 1, L'f');  // with its NUL exactly 10240 bytes
    EXPECT_EQ(Run(L"quorvane://" + fits, IDCANCEL).exitCode, 0u);
    EXPECT_EQ(Run(L"quorvane://" + fits + L"g", IDCANCEL).exitCode, 1u);
    WaitForEarlierMessages();
    const std::vector<std::string> messages = ClientMessages(false);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], Narrow(fits) + std::string(1, '\0'));
}

TEST_F(LauncherRun, ClientNamedInOtherLetterCaseIsLeftAlone) {
    TestFolder other(L"launcher upper client");
    const std::wstring upper = other / L"QELO.exe";
    ASSERT_TRUE(CopyFileW(QeloExe().c_str(), upper.c_str(), FALSE));
    ChildProcess running;
    ASSERT_TRUE(running.Start(upper, L"\"" + upper + L"\"", other.Path()));
    ASSERT_TRUE(WaitForPipe(kClientPipe));
    EXPECT_EQ(Run(L"quorvane://room/4").exitCode, 0u);  // no box: nothing to ask about
    EXPECT_EQ(StartedClientParameters(), "room/4");
    EXPECT_TRUE(running.Running());
}

// Holds Ctrl and Alt down through the desktop's input for its lifetime.
class CtrlAltDown {
public:
    CtrlAltDown() { Send(0); }
    ~CtrlAltDown() { Send(KEYEVENTF_KEYUP); }

private:
    static void Send(DWORD flags) {
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = VK_CONTROL;
        keys[1].ki.wVk = VK_MENU;
        keys[0].ki.dwFlags = keys[1].ki.dwFlags = flags;
        SendInput(2, keys, sizeof(INPUT));
    }
};

TEST_F(LauncherRun, CtrlAltHeldAddsIsAdmin) {
    {
        CtrlAltDown held;
        EXPECT_EQ(Run(L"quorvane://room/10").exitCode, 0u);
    }
    EXPECT_EQ(StartedClientParameters(), "room/10 IsAdmin");
    KillProcessesByName(kClientProcessName);
    EXPECT_EQ(Run(L"quorvane://room/11").exitCode, 0u);
    EXPECT_EQ(StartedClientParameters(1), "room/11");
}

// --- URL-scheme registration ------------------------------------------------------------------

TEST_F(LauncherRun, SchemeCommandPointsAtTheLauncher) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, L"quorvane\\shell\\open\\command");
    EXPECT_EQ(Run(L"").exitCode, 0u);
    wchar_t value[600] = {};
    DWORD size = sizeof(value);
    ASSERT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, L"quorvane\\shell\\open\\command", nullptr, RRF_RT_REG_SZ,
                           nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(value), L"\"" + launcher_ + L"\" \"%1\"");
    EXPECT_EQ(size, 520u);  // the whole value buffer is written
}

TEST_F(LauncherRun, SchemeCommandThatDoesNotFitIsNotWritten) {
    // A launcher path of 255 characters: quoted, with " "%1"" it needs more than 259.
    const size_t room = 255 - install_.Path().size() - std::wcslen(L"\\qeloLaunch.exe");
    const std::wstring deep = install_ / std::wstring(room, L'd') + L"\\";
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    launcher_ = deep + L"qeloLaunch.exe";
    ASSERT_EQ(launcher_.size(), 255u);
    ASSERT_TRUE(CopyFileW(FromBuildPath(QIX_LAUNCHER_EXE).c_str(), launcher_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(QeloExe().c_str(), (deep + L"qelo.exe").c_str(), FALSE));
    clientFolder_ = deep;
    RegDeleteKeyW(HKEY_CLASSES_ROOT, L"quorvane\\shell\\open\\command");

    EXPECT_EQ(Run(L"quorvane://room/12").exitCode, 0u);
    wchar_t value[600] = {};
    DWORD size = sizeof(value);
    EXPECT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, L"quorvane\\shell\\open\\command", nullptr, RRF_RT_REG_SZ,
                           nullptr, value, &size),
              ERROR_FILE_NOT_FOUND)
        << Narrow(value);
    EXPECT_EQ(StartedClientParameters(), "room/12");
}

// --- the staged update ------------------------------------------------------------------------

TEST_F(LauncherRun, StagedPackageIsPromotedAppliedAndConsumed) {
    const wchar_t* const leftovers[] = {L"temp\\Updater.exe", L"temp\\update.td0", L"temp\\update.td1",
                                        L"temp\\update.td2", L"temp\\update.td3", L"temp\\update.td"};
    for (const wchar_t* name : leftovers) ASSERT_TRUE(WriteFileBytes(install_ / name, "leftover"));
    ASSERT_TRUE(CopyFileW(Package("update_client.zip").c_str(), (install_ / L"temp\\update.zip").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(install_ / L"update.zip", "an older package"));
    ASSERT_TRUE(WriteFileBytes(install_ / L"version.txt", "1.0.0"));

    EXPECT_EQ(Run(L"quorvane://room/5").exitCode, 0u);
    for (const wchar_t* name : leftovers) EXPECT_FALSE(FileExists(install_ / name)) << Narrow(name);
    EXPECT_FALSE(FileExists(install_ / L"temp\\update.zip"));
    EXPECT_FALSE(FileExists(install_ / L"update.zip"));
    EXPECT_EQ(ReadFileBytes(install_ / L"version.txt"), "2.0.0");
    EXPECT_EQ(ReadFileBytes(install_ / L"res\\skin\\look.xml"), "<look version=\"2\"/>");
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW((install_ / L"res\\skin\\look.xml").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(UnixSeconds(data.ftLastWriteTime), 1700000000LL);
    EXPECT_FALSE(FileExists(L"C:\\qixtest\\outside.txt"));
    EXPECT_EQ(StartedClientParameters(), "room/5");
}

TEST_F(LauncherRun, BrokenPackageIsDeletedAndTheClientStillStarts) {
    ASSERT_TRUE(WriteFileBytes(install_ / L"temp\\update.zip", "PK but not really an archive"));
    EXPECT_EQ(Run(L"quorvane://room/6").exitCode, 0u);
    EXPECT_FALSE(FileExists(install_ / L"temp\\update.zip"));
    EXPECT_FALSE(FileExists(install_ / L"update.zip"));
    EXPECT_EQ(StartedClientParameters(), "room/6");
}

TEST_F(LauncherRun, StagedPackageThatCannotBeCopiedIsKept) {
    ASSERT_TRUE(CreateDirectoryW((install_ / L"temp").c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(Package("update_client.zip").c_str(), (install_ / L"temp\\update.zip").c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryW((install_ / L"update.zip").c_str(), nullptr));  // blocks the copy
    EXPECT_EQ(Run(L"").exitCode, 0u);
    EXPECT_TRUE(FileExists(install_ / L"temp\\update.zip"));
    EXPECT_FALSE(FileExists(install_ / L"version.txt"));
    EXPECT_EQ(StartedClientParameters(), "");
}

TEST(LauncherStaging, StagedPackageIsAppliedInAFolderOutsideTheAnsiCodePage) {
    KillProcessesByName(kClientProcessName);
    TestFolder install(L"launcher \u03A9\u6587\u0416");
    const std::wstring launcher = install / L"qeloLaunch.exe";
    ASSERT_TRUE(CopyFileW(FromBuildPath(QIX_LAUNCHER_EXE).c_str(), launcher.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(QeloExe().c_str(), (install / L"qelo.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(install / L"temp\\update.td0", "leftover"));
    ASSERT_TRUE(CopyFileW(Package("update_client.zip").c_str(), (install / L"temp\\update.zip").c_str(), FALSE));

    ChildProcess run;
    ASSERT_TRUE(run.Start(launcher, L"\"" + launcher + L"\"", L"C:\\"));
    EXPECT_EQ(run.Wait(), 0u);
    EXPECT_FALSE(FileExists(install / L"temp\\update.td0"));
    EXPECT_FALSE(FileExists(install / L"temp\\update.zip"));
    EXPECT_FALSE(FileExists(install / L"update.zip"));
    EXPECT_EQ(ReadFileBytes(install / L"version.txt"), "2.0.0");
    // The client it started has recorded its start before it is ended.
    EXPECT_TRUE(WaitUntil([&] { return !ReadFileBytes(install / L"qelo-record.txt").empty(); }));
    KillProcessesByName(kClientProcessName);
}

// --- desktop shortcuts ------------------------------------------------------------------------

class LauncherShortcuts : public LauncherRun {
protected:
    void SetUp() override {
        LauncherRun::SetUp();
        desktop_ = CommonDesktop();
        for (std::wstring* name : {&cn_, &en_, &newCn_, &newEn_}) {
            static const wchar_t* const tags[] = {L"cn", L"en", L"new cn", L"new en"};
            *name = UniqueName(tags[name == &cn_ ? 0 : name == &en_ ? 1 : name == &newCn_ ? 2 : 3]);
        }
        WriteFileBytes(install_ / L"ProductConfig.xml",
                       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ProductConfig>\n"
                       "  <ProgName>qelo.exe</ProgName>\n"
                       "  <shortcut_cn>" + Narrow(cn_) + "</shortcut_cn>\n"
                       "  <shortcut_en>" + Narrow(en_) + "</shortcut_en>\n"
                       "  <shortcut_new_cn>" + Narrow(newCn_) + "</shortcut_new_cn>\n"
                       "  <shortcut_new_en>" + Narrow(newEn_) + "</shortcut_new_en>\n"
                       "</ProductConfig>\n");
        WriteFileBytes(install_ / L"qelo.ico", "icon");
        oldTarget_ = elsewhere_ / L"qeloLaunch.exe";
        WriteFileBytes(oldTarget_, "MZ");
    }
    void TearDown() override {
        for (const std::wstring* name : {&cn_, &en_, &newCn_, &newEn_}) DeleteFileW(Link(*name).c_str());
        LauncherRun::TearDown();
    }
    std::wstring Link(const std::wstring& name) const { return desktop_ + L"\\" + name + L".lnk"; }

    void ExpectRepointed(const std::wstring& linkName) {
        const LinkInfo link = ReadLink(Link(linkName));
        ASSERT_TRUE(link.loaded) << Narrow(linkName);
        EXPECT_EQ(_wcsicmp(link.target.c_str(), launcher_.c_str()), 0) << Narrow(link.target);
        EXPECT_EQ(link.workingFolder, Folder());
        EXPECT_EQ(link.description, L"qelo");
        EXPECT_EQ(link.icon, Folder() + L"//qelo.ico");
    }

    TestFolder elsewhere_{L"launcher e2e old"};
    std::wstring desktop_, cn_, en_, newCn_, newEn_, oldTarget_;
};

TEST_F(LauncherShortcuts, ChineseShortcutIsRenamedAndRepointed) {
    ASSERT_TRUE(CreateLink(Link(cn_), oldTarget_));
    ASSERT_TRUE(CreateLink(Link(en_), oldTarget_));
    EXPECT_EQ(Run(L"").exitCode, 0u);
    EXPECT_FALSE(FileExists(Link(cn_)));
    ExpectRepointed(newCn_);
    EXPECT_TRUE(FileExists(Link(en_)));
    EXPECT_FALSE(FileExists(Link(newEn_)));
    EXPECT_EQ(StartedClientParameters(), "");
}

TEST_F(LauncherShortcuts, EnglishShortcutIsRenamedAndRepointed) {
    SetLanguage(L"en-US");
    ASSERT_TRUE(CreateLink(Link(cn_), oldTarget_));
    ASSERT_TRUE(CreateLink(Link(en_), oldTarget_));
    EXPECT_EQ(Run(L"").exitCode, 0u);
    EXPECT_FALSE(FileExists(Link(en_)));
    ExpectRepointed(newEn_);
    EXPECT_TRUE(FileExists(Link(cn_)));
    EXPECT_FALSE(FileExists(Link(newCn_)));
}

TEST_F(LauncherShortcuts, OnlyTheNewLinkIsRepointed) {
    ASSERT_TRUE(CreateLink(Link(newCn_), oldTarget_));
    EXPECT_EQ(Run(L"").exitCode, 0u);
    ExpectRepointed(newCn_);
    EXPECT_FALSE(FileExists(Link(cn_)));
}

TEST_F(LauncherShortcuts, NeitherLinkMeansNoShortcutIsMade) {
    EXPECT_EQ(Run(L"").exitCode, 0u);
    for (const std::wstring* name : {&cn_, &en_, &newCn_, &newEn_}) EXPECT_FALSE(FileExists(Link(*name)));
    EXPECT_EQ(StartedClientParameters(), "");
}

TEST_F(LauncherShortcuts, BrokenConfigurationLeavesTheLinksAndStartsTheClient) {
    WriteFileBytes(install_ / L"ProductConfig.xml", "<ProductConfig><shortcut_cn>x</ProductConfig");
    ASSERT_TRUE(CreateLink(Link(cn_), oldTarget_));
    EXPECT_EQ(Run(L"quorvane://room/8").exitCode, 0u);
    EXPECT_TRUE(FileExists(Link(cn_)));
    EXPECT_EQ(StartedClientParameters(), "room/8");
}

}  // namespace
