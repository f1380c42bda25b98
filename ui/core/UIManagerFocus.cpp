// The window manager's services for controls and windows: listener lists, notifications, keyboard
// focus and tab stops, control timers, pre-translation and the message loop, the name map and
// option groups.

#include "core/UIManager.h"

#include <cwchar>
#include <new>

#include "core/UIControl.h"

namespace QxUI {

namespace {

const UINT kTabStopVisit = UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST;
const UINT kShortcutVisit = UIFIND_ENABLED | UIFIND_TOP_FIRST | UIFIND_ME_FIRST;
// Native timer ids cycle through 0..254.
const UINT kTimerIdModulus = 255;

struct TabStopInfo
{
    CControlUI* pStart;
    CControlUI* pLast;
    bool bForward;
    bool bNextIsIt;
};

struct ShortcutInfo
{
    WCHAR ch;
    bool bPickNext;
};

WCHAR UpperCase(WCHAR ch)
{
    return static_cast<WCHAR>(reinterpret_cast<UINT_PTR>(
        ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(ch)))));
}

bool ClassContains(CControlUI* control, LPCWSTR part)
{
    LPCWSTR name = control->GetClass();
    return name && wcsstr(name, part) != nullptr;
}

// Listener lists hold each listener once: a second entry would hear every message twice.
bool AddListener(CUIPtrArray& list, LPVOID listener)
{
    if (!listener || list.Find(listener) >= 0)
        return false;
    return list.Add(listener);
}

bool RemoveListener(CUIPtrArray& list, LPVOID listener)
{
    const int index = list.Find(listener);
    return index >= 0 && list.Remove(index);
}

} // namespace

// ---- Listener lists -----------------------------------------------------------------------------

bool CUIWindowManager::AddNotifier(INotifyUI* notifier)
{
    return AddListener(m_aNotifiers, notifier);
}

bool CUIWindowManager::RemoveNotifier(INotifyUI* notifier)
{
    return RemoveListener(m_aNotifiers, notifier);
}

bool CUIWindowManager::AddPreMessageFilter(IMessageFilterUI* filter)
{
    return AddListener(m_aPreMessageFilters, filter);
}

bool CUIWindowManager::RemovePreMessageFilter(IMessageFilterUI* filter)
{
    return RemoveListener(m_aPreMessageFilters, filter);
}

bool CUIWindowManager::AddMessageFilter(IMessageFilterUI* filter)
{
    return AddListener(m_aMessageFilters, filter);
}

bool CUIWindowManager::RemoveMessageFilter(IMessageFilterUI* filter)
{
    return RemoveListener(m_aMessageFilters, filter);
}

bool CUIWindowManager::AddAcceleratorTranslator(ITranslateAccelerator* translator)
{
    return AddListener(m_aTranslateAccelerator, translator);
}

bool CUIWindowManager::RemoveAcceleratorTranslator(ITranslateAccelerator* translator)
{
    return RemoveListener(m_aTranslateAccelerator, translator);
}

bool CUIWindowManager::RunAcceleratorTranslators(MSG* msg)
{
    // Walked over a copy: a translator may add or remove translators while it runs.
    const CUIPtrArray translators(m_aTranslateAccelerator);
    for (int i = 0; i < translators.GetSize(); ++i) {
        if (m_aTranslateAccelerator.Find(translators[i]) < 0)
            continue;
        if (static_cast<ITranslateAccelerator*>(translators[i])->TranslateAccelerator(msg) == 0)
            return true;
    }
    return false;
}

// ---- Notifications ------------------------------------------------------------------------------

void CUIWindowManager::RaiseNotify(CControlUI* sender, LPCWSTR type, WPARAM wParam, LPARAM lParam,
                                   bool async)
{
    UINotification msg;
    msg.sType = type;
    msg.pSender = sender;
    msg.wParam = wParam;
    msg.lParam = lParam;
    DispatchNotify(msg, async);
}

void CUIWindowManager::DispatchNotify(UINotification& msg, bool async)
{
    msg.ptMouse = m_ptLastMousePos;
    msg.dwTimestamp = ::GetTickCount();
    if (m_bUsedVirtualWnd && msg.pSender)
        msg.sVirtualWnd = msg.pSender->GetVirtualWindowName();

    if (!async) {
        DeliverNotify(msg);
        return;
    }
    UINotification* copy = new (std::nothrow) UINotification;
    if (!copy)
        return;
    copy->sType = msg.sType;
    copy->pSender = msg.pSender;
    copy->wParam = msg.wParam;
    copy->lParam = msg.lParam;
    copy->ptMouse = msg.ptMouse;
    copy->dwTimestamp = msg.dwTimestamp;
    if (!m_aAsyncNotify.Add(copy))
        delete copy;
}

void CUIWindowManager::DeliverNotify(UINotification& msg)
{
    if (msg.pSender && msg.pSender->OnNotifyEvent.HasHandlers()) {
        CControlUI::DeletionWatch watch(msg.pSender);
        msg.pSender->OnNotifyEvent.Invoke(&msg);
        // Its own handler deleted the sender: the notifiers hear of none, as of a queued one.
        if (watch.Deleted())
            msg.pSender = nullptr;
    }
    // Walked over a copy: a notifier that removes itself (or another) must not make the walk
    // skip the next one; one removed meanwhile is not called, one added waits for the next.
    const CUIPtrArray notifiers(m_aNotifiers);
    for (int i = 0; i < notifiers.GetSize(); ++i) {
        if (m_aNotifiers.Find(notifiers[i]) >= 0)
            static_cast<INotifyUI*>(notifiers[i])->OnUINotify(msg);
    }
}

void CUIWindowManager::DeliverQueuedNotifications()
{
    while (!m_aAsyncNotify.IsEmpty()) {
        UINotification* msg = static_cast<UINotification*>(m_aAsyncNotify[0]);
        m_aAsyncNotify.Remove(0);
        DeliverNotify(*msg);
        delete msg;
    }
}

// ---- Focus --------------------------------------------------------------------------------------

void CUIWindowManager::SetFocusControl(CControlUI* control)
{
    // Without a window there is no native focus to take (SetFocus(NULL) would clear another
    // window's focus).
    if (m_hWndPaint && ::GetFocus() != m_hWndPaint && control != m_pFocus)
        ::SetFocus(m_hWndPaint);
    if (control == m_pFocus)
        return;
    // A "killfocus" handler may delete the control taking the focus.
    CControlUI::DeletionWatch watch(control);
    KillFocus(control);
    if (watch.Deleted() || !control || control->GetManager() != this || !control->IsVisible() ||
        !control->IsEnabled())
        return;
    m_pFocus = control;
    UIEvent event;
    event.Type = UIEventType::SetFocus;
    event.pSender = control;
    event.dwTimestamp = ::GetTickCount();
    control->HandleEvent(event);
    if (!watch.Deleted())
        RaiseNotify(control, L"setfocus");
}

void CUIWindowManager::KillFocus(CControlUI* next)
{
    if (!m_pFocus)
        return;
    CControlUI* old = m_pFocus;
    UIEvent event;
    event.Type = UIEventType::KillFocus;
    event.pSender = next;
    event.dwTimestamp = ::GetTickCount();
    CControlUI::DeletionWatch watch(old);
    old->HandleEvent(event);
    if (!watch.Deleted())
        RaiseNotify(old, L"killfocus");
    m_pFocus = nullptr;
}

void CUIWindowManager::DropFocus(CControlUI* control)
{
    if (control && control == m_pFocus)
        KillFocus(nullptr);
}

void CUIWindowManager::ScheduleFocus(CControlUI* control)
{
    if (m_hWndPaint)
        ::SetFocus(m_hWndPaint);
    if (!control)
        return;
    KillFocus(control);
    TabStopInfo info = {control, nullptr, false, false};
    m_pFocus = m_pRoot ? m_pRoot->FindControl(TabStopCallback, &info, kTabStopVisit) : nullptr;
    m_bFocusNeeded = true;
    if (m_pRoot)
        m_pRoot->RequestLayout();
}

bool CUIWindowManager::FocusNextTabStop(bool forward)
{
    if (m_bUpdateNeeded && forward) {
        m_bFocusNeeded = true;
        if (m_hWndPaint)
            ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
        return true;
    }
    if (m_pRoot) {
        TabStopInfo info = {m_pFocus, nullptr, forward, false};
        CControlUI* next = m_pRoot->FindControl(TabStopCallback, &info, kTabStopVisit);
        if (!next) {
            if (forward) {
                TabStopInfo first = {nullptr, nullptr, true, false};
                next = m_pRoot->FindControl(TabStopCallback, &first, kTabStopVisit);
            } else {
                next = info.pLast;
            }
        }
        if (next)
            SetFocusControl(next);
    }
    m_bFocusNeeded = false;
    return true;
}

CControlUI* CALLBACK CUIWindowManager::TabStopCallback(CControlUI* control, LPVOID data)
{
    TabStopInfo* info = static_cast<TabStopInfo*>(data);
    if (control == info->pStart) {
        if (info->bForward) {
            info->bNextIsIt = true;
            return nullptr;
        }
        return info->pLast;
    }
    if (!(control->GetInputFlags() & UIFLAG_TABSTOP))
        return nullptr;
    info->pLast = control;
    if (info->bNextIsIt || !info->pStart)
        return control;
    return nullptr;
}

// ---- Timers -------------------------------------------------------------------------------------

bool CUIWindowManager::StartTimer(CControlUI* control, UINT id, UINT intervalMs)
{
    // A thread timer (no window) would get an id of the system's choosing and reach no control.
    if (!control || !m_hWndPaint)
        return false;
    for (int i = 0; i < m_aTimers.GetSize(); ++i) {
        TimerInfo* timer = static_cast<TimerInfo*>(m_aTimers[i]);
        if (timer->pSender == control && timer->hWnd == m_hWndPaint && timer->nLocalID == id) {
            // A running id is restarted with the new interval: the rich-edit engine re-arms its
            // caret timer so, and a refusal would stop the caret.
            if (!::SetTimer(m_hWndPaint, timer->uWinTimer, intervalMs, nullptr))
                return false;
            timer->bKilled = false;
            return true;
        }
    }

    // After the ids wrap, one still held by a record of this window would replace that timer.
    UINT nativeId = 0;
    bool free = false;
    for (UINT tries = 0; tries < kTimerIdModulus && !free; ++tries) {
        m_uTimerID = (m_uTimerID + 1) % kTimerIdModulus;
        nativeId = m_uTimerID;
        free = true;
        for (int i = 0; i < m_aTimers.GetSize() && free; ++i) {
            const TimerInfo* timer = static_cast<const TimerInfo*>(m_aTimers[i]);
            free = !(timer->hWnd == m_hWndPaint && timer->uWinTimer == nativeId);
        }
    }
    if (!free)
        return false;
    if (!::SetTimer(m_hWndPaint, nativeId, intervalMs, nullptr))
        return false;
    TimerInfo* timer = new (std::nothrow) TimerInfo;
    if (!timer) {
        ::KillTimer(m_hWndPaint, nativeId);
        return false;
    }
    timer->pSender = control;
    timer->nLocalID = id;
    timer->hWnd = m_hWndPaint;
    timer->uWinTimer = nativeId;
    timer->bKilled = false;
    if (!m_aTimers.Add(timer)) {
        ::KillTimer(m_hWndPaint, nativeId);
        delete timer;
        return false;
    }
    return true;
}

bool CUIWindowManager::StopTimer(CControlUI* control, UINT id)
{
    for (int i = 0; i < m_aTimers.GetSize(); ++i) {
        TimerInfo* timer = static_cast<TimerInfo*>(m_aTimers[i]);
        if (timer->pSender == control && timer->hWnd == m_hWndPaint && timer->nLocalID == id &&
            !timer->bKilled) {
            if (::IsWindow(m_hWndPaint))
                ::KillTimer(timer->hWnd, timer->uWinTimer);
            timer->bKilled = true;
            return true;
        }
    }
    return false;
}

void CUIWindowManager::StopAllTimersOf(CControlUI* control)
{
    for (int i = m_aTimers.GetSize() - 1; i >= 0; --i) {
        TimerInfo* timer = static_cast<TimerInfo*>(m_aTimers[i]);
        if (timer->pSender == control && timer->hWnd == m_hWndPaint) {
            if (!timer->bKilled && ::IsWindow(timer->hWnd))
                ::KillTimer(timer->hWnd, timer->uWinTimer);
            delete timer;
            m_aTimers.Remove(i);
        }
    }
}

void CUIWindowManager::ClearTimers()
{
    for (int i = 0; i < m_aTimers.GetSize(); ++i) {
        TimerInfo* timer = static_cast<TimerInfo*>(m_aTimers[i]);
        if (timer->hWnd == m_hWndPaint && !timer->bKilled && ::IsWindow(m_hWndPaint))
            ::KillTimer(timer->hWnd, timer->uWinTimer);
        delete timer;
    }
    m_aTimers.Empty();
}

// ---- Pre-translation and the message loop -------------------------------------------------------

bool CUIWindowManager::PreTranslate(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (OfferToFilters(m_aPreMessageFilters, msg, wParam, lParam, result))
        return true;

    switch (msg) {
    case WM_KEYDOWN:
        if (wParam != VK_TAB)
            return false;
        // A focused control that wants Tab keeps it.
        if (m_pFocus && m_pFocus->IsVisible() && m_pFocus->IsEnabled() && m_pFocus->WantsTab())
            return false;
        FocusNextTabStop(::GetKeyState(VK_SHIFT) >= 0);
        return true;

    case WM_SYSKEYDOWN:
        if (m_pFocus) {
            UIEvent event;
            event.Type = UIEventType::SysKey;
            event.pSender = m_pFocus;
            event.dwTimestamp = ::GetTickCount();
            event.chKey = static_cast<WCHAR>(wParam);
            event.ptMouse = m_ptLastMousePos;
            event.wKeyState = GetModifierKeyState();
            m_pFocus->HandleEvent(event);
        }
        return false;

    case WM_SYSCHAR: {
        if (!m_pRoot)
            return false;
        ShortcutInfo info = {UpperCase(static_cast<WCHAR>(wParam)), false};
        CControlUI* control = m_pRoot->FindControl(ShortcutCallback, &info, kShortcutVisit);
        if (!control)
            return false;
        CControlUI::DeletionWatch watch(control);
        control->SetFocus();
        if (!watch.Deleted())
            control->Activate();
        return true;
    }

    default:
        return false;
    }
}

CControlUI* CALLBACK CUIWindowManager::ShortcutCallback(CControlUI* control, LPVOID data)
{
    ShortcutInfo* info = static_cast<ShortcutInfo*>(data);
    if (!control->IsVisible())
        return nullptr;
    const WCHAR shortcut = control->GetShortcut();
    if (shortcut != 0 && UpperCase(shortcut) == info->ch)
        info->bPickNext = true;
    // A label's shortcut activates the control after it.
    if (ClassContains(control, L"LabelUI"))
        return nullptr;
    return info->bPickNext ? control : nullptr;
}

bool CUIWindowManager::PreTranslateForAll(MSG* msg)
{
    if (!msg)
        return false;
    LRESULT result = 0;
    const LONG_PTR style = msg->hwnd ? ::GetWindowLongPtrW(msg->hwnd, GWL_STYLE) : 0;
    if (style & WS_CHILD) {
        bool first = true;
        for (HWND ancestor = ::GetParent(msg->hwnd); ancestor; ancestor = ::GetParent(ancestor)) {
            for (int i = s_aManagers.GetSize() - 1; i >= 0; --i) {
                CUIWindowManager* manager = static_cast<CUIWindowManager*>(s_aManagers[i]);
                const HWND window = manager->GetPaintWindow();
                // A manager of the message's own window is offered the message once only.
                if (window != ancestor && !(first && window == msg->hwnd))
                    continue;
                if (manager->RunAcceleratorTranslators(msg))
                    return true;
                manager->PreTranslate(msg->message, msg->wParam, msg->lParam, result);
            }
            first = false;
        }
        return false;
    }
    for (int i = 0; i < s_aManagers.GetSize(); ++i) {
        CUIWindowManager* manager = static_cast<CUIWindowManager*>(s_aManagers[i]);
        if (manager->GetPaintWindow() != msg->hwnd)
            continue;
        if (manager->RunAcceleratorTranslators(msg))
            return true;
        return manager->PreTranslate(msg->message, msg->wParam, msg->lParam, result);
    }
    return false;
}

void CUIWindowManager::RunMessageLoop()
{
    MSG msg = {};
    // GetMessageW answers -1 on failure: looping on would spin forever.
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!PreTranslateForAll(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// ---- Named controls -----------------------------------------------------------------------------

CControlUI* CALLBACK CUIWindowManager::RegisterNameCallback(CControlUI* control, LPVOID data)
{
    CUIWindowManager* manager = static_cast<CUIWindowManager*>(data);
    const CUIString name = control->GetName();
    if (!name.IsEmpty())
        manager->m_mNameHash.Set(name.GetData(), control);
    return nullptr;
}

CControlUI* CALLBACK CUIWindowManager::ForgetNameCallback(CControlUI* control, LPVOID data)
{
    static_cast<CUIWindowManager*>(data)->ForgetName(control);
    return nullptr;
}

void CUIWindowManager::ForgetName(CControlUI* control)
{
    const CUIString name = control->GetName();
    if (!name.IsEmpty() && m_mNameHash.Find(name.GetData()) == control)
        m_mNameHash.Remove(name.GetData());
}

CControlUI* CUIWindowManager::FindControlByName(LPCWSTR name) const
{
    if (!name)
        return nullptr;
    return static_cast<CControlUI*>(m_mNameHash.Find(name));
}

void CUIWindowManager::ForgetControl(CControlUI* control)
{
    if (!control)
        return;
    if (m_pEventKey == control)
        m_pEventKey = nullptr;
    if (m_pEventHover == control)
        m_pEventHover = nullptr;
    if (m_pEventClick == control)
        m_pEventClick = nullptr;
    if (m_pFocus == control)
        m_pFocus = nullptr;
    StopAllTimersOf(control);
    ForgetName(control);
    for (int i = 0; i < m_aAsyncNotify.GetSize(); ++i) {
        UINotification* msg = static_cast<UINotification*>(m_aAsyncNotify[i]);
        if (msg->pSender == control)
            msg->pSender = nullptr;
    }
    // A destroyed control must not be painted again as an overlay.
    RemovePostPaintControl(control);
}

// ---- Option groups ------------------------------------------------------------------------------

bool CUIWindowManager::AddToOptionGroup(LPCWSTR group, CControlUI* control)
{
    if (!group || !control)
        return false;
    CUIPtrArray* members = static_cast<CUIPtrArray*>(m_mOptionGroup.Find(group));
    if (members) {
        if (members->Find(control) >= 0)
            return false;
        return members->Add(control);
    }
    members = new (std::nothrow) CUIPtrArray(6);
    if (!members)
        return false;
    if (!members->Add(control) || !m_mOptionGroup.Insert(group, members)) {
        delete members;
        return false;
    }
    return true;
}

CUIPtrArray* CUIWindowManager::GetOptionGroup(LPCWSTR group)
{
    if (!group)
        return nullptr;
    return static_cast<CUIPtrArray*>(m_mOptionGroup.Find(group));
}

void CUIWindowManager::RemoveFromOptionGroup(LPCWSTR group, CControlUI* control)
{
    CUIPtrArray* members = GetOptionGroup(group);
    if (!members)
        return;
    const int index = members->Find(control);
    if (index < 0)
        return;
    members->Remove(index);
    if (members->IsEmpty()) {
        m_mOptionGroup.Remove(group);
        delete members;
    }
}

void CUIWindowManager::RemoveAllOptionGroups()
{
    for (int i = 0; i < m_mOptionGroup.GetSize(); ++i)
        delete static_cast<CUIPtrArray*>(m_mOptionGroup.Find(m_mOptionGroup.GetAt(i), false));
    m_mOptionGroup.RemoveAll();
}

} // namespace QxUI
