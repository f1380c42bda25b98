#pragma once
#include <windows.h>

#include "Win32Handle.h"

// Holder of one worker thread running Run(). A derived class stops its work cooperatively and
// calls Join() in its own destructor, before its members go away; nothing ends the thread
// forcibly.
class ThreadBase {
public:
    ThreadBase();
    virtual ~ThreadBase();
    ThreadBase(const ThreadBase&) = delete;
    ThreadBase& operator=(const ThreadBase&) = delete;

    // Starts the thread unless it already exists; the done event is reset before Run can set it.
    void Start();
    // Waits for the thread to end; true when it has ended (or never started).
    bool Join(DWORD timeoutMs = INFINITE);
    HANDLE DoneEvent() const { return doneEvent.Get(); }

protected:
    virtual void Run() = 0;
    static DWORD WINAPI ThreadProc(LPVOID param);

    DWORD threadId = 0;
    win32::UniqueHandle thread;
    win32::UniqueHandle doneEvent; // manual reset; signalled while no Run is under way
};
