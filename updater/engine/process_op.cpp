#include "process_op.h"

#include <tlhelp32.h>

#include <atomic>
#include <cctype>
#include <cwctype>

#include "Log.h"

namespace {

// The narrow name's bytes against the wide name's units, each upper-cased: only ASCII names match.
bool SameNameIgnoringCase(const std::string& wanted, const wchar_t* exeFile)
{
    size_t length = wcslen(exeFile);
    if (length != wanted.size())
        return false;
    for (size_t i = 0; i < length; ++i) {
        wint_t a = static_cast<wint_t>(toupper(static_cast<unsigned char>(wanted[i])));
        if (a != towupper(exeFile[i]))
            return false;
    }
    return true;
}

HANDLE SnapshotAllProcesses()
{
    return CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
}

std::atomic<ProcessSnapshotSource> g_snapshotSource{SnapshotAllProcesses};

SnapshotHandle TakeProcessSnapshot()
{
    return SnapshotHandle(g_snapshotSource.load()());
}

} // namespace

void SetProcessSnapshotSource(ProcessSnapshotSource source)
{
    g_snapshotSource = source != nullptr ? source : SnapshotAllProcesses;
}

DWORD FindProcess_ByName(const std::string& name, bool* listFailed)
{
    if (listFailed != nullptr)
        *listFailed = false;
    SnapshotHandle snapshot = TakeProcessSnapshot();
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!snapshot || !Process32FirstW(snapshot.Get(), &entry)) {
        LOG(ERROR) << "process32 first error, error[" << GetLastError() << "]";
        if (listFailed != nullptr)
            *listFailed = true;
        return 0;
    }
    do {
        if (SameNameIgnoringCase(name, entry.szExeFile))
            return entry.th32ProcessID;
    } while (Process32NextW(snapshot.Get(), &entry));
    return 0;
}
