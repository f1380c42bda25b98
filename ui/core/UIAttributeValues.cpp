#include "core/UIAttributeValues.h"

#include <cstdlib>
#include <cwchar>

namespace QxUI {

namespace {

bool IsSpace(WCHAR ch)
{
    return ch == L' ';
}

bool IsWhitespace(WCHAR ch)
{
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n';
}

bool IsBlank(WCHAR ch)
{
    return ch != L'\0' && ch <= L' ';
}

DWORD HexColorAfter(LPCWSTR value, bool (*skipped)(WCHAR))
{
    if (!value)
        return 0;
    if (skipped) {
        while (skipped(*value))
            ++value;
    }
    if (*value == L'#')
        ++value;
    return static_cast<DWORD>(wcstoul(value, nullptr, 16));
}

// The next number starts one character after this one ends, but never past the end of the text.
template <class T, class Read>
void ReadSeparatedList(LPCWSTR value, T* numbers, int count, Read read)
{
    LPCWSTR p = value ? value : L"";
    for (int i = 0; i < count; ++i) {
        LPWSTR end = nullptr;
        numbers[i] = read(p, &end);
        p = *end != L'\0' ? end + 1 : end;
    }
}

void ReadCommaList(LPCWSTR value, long* numbers, int count, bool stopAtGap)
{
    LPCWSTR p = value ? value : L"";
    for (int i = 0; i < count; ++i) {
        LPWSTR end = nullptr;
        numbers[i] = wcstol(p, &end, 10);
        if (stopAtGap && end == p) {
            for (++i; i < count; ++i)
                numbers[i] = 0;
            return;
        }
        p = end;
        if (*p == L',')
            ++p;
    }
}

long ReadDecimal(LPCWSTR p, LPWSTR* end)
{
    return wcstol(p, end, 10);
}

double ReadFraction(LPCWSTR p, LPWSTR* end)
{
    return wcstod(p, end);
}

bool StartsWithDigit(LPCWSTR value)
{
    return value && *value >= L'0' && *value <= L'9';
}

} // namespace

bool AttributeIsTrue(LPCWSTR value)
{
    return value && wcscmp(value, L"true") == 0;
}

bool AttributeIsTrueIgnoringCase(LPCWSTR value)
{
    return value && _wcsicmp(value, L"true") == 0;
}

bool AttributeIsFalse(LPCWSTR value)
{
    return value && wcscmp(value, L"false") == 0;
}

int AttributeInt(LPCWSTR value)
{
    static_assert(sizeof(long) == sizeof(int), "wcstol saturates at the int range");
    return value ? static_cast<int>(wcstol(value, nullptr, 10)) : 0;
}

DWORD AttributeHexColor(LPCWSTR value)
{
    return HexColorAfter(value, nullptr);
}

DWORD AttributeHexColorAfterSpaces(LPCWSTR value)
{
    return HexColorAfter(value, IsSpace);
}

DWORD AttributeHexColorAfterWhitespace(LPCWSTR value)
{
    return HexColorAfter(value, IsWhitespace);
}

DWORD AttributeHexColorAfterBlanks(LPCWSTR value)
{
    return HexColorAfter(value, IsBlank);
}

void AttributeDecimalList(LPCWSTR value, long* numbers, int count)
{
    ReadSeparatedList(value, numbers, count, ReadDecimal);
}

RECT AttributeDecimalRect(LPCWSTR value)
{
    long n[4] = {};
    AttributeDecimalList(value, n, 4);
    return RECT{n[0], n[1], n[2], n[3]};
}

SIZE AttributeDecimalSize(LPCWSTR value)
{
    long n[2] = {};
    AttributeDecimalList(value, n, 2);
    return SIZE{n[0], n[1]};
}

void AttributeFractionList(LPCWSTR value, double* numbers, int count)
{
    ReadSeparatedList(value, numbers, count, ReadFraction);
}

void AttributeCommaList(LPCWSTR value, long* numbers, int count)
{
    ReadCommaList(value, numbers, count, false);
}

RECT AttributeCommaRectUntilGap(LPCWSTR value)
{
    long n[4] = {};
    ReadCommaList(value, n, 4, true);
    return RECT{n[0], n[1], n[2], n[3]};
}

UINT AttributeAlignWords(LPCWSTR value)
{
    struct Word
    {
        LPCWSTR text;
        UINT flag;
    };
    static const Word kWords[] = {
        {L"left", kAlignLeft}, {L"center", kAlignCenter},   {L"right", kAlignRight},
        {L"top", kAlignTop},   {L"vcenter", kAlignVCenter}, {L"bottom", kAlignBottom},
    };
    UINT found = 0;
    if (!value)
        return found;
    for (const Word& word : kWords) {
        if (wcsstr(value, word.text))
            found |= word.flag;
    }
    return found;
}

bool AttributeResourceId(LPCWSTR value, WORD& id)
{
    if (!StartsWithDigit(value))
        return false;
    // Resource ids are 16-bit: a larger number would name another resource once cut.
    const unsigned long number = wcstoul(value, nullptr, 10);
    if (number > 0xFFFF)
        return false;
    id = static_cast<WORD>(number);
    return true;
}

WORD AttributeResourceIdDigitsOnly(LPCWSTR value)
{
    if (!StartsWithDigit(value))
        return 0;
    LPWSTR end = nullptr;
    const unsigned long number = wcstoul(value, &end, 10);
    if (*end != L'\0' || number > 0xFFFF)
        return 0;
    return static_cast<WORD>(number);
}

} // namespace QxUI
