#include "LauncherTestSupport.h"

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

namespace launchertest {

namespace {

// Before main: a copy started with the idle argument waits and exits without running tests.
struct IdleMode {
    IdleMode() {
        if (std::wcsstr(GetCommandLineW(), IdleArgument())) {
            Sleep(60000);
            ExitProcess(0);
        }
    }
} g_idleMode;

template <class T>
struct Com {
    ~Com() {
        if (p) p->Release();
    }
    T* p = nullptr;
};

}  // namespace

const wchar_t* IdleArgument() { return L"--qixtest-idle-client"; }

bool CopyIdleProgram(const std::wstring& path) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return CopyFileW(self, path.c_str(), FALSE) != FALSE;
}

void SetLanguage(const wchar_t* value) {
    if (!value) {
        RegDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\qelo\\Language");
        return;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\qelo\\Language", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::wstring CommonDesktop() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, nullptr, 0, path);
    return path;
}

std::wstring UniqueName(const wchar_t* tag) {
    static int counter = 0;
    return std::wstring(L"qixtest ") + tag + L" " + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
}

bool CreateLink(const std::wstring& linkPath, const std::wstring& target, const std::wstring& icon,
                int iconIndex) {
    CoInitialize(nullptr);
    bool ok = false;
    {
        Com<IShellLinkW> link;
        Com<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&link.p))) &&
            SUCCEEDED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)))) {
            link.p->SetPath(target.c_str());
            if (!icon.empty()) link.p->SetIconLocation(icon.c_str(), iconIndex);
            ok = SUCCEEDED(file.p->Save(linkPath.c_str(), TRUE));
        }
    }
    CoUninitialize();
    return ok;
}

LinkInfo ReadLink(const std::wstring& linkPath) {
    LinkInfo info;
    CoInitialize(nullptr);
    {
        Com<IShellLinkW> link;
        Com<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&link.p))) &&
            SUCCEEDED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) &&
            SUCCEEDED(file.p->Load(linkPath.c_str(), STGM_READ))) {
            wchar_t text[MAX_PATH] = {};
            info.loaded = true;
            if (SUCCEEDED(link.p->GetPath(text, MAX_PATH, nullptr, 0))) info.target = text;
            text[0] = 0;
            if (SUCCEEDED(link.p->GetWorkingDirectory(text, MAX_PATH))) info.workingFolder = text;
            text[0] = 0;
            if (SUCCEEDED(link.p->GetDescription(text, MAX_PATH))) info.description = text;
            text[0] = 0;
            if (SUCCEEDED(link.p->GetIconLocation(text, MAX_PATH, &info.iconIndex))) info.icon = text;
        }
    }
    CoUninitialize();
    return info;
}

}  // namespace launchertest
