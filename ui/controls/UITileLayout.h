// Tile layout: the children in a grid of equal cells, each centred in its cell.
#pragma once

#include <windows.h>

#include "core/UIContainer.h"

namespace QxUI {

// The skin element "TileLayout". An item width fits as many columns as the width allows;
// otherwise "columns" says how many.
class CTileLayoutUI : public CContainerUI
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;

    SIZE GetItemSize() const { return m_szItem; }
    void ApplyItemSize(int cx, int cy);
    int GetColumns() const { return m_nColumns; }
    void ApplyColumns(int columns);

protected:
    SIZE m_szItem = {0, 0};
    int m_nColumns = 1;

private:
    int RowHeight(int first, int placed, LONG cellWidth) const;
};

} // namespace QxUI
