// Small checks the list family's sources share.
#pragma once

#include <windows.h>

#include <cwchar>

#include "core/UIEvents.h"

namespace QxUI {
namespace ListCommon {

// Attribute and interface names match exactly; a missing name matches nothing.
inline bool Same(LPCWSTR a, LPCWSTR b)
{
    return a && b && wcscmp(a, b) == 0;
}

} // namespace ListCommon
} // namespace QxUI
