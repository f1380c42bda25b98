#include "core/UILayouts.h"

#include <algorithm>
#include <cstdlib>

#include "core/UIAttributeValues.h"
#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

const UINT kDragging = 0x40;
const DWORD kTrackingBarColor = 0xAA000000;

// Sizes, rectangles, points and limits read along the stacking axis (main) or across it.
struct Axis
{
    bool vertical;

    LONG Main(const SIZE& s) const { return vertical ? s.cy : s.cx; }
    LONG Cross(const SIZE& s) const { return vertical ? s.cx : s.cy; }
    LONG& Lead(RECT& r) const { return vertical ? r.top : r.left; }
    LONG& Trail(RECT& r) const { return vertical ? r.bottom : r.right; }
    LONG Lead(const RECT& r) const { return vertical ? r.top : r.left; }
    LONG Trail(const RECT& r) const { return vertical ? r.bottom : r.right; }
    LONG CrossLead(const RECT& r) const { return vertical ? r.left : r.top; }
    LONG CrossTrail(const RECT& r) const { return vertical ? r.right : r.bottom; }
    LONG Along(const POINT& pt) const { return vertical ? pt.y : pt.x; }

    int MinMain(const CControlUI* c) const { return vertical ? c->GetMinHeight() : c->GetMinWidth(); }
    int MaxMain(const CControlUI* c) const { return vertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
    int ClampMain(const CControlUI* c, int v) const
    {
        return vertical ? c->ClampHeight(v) : c->ClampWidth(v);
    }
    int ClampCross(const CControlUI* c, int v) const
    {
        return vertical ? c->ClampWidth(v) : c->ClampHeight(v);
    }
    int FixedCross(const CControlUI* c) const
    {
        return vertical ? c->GetFixedWidth() : c->GetFixedHeight();
    }

    SIZE MakeSize(int main, int cross) const
    {
        return vertical ? SIZE{cross, main} : SIZE{main, cross};
    }
    RECT MakeRect(int mainLead, int crossLead, int mainTrail, int crossTrail) const
    {
        return vertical ? RECT{crossLead, mainLead, crossTrail, mainTrail}
                        : RECT{mainLead, crossLead, mainTrail, crossTrail};
    }
};

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

// ---- Both axes ----------------------------------------------------------------------------------

UINT CAxisLayoutUI::GetInputFlags()
{
    return IsEnabled() && m_iSepSize != 0 ? UIFLAG_SETCURSOR : 0;
}

void CAxisLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    const Axis axis{m_bVertical};
    rc = GetContentRect();

    // An empty horizontal layout hands its bars the inner rect before they are taken off it.
    if (!m_bVertical && m_items.IsEmpty()) {
        UpdateScrollBars(rc, 0, 0);
        return;
    }
    TakeOffScrollBars(rc);

    // A vertical layout is as wide as its horizontal bar lets it be (its owner sets the range,
    // or the rows do); a horizontal one measures its content in what it shows, and the range
    // follows that.
    const SIZE visible = {rc.right - rc.left, rc.bottom - rc.top};
    SIZE available = visible;
    if (m_bVertical && IsShown(m_pHorizontalScrollBar))
        available.cx += m_pHorizontalScrollBar->GetScrollRange();

    int stretchCount = 0;
    int fixedTotal = 0;
    int count = 0;
    int widest = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = ChildAt(i);
        if (!control->IsVisible() || control->IsFloat())
            continue;
        const SIZE size = control->MeasureSize(available);
        int main = axis.Main(size);
        if (main == 0)
            ++stretchCount;
        else
            main = axis.ClampMain(control, main);
        const RECT padding = control->GetPadding();
        fixedTotal += main + axis.Lead(padding) + axis.Trail(padding);
        widest = std::max(widest, axis.ClampCross(control, std::max<int>(axis.Cross(size), 0)));
        ++count;
    }
    const int gaps = count > 0 ? m_iChildPadding * (count - 1) : 0;
    fixedTotal += gaps;
    const int rowWidth = m_bVertical ? GetRowWidth(widest, SIZE{visible.cx, available.cy}) : -1;
    const int stretch = stretchCount > 0
                            ? std::max<int>(0, (axis.Main(available) - fixedTotal) / stretchCount)
                            : 0;

    // Each layout scrolls along its own axis; only the vertical one also follows the
    // horizontal bar across.
    CScrollBarUI* mainBar = m_bVertical ? m_pVerticalScrollBar : m_pHorizontalScrollBar;
    int pos = axis.Lead(rc);
    if (IsShown(mainBar))
        pos -= mainBar->GetScrollPos();
    int crossOrigin = axis.CrossLead(rc);
    if (m_bVertical && IsShown(m_pHorizontalScrollBar))
        crossOrigin -= m_pHorizontalScrollBar->GetScrollPos();
    int remaining = axis.Main(available);
    int needed = 0;
    int stretchSeen = 0;

    // Each child's size handlers may change the children.
    for (CUIControlWalk walk(m_items); walk.Next();) {
        CControlUI* control = FlowChildAt(walk.Index());
        if (!control)
            continue;
        const RECT padding = control->GetPadding();
        const int lead = axis.Lead(padding);
        const int trail = axis.Trail(padding);
        remaining -= lead;
        int main = axis.Main(control->MeasureSize(axis.MakeSize(remaining, axis.Cross(available))));
        if (main != 0) {
            main = axis.ClampMain(control, main);
            fixedTotal -= main;
        } else {
            ++stretchSeen;
            main = stretch;
            // The last stretchable child takes what is left, less the paddings still counted.
            if (stretchSeen == stretchCount)
                main = std::max(0, remaining - trail - fixedTotal);
            main = axis.ClampMain(control, main);
        }

        const int across = axis.Cross(available) - axis.CrossLead(padding) - axis.CrossTrail(padding);
        int cross = rowWidth >= 0 ? std::max(across, rowWidth) : axis.FixedCross(control);
        if (cross == 0)
            cross = across;
        cross = axis.ClampCross(control, std::max(cross, 0));

        // The trailing padding lies inside the child's rect along the axis, never across it.
        const int crossLead = crossOrigin + axis.CrossLead(padding);
        const RECT rcChild =
            axis.MakeRect(pos + lead, crossLead, pos + lead + main + trail, crossLead + cross);
        control->SetPos(rcChild, false);

        pos += lead + main + trail + m_iChildPadding;
        needed += lead + main + trail;
        remaining -= main + trail + m_iChildPadding;
    }
    if (rowWidth >= 0) {
        ShowRowScrollBar(rc, rowWidth);
        UpdateScrollBars(rc, rowWidth, needed + gaps);
        return;
    }
    if (m_bVertical) {
        UpdateScrollBars(rc, 0, needed + gaps);
        return;
    }
    if (UpdateHorizontalRange(rc, needed + gaps))
        return;
    UpdateScrollBars(rc, needed + gaps, 0);
}

int CAxisLayoutUI::GetRowWidth(int /*widestChild*/, SIZE /*visible*/)
{
    return -1;
}

void CAxisLayoutUI::ShowRowScrollBar(RECT& rcInner, int rowWidth)
{
    CScrollBarUI* bar = m_pHorizontalScrollBar;
    if (!bar)
        return;
    const int visibleWidth = rcInner.right - rcInner.left;
    if (rowWidth > visibleWidth) {
        if (!bar->IsVisible()) {
            bar->SetVisible(true);
            bar->SetScrollRange(rowWidth - visibleWidth);
            bar->SetScrollPos(0);
            rcInner.bottom -= bar->GetFixedHeight();
        } else {
            bar->SetScrollRange(rowWidth - visibleWidth);
        }
    } else if (bar->IsVisible()) {
        bar->SetVisible(false);
        bar->SetScrollRange(0);
        bar->SetScrollPos(0);
        rcInner.bottom += bar->GetFixedHeight();
    }
}

bool CAxisLayoutUI::UpdateHorizontalRange(const RECT& rcInner, int widthNeeded)
{
    CScrollBarUI* bar = m_pHorizontalScrollBar;
    if (!IsShown(bar))
        return false;
    const int range = std::max(0, widthNeeded - static_cast<int>(rcInner.right - rcInner.left));
    if (bar->GetScrollRange() == range)
        return false;
    const int oldPos = bar->GetScrollPos();
    bar->SetScrollRange(range);
    if (bar->GetScrollPos() >= oldPos)
        return false;
    // The children were placed for the old position.
    SetPos(m_rcItem, false);
    return true;
}

RECT CAxisLayoutUI::GetSeparatorRect(bool tracking) const
{
    const Axis axis{m_bVertical};
    const RECT base = tracking && (m_uDragState & kDragging) ? m_rcNewPos : m_rcItem;
    RECT rc = base;
    // Only the vertical separator is kept inside the layout.
    if (m_iSepSize >= 0) {
        axis.Lead(rc) = axis.Trail(base) - m_iSepSize;
        if (m_bVertical)
            axis.Lead(rc) = std::max(axis.Lead(rc), axis.Lead(base));
    } else {
        axis.Trail(rc) = axis.Lead(base) - m_iSepSize;
        if (m_bVertical)
            axis.Trail(rc) = std::min(axis.Trail(rc), axis.Trail(base));
    }
    return rc;
}

bool CAxisLayoutUI::HandleSeparatorEvent(const UIEvent& event)
{
    const Axis axis{m_bVertical};
    const int s = m_iSepSize;
    const POINT pt = event.ptMouse;
    const bool dragging = (m_uDragState & kDragging) != 0;
    switch (event.Type) {
    case UIEventType::ButtonDown: {
        const RECT sep = GetSeparatorRect(false);
        if (!IsEnabled() || !::PtInRect(&sep, pt))
            return false;
        m_uDragState |= kDragging;
        m_ptLastMouse = pt;
        m_rcNewPos = m_rcItem;
        if (!m_bImmMode && m_pManager)
            m_pManager->AddPostPaintControl(this);
        return true;
    }
    case UIEventType::ButtonUp:
        if (!dragging)
            return false;
        m_rcItem = m_rcNewPos;
        m_uDragState &= ~kDragging;
        if (!m_bImmMode && m_pManager)
            m_pManager->RemovePostPaintControl(this);
        RequestParentLayout();
        return true;
    case UIEventType::MouseMove: {
        if (!dragging)
            return false;
        const int at = axis.Along(pt);
        const int d = at - axis.Along(m_ptLastMouse);
        m_ptLastMouse = pt;
        RECT r = m_rcNewPos;
        // A vertical separator follows once the pointer is past its own thickness, a
        // horizontal one at once: skins are drawn for both.
        const int reach = m_bVertical ? s : -s;
        if (s >= 0) {
            if ((d > 0 && at < axis.Trail(r) + reach) || (d < 0 && at > axis.Trail(r)))
                return true;
            axis.Trail(r) += d;
        } else {
            if ((d > 0 && at < axis.Lead(r)) || (d < 0 && at > axis.Lead(r) + reach))
                return true;
            axis.Lead(r) += d;
        }
        const LONG oldSize = axis.Trail(m_rcNewPos) - axis.Lead(m_rcNewPos);
        if (!LimitDrag(axis.Lead(r), axis.Trail(r), s >= 0, oldSize, axis.MinMain(this),
                       axis.MaxMain(this)))
            return true;
        const RECT oldSep = GetSeparatorRect(true);
        m_rcNewPos = r;
        (m_bVertical ? m_cxyFixed.cy : m_cxyFixed.cx) = axis.Trail(r) - axis.Lead(r);
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
        return true;
    }
    case UIEventType::SetCursor: {
        const RECT sep = GetSeparatorRect(false);
        if (!IsEnabled() || !::PtInRect(&sep, pt))
            return false;
        ::SetCursor(::LoadCursorW(nullptr, m_bVertical ? IDC_SIZENS : IDC_SIZEWE));
        return true;
    }
    default:
        return false;
    }
}

void CAxisLayoutUI::OnEvent(UIEvent& event)
{
    if (m_iSepSize != 0 && HandleSeparatorEvent(event))
        return;
    CContainerUI::OnEvent(event);
}

void CAxisLayoutUI::PaintOverlay(HDC hDC, const RECT& /*rcPaint*/)
{
    if ((m_uDragState & kDragging) && !m_bImmMode)
        CUIPainter::DrawColor(hDC, GetSeparatorRect(true), kTrackingBarColor);
}

void CAxisLayoutUI::SetSepImm(bool immediate)
{
    if (m_bImmMode == immediate)
        return;
    if ((m_uDragState & kDragging) && !m_bImmMode && m_pManager)
        m_pManager->RemovePostPaintControl(this);
    m_bImmMode = immediate;
}

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

void CVerticalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (name && value && wcscmp(name, L"sepheight") == 0)
        SetSepHeight(AttributeInt(value));
    else if (name && value && wcscmp(name, L"sepimm") == 0)
        SetSepImm(AttributeIsTrue(value));
    else
        CContainerUI::SetAttribute(name, value);
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

void CHorizontalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (name && value && wcscmp(name, L"sepwidth") == 0)
        SetSepWidth(AttributeInt(value));
    else if (name && value && wcscmp(name, L"sepimm") == 0)
        SetSepImm(AttributeIsTrue(value));
    else
        CContainerUI::SetAttribute(name, value);
}

} // namespace QxUI
