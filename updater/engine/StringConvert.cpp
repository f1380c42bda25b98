#include "StringConvert.h"

#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <mutex>
#include <vector>

void InitTextLocale()
{
    // setlocale changes process-wide state: doing it once, before any conversion runs,
    // keeps it from racing with conversions on other threads.
    static std::once_flag once;
    std::call_once(once, [] { setlocale(LC_CTYPE, ""); });
}

bool GbkToWide(const char* src, wchar_t* dst, size_t dstLen)
{
    if (src == nullptr || dst == nullptr || dstLen == 0)
        return false;
    dst[0] = L'\0';
    int needed = MultiByteToWideChar(936, 0, src, -1, nullptr, 0);
    if (needed <= 0 || static_cast<size_t>(needed) > dstLen)
        return false;
    if (MultiByteToWideChar(936, 0, src, -1, dst, needed) <= 0) {
        dst[0] = L'\0';
        return false;
    }
    return dst[0] != L'\0';
}

bool Utf8ToAnsi(const char* src, char* dst)
{
    if (src == nullptr || dst == nullptr)
        return false;
    dst[0] = '\0';
    int wideLen = MultiByteToWideChar(CP_UTF8, 0, src, -1, nullptr, 0);
    if (wideLen <= 0)
        return false;
    std::vector<wchar_t> wide(static_cast<size_t>(wideLen));
    MultiByteToWideChar(CP_UTF8, 0, src, -1, wide.data(), wideLen);

    int ansiLen = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    if (ansiLen <= 0 || static_cast<size_t>(ansiLen) > kAnsiValueSize)
        return false;
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, dst, ansiLen, nullptr, nullptr);
    return dst[0] != '\0';
}

std::wstring StringToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    InitTextLocale();
    std::vector<wchar_t> buffer(text.size() + 1, L'\0');
    size_t converted = 0;
    mbstowcs_s(&converted, buffer.data(), buffer.size(), text.c_str(), _TRUNCATE);
    return std::wstring(buffer.data());
}

std::string WideToString(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    InitTextLocale();
    std::vector<char> buffer(4 * text.size() + 1, '\0');
    size_t converted = 0;
    wcstombs_s(&converted, buffer.data(), buffer.size(), text.c_str(), _TRUNCATE);
    return std::string(buffer.data());
}
