// Tile layout: columns, row heights and centring.

#include "controls/UITileLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "core/UIAttributeValues.h"
#include "core/UIRect.h"
#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

// What rows are measured against: taller than any skin's cell.
const int kUnboundedHeight = 9999;

using Wide = long long;

} // namespace

LPCWSTR CTileLayoutUI::GetClass() const
{
    return L"TileLayoutUI";
}

LPVOID CTileLayoutUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"TileLayout") == 0)
        return static_cast<CTileLayoutUI*>(this);
    return CContainerUI::AsInterface(name);
}

void CTileLayoutUI::ApplyItemSize(int cx, int cy)
{
    if (m_szItem.cx == cx && m_szItem.cy == cy)
        return;
    m_szItem = SIZE{cx, cy};
    RequestLayout();
}

void CTileLayoutUI::ApplyColumns(int columns)
{
    if (columns <= 0)
        return;
    m_nColumns = columns;
    RequestLayout();
}

void CTileLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (name && value && wcscmp(name, L"itemsize") == 0) {
        const SIZE size = AttributeDecimalSize(value);
        ApplyItemSize(size.cx, size.cy);
    } else if (name && value && wcscmp(name, L"columns") == 0) {
        ApplyColumns(AttributeInt(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

// The tallest of the row that starts with child `first`, the placed-cell count being `placed`;
// widths and heights are held to the limits of the row's first child.
int CTileLayoutUI::RowHeight(int first, int placed, LONG cellWidth) const
{
    const CControlUI* lead = GetItemAt(first);
    const Wide half = m_iChildPadding / 2;
    const Wide rowEnd = Wide{placed} + m_nColumns;
    Wide height = 0;
    Wide k = placed;
    for (int j = first; j < m_items.GetSize() && k < rowEnd; ++j) {
        CControlUI* control = GetItemAt(j);
        if (!control->IsVisible() || control->IsFloat())
            continue;
        const RECT padding = control->GetPadding();
        Wide width = Wide{cellWidth} - padding.left - padding.right;
        width -= (k == placed || (k + 1) % m_nColumns == 0) ? half : m_iChildPadding;
        const int clamped = lead->ClampWidth(ClampCoordinate(width));
        const SIZE size = control->MeasureSize(SIZE{clamped, kUnboundedHeight});
        height = std::max<Wide>(height,
                                Wide{lead->ClampHeight(size.cy)} + padding.top + padding.bottom);
        ++k;
    }
    return ClampCoordinate(height);
}

// Skin numbers are untrusted: cells are worked out in 64 bits and every coordinate is held to the
// range of a LONG, so huge paddings, insets or column counts push children out of sight (clipped)
// instead of wrapping them back into view.
void CTileLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    rc = GetContentRect();
    if (m_items.IsEmpty()) {
        UpdateScrollBars(rc, 0, 0);
        return;
    }
    TakeOffScrollBars(rc);

    const Wide width = Wide{rc.right} - rc.left;
    if (m_szItem.cx > 0)
        m_nColumns = ClampCoordinate(width / m_szItem.cx);
    // Also a layout narrower than its inset gets one column, never a negative count.
    if (m_nColumns < 1)
        m_nColumns = 1;
    Wide cells = width;
    if (IsShown(m_pHorizontalScrollBar))
        cells += m_pHorizontalScrollBar->GetScrollRange();
    const LONG cellWidth = ClampCoordinate(cells / m_nColumns);

    Wide origin = rc.left;
    if (IsShown(m_pHorizontalScrollBar))
        origin -= m_pHorizontalScrollBar->GetScrollPos();
    const LONG x0 = ClampCoordinate(origin);
    Wide top = rc.top;
    if (IsShown(m_pVerticalScrollBar))
        top -= m_pVerticalScrollBar->GetScrollPos();
    LONG y = ClampCoordinate(top);
    LONG x = x0;
    LONG rowHeight = 0;
    int placed = 0;
    LONG needed = 0;
    const Wide half = m_iChildPadding / 2;

    // Each child's size handlers may change the children.
    for (CUIControlWalk walk(m_items); walk.Next();) {
        const int i = walk.Index();
        CControlUI* control = FlowChildAt(i);
        if (!control)
            continue;
        Wide left = x;
        Wide right = Wide{x} + cellWidth;
        const LONG nextX = ClampCoordinate(right);
        const bool firstOfRow = placed % m_nColumns == 0;
        if (firstOfRow)
            rowHeight = RowHeight(i, placed, cellWidth);

        // Half the child padding on each side of a cell; the outer cells give theirs back.
        const RECT padding = control->GetPadding();
        left += padding.left + half;
        right -= padding.right + half;
        if (firstOfRow)
            left -= half;
        if ((placed + 1) % m_nColumns == 0)
            right += half;
        ++placed;
        const Wide cellTop = Wide{y} + padding.top;
        const Wide cellBottom = Wide{y} + rowHeight;

        const SIZE size = MeasureChild(
            control, SIZE{ClampCoordinate(right - left), ClampCoordinate(cellBottom - cellTop)});
        const LONG childLeft = ClampCoordinate((left + right - size.cx) / 2);
        const LONG childTop = ClampCoordinate((cellTop + cellBottom - size.cy) / 2);
        control->SetPos(RECT{childLeft, childTop, ClampCoordinate(Wide{childLeft} + size.cx),
                             ClampCoordinate(Wide{childTop} + size.cy)},
                        false);

        if (placed % m_nColumns == 0) {
            y = ClampCoordinate(Wide{y} + rowHeight + m_iChildPadding);
            rowHeight = 0;
            x = x0;
        } else {
            x = nextX;
        }
        Wide need = cellBottom - rc.top;
        if (IsShown(m_pVerticalScrollBar))
            need += m_pVerticalScrollBar->GetScrollPos();
        needed = ClampCoordinate(need);
    }
    UpdateScrollBars(rc, 0, needed);
}

} // namespace QxUI
