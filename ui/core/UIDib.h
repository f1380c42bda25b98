#pragma once

#include <windows.h>

namespace QxUI {

// A top-down 32-bit DIB section with *bits at its pixels; nullptr when none could be made.
HBITMAP CreateDib32(int width, int height, DWORD** bits);

} // namespace QxUI
