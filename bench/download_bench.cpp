// Downloads one package with the engine and reports the time from the first request to a
// verified "update.zip", and the process's peak working set.
//   download_bench <host:port> <path> <md5> <folder>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "HttpDownload.h"
#include "StringConvert.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: download_bench <host:port> <path> <md5> <folder>\n");
        return 2;
    }
    std::string host = WideToString(argv[1]);
    std::string path = WideToString(argv[2]);
    std::wstring folder = argv[4];
    if (folder.back() != L'\\')
        folder += L'\\';

    CHttpDownload http(folder);
    DownloadInfo info;
    info.md5 = WideToString(argv[3]);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int result;
    int redirects = 0;
    do {
        result = http.Download(host, path, info);
    } while (result == -6 && ++redirects < 10);
    QueryPerformanceCounter(&end);

    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    printf("result=%d seconds=%.3f bytes=%lld peak_working_set=%llu\n", result, seconds,
           static_cast<long long>(info.totalBytes), static_cast<unsigned long long>(counters.PeakWorkingSetSize));
    return result == 1 ? 0 : 1;
}
