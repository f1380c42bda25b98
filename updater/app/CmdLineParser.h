#pragma once
#include <map>
#include <string>

#include "ZipDwCfg.h"

// Splits the updater's command line into -key=value items. Keys are case-insensitive
// (stored lower-cased); the first occurrence of a repeated key wins.
class CCmdLineParser {
public:
    using ArgMap = std::map<std::wstring, std::wstring>;

    // The second argument is kept for the callers' sake; keys are always case-insensitive.
    explicit CCmdLineParser(const wchar_t* cmdLine = nullptr, bool caseSensitive = false);
    virtual ~CCmdLineParser() = default;

    void Parse(const wchar_t* cmdLine);
    ArgMap::const_iterator FindKey(const std::wstring& key) const;
    ArgMap::const_iterator End() const { return args.end(); }
    // Value of `key`, or "" when absent.
    std::wstring GetValue(const std::wstring& key) const;

private:
    void Insert(const std::wstring& key, const std::wstring& value);

    std::wstring line;
    ArgMap args;
    bool caseSensitive = false;
};

// The update configuration from the updater's command line.
ZipDwCfg parseZipConf(const wchar_t* cmdLine);

// parseZipConf with the updater's folder (trailing backslash) and the LaunchName value given.
ZipDwCfg BuildZipConf(const wchar_t* cmdLine, const std::wstring& moduleDir, const std::string& launchName);

std::wstring AppendUpdateZipName(const std::wstring& folder);
