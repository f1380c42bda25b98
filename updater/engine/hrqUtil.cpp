#include "hrqUtil.h"

#include <windows.h>

#include "ConfigParser.h"
#include "Log.h"
#include "StringConvert.h"
#include "Win32Handle.h"
#include "process_op.h"

namespace {

const wchar_t kPipePrefix[] = L"\\\\.\\Pipe\\";
// Pipe paths are formatted into 260 wide characters, terminator included.
const size_t kMaxPipePathChars = 259;
// "LU_" + LaunchName is formatted into 260 bytes, terminator included.
const size_t kMaxPipeNameBytes = 259;
const DWORD kKillPollMs = 100;
const ULONGLONG kKillTimeoutMs = 3000;
const UINT kKilledExitCode = 9;

// A listing of the processes that failed says nothing about the client: it is not gone.
bool ClientGone()
{
    bool listFailed = false;
    return FindProcess_ByName(GetProgName(), &listFailed) == 0 && !listFailed;
}

} // namespace

namespace hrq {

bool KillClient()
{
    bool listFailed = false;
    DWORD pid = FindProcess_ByName(GetProgName(), &listFailed);
    if (listFailed)
        return false;
    if (pid == 0) {
        LOG(INFO) << "air client is not running";
        return true;
    }
    {
        win32::UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
        if (!process || !TerminateProcess(process.Get(), kKilledExitCode))
            return ClientGone();
    }
    ULONGLONG killedAt = GetTickCount64();
    for (;;) {
        Sleep(kKillPollMs);
        if (ClientGone()) {
            LOG(INFO) << "kill air client success.";
            return true;
        }
        if (GetTickCount64() - killedAt > kKillTimeoutMs) {
            LOG(INFO) << "kill air client failed.";
            return false;
        }
    }
}

std::wstring LaunchPipeName(const ConfigParser& config)
{
    std::string launchName;
    if (!config.GetValue("LaunchName", launchName))
        return std::wstring();
    std::string name = "LU_" + launchName;
    if (name.size() > kMaxPipeNameBytes)
        return std::wstring();
    return StringToWide(name);
}

std::wstring LaunchPipeName()
{
    return LaunchPipeName(ConfigParser::Instance());
}

bool WritePipeBuf(const std::wstring& name, const std::wstring& message)
{
    std::wstring path = kPipePrefix + name;
    // A name too long for the pipe path counts as a pipe that does not exist.
    bool fits = path.size() <= kMaxPipePathChars;
    if (!fits)
        path.resize(kMaxPipePathChars);
    LOG(INFO) << "pass message to the pipe. name[" << WideToString(path) << "]";

    win32::UniqueHandle pipe;
    if (fits)
        pipe.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!pipe) {
        LOG(INFO) << "pipe not exist.";
        return false;
    }

    std::string bytes = WideToString(message);
    size_t sent = 0;
    while (sent < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(pipe.Get(), bytes.data() + sent, static_cast<DWORD>(bytes.size() - sent), &written, nullptr)
            || written == 0)
            return false;
        sent += written;
    }
    return true;
}

} // namespace hrq

std::wstring GetModuleDir()
{
    wchar_t path[1024] = L"";
    DWORD length = GetModuleFileNameW(nullptr, path, 1024);
    if (length == 0 || length >= 1024)
        return std::wstring();
    std::wstring full(path, length);
    size_t slash = full.rfind(L'\\');
    if (slash == std::wstring::npos)
        return std::wstring();
    return full.substr(0, slash + 1);
}
