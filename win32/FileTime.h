#pragma once
// File times from the Unix times that archives store.
#include <windows.h>

#include <cstdint>

namespace win32 {

// Seconds since 1970 as a FILETIME, by plain arithmetic, which also holds before 1970.
FILETIME FileTimeFromUnixSeconds(int32_t seconds);

} // namespace win32
