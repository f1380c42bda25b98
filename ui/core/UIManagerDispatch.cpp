// Code of ours on the stack, and what waits for it: the dispatch scopes of a thread, the
// deletions made while handlers run, and the last notice of a window object whose window ended.

#include "core/UIManager.h"

#include <cstdlib>
#include <new>
#include <vector>

#include "core/UIControl.h"
#include "core/UIWindow.h"

namespace QxUI {

namespace {

// A window that has ended, whose object has not heard of it yet.
struct EndedWindow
{
    CWindowWnd* object;
    HWND hWnd;
    HWND above;    // its parent, or the owner of a popup, when it ended
};

// What the framework keeps for a thread. It lives in a fiber-local slot, whose callback frees it
// as the thread ends: the run time of this tool chain destroys thread_local objects of other
// threads after their storage has gone.
struct ThreadState
{
    CUIWindowManager::DispatchScope* scopes = nullptr;   // the open ones, innermost first
    // Controls deleted from inside a handler with no window to queue them with: freed once
    // nothing of ours is on the stack.
    std::vector<CControlUI*> deferred;
    bool asked = false;     // a message to run them is on its way
    bool running = false;
    std::vector<EndedWindow> ended;
    HWND workWindow = nullptr;
};

// Set as the process exits: the static objects go, and no control may be freed after them.
bool g_processEnding = false;

VOID NTAPI EndThread(PVOID data);

DWORD Slot()
{
    static const DWORD slot = ::FlsAlloc(EndThread);
    return slot;
}

void EndProcess();

ThreadState* ExistingState()
{
    return static_cast<ThreadState*>(::FlsGetValue(Slot()));
}

ThreadState& State()
{
    if (ThreadState* state = ExistingState())
        return *state;
    // The exiting thread frees what it left before the static objects go.
    static const int registered = std::atexit(EndProcess);
    (void)registered;
    ThreadState* state = new ThreadState;
    ::FlsSetValue(Slot(), state);
    return *state;
}

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

// Frees the controls, and those that their destroy handlers add meanwhile, in order.
void FreeDeferred(std::vector<CControlUI*>& deferred)
{
    while (!deferred.empty()) {
        std::vector<CControlUI*> batch;
        batch.swap(deferred);
        for (CControlUI* control : batch)
            Free(control);
    }
}

// What the thread left is freed, and what the destroy handlers delete meanwhile.
void FreeLeftovers(ThreadState& state)
{
    if (state.scopes || g_processEnding)
        return;
    state.running = true;
    FreeDeferred(state.deferred);
}

VOID NTAPI EndThread(PVOID data)
{
    ThreadState* state = static_cast<ThreadState*>(data);
    if (!state)
        return;
    // Back in the slot while its last work runs: the scopes of that work find it.
    ::FlsSetValue(Slot(), state);
    FreeLeftovers(*state);
    ::FlsSetValue(Slot(), nullptr);
    delete state;
}

void EndProcess()
{
    if (ThreadState* state = ExistingState())
        FreeLeftovers(*state);
    g_processEnding = true;
}

void KeepOrphan(CControlUI* control)
{
    try {
        State().deferred.push_back(control);
    } catch (const std::bad_alloc&) {
        // Leaked rather than freed under a caller.
    }
}

// The scope becomes the thread's innermost; the one that was is answered.
CUIWindowManager::DispatchScope* Open(CUIWindowManager::DispatchScope* scope)
{
    ThreadState& state = State();
    CUIWindowManager::DispatchScope* outer = state.scopes;
    state.scopes = scope;
    return outer;
}

bool OnThisThread(HWND window)
{
    return window && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId();
}

// The window whose code a message of this one may be using: the parent of a child window, the
// owner of a popup (the drop-down works on its combo box's window).
HWND Above(HWND window)
{
    for (const EndedWindow& ended : State().ended) {
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
    State().asked = false;
    const CUIWindowManager::DispatchScope scope(hWnd, msg);
    return 0;
}

HWND WorkWindow()
{
    HWND& window = State().workWindow;
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

CUIWindowManager::DispatchScope::DispatchScope() : DispatchScope(HWND(nullptr))
{
}

CUIWindowManager::DispatchScope::DispatchScope(HWND window)
    : m_hWnd(window), m_pOuter(Open(this))
{
}

CUIWindowManager::DispatchScope::DispatchScope(const CUIWindowManager& manager)
    : DispatchScope(manager.m_hWndPaint)
{
}

CUIWindowManager::DispatchScope::DispatchScope(HWND window, UINT msg)
    : m_hWnd(window), m_uMsg(msg), m_bMessage(true), m_pOuter(Open(this))
{
}

CUIWindowManager::DispatchScope::~DispatchScope()
{
    ThreadState& state = State();
    state.scopes = m_pOuter;
    if (m_hWnd && !state.ended.empty())
        TellEndedWindows();
    if (!state.scopes)
        EndDispatch(m_bMessage, m_bMessage && m_uMsg == WM_NCDESTROY ? m_hWnd : nullptr);
}

bool CUIWindowManager::IsDispatching()
{
    const ThreadState* state = ExistingState();
    return state && state->scopes;
}

bool CUIWindowManager::HandlesOnly(HWND window, UINT msg)
{
    for (const DispatchScope* scope = State().scopes; scope; scope = scope->m_pOuter) {
        if (scope->m_hWnd != window || scope->m_uMsg != msg)
            return false;
    }
    return true;
}

// ---- Window ends --------------------------------------------------------------------------------

void CUIWindowManager::WindowEnded(CWindowWnd* window, HWND hWnd)
{
    try {
        State().ended.push_back(EndedWindow{window, hWnd, ::GetParent(hWnd)});
    } catch (const std::bad_alloc&) {
        // The object is not told; it stays as it is rather than being freed under a caller.
    }
}

void CUIWindowManager::ForgetWindowEnding(CWindowWnd* window)
{
    ThreadState* state = ExistingState();
    if (!state)
        return;
    std::vector<EndedWindow>& ended = state->ended;
    for (auto it = ended.begin(); it != ended.end();)
        it = it->object == window ? ended.erase(it) : it + 1;
}

bool CUIWindowManager::IsWindowInUse(HWND window)
{
    // Bounded: a chain of parents and owners that loops must not hang the thread.
    const int kMaxAbove = 64;
    for (const DispatchScope* scope = State().scopes; scope; scope = scope->m_pOuter) {
        HWND held = scope->m_hWnd;
        for (int i = 0; held && i < kMaxAbove; ++i, held = Above(held)) {
            if (held == window)
                return true;
        }
    }
    return false;
}

bool CUIWindowManager::IsObjectInUse(const CWindowWnd* object)
{
    // The object and its manager serve every window it makes: any of them in use holds it (one
    // that is alive keeps the object from being told at all).
    for (const EndedWindow& ended : State().ended) {
        if (ended.object == object && IsWindowInUse(ended.hWnd))
            return true;
    }
    return false;
}

void CUIWindowManager::TellEndedWindows()
{
    // A notice may end or make windows and open scopes of its own: the list is read afresh
    // after each.
    std::vector<EndedWindow>& list = State().ended;
    for (;;) {
        auto it = list.begin();
        while (it != list.end() && IsObjectInUse(it->object))
            ++it;
        if (it == list.end())
            return;
        // One notice for the object, of the last window it had.
        CWindowWnd* object = it->object;
        HWND last = nullptr;
        for (auto ended = list.begin(); ended != list.end();) {
            if (ended->object != object) {
                ++ended;
                continue;
            }
            last = ended->hWnd;
            ended = list.erase(ended);
        }
        // An object with a window is not told: the notice would act on that one.
        if (object->GetHandle())
            continue;
        // What the notice deletes waits for the code below it, as any handler's.
        const DispatchScope scope;
        object->OnWindowDestroyed(last);
    }
}

// ---- Deferred work ------------------------------------------------------------------------------

bool CUIWindowManager::HasDeferredWork()
{
    return !State().deferred.empty();
}

void CUIWindowManager::RunDeferredWork()
{
    // Each control goes in a scope of its own: what its destroy handlers delete joins the list
    // and is freed by this loop.
    FreeDeferred(State().deferred);
}

void CUIWindowManager::AskForDeferredWork()
{
    ThreadState& state = State();
    if (state.asked)
        return;
    const HWND window = WorkWindow();
    state.asked = window && ::PostMessageW(window, kRunDeferredWork, 0, 0);
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
    ThreadState& state = State();
    if (state.running)
        return;
    TakeQueuesOfEndedWindows(ending);
    // The outermost message of the thread has ended: nothing of ours is on the stack. After any
    // other outermost scope, the code that called in from outside may still hold what the work
    // would free: a message is asked for instead.
    if (message) {
        state.asked = false;
        state.running = true;
        RunDeferredWork();
        state.running = false;
    } else if (HasDeferredWork()) {
        AskForDeferredWork();
    }
    // Deletions and notifications that came while a handler ran its own message loop are asked
    // for again.
    for (int i = 0; i < s_aManagers.GetSize(); ++i) {
        CUIWindowManager* manager = static_cast<CUIWindowManager*>(s_aManagers[i]);
        if (!OnThisThread(manager->m_hWndPaint))
            continue;
        if (manager->m_bDeletionPending) {
            manager->m_bDeletionPending = false;
            ::PostMessageW(manager->m_hWndPaint, kDeleteQueuedControls, 0, 0);
        }
        if (manager->m_bDeliveryPending) {
            manager->m_bDeliveryPending = false;
            ::PostMessageW(manager->m_hWndPaint, WM_NULL, 0, 0);
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
    if (control->m_bDeletionQueued)
        return;
    control->SetManager(nullptr, nullptr, false);
    control->m_bDeletionQueued = true;
    KeepOrphan(control);
}

void CUIWindowManager::QueueControlForDeletion(CControlUI* control)
{
    // Queued twice, it would be freed twice.
    if (!control || control->m_bDeletionQueued)
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
    control->m_bDeletionQueued = true;
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
