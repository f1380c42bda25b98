#pragma once
#include <windows.h>

#include <memory>
#include <string>

// A process snapshot; the last owner's release closes it.
using SnapshotHandle = std::shared_ptr<void>;

// Id of the first running process whose executable name equals `name` ignoring case, or 0.
// When the processes cannot be listed the answer is 0 too; `listFailed` (if given) tells.
DWORD FindProcess_ByName(const std::string& name, bool* listFailed = nullptr);

// How the processes are listed (CreateToolhelp32Snapshot by default). Tests put in a source
// that fails, to see that a failed listing is never taken for "no such process".
using ProcessSnapshotSource = HANDLE (*)();
void SetProcessSnapshotSource(ProcessSnapshotSource source);
