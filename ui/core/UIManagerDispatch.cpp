// Code of ours on the stack, and what waits for it: the dispatch scopes of a thread, the
// deletions made while handlers run, and the last notice of a window object whose window ended.

#include "core/UIManager.h"

#include <new>
#include <vector>

#include "core/UIControl.h"
#include "core/UIWindow.h"

namespace QxUI {

namespace {

// The scopes open on this thread, innermost first.
thread_local CUIWindowManager::DispatchScope* t_scopes = nullptr;

// Deletes a control once the destroy events of all it holds have run, while all of it is whole.
// A destroy handler may change the tree (empty a container, add a child): the tree is walked
// again until a walk meets no control that has not heard, so that none is deleted unannounced.
// What the handlers delete waits until the deletion is over.
void Free(CControlUI* control)
{
    const CUIWindowManager::DispatchScope scope;
    for (;;) {
        int announced = 0;
        control->FindControl(CControlUI::AnnounceDestructionCallback, &announced, UIFIND_ALL);
        if (announced == 0)
            break;
    }
    delete control;
}

// Controls deleted from inside a handler with no window to queue them with: freed once nothing
// of ours is on the stack.
struct DeferredWork
{
    ~DeferredWork()
    {
        // The thread ends: what is left is freed, and what its destroy handlers delete too.
        running = true;
        while (!controls.empty()) {
            CControlUI* control = controls.front();
            controls.erase(controls.begin());
            Free(control);
        }
    }
    std::vector<CControlUI*> controls;
    bool asked = false;     // a message to run it is on its way
    bool running = false;
};
thread_local DeferredWork t_deferred;

void KeepOrphan(CControlUI* control)
{
    try {
        t_deferred.controls.push_back(control);
    } catch (const std::bad_alloc&) {
        // Leaked rather than freed under a caller.
    }
}

bool OnThisThread(HWND window)
{
    return window && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId();
}

// A window that has ended, whose object has not heard of it yet.
struct EndedWindow
{
    CWindowWnd* object;
    HWND hWnd;
    HWND above;    // its parent, or the owner of a popup, when it ended
};
thread_local std::vector<EndedWindow> t_ended;

// The window whose code a message of this one may be using: the parent of a child window, the
// owner of a popup (the drop-down works on its combo box's window).
HWND Above(HWND window)
{
    for (const EndedWindow& ended : t_ended) {
        if (ended.hWnd == window)
            return ended.above;
    }
    return ::IsWindow(window) ? ::GetParent(window) : nullptr;
}

const UINT kRunDeferredWork = WM_APP + 2;
const WCHAR kWorkWindowClass[] = L"QxUIDeferredWork";

// Asks for the thread's deferred work: one message-only window per thread, which every
// message loop dispatches (a message posted to the thread would be dropped by a message box's).
LRESULT CALLBACK WorkWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != kRunDeferredWork)
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);
    // Taken, also by a nested loop: the work runs when this ends as the thread's outermost
    // message, else when that one ends, or is asked for again.
    t_deferred.asked = false;
    const CUIWindowManager::DispatchScope scope(hWnd, msg);
    return 0;
}

HWND WorkWindow()
{
    thread_local HWND window = nullptr;
    if (window && ::IsWindow(window))
        return window;
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WorkWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWorkWindowClass;
    if (!::RegisterClassW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    window = ::CreateWindowExW(0, kWorkWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               instance, nullptr);
    return window;
}

} // namespace

// ---- Scopes -------------------------------------------------------------------------------------

CUIWindowManager::DispatchScope::DispatchScope() : m_pOuter(t_scopes)
{
    t_scopes = this;
}

CUIWindowManager::DispatchScope::DispatchScope(HWND window)
    : m_hWnd(window), m_pOuter(t_scopes)
{
    t_scopes = this;
}

CUIWindowManager::DispatchScope::DispatchScope(const CUIWindowManager& manager)
    : DispatchScope(manager.m_hWndPaint)
{
}

CUIWindowManager::DispatchScope::DispatchScope(HWND window, UINT msg)
    : m_hWnd(window), m_uMsg(msg), m_bMessage(true), m_pOuter(t_scopes)
{
    t_scopes = this;
}

CUIWindowManager::DispatchScope::~DispatchScope()
{
    t_scopes = m_pOuter;
    if (m_hWnd && !t_ended.empty())
        TellEndedWindows();
    if (!t_scopes)
        EndDispatch(m_bMessage, m_bMessage && m_uMsg == WM_NCDESTROY ? m_hWnd : nullptr);
}

bool CUIWindowManager::IsDispatching()
{
    return t_scopes != nullptr;
}

bool CUIWindowManager::HandlesOnly(HWND window, UINT msg)
{
    for (const DispatchScope* scope = t_scopes; scope; scope = scope->m_pOuter) {
        if (scope->m_hWnd != window || scope->m_uMsg != msg)
            return false;
    }
    return true;
}

// ---- Window ends --------------------------------------------------------------------------------

void CUIWindowManager::WindowEnded(CWindowWnd* window, HWND hWnd)
{
    try {
        t_ended.push_back(EndedWindow{window, hWnd, ::GetParent(hWnd)});
    } catch (const std::bad_alloc&) {
        // The object is not told; it stays as it is rather than being freed under a caller.
    }
}

void CUIWindowManager::ForgetWindowEnding(CWindowWnd* window)
{
    for (auto it = t_ended.begin(); it != t_ended.end();)
        it = it->object == window ? t_ended.erase(it) : it + 1;
}

bool CUIWindowManager::IsWindowInUse(HWND window)
{
    // Bounded: a chain of parents and owners that loops must not hang the thread.
    const int kMaxAbove = 64;
    for (const DispatchScope* scope = t_scopes; scope; scope = scope->m_pOuter) {
        HWND held = scope->m_hWnd;
        for (int i = 0; held && i < kMaxAbove; ++i, held = Above(held)) {
            if (held == window)
                return true;
        }
    }
    return false;
}

void CUIWindowManager::TellEndedWindows()
{
    // A notice may end or make windows and open scopes of its own: the list is read afresh
    // after each.
    for (;;) {
        auto it = t_ended.begin();
        while (it != t_ended.end() && IsWindowInUse(it->hWnd))
            ++it;
        if (it == t_ended.end())
            return;
        const EndedWindow ended = *it;
        t_ended.erase(it);
        // An object that has made a window since is not told: the notice would act on that one.
        if (ended.object->GetHandle())
            continue;
        // What the notice deletes waits for the code below it, as any handler's.
        const DispatchScope scope;
        ended.object->OnWindowDestroyed(ended.hWnd);
    }
}

// ---- Deferred work ------------------------------------------------------------------------------

bool CUIWindowManager::HasDeferredWork()
{
    return !t_deferred.controls.empty();
}

void CUIWindowManager::RunDeferredWork()
{
    // Each control goes in a scope of its own: what its destroy handlers delete joins the list
    // and is freed by this loop.
    while (HasDeferredWork()) {
        CControlUI* control = t_deferred.controls.front();
        t_deferred.controls.erase(t_deferred.controls.begin());
        Free(control);
    }
}

void CUIWindowManager::AskForDeferredWork()
{
    if (t_deferred.asked)
        return;
    const HWND window = WorkWindow();
    t_deferred.asked = window && ::PostMessageW(window, kRunDeferredWork, 0, 0);
}

void CUIWindowManager::TakeQueuesOfEndedWindows(HWND ending)
{
    for (int i = 0; i < s_aManagers.GetSize(); ++i) {
        CUIWindowManager* manager = static_cast<CUIWindowManager*>(s_aManagers[i]);
        if (manager->m_aDelayedCleanup.IsEmpty() || manager->m_dwThreadId != ::GetCurrentThreadId() ||
            (manager->m_hWndPaint != ending && ::IsWindow(manager->m_hWndPaint)))
            continue;
        for (int j = 0; j < manager->m_aDelayedCleanup.GetSize(); ++j)
            KeepOrphan(static_cast<CControlUI*>(manager->m_aDelayedCleanup[j]));
        manager->m_aDelayedCleanup.Empty();
    }
}

void CUIWindowManager::EndDispatch(bool message, HWND ending)
{
    // The loop running the deferred work takes what its pieces defer.
    if (t_deferred.running)
        return;
    TakeQueuesOfEndedWindows(ending);
    // The outermost message of the thread has ended: nothing of ours is on the stack. After any
    // other outermost scope, the code that called in from outside may still hold what the work
    // would free: a message is asked for instead.
    if (message) {
        t_deferred.asked = false;
        t_deferred.running = true;
        RunDeferredWork();
        t_deferred.running = false;
    } else if (HasDeferredWork()) {
        AskForDeferredWork();
    }
    // Deletions that came while a handler ran its own message loop are asked for again.
    for (int i = 0; i < s_aManagers.GetSize(); ++i) {
        CUIWindowManager* manager = static_cast<CUIWindowManager*>(s_aManagers[i]);
        if (manager->m_bDeletionPending && OnThisThread(manager->m_hWndPaint)) {
            manager->m_bDeletionPending = false;
            ::PostMessageW(manager->m_hWndPaint, kDeleteQueuedControls, 0, 0);
        }
    }
}

// ---- Deletions ----------------------------------------------------------------------------------

void CUIWindowManager::DeleteControl(CControlUI* control)
{
    if (!control)
        return;
    if (!IsDispatching()) {
        Free(control);
        return;
    }
    // A handler, or the code that called it, may still be using it.
    CUIWindowManager* manager = control->GetManager();
    if (manager && s_aManagers.Find(manager) >= 0 && OnThisThread(manager->m_hWndPaint)) {
        manager->QueueControlForDeletion(control);
        return;
    }
    control->SetManager(nullptr, nullptr, false);
    KeepOrphan(control);
}

void CUIWindowManager::QueueControlForDeletion(CControlUI* control)
{
    if (!control)
        return;
    // Out of the window at once: nothing of it is called from here on, not even the news that
    // it lost the focus.
    CUIWindowManager* left = control->GetManager();
    control->SetManager(nullptr, nullptr, false);
    if (left)
        left->DropFocusLost(control);
    // A window that has ended handles no more messages: the control goes as a deletion made
    // without a window.
    if (m_hWndPaint && !::IsWindow(m_hWndPaint)) {
        DeleteControl(control);
        return;
    }
    const bool first = m_aDelayedCleanup.IsEmpty();
    if (!m_aDelayedCleanup.Add(control)) {
        KeepOrphan(control);
        if (!IsDispatching())
            AskForDeferredWork();
        return;
    }
    // Without a window the control waits for the manager's destructor. One message deletes all
    // that is queued.
    if (first && m_hWndPaint)
        ::PostMessageW(m_hWndPaint, kDeleteQueuedControls, 0, 0);
}

void CUIWindowManager::DeleteQueuedControls()
{
    // From inside a handler's own message loop the controls may still be on the stack below:
    // they wait until that handler has returned.
    if (!HandlesOnly(m_hWndPaint, kDeleteQueuedControls)) {
        m_bDeletionPending = true;
        return;
    }
    // A destructor may queue further controls: they wait for the next message.
    CUIPtrArray doomed(m_aDelayedCleanup);
    m_aDelayedCleanup.Empty();
    for (int i = 0; i < doomed.GetSize(); ++i)
        Free(static_cast<CControlUI*>(doomed[i]));
}

} // namespace QxUI
