#pragma once

#include <windows.h>

#include <cwchar>

namespace QxUI {

// Skin attribute values: a boolean is true only for the exact text "true".
inline bool AttributeIsTrue(LPCWSTR value)
{
    return value && wcscmp(value, L"true") == 0;
}

// A hexadecimal ARGB colour after an optional "#".
inline DWORD AttributeColor(LPCWSTR value)
{
    if (!value)
        return 0;
    while (*value == L' ')
        ++value;
    if (*value == L'#')
        ++value;
    return static_cast<DWORD>(wcstoul(value, nullptr, 16));
}

// Up to four comma-separated decimals: left, top, right, bottom; missing ones are 0.
inline RECT AttributeRect(LPCWSTR value)
{
    RECT rc = {0, 0, 0, 0};
    LONG* fields[4] = {&rc.left, &rc.top, &rc.right, &rc.bottom};
    LPCWSTR p = value ? value : L"";
    for (LONG* field : fields) {
        LPWSTR end = nullptr;
        *field = static_cast<LONG>(wcstol(p, &end, 10));
        if (end == p)
            break;
        p = end;
        if (*p == L',')
            ++p;
    }
    return rc;
}

} // namespace QxUI
