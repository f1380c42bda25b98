#pragma once
#include <windows.h>

#include <string>

// The log folder: the user's local application data folder + "\qixUpdater\" (created if missing).
std::wstring LogFolder();

// "<folder>YYYY-MM-DD_hh-mm-ss.log" for the given local time.
std::wstring LogFileName(const std::wstring& folder, const SYSTEMTIME& localTime);

// Deletes the "*.log" files in `folder` (ending in a backslash) whose last write lies more
// than seven days before or after `now` (seconds since 1970-01-01 UTC).
void PurgeOldLogs(const std::wstring& folder, long long now);
void PurgeOldLogs(const std::wstring& folder);

// Sets up the folder, purges old logs and points the logger "default" at a new file.
void InitLogging();
