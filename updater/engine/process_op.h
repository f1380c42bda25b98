#pragma once
#include <windows.h>

#include <memory>
#include <string>

// A process snapshot; the last owner's release closes it.
using SnapshotHandle = std::shared_ptr<void>;

// Id of the first running process whose executable name equals `name` ignoring case, or 0.
DWORD FindProcess_ByName(const std::string& name);
