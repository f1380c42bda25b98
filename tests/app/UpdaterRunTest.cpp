// qixUpdater itself, from a folder of its own: with "forcedupdate" 5 it asks nothing, shows the
// progress window and fetches the package from a local server; closing the window tells the
// client "msg1:0" and ends the program with 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "StringConvert.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

using namespace qixtest;

namespace {

const wchar_t kLaunchPipe[] = L"\\\\.\\Pipe\\LU_qixtest_run_launch.exe";

const char kConfig[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ProductConfig>\n"
    "  <ProgName>qixtest_run_absent_client.exe</ProgName>\n"
    "  <LaunchName>qixtest_run_launch.exe</LaunchName>\n"
    "  <CacheName>qixtest_run_cache</CacheName>\n</ProductConfig>\n";

// The visible top-level window of class `cls` that belongs to process `pid`, or null.
HWND WindowOf(DWORD pid, const wchar_t* cls)
{
    HWND wnd = nullptr;
    while ((wnd = FindWindowExW(nullptr, wnd, cls, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(wnd, &owner);
        if (owner == pid && IsWindowVisible(wnd))
            return wnd;
    }
    return nullptr;
}

bool CopyBeside(const std::wstring& built, const std::wstring& folder, const wchar_t* name)
{
    return CopyFileW(built.c_str(), (folder + name).c_str(), FALSE) != FALSE;
}

} // namespace

TEST(UpdaterRun, ForcedFiveDownloadsWithoutPromptAndClosesOnRequest)
{
    TestFolder folder(L"updater_run");
    const std::wstring exe = FromBuildPath(QIX_UPDATER_EXE);
    const std::wstring builtFolder = exe.substr(0, exe.rfind(L'\\') + 1);
    ASSERT_TRUE(CopyBeside(exe, folder.Path(), L"qixUpdater.exe"));
    ASSERT_TRUE(CopyBeside(builtFolder + L"zlib.dll", folder.Path(), L"zlib.dll"));
    ASSERT_TRUE(WriteFileBytes(folder / L"ProductConfig.xml", kConfig));

    // A slow package: the download is still under way when the window is closed.
    const std::string package = MakePackage(400000);
    std::atomic<int> requests{0};
    TestHttpServer server([&](const TestHttpServer::Request& r, TestHttpServer::Peer& p) {
        ++requests;
        PackageOptions slow;
        slow.bytesPerSecond = 20000;
        ServePackage(package, slow, r, p);
    });

    HANDLE pipe = CreateNamedPipeW(kLaunchPipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                   1000, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);

    ChildProcess updater;
    const std::wstring line = L"\"" + folder.Path() + L"qixUpdater.exe\" -url=http://" +
                              StringToWide(server.Address()) + L"/update.zip -md5=" +
                              StringToWide(Md5Hex(package)) + L" -forcedupdate=5";
    ASSERT_TRUE(updater.Start(folder / L"qixUpdater.exe", line, folder.Path()));

    HWND progress = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        return (progress = WindowOf(updater.Pid(), L"hrq_updater_wnd_class_name")) != nullptr;
    }));
    EXPECT_EQ(WindowOf(updater.Pid(), L"hrq_updater_tips_wnd_class_name"), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return requests > 0; }));

    // The window sits in the work area's bottom-right corner.
    RECT work = {};
    RECT rc = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(progress, &rc);
    EXPECT_EQ(rc.right, work.right - work.left);
    EXPECT_EQ(rc.bottom, work.bottom - work.top);

    PostMessageW(progress, WM_CLOSE, 0, 0);
    // The updater may have connected, written and gone before this wait.
    ASSERT_TRUE(ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED ||
                GetLastError() == ERROR_NO_DATA);
    char buffer[64] = {};
    DWORD read = 0;
    ReadFile(pipe, buffer, sizeof(buffer) - 1, &read, nullptr);
    EXPECT_EQ(std::string(buffer, read), "msg1:0");
    CloseHandle(pipe);

    EXPECT_EQ(updater.Wait(), 0u);
    server.Stop();
}
