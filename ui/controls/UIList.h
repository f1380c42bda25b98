// The list family's interfaces and shared item look, and the list control: a header row of
// column items over a scrolling body of list items.
#pragma once

#include <windows.h>

#include "core/UIContainer.h"
#include "core/UIControl.h"
#include "core/UILayouts.h"

namespace QxUI {

class CListBodyUI;
class CListHeaderUI;

// The look that every item of one owner shares: columns, font, text style, colours and images
// per item state. The items never keep look settings of their own.
struct ListItemLook
{
    static const int kMaxColumns = 32;

    int nColumns = 0;
    RECT rcColumn[kMaxColumns] = {};   // window coordinates, shifted by the horizontal scroll
    int iFont = -1;
    UINT uTextStyle = DT_VCENTER;
    RECT rcTextPadding = {0, 0, 0, 0};
    DWORD dwTextColor = 0xFF000000;
    DWORD dwBkColor = 0;
    CUIImageDesc diBk;
    bool bAlternateBk = false;
    DWORD dwSelectedTextColor = 0xFF000000;
    DWORD dwSelectedBkColor = 0xFFC1E3FF;
    CUIImageDesc diSelected;
    DWORD dwHotTextColor = 0xFF000000;
    DWORD dwHotBkColor = 0xFFE9F5FF;
    CUIImageDesc diHot;
    DWORD dwDisabledTextColor = 0xFFCCCCCC;
    DWORD dwDisabledBkColor = 0xFFFFFFFF;
    CUIImageDesc diDisabled;
    DWORD dwLineColor = 0;
    bool bShowHtml = false;
    bool bMultiExpandable = false;
};

// What an item look attribute changed, so that each owner can repaint or lay out as it needs.
enum class ItemLookChange
{
    NotLook,        // not an item look attribute (for this owner)
    Stored,         // font, text style, multi-expand: nothing to redraw yet
    TextPadding,
    TextColor,
    Color,          // back, selected, hot, disabled and line colours, alternate back
    Image,          // an image description that takes new text
    ShowHtml,
    Unchanged,      // an image or show-html value equal to the current one
};

// The one parser of the "item*" attributes. listOnly: also "itemendellipsis" and
// "multiexpanding", which the combo box does not have.
ItemLookChange ApplyItemLookAttribute(ListItemLook& look, LPCWSTR name, LPCWSTR value,
                                      bool listOnly);

class IListTextProvider
{
public:
    // The text to show in a cell; owned by the provider and valid until the item has drawn it.
    virtual LPCWSTR GetCellText(CControlUI* item, int itemIndex, int column) = 0;

protected:
    ~IListTextProvider() = default;
};

// A list, combo box or tree view as seen by its items.
class IListOwnerUI
{
public:
    virtual ListItemLook* GetItemLook() = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SelectItem(int index, bool takeFocus = false) = 0;
    // An input event that an item did not consume.
    virtual void OnEvent(UIEvent& event) = 0;

protected:
    ~IListOwnerUI() = default;
};

class IListUI : public IListOwnerUI
{
public:
    virtual CListHeaderUI* GetHeader() const = 0;
    virtual CListBodyUI* GetBody() const = 0;
    virtual IListTextProvider* GetTextProvider() const = 0;
    virtual void SetTextProvider(IListTextProvider* provider) = 0;
    virtual bool ExpandItem(int index, bool expand = true) = 0;
    virtual int GetExpandedItem() const = 0;

protected:
    ~IListUI() = default;
};

class IListItemUI
{
public:
    virtual int GetIndex() const = 0;
    virtual void SetIndex(int index) = 0;
    virtual IListOwnerUI* GetOwner() = 0;
    virtual void SetOwner(CControlUI* owner) = 0;
    virtual bool IsSelected() const = 0;
    virtual bool Select(bool select = true) = 0;
    virtual bool IsExpanded() const = 0;
    virtual bool Expand(bool expand = true) = 0;
    virtual void DrawItemText(HDC hDC, const RECT& rcItem) = 0;

protected:
    ~IListItemUI() = default;
};

// Header plus body; routes every container operation on items to the body.
class CListUI : public CVerticalLayoutUI, public IListUI
{
public:
    CListUI();
    ~CListUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Move(int dx, int dy, bool invalidate = true) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;

    // Container operations: header objects go to the header or the list, items to the body.
    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    // Forwarded to the body.
    int GetChildPadding() const override;
    void SetChildPadding(int padding) override;
    SIZE GetScrollPos() const override;
    SIZE GetScrollRange() const override;
    void SetScrollPos(SIZE pos) override;
    void ScrollLineUp() override;
    void ScrollLineDown() override;
    void ScrollPageUp() override;
    void ScrollPageDown() override;
    void ScrollToTop() override;
    void ScrollToBottom() override;
    void ScrollLineLeft() override;
    void ScrollLineRight() override;
    void ScrollPageLeft() override;
    void ScrollPageRight() override;
    void ScrollToLeftEnd() override;
    void ScrollToRightEnd() override;
    void EnableScrollBars(bool vertical = true, bool horizontal = false) override;
    CScrollBarUI* GetVerticalScrollBar() const override;
    CScrollBarUI* GetHorizontalScrollBar() const override;

    // IListUI.
    ListItemLook* GetItemLook() override { return &m_ItemLook; }
    int GetCurSel() const override { return m_iCurSel; }
    bool SelectItem(int index, bool takeFocus = false) override;
    CListHeaderUI* GetHeader() const override { return m_pHeader; }
    CListBodyUI* GetBody() const override { return m_pBody; }
    IListTextProvider* GetTextProvider() const override { return m_pTextProvider; }
    void SetTextProvider(IListTextProvider* provider) override { m_pTextProvider = provider; }
    bool ExpandItem(int index, bool expand = true) override;
    int GetExpandedItem() const override { return m_iExpandedItem; }

    bool IsScrollSelect() const { return m_bScrollSelect; }
    void SetScrollSelect(bool on) { m_bScrollSelect = on; }
    void ScrollItemIntoView(int index);
    void ScrollBy(int dx, int dy);

protected:
    // Copies the header items' rectangles into the look, shifted by the horizontal scroll.
    void UpdateColumns();
    void SetHeaderItemsVisibleByParent(bool visible);
    void PlaceHeader(const RECT& rc);
    void RenumberItems(int from, int to);
    // After the body lost the item at index, before it lets go of it: the indices follow; the
    // row to select instead when the selected one went, else null.
    CControlUI* OnItemRemoved(int index);
    // After the row went: the neighbour takes the selection, if still a row and none took it.
    void SelectInstead(CControlUI* neighbour);
    // A row is about to leave the body, however it is taken out: what the list hung on it goes
    // (silently). The row forgets the list as its owner, and so its selection mark; a tree view
    // also takes back its delegates.
    virtual void OnItemLeaving(CControlUI* item);
    bool OnOwnNotify(void* notification);
    friend class CListBodyUI;

    bool m_bScrollSelect = false;
    // A removal moves the selection: "itemselect" is then raised after the change.
    bool m_bReselecting = false;
    int m_iCurSel = -1;
    int m_iExpandedItem = -1;
    IListTextProvider* m_pTextProvider = nullptr;
    CListBodyUI* m_pBody = nullptr;
    CListHeaderUI* m_pHeader = nullptr;
    ListItemLook m_ItemLook;
};

// The scrolling part of a list; rows are as wide as the header's columns need.
class CListBodyUI : public CVerticalLayoutUI
{
public:
    explicit CListBodyUI(CListUI* owner);

    void OnEvent(UIEvent& event) override;
    void SetScrollPos(SIZE pos) override;
    // Every way a row leaves tells the list first, and the list keeps its indices.
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;

    CListUI* GetOwnerList() const { return m_pOwner; }

protected:
    // Every row spans the header's width when it has columns, else the widest row's.
    int GetRowWidth(int widestChild, SIZE visible) override;

    CListUI* m_pOwner;
};

class CListHeaderUI : public CHorizontalLayoutUI
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    SIZE MeasureSize(SIZE available) override;
};

// One column of the header: a clickable cell whose right (or left) edge drags its width.
class CListHeaderItemUI : public CControlUI
{
public:
    CListHeaderItemUI();

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintStateImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    bool IsDragable() const { return m_bDragable; }
    void SetDragable(bool on);
    int GetSepWidth() const { return m_iSepWidth; }
    void SetSepWidth(int width) { m_iSepWidth = width; }
    UINT GetButtonState() const { return m_uButtonState; }
    void SetTextPadding(RECT rc);
    RECT GetSeparatorRect(bool forHitTest) const;

protected:
    POINT m_ptLastMouse = {0, 0};
    bool m_bDragable = true;
    UINT m_uButtonState = 0;
    int m_iSepWidth = 4;
    DWORD m_dwTextColor = 0;
    int m_iFont = -1;
    UINT m_uTextStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    bool m_bShowHtml = false;
    RECT m_rcTextPadding = {2, 0, 2, 0};
    CUIImageDesc m_diNormal;
    CUIImageDesc m_diHot;
    CUIImageDesc m_diPushed;
    CUIImageDesc m_diFocused;
    CUIImageDesc m_diSep;
};

} // namespace QxUI
