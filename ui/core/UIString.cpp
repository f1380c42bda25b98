#include "core/UIString.h"

#include <shlwapi.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace QxUI {

namespace {

LPWSTR AllocUnits(size_t units)
{
    return static_cast<LPWSTR>(malloc(units * sizeof(WCHAR)));
}

LPWSTR ReallocUnits(LPWSTR block, size_t units)
{
    return static_cast<LPWSTR>(realloc(block, units * sizeof(WCHAR)));
}

} // namespace

CUIString::CUIString() : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
}

CUIString::CUIString(const CUIString& src) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    Assign(src.m_pstr);
}

CUIString::CUIString(LPCWSTR text, int length) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    Assign(text, length);
}

CUIString::CUIString(WCHAR ch) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = ch;
    m_szBuffer[1] = L'\0';
}

CUIString::~CUIString()
{
    if (!IsInline())
        free(m_pstr);
}

bool CUIString::Aliases(LPCWSTR text) const
{
    // Only pointers into the current text can alias; its block may move or be freed.
    return text >= m_pstr && text <= m_pstr + wcslen(m_pstr);
}

int CUIString::GetLength() const
{
    return static_cast<int>(wcslen(m_pstr));
}

void CUIString::Assign(LPCWSTR text, int length)
{
    if (text == nullptr)
        text = L"";
    if (Aliases(text)) {
        CUIString copy(text, length);
        Assign(copy.m_pstr, copy.GetLength());
        return;
    }
    if (length < 0)
        length = static_cast<int>(wcslen(text));

    if (length > kMaxInlineLength) {
        if (IsInline()) {
            LPWSTR block = AllocUnits(static_cast<size_t>(length) + 1);
            if (block == nullptr)
                return;
            m_pstr = block;
        } else if (GetLength() < length) {
            LPWSTR block = ReallocUnits(m_pstr, static_cast<size_t>(length) + 1);
            if (block == nullptr)
                return;
            m_pstr = block;
        }
    } else if (!IsInline()) {
        free(m_pstr);
        m_pstr = m_szBuffer;
    }

    int copied = 0;
    while (copied < length && text[copied] != L'\0') {
        m_pstr[copied] = text[copied];
        ++copied;
    }
    m_pstr[length] = L'\0';
    // A source shorter than length leaves the rest unwritten: end the text at its terminator.
    if (copied < length)
        m_pstr[copied] = L'\0';
}

CUIString& CUIString::operator=(const CUIString& src)
{
    if (this != &src)
        Assign(src.m_pstr);
    return *this;
}

CUIString& CUIString::operator=(LPCWSTR text)
{
    if (text == nullptr)
        Empty();
    else
        Assign(text);
    return *this;
}

void CUIString::Empty()
{
    if (!IsInline())
        free(m_pstr);
    m_pstr = m_szBuffer;
    m_szBuffer[0] = L'\0';
}

void CUIString::Append(LPCWSTR text)
{
    if (text == nullptr || text[0] == L'\0')
        return;
    if (Aliases(text)) {
        CUIString copy(text);
        Append(copy.m_pstr);
        return;
    }
    size_t current = wcslen(m_pstr);
    size_t total = current + wcslen(text);
    if (total > static_cast<size_t>(kMaxInlineLength)) {
        if (IsInline()) {
            LPWSTR block = AllocUnits(total + 1);
            if (block == nullptr)
                return;
            memcpy(block, m_szBuffer, (current + 1) * sizeof(WCHAR));
            m_pstr = block;
        } else {
            LPWSTR block = ReallocUnits(m_pstr, total + 1);
            if (block == nullptr)
                return;
            m_pstr = block;
        }
    }
    wcscpy(m_pstr + current, text);
}

CUIString& CUIString::operator+=(const CUIString& src)
{
    Append(src.m_pstr);
    return *this;
}

CUIString& CUIString::operator+=(LPCWSTR text)
{
    Append(text);
    return *this;
}

CUIString& CUIString::operator+=(WCHAR ch)
{
    WCHAR text[2] = {ch, L'\0'};
    Append(text);
    return *this;
}

int CUIString::Compare(LPCWSTR text) const
{
    return wcscmp(m_pstr, text != nullptr ? text : L"");
}

bool CUIString::operator==(LPCWSTR text) const
{
    return Compare(text) == 0;
}

int CUIString::Find(LPCWSTR text, int start) const
{
    if (text == nullptr)
        return -1;
    if (start != 0 && (start < 0 || start > GetLength()))
        return -1;
    // An empty text is found where the search starts; some runtimes' wcsstr say otherwise.
    if (text[0] == L'\0')
        return start;
    LPCWSTR hit = wcsstr(m_pstr + start, text);
    return hit != nullptr ? static_cast<int>(hit - m_pstr) : -1;
}

int CUIString::Find(WCHAR ch, int start) const
{
    if (start != 0 && (start < 0 || start > GetLength() - 1))
        return -1;
    LPCWSTR hit = wcschr(m_pstr + start, ch);
    // wcschr also finds the terminator, which is no part of the text.
    if (hit == nullptr || *hit == L'\0')
        return -1;
    return static_cast<int>(hit - m_pstr);
}

int CUIString::ReverseFind(WCHAR ch) const
{
    if (ch == L'\0')
        return -1;
    LPCWSTR hit = wcsrchr(m_pstr, ch);
    return hit != nullptr ? static_cast<int>(hit - m_pstr) : -1;
}

CUIString CUIString::Left(int n) const
{
    int length = GetLength();
    if (n < 0)
        n = 0;
    if (n > length)
        n = length;
    return CUIString(m_pstr, n);
}

CUIString CUIString::Mid(int start, int n) const
{
    int length = GetLength();
    if (start < 0 || start > length)
        return CUIString();
    if (n < 0 || n > length - start)
        n = length - start;
    if (n <= 0)
        return CUIString();
    return CUIString(m_pstr + start, n);
}

int CUIString::Replace(LPCWSTR from, LPCWSTR to)
{
    if (from == nullptr || from[0] == L'\0')
        return 0;
    // Either text may point into this string, which is rebuilt below.
    const CUIString fromText(from);
    const CUIString toText(to != nullptr ? to : L"");
    const int fromLength = fromText.GetLength();
    const int toLength = toText.GetLength();

    int count = 0;
    int pos = Find(fromText.m_pstr, 0);
    while (pos >= 0) {
        CUIString rebuilt = Left(pos);
        rebuilt += toText;
        rebuilt += m_pstr + pos + fromLength;
        Assign(rebuilt.m_pstr);
        ++count;
        pos = Find(fromText.m_pstr, pos + toLength);
    }
    return count;
}

void CUIString::MakeLower()
{
    DWORD length = static_cast<DWORD>(wcslen(m_pstr));
    if (length > 0)
        ::CharLowerBuffW(m_pstr, length);
}

void CUIString::Format(CUIString& target, LPCWSTR format, ...)
{
    WCHAR buffer[kFormatBufferSize] = {};
    va_list args;
    va_start(args, format);
    // The bounded form of wvsprintfW: a long result is cut, never written past the buffer.
    ::wvnsprintfW(buffer, kFormatBufferSize, format != nullptr ? format : L"", args);
    va_end(args);
    buffer[kFormatBufferSize - 1] = L'\0';
    target.Assign(buffer);
}

} // namespace QxUI
