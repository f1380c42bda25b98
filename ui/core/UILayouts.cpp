#include "core/UILayouts.h"

#include <algorithm>
#include <cstdlib>

#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

const UINT kDragging = 0x40;
const DWORD kTrackingBarColor = 0xAA000000;

int Clamp(int value, int low, int high)
{
    return std::min(std::max(value, low), high);
}

bool Visible(const CScrollBarUI* bar)
{
    return bar && bar->IsVisible();
}

// Moves the dragged edge to keep the size inside [minSize, maxSize]; false when the size was
// already at the limit it runs into, so that the move is dropped.
bool LimitDrag(LONG& lead, LONG& trail, bool trailingEdge, LONG oldSize, int minSize,
               int maxSize)
{
    const int size = trail - lead;
    int limit = -1;
    if (size <= minSize) {
        if (oldSize <= minSize)
            return false;
        limit = minSize;
    } else if (size >= maxSize) {
        if (oldSize >= maxSize)
            return false;
        limit = maxSize;
    }
    if (limit >= 0) {
        if (trailingEdge)
            trail = lead + limit;
        else
            lead = trail - limit;
    }
    return true;
}

} // namespace

// ---- Vertical -----------------------------------------------------------------------------------

LPCWSTR CVerticalLayoutUI::GetClass() const
{
    return L"VerticalLayoutUI";
}

LPVOID CVerticalLayoutUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"VerticalLayout") == 0)
        return static_cast<CVerticalLayoutUI*>(this);
    return CContainerUI::AsInterface(name);
}

UINT CVerticalLayoutUI::GetInputFlags()
{
    return IsEnabled() && m_iSepHeight != 0 ? UIFLAG_SETCURSOR : 0;
}

void CVerticalLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    rc = m_rcItem;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;
    if (Visible(m_pVerticalScrollBar))
        rc.right -= m_pVerticalScrollBar->GetFixedWidth();
    if (Visible(m_pHorizontalScrollBar))
        rc.bottom -= m_pHorizontalScrollBar->GetFixedHeight();

    if (m_items.IsEmpty()) {
        UpdateScrollBars(rc, 0, 0);
        return;
    }

    SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    if (Visible(m_pHorizontalScrollBar))
        available.cx += m_pHorizontalScrollBar->GetScrollRange();

    int stretchCount = 0;
    int fixedTotal = 0;
    int count = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = ChildAt(i);
        if (!control->IsVisible() || control->IsFloat())
            continue;
        SIZE size = control->MeasureSize(available);
        if (size.cy == 0)
            ++stretchCount;
        else
            size.cy = Clamp(size.cy, control->GetMinHeight(), control->GetMaxHeight());
        const RECT padding = control->GetPadding();
        fixedTotal += size.cy + padding.top + padding.bottom;
        ++count;
    }
    const int gaps = count > 0 ? m_iChildPadding * (count - 1) : 0;
    fixedTotal += gaps;
    const int stretch =
        stretchCount > 0 ? std::max<int>(0, (available.cy - fixedTotal) / stretchCount) : 0;

    int y = rc.top;
    if (Visible(m_pVerticalScrollBar))
        y -= m_pVerticalScrollBar->GetScrollPos();
    int x = rc.left;
    if (Visible(m_pHorizontalScrollBar))
        x -= m_pHorizontalScrollBar->GetScrollPos();
    int remaining = available.cy;
    int needed = 0;
    int stretchSeen = 0;

    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = ChildAt(i);
        if (!control->IsVisible())
            continue;
        if (control->IsFloat()) {
            PlaceFloatChild(i);
            continue;
        }
        const RECT padding = control->GetPadding();
        remaining -= padding.top;
        SIZE size = control->MeasureSize(SIZE{available.cx, remaining});
        if (size.cy != 0) {
            size.cy = Clamp(size.cy, control->GetMinHeight(), control->GetMaxHeight());
            fixedTotal -= size.cy;
        } else {
            ++stretchSeen;
            size.cy = stretch;
            if (stretchSeen == stretchCount)
                size.cy = std::max(0, remaining - static_cast<int>(padding.bottom) - fixedTotal);
            size.cy = Clamp(size.cy, control->GetMinHeight(), control->GetMaxHeight());
        }

        int width = control->GetFixedWidth();
        if (width == 0)
            width = available.cx - padding.left - padding.right;
        width = Clamp(std::max(width, 0), control->GetMinWidth(), control->GetMaxWidth());

        const RECT rcChild = {x + padding.left, y + padding.top, x + padding.left + width,
                              y + padding.top + size.cy + padding.bottom};
        control->SetPos(rcChild, false);

        y += padding.top + size.cy + padding.bottom + m_iChildPadding;
        needed += padding.top + size.cy + padding.bottom;
        remaining -= size.cy + padding.bottom + m_iChildPadding;
    }
    UpdateScrollBars(rc, 0, needed + gaps);
}

RECT CVerticalLayoutUI::GetSeparatorRect(bool tracking) const
{
    const RECT base = tracking && (m_uDragState & kDragging) ? m_rcNewPos : m_rcItem;
    RECT rc = base;
    if (m_iSepHeight >= 0)
        rc.top = std::max(base.bottom - m_iSepHeight, base.top);
    else
        rc.bottom = std::min(base.top - m_iSepHeight, base.bottom);
    return rc;
}

void CVerticalLayoutUI::OnEvent(UIEvent& event)
{
    const int s = m_iSepHeight;
    if (s != 0) {
        const POINT pt = event.ptMouse;
        const bool dragging = (m_uDragState & kDragging) != 0;
        switch (event.Type) {
        case UIEventType::ButtonDown: {
            const RECT sep = GetSeparatorRect(false);
            if (IsEnabled() && ::PtInRect(&sep, pt)) {
                m_uDragState |= kDragging;
                m_ptLastMouse = pt;
                m_rcNewPos = m_rcItem;
                if (!m_bImmMode && m_pManager)
                    m_pManager->AddPostPaintControl(this);
                return;
            }
            break;
        }
        case UIEventType::ButtonUp:
            if (dragging) {
                m_rcItem = m_rcNewPos;
                m_uDragState &= ~kDragging;
                if (!m_bImmMode && m_pManager)
                    m_pManager->RemovePostPaintControl(this);
                RequestParentLayout();
                return;
            }
            break;
        case UIEventType::MouseMove:
            if (dragging) {
                const int d = pt.y - m_ptLastMouse.y;
                m_ptLastMouse = pt;
                RECT r = m_rcNewPos;
                if (s >= 0) {
                    if ((d > 0 && pt.y < r.bottom + s) || (d < 0 && pt.y > r.bottom))
                        return;
                    r.bottom += d;
                } else {
                    if ((d > 0 && pt.y < r.top) || (d < 0 && pt.y > r.top + s))
                        return;
                    r.top += d;
                }
                if (!LimitDrag(r.top, r.bottom, s >= 0, m_rcNewPos.bottom - m_rcNewPos.top,
                               GetMinHeight(), GetMaxHeight()))
                    return;
                const RECT oldSep = GetSeparatorRect(true);
                m_rcNewPos = r;
                m_cxyFixed.cy = r.bottom - r.top;
                if (m_bImmMode) {
                    m_rcItem = r;
                    RequestParentLayout();
                } else if (m_pManager) {
                    RECT area = GetSeparatorRect(true);
                    ::UnionRect(&area, &area, &oldSep);
                    const RECT itemSep = GetSeparatorRect(false);
                    ::UnionRect(&area, &area, &itemSep);
                    m_pManager->Invalidate(area);
                }
                return;
            }
            break;
        case UIEventType::SetCursor: {
            const RECT sep = GetSeparatorRect(false);
            if (IsEnabled() && ::PtInRect(&sep, pt)) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_SIZENS));
                return;
            }
            break;
        }
        default:
            break;
        }
    }
    CContainerUI::OnEvent(event);
}

void CVerticalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (name && value && wcscmp(name, L"sepheight") == 0)
        SetSepHeight(_wtoi(value));
    else if (name && value && wcscmp(name, L"sepimm") == 0)
        SetSepImm(wcscmp(value, L"true") == 0);
    else
        CContainerUI::SetAttribute(name, value);
}

void CVerticalLayoutUI::PaintOverlay(HDC hDC, const RECT& /*rcPaint*/)
{
    if ((m_uDragState & kDragging) && !m_bImmMode)
        CUIPainter::DrawColor(hDC, GetSeparatorRect(true), kTrackingBarColor);
}

void CVerticalLayoutUI::SetSepImm(bool immediate)
{
    if (m_bImmMode == immediate)
        return;
    if ((m_uDragState & kDragging) && !m_bImmMode && m_pManager)
        m_pManager->RemovePostPaintControl(this);
    m_bImmMode = immediate;
}

// ---- Horizontal ---------------------------------------------------------------------------------

LPCWSTR CHorizontalLayoutUI::GetClass() const
{
    return L"HorizontalLayoutUI";
}

LPVOID CHorizontalLayoutUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"HorizontalLayout") == 0)
        return static_cast<CHorizontalLayoutUI*>(this);
    return CContainerUI::AsInterface(name);
}

UINT CHorizontalLayoutUI::GetInputFlags()
{
    return IsEnabled() && m_iSepWidth != 0 ? UIFLAG_SETCURSOR : 0;
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    rc = m_rcItem;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;

    if (m_items.IsEmpty()) {
        UpdateScrollBars(rc, 0, 0);
        return;
    }
    if (Visible(m_pVerticalScrollBar))
        rc.right -= m_pVerticalScrollBar->GetFixedWidth();
    if (Visible(m_pHorizontalScrollBar))
        rc.bottom -= m_pHorizontalScrollBar->GetFixedHeight();

    SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    if (Visible(m_pHorizontalScrollBar))
        available.cx += m_pHorizontalScrollBar->GetScrollRange();

    int stretchCount = 0;
    int fixedTotal = 0;
    int count = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = ChildAt(i);
        if (!control->IsVisible() || control->IsFloat())
            continue;
        SIZE size = control->MeasureSize(available);
        if (size.cx == 0)
            ++stretchCount;
        else
            size.cx = Clamp(size.cx, control->GetMinWidth(), control->GetMaxWidth());
        const RECT padding = control->GetPadding();
        fixedTotal += size.cx + padding.left + padding.right;
        ++count;
    }
    const int gaps = count > 0 ? m_iChildPadding * (count - 1) : 0;
    fixedTotal += gaps;
    const int stretch =
        stretchCount > 0 ? std::max<int>(0, (available.cx - fixedTotal) / stretchCount) : 0;

    int x = rc.left;
    if (Visible(m_pHorizontalScrollBar))
        x -= m_pHorizontalScrollBar->GetScrollPos();
    int remaining = available.cx;
    int needed = 0;
    int stretchSeen = 0;

    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = ChildAt(i);
        if (!control->IsVisible())
            continue;
        if (control->IsFloat()) {
            PlaceFloatChild(i);
            continue;
        }
        const RECT padding = control->GetPadding();
        remaining -= padding.left;
        SIZE size = control->MeasureSize(SIZE{remaining, available.cy});
        if (size.cx != 0) {
            size.cx = Clamp(size.cx, control->GetMinWidth(), control->GetMaxWidth());
            fixedTotal -= size.cx;
        } else {
            ++stretchSeen;
            size.cx = stretch;
            if (stretchSeen == stretchCount)
                size.cx = std::max(0, remaining - static_cast<int>(padding.right) - fixedTotal);
            size.cx = Clamp(size.cx, control->GetMinWidth(), control->GetMaxWidth());
        }

        int height = control->GetFixedHeight();
        if (height == 0)
            height = rc.bottom - padding.bottom - padding.top - rc.top;
        height = Clamp(std::max(height, 0), control->GetMinHeight(), control->GetMaxHeight());

        const RECT rcChild = {x + padding.left, rc.top + padding.top,
                              x + padding.left + size.cx + padding.right,
                              rc.top + padding.top + height};
        control->SetPos(rcChild, false);

        x += padding.left + size.cx + padding.right + m_iChildPadding;
        needed += padding.left + size.cx + padding.right;
        remaining -= size.cx + padding.right + m_iChildPadding;
    }
    UpdateScrollBars(rc, needed + gaps, 0);
}

RECT CHorizontalLayoutUI::GetSeparatorRect(bool tracking) const
{
    const RECT base = tracking && (m_uDragState & kDragging) ? m_rcNewPos : m_rcItem;
    RECT rc = base;
    if (m_iSepWidth >= 0)
        rc.left = base.right - m_iSepWidth;
    else
        rc.right = base.left - m_iSepWidth;
    return rc;
}

void CHorizontalLayoutUI::OnEvent(UIEvent& event)
{
    const int s = m_iSepWidth;
    if (s != 0) {
        const POINT pt = event.ptMouse;
        const bool dragging = (m_uDragState & kDragging) != 0;
        switch (event.Type) {
        case UIEventType::ButtonDown: {
            const RECT sep = GetSeparatorRect(false);
            if (IsEnabled() && ::PtInRect(&sep, pt)) {
                m_uDragState |= kDragging;
                m_ptLastMouse = pt;
                m_rcNewPos = m_rcItem;
                if (!m_bImmMode && m_pManager)
                    m_pManager->AddPostPaintControl(this);
                return;
            }
            break;
        }
        case UIEventType::ButtonUp:
            if (dragging) {
                m_rcItem = m_rcNewPos;
                m_uDragState &= ~kDragging;
                if (!m_bImmMode && m_pManager)
                    m_pManager->RemovePostPaintControl(this);
                RequestParentLayout();
                return;
            }
            break;
        case UIEventType::MouseMove:
            if (dragging) {
                const int d = pt.x - m_ptLastMouse.x;
                m_ptLastMouse = pt;
                RECT r = m_rcNewPos;
                if (s >= 0) {
                    if ((d > 0 && pt.x < r.right - s) || (d < 0 && pt.x > r.right))
                        return;
                    r.right += d;
                } else {
                    if ((d > 0 && pt.x < r.left) || (d < 0 && pt.x > r.left - s))
                        return;
                    r.left += d;
                }
                if (!LimitDrag(r.left, r.right, s >= 0, m_rcNewPos.right - m_rcNewPos.left,
                               GetMinWidth(), GetMaxWidth()))
                    return;
                const RECT oldSep = GetSeparatorRect(true);
                m_rcNewPos = r;
                m_cxyFixed.cx = r.right - r.left;
                if (m_bImmMode) {
                    m_rcItem = r;
                    RequestParentLayout();
                } else if (m_pManager) {
                    RECT area = GetSeparatorRect(true);
                    ::UnionRect(&area, &area, &oldSep);
                    const RECT itemSep = GetSeparatorRect(false);
                    ::UnionRect(&area, &area, &itemSep);
                    m_pManager->Invalidate(area);
                }
                return;
            }
            break;
        case UIEventType::SetCursor: {
            const RECT sep = GetSeparatorRect(false);
            if (IsEnabled() && ::PtInRect(&sep, pt)) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
                return;
            }
            break;
        }
        default:
            break;
        }
    }
    CContainerUI::OnEvent(event);
}

void CHorizontalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (name && value && wcscmp(name, L"sepwidth") == 0)
        SetSepWidth(_wtoi(value));
    else if (name && value && wcscmp(name, L"sepimm") == 0)
        SetSepImm(wcscmp(value, L"true") == 0);
    else
        CContainerUI::SetAttribute(name, value);
}

void CHorizontalLayoutUI::PaintOverlay(HDC hDC, const RECT& /*rcPaint*/)
{
    if ((m_uDragState & kDragging) && !m_bImmMode)
        CUIPainter::DrawColor(hDC, GetSeparatorRect(true), kTrackingBarColor);
}

void CHorizontalLayoutUI::SetSepImm(bool immediate)
{
    if (m_bImmMode == immediate)
        return;
    if ((m_uDragState & kDragging) && !m_bImmMode && m_pManager)
        m_pManager->RemovePostPaintControl(this);
    m_bImmMode = immediate;
}

} // namespace QxUI
