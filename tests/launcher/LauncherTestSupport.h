#pragma once
// What the launcher's tests share: the language value, links on the all-users desktop, and a
// program that stands for a client which serves no pipe.
#include <windows.h>

#include <string>

namespace launchertest {

// Sets (or with nullptr removes) the default value of HKCU\SOFTWARE\qelo\Language.
void SetLanguage(const wchar_t* value);

std::wstring CommonDesktop();

struct LinkInfo {
    bool loaded = false;
    std::wstring target;
    std::wstring workingFolder;
    std::wstring description;
    std::wstring icon;
    int iconIndex = 0;
};

bool CreateLink(const std::wstring& linkPath, const std::wstring& target,
                const std::wstring& icon = L"", int iconIndex = 0);
LinkInfo ReadLink(const std::wstring& linkPath);

// A name of this run's own for links and folders.
std::wstring UniqueName(const wchar_t* tag);

// Copies this test program to `path`; started with IdleArgument() it only waits, so it stands
// for a client that does not serve its pipe.
bool CopyIdleProgram(const std::wstring& path);
const wchar_t* IdleArgument();

}  // namespace launchertest
