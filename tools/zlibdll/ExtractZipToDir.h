#pragma once
// The export of zlib.dll that the updater calls to install a package.
#ifdef __cplusplus
extern "C" {
#endif

// Extracts every entry of the zip archive `zipPath` into `folder` (created as needed), keeping
// the archive's sub-folders. `flags` must be 0. Returns the number of files written, or -1 when
// the archive cannot be read or an entry fails. Entries that would land outside `folder` are
// skipped.
__declspec(dllimport) int __cdecl ExtractZipToDir(const wchar_t* zipPath, const wchar_t* folder, int flags);

#ifdef __cplusplus
}
#endif
