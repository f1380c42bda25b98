// Stand-in for the client program in tests and the demo. It shows a window of class
// "korvelun", serves "\\.\Pipe\RUZEDE_qelo" and "\\.\Pipe\LU_<launch name>" (one message per
// connection) and appends how it was started and every message it receives to a record file.
//
//   qelo.exe [--record <file>] [--launch-name <name>] [anything else is recorded only]
//
// Defaults: the record is "qelo-record.txt" beside the program; the launch name is LaunchName
// of a "ProductConfig.xml" beside the program or in its parent folder.
#include <windows.h>
#include <shellapi.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <tinyxml2.h>

#include "QeloRecord.h"
#include "TextConvert.h"

namespace {

const wchar_t kWindowClass[] = L"korvelun";
const wchar_t kLauncherPipe[] = L"\\\\.\\Pipe\\RUZEDE_qelo";
const wchar_t kPipePrefix[] = L"\\\\.\\Pipe\\";

std::wstring g_recordPath;
std::mutex g_recordLock;

void Record(const std::string& kind, const std::string& bytes)
{
    std::string line = qelo::FormatRecordLine(GetCurrentProcessId(), kind, bytes);
    std::lock_guard<std::mutex> lock(g_recordLock);
    // Appends from several processes: each line goes in one write to the end of the file.
    HANDLE file = CreateFileW(g_recordPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring ModuleFolder()
{
    wchar_t path[MAX_PATH * 4] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring full(path);
    return full.substr(0, full.rfind(L'\\') + 1);
}

std::wstring LaunchNameFromConfig(const std::wstring& folder)
{
    std::wstring candidates[] = {folder + L"ProductConfig.xml", folder + L"..\\ProductConfig.xml"};
    for (const std::wstring& path : candidates) {
        FILE* stream = _wfopen(path.c_str(), L"rb");
        if (stream == nullptr)
            continue;
        tinyxml2::XMLDocument document;
        bool ok = document.LoadFile(stream) == tinyxml2::XML_SUCCESS;
        fclose(stream);
        const tinyxml2::XMLElement* root = ok ? document.RootElement() : nullptr;
        const tinyxml2::XMLElement* name = root ? root->FirstChildElement("LaunchName") : nullptr;
        if (name != nullptr && name->GetText() != nullptr) {
            return win32::Utf8ToWide(name->GetText());
        }
    }
    return std::wstring();
}

void ReadConnection(HANDLE pipe, std::string kind)
{
    std::string message;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) || GetLastError() == ERROR_MORE_DATA) {
        message.append(buffer, read);
        if (read == 0)
            break;
    }
    Record(kind, message);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

// Offers an instance of the pipe at all times: each connection is read on a thread of its own
// while the next instance waits for the next writer.
void ServePipe(std::wstring path)
{
    std::string kind = "pipe:" + win32::WideToUtf8(path.substr(wcslen(kPipePrefix)));
    for (;;) {
        HANDLE pipe = CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                       PIPE_UNLIMITED_INSTANCES, 0, 0, 1000, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            Sleep(50);
            continue;
        }
        if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED)
            std::thread(ReadConnection, pipe, kind).detach();
        else
            CloseHandle(pipe);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    std::wstring folder = ModuleFolder();
    g_recordPath = folder + L"qelo-record.txt";
    std::wstring launchName;

    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv != nullptr && i + 1 < argc; ++i) {
        std::wstring option = argv[i];
        if (option == L"--record")
            g_recordPath = argv[++i];
        else if (option == L"--launch-name")
            launchName = argv[++i];
    }
    if (argv != nullptr)
        LocalFree(argv);
    if (launchName.empty())
        launchName = LaunchNameFromConfig(folder);

    wchar_t cwd[MAX_PATH * 4] = L"";
    GetCurrentDirectoryW(MAX_PATH * 4, cwd);
    Record("cmdline", win32::WideToUtf8(GetCommandLineW()));
    Record("cwd", win32::WideToUtf8(cwd));

    std::thread(ServePipe, std::wstring(kLauncherPipe)).detach();
    if (!launchName.empty())
        std::thread(ServePipe, kPipePrefix + (L"LU_" + launchName)).detach();

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(kWindowClass, L"qelo", WS_OVERLAPPEDWINDOW, 40, 40, 320, 200, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
