#pragma once

#include <windows.h>

#include "core/UIControl.h"
#include "core/UIPtrArray.h"

namespace QxUI {

class CScrollBarUI;

// Adds and removes children without knowing the container class.
class IContainerUI
{
public:
    virtual CControlUI* GetItemAt(int index) const = 0;
    virtual int GetItemIndex(CControlUI* control) const = 0;
    virtual bool SetItemIndex(CControlUI* control, int index) = 0;
    virtual int GetCount() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool AddAt(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control) = 0;
    virtual bool RemoveAt(int index) = 0;
    virtual void RemoveAll() = 0;

protected:
    ~IContainerUI() = default;
};

// The interface name (AsInterface) of a child that can be selected in its container: the core
// asks it, the list family's items answer it with their item interface.
constexpr WCHAR kListItemInterface[] = L"ListItem";

// A control that holds, lays out and paints child controls; the skin element "Container".
class CContainerUI : public CControlUI, public IContainerUI
{
public:
    CContainerUI();
    ~CContainerUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;

    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;
    // AddAt in two steps, for containers that keep books on their children: the child joins
    // the list, silently (false for a bad index or no memory); then it joins the window, which
    // runs its init handlers. The books are kept in between, so that a handler meets them
    // whole and may take the child out again.
    bool InsertChild(CControlUI* control, int index);
    void BindChild(CControlUI* control);
    // Remove in two steps, alike: the child leaves the list, silently (false when it is not in
    // it); then LetGoOfChild, which may run its destroy handlers. The books are kept between.
    bool TakeOutChild(CControlUI* control);
    // The children in order, for walks that call out (CUIControlWalk).
    const CUIPtrArray& GetChildList() const { return m_items; }

    virtual RECT GetInset() const;
    virtual void SetInset(RECT rc);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int padding);
    virtual bool IsOwningChildren() const;
    virtual void SetOwningChildren(bool on);
    virtual bool IsDeferredDelete() const;
    virtual void SetDeferredDelete(bool on);
    virtual bool IsMouseChildEnabled() const;
    virtual void SetMouseChildEnabled(bool on = true);
    // Selectable children are visible, enabled and answer kListItemInterface.
    virtual int FindSelectableItem(int index, bool forward = true) const;
    virtual SIZE GetScrollPos() const;
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE pos);
    virtual void ScrollLineUp();
    virtual void ScrollLineDown();
    virtual void ScrollPageUp();
    virtual void ScrollPageDown();
    virtual void ScrollToTop();
    virtual void ScrollToBottom();
    virtual void ScrollLineLeft();
    virtual void ScrollLineRight();
    virtual void ScrollPageLeft();
    virtual void ScrollPageRight();
    virtual void ScrollToLeftEnd();
    virtual void ScrollToRightEnd();
    virtual void EnableScrollBars(bool vertical = true, bool horizontal = false);
    virtual CScrollBarUI* GetVerticalScrollBar() const;
    virtual CScrollBarUI* GetHorizontalScrollBar() const;
    virtual void PlaceFloatChild(int index);
    virtual void UpdateScrollBars(const RECT& rcInner, int widthNeeded, int heightNeeded);

    void SetManager(CUIWindowManager* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Move(int dx, int dy, bool invalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetVisibleByParent(bool visible) override;
    void SetMouseEnabled(bool enabled = true) override;
    CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void Paint(HDC hDC, const RECT& rcDirty) override;
    // Where the children lie: the item rect less the inset and the shown scroll bars.
    RECT GetInnerRect() const;

protected:
    // Focus gained or lost only sets the flag; true when the event was one of those.
    bool TakeFocusChange(int type);
    // The scroll step of a navigation key along the usable bar; false when there is none.
    bool ScrollByKey(WCHAR key);
    // A child taken out: deleted (now or queued) when the container owns its children, else
    // detached from the window.
    void LetGoOfChild(CControlUI* control);
    // Every child shown or hidden with this container.
    void ShowChildren();
    // The container's own child: GetItemAt may be overridden to answer other items (a list
    // answers its body's), so walks over this container's children never go through it.
    CControlUI* ChildAt(int index) const { return static_cast<CControlUI*>(m_items[index]); }
    // The item rect less the inset, the scroll bars not taken off.
    RECT GetContentRect() const;
    // A shown vertical bar's width off the right, a shown horizontal bar's height off the bottom.
    void TakeOffScrollBars(RECT& rc) const;
    static bool IsShown(const CScrollBarUI* bar);
    // The child at index when the layout places it itself; null for an invisible child and
    // for a float one, which this places at its anchors.
    CControlUI* FlowChildAt(int index);
    // A shown scroll bar placed at rc: false when a handler of its size event took it away.
    bool PlaceScrollBar(CScrollBarUI* bar, const RECT& rc);
    // The child measured in `available`; a measured 0 takes the available size (at least 0),
    // then the child's limits hold.
    static SIZE MeasureChild(CControlUI* child, SIZE available);
    // Float children anywhere in the item, the others only where they meet `within`, which
    // clips them.
    void PaintChildren(HDC hDC, const RECT& rcDirty, const RECT& within);
    // The shown scroll bars that meet rcDirty.
    void PaintScrollBars(HDC hDC, const RECT& rcDirty);
    int PageHeight() const;
    int PageWidth() const;
    // From the shown bars' positions by (dx, dy); a hidden bar counts as at 0.
    void ScrollBy(int dx, int dy);

    CUIPtrArray m_items;
    RECT m_rcInset = {0, 0, 0, 0};
    int m_iChildPadding = 0;
    bool m_bOwningChildren = true;
    bool m_bDeferredDelete = true;
    bool m_bMouseChildEnabled = true;
    bool m_bScrollProcess = false;
    CScrollBarUI* m_pVerticalScrollBar = nullptr;
    CScrollBarUI* m_pHorizontalScrollBar = nullptr;
    unsigned m_uBinds = 0;      // SetManager calls, so that one overtaken by another stops
};

} // namespace QxUI
