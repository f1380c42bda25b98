#pragma once
// Text between narrow code pages and UTF-16. Every conversion passes explicit lengths: a
// length of -1 makes the system look for the terminator, and Wine drops it after a truncated
// multi-byte sequence, so the result would carry no terminator at all.
#include <windows.h>

#include <string>

namespace win32 {

// `length` bytes of `text` in `codePage` as UTF-16; "" for no text or text that does not
// convert. Invalid sequences become the code page's replacement character.
std::wstring ToWide(UINT codePage, const char* text, size_t length);
std::wstring ToWide(UINT codePage, const std::string& text);

// `length` UTF-16 units of `text` in `codePage`; "" for no text or text that does not convert.
std::string ToNarrow(UINT codePage, const wchar_t* text, size_t length);
std::string ToNarrow(UINT codePage, const std::wstring& text);

// The shorthands most callers need.
inline std::wstring Utf8ToWide(const std::string& text) { return ToWide(CP_UTF8, text); }
inline std::string WideToUtf8(const std::wstring& text) { return ToNarrow(CP_UTF8, text); }

} // namespace win32
