#pragma once
// The zip entries our readers decode.

namespace win32 {

// Bit 0 of the general-purpose flag. No reader of ours has a password, and without one minizip
// hands out the entry's ciphertext as its data.
inline bool IsEncryptedZipEntry(unsigned long flag)
{
    return (flag & 1) != 0;
}

// Stored (0) and deflate (8), not encrypted. minizip, built without BZip2, reads a BZip2 entry
// as if it were stored and hands out its packed bytes without a CRC check: every reader refuses
// the others.
inline bool IsDecodableZipEntry(unsigned long method, unsigned long flag)
{
    return (method == 0 || method == 8) && !IsEncryptedZipEntry(flag);
}

} // namespace win32
