// The window manager's message handling: the control tree, input events for the control under
// the mouse, with the focus or with the capture, double-buffered painting and tooltips.

#include "core/UIManager.h"

#include <windowsx.h>

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "core/UIControl.h"
#include "core/UIWindow.h"

namespace QxUI {

namespace {

// Notification messages of native child windows come back to them at this offset.
const UINT kReflectOffset = 0x2000;
const DWORD kDefaultHoverTime = 400;

UIEvent MakeEvent(int type, CControlUI* sender, POINT pt)
{
    UIEvent event;
    event.Type = type;
    event.pSender = sender;
    event.dwTimestamp = ::GetTickCount();
    event.ptMouse = pt;
    return event;
}

POINT PointFromLParam(LPARAM lParam)
{
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return pt;
}

} // namespace

WORD CUIWindowManager::GetModifierKeyState()
{
    WORD state = 0;
    if (::GetKeyState(VK_LBUTTON) < 0)
        state |= ModifierLButton;
    if (::GetKeyState(VK_RBUTTON) < 0)
        state |= ModifierRButton;
    if (::GetKeyState(VK_SHIFT) < 0)
        state |= ModifierShift;
    if (::GetKeyState(VK_CONTROL) < 0)
        state |= ModifierControl;
    if (::GetKeyState(VK_MENU) < 0)
        state |= ModifierAlt;
    return state;
}

// ---- The control tree ---------------------------------------------------------------------------

bool CUIWindowManager::AttachRootControl(CControlUI* root)
{
    // "killfocus" and the new tree's init handlers run here.
    const DispatchScope scope(*this);
    SetFocusControl(nullptr);
    m_pEventKey = nullptr;
    m_pEventHover = nullptr;
    m_pEventClick = nullptr;
    // Attaching the current root again must not queue it for deletion while it stays in use.
    if (m_pRoot && m_pRoot != root) {
        m_aPostPaintControls.Empty();
        QueueControlForDeletion(m_pRoot);
    }
    m_pRoot = root;
    m_bUpdateNeeded = true;
    m_bFirstLayout = true;
    m_bFocusNeeded = true;
    return BindControlTree(root, nullptr);
}

bool CUIWindowManager::BindControlTree(CControlUI* control, CControlUI* parent)
{
    if (!control)
        return false;
    // The init handlers run first; a control they took out of this window is not registered.
    const DispatchScope scope(*this);
    control->SetManager(this, parent ? parent : control->GetParent(), true);
    control->FindControl(RegisterNameCallback, this, UIFIND_ALL);
    return true;
}

void CUIWindowManager::OnButtonDownMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    ::SetFocus(m_hWndPaint);
    const POINT pt = PointFromLParam(lParam);
    m_ptLastMousePos = pt;
    CControlUI* control = FindControlAt(pt);
    if (!control || control->GetManager() != this)
        return;
    UIEvent event;
    if (msg == WM_LBUTTONDBLCLK) {
        // Set first: a handler that takes the control out makes the manager forget it.
        m_pEventClick = control;
        CaptureMouse();
        event = MakeEvent(UIEventType::DoubleClick, control, pt);
    } else {
        if (!PressControl(control))
            return;
        event = MakeEvent(msg == WM_LBUTTONDOWN ? UIEventType::ButtonDown : UIEventType::RButtonDown,
                          control, pt);
        event.wParam = wParam;
        event.lParam = lParam;
    }
    event.wKeyState = static_cast<WORD>(wParam);
    control->HandleEvent(event);
}

bool CUIWindowManager::OfferToFilters(const ListenerList& registered, UINT msg, WPARAM wParam,
                                      LPARAM lParam, LRESULT& result)
{
    const DispatchScope scope;
    // Walked over a copy: a filter may remove itself or others while it runs.
    const ListenerList filters(registered);
    for (const Listener& filter : filters) {
        if (!IsListening(registered, filter.iface))
            continue;
        bool handled = false;
        const LRESULT answer = static_cast<IMessageFilterUI*>(filter.iface)
                                   ->PreFilterMessage(msg, wParam, lParam, handled);
        if (handled) {
            result = answer;
            return true;
        }
    }
    return false;
}

bool CUIWindowManager::PressControl(CControlUI* control)
{
    m_pEventClick = control;
    control->SetFocus();
    if (control->GetManager() != this)
        return false;
    CaptureMouse();
    return true;
}

CControlUI* CUIWindowManager::FindControlAt(POINT pt) const
{
    if (!m_pRoot)
        return nullptr;
    return m_pRoot->FindControl(HitTestCallback, &pt,
                                UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CALLBACK CUIWindowManager::HitTestCallback(CControlUI* control, LPVOID data)
{
    const POINT* pt = static_cast<const POINT*>(data);
    const RECT& rc = control->GetPos();
    return ::PtInRect(&rc, *pt) ? control : nullptr;
}

CControlUI* CALLBACK CUIWindowManager::CollectUpdateCallback(CControlUI* control, LPVOID)
{
    if (!control->IsUpdateNeeded())
        return nullptr;
    CUIWindowManager* manager = control->GetManager();
    if (manager)
        manager->GetUpdateList()->Add(control);
    return control;
}

void CUIWindowManager::Invalidate(const RECT& rc)
{
    if (m_hWndPaint)
        ::InvalidateRect(m_hWndPaint, &rc, FALSE);
}

void CUIWindowManager::CaptureMouse()
{
    ::SetCapture(m_hWndPaint);
    m_bMouseCapture = true;
}

void CUIWindowManager::ReleaseMouseCapture()
{
    ::ReleaseCapture();
    m_bMouseCapture = false;
}

bool CUIWindowManager::AddPostPaintControl(CControlUI* control)
{
    // Only this window's controls: it forgets them as they leave.
    if (!control || control->GetManager() != this)
        return false;
    return m_aPostPaintControls.Add(control);
}

bool CUIWindowManager::RemovePostPaintControl(CControlUI* control)
{
    const int index = m_aPostPaintControls.Find(control);
    return index >= 0 && m_aPostPaintControls.Remove(index);
}

// ---- Window settings ----------------------------------------------------------------------------

void CUIWindowManager::SetInitialSize(int cx, int cy)
{
    m_szInitWindowSize.cx = cx;
    m_szInitWindowSize.cy = cy;
    if (!m_pRoot && m_hWndPaint) {
        ::SetWindowPos(m_hWndPaint, nullptr, 0, 0, cx, cy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CUIWindowManager::SetMinTrackSize(int cx, int cy)
{
    m_szMinWindow.cx = cx;
    m_szMinWindow.cy = cy;
}

void CUIWindowManager::SetMaxTrackSize(int cx, int cy)
{
    m_szMaxWindow.cx = cx;
    m_szMaxWindow.cy = cy;
}

void CUIWindowManager::SetRoundCorner(int cx, int cy)
{
    m_szRoundCorner.cx = cx;
    m_szRoundCorner.cy = cy;
}

void CUIWindowManager::SetWindowAlpha(int alpha)
{
    m_nOpacity = std::min(255, std::max(0, alpha));
    if (!m_hWndPaint)
        return;
    typedef BOOL(WINAPI * SetLayeredProc)(HWND, COLORREF, BYTE, DWORD);
    HMODULE user32 = ::GetModuleHandleW(L"User32.dll");
    SetLayeredProc setLayered = user32 ? reinterpret_cast<SetLayeredProc>(reinterpret_cast<void*>(
                                             ::GetProcAddress(user32, "SetLayeredWindowAttributes")))
                                       : nullptr;
    if (!setLayered)
        return;
    const LONG_PTR exStyle = ::GetWindowLongPtrW(m_hWndPaint, GWL_EXSTYLE);
    const bool layered = alpha >= 0 && alpha <= 255;
    const LONG_PTR wanted = layered ? (exStyle | WS_EX_LAYERED) : (exStyle & ~LONG_PTR(WS_EX_LAYERED));
    if (wanted != exStyle)
        ::SetWindowLongPtrW(m_hWndPaint, GWL_EXSTYLE, wanted);
    if (layered)
        setLayered(m_hWndPaint, 0, static_cast<BYTE>(m_nOpacity), LWA_ALPHA);
}

// ---- Messages -----------------------------------------------------------------------------------

bool CUIWindowManager::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (!m_hWndPaint)
        return false;
    const DispatchScope scope(m_hWndPaint, msg);
    struct Depth
    {
        explicit Depth(int& depth) : depth(depth) { ++depth; }
        ~Depth() { --depth; }
        int& depth;
    } depth(m_nMessageDepth);
    DeliverQueuedNotifications();

    if (OfferToFilters(m_aMessageFilters, msg, wParam, lParam, result))
        return true;

    // A key event: the key, the modifiers held and the last mouse point.
    auto keyEvent = [&](int type, CControlUI* to) {
        UIEvent event = MakeEvent(type, to, m_ptLastMousePos);
        event.chKey = static_cast<WCHAR>(wParam);
        event.wKeyState = GetModifierKeyState();
        return event;
    };

    switch (msg) {
    case WM_SIZE:
        if (m_pFocus) {
            UIEvent event = MakeEvent(UIEventType::WindowSize, m_pFocus, POINT{0, 0});
            m_pFocus->HandleEvent(event);
        }
        if (m_pRoot)
            m_pRoot->RequestLayout();
        return true;

    case WM_PAINT:
        OnPaintMessage();
        return true;

    case WM_CLOSE: {
        // Each is let go of before its handler runs, which may close the window again.
        if (CControlUI* hover = m_pEventHover) {
            m_pEventHover = nullptr;
            UIEvent event = MakeEvent(UIEventType::MouseLeave, hover, m_ptLastMousePos);
            hover->HandleEvent(event);
        }
        if (CControlUI* click = m_pEventClick) {
            m_pEventClick = nullptr;
            UIEvent event = MakeEvent(UIEventType::ButtonUp, click, m_ptLastMousePos);
            click->HandleEvent(event);
        }
        SetFocusControl(nullptr);
        HWND owner = ::GetWindow(m_hWndPaint, GW_OWNER);
        if (owner)
            ::SetFocus(owner);
        break;
    }

    case WM_ERASEBKGND:
        result = 1;
        return true;

    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT)
            break;
        if (m_bMouseCapture)
            return true;
        POINT pt = {0, 0};
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWndPaint, &pt);
        CControlUI* control = FindControlAt(pt);
        if (!control || !(control->GetInputFlags() & UIFLAG_SETCURSOR))
            break;
        UIEvent event = MakeEvent(UIEventType::SetCursor, control, pt);
        event.wParam = wParam;
        event.lParam = lParam;
        event.wKeyState = GetModifierKeyState();
        control->HandleEvent(event);
        return true;
    }

    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (!info)
            break;
        if (m_szMinWindow.cx > 0)
            info->ptMinTrackSize.x = m_szMinWindow.cx;
        if (m_szMinWindow.cy > 0)
            info->ptMinTrackSize.y = m_szMinWindow.cy;
        if (m_szMaxWindow.cx > 0)
            info->ptMaxTrackSize.x = m_szMaxWindow.cx;
        if (m_szMaxWindow.cy > 0)
            info->ptMaxTrackSize.y = m_szMaxWindow.cy;
        break;
    }

    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header)
            result = ::SendMessageW(header->hwndFrom, msg + kReflectOffset, wParam, lParam);
        return true;
    }

    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (lParam == 0)
            break;
        result = ::SendMessageW(reinterpret_cast<HWND>(lParam), msg + kReflectOffset, wParam, lParam);
        return true;

    case WM_CONTEXTMENU: {
        POINT pt = PointFromLParam(lParam);
        ::ScreenToClient(m_hWndPaint, &pt);
        m_ptLastMousePos = pt;
        if (!m_pEventClick)
            break;
        // Let go of first: the handler may start a press of its own.
        CControlUI* click = m_pEventClick;
        m_pEventClick = nullptr;
        ReleaseMouseCapture();
        UIEvent event = MakeEvent(UIEventType::ContextMenu, click, pt);
        event.wKeyState = LOWORD(wParam);
        event.lParam = reinterpret_cast<LPARAM>(click);
        click->HandleEvent(event);
        break;
    }

    case WM_KEYDOWN:
        if (m_pFocus) {
            CControlUI* focus = m_pFocus;
            UIEvent event = keyEvent(UIEventType::KeyDown, focus);
            // Set first: a handler that deletes the control makes the manager forget it.
            m_pEventKey = focus;
            focus->HandleEvent(event);
        }
        break;

    case WM_KEYUP:
        // Let go of first: the handler may press a key of its own.
        if (CControlUI* key = m_pEventKey) {
            m_pEventKey = nullptr;
            UIEvent event = keyEvent(UIEventType::KeyUp, key);
            key->HandleEvent(event);
        }
        break;

    case WM_CHAR:
        if (m_pFocus) {
            UIEvent event = keyEvent(UIEventType::Char, m_pFocus);
            m_pFocus->HandleEvent(event);
        }
        break;

    case WM_TIMER:
        for (int i = 0; i < m_aTimers.GetSize(); ++i) {
            const TimerInfo* timer = static_cast<const TimerInfo*>(m_aTimers[i]);
            if (timer->hWnd == m_hWndPaint && timer->uWinTimer == LOWORD(wParam) && !timer->bKilled) {
                // The handler may stop or start timers: nothing of the list is used afterwards.
                CControlUI* control = timer->pSender;
                UIEvent event = MakeEvent(UIEventType::Timer, control, m_ptLastMousePos);
                event.wParam = timer->nLocalID;
                control->HandleEvent(event);
                break;
            }
        }
        break;

    case WM_MOUSEMOVE:
        OnMouseMoveMessage(lParam);
        break;

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        OnButtonDownMessage(msg, wParam, lParam);
        break;

    case WM_LBUTTONUP: {
        const POINT pt = PointFromLParam(lParam);
        m_ptLastMousePos = pt;
        if (!m_pEventClick) {
            // The pressed control left the window: the window still holds the capture.
            if (m_bMouseCapture)
                ReleaseMouseCapture();
            break;
        }
        CControlUI* click = m_pEventClick;
        ReleaseMouseCapture();
        m_pEventClick = nullptr;
        UIEvent event = MakeEvent(UIEventType::ButtonUp, click, pt);
        event.wKeyState = static_cast<WORD>(wParam);
        event.wParam = wParam;
        event.lParam = lParam;
        click->HandleEvent(event);
        break;
    }

    case WM_MOUSEWHEEL: {
        POINT pt = PointFromLParam(lParam);
        ::ScreenToClient(m_hWndPaint, &pt);
        m_ptLastMousePos = pt;
        CControlUI* control = FindControlAt(pt);
        if (control && control->GetManager() == this) {
            UIEvent event = MakeEvent(UIEventType::ScrollWheel, control, pt);
            event.wParam = GET_WHEEL_DELTA_WPARAM(wParam) < 0 ? 1 : 0;
            event.lParam = lParam;
            event.wKeyState = GetModifierKeyState();
            control->HandleEvent(event);
        }
        // What lies under the mouse may have scrolled away.
        ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0,
                       MAKELPARAM(m_ptLastMousePos.x, m_ptLastMousePos.y));
        break;
    }

    case WM_MOUSEHOVER:
        if (OnMouseHoverMessage(lParam))
            return true;
        break;

    case WM_MOUSELEAVE:
        if (m_hwndTooltip)
            ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
        if (m_bMouseTracking)
            ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
        m_bMouseTracking = false;
        break;

    case WM_PRINTCLIENT:
        OnPrintClientMessage(reinterpret_cast<HDC>(wParam), lParam);
        break;

    case kDeleteQueuedControls:
        DeleteQueuedControls();
        break;

    default:
        break;
    }

    DeliverQueuedNotifications();
    return false;
}

// ---- Mouse --------------------------------------------------------------------------------------

void CUIWindowManager::OnMouseMoveMessage(LPARAM lParam)
{
    if (!m_bMouseTracking) {
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = m_hWndPaint;
        track.dwHoverTime = m_hwndTooltip ? static_cast<DWORD>(::SendMessageW(
                                                m_hwndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0))
                                          : kDefaultHoverTime;
        ::TrackMouseEvent(&track);
        m_bMouseTracking = true;
    }

    const POINT pt = PointFromLParam(lParam);
    m_ptLastMousePos = pt;
    CControlUI* control = FindControlAt(pt);
    if (control && control->GetManager() != this)
        return;

    if (m_pEventHover && m_pEventHover != control) {
        CControlUI* hover = m_pEventHover;
        m_pEventHover = nullptr;
        UIEvent event = MakeEvent(UIEventType::MouseLeave, hover, pt);
        hover->HandleEvent(event);
        if (m_hwndTooltip)
            ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    // The leave handler may have taken the control out of this window.
    if (control && control->GetManager() != this)
        control = nullptr;
    if (control && control != m_pEventHover) {
        // Set first: a handler that takes the control out makes the manager forget it.
        m_pEventHover = control;
        UIEvent event = MakeEvent(UIEventType::MouseEnter, control, pt);
        control->HandleEvent(event);
    }
    CControlUI* target = m_pEventClick ? m_pEventClick : control;
    if (target && target->GetManager() == this) {
        UIEvent event = MakeEvent(UIEventType::MouseMove, target, pt);
        target->HandleEvent(event);
    }
}

bool CUIWindowManager::OnMouseHoverMessage(LPARAM lParam)
{
    m_bMouseTracking = false;
    const POINT pt = PointFromLParam(lParam);
    CControlUI* control = FindControlAt(pt);
    if (!control)
        return false;
    if (m_pEventHover) {
        UIEvent event = MakeEvent(UIEventType::MouseHover, m_pEventHover, pt);
        m_pEventHover->HandleEvent(event);
    }
    // The hover handler may have taken the control out.
    if (control->GetManager() != this)
        return true;

    CUIString tip = control->GetToolTip();
    if (tip.IsEmpty())
        return true;
    ExpandLanguageRefs(tip);

    m_ToolTip = TTTOOLINFOW{};
    m_ToolTip.cbSize = TTTOOLINFOW_V2_SIZE;
    m_ToolTip.uFlags = TTF_IDISHWND;
    m_ToolTip.hwnd = m_hWndPaint;
    m_ToolTip.uId = reinterpret_cast<UINT_PTR>(m_hWndPaint);
    m_ToolTip.hinst = GetModuleInstance();
    // The tooltip window copies the text on TTM_ADDTOOLW and TTM_SETTOOLINFOW.
    m_ToolTip.lpszText = const_cast<LPWSTR>(tip.GetData());
    m_ToolTip.rect = control->GetPos();
    if (!m_hwndTooltip) {
        m_hwndTooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr,
                                          WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWndPaint,
                                          nullptr, GetModuleInstance(), nullptr);
        if (m_hwndTooltip)
            ::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    if (m_hwndTooltip) {
        ::SendMessageW(m_hwndTooltip, TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
        ::SendMessageW(m_hwndTooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
        ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    m_ToolTip.lpszText = nullptr;
    return true;
}

// ---- Painting -----------------------------------------------------------------------------------

void CUIWindowManager::ReleaseBackBuffers()
{
    m_hDcOffscreen.Reset();
    m_hDcBackground.Reset();
    m_hbmpOffscreen.Reset();
    m_hbmpBackground.Reset();
}

void CUIWindowManager::LayOutForPaint()
{
    m_bUpdateNeeded = false;
    RECT rcClient = {0, 0, 0, 0};
    ::GetClientRect(m_hWndPaint, &rcClient);
    if (::IsRectEmpty(&rcClient))
        return;
    if (m_pRoot->IsUpdateNeeded()) {
        ReleaseBackBuffers();
        m_pRoot->SetPos(rcClient, true);
    } else {
        m_aNeedUpdate.Empty();
        m_pRoot->FindControl(CollectUpdateCallback, nullptr,
                             UIFIND_VISIBLE | UIFIND_ME_FIRST | UIFIND_UPDATETEST);
        // Size handlers may change the tree, or paint (and so lay out) again: the walk goes
        // over a copy, and passes over a control that has left the window meanwhile.
        const DispatchScope scope(*this);
        const CUIPtrArray updates(m_aNeedUpdate);
        for (int i = 0; i < updates.GetSize(); ++i) {
            CControlUI* control = static_cast<CControlUI*>(updates[i]);
            if (control->GetManager() == this)
                control->SetPos(control->IsFloat() ? control->GetPosInParent() : control->GetPos(),
                                true);
        }
    }
    if (m_bFirstLayout && m_pRoot) {
        m_bFirstLayout = false;
        RaiseNotify(m_pRoot, L"windowinit", 0, 0, false);
    }
}

void CUIWindowManager::OnPaintMessage()
{
    RECT rcDirty = {0, 0, 0, 0};
    if (!::GetUpdateRect(m_hWndPaint, &rcDirty, FALSE))
        return;
    PAINTSTRUCT ps = {};
    if (m_pRoot && m_bUpdateNeeded)
        LayOutForPaint();
    if (m_pRoot && m_bFocusNeeded)
        FocusNextTabStop(true);
    // No root, or the handlers run by the layout and the focus took it away.
    if (!m_pRoot) {
        ::BeginPaint(m_hWndPaint, &ps);
        ::EndPaint(m_hWndPaint, &ps);
        return;
    }

    RECT rcClient = {0, 0, 0, 0};
    ::GetClientRect(m_hWndPaint, &rcClient);
    const int width = rcClient.right - rcClient.left;
    const int height = rcClient.bottom - rcClient.top;
    if (!m_hDcOffscreen)
        m_hDcOffscreen.Reset(::CreateCompatibleDC(m_hDcPaint));
    if (!m_hbmpOffscreen)
        m_hbmpOffscreen.Reset(::CreateCompatibleBitmap(m_hDcPaint, width, height));

    ::BeginPaint(m_hWndPaint, &ps);
    // The layout above may have invalidated more than the first dirty rectangle; BeginPaint
    // validates all of it, so all of it is painted.
    rcDirty = ps.rcPaint;
    if (m_hDcOffscreen && m_hbmpOffscreen) {
        HDC offscreen = m_hDcOffscreen.Get();
        win32::SelectScope bitmap(offscreen, m_hbmpOffscreen.Get());
        const int saved = ::SaveDC(offscreen);
        if (m_bTransparentBackground) {
            if (!m_hbmpBackground) {
                if (!m_hDcBackground)
                    m_hDcBackground.Reset(::CreateCompatibleDC(m_hDcPaint));
                m_hbmpBackground.Reset(::CreateCompatibleBitmap(m_hDcPaint, width, height));
                if (m_hDcBackground && m_hbmpBackground) {
                    ::SelectObject(m_hDcBackground.Get(), m_hbmpBackground.Get());
                    ::BitBlt(m_hDcBackground.Get(), rcDirty.left, rcDirty.top,
                             rcDirty.right - rcDirty.left, rcDirty.bottom - rcDirty.top, ps.hdc,
                             rcDirty.left, rcDirty.top, SRCCOPY);
                }
            }
            if (m_hDcBackground && m_hbmpBackground) {
                ::BitBlt(offscreen, rcDirty.left, rcDirty.top, rcDirty.right - rcDirty.left,
                         rcDirty.bottom - rcDirty.top, m_hDcBackground.Get(), rcDirty.left,
                         rcDirty.top, SRCCOPY);
            }
        }
        m_pRoot->Paint(offscreen, rcDirty);
        for (int i = 0; i < m_aPostPaintControls.GetSize(); ++i)
            static_cast<CControlUI*>(m_aPostPaintControls[i])->PaintOverlay(offscreen, rcDirty);
        ::RestoreDC(offscreen, saved);
        ::BitBlt(ps.hdc, rcDirty.left, rcDirty.top, rcDirty.right - rcDirty.left,
                 rcDirty.bottom - rcDirty.top, offscreen, rcDirty.left, rcDirty.top, SRCCOPY);
    } else {
        // No memory for a back buffer: paint straight onto the window rather than not at all.
        const int saved = ::SaveDC(ps.hdc);
        m_pRoot->Paint(ps.hdc, rcDirty);
        for (int i = 0; i < m_aPostPaintControls.GetSize(); ++i)
            static_cast<CControlUI*>(m_aPostPaintControls[i])->PaintOverlay(ps.hdc, rcDirty);
        ::RestoreDC(ps.hdc, saved);
    }

    if (m_bShowUpdateRect && s_hUpdateRectPen) {
        win32::SelectScope pen(ps.hdc, s_hUpdateRectPen);
        win32::SelectScope brush(ps.hdc, ::GetStockObject(HOLLOW_BRUSH));
        ::Rectangle(ps.hdc, rcDirty.left, rcDirty.top, rcDirty.right, rcDirty.bottom);
    }
    ::EndPaint(m_hWndPaint, &ps);

    if (m_bUpdateNeeded)
        ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

void CUIWindowManager::OnPrintClientMessage(HDC hDC, LPARAM lParam)
{
    if (!hDC || !m_pRoot)
        return;
    RECT rcClient = {0, 0, 0, 0};
    ::GetClientRect(m_hWndPaint, &rcClient);
    const int saved = ::SaveDC(hDC);
    m_pRoot->Paint(hDC, rcClient);
    if (lParam & PRF_CHILDREN) {
        for (HWND child = ::GetWindow(m_hWndPaint, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            RECT rcPos = {0, 0, 0, 0};
            ::GetWindowRect(child, &rcPos);
            ::MapWindowPoints(HWND_DESKTOP, m_hWndPaint, reinterpret_cast<POINT*>(&rcPos), 2);
            ::SetWindowOrgEx(hDC, -rcPos.left, -rcPos.top, nullptr);
            // WM_PRINT rather than WM_PRINTCLIENT: edit controls print their frame only so.
            ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(hDC), lParam | PRF_NONCLIENT);
        }
    }
    ::RestoreDC(hDC, saved);
}

} // namespace QxUI
