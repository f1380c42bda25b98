#include "CmdLineParser.h"

#include <windows.h>

#include <cwctype>

#include "ConfigParser.h"
#include "Log.h"
#include "StringConvert.h"
#include "TextConvert.h"
#include "hrqUtil.h"

namespace {

const wchar_t kUpdateZipName[] = L"update.zip";
const wchar_t kHttpPrefix[] = L"http://";
// The launcher's file name is converted into this many wide characters, terminator included.
const size_t kLaunchNameChars = 512;

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::string Narrow(const std::wstring& text)
{
    return win32::ToNarrow(CP_THREAD_ACP, text);
}

bool Exists(const std::wstring& path)
{
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Text before the last backslash; the whole text when there is none.
std::wstring CutAtLastBackslash(const std::wstring& text)
{
    size_t pos = text.rfind(L'\\');
    return pos == std::wstring::npos ? text : text.substr(0, pos);
}

// Text up to and including the last backslash; "" when there is none.
std::wstring KeepThroughLastBackslash(const std::wstring& text)
{
    size_t pos = text.rfind(L'\\');
    return pos == std::wstring::npos ? std::wstring() : text.substr(0, pos + 1);
}

} // namespace

CCmdLineParser::CCmdLineParser(const wchar_t* cmdLine, bool)
{
    if (cmdLine)
        Parse(cmdLine);
}

void CCmdLineParser::Insert(const std::wstring& key, const std::wstring& value)
{
    if (!key.empty())
        args.emplace(Lower(key), value); // emplace keeps an existing key's first value
}

void CCmdLineParser::Parse(const wchar_t* cmdLine)
{
    if (!cmdLine)
        return;
    line = cmdLine;
    args.clear();

    size_t cursor = 0;
    while (cursor < line.size()) {
        size_t dash = line.find(L'-', cursor);
        if (dash == std::wstring::npos)
            return;
        size_t keyStart = dash + 1;
        if (keyStart >= line.size())
            return;
        size_t equals = line.find(L'=', keyStart);
        if (equals == std::wstring::npos) {
            Insert(line.substr(keyStart), std::wstring());
            return;
        }
        std::wstring key = line.substr(keyStart, equals - keyStart);
        if (equals + 1 == line.size()) {
            Insert(key, std::wstring());
            return;
        }
        size_t valueStart = equals + 1;
        size_t valueEnd;
        if (line[valueStart] == L'"') {
            ++valueStart;
            valueEnd = line.find(L'"', valueStart);
        } else {
            valueEnd = line.find(L' ', valueStart);
        }
        if (valueEnd == std::wstring::npos) {
            Insert(key, line.substr(valueStart));
            return;
        }
        Insert(key, line.substr(valueStart, valueEnd - valueStart));
        cursor = valueEnd + 1;
    }
}

CCmdLineParser::ArgMap::const_iterator CCmdLineParser::FindKey(const std::wstring& key) const
{
    return args.find(Lower(key));
}

std::wstring CCmdLineParser::GetValue(const std::wstring& key) const
{
    auto it = FindKey(key);
    return it == args.end() ? std::wstring() : it->second;
}

std::wstring AppendUpdateZipName(const std::wstring& folder)
{
    return folder + kUpdateZipName;
}

ZipDwCfg BuildZipConf(const wchar_t* cmdLine, const std::wstring& moduleDir, const std::string& launchName)
{
    LOG(INFO) << "cmdline: " << (cmdLine ? WideToString(cmdLine) : std::string());
    CCmdLineParser parser(cmdLine);
    std::wstring url = parser.GetValue(L"url");
    std::wstring md5 = parser.GetValue(L"md5");
    std::wstring pageCallParam = parser.GetValue(L"pagecallparam");
    std::wstring forcedUpdate = parser.GetValue(L"forcedupdate");
    std::wstring clientExe = parser.GetValue(L"clientexe");
    std::wstring extractPath = parser.GetValue(L"extractpath");

    ZipDwCfg cfg;
    cfg.url = Narrow(url);
    cfg.zipPath = AppendUpdateZipName(moduleDir);
    cfg.zipMd5 = Narrow(md5);
    cfg.url += "?";
    cfg.url += cfg.zipMd5;
    cfg.pageCallParam = Narrow(pageCallParam);
    cfg.runClient = true;

    if (Exists(extractPath))
        cfg.extractPath = extractPath;
    else
        cfg.extractPath = KeepThroughLastBackslash(CutAtLastBackslash(CutAtLastBackslash(moduleDir)));

    if (Exists(clientExe)) {
        cfg.clientExePath = clientExe;
    } else {
        cfg.clientExePath = KeepThroughLastBackslash(CutAtLastBackslash(moduleDir));
        wchar_t wideName[kLaunchNameChars] = {};
        if (!launchName.empty() && GbkToWide(launchName.c_str(), wideName, kLaunchNameChars))
            cfg.clientExePath += wideName;
    }

    std::wstring rest = url.compare(0, 7, kHttpPrefix) == 0 ? url.substr(7) : url;
    size_t slash = rest.find(L'/');
    if (slash == std::wstring::npos) {
        cfg.path = Narrow(rest);
    } else {
        cfg.host = Narrow(rest.substr(0, slash));
        cfg.path = Narrow(rest.substr(slash));
    }

    cfg.forcedUpdate = _wtoi(forcedUpdate.c_str());

    LOG(INFO) << "zipPath: " << WideToString(cfg.zipPath);
    LOG(INFO) << "zipMd5: " << cfg.zipMd5;
    LOG(INFO) << "client UnZip Dic: " << WideToString(cfg.extractPath);
    LOG(INFO) << "clientExe Path: " << WideToString(cfg.clientExePath);
    return cfg;
}

ZipDwCfg parseZipConf(const wchar_t* cmdLine)
{
    std::string launchName;
    ConfigParser::Instance().GetValue("LaunchName", launchName);
    return BuildZipConf(cmdLine, GetModuleDir(), launchName);
}
