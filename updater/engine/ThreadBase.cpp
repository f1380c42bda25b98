#include "ThreadBase.h"

#include "Log.h"

ThreadBase::ThreadBase() : doneEvent(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

ThreadBase::~ThreadBase()
{
    Join();
}

void ThreadBase::Start()
{
    if (thread)
        return;
    // Created suspended, so the done event is reset before the thread can signal it.
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, 0, &ThreadBase::ThreadProc, this, CREATE_SUSPENDED, &id);
    if (!handle) {
        LOG(ERROR) << "create worker thread failed, error[" << GetLastError() << "]";
        return;
    }
    thread.Reset(handle);
    threadId = id;
    ResetEvent(doneEvent.Get());
    ResumeThread(handle);
}

bool ThreadBase::Join(DWORD timeoutMs)
{
    if (!thread)
        return true;
    if (GetCurrentThreadId() == threadId)
        return false;
    return WaitForSingleObject(thread.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD WINAPI ThreadBase::ThreadProc(LPVOID param)
{
    ThreadBase* self = static_cast<ThreadBase*>(param);
    self->Run();
    SetEvent(self->doneEvent.Get());
    return 0;
}
