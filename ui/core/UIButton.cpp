// Button: state images, "click" on activation and "menu" on a context-menu request.

#include "core/UIButton.h"

#include <cwchar>

#include "core/UIAttributeValues.h"

namespace QxUI {

UINT CurrentButtonState(UINT state, const CControlUI& control)
{
    if (control.IsFocused())
        state |= UISTATE_FOCUSED;
    else
        state &= ~UISTATE_FOCUSED;
    if (!control.IsEnabled())
        state |= UISTATE_DISABLED;
    else
        state &= ~UISTATE_DISABLED;
    return state;
}

bool TrackHotState(CControlUI& control, UINT& state, const UIEvent& event)
{
    if (!control.IsEnabled())
        return false;
    if (event.Type == UIEventType::MouseEnter)
        state |= UISTATE_HOT;
    else if (event.Type == UIEventType::MouseLeave)
        state &= ~UISTATE_HOT;
    else
        return false;
    control.Invalidate();
    return true;
}

CButtonUI::CButtonUI()
{
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

CButtonUI::~CButtonUI() = default;

LPCWSTR CButtonUI::GetClass() const
{
    return L"ButtonUI";
}

LPVOID CButtonUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"Button") == 0)
        return this;
    return CLabelUI::AsInterface(name);
}

UINT CButtonUI::GetInputFlags()
{
    return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0);
}

bool CButtonUI::Activate()
{
    if (!CControlUI::Activate())
        return false;
    if (m_pManager)
        m_pManager->RaiseNotify(this, L"click", 0, 0);
    return true;
}

void CButtonUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = 0;
}

void CButtonUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event))
        return;

    switch (event.Type) {
    case UIEventType::SetFocus:
    case UIEventType::KillFocus:
        Invalidate();
        break;
    case UIEventType::KeyDown:
        if (IsKeyboardEnabled() && (event.chKey == L' ' || event.chKey == VK_RETURN)) {
            Activate();
            return;
        }
        break;
    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick:
        if (::PtInRect(&m_rcItem, event.ptMouse) && IsEnabled()) {
            m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEventType::MouseMove:
        if (m_uButtonState & UISTATE_CAPTURED) {
            if (::PtInRect(&m_rcItem, event.ptMouse))
                m_uButtonState |= UISTATE_PUSHED;
            else
                m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEventType::ButtonUp:
        // Only a press that started on the button may click it.
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            Invalidate();
            if (::PtInRect(&m_rcItem, event.ptMouse))
                Activate();
        }
        return;
    case UIEventType::ContextMenu:
        if (IsMenuEnabled() && m_pManager)
            m_pManager->RaiseNotify(this, L"menu", event.wParam, event.lParam);
        return;
    case UIEventType::MouseEnter:
    case UIEventType::MouseLeave:
        TrackHotState(*this, m_uButtonState, event);
        break;
    case UIEventType::SetCursor:
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return;
    default:
        break;
    }
    CLabelUI::OnEvent(event);
}

void CButtonUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value) {
        CLabelUI::SetAttribute(name, value);
        return;
    }
    if (wcscmp(name, L"normalimage") == 0)
        SetNormalImage(value);
    else if (wcscmp(name, L"hotimage") == 0)
        SetHotImage(value);
    else if (wcscmp(name, L"pushedimage") == 0)
        SetPushedImage(value);
    else if (wcscmp(name, L"focusedimage") == 0)
        SetFocusedImage(value);
    else if (wcscmp(name, L"disabledimage") == 0)
        SetDisabledImage(value);
    else if (wcscmp(name, L"foreimage") == 0)
        SetForeImage(value);
    else if (wcscmp(name, L"hotforeimage") == 0)
        SetHotForeImage(value);
    else if (wcscmp(name, L"hotbkcolor") == 0)
        SetHotBkColor(AttributeHexColorAfterSpaces(value));
    else if (wcscmp(name, L"hottextcolor") == 0)
        SetHotTextColor(AttributeHexColorAfterSpaces(value));
    else if (wcscmp(name, L"pushedtextcolor") == 0)
        SetPushedTextColor(AttributeHexColorAfterSpaces(value));
    else if (wcscmp(name, L"focusedtextcolor") == 0)
        SetFocusedTextColor(AttributeHexColorAfterSpaces(value));
    else
        CLabelUI::SetAttribute(name, value);
}

SIZE CButtonUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0 || !m_pManager)
        return CControlUI::MeasureSize(available);
    return SIZE{m_cxyFixed.cx, m_pManager->GetFontEntry(m_iFont)->tm.tmHeight + 8};
}

void CButtonUI::RefreshState()
{
    m_uButtonState = CurrentButtonState(m_uButtonState, *this);
}

void CButtonUI::PaintStateImage(HDC hDC)
{
    RefreshState();
    auto stateImage = [&](CUIImageDesc& desc) {
        if (!DrawImage(hDC, desc))
            DrawImage(hDC, m_diNormal);
    };

    if (m_uButtonState & UISTATE_DISABLED) {
        stateImage(m_diDisabled);
    } else if (m_uButtonState & UISTATE_PUSHED) {
        stateImage(m_diPushed);
    } else if (m_uButtonState & UISTATE_HOT) {
        stateImage(m_diHot);
        if (DrawImage(hDC, m_diHotFore))
            return;
        if (m_dwHotBkColor != 0) {
            CUIPainter::DrawColor(hDC, m_rcPaint, GetHslAdjustedColor(m_dwHotBkColor));
            return;
        }
    } else if (m_uButtonState & UISTATE_FOCUSED) {
        stateImage(m_diFocused);
    } else {
        DrawImage(hDC, m_diNormal);
    }
    DrawImage(hDC, m_diFore);
}

void CButtonUI::PaintText(HDC hDC)
{
    RefreshState();
    if (!m_pManager)
        return;
    ResolveTextColors();
    if (m_sText.IsEmpty())
        return;
    DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor != 0)
        color = m_dwPushedTextColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor != 0)
        color = m_dwHotTextColor;
    else if ((m_uButtonState & UISTATE_FOCUSED) && m_dwFocusedTextColor != 0)
        color = m_dwFocusedTextColor;
    DrawLabelText(hDC, GetTextRect(), color, m_uTextStyle);
}

} // namespace QxUI
