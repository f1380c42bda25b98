#include "StringConvert.h"

#include <windows.h>

#include <clocale>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "TextConvert.h"

namespace {

const UINT kGbkCodePage = 936;

} // namespace

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
    std::wstring wide = win32::ToWide(kGbkCodePage, src, strlen(src));
    if (wide.size() + 1 > dstLen)
        return false;
    wide.copy(dst, wide.size());
    dst[wide.size()] = L'\0';
    return !wide.empty();
}

bool Utf8ToAnsi(const char* src, char* dst)
{
    if (src == nullptr || dst == nullptr)
        return false;
    dst[0] = '\0';
    std::string ansi = win32::ToNarrow(CP_ACP, win32::ToWide(CP_UTF8, src, strlen(src)));
    if (ansi.size() + 1 > kAnsiValueSize)
        return false;
    ansi.copy(dst, ansi.size());
    dst[ansi.size()] = '\0';
    return !ansi.empty();
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
