// CUIString: the framework's wide string with a short inline buffer.
#pragma once

#include <windows.h>

namespace QxUI {

class CUIString
{
public:
    // Texts of up to this many units stay in the inline buffer.
    static constexpr int kMaxInlineLength = 62;
    static constexpr int kInlineBufferSize = 64;
    // Format writes into a buffer of this many units, terminator included.
    static constexpr int kFormatBufferSize = 64;

    CUIString();
    CUIString(const CUIString& src);
    CUIString(LPCWSTR text, int length = -1);
    CUIString(WCHAR ch);
    ~CUIString();

    void Assign(LPCWSTR text, int length = -1);
    CUIString& operator=(const CUIString& src);
    CUIString& operator=(LPCWSTR text);
    void Empty();

    void Append(LPCWSTR text);
    CUIString& operator+=(const CUIString& src);
    CUIString& operator+=(LPCWSTR text);
    CUIString& operator+=(WCHAR ch);

    int Compare(LPCWSTR text) const;
    bool operator==(LPCWSTR text) const;

    LPCWSTR GetData() const { return m_pstr; }
    int GetLength() const { return m_iLength; }
    bool IsEmpty() const { return m_pstr[0] == L'\0'; }
    WCHAR GetAt(int index) const { return m_pstr[index]; }

    int Find(LPCWSTR text, int start = 0) const;
    int Find(WCHAR ch, int start = 0) const;
    int ReverseFind(WCHAR ch) const;

    CUIString Left(int n) const;
    CUIString Mid(int start, int n = -1) const;

    int Replace(LPCWSTR from, LPCWSTR to);
    void MakeLower();

    // wvsprintfW rules; the result is cut at kFormatBufferSize - 1 units.
    static void Format(CUIString& target, LPCWSTR format, ...);

private:
    bool IsInline() const { return m_pstr == m_szBuffer; }
    bool Aliases(LPCWSTR text) const;
    // Makes room for a text of length units; false (nothing changed) when memory runs out.
    bool Reserve(int length, bool exact);
    void AppendUnits(LPCWSTR text, int length);

    LPWSTR m_pstr;
    int m_iLength = 0;
    int m_iCapacity = kMaxInlineLength;   // units the text may hold, its terminator not counted
    WCHAR m_szBuffer[kInlineBufferSize];
};

} // namespace QxUI
