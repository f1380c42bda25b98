#pragma once

#include <windows.h>

#include "core/UIContainer.h"

namespace QxUI {

// What the vertical and horizontal layouts share: stacking the children along one axis with
// fixed and stretching sizes, and a separator along one edge that drags the layout's size.
class CAxisLayoutUI : public CContainerUI
{
public:
    UINT GetInputFlags() override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void OnEvent(UIEvent& event) override;
    void PaintOverlay(HDC hDC, const RECT& rcPaint) override;

    bool IsSepImm() const { return m_bImmMode; }
    void SetSepImm(bool immediate);
    // tracking: the separator of the dragged position while a drag is under way.
    RECT GetSeparatorRect(bool tracking) const;

protected:
    explicit CAxisLayoutUI(bool vertical) : m_bVertical(vertical) {}

    // Rows: a vertical layout whose children all span one width across answers it here, from
    // the widest child's and the width shown; the children are laid out at least that wide and
    // the layout's own horizontal bar scrolls to it. The default, -1, lays each child out at its
    // fixed width and leaves the horizontal bar to the owner. A list's body answers its header's
    // width.
    virtual int GetRowWidth(int widestChild, SIZE visible);

    const bool m_bVertical;
    // Positive: at the trailing edge (bottom / right); negative: at the leading edge.
    int m_iSepSize = 0;
    UINT m_uDragState = 0;
    POINT m_ptLastMouse = {0, 0};
    RECT m_rcNewPos = {0, 0, 0, 0};
    bool m_bImmMode = false;

private:
    // The horizontal layout's bar scrolls its own content: its range follows the width needed.
    // True when the layout was run again because the position had to shrink.
    bool UpdateHorizontalRange(const RECT& rcInner, int widthNeeded);
    // The rows' horizontal bar shown while the rows are wider than rcInner, which it takes its
    // height from (or gives it back to).
    void ShowRowScrollBar(RECT& rcInner, int rowWidth);
    bool HandleSeparatorEvent(const UIEvent& event);
};

// Stacks its children from top to bottom; an optional separator along the top or bottom edge
// lets the user drag the layout's height.
class CVerticalLayoutUI : public CAxisLayoutUI
{
public:
    CVerticalLayoutUI() : CAxisLayoutUI(true) {}

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;

    int GetSepHeight() const { return m_iSepSize; }
    void SetSepHeight(int height) { m_iSepSize = height; }
};

// Lines its children up from left to right; an optional separator along the left or right
// edge lets the user drag the layout's width.
class CHorizontalLayoutUI : public CAxisLayoutUI
{
public:
    CHorizontalLayoutUI() : CAxisLayoutUI(false) {}

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;

    int GetSepWidth() const { return m_iSepSize; }
    void SetSepWidth(int width) { m_iSepSize = width; }
};

} // namespace QxUI
