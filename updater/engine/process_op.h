#pragma once
#include <windows.h>

#include <string>

#include "Win32Handle.h"

// A process snapshot, closed when it goes.
using SnapshotHandle = win32::UniqueHandle;

// Id of the first running process whose executable name equals `name` ignoring case, or 0.
// When the processes cannot be listed the answer is 0 too; `listFailed` (if given) tells.
DWORD FindProcess_ByName(const std::string& name, bool* listFailed = nullptr);

// How the processes are listed (CreateToolhelp32Snapshot by default). Tests put in a source
// that fails, to see that a failed listing is never taken for "no such process".
using ProcessSnapshotSource = HANDLE (*)();
void SetProcessSnapshotSource(ProcessSnapshotSource source);
