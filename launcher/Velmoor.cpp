#include "Velmoor.h"

#include "ZipExtractor.h"
#include "rvklog.h"

#include "TextConvert.h"
#include "Win32Handle.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <tinyxml2.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

const wchar_t kClientProcessName[] = L"qelo.exe";
const wchar_t kClientPipeName[] = L"\\\\.\\Pipe\\RUZEDE_qelo";
const wchar_t kUrlPrefix[] = L"quorvane://";
const wchar_t kForceRunPrefix[] = L"forcerun:";

namespace {

constexpr size_t kPathChars = 260;
constexpr DWORD kClientExitWaitMs = 5000;
const wchar_t kSchemeCommandKey[] = L"quorvane\\shell\\open\\command";
const char kLanguageKey[] = "SOFTWARE\\qelo\\Language";
const wchar_t kProductWord[] = L"qelo";
const wchar_t kPromptTextCn[] = L"检测到程序正在运行，是否重新打开!";
const wchar_t kPromptCaptionCn[] = L"提示";
const wchar_t kPromptTextEn[] = L"Another program is already in progress, start new one?";
const wchar_t kPromptCaptionEn[] = L"Prompt";
const wchar_t* const kStagedLeftovers[] = {L"temp\\Updater.exe", L"temp\\update.td0", L"temp\\update.td1",
                                           L"temp\\update.td2",  L"temp\\update.td3", L"temp\\update.td"};
constexpr DWORD kModulePathChars = 1024;

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

std::wstring FileNamePart(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The module's full path; false when it cannot be read or does not fit the path buffer.
bool ModulePath(HINSTANCE instance, std::wstring* out) {
    wchar_t path[kPathChars];
    const DWORD length = GetModuleFileNameW(instance, path, kPathChars);
    if (length == 0 || length >= kPathChars) {
        if (length >= kPathChars) SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    out->assign(path, length);
    return true;
}

}  // namespace

// --- single instance and ending the client ----------------------------------------------------

int ShowRestartPrompt(const wchar_t* text, const wchar_t* caption) {
    return MessageBoxW(nullptr, text, caption, MB_OKCANCEL);
}

void EnableDebugPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
    win32::UniqueHandle owner(token);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
}

void KillProcessesByName(const wchar_t* name) {
    std::vector<win32::UniqueHandle> processes;
    {
        win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot.Valid()) return;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
             more = Process32NextW(snapshot.Get(), &entry)) {
            if (std::wcscmp(entry.szExeFile, name) != 0) continue;
            HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
            if (!process) {
                EnableDebugPrivilege();
                process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
            }
            if (process) processes.emplace_back(process);
        }
    }
    for (const win32::UniqueHandle& process : processes) TerminateProcess(process.Get(), 0);
    // The staged update writes over the client's files next: wait until each has really ended.
    for (const win32::UniqueHandle& process : processes)
        WaitForSingleObject(process.Get(), kClientExitWaitMs);
}

bool CheckSingleInstance(bool forcerun, ConfirmRestartFn confirm) {
    {
        win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot.Valid()) {
            KillProcessesByName(kClientProcessName);
            return true;
        }
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        bool running = false;
        for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more && !running;
             more = Process32NextW(snapshot.Get(), &entry)) {
            running = std::wcscmp(entry.szExeFile, kClientProcessName) == 0;
        }
        if (!running) return true;
        if (!forcerun) {
            const bool chinese = IsChineseLanguage();
            const int answer = confirm(chinese ? kPromptTextCn : kPromptTextEn,
                                       chinese ? kPromptCaptionCn : kPromptCaptionEn);
            if (answer != IDOK) return false;
        }
    }
    KillProcessesByName(kClientProcessName);
    return true;
}

// --- URL scheme, staged update, language ------------------------------------------------------

void WriteRegFun() {
    std::wstring path;
    if (!ModulePath(nullptr, &path)) {
        std::printf("GetModuleFileName failed w/err 0x%08lx\n", GetLastError());
        return;
    }
    win32::RegKey key;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kSchemeCommandKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
        return;
    // The value and its terminator must fit 260 characters; a longer path is refused rather
    // than written cut.
    const std::wstring text = L"\"" + path + L"\" \"%1\"";
    if (text.size() >= kPathChars) return;
    wchar_t value[kPathChars] = {};
    text.copy(value, text.size());
    if (RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       sizeof(value)) != ERROR_SUCCESS) {
        RVK_LOG() << "set reg failure: ";
    }
}

bool GetModuleDirW(std::wstring* out) {
    wchar_t path[kModulePathChars];
    const DWORD length = GetModuleFileNameW(nullptr, path, kModulePathChars);
    if (length == 0 || length >= kModulePathChars) return false;
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    if (!slash) return false;
    out->assign(path, static_cast<size_t>(slash - path) + 1);
    return true;
}

void StageUpdatePackage() {
    // Wide paths: in a folder whose name the ANSI code page cannot hold, narrow paths name no
    // file at all and the staged package would never be promoted.
    std::wstring folder;
    if (!GetModuleDirW(&folder)) return;
    for (const wchar_t* leftover : kStagedLeftovers) DeleteFileW((folder + leftover).c_str());
    const std::wstring staged = folder + L"temp\\update.zip";
    if (!Exists(staged.c_str())) return;
    // The staged package is kept for the next start when it could not be copied.
    if (CopyFileW(staged.c_str(), (folder + L"update.zip").c_str(), FALSE))
        DeleteFileW(staged.c_str());
}

void ApplyUpdatePackage() {
    if (!Exists(L"update.zip")) return;
    if (ZipHandle* zip = OpenZipExtractor()) {
        ZipEntryInfo info;
        const int32_t count = GetZipItem(zip, -1, &info) == ZipOk ? info.index : 0;
        for (int32_t i = 0; i < count; ++i) {
            ZipResult result = GetZipItem(zip, i, &info);
            if (result == ZipErrUnsafeName) {
                RVK_LOG() << "skip unsafe entry " << i;
                continue;
            }
            if (result != ZipOk) continue;
            if (UnzipItem(zip, i, info.name) == ZipErrUnsafeName)
                rvklog::LogStreamInsertWide(RVK_LOG() << "skip unsafe entry: ", info.name);
        }
        CloseZip(zip);
    }
    DeleteFileW(L"update.zip");
}

bool IsChineseLanguage() {
    win32::RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kLanguageKey, 0, KEY_QUERY_VALUE, key.Receive()) !=
        ERROR_SUCCESS)
        return true;
    char value[kPathChars + 1] = {};
    DWORD size = kPathChars;
    if (RegQueryValueExA(key.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS)
        return true;
    return std::strcmp(value, "en-US") != 0;
}

// --- desktop shortcuts ------------------------------------------------------------------------

bool ReadShortcutConfig(ShortcutNames* names, const wchar_t* path) {
    if (!names || !path || !Exists(path)) return false;
    // Opened through its wide path, so a folder outside any narrow code page still works.
    FILE* stream = _wfopen(path, L"rb");
    if (!stream) return false;
    tinyxml2::XMLDocument document;
    const tinyxml2::XMLError loaded = document.LoadFile(stream);
    fclose(stream);
    if (loaded != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement* root = document.RootElement();
    if (!root) return false;
    for (const tinyxml2::XMLElement* e = root->FirstChildElement(); e;
         e = e->NextSiblingElement()) {
        const tinyxml2::XMLNode* first = e->FirstChild();
        if (!first || !first->ToText()) continue;
        const std::wstring text = win32::ToWide(CP_UTF8, first->Value(), std::strlen(first->Value()));
        // The value buffers hold 259 characters: a longer name is not taken at all.
        if (text.empty() || text.size() >= kPathChars) continue;
        const char* name = e->Name();
        if (_stricmp(name, "shortcut_cn") == 0) names->cn = text;
        else if (_stricmp(name, "shortcut_en") == 0) names->en = text;
        else if (_stricmp(name, "shortcut_new_cn") == 0) names->newCn = text;
        else if (_stricmp(name, "shortcut_new_en") == 0) names->newEn = text;
    }
    return true;
}

namespace {
bool CommonDesktopFolder(std::wstring* out) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (FAILED(SHGetFolderLocation(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY, nullptr, 0, &pidl)))
        return false;
    wchar_t path[MAX_PATH] = {};
    const BOOL ok = SHGetPathFromIDListW(pidl, path);
    CoTaskMemFree(pidl);
    if (!ok || !path[0]) return false;
    out->assign(path);
    return true;
}

// "<desktop>\<name>.lnk", or empty when it does not fit the 260-character path.
std::wstring LinkPath(const std::wstring& desktop, const wchar_t* name) {
    std::wstring path = desktop + L"\\" + name + L".lnk";
    return path.size() < kPathChars ? path : std::wstring();
}

bool HasText(const wchar_t* text) { return text && *text; }

// A link's target in its long form: a short 8.3 path never matches the launcher's name.
std::wstring LongTarget(IShellLinkW* link, HRESULT* hr) {
    wchar_t target[kPathChars] = {};
    *hr = link->GetPath(target, kPathChars, nullptr, 0);
    if (FAILED(*hr)) return std::wstring();
    wchar_t longPath[kPathChars] = {};
    const DWORD length = GetLongPathNameW(target, longPath, kPathChars);
    return length > 0 && length < kPathChars ? std::wstring(longPath) : std::wstring(target);
}
}  // namespace

int RepairDesktopShortcut(const wchar_t* oldName, const wchar_t* newName, const wchar_t* target,
                          const wchar_t* description, const wchar_t* iconPath,
                          const wchar_t* workingFolder) {
    if (!HasText(oldName)) return -1;
    std::wstring desktop;
    if (!CommonDesktopFolder(&desktop)) return -2;
    const std::wstring oldPath = LinkPath(desktop, oldName);
    const std::wstring newPath = HasText(newName) ? LinkPath(desktop, newName) : std::wstring();
    const bool oldExists = !oldPath.empty() && Exists(oldPath.c_str());
    const bool newExists = !newPath.empty() && Exists(newPath.c_str());
    if (!oldExists && !newExists) return -3;

    const HRESULT init = CoInitialize(nullptr);
    int result = 0;
    {
        win32::ComPtr<IShellLinkW> link;
        win32::ComPtr<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, link.Receive())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.Receive()))) {
            std::wstring oldTarget;
            HRESULT hr;
            if (oldExists) {
                file->Load(oldPath.c_str(), STGM_READWRITE);
                oldTarget = LongTarget(link.Get(), &hr);
            } else {
                hr = file->Load(newPath.c_str(), STGM_READWRITE);
            }
            if (SUCCEEDED(hr)) {
                // Never a dialog and never a search of the disk for a moved target.
                const DWORD resolveFlags =
                    SLR_NO_UI | SLR_UPDATE | SLR_NOSEARCH | SLR_NOTRACK | (1000u << 16);
                link->Resolve(nullptr, resolveFlags);
                if (HasText(target)) link->SetPath(target);
                if (HasText(iconPath) && Exists(iconPath)) {
                    link->SetIconLocation(iconPath, 0);
                } else {
                    wchar_t icon[kPathChars] = {};
                    int index = 0;
                    if (SUCCEEDED(link->GetIconLocation(icon, kPathChars, &index)))
                        link->SetIconLocation(icon, index);
                }
                if (HasText(workingFolder)) link->SetWorkingDirectory(workingFolder);
                if (HasText(description)) link->SetDescription(description);

                const std::wstring& savePath = !newPath.empty() ? newPath : oldPath;
                const bool saved = !savePath.empty() && SUCCEEDED(file->Save(savePath.c_str(), TRUE));
                // A link that could not be saved was not repaired.
                result = saved ? 1 : 0;
                if (saved && oldExists && !newPath.empty() && _wcsicmp(oldName, newName) != 0 &&
                    !oldTarget.empty() && HasText(target) &&
                    _wcsicmp(FileNamePart(oldTarget).c_str(), FileNamePart(target).c_str()) == 0) {
                    DeleteFileW(oldPath.c_str());
                    PostMessageW(GetDesktopWindow(), WM_KEYDOWN, VK_F5, 0);
                    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
                }
            }
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return result;
}

// --- main flow --------------------------------------------------------------------------------

LaunchCommand ParseLaunchCommand(const wchar_t* commandLine) {
    LaunchCommand command;
    command.cmd = commandLine ? commandLine : L"";
    const size_t prefixLength = std::wcslen(kForceRunPrefix);
    if (command.cmd.compare(0, prefixLength, kForceRunPrefix) == 0) {
        command.cmd.erase(0, prefixLength);
        command.forcerun = true;
    }
    command.urlPos = command.cmd.find(kUrlPrefix);
    return command;
}

namespace {
// The client runs elevated: a double quote or a control character inside a URL tail could
// end the argument and add others, so they go on percent-encoded. The closing quote that the
// shell put around "%1" stays as it is.
std::wstring EncodeUrlTail(const std::wstring& tail, bool quotedByShell) {
    const size_t closingQuote = quotedByShell && !tail.empty() && tail.back() == L'"'
                                    ? tail.size() - 1
                                    : std::wstring::npos;
    std::wstring encoded;
    for (size_t i = 0; i < tail.size(); ++i) {
        const wchar_t c = tail[i];
        if ((c == L'"' && i != closingQuote) || c < 0x20 || c == 0x7F) {
            wchar_t escape[4];
            swprintf(escape, 4, L"%%%02X", static_cast<unsigned>(c));
            encoded += escape;
        } else {
            encoded += c;
        }
    }
    return encoded;
}
}  // namespace

std::wstring ClientParameters(const LaunchCommand& command, bool ctrlAltHeld) {
    std::wstring par = command.cmd;
    if (command.urlPos != std::wstring::npos) {
        const bool quotedByShell = command.urlPos > 0 && command.cmd[command.urlPos - 1] == L'"';
        par = EncodeUrlTail(command.cmd.substr(command.urlPos + std::wcslen(kUrlPrefix)), quotedByShell);
    }
    if (ctrlAltHeld) par += L" IsAdmin";
    return par;
}

bool CtrlAltHeld() {
    return (GetAsyncKeyState(VK_CONTROL) & 0x8000) && (GetAsyncKeyState(VK_MENU) & 0x8000);
}

int SendUrlToClient(const std::wstring& tail, const wchar_t* pipeName) {
    std::string message = win32::ToNarrow(CP_ACP, tail);
    if (!tail.empty() && message.empty()) return 1;
    message.push_back('\0');
    // The message, NUL included, must fit the 10240 bytes the client reads; a longer one is
    // refused rather than cut.
    if (message.size() > kPipeMessageBytes) return 1;

    win32::UniqueHandle pipe(CreateFileW(pipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!pipe.Valid()) return 1;
    size_t sent = 0;
    while (sent < message.size()) {
        DWORD written = 0;
        if (!WriteFile(pipe.Get(), message.data() + sent, static_cast<DWORD>(message.size() - sent),
                       &written, nullptr) ||
            written == 0)
            return 1;
        sent += written;
    }
    return 0;
}

int RunLauncher(HINSTANCE instance, const wchar_t* commandLine, ConfirmRestartFn confirm) {
    const LaunchCommand command = ParseLaunchCommand(commandLine);
    const bool go = CheckSingleInstance(command.forcerun, confirm);
    if (!go) {
        if (command.urlPos == std::wstring::npos) return 0;
        return SendUrlToClient(command.cmd.substr(command.urlPos + std::wcslen(kUrlPrefix)));
    }

    WriteRegFun();
    std::wstring modulePath, folder;
    // Without its own folder the launcher touches no package and no shortcut: the current
    // directory could be anywhere.
    const bool haveFolder = ModulePath(instance, &modulePath) &&
                            modulePath.find(L'\\') != std::wstring::npos;
    if (haveFolder) {
        folder = modulePath.substr(0, modulePath.find_last_of(L'\\'));
        // "C:" alone would mean the drive's current folder, not its root.
        SetCurrentDirectoryW(folder.back() == L':' ? (folder + L"\\").c_str() : folder.c_str());
    }
    std::wstring par = ClientParameters(command, false);
    rvklog::LogStreamInsertWide(RVK_LOG() << "class path: ", kClientProcessName);
    rvklog::LogStreamInsertWide(RVK_LOG() << "par: ", par.c_str());

    if (haveFolder) {
        StageUpdatePackage();
        ApplyUpdatePackage();

        const std::wstring configPath = folder + L"//ProductConfig.xml";
        ShortcutNames names;
        if (configPath.size() < kPathChars && ReadShortcutConfig(&names, configPath.c_str())) {
            const std::wstring iconPath = folder + L"//" + kProductWord + L".ico";
            const bool chinese = IsChineseLanguage();
            const std::wstring& oldName = chinese ? names.cn : names.en;
            const std::wstring& newName = chinese ? names.newCn : names.newEn;
            RepairDesktopShortcut(oldName.c_str(), newName.c_str(), modulePath.c_str(), kProductWord,
                                  iconPath.size() < kPathChars ? iconPath.c_str() : L"",
                                  folder.c_str());
        }
    }

    if (CtrlAltHeld()) par = ClientParameters(command, true);
    ShellExecuteW(nullptr, L"open", kClientProcessName, par.c_str(), nullptr, SW_SHOW);
    return 0;
}
