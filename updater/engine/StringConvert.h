#pragma once
#include <cstddef>
#include <string>

// Size of the buffer that Utf8ToAnsi fills, terminator included.
constexpr size_t kAnsiValueSize = 512;

// Code page 936 -> UTF-16 into dst (dstLen wide characters, terminator included).
// False for a null source, a text that does not fit (dst is left empty) or an empty result.
bool GbkToWide(const char* src, wchar_t* dst, size_t dstLen);

// UTF-8 -> ANSI code page into dst (kAnsiValueSize bytes). A text longer than
// kAnsiValueSize - 1 bytes is refused: dst is left empty and the result is false.
bool Utf8ToAnsi(const char* src, char* dst);

// ANSI <-> UTF-16 through the C runtime in the user's default locale; the result ends
// at the first NUL.
std::wstring StringToWide(const std::string& text);
std::string WideToString(const std::wstring& text);

// Selects the user's default locale for the C runtime's character conversions. Runs once per
// process; the conversions above call it too, so calling it at start is only a matter of order.
void InitTextLocale();
