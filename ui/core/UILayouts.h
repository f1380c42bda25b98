#pragma once

#include <windows.h>

#include "core/UIContainer.h"

namespace QxUI {

// Stacks its children from top to bottom; an optional separator along the top or bottom edge
// lets the user drag the layout's height.
class CVerticalLayoutUI : public CContainerUI
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void PaintOverlay(HDC hDC, const RECT& rcPaint) override;

    int GetSepHeight() const { return m_iSepHeight; }
    void SetSepHeight(int height) { m_iSepHeight = height; }
    bool IsSepImm() const { return m_bImmMode; }
    void SetSepImm(bool immediate);
    // tracking: the separator of the dragged position while a drag is under way.
    RECT GetSeparatorRect(bool tracking) const;

protected:
    int m_iSepHeight = 0;
    UINT m_uDragState = 0;
    POINT m_ptLastMouse = {0, 0};
    RECT m_rcNewPos = {0, 0, 0, 0};
    bool m_bImmMode = false;
};

// Lines its children up from left to right; an optional separator along the left or right
// edge lets the user drag the layout's width.
class CHorizontalLayoutUI : public CContainerUI
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void PaintOverlay(HDC hDC, const RECT& rcPaint) override;

    int GetSepWidth() const { return m_iSepWidth; }
    void SetSepWidth(int width) { m_iSepWidth = width; }
    bool IsSepImm() const { return m_bImmMode; }
    void SetSepImm(bool immediate);
    RECT GetSeparatorRect(bool tracking) const;

protected:
    int m_iSepWidth = 0;
    UINT m_uDragState = 0;
    POINT m_ptLastMouse = {0, 0};
    RECT m_rcNewPos = {0, 0, 0, 0};
    bool m_bImmMode = false;
};

} // namespace QxUI
