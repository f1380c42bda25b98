// The windows an installation shows, plugged into the download job's hooks. Whoever creates
// the job (the application, or the progress window) calls AttachInstallDialogs before
// DoInstall runs; both windows are modal on the calling thread.
#pragma once

#include <windows.h>

#include <string>

class ZipDownloader;

// The prompt box without parent and without cancel button; its modal result.
UINT ShowInstallFailure(const std::wstring& text);

// The completion window, centred; its modal result.
UINT ShowInstallCompletion();

void AttachInstallDialogs(ZipDownloader& job);
