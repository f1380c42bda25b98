#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "TestSupport.h"
#include "UpdaterApp.h"
#include "zipDownloader.h"

using namespace qixtest;

namespace {

const wchar_t kPipe[] = L"\\\\.\\Pipe\\CU_qixtest_app_cache";

bool Send(const std::string& text)
{
    if (!WaitForPipe(kPipe))
        return false;
    HANDLE pipe = CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = text.empty() || WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(pipe);
    return ok != FALSE;
}

std::string PageParam(CUpdaterApp& app)
{
    return app.downloader ? app.downloader->GetPageCallParam() : std::string("<no job>");
}

// Runs the application and closes its progress window as soon as it shows: Run returns with the
// job made and the pipe still served.
void RunAndClose(CUpdaterApp& app, const wchar_t* cmdLine)
{
    std::thread closer([] {
        const DWORD self = GetCurrentProcessId();
        WaitUntil([self] {
            HWND wnd = nullptr;
            while ((wnd = FindWindowExW(nullptr, wnd, L"hrq_updater_wnd_class_name", nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(wnd, &pid);
                if (pid == self && IsWindowVisible(wnd)) {
                    PostMessageW(wnd, WM_CLOSE, 0, 0);
                    return true;
                }
            }
            return false;
        });
    });
    app.Run(cmdLine);
    closer.join();
}

} // namespace

TEST(OwnPipe, IsNamedAfterTheCacheName)
{
    EXPECT_EQ(CUpdaterApp::OwnPipePath(), kPipe);
}

TEST(OwnPipe, TextReplacesTheClientsParameters)
{
    CUpdaterApp app(GetModuleHandleW(nullptr));
    RunAndClose(app, L"-pagecallparam=orig -forcedupdate=5");
    ASSERT_EQ(PageParam(app), "orig");

    ASSERT_TRUE(Send("a=1&b=2"));
    EXPECT_TRUE(WaitUntil([&] { return PageParam(app) == "a=1&b=2"; }));

    // An empty message changes nothing; of two messages the second wins.
    ASSERT_TRUE(Send(""));
    ASSERT_TRUE(Send(std::string("first\0tail", 10)));
    ASSERT_TRUE(Send("second"));
    EXPECT_TRUE(WaitUntil([&] { return PageParam(app) == "second"; }));
}

TEST(OwnPipe, ExitEndsTheServerPromptly)
{
    {
        CUpdaterApp app(GetModuleHandleW(nullptr));
        RunAndClose(app, L"-forcedupdate=5");
        ASSERT_TRUE(WaitForPipe(kPipe));
    }
    // The destructor returned: "ExitPipe" woke the server, which waits for no writer; its
    // pipe is gone.
    EXPECT_FALSE(WaitNamedPipeW(kPipe, 100));
}

TEST(OwnPipe, AWriterThatNeverWritesDoesNotHoldTheExit)
{
    HANDLE silent = INVALID_HANDLE_VALUE;
    {
        CUpdaterApp app(GetModuleHandleW(nullptr));
        RunAndClose(app, L"-forcedupdate=5");
        ASSERT_TRUE(WaitForPipe(kPipe));
        silent = CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    }
    CloseHandle(silent);
    EXPECT_FALSE(WaitNamedPipeW(kPipe, 100));
}

TEST(OwnPipe, AClientThatConnectedBeforeTheWaitIsServed)
{
    // The client connects between the instance's creation and the server's wait, and may even
    // have closed its end again by then.
    for (const bool clientGone : {false, true}) {
        SCOPED_TRACE(clientGone ? "client closed before the wait" : "client still connected");
        const std::wstring path = L"\\\\.\\Pipe\\qixtest_early_" + std::to_wstring(GetCurrentProcessId());
        // Buffers of its own, so the client's write does not wait for the server's read.
        HANDLE server = CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 1000,
                                         nullptr);
        ASSERT_NE(server, INVALID_HANDLE_VALUE);
        HANDLE client = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        ASSERT_NE(client, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(client, "early", 5, &written, nullptr));
        if (clientGone)
            CloseHandle(client);

        EXPECT_TRUE(ConnectPipeClient(server));
        char buffer[16] = {};
        DWORD read = 0;
        EXPECT_TRUE(ReadFile(server, buffer, sizeof(buffer) - 1, &read, nullptr));
        EXPECT_EQ(std::string(buffer, read), "early");
        if (!clientGone)
            CloseHandle(client);
        CloseHandle(server);
    }
}
