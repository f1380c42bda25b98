#pragma once
#include <windows.h>

#include <mutex>
#include <string>

#include <boost/function.hpp>

#include "Downloader.h"
#include "ZipDwCfg.h"

// Waits of the installation; the program uses the defaults, tests shorter ones.
struct InstallTimings {
    DWORD killPollMs = 500;      // between attempts to end the client
    DWORD killGiveUpMs = 60000;  // attempts to end the client stop after this
    DWORD extractDelayMs = 500;  // after the folder exists, before extracting
    DWORD retryMs = 2000;        // between extraction attempts
    DWORD giveUpMs = 60000;      // extraction attempts stop after this
    DWORD launchDelayMs = 300;   // before the completion window
};

// The windows the installation shows; the application supplies them.
struct InstallWindows {
    boost::function<void(const std::wstring& text)> showFailure;  // prompt box, no cancel, modal
    boost::function<void()> showCompletion;                      // completion window, modal
};

// Creates `folder` with every missing parent; true also when it exists.
bool TryCreateDirectories(const std::wstring& folder);

// Extraction of the package into the extract folder through zlib.dll.
class UnzipTask {
public:
    UnzipTask(const std::wstring& zipPath, const std::wstring& folder, DWORD delayMs = 500);
    bool Run();
    bool Extract();

private:
    std::wstring zipPath;
    std::wstring folder;
    DWORD delayMs;
};

// The download job that also installs the verified package.
class ZipDownloader : public Downloader {
public:
    explicit ZipDownloader(const ZipDwCfg& configuration, const InstallTimings& installTimings = InstallTimings(),
                           const std::wstring& folder = std::wstring(), const HttpTimings& httpTimings = HttpTimings());
    ~ZipDownloader() override;

    // Ends the client, extracts a forced package, tells the client's pipe, shows the completion
    // window and starts the client again. Runs on the window thread.
    void DoInstall() override;

    // Parameters the client is started with; replaced from the updater's own pipe (any thread).
    void SetPageCallParam(const std::string& text);
    std::string GetPageCallParam() const;

    const ZipDwCfg& Config() const { return config; }

    InstallWindows windows;

private:
    // Ends the client; false when it still runs after the attempts' time is up.
    bool EndClient();
    // The log line and the prompt of an installation that failed.
    void ReportInstallFailure();

    ZipDwCfg config;
    std::string pageCallParam;
    mutable std::mutex pageCallParamMutex;  // guards pageCallParam
    InstallTimings timings;
};
