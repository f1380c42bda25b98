#pragma once
#include <filesystem>
#include <string>

#include <tinyxml2.h>

// Reader of "ProductConfig.xml" and of the user's interface language. One per process,
// built on first use through Instance(); read-only afterwards.
class ConfigParser {
public:
    static ConfigParser& Instance();

    // Looks for the file in `moduleFolder`, then in its parent. Tests build their own;
    // the program uses Instance(), which passes the updater's folder.
    explicit ConfigParser(const std::filesystem::path& moduleFolder);
    ConfigParser(const ConfigParser&) = delete;
    ConfigParser& operator=(const ConfigParser&) = delete;

    // Text of the root's first child element named `key`, in the ANSI code page.
    bool GetValue(const std::string& key, std::string& out) const;

    bool loaded = false;
    bool chineseUi = true;
    tinyxml2::XMLDocument document;

private:
    void Load(const std::filesystem::path& file);
    void ReadLanguage(const std::string& productName);
};

// ProgName of the configuration, or "" when absent.
std::string GetProgName();

// Registry key of the language value for a product name ("SOFTWARE\<product>\Language").
std::wstring LanguageKeyFor(const std::string& productName);
