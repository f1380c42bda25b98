#include "FileTime.h"

namespace win32 {

namespace {
const int64_t kUnixEpochAsFileTimeSeconds = 11644473600LL;  // 1601-01-01 to 1970-01-01
const uint64_t kTicksPerSecond = 10000000ULL;
} // namespace

FILETIME FileTimeFromUnixSeconds(int32_t seconds)
{
    const uint64_t ticks = static_cast<uint64_t>(seconds + kUnixEpochAsFileTimeSeconds) * kTicksPerSecond;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

} // namespace win32
