// Tile layout: columns, row heights and centring.

#include "controls/UITileLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

// What rows are measured against: taller than any skin's cell.
const int kUnboundedHeight = 9999;

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
        LPWSTR end = nullptr;
        const int cx = static_cast<int>(wcstol(value, &end, 10));
        // One separator; a value without one reads no height rather than past its end.
        const int cy = *end ? static_cast<int>(wcstol(end + 1, nullptr, 10)) : 0;
        ApplyItemSize(cx, cy);
    } else if (name && value && wcscmp(name, L"columns") == 0) {
        ApplyColumns(_wtoi(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

// The tallest of the row that starts with child `first`, the placed-cell count being `placed`;
// widths and heights are held to the limits of the row's first child.
int CTileLayoutUI::RowHeight(int first, int placed, int cellWidth) const
{
    const CControlUI* lead = GetItemAt(first);
    const int half = m_iChildPadding / 2;
    int height = 0;
    int k = placed;
    for (int j = first; j < m_items.GetSize() && k < placed + m_nColumns; ++j) {
        CControlUI* control = GetItemAt(j);
        if (!control->IsVisible() || control->IsFloat())
            continue;
        const RECT padding = control->GetPadding();
        int width = cellWidth - padding.left - padding.right;
        width -= (k == placed || (k + 1) % m_nColumns == 0) ? half : m_iChildPadding;
        width = lead->ClampWidth(width);
        const SIZE size = control->MeasureSize(SIZE{width, kUnboundedHeight});
        height = std::max<int>(height, lead->ClampHeight(size.cy) + padding.top + padding.bottom);
        ++k;
    }
    return height;
}

void CTileLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    rc = GetContentRect();
    if (m_items.IsEmpty()) {
        UpdateScrollBars(rc, 0, 0);
        return;
    }
    TakeOffScrollBars(rc);

    const int width = rc.right - rc.left;
    if (m_szItem.cx > 0)
        m_nColumns = width / m_szItem.cx;
    // Also a layout narrower than its inset gets one column, never a negative count.
    if (m_nColumns < 1)
        m_nColumns = 1;
    int cellWidth = width / m_nColumns;
    if (IsShown(m_pHorizontalScrollBar))
        cellWidth = (m_pHorizontalScrollBar->GetScrollRange() + width) / m_nColumns;

    int x0 = rc.left;
    if (IsShown(m_pHorizontalScrollBar))
        x0 -= m_pHorizontalScrollBar->GetScrollPos();
    int y = rc.top;
    if (IsShown(m_pVerticalScrollBar))
        y -= m_pVerticalScrollBar->GetScrollPos();
    int x = x0;
    int rowHeight = 0;
    int placed = 0;
    int needed = 0;
    const int half = m_iChildPadding / 2;

    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = FlowChildAt(i);
        if (!control)
            continue;
        RECT cell = {x, 0, x + cellWidth, 0};
        const int nextX = x + cellWidth;
        const bool firstOfRow = placed % m_nColumns == 0;
        if (firstOfRow)
            rowHeight = RowHeight(i, placed, cellWidth);

        // Half the child padding on each side of a cell; the outer cells give theirs back.
        const RECT padding = control->GetPadding();
        cell.left += padding.left + half;
        cell.right -= padding.right + half;
        if (firstOfRow)
            cell.left -= half;
        if ((placed + 1) % m_nColumns == 0)
            cell.right += half;
        ++placed;
        cell.top = y + padding.top;
        cell.bottom = y + rowHeight;

        const SIZE size =
            MeasureChild(control, SIZE{cell.right - cell.left, cell.bottom - cell.top});
        const LONG left = (cell.left + cell.right - size.cx) / 2;
        const LONG top = (cell.top + cell.bottom - size.cy) / 2;
        control->SetPos(RECT{left, top, left + size.cx, top + size.cy}, false);

        if (placed % m_nColumns == 0) {
            y += rowHeight + m_iChildPadding;
            rowHeight = 0;
            x = x0;
        } else {
            x = nextX;
        }
        needed = cell.bottom - rc.top;
        if (IsShown(m_pVerticalScrollBar))
            needed += m_pVerticalScrollBar->GetScrollPos();
    }
    UpdateScrollBars(rc, 0, needed);
}

} // namespace QxUI
