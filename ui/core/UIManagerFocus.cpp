// The window manager's services for controls and windows: listener lists, notifications, keyboard
// focus and tab stops, control timers, pre-translation and the message loop, the name map and
// option groups.

#include "core/UIManager.h"

#include <cwchar>
#include <initializer_list>
#include <new>
#include <vector>

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

} // namespace

// ---- Listener lists -----------------------------------------------------------------------------

// Each listener is held once: a second entry would hear every message twice.
bool CUIWindowManager::AddListener(ListenerList& list, void* iface, CControlUI* owner)
{
    if (!iface || IsListening(list, iface))
        return false;
    // An owner of another window would not take its listener away when it goes.
    if (owner && owner->GetManager() != this)
        return false;
    list.push_back(Listener{iface, owner});
    return true;
}

bool CUIWindowManager::RemoveListener(ListenerList& list, void* iface)
{
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->iface == iface) {
            list.erase(it);
            return true;
        }
    }
    return false;
}

bool CUIWindowManager::IsListening(const ListenerList& list, void* iface)
{
    for (const Listener& listener : list) {
        if (listener.iface == iface)
            return true;
    }
    return false;
}

bool CUIWindowManager::AddNotifier(INotifyUI* notifier, CControlUI* owner)
{
    return AddListener(m_aNotifiers, notifier, owner);
}

bool CUIWindowManager::RemoveNotifier(INotifyUI* notifier)
{
    return RemoveListener(m_aNotifiers, notifier);
}

bool CUIWindowManager::AddPreMessageFilter(IMessageFilterUI* filter, CControlUI* owner)
{
    return AddListener(m_aPreMessageFilters, filter, owner);
}

bool CUIWindowManager::RemovePreMessageFilter(IMessageFilterUI* filter)
{
    return RemoveListener(m_aPreMessageFilters, filter);
}

bool CUIWindowManager::AddMessageFilter(IMessageFilterUI* filter, CControlUI* owner)
{
    return AddListener(m_aMessageFilters, filter, owner);
}

bool CUIWindowManager::RemoveMessageFilter(IMessageFilterUI* filter)
{
    return RemoveListener(m_aMessageFilters, filter);
}

bool CUIWindowManager::AddAcceleratorTranslator(ITranslateAccelerator* translator,
                                                CControlUI* owner)
{
    return AddListener(m_aTranslateAccelerator, translator, owner);
}

bool CUIWindowManager::RemoveAcceleratorTranslator(ITranslateAccelerator* translator)
{
    return RemoveListener(m_aTranslateAccelerator, translator);
}

bool CUIWindowManager::RunAcceleratorTranslators(MSG* msg)
{
    const DispatchScope scope(*this);
    // Walked over a copy: a translator may add or remove translators while it runs.
    const ListenerList translators(m_aTranslateAccelerator);
    for (const Listener& translator : translators) {
        if (!IsListening(m_aTranslateAccelerator, translator.iface))
            continue;
        if (static_cast<ITranslateAccelerator*>(translator.iface)->TranslateAccelerator(msg) == 0)
            return true;
    }
    return false;
}

// ---- Notifications ------------------------------------------------------------------------------

// A notification waiting for the window's next message. Its sender is held by a reference that
// reads null once the sender is destroyed.
struct CUIWindowManager::QueuedNotify
{
    UINotification msg;
    CUIControlRef sender;
    // The focused control left the window: it gets KillFocus and "killfocus" is raised, unless
    // it is gone by then or holds the focus of the window it is in now.
    bool focusLost = false;
};

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
    QueuedNotify* entry = new (std::nothrow) QueuedNotify;
    if (!entry)
        return;
    entry->msg.sType = msg.sType;
    entry->msg.wParam = msg.wParam;
    entry->msg.lParam = msg.lParam;
    entry->msg.ptMouse = msg.ptMouse;
    entry->msg.dwTimestamp = msg.dwTimestamp;
    entry->sender = CUIControlRef(msg.pSender);
    Queue(entry);
}

void CUIWindowManager::Queue(QueuedNotify* entry)
{
    const bool first = m_aAsyncNotify.IsEmpty();
    if (!m_aAsyncNotify.Add(entry)) {
        delete entry;
        return;
    }
    // Delivered when the window handles its next message: there is one to come.
    if (first && m_hWndPaint)
        ::PostMessageW(m_hWndPaint, WM_NULL, 0, 0);
}

void CUIWindowManager::DropFocusLost(CControlUI* subtree)
{
    for (int i = m_aAsyncNotify.GetSize() - 1; i >= 0; --i) {
        QueuedNotify* entry = static_cast<QueuedNotify*>(m_aAsyncNotify[i]);
        if (!entry->focusLost)
            continue;
        for (CControlUI* control = entry->sender.Get(); control; control = control->GetParent()) {
            if (control == subtree) {
                m_aAsyncNotify.Remove(i);
                delete entry;
                break;
            }
        }
    }
}

void CUIWindowManager::FreeQueuedNotifications()
{
    for (int i = 0; i < m_aAsyncNotify.GetSize(); ++i)
        delete static_cast<QueuedNotify*>(m_aAsyncNotify[i]);
    m_aAsyncNotify.Empty();
}

void CUIWindowManager::DeliverNotify(UINotification& msg)
{
    const DispatchScope scope(*this);
    if (msg.pSender && msg.pSender->OnNotifyEvent.HasHandlers())
        msg.pSender->OnNotifyEvent.Invoke(&msg);
    // Walked over a copy: a notifier that removes itself (or another) must not make the walk
    // skip the next one; one removed meanwhile is not called, one added waits for the next.
    const ListenerList notifiers(m_aNotifiers);
    for (const Listener& notifier : notifiers) {
        if (IsListening(m_aNotifiers, notifier.iface))
            static_cast<INotifyUI*>(notifier.iface)->OnUINotify(msg);
    }
}

void CUIWindowManager::DeliverQueuedNotifications()
{
    // Not inside another message of this window: a handler must not run in the middle of the
    // code that sent that message. A message is asked for again once that code has returned.
    if (m_nMessageDepth > 1) {
        m_bDeliveryPending = !m_aAsyncNotify.IsEmpty();
        return;
    }
    // A handler that ends the window ends the delivery: the rest go with the window.
    while (!m_aAsyncNotify.IsEmpty()) {
        if (!::IsWindow(m_hWndPaint)) {
            FreeQueuedNotifications();
            return;
        }
        QueuedNotify* entry = static_cast<QueuedNotify*>(m_aAsyncNotify[0]);
        m_aAsyncNotify.Remove(0);
        CControlUI* sender = entry->sender.Get();
        entry->msg.pSender = sender;
        if (!entry->focusLost) {
            DeliverNotify(entry->msg);
        } else if (sender && !(sender->GetManager() &&
                               sender->GetManager()->GetFocusedControl() == sender)) {
            UIEvent event;
            event.Type = UIEventType::KillFocus;
            event.dwTimestamp = ::GetTickCount();
            sender->HandleEvent(event);
            DeliverNotify(entry->msg);
        }
        delete entry;
    }
}

// ---- Focus --------------------------------------------------------------------------------------

void CUIWindowManager::SetFocusControl(CControlUI* control)
{
    // Handlers run below, and native focus messages: what they delete waits until this ends.
    const DispatchScope scope(*this);
    // Without a window there is no native focus to take (SetFocus(NULL) would clear another
    // window's focus).
    if (m_hWndPaint && ::GetFocus() != m_hWndPaint && control != m_pFocus)
        ::SetFocus(m_hWndPaint);
    if (control == m_pFocus)
        return;
    KillFocus(control);
    // A "killfocus" handler may have focused another control, or taken this one out of the
    // window.
    if (m_pFocus || !control || control->GetManager() != this || !control->IsVisible() ||
        !control->IsEnabled())
        return;
    m_pFocus = control;
    UIEvent event;
    event.Type = UIEventType::SetFocus;
    event.pSender = control;
    event.dwTimestamp = ::GetTickCount();
    control->HandleEvent(event);
    // A handler of the event may have moved the focus on, or taken the control out.
    if (m_pFocus == control)
        RaiseNotify(control, L"setfocus");
}

void CUIWindowManager::KillFocus(CControlUI* next)
{
    if (!m_pFocus)
        return;
    CControlUI* old = m_pFocus;
    m_pFocus = nullptr;
    UIEvent event;
    event.Type = UIEventType::KillFocus;
    event.pSender = next;
    event.dwTimestamp = ::GetTickCount();
    old->HandleEvent(event);
    RaiseNotify(old, L"killfocus");
}

void CUIWindowManager::ScheduleFocus(CControlUI* control)
{
    const DispatchScope scope(*this);
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
    const DispatchScope scope(*this);
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
    // A thread timer (no window) would get an id of the system's choosing and reach no control;
    // another window's control would not take its timers away when it goes.
    if (!control || !m_hWndPaint || control->GetManager() != this)
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
        control->SetFocus();
        // A "setfocus" handler may have taken it out of this window.
        if (control->GetManager() == this)
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
    const DispatchScope scope(msg->hwnd, msg->message);
    LRESULT result = 0;
    const LONG_PTR style = msg->hwnd ? ::GetWindowLongPtrW(msg->hwnd, GWL_STYLE) : 0;
    if (style & WS_CHILD) {
        bool first = true;
        for (HWND ancestor = ::GetParent(msg->hwnd); ancestor; ancestor = ::GetParent(ancestor)) {
            // The translators and filters run user code, which may open and end windows: the
            // walk goes over the managers there were, and passes over one that has gone.
            const CUIPtrArray managers(s_aManagers);
            for (int i = managers.GetSize() - 1; i >= 0; --i) {
                CUIWindowManager* manager = static_cast<CUIWindowManager*>(managers[i]);
                if (s_aManagers.Find(manager) < 0)
                    continue;
                const HWND window = manager->GetPaintWindow();
                // A manager of the message's own window is offered the message once only.
                if (window != ancestor && !(first && window == msg->hwnd))
                    continue;
                if (manager->RunAcceleratorTranslators(msg))
                    return true;
                if (manager->GetPaintWindow() == window && ::IsWindow(window))
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
        // A translator may have ended the window.
        if (manager->GetPaintWindow() != msg->hwnd || !::IsWindow(msg->hwnd))
            return false;
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
    // A name maps to a control of this window only, which takes it off when it leaves.
    if (!name.IsEmpty() && control->GetManager() == manager)
        manager->m_mNameHash.Set(name.GetData(), control);
    return nullptr;
}

void CUIWindowManager::ForgetName(CControlUI* control)
{
    const CUIString name = control->GetName();
    if (!name.IsEmpty() && m_mNameHash.Find(name.GetData()) == control)
        m_mNameHash.Remove(name.GetData());
}

void CUIWindowManager::Rename(CControlUI* control, const CUIString& oldName)
{
    if (!oldName.IsEmpty() && m_mNameHash.Find(oldName.GetData()) == control)
        m_mNameHash.Remove(oldName.GetData());
    RegisterNameCallback(control, this);
}

CControlUI* CUIWindowManager::FindControlByName(LPCWSTR name) const
{
    if (!name)
        return nullptr;
    if (CControlUI* control = static_cast<CControlUI*>(m_mNameHash.Find(name)))
        return control;
    for (int i = 0; i < m_aBorrowers.GetSize(); ++i) {
        if (CControlUI* lent =
                static_cast<CUIWindowManager*>(m_aBorrowers[i])->FindControlByName(name))
            return lent;
    }
    return nullptr;
}

void CUIWindowManager::Enlist(CControlUI* control)
{
    if (!control->m_pPrevMember && m_pMembers != control) {
        control->m_pNextMember = m_pMembers;
        if (m_pMembers)
            m_pMembers->m_pPrevMember = control;
        m_pMembers = control;
    }
    RegisterNameCallback(control, this);
    if (control->m_pOfferedFilter)
        AddListener(m_aMessageFilters, control->m_pOfferedFilter, control);
    if (control->m_pOfferedTranslator)
        AddListener(m_aTranslateAccelerator, control->m_pOfferedTranslator, control);
}

void CUIWindowManager::ForgetControl(CControlUI* control)
{
    if (!control)
        return;
    if (control->m_pPrevMember || m_pMembers == control) {
        if (control->m_pPrevMember)
            control->m_pPrevMember->m_pNextMember = control->m_pNextMember;
        else
            m_pMembers = control->m_pNextMember;
        if (control->m_pNextMember)
            control->m_pNextMember->m_pPrevMember = control->m_pPrevMember;
        control->m_pPrevMember = nullptr;
        control->m_pNextMember = nullptr;
    }
    if (m_pEventKey == control)
        m_pEventKey = nullptr;
    if (m_pEventHover == control)
        m_pEventHover = nullptr;
    // The mouse capture stays with the window until the button goes up.
    if (m_pEventClick == control)
        m_pEventClick = nullptr;
    if (m_pFocus == control) {
        m_pFocus = nullptr;
        control->m_bFocused = false;
        QueuedNotify* entry = control->m_bDestroying ? nullptr : new (std::nothrow) QueuedNotify;
        if (entry) {
            entry->msg.sType = L"killfocus";
            entry->msg.ptMouse = m_ptLastMousePos;
            entry->msg.dwTimestamp = ::GetTickCount();
            entry->sender = CUIControlRef(control);
            entry->focusLost = true;
            Queue(entry);
        }
    }
    // What was queued for it goes without it, as when it is deleted.
    for (int i = 0; i < m_aAsyncNotify.GetSize(); ++i) {
        QueuedNotify* entry = static_cast<QueuedNotify*>(m_aAsyncNotify[i]);
        if (!entry->focusLost && entry->sender.Get() == control)
            entry->sender = CUIControlRef();
    }
    StopAllTimersOf(control);
    ForgetName(control);
    for (ListenerList* list : {&m_aNotifiers, &m_aPreMessageFilters, &m_aMessageFilters,
                               &m_aTranslateAccelerator}) {
        for (auto it = list->begin(); it != list->end();)
            it = it->owner == control ? list->erase(it) : it + 1;
    }
    while (RemovePostPaintControl(control)) {
    }
    CUIWindowManager& owner = OptionGroupOwner();
    std::vector<CUIString> groups;
    for (int i = 0; i < owner.m_mOptionGroup.GetSize(); ++i)
        groups.emplace_back(owner.m_mOptionGroup.GetAt(i));
    for (const CUIString& group : groups)
        owner.RemoveFromOptionGroup(group.GetData(), control);
}

// A popup showing another window's controls keeps their option groups in that window.
CUIWindowManager& CUIWindowManager::OptionGroupOwner()
{
    CUIWindowManager* owner = this;
    while (owner->m_pResourceParent)
        owner = owner->m_pResourceParent;
    return *owner;
}

void CUIWindowManager::SetResourceParent(CUIWindowManager* parent)
{
    if (m_pResourceParent) {
        const int index = m_pResourceParent->m_aBorrowers.Find(this);
        if (index >= 0)
            m_pResourceParent->m_aBorrowers.Remove(index);
    }
    m_pResourceParent = parent;
    if (parent)
        parent->m_aBorrowers.Add(this);
}

// ---- Option groups ------------------------------------------------------------------------------

bool CUIWindowManager::AddToOptionGroup(LPCWSTR group, CControlUI* control)
{
    if (m_pResourceParent)
        return OptionGroupOwner().AddToOptionGroup(group, control);
    // Members of this window, or of a popup showing its controls: they leave as they go.
    if (!group || !control || !control->GetManager() ||
        &control->GetManager()->OptionGroupOwner() != this)
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
    if (m_pResourceParent)
        return OptionGroupOwner().GetOptionGroup(group);
    if (!group)
        return nullptr;
    return static_cast<CUIPtrArray*>(m_mOptionGroup.Find(group));
}

void CUIWindowManager::RemoveFromOptionGroup(LPCWSTR group, CControlUI* control)
{
    if (m_pResourceParent) {
        OptionGroupOwner().RemoveFromOptionGroup(group, control);
        return;
    }
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
