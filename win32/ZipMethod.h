#pragma once
// The zip entry methods our readers decode.

namespace win32 {

// Stored (0) and deflate (8). minizip, built without BZip2, reads a BZip2 entry as if it were
// stored and hands out its packed bytes without a CRC check: every reader refuses the others.
inline bool IsDecodableZipMethod(unsigned long method)
{
    return method == 0 || method == 8;
}

} // namespace win32
