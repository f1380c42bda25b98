// The native window base: class registration, the window procedures that reach the object, the
// modal loop and small window operations; and the notify pump.

#include "core/UIWindow.h"

#include "core/UIControl.h"
#include "core/UIManager.h"

#include <initializer_list>

namespace QxUI {

namespace {

// Superclassed windows keep their object in this window property (their user data belongs to
// the base class).
const WCHAR kObjectProperty[] = L"WndX";

// The windows run modally on this thread, each with where its close code goes: a nested message
// loop (a handler's message box) may take the WM_CLOSE that ends the modal loop. Plain data: the
// run time of this tool chain destroys thread_local objects after their storage has gone.
struct ModalResult
{
    HWND hWnd;
    UINT* code;
};
const int kMaxModalDepth = 32;
thread_local ModalResult t_modalResults[kMaxModalDepth];
thread_local int t_modalDepth = 0;

} // namespace

// ---- Registration and creation ------------------------------------------------------------------

bool CWindowWnd::RegisterOwnClass()
{
    WNDCLASSW wc = {};
    wc.style = GetRegisteredClassStyle();
    wc.lpfnWndProc = OwnClassProc;
    wc.hInstance = CUIWindowManager::GetModuleInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetRegisteredClassName();
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterAsSuperclass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(nullptr, GetBaseClassName(), &wc) &&
        !::GetClassInfoExW(CUIWindowManager::GetModuleInstance(), GetBaseClassName(), &wc))
        return false;
    m_OldWndProc = wc.lpfnWndProc;
    wc.lpfnWndProc = SuperclassProc;
    wc.hInstance = CUIWindowManager::GetModuleInstance();
    wc.lpszClassName = GetRegisteredClassName();
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND parent, LPCWSTR title, DWORD style, DWORD exStyle, int x, int y,
                        int cx, int cy, HMENU menu)
{
    const bool registered = GetBaseClassName() ? RegisterAsSuperclass() : RegisterOwnClass();
    if (!registered)
        return nullptr;
    // The window procedure sets m_hWnd as the window is made: an object that deleted itself as
    // its window came and went is not touched again.
    return ::CreateWindowExW(exStyle, GetRegisteredClassName(), title, style, x, y, cx, cy, parent,
                             menu, CUIWindowManager::GetModuleInstance(), this);
}

HWND CWindowWnd::CreateInRect(HWND parent, LPCWSTR title, DWORD style, DWORD exStyle,
                              const RECT& rc, HMENU menu)
{
    return Create(parent, title, style, exStyle, rc.left, rc.top, rc.right - rc.left,
                  rc.bottom - rc.top, menu);
}

// ---- Window procedures --------------------------------------------------------------------------

LRESULT CALLBACK CWindowWnd::OwnClassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(false, hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::SuperclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return RouteMessage(true, hWnd, msg, wParam, lParam);
}

LRESULT CWindowWnd::RouteMessage(bool inProperty, HWND hWnd, UINT msg, WPARAM wParam,
                                 LPARAM lParam)
{
    const CUIWindowManager::DispatchScope scope(hWnd, msg);
    auto store = [&](CWindowWnd* object) {
        if (!inProperty)
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        else if (object)
            ::SetPropW(hWnd, kObjectProperty, object);
        else
            // Removed rather than set to null: a window's properties must be gone when it dies.
            ::RemovePropW(hWnd, kObjectProperty);
    };
    CWindowWnd* self = nullptr;
    if (msg == WM_NCCREATE) {
        const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<CWindowWnd*>(cs->lpCreateParams);
        if (self) {
            self->m_hWnd = hWnd;
            store(self);
        }
    } else {
        self = inProperty ? static_cast<CWindowWnd*>(::GetPropW(hWnd, kObjectProperty))
                          : reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    if (!self)
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);

    if (msg == WM_CLOSE) {
        for (int i = 0; i < t_modalDepth && i < kMaxModalDepth; ++i) {
            if (t_modalResults[i].hWnd == hWnd)
                *t_modalResults[i].code = static_cast<UINT>(wParam);
        }
    }
    if (msg != WM_NCDESTROY)
        return self->HandleWindowMessage(msg, wParam, lParam);
    const LRESULT result = ::CallWindowProcW(self->m_OldWndProc, hWnd, msg, wParam, lParam);
    // The object forgets the window at once. It hears of the end, and may delete itself then,
    // once no code of ours uses the window (this message's scope included): not its messages,
    // those of its children or popups, nor what its manager is delivering.
    // An object that has made a window since keeps that one.
    store(nullptr);
    if (self->m_hWnd == hWnd) {
        self->m_hWnd = nullptr;
        self->ReleaseIcons();
    }
    CUIWindowManager::WindowEnded(self, hWnd);
    return result;
}

LRESULT CWindowWnd::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The window went while an outer message of it was still being handled.
    if (!m_hWnd)
        return 0;
    return ::CallWindowProcW(m_OldWndProc, m_hWnd, msg, wParam, lParam);
}

CWindowWnd::~CWindowWnd()
{
    CUIWindowManager::ForgetWindowEnding(this);
}

// ---- Window operations --------------------------------------------------------------------------

LRESULT CWindowWnd::SendMsg(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageW(m_hWnd, msg, wParam, lParam);
}

bool CWindowWnd::PostMsg(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Without a window PostMessage would post to the thread.
    return m_hWnd && ::PostMessageW(m_hWnd, msg, wParam, lParam) != FALSE;
}

void CWindowWnd::Close(UINT code)
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::PostMessageW(m_hWnd, WM_CLOSE, code, 0);
}

void CWindowWnd::Show(bool show, bool takeFocus)
{
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return;
    ::ShowWindow(m_hWnd, !show ? SW_HIDE : (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE));
}

UINT CWindowWnd::RunModal()
{
    // The object may delete itself when its window ends: the loop keeps to locals.
    const HWND window = m_hWnd;
    if (!window || !::IsWindow(window))
        return 0;
    const HWND owner = ::GetWindow(window, GW_OWNER);
    ::ShowWindow(window, SW_SHOWNORMAL);
    if (owner)
        ::EnableWindow(owner, FALSE);

    UINT result = 0;
    // Loops nested deeper than the list holds answer 0.
    if (t_modalDepth < kMaxModalDepth)
        t_modalResults[t_modalDepth] = ModalResult{window, &result};
    ++t_modalDepth;
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg = {};
    while (::IsWindow(window)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (got == -1)
            break;
        if (msg.message == WM_CLOSE && msg.hwnd == window) {
            // Before the window goes, so that the owner is active again and takes the focus.
            if (owner) {
                ::EnableWindow(owner, TRUE);
                ::SetFocus(owner);
            }
        }
        if (!CUIWindowManager::PreTranslateForAll(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    --t_modalDepth;
    if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

void CWindowWnd::CenterOnOwner()
{
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return;
    RECT rcWindow = {0, 0, 0, 0};
    ::GetWindowRect(m_hWnd, &rcWindow);
    const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST),
                      &monitor);
    const RECT work = monitor.rcWork;
    RECT reference = work;
    if (owner && !::IsIconic(owner))
        ::GetWindowRect(owner, &reference);

    const int width = rcWindow.right - rcWindow.left;
    const int height = rcWindow.bottom - rcWindow.top;
    int x = (reference.left + reference.right) / 2 - width / 2;
    int y = (reference.top + reference.bottom) / 2 - height / 2;
    if (x < work.left)
        x = work.left;
    else if (x + width > work.right)
        x = work.right - width;
    if (y < work.top)
        y = work.top;
    else if (y + height > work.bottom)
        y = work.bottom - height;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetWindowIcon(UINT resourceId)
{
    if (!m_hWnd)
        return;
    const HINSTANCE instance = CUIWindowManager::GetModuleInstance();
    const struct
    {
        WPARAM kind;
        int cx, cy;
        HICON* owned;
    } icons[] = {
        {ICON_BIG, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), &m_hBigIcon},
        {ICON_SMALL, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), &m_hSmallIcon},
    };
    for (const auto& icon : icons) {
        HICON loaded = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId),
                                                       IMAGE_ICON, icon.cx, icon.cy, LR_DEFAULTCOLOR));
        if (!loaded)
            continue;
        ::SendMessageW(m_hWnd, WM_SETICON, icon.kind, reinterpret_cast<LPARAM>(loaded));
        // Only the icon loaded here before is ours to destroy, never one set by someone else.
        if (*icon.owned)
            ::DestroyIcon(*icon.owned);
        *icon.owned = loaded;
    }
}

void CWindowWnd::ReleaseIcons()
{
    for (HICON* icon : {&m_hBigIcon, &m_hSmallIcon}) {
        if (*icon)
            ::DestroyIcon(*icon);
        *icon = nullptr;
    }
}

// ---- Notify pump --------------------------------------------------------------------------------

const NotifyMapEntry CNotifyPump::s_aNotifyEntries[] = {
    {L"", L"", NotifySigEnd, nullptr},
};

const NotifyMap* CNotifyPump::GetClassNotifyMap()
{
    static const NotifyMap map = {nullptr, &s_aNotifyEntries[0]};
    return &map;
}

const NotifyMap* CNotifyPump::GetNotifyMap() const
{
    return GetClassNotifyMap();
}

const NotifyMapEntry* CNotifyPump::FindNotifyEntry(const NotifyMapEntry* entries,
                                                   const UINotification& msg)
{
    if (!entries)
        return nullptr;
    const NotifyMapEntry* catchAll = nullptr;
    for (const NotifyMapEntry* entry = entries; entry->nSignature != NotifySigEnd; ++entry) {
        if (!(entry->sType == msg.sType.GetData()))
            continue;
        if (entry->sControlName.IsEmpty())
            catchAll = entry;
        else if (msg.pSender && entry->sControlName == msg.pSender->GetName().GetData())
            return entry;
    }
    return catchAll;
}

bool CNotifyPump::DispatchFromMaps(UINotification& msg)
{
    for (const NotifyMap* map = GetNotifyMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        const NotifyMapEntry* entry = FindNotifyEntry(map->pEntries, msg);
        if (!entry)
            continue;
        if (entry->nSignature == NotifySigParams)
            (this->*reinterpret_cast<NotifyParamsHandler>(entry->pfnHandler))(msg.wParam, msg.lParam);
        else
            (this->*reinterpret_cast<NotifyMessageHandler>(entry->pfnHandler))(msg);
        return true;
    }
    return false;
}

} // namespace QxUI
