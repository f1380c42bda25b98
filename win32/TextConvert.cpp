#include "TextConvert.h"

#include <climits>

namespace win32 {

std::wstring ToWide(UINT codePage, const char* text, size_t length)
{
    if (text == nullptr || length == 0 || length > INT_MAX)
        return std::wstring();
    const int size = static_cast<int>(length);
    const int units = MultiByteToWideChar(codePage, 0, text, size, nullptr, 0);
    if (units <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(units), L'\0');
    const int written = MultiByteToWideChar(codePage, 0, text, size, &out[0], units);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return out;
}

std::wstring ToWide(UINT codePage, const std::string& text)
{
    return ToWide(codePage, text.data(), text.size());
}

std::string ToNarrow(UINT codePage, const wchar_t* text, size_t length)
{
    if (text == nullptr || length == 0 || length > INT_MAX)
        return std::string();
    const int size = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(codePage, 0, text, size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    const int written = WideCharToMultiByte(codePage, 0, text, size, &out[0], bytes, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return out;
}

std::string ToNarrow(UINT codePage, const std::wstring& text)
{
    return ToNarrow(codePage, text.data(), text.size());
}

} // namespace win32
