// Edit box: label painting while idle, a native edit window over the text area while editing.

#include "controls/UIEdit.h"

#include <cwchar>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/UIOverlayWindow.h"
#include "core/UIAttributeValues.h"
#include "core/UIButton.h"
#include "core/UIManager.h"
#include "core/UIRender.h"

namespace QxUI {

namespace {

// Notification messages of the native window come back to it at this offset.
const UINT kReflectOffset = 0x2000;
const DWORD kNoNativeBkColor = 0xFFFFFFFF;

} // namespace

// ---- CEditWnd -----------------------------------------------------------------------------------

RECT CEditWnd::GetEditRect() const
{
    if (!m_pOwner)
        return RECT{0, 0, 0, 0};
    RECT rc = m_pOwner->GetTextRect();
    CUIWindowManager* manager = m_pOwner->GetManager();
    if (!manager)
        return rc;
    const LONG textHeight = manager->GetFontEntry(m_pOwner->GetFont())->tm.tmHeight;
    if (textHeight < rc.bottom - rc.top) {
        rc.top += (rc.bottom - rc.top - textHeight) / 2;
        rc.bottom = rc.top + textHeight;
    }
    return rc;
}

bool CEditWnd::Start(CEditUI* owner)
{
    m_pOwner = owner;
    CUIWindowManager* manager = owner->GetManager();
    if (!manager || !manager->GetPaintWindow())
        return false;
    DWORD style = WS_CHILD | ES_AUTOHSCROLL;
    if (owner->IsPasswordMode())
        style |= ES_PASSWORD;
    if (!CreateInRect(manager->GetPaintWindow(), nullptr, style, 0, GetEditRect()))
        return false;
    // Focus messages below run the window's filters and handlers, which may end the editor.
    const CUIWindowManager::DispatchScope scope(m_hWnd);

    // An unknown index, or -1, gives the window's default font.
    m_font = CUIRef<CUIFontInfo>(manager->GetFontEntry(owner->GetFont()));
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font->hFont.Get()), TRUE);
    ::SendMessageW(m_hWnd, EM_LIMITTEXT, owner->GetMaxChar(), 0);
    if (owner->IsPasswordMode())
        ::SendMessageW(m_hWnd, EM_SETPASSWORDCHAR, owner->GetPasswordChar(), 0);
    ::SetWindowTextW(m_hWnd, owner->GetText().GetData());
    ::SendMessageW(m_hWnd, EM_SETMODIFY, FALSE, 0);
    ::SendMessageW(m_hWnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    ::EnableWindow(m_hWnd, owner->IsEnabled());
    ::SendMessageW(m_hWnd, EM_SETREADONLY, owner->IsReadOnly(), 0);
    const LONG_PTR current = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, current | owner->GetWindowStyles());
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ::SetFocus(m_hWnd);
    m_bInit = true;
    return true;
}

void CEditWnd::CopyTextToOwner()
{
    const int length = ::GetWindowTextLengthW(m_hWnd) + 1;
    std::vector<WCHAR> text(static_cast<size_t>(length), L'\0');
    ::GetWindowTextW(m_hWnd, text.data(), length);
    m_pOwner->m_sText = text.data();
}

LRESULT CEditWnd::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_KILLFOCUS: {
        const LRESULT result = CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
        m_focusClose.Lost(*this);
        return result;
    }
    case WM_SETFOCUS:
        m_focusClose.Regained();
        break;
    case WM_DESTROY:
        // The box forgets the window at once, and opens a new one when it takes the focus
        // again; this object goes later, without reaching the box.
        if (m_pOwner) {
            m_pOwner->m_pWindow = nullptr;
            m_pOwner->Invalidate();
            m_pOwner = nullptr;
        }
        break;
    case WM_CLOSE:
        if (m_pOwner && !m_focusClose.ShouldClose())
            return 0;
        break;
    case WM_KEYDOWN:
        if (wParam != VK_RETURN || !m_pOwner)
            break;
        if (CUIWindowManager* manager = m_pOwner->GetManager())
            manager->RaiseNotify(m_pOwner, L"return");
        return 0;
    case WM_COMMAND + kReflectOffset:
        if (HIWORD(wParam) == EN_CHANGE) {
            if (!m_bInit || !m_pOwner)
                return 0;
            CopyTextToOwner();
            if (CUIWindowManager* manager = m_pOwner->GetManager())
                manager->RaiseNotify(m_pOwner, L"textchanged");
            return 0;
        }
        if (HIWORD(wParam) == EN_UPDATE) {
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
            return 0;
        }
        break;
    case WM_CTLCOLOREDIT + kReflectOffset:
    case WM_CTLCOLORSTATIC + kReflectOffset: {
        if (!m_pOwner || m_pOwner->GetNativeBkColor() == kNoNativeBkColor)
            return 0;
        HDC hDC = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(hDC, TRANSPARENT);
        ::SetTextColor(hDC, ArgbToColorRef(m_pOwner->GetTextColor()));
        if (!m_hBkBrush)
            m_hBkBrush.Reset(::CreateSolidBrush(ArgbToColorRef(m_pOwner->GetNativeBkColor())));
        return reinterpret_cast<LRESULT>(m_hBkBrush.Get());
    }
    default:
        break;
    }
    return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
}

void CEditWnd::OnWindowDestroyed(HWND /*hWnd*/)
{
    delete this;
}

// ---- CEditUI ------------------------------------------------------------------------------------

CEditUI::CEditUI()
{
    m_rcTextPadding = RECT{4, 3, 4, 3};
    m_dwBackColor = 0xFFFFFFFF;
}

CEditUI::~CEditUI()
{
    CloseOverlayWindow(m_pWindow);
}

LPCWSTR CEditUI::GetClass() const
{
    return L"EditUI";
}

LPVOID CEditUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"Edit") == 0)
        return this;
    return CLabelUI::AsInterface(name);
}

UINT CEditUI::GetInputFlags()
{
    return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0;
}

HWND CEditUI::GetNativeWindow() const
{
    return m_pWindow ? m_pWindow->GetHandle() : nullptr;
}

void CEditUI::SetText(LPCWSTR text)
{
    m_sText = text ? text : L"";
    if (HWND window = GetNativeWindow())
        ::SetWindowTextW(window, m_sText.GetData());
    Invalidate();
}

void CEditUI::SetReadOnly(bool readOnly)
{
    if (m_bReadOnly == readOnly)
        return;
    m_bReadOnly = readOnly;
    if (HWND window = GetNativeWindow())
        ::SendMessageW(window, EM_SETREADONLY, readOnly, 0);
    Invalidate();
}

void CEditUI::SetPasswordMode(bool on)
{
    if (m_bPasswordMode == on)
        return;
    m_bPasswordMode = on;
    Invalidate();
}

void CEditUI::SetMaxChar(int count)
{
    m_iMaxChar = count;
    if (HWND window = GetNativeWindow())
        ::SendMessageW(window, EM_LIMITTEXT, count, 0);
}

void CEditUI::SetManager(CUIWindowManager* manager, CControlUI* parent, bool init)
{
    if (manager != m_pManager)
        ReleaseOverlayWindow(m_pWindow);
    CLabelUI::SetManager(manager, parent, init);
}

void CEditUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    if (HWND window = GetNativeWindow()) {
        const RECT edit = m_pWindow->GetEditRect();
        ::SetWindowPos(window, nullptr, edit.left, edit.top, edit.right - edit.left,
                       edit.bottom - edit.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CEditUI::Move(int dx, int dy, bool invalidate)
{
    CControlUI::Move(dx, dy, invalidate);
    if (HWND window = GetNativeWindow()) {
        const RECT edit = m_pWindow->GetEditRect();
        ::SetWindowPos(window, nullptr, edit.left, edit.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CEditUI::SetVisible(bool visible)
{
    CControlUI::SetVisible(visible);
    if (!IsVisible() && m_pWindow && m_pManager)
        m_pManager->SetFocusControl(nullptr);
}

void CEditUI::SetVisibleByParent(bool visible)
{
    // Stored like every control's: a box hidden with its parent must close its native window
    // and not stay a tab stop.
    CControlUI::SetVisibleByParent(visible);
    if (!IsVisible() && m_pWindow && m_pManager)
        m_pManager->SetFocusControl(nullptr);
}

void CEditUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = 0;
    // A disabled box must not go on taking keys in a window it left open.
    if (HWND window = GetNativeWindow())
        ::EnableWindow(window, IsEnabled());
}

void CEditUI::OpenNativeWindow()
{
    // A window still open (its close on the focus loss not yet done) takes the focus back.
    if (HWND window = GetNativeWindow())
        ::SetFocus(window);
    else
        OpenOverlayWindow(m_pWindow, [this](CEditWnd& window) { return window.Start(this); });
}

void CEditUI::SelectAllNative()
{
    if (HWND window = GetNativeWindow()) {
        const int length = m_sText.GetLength();
        ::SendMessageW(window, EM_SETSEL, 0, length == 0 ? 1 : length);
    }
}

void CEditUI::OnEvent(UIEvent& event)
{
    auto open = [this] {
        OpenNativeWindow();
        Invalidate();
    };
    if (PassOnMouseEvent(event) || HandleOverlayEvent(*this, m_pWindow != nullptr, event, open))
        return;

    switch (event.Type) {
    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick:
    case UIEventType::RButtonDown:
        if (!IsEnabled())
            return;
        // The press took the native focus to the skinned window: a focused box opens its
        // window again, or gives the focus back to the one still open.
        if (IsFocused()) {
            const bool open = m_pWindow != nullptr;
            OpenNativeWindow();
            if (open || ::PtInRect(&m_rcItem, event.ptMouse))
                SelectAllNative();
        } else if (m_pWindow) {
            SelectAllNative();
        }
        return;
    case UIEventType::MouseEnter:
    case UIEventType::MouseLeave:
        if (TrackHotState(*this, m_uButtonState, event))
            return;
        break;
    default:
        break;
    }
    CLabelUI::OnEvent(event);
}

void CEditUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value) {
        CLabelUI::SetAttribute(name, value);
        return;
    }
    if (wcscmp(name, L"readonly") == 0) {
        SetReadOnly(AttributeIsTrue(value));
    } else if (wcscmp(name, L"numberonly") == 0) {
        if (AttributeIsTrue(value))
            m_dwWindowStyle |= ES_NUMBER;
        else
            m_dwWindowStyle &= ~static_cast<DWORD>(ES_NUMBER);
    } else if (wcscmp(name, L"password") == 0) {
        SetPasswordMode(AttributeIsTrue(value));
    } else if (wcscmp(name, L"maxchar") == 0) {
        SetMaxChar(AttributeInt(value));
    } else if (wcscmp(name, L"normalimage") == 0) {
        SetImage(m_diNormal, value);
    } else if (wcscmp(name, L"hotimage") == 0) {
        SetImage(m_diHot, value);
    } else if (wcscmp(name, L"focusedimage") == 0) {
        SetImage(m_diFocused, value);
    } else if (wcscmp(name, L"disabledimage") == 0) {
        SetImage(m_diDisabled, value);
    } else if (wcscmp(name, L"nativebkcolor") == 0) {
        m_dwNativeBkColor = AttributeHexColor(value);
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

SIZE CEditUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0 || !m_pManager)
        return CControlUI::MeasureSize(available);
    return SIZE{m_cxyFixed.cx, m_pManager->GetFontEntry(m_iFont)->tm.tmHeight + 6};
}

void CEditUI::PaintStateImage(HDC hDC)
{
    m_uButtonState = CurrentButtonState(m_uButtonState, *this);
    CUIImageDesc* picked = &m_diNormal;
    if (m_uButtonState & UISTATE_DISABLED)
        picked = &m_diDisabled;
    else if (m_uButtonState & UISTATE_FOCUSED)
        picked = &m_diFocused;
    else if (m_uButtonState & UISTATE_HOT)
        picked = &m_diHot;
    if (!DrawImage(hDC, *picked) && picked != &m_diNormal)
        DrawImage(hDC, m_diNormal);
}

void CEditUI::PaintText(HDC hDC)
{
    if (!m_pManager)
        return;
    ResolveTextColors();
    if (m_sText.IsEmpty())
        return;

    CUIString shown = m_sText;
    if (m_bPasswordMode) {
        // One mask character per character (a surrogate pair is one), made in one piece.
        size_t count = 0;
        for (LPCWSTR p = m_sText.GetData(); *p; p = ::CharNextW(p))
            ++count;
        shown = std::wstring(count, m_cPasswordChar).c_str();
    }
    RECT rc = GetTextRect();
    CUIPainter::DrawText(hDC, m_pManager, rc, shown.GetData(),
                         IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor, m_iFont,
                         m_uTextStyle | DT_SINGLELINE);
}

} // namespace QxUI
