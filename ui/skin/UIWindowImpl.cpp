// The skinned window base: skin loading on WM_CREATE, the frameless non-client handling and the
// caption buttons.

#include "skin/UIWindowImpl.h"

#include <cstring>
#include <cwchar>
#include <cstdlib>
#include <new>

#include "core/UIAttributeValues.h"
#include "core/UIControl.h"

namespace QxUI {

namespace {

const WCHAR kSkinLoadFailedText[] = L"加载资源文件失败";
const WCHAR kSkinLoadFailedCaption[] = L"QxUI";
const WCHAR kZipResourceType[] = L"ZIPRES";
const WCHAR kXmlResourceType[] = L"xml";

// WS_CAPTION off; WS_CLIPSIBLINGS and WS_CLIPCHILDREN on.
constexpr LONG_PTR kFramelessMask = static_cast<LONG_PTR>(0xFF3FFFFF);
constexpr LONG_PTR kClipStyles = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// Caption points over these controls stay client area, so the controls still get the mouse.
// Matched by the whole class name: a class of its own (a check box's too) stays caption.
const LPCWSTR kClickableClasses[] = {L"ButtonUI", L"OptionUI", L"TextUI"};

// The in-memory skin archive: the first one stays for the whole process (the window manager
// keeps it), so one copy is made however many windows load it.
BYTE* g_skinArchive = nullptr;
DWORD g_skinArchiveSize = 0;

RECT WorkAreaOf(HWND hWnd, RECT* monitorRect = nullptr)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &info);
    if (monitorRect)
        *monitorRect = info.rcMonitor;
    return info.rcWork;
}

} // namespace

QXUI_BEGIN_NOTIFY_MAP(WindowImplBase, CNotifyPump)
    QXUI_ON_NOTIFY(L"click", L"", OnClickNotify)
QXUI_END_NOTIFY_MAP()

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase()
{
    // The window must not outlive the object its procedure reaches.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

// ---- Message routing ----------------------------------------------------------------------------

LRESULT WindowImplBase::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    bool handled = true;
    LRESULT result = 0;
    switch (msg) {
    case WM_CREATE: result = OnCreateMessage(msg, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroyMessage(msg, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSizeMessage(msg, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocusMessage(msg, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocusMessage(msg, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnCloseMessage(msg, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfoMessage(msg, wParam, lParam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSizeMessage(msg, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTestMessage(msg, wParam, lParam, handled); break;
    case WM_NCPAINT: result = OnNcPaintMessage(msg, wParam, lParam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivateMessage(msg, wParam, lParam, handled); break;
    case WM_KEYDOWN: result = OnKeyDownMessage(msg, wParam, lParam, handled); break;
    case WM_CHAR: result = OnCharMessage(msg, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommandMessage(msg, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMoveMessage(msg, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDownMessage(msg, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUpMessage(msg, wParam, lParam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheelMessage(msg, wParam, lParam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHoverMessage(msg, wParam, lParam, handled); break;
    default: handled = false; break;
    }
    if (handled)
        return result;

    result = OnOtherMessage(msg, wParam, lParam, handled);
    if (handled)
        return result;
    if (m_manager.HandleWindowMessage(msg, wParam, lParam, result))
        return result;
    return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
}

void WindowImplBase::OnWindowDestroyed(HWND hWnd)
{
    (void)hWnd;
    m_manager.RemovePreMessageFilter(this);
    m_manager.RemoveNotifier(this);
    m_manager.ForgetControl(m_manager.GetRootControl());
}

// ---- Skin ---------------------------------------------------------------------------------------

LRESULT WindowImplBase::OnCreateMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = true;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetFramelessStyle() | kClipStyles);
    RECT rc = {0, 0, 0, 0};
    ::GetClientRect(m_hWnd, &rc);
    ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_FRAMECHANGED);

    m_manager.AttachWindow(m_hWnd);
    m_manager.AddPreMessageFilter(this);

    CUIString folder = CUIWindowManager::GetResourceFolder();
    if (folder.IsEmpty()) {
        folder = CUIWindowManager::GetModuleFolder();
        folder += GetSkinDirectory();
    }
    CUIWindowManager::SetResourceFolder(folder.GetData());

    const UISkinSource kind = GetSkinSourceKind();
    // Without its archive the window stays empty; nothing is reported.
    if (!LoadSkinArchive(kind))
        return 0;

    CControlUI* root = BuildSkin(kind);
    if (!root) {
        ::MessageBoxW(nullptr, kSkinLoadFailedText, kSkinLoadFailedCaption, MB_ICONERROR);
        ::ExitProcess(1);
    }
    m_manager.AttachRootControl(root);
    m_manager.AddNotifier(this);
    m_manager.SetTransparentBackground(true);
    OnSkinLoaded();
    return 0;
}

bool WindowImplBase::LoadSkinArchive(UISkinSource kind)
{
    if (kind == SkinFromZipFile) {
        const CUIString zip = GetSkinZipName();
        CUIWindowManager::SetResourceZipFile(zip.GetData(), true);
        return true;
    }
    if (kind != SkinFromZipResource)
        return true;

    LPCWSTR id = GetSkinResourceId();
    if (id && !IS_INTRESOURCE(id)) {
        if (const WORD number = AttributeResourceIdDigitsOnly(id))
            id = MAKEINTRESOURCEW(number);
    }
    if (!id)
        return false;
    const HINSTANCE module = CUIWindowManager::GetResourceInstance();
    HRSRC resource = ::FindResourceW(module, id, kZipResourceType);
    if (!resource)
        return false;
    HGLOBAL loaded = ::LoadResource(module, resource);
    if (!loaded)
        return false;
    const DWORD size = ::SizeofResource(module, resource);
    const BYTE* bytes = static_cast<const BYTE*>(::LockResource(loaded));
    if (size == 0 || !bytes)
        return false;
    if (!g_skinArchive) {
        g_skinArchive = new (std::nothrow) BYTE[size];
        if (!g_skinArchive)
            return false;
        memcpy(g_skinArchive, bytes, size);
        g_skinArchiveSize = size;
    }
    CUIWindowManager::SetResourceZipMemory(g_skinArchive, g_skinArchiveSize);
    return true;
}

CControlUI* WindowImplBase::BuildSkin(UISkinSource kind)
{
    CUILayoutBuilder builder;
    const CUIString xml = GetSkinXmlName();
    if (kind == SkinFromXmlResource) {
        // Only a 16-bit id can be passed in place of a name.
        const WORD id = AttributeResourceIdDigitsOnly(xml.GetData());
        if (id == 0)
            return nullptr;
        return builder.Create(MAKEINTRESOURCEW(id), kXmlResourceType, this, &m_manager);
    }
    return builder.Create(xml.GetData(), nullptr, this, &m_manager);
}

CControlUI* WindowImplBase::CreateCustomControl(LPCWSTR className)
{
    (void)className;
    return nullptr;
}

// ---- Non-client area ----------------------------------------------------------------------------

LRESULT WindowImplBase::OnNcHitTestMessage(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    handled = true;
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(m_hWnd, &pt);
    RECT client = {0, 0, 0, 0};
    ::GetClientRect(m_hWnd, &client);

    if (!::IsZoomed(m_hWnd)) {
        const RECT border = m_manager.GetResizeBorder();
        const bool left = pt.x < client.left + border.left;
        const bool right = pt.x > client.right - border.right;
        if (pt.y < client.top + border.top)
            return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (pt.y > client.bottom - border.bottom)
            return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
    }

    const RECT caption = m_manager.GetCaptionArea();
    if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right &&
        pt.y >= caption.top && pt.y < caption.bottom) {
        CControlUI* control = m_manager.FindControlAt(pt);
        if (control) {
            LPCWSTR cls = control->GetClass();
            bool clickable = false;
            for (LPCWSTR name : kClickableClasses)
                clickable = clickable || (cls && _wcsicmp(cls, name) == 0);
            if (!clickable)
                return HTCAPTION;
        }
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnNcCalcSizeMessage(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    handled = true;
    if (!::IsZoomed(m_hWnd))
        return 0;
    // Both forms of the message start with the window's proposed rectangle.
    RECT* rc = reinterpret_cast<RECT*>(lParam);
    const RECT work = WorkAreaOf(m_hWnd);
    rc->right = rc->left + (work.right - work.left);
    rc->bottom = rc->top + (work.bottom - work.top);
    return WVR_REDRAW;
}

LRESULT WindowImplBase::OnNcActivateMessage(UINT, WPARAM wParam, LPARAM, bool& handled)
{
    if (::IsIconic(m_hWnd))
        handled = false;
    return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcPaintMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = true;
    return 0;
}

LRESULT WindowImplBase::OnGetMinMaxInfoMessage(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    handled = false;
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
    if (!info)
        return 0;
    RECT monitor = {0, 0, 0, 0};
    const RECT work = WorkAreaOf(m_hWnd, &monitor);
    info->ptMaxPosition.x = work.left - monitor.left;
    info->ptMaxPosition.y = work.top - monitor.top;
    info->ptMaxTrackSize.x = work.right - work.left;
    info->ptMaxTrackSize.y = work.bottom - work.top;
    const SIZE minimum = m_manager.GetMinTrackSize();
    info->ptMinTrackSize.x = minimum.cx;
    info->ptMinTrackSize.y = minimum.cy;
    return 0;
}

LRESULT WindowImplBase::OnSizeMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = false;
    const SIZE corner = m_manager.GetRoundCorner();
    if ((corner.cx != 0 || corner.cy != 0) && !::IsIconic(m_hWnd)) {
        RECT rc = {0, 0, 0, 0};
        ::GetWindowRect(m_hWnd, &rc);
        win32::UniqueRegion region(::CreateRoundRectRgn(
            0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, corner.cx, corner.cy));
        // The system owns the region once it is set.
        if (region && ::SetWindowRgn(m_hWnd, region.Get(), TRUE))
            region.Release();
    }
    return 0;
}

LRESULT WindowImplBase::OnSysCommandMessage(UINT msg, WPARAM wParam, LPARAM lParam,
                                            bool& handled)
{
    handled = true;
    // The low four bits are the system's own.
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        ::SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return 0;
    }
    const HWND window = m_hWnd;
    const bool wasZoomed = ::IsZoomed(window) != FALSE;
    const LRESULT result = CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
    if (::IsWindow(window) && wasZoomed != (::IsZoomed(window) != FALSE)) {
        CControlUI* maxButton = m_manager.FindControlByName(L"maxbtn");
        CControlUI* restoreButton = m_manager.FindControlByName(L"restorebtn");
        if (maxButton && restoreButton) {
            maxButton->SetVisible(wasZoomed);
            restoreButton->SetVisible(!wasZoomed);
        }
    }
    return result;
}

LONG_PTR WindowImplBase::GetFramelessStyle()
{
    return ::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & kFramelessMask;
}

// ---- Keys and notifications ---------------------------------------------------------------------

LRESULT WindowImplBase::OnDefaultKey(WPARAM key)
{
    if (key == VK_ESCAPE) {
        Close(1);
        return 1;
    }
    return 0;
}

LRESULT WindowImplBase::PreFilterMessage(UINT msg, WPARAM wParam, LPARAM, bool&)
{
    if (msg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE))
        return OnDefaultKey(wParam);
    return 0;
}

void WindowImplBase::OnUINotify(UINotification& msg)
{
    RouteNotify(msg);
}

void WindowImplBase::OnClickNotify(UINotification& msg)
{
    if (!msg.pSender)
        return;
    const CUIString name = msg.pSender->GetName();
    if (name == L"closebtn")
        Close(1);
    else if (name == L"minbtn")
        ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (name == L"maxbtn")
        ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (name == L"restorebtn")
        ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
}

// ---- Messages left to derived windows -----------------------------------------------------------

#define QXUI_NOT_HANDLED(handler)                                                               \
    LRESULT WindowImplBase::handler(UINT, WPARAM, LPARAM, bool& handled)                        \
    {                                                                                           \
        handled = false;                                                                        \
        return 0;                                                                               \
    }

QXUI_NOT_HANDLED(OnCloseMessage)
QXUI_NOT_HANDLED(OnDestroyMessage)
QXUI_NOT_HANDLED(OnMouseWheelMessage)
QXUI_NOT_HANDLED(OnMouseHoverMessage)
QXUI_NOT_HANDLED(OnCharMessage)
QXUI_NOT_HANDLED(OnKeyDownMessage)
QXUI_NOT_HANDLED(OnKillFocusMessage)
QXUI_NOT_HANDLED(OnSetFocusMessage)
QXUI_NOT_HANDLED(OnLButtonDownMessage)
QXUI_NOT_HANDLED(OnLButtonUpMessage)
QXUI_NOT_HANDLED(OnMouseMoveMessage)
QXUI_NOT_HANDLED(OnOtherMessage)

#undef QXUI_NOT_HANDLED

} // namespace QxUI
