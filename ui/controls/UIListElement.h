// The items of lists and combo boxes: each knows its index and owner, keeps its selected and
// hot state, and draws itself with the look its owner shares.
#pragma once

#include <windows.h>

#include "controls/UIList.h"
#include "core/UIContainer.h"
#include "core/UIPtrArray.h"

namespace QxUI {

// What every item is, built on a plain control or on a container: its index and owner, its
// selected and hot state, activation, and the owner's selection given up when it is hidden.
// Made for CControlUI and CContainerUI only (UIListElement.cpp).
template <class Base>
class CListRowUI : public Base, public IListItemUI
{
public:
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    bool Activate() override;
    void SetVisible(bool visible = true) override;
    void SetEnabled(bool enabled = true) override;
    // Only "selected" = "true" selects: a skin that writes "false" means an unselected row.
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;

    int GetIndex() const override { return m_iIndex; }
    void SetIndex(int index) override { m_iIndex = index; }
    IListOwnerUI* GetOwner() override { return m_pOwner; }
    void SetOwner(CControlUI* owner) override;
    bool IsSelected() const override { return m_bSelected; }
    bool Select(bool select = true) override;
    bool IsExpanded() const override { return false; }
    bool Expand(bool) override { return false; }

    UINT GetItemState() const { return m_uButtonState; }

protected:
    // Repaints the part of the row that its scrolling parent shows.
    void RepaintItem();
    // With the mouse off, mouse events go to the owner; true when the event was passed on.
    bool PassMouseToOwner(UIEvent& event);
    // Press, hover and leave with the mouse on; true when the event was taken.
    bool HandleRowMouse(UIEvent& event);
    // State colour, state image, own and look background, separator line.
    void PaintItemBackground(HDC hDC, const RECT& rcItem);
    DWORD ItemTextColor(const ListItemLook& look) const;

    int m_iIndex = -1;
    bool m_bSelected = false;
    UINT m_uButtonState = 0;
    IListOwnerUI* m_pOwner = nullptr;
};

// The base of single-control items; its subclasses draw the text.
class CListElementUI : public CListRowUI<CControlUI>
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void OnEvent(UIEvent& event) override;

protected:
    CListElementUI() = default;
};

// An item that shows its own text.
class CListLabelElementUI : public CListElementUI
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void OnEvent(UIEvent& event) override;
    SIZE MeasureSize(SIZE available) override;
    void Paint(HDC hDC, const RECT& rcDirty) override;
    void DrawItemText(HDC hDC, const RECT& rcItem) override;
};

// An item that shows one text per list column, from the list's text provider or its own
// column texts; marked-up texts may hold links.
class CListTextElementUI : public CListLabelElementUI
{
public:
    static const int kMaxLinks = 8;

    CListTextElementUI();
    ~CListTextElementUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    void SetOwner(CControlUI* owner) override;
    void OnEvent(UIEvent& event) override;
    SIZE MeasureSize(SIZE available) override;
    void DrawItemText(HDC hDC, const RECT& rcItem) override;

    LPCWSTR GetColumnText(int column) const;
    void SetColumnText(int column, LPCWSTR text);
    int GetLinkCount() const { return m_nLinks; }

protected:
    int m_nLinks = 0;
    RECT m_rcLinks[kMaxLinks] = {};
    CUIString m_sLinks[kMaxLinks];
    int m_nHoverLink = -1;
    IListUI* m_pList = nullptr;
    CUIPtrArray m_aTexts;       // owned CUIString per column, null where none
};

// An item that is itself a container of arbitrary controls.
class CListContainerElementUI : public CListRowUI<CContainerUI>
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void OnEvent(UIEvent& event) override;
    void Paint(HDC hDC, const RECT& rcDirty) override;
    void DrawItemText(HDC, const RECT&) override {}
};

} // namespace QxUI
