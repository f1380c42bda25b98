#include "ConfigParser.h"

#include <windows.h>

#include <cstdio>

#include "Log.h"
#include "StringConvert.h"
#include "Win32Handle.h"
#include "hrqUtil.h"

namespace {

const wchar_t kConfigFileName[] = L"ProductConfig.xml";
const size_t kProductNameChars = 128;
const DWORD kLanguageValueSize = 260;

std::string PathForLog(const std::filesystem::path& path)
{
    return WideToString(path.wstring());
}

bool Exists(const std::filesystem::path& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ContainsIgnoringCase(const std::string& text, const char* part)
{
    std::string upperText(text), upperPart(part);
    for (char& c : upperText) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (char& c : upperPart) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return upperText.find(upperPart) != std::string::npos;
}

} // namespace

ConfigParser& ConfigParser::Instance()
{
    static ConfigParser instance{std::filesystem::path(GetModuleDir())};
    return instance;
}

ConfigParser::ConfigParser(const std::filesystem::path& moduleFolder)
{
    std::wstring folder = moduleFolder.wstring();
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    if (!folder.empty()) {
        std::filesystem::path file = std::filesystem::path(folder) / kConfigFileName;
        if (!Exists(file)) {
            // An updater in a drive's root has no parent folder: keep the first path then.
            size_t cut = folder.find_last_of(L"\\/");
            if (cut != std::wstring::npos)
                file = std::filesystem::path(folder.substr(0, cut)) / kConfigFileName;
        }
        LOG(INFO) << "product config path: " << PathForLog(file);
        Load(file);
    }

    std::string productName;
    GetValue("ProgName", productName);
    if (productName.size() > 4)
        productName.resize(productName.size() - 4);
    ReadLanguage(productName);
}

void ConfigParser::Load(const std::filesystem::path& file)
{
    FILE* stream = _wfopen(file.c_str(), L"rb");
    tinyxml2::XMLError error = tinyxml2::XML_ERROR_FILE_NOT_FOUND;
    if (stream != nullptr) {
        error = document.LoadFile(stream);
        fclose(stream);
    }
    if (error != tinyxml2::XML_SUCCESS) {
        LOG(ERROR) << "Error when load [" << PathForLog(file) << "] error[" << static_cast<int>(error) << "]";
        return;
    }
    loaded = true;
}

std::wstring LanguageKeyFor(const std::string& productName)
{
    wchar_t name[kProductNameChars] = L"";
    GbkToWide(productName.c_str(), name, kProductNameChars);
    return std::wstring(L"SOFTWARE\\") + name + L"\\Language";
}

void ConfigParser::ReadLanguage(const std::string& productName)
{
    win32::RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, LanguageKeyFor(productName).c_str(), 0, KEY_QUERY_VALUE, key.Receive())
        != ERROR_SUCCESS)
        return;
    // One byte more than the value may fill, so the text is always terminated.
    char value[kLanguageValueSize + 1] = {};
    DWORD size = kLanguageValueSize;
    if (RegQueryValueExA(key.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
        std::string text(value);
        if (ContainsIgnoringCase(text, "zh-CN"))
            chineseUi = true;
        else if (ContainsIgnoringCase(text, "en-US"))
            chineseUi = false;
    }
}

bool ConfigParser::GetValue(const std::string& key, std::string& out) const
{
    if (!loaded)
        return false;
    const tinyxml2::XMLElement* root = document.RootElement();
    if (root == nullptr)
        return false;
    const tinyxml2::XMLElement* element = root->FirstChildElement(key.c_str());
    if (element == nullptr)
        return false;
    const tinyxml2::XMLNode* first = element->FirstChild();
    const tinyxml2::XMLText* text = first != nullptr ? first->ToText() : nullptr;
    if (text == nullptr)
        return false;
    // A value that does not convert is absent: the caller's previous text is not handed back.
    char ansi[kAnsiValueSize] = "";
    if (!Utf8ToAnsi(text->Value(), ansi)) {
        out.clear();
        return false;
    }
    out = ansi;
    return true;
}

std::string GetProgName()
{
    std::string name;
    ConfigParser::Instance().GetValue("ProgName", name);
    return name;
}
