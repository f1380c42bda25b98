#pragma once
#include <string>

// The updater's parsed command line (built by parseZipConf); copied by value.
struct ZipDwCfg {
    std::string url;            // "url" value + "?" + md5
    std::wstring zipPath;       // updater folder + "update.zip"
    std::string zipMd5;
    std::wstring extractPath;
    std::wstring clientExePath;
    bool runClient = false;
    std::string host;           // name, or name:port
    std::string path;           // begins with "/"
    std::string pageCallParam;
    int forcedUpdate = 0;
};
