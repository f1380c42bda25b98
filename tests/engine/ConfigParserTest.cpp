#include <gtest/gtest.h>

#include <windows.h>

#include "ConfigParser.h"
#include "TestSupport.h"

using qixtest::TestFolder;
using qixtest::WriteFileBytes;

namespace {

std::string Config(const std::string& progName, const std::string& extra = "")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Config>\n  <ProgName>" + progName + "</ProgName>\n" + extra +
           "</Config>\n";
}

// A product name of this test run's own, so registry values never meet another run's.
std::string UniqueProduct(const char* tag)
{
    return std::string("qixtest") + tag + std::to_string(GetCurrentProcessId());
}

void SetLanguage(const std::string& product, const wchar_t* value)
{
    std::wstring key = LanguageKeyFor(product);
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

void RemoveLanguage(const std::string& product)
{
    std::wstring key = LanguageKeyFor(product);
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    key.resize(key.size() - wcslen(L"\\Language"));
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

bool ChineseFor(const std::string& product, const wchar_t* value)
{
    TestFolder folder(L"lang");
    WriteFileBytes(folder / L"ProductConfig.xml", Config(product + ".exe"));
    if (value != nullptr)
        SetLanguage(product, value);
    bool chinese = ConfigParser(folder.Path()).chineseUi;
    RemoveLanguage(product);
    return chinese;
}

} // namespace

TEST(ConfigLocation, FindsTheFileBesideTheProgram)
{
    TestFolder folder(L"cfg");
    WriteFileBytes(folder / L"ProductConfig.xml", Config("qelo.exe", "  <LaunchName>qeloLaunch.exe</LaunchName>\n"));
    ConfigParser config(folder.Path());
    EXPECT_TRUE(config.loaded);
    std::string launch;
    EXPECT_TRUE(config.GetValue("LaunchName", launch));
    EXPECT_EQ(launch, "qeloLaunch.exe");
}

TEST(ConfigLocation, FallsBackToTheParentFolder)
{
    TestFolder folder(L"cfg");
    WriteFileBytes(folder / L"ProductConfig.xml", Config("qelo.exe"));
    CreateDirectoryW((folder / L"temp").c_str(), nullptr);
    ConfigParser config(folder / L"temp\\");
    EXPECT_TRUE(config.loaded);
    std::string name;
    EXPECT_TRUE(config.GetValue("ProgName", name));
    EXPECT_EQ(name, "qelo.exe");
}

TEST(ConfigLocation, WorksInAFolderOutsideTheAnsiCodePage)
{
    TestFolder folder(L"cfg");
    std::wstring inner = folder / L"\u65E5\u672C\\";
    CreateDirectoryW(inner.c_str(), nullptr);
    WriteFileBytes(inner + L"ProductConfig.xml", Config("qelo.exe"));
    EXPECT_TRUE(ConfigParser(inner).loaded);
}

TEST(ConfigLocation, MissingFileLeavesEverythingAbsent)
{
    TestFolder folder(L"cfg");
    CreateDirectoryW((folder / L"temp").c_str(), nullptr);
    ConfigParser config(folder / L"temp\\");
    EXPECT_FALSE(config.loaded);
    std::string value;
    EXPECT_FALSE(config.GetValue("ProgName", value));
    EXPECT_TRUE(value.empty());
    EXPECT_TRUE(config.chineseUi);
    EXPECT_EQ(LanguageKeyFor(""), L"SOFTWARE\\\\Language");
}

TEST(ConfigValues, TextMustBeTheElementsFirstChild)
{
    TestFolder folder(L"cfg");
    WriteFileBytes(folder / L"ProductConfig.xml",
                   Config("qelo.exe", "  <LaunchName><!-- note -->x.exe</LaunchName>\n  <CacheName/>\n"
                                      "  <ProgName>second.exe</ProgName>\n  <Name>caf\xC3\xA9</Name>\n"));
    ConfigParser config(folder.Path());
    std::string value;
    EXPECT_FALSE(config.GetValue("LaunchName", value));
    EXPECT_FALSE(config.GetValue("CacheName", value));
    EXPECT_FALSE(config.GetValue("Missing", value));
    EXPECT_TRUE(config.GetValue("ProgName", value));
    EXPECT_EQ(value, "qelo.exe");  // the first element of a name wins
    value.clear();
    EXPECT_TRUE(config.GetValue("Name", value));
    EXPECT_EQ(value, "caf\xE9");  // UTF-8 in the file, ANSI out
}

TEST(ConfigValues, AValueThatDoesNotConvertIsAbsentWhateverTheCallerHeld)
{
    TestFolder folder(L"cfg");
    WriteFileBytes(folder / L"ProductConfig.xml",
                   Config("qelo.exe", "  <LaunchName>" + std::string(600, 'l') + "</LaunchName>\n"
                                      "  <CacheName>cache\xE4\xB8</CacheName>\n"));
    ConfigParser config(folder.Path());
    std::string value = "previous";
    EXPECT_FALSE(config.GetValue("LaunchName", value));
    EXPECT_EQ(value, "");

    // A value cut inside a UTF-8 sequence converts as far as it goes, nothing beyond.
    ASSERT_TRUE(config.GetValue("CacheName", value));
    EXPECT_EQ(value.substr(0, 5), "cache");
    EXPECT_EQ(value.find_first_not_of('?', 5), std::string::npos) << value;
}

TEST(ConfigValues, BrokenFileCountsAsMissing)
{
    TestFolder folder(L"cfg");
    WriteFileBytes(folder / L"ProductConfig.xml", "<Config><ProgName>qelo.exe</ProgName>");
    ConfigParser config(folder.Path());
    EXPECT_FALSE(config.loaded);
    std::string value;
    EXPECT_FALSE(config.GetValue("ProgName", value));
}

TEST(Language, RegistryValueSelectsTheInterface)
{
    EXPECT_FALSE(ChineseFor(UniqueProduct("en"), L"EN-us"));
    EXPECT_TRUE(ChineseFor(UniqueProduct("zh"), L"zh-CN"));
    EXPECT_TRUE(ChineseFor(UniqueProduct("both"), L"en-US,zh-CN"));
    EXPECT_TRUE(ChineseFor(UniqueProduct("fr"), L"fr-FR"));
    EXPECT_TRUE(ChineseFor(UniqueProduct("none"), nullptr));
}

TEST(Language, KeyIsNamedAfterTheProgramWithoutItsExtension)
{
    EXPECT_EQ(LanguageKeyFor("qelo"), L"SOFTWARE\\qelo\\Language");
    // A product name too long for its buffer leaves the name out.
    EXPECT_EQ(LanguageKeyFor(std::string(200, 'q')), L"SOFTWARE\\\\Language");
}
