// Text control: marked-up text with clickable links.

#include "core/UIText.h"

#include <algorithm>
#include <cwchar>

#include "core/UIRect.h"

namespace QxUI {

CTextUI::CTextUI()
{
    m_rcTextPadding = RECT{2, 0, 2, 0};
    m_uTextStyle = DT_WORDBREAK;
}

CTextUI::~CTextUI() = default;

LPCWSTR CTextUI::GetClass() const
{
    return L"TextUI";
}

LPVOID CTextUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"Text") == 0)
        return this;
    return CLabelUI::AsInterface(name);
}

UINT CTextUI::GetInputFlags()
{
    return (IsEnabled() && m_nLinks > 0) ? UIFLAG_SETCURSOR : 0;
}

const CUIString* CTextUI::GetLinkContent(int index) const
{
    return (index >= 0 && index < m_nLinks) ? &m_sLinks[index] : nullptr;
}

RECT CTextUI::GetLinkRect(int index) const
{
    return (index >= 0 && index < m_nLinks) ? m_rcLinks[index] : RECT{0, 0, 0, 0};
}

int CTextUI::LinkAt(POINT pt) const
{
    for (int i = 0; i < m_nLinks; ++i) {
        if (::PtInRect(&m_rcLinks[i], pt))
            return i;
    }
    return -1;
}

void CTextUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event))
        return;

    const int link = LinkAt(event.ptMouse);
    switch (event.Type) {
    case UIEventType::SetCursor:
        if (link >= 0) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return;
        }
        break;
    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick:
        if (IsEnabled() && link >= 0) {
            Invalidate();
            return;
        }
        break;
    case UIEventType::ButtonUp:
        if (IsEnabled() && link >= 0) {
            if (m_pManager)
                m_pManager->RaiseNotify(this, L"link", static_cast<WPARAM>(link), 0);
            return;
        }
        break;
    case UIEventType::ContextMenu:
        return;
    case UIEventType::MouseMove:
        if (IsEnabled() && m_nLinks > 0) {
            if (link != m_nHoverLink) {
                m_nHoverLink = link;
                Invalidate();
                return;
            }
        }
        break;
    case UIEventType::MouseLeave:
        if (IsEnabled() && m_nLinks > 0 && m_nHoverLink != -1) {
            m_nHoverLink = -1;
            Invalidate();
            return;
        }
        break;
    default:
        break;
    }
    CLabelUI::OnEvent(event);
}

SIZE CTextUI::MeasureSize(SIZE available)
{
    HDC hDC = m_pManager ? m_pManager->GetPaintDC() : nullptr;
    if (!hDC)
        return CLabelUI::MeasureSize(available);
    CUIRect rc(0, 0, std::max<LONG>(m_cxyFixed.cx, available.cx), 9999);
    rc.Deflate(RECT{m_rcTextPadding.left, 0, m_rcTextPadding.right, 0});
    // Too narrow a rectangle still measures, one character a line, instead of keeping 9999.
    rc.right = std::max(rc.right, rc.left + 1);
    CUIPainter::DrawTextMarkedUpOrNot(hDC, m_pManager, rc, m_sText.GetData(), m_dwTextColor,
                                      m_iFont, m_uTextStyle | DT_CALCRECT, m_bShowHtml);
    SIZE size = {ClampCoordinate(static_cast<LONGLONG>(rc.right) + m_rcTextPadding.right),
                 ClampCoordinate(static_cast<LONGLONG>(rc.bottom) - rc.top + m_rcTextPadding.top +
                                 m_rcTextPadding.bottom)};
    if (m_cxyFixed.cy != 0)
        size.cy = m_cxyFixed.cy;
    return size;
}

void CTextUI::PaintText(HDC hDC)
{
    if (m_sText.IsEmpty()) {
        m_nLinks = 0;
        return;
    }
    if (!m_pManager)
        return;
    ResolveTextColors();
    RECT rc = GetTextRect();
    const DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if (m_bShowHtml) {
        // Rects past the last paint's count are stale: they must not make a link look hovered.
        for (int i = m_nLinks; i < kMaxLinks; ++i)
            m_rcLinks[i] = RECT{0, 0, 0, 0};
        m_nLinks = kMaxLinks;
        CUIPainter::DrawMarkedUpText(hDC, m_pManager, rc, m_sText.GetData(), color, m_rcLinks,
                                     m_sLinks, m_nLinks, m_uTextStyle);
    } else {
        m_nLinks = 0;
        CUIPainter::DrawText(hDC, m_pManager, rc, m_sText.GetData(), color, m_iFont,
                             m_uTextStyle);
    }
}

} // namespace QxUI
