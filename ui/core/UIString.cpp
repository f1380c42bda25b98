#include "core/UIString.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <cwchar>

#include "core/UIMemory.h"

namespace QxUI {

namespace {

LPWSTR AllocUnits(size_t units)
{
    return static_cast<LPWSTR>(UIAlloc(units * sizeof(WCHAR)));
}

LPWSTR ReallocUnits(LPWSTR block, size_t used, size_t units)
{
    return static_cast<LPWSTR>(UIRealloc(block, used * sizeof(WCHAR), units * sizeof(WCHAR)));
}

} // namespace

CUIString::CUIString() : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
}

CUIString::CUIString(const CUIString& src) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    Assign(src.m_pstr, src.m_iLength);
}

CUIString::CUIString(LPCWSTR text, int length) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    Assign(text, length);
}

CUIString::CUIString(WCHAR ch) : m_pstr(m_szBuffer), m_iLength(ch != L'\0' ? 1 : 0)
{
    m_szBuffer[0] = ch;
    m_szBuffer[1] = L'\0';
}

CUIString::~CUIString()
{
    if (!IsInline())
        UIFree(m_pstr);
}

bool CUIString::Aliases(LPCWSTR text) const
{
    // Only pointers into the current text can alias; its block may move or be freed.
    return text >= m_pstr && text <= m_pstr + m_iLength;
}

// Assigned texts get a block of their exact size. Appends grow it by at least half again, so
// that a text built by many appends is copied a few times, not once per append.
bool CUIString::Reserve(int length, bool exact)
{
    if (length <= m_iCapacity)
        return true;
    size_t units = static_cast<size_t>(length);
    if (!exact)
        units = std::max(units, std::min<size_t>(INT_MAX - 1, static_cast<size_t>(m_iCapacity) +
                                                                  m_iCapacity / 2));
    LPWSTR block = IsInline() ? AllocUnits(units + 1)
                              : ReallocUnits(m_pstr, static_cast<size_t>(m_iLength) + 1, units + 1);
    if (block == nullptr)
        return false;
    if (IsInline())
        memcpy(block, m_szBuffer, (static_cast<size_t>(m_iLength) + 1) * sizeof(WCHAR));
    m_pstr = block;
    m_iCapacity = static_cast<int>(units);
    return true;
}

void CUIString::Assign(LPCWSTR text, int length)
{
    if (text == nullptr)
        text = L"";
    if (Aliases(text)) {
        CUIString copy(text, length);
        Assign(copy.m_pstr, copy.m_iLength);
        return;
    }
    if (length < 0)
        length = static_cast<int>(wcslen(text));

    if (length > kMaxInlineLength) {
        if (!Reserve(length, true))
            return;
    } else if (!IsInline()) {
        Empty();
    }

    // A source shorter than length ends the text at its terminator.
    int copied = 0;
    while (copied < length && text[copied] != L'\0') {
        m_pstr[copied] = text[copied];
        ++copied;
    }
    m_pstr[copied] = L'\0';
    m_iLength = copied;
}

CUIString& CUIString::operator=(const CUIString& src)
{
    if (this != &src)
        Assign(src.m_pstr, src.m_iLength);
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
        UIFree(m_pstr);
    m_pstr = m_szBuffer;
    m_szBuffer[0] = L'\0';
    m_iLength = 0;
    m_iCapacity = kMaxInlineLength;
}

void CUIString::AppendUnits(LPCWSTR text, int length)
{
    if (length <= 0)
        return;
    if (Aliases(text)) {
        CUIString copy(text, length);
        AppendUnits(copy.m_pstr, copy.m_iLength);
        return;
    }
    const LONGLONG total = static_cast<LONGLONG>(m_iLength) + length;
    if (total >= INT_MAX || !Reserve(static_cast<int>(total), false))
        return;
    memcpy(m_pstr + m_iLength, text, static_cast<size_t>(length) * sizeof(WCHAR));
    m_iLength = static_cast<int>(total);
    m_pstr[m_iLength] = L'\0';
}

void CUIString::Append(LPCWSTR text)
{
    if (text != nullptr)
        AppendUnits(text, static_cast<int>(wcslen(text)));
}

CUIString& CUIString::operator+=(const CUIString& src)
{
    AppendUnits(src.m_pstr, src.m_iLength);
    return *this;
}

CUIString& CUIString::operator+=(LPCWSTR text)
{
    Append(text);
    return *this;
}

CUIString& CUIString::operator+=(WCHAR ch)
{
    if (ch != L'\0')
        AppendUnits(&ch, 1);
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

    // One pass over the text: rebuilding all of it at each occurrence was quadratic. The search
    // goes on after each occurrence, so inserted text is never searched again.
    CUIString rebuilt;
    int count = 0;
    int done = 0;
    for (int pos = Find(fromText.m_pstr, 0); pos >= 0; pos = Find(fromText.m_pstr, done)) {
        rebuilt.AppendUnits(m_pstr + done, pos - done);
        rebuilt += toText;
        done = pos + fromText.m_iLength;
        ++count;
    }
    if (count > 0) {
        rebuilt.AppendUnits(m_pstr + done, m_iLength - done);
        Assign(rebuilt.m_pstr, rebuilt.m_iLength);
    }
    return count;
}

void CUIString::MakeLower()
{
    if (m_iLength > 0)
        ::CharLowerBuffW(m_pstr, static_cast<DWORD>(m_iLength));
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
