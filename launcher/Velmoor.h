// The launcher's unit: single client, URL-scheme registration, staged update, desktop
// shortcut repair, and the main flow that starts the client or forwards a URL to it.
#pragma once

#include <windows.h>

#include <string>

extern const wchar_t kClientProcessName[];  // "qelo.exe"
extern const wchar_t kClientPipeName[];     // "\\.\Pipe\RUZEDE_qelo"
extern const wchar_t kUrlPrefix[];          // "quorvane://"
extern const wchar_t kForceRunPrefix[];     // "forcerun:"
constexpr size_t kPipeMessageBytes = 10240;

// --- single instance and ending the client ----------------------------------------------------

// Asks whether to restart a running client; answers IDOK or another button id.
using ConfirmRestartFn = int (*)(const wchar_t* text, const wchar_t* caption);
int ShowRestartPrompt(const wchar_t* text, const wchar_t* caption);  // MessageBoxW, MB_OKCANCEL

// True when no client runs or it was ended; false when the user declined.
bool CheckSingleInstance(bool forcerun, ConfirmRestartFn confirm = ShowRestartPrompt);
void KillProcessesByName(const wchar_t* name);
void EnableDebugPrivilege();

// --- URL scheme, staged update, language ------------------------------------------------------

void WriteRegFun();
bool GetModuleDirW(std::wstring* out);  // the launcher's folder, ending with a backslash
void StageUpdatePackage();
void ApplyUpdatePackage();  // "update.zip" in the current directory
bool IsChineseLanguage();

// --- desktop shortcuts ------------------------------------------------------------------------

struct ShortcutNames {
    std::wstring cn;     // shortcut_cn
    std::wstring en;     // shortcut_en
    std::wstring newCn;  // shortcut_new_cn
    std::wstring newEn;  // shortcut_new_en
};

bool ReadShortcutConfig(ShortcutNames* names, const wchar_t* path);
// Results: -1 no old name, -2 no all-users desktop, -3 neither link exists, 0 the link cannot be
// made, loaded, read or saved, 1 the link was updated and saved.
int RepairDesktopShortcut(const wchar_t* oldName, const wchar_t* newName, const wchar_t* target,
                          const wchar_t* description, const wchar_t* iconPath,
                          const wchar_t* workingFolder);

// --- main flow --------------------------------------------------------------------------------

struct LaunchCommand {
    std::wstring cmd;     // the command line, less a leading "forcerun:"
    bool forcerun = false;
    size_t urlPos = std::wstring::npos;  // where "quorvane://" begins in cmd
};

LaunchCommand ParseLaunchCommand(const wchar_t* commandLine);
// The client's parameters: the URL tail, or the whole line without a URL; " IsAdmin" added
// when Ctrl and Alt are held.
std::wstring ClientParameters(const LaunchCommand& command, bool ctrlAltHeld);
bool CtrlAltHeld();
// Writes the URL tail, ANSI with its NUL, to the client's pipe; answers the exit code.
int SendUrlToClient(const std::wstring& tail, const wchar_t* pipeName = kClientPipeName);
// The whole launcher; answers the process exit code.
int RunLauncher(HINSTANCE instance, const wchar_t* commandLine,
                ConfirmRestartFn confirm = ShowRestartPrompt);
