// The list control: header and body, column rectangles, selection, keys and wheel, and the
// item look attributes that lists and combo boxes share.

#include "controls/UIList.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "controls/UIListCommon.h"
#include "core/UIAttributeValues.h"
#include "core/UIButton.h"
#include "core/UIRect.h"
#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

using ListCommon::Same;

bool Visible(const CControlUI* control)
{
    return control && control->IsVisible();
}

// The band between the left and right insets, of no height: where the header lays out.
RECT HorizontalInside(const RECT& rc, const RECT& inset)
{
    CUIRect band(rc.left, 0, rc.right, 0);
    band.Deflate(RECT{inset.left, 0, inset.right, 0});
    return band;
}

bool IsHeaderItem(CControlUI* control)
{
    LPCWSTR cls = control->GetClass();
    return cls && wcsstr(cls, L"ListHeaderItemUI") != nullptr;
}

ItemLookChange StoreImage(CUIImageDesc& desc, LPCWSTR value)
{
    if (desc.pImageInfo && desc.sDrawString == value)
        return ItemLookChange::Unchanged;
    desc.Clear();
    desc.sDrawString = value;
    return ItemLookChange::Image;
}

// "left", "center" and "right" are looked for in this order; the last found wins.
UINT ApplyAlign(UINT style, LPCWSTR value)
{
    const UINT words = AttributeAlignWords(value);
    if (words & kAlignLeft) {
        style &= ~(DT_CENTER | DT_RIGHT);
    }
    if (words & kAlignCenter) {
        style &= ~DT_RIGHT;
        style |= DT_CENTER;
    }
    if (words & kAlignRight) {
        style &= ~DT_CENTER;
        style |= DT_RIGHT;
    }
    return style;
}

} // namespace

// ---- Shared helpers ---------------------------------------------------------------------------

int ListCommon::DistanceIntoBand(const CContainerUI* layout, const RECT& item, RECT band)
{
    const CScrollBarUI* horizontal = layout->GetHorizontalScrollBar();
    if (Visible(horizontal))
        band.bottom -= horizontal->GetFixedHeight();
    if (item.top >= band.top && item.bottom <= band.bottom)
        return 0;
    int dy = item.top < band.top ? item.top - band.top : 0;
    if (item.bottom > band.bottom)
        dy = item.bottom - band.bottom;
    return dy;
}

// ---- Shared attribute parsing -----------------------------------------------------------------

ItemLookChange ApplyItemLookAttribute(ListItemLook& look, LPCWSTR name, LPCWSTR value,
                                      bool listOnly)
{
    if (!name || !value || wcsncmp(name, L"item", 4) != 0) {
        if (listOnly && Same(name, L"multiexpanding") && value) {
            look.bMultiExpandable = AttributeIsTrue(value);
            return ItemLookChange::Stored;
        }
        return ItemLookChange::NotLook;
    }
    struct ColorField
    {
        LPCWSTR name;
        DWORD ListItemLook::*field;
    };
    static const ColorField kColors[] = {
        {L"itembkcolor", &ListItemLook::dwBkColor},
        {L"itemselectedtextcolor", &ListItemLook::dwSelectedTextColor},
        {L"itemselectedbkcolor", &ListItemLook::dwSelectedBkColor},
        {L"itemhottextcolor", &ListItemLook::dwHotTextColor},
        {L"itemhotbkcolor", &ListItemLook::dwHotBkColor},
        {L"itemdisabledtextcolor", &ListItemLook::dwDisabledTextColor},
        {L"itemdisabledbkcolor", &ListItemLook::dwDisabledBkColor},
        {L"itemlinecolor", &ListItemLook::dwLineColor},
    };
    struct ImageField
    {
        LPCWSTR name;
        CUIImageDesc ListItemLook::*field;
    };
    static const ImageField kImages[] = {
        {L"itembkimage", &ListItemLook::diBk},
        {L"itemselectedimage", &ListItemLook::diSelected},
        {L"itemhotimage", &ListItemLook::diHot},
        {L"itemdisabledimage", &ListItemLook::diDisabled},
    };

    if (Same(name, L"itemfont")) {
        look.iFont = AttributeInt(value);
        return ItemLookChange::Stored;
    }
    if (Same(name, L"itemalign")) {
        look.uTextStyle = ApplyAlign(look.uTextStyle, value);
        return ItemLookChange::Stored;
    }
    if (Same(name, L"itemendellipsis")) {
        if (!listOnly)
            return ItemLookChange::NotLook;
        if (AttributeIsTrue(value))
            look.uTextStyle |= DT_END_ELLIPSIS;
        else
            look.uTextStyle &= ~DT_END_ELLIPSIS;
        return ItemLookChange::Stored;
    }
    if (Same(name, L"itemtextpadding")) {
        look.rcTextPadding = AttributeDecimalRect(value);
        return ItemLookChange::TextPadding;
    }
    if (Same(name, L"itemtextcolor")) {
        look.dwTextColor = AttributeHexColor(value);
        return ItemLookChange::TextColor;
    }
    if (Same(name, L"itemaltbk")) {
        look.bAlternateBk = AttributeIsTrue(value);
        return ItemLookChange::Color;
    }
    if (Same(name, L"itemshowhtml")) {
        const bool on = AttributeIsTrue(value);
        if (look.bShowHtml == on)
            return ItemLookChange::Unchanged;
        look.bShowHtml = on;
        return ItemLookChange::ShowHtml;
    }
    for (const ColorField& entry : kColors) {
        if (Same(name, entry.name)) {
            look.*entry.field = AttributeHexColor(value);
            return ItemLookChange::Color;
        }
    }
    for (const ImageField& entry : kImages) {
        if (Same(name, entry.name))
            return StoreImage(look.*entry.field, value);
    }
    return ItemLookChange::NotLook;
}

// ---- CListUI ----------------------------------------------------------------------------------

bool ListCommon::NameSelectionWhenDelivered(IListOwnerUI* owner, void* notification)
{
    UINotification* msg = static_cast<UINotification*>(notification);
    if (msg->sType == L"itemselect")
        msg->wParam = static_cast<WPARAM>(owner->GetCurSel());
    return true;
}

CListUI::CListUI()
{
    OnNotifyEvent.Add(CDelegate<CListUI>(this, &CListUI::OnOwnNotify));
    m_pBody = new CListBodyUI(this);
    CListHeaderUI* header = new CListHeaderUI;
    Add(header);
    CVerticalLayoutUI::Add(m_pBody);
}

bool CListUI::OnOwnNotify(void* notification)
{
    return ListCommon::NameSelectionWhenDelivered(this, notification);
}

// Rows that the body does not own live on: none keeps the list as its owner.
CListUI::~CListUI()
{
    for (int i = 0; i < m_pBody->GetCount(); ++i)
        CListUI::OnItemLeaving(m_pBody->GetItemAt(i));
}

LPCWSTR CListUI::GetClass() const
{
    return L"ListUI";
}

LPVOID CListUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"List"))
        return static_cast<CListUI*>(this);
    if (Same(name, L"IList"))
        return static_cast<IListUI*>(this);
    if (Same(name, L"IListOwner"))
        return static_cast<IListOwnerUI*>(this);
    return CVerticalLayoutUI::AsInterface(name);
}

UINT CListUI::GetInputFlags()
{
    return UIFLAG_TABSTOP;
}

// The header's items, its columns and the rows run size and "killfocus" handlers as they are
// placed, shown and hidden: a handler may change the columns or take the header out, so the
// header is asked for again after every call.
void CListUI::SetHeaderItemsVisibleByParent(bool visible)
{
    if (!m_pHeader)
        return;
    for (CUIControlWalk walk(m_pHeader->GetChildList()); CControlUI* item = walk.Next();)
        item->SetVisibleByParent(visible);
}

void CListUI::UpdateColumns()
{
    CListHeaderUI* header = m_pHeader;
    if (!header) {
        m_ItemLook.nColumns = 0;
        return;
    }
    const int cx = m_pBody->GetScrollPos().cx;
    for (CUIControlWalk walk(header->GetChildList()); CControlUI* item = walk.Next();) {
        if (walk.Index() >= ListItemLook::kMaxColumns)
            break;
        if (!item->IsVisible() || item->IsFloat())
            continue;
        if (cx > 0) {
            RECT rc = item->GetPos();
            rc.left -= cx;
            rc.right -= cx;
            item->SetPos(rc, false);
        }
        const int column = header->GetItemIndex(item);
        if (column >= 0 && column < ListItemLook::kMaxColumns)
            m_ItemLook.rcColumn[column] = item->GetPos();
    }
    m_ItemLook.nColumns =
        m_pHeader == header ? std::min(header->GetCount(), ListItemLook::kMaxColumns) : 0;
}

// Places the header in rc and takes its columns; a hidden header still measures them, its
// items counting as visible meanwhile.
void CListUI::PlaceHeader(const RECT& rc)
{
    if (!m_pHeader)
        return;
    const bool hidden = !m_pHeader->IsVisible();
    if (hidden)
        SetHeaderItemsVisibleByParent(true);
    if (m_pHeader)
        m_pHeader->SetPos(rc, false);
    UpdateColumns();
    if (hidden)
        SetHeaderItemsVisibleByParent(false);
}

void CListUI::SetPos(RECT rc, bool invalidate)
{
    PlaceHeader(HorizontalInside(rc, m_rcInset));
    CVerticalLayoutUI::SetPos(rc, invalidate);

    if (!m_pHeader)
        return;
    RECT inner = HorizontalInside(rc, m_rcInset);
    CScrollBarUI* vertical = m_pBody->GetVerticalScrollBar();
    CScrollBarUI* horizontal = m_pBody->GetHorizontalScrollBar();
    if (Visible(vertical))
        inner.right -= vertical->GetFixedWidth();
    if (Visible(horizontal)) {
        inner.left -= horizontal->GetScrollPos();
        inner.right += horizontal->GetScrollRange() - horizontal->GetScrollPos();
    }
    if (!m_pHeader->IsVisible())
        PlaceHeader(inner);
    else
        UpdateColumns();
}

void CListUI::Move(int dx, int dy, bool invalidate)
{
    CContainerUI::Move(dx, dy, invalidate);
    // The container moves only visible children.
    if (m_pHeader && !m_pHeader->IsVisible())
        m_pHeader->Move(dx, dy, false);
}

void CListUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event))
        return;
    const int type = event.Type;
    if (TakeFocusChange(type))
        return;

    // A search that finds no selectable row (-1) leaves the selection alone.
    auto selectFound = [this](int found) {
        if (found >= 0)
            SelectItem(found, true);
    };
    auto selectNext = [&](bool forward) {
        selectFound(m_pBody->FindSelectableItem(m_iCurSel + (forward ? 1 : -1), forward));
    };
    if (type == UIEventType::KeyDown) {
        switch (event.chKey) {
        case VK_RETURN:
            if (m_iCurSel >= 0) {
                if (CControlUI* item = GetItemAt(m_iCurSel))
                    item->Activate();
            }
            return;
        case VK_PRIOR:
            ScrollPageUp();
            return;
        case VK_NEXT:
            ScrollPageDown();
            return;
        case VK_END:
            selectFound(m_pBody->FindSelectableItem(GetCount() - 1, true));
            return;
        case VK_HOME:
            selectFound(m_pBody->FindSelectableItem(0, false));
            return;
        case VK_UP:
        case VK_DOWN:
            selectNext(event.chKey == VK_DOWN);
            return;
        default:
            break;
        }
    } else if (type == UIEventType::ScrollWheel && LOWORD(event.wParam) <= 1) {
        const bool down = LOWORD(event.wParam) == 1;
        if (m_bScrollSelect)
            selectNext(down);
        else if (down)
            ScrollLineDown();
        else
            ScrollLineUp();
        return;
    }
    CVerticalLayoutUI::OnEvent(event);
}

void CListUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value)
        return;
    if (Same(name, L"header")) {
        if (m_pHeader)
            m_pHeader->SetVisible(!Same(value, L"hidden"));
        return;
    }
    if (Same(name, L"headerbkimage")) {
        if (m_pHeader)
            m_pHeader->SetBackImage(value);
        return;
    }
    if (Same(name, L"scrollselect")) {
        m_bScrollSelect = AttributeIsTrue(value);
        return;
    }
    // The body's scroll bars and spacing: the container's own handling would read the list's
    // (absent) bars and drop a horizontal bar already enabled on the body.
    if (Same(name, L"vscrollbar") || Same(name, L"hscrollbar") ||
        Same(name, L"vscrollbarstyle") || Same(name, L"hscrollbarstyle") ||
        Same(name, L"childpadding")) {
        m_pBody->SetAttribute(name, value);
        return;
    }
    switch (ApplyItemLookAttribute(m_ItemLook, name, value, true)) {
    case ItemLookChange::NotLook:
        CVerticalLayoutUI::SetAttribute(name, value);
        break;
    case ItemLookChange::TextPadding:
    case ItemLookChange::ShowHtml:
        RequestLayout();
        break;
    case ItemLookChange::TextColor:
    case ItemLookChange::Color:
    case ItemLookChange::Image:
        Invalidate();
        break;
    default:
        break;
    }
}

// ---- Container operations ---------------------------------------------------------------------

CControlUI* CListUI::GetItemAt(int index) const
{
    return m_pBody->GetItemAt(index);
}

int CListUI::GetItemIndex(CControlUI* control) const
{
    if (!control)
        return -1;
    if (control->AsInterface(L"ListHeader"))
        return CVerticalLayoutUI::GetItemIndex(control);
    if (IsHeaderItem(control))
        return m_pHeader ? m_pHeader->GetItemIndex(control) : -1;
    return m_pBody->GetItemIndex(control);
}

int CListUI::GetCount() const
{
    return m_pBody->GetCount();
}

void CListUI::RenumberItems(int from, int to)
{
    for (int i = std::max(from, 0); i <= to && i < m_pBody->GetCount(); ++i) {
        IListItemUI* item =
            static_cast<IListItemUI*>(m_pBody->GetItemAt(i)->AsInterface(L"ListItem"));
        if (item)
            item->SetIndex(i);
    }
}

bool CListUI::SetItemIndex(CControlUI* control, int index)
{
    if (!control)
        return false;
    if (control->AsInterface(L"ListHeader"))
        return CVerticalLayoutUI::SetItemIndex(control, index);
    if (IsHeaderItem(control))
        return m_pHeader && m_pHeader->SetItemIndex(control, index);

    const int old = m_pBody->GetItemIndex(control);
    if (old < 0)
        return false;
    if (old == index)
        return true;
    CControlUI* selected = m_iCurSel >= 0 ? m_pBody->GetItemAt(m_iCurSel) : nullptr;
    CControlUI* expanded = m_iExpandedItem >= 0 ? m_pBody->GetItemAt(m_iExpandedItem) : nullptr;
    if (!m_pBody->SetItemIndex(control, index))
        return false;
    RenumberItems(std::min(old, index), std::max(old, index));
    if (selected)
        m_iCurSel = m_pBody->GetItemIndex(selected);
    if (expanded)
        m_iExpandedItem = m_pBody->GetItemIndex(expanded);
    return true;
}

bool CListUI::Add(CControlUI* control)
{
    if (!control)
        return false;
    if (control->AsInterface(L"ListHeader")) {
        CListHeaderUI* header = static_cast<CListHeaderUI*>(control->AsInterface(L"ListHeader"));
        if (header != m_pHeader && (!m_pHeader || m_pHeader->GetCount() == 0)) {
            if (m_pHeader)
                CVerticalLayoutUI::Remove(m_pHeader);
            m_pHeader = header;
        }
        if (m_pHeader)
            m_ItemLook.nColumns = std::min(m_pHeader->GetCount(), ListItemLook::kMaxColumns);
        return CVerticalLayoutUI::AddAt(control, 0);
    }
    if (IsHeaderItem(control)) {
        if (!m_pHeader)
            return false;
        const bool added = m_pHeader->Add(control);
        m_ItemLook.nColumns = std::min(m_pHeader->GetCount(), ListItemLook::kMaxColumns);
        return added;
    }
    return CListUI::AddAt(control, GetCount());
}

bool CListUI::AddAt(CControlUI* control, int index)
{
    if (!control)
        return false;
    if (control->AsInterface(L"ListHeader"))
        return Add(control);
    if (IsHeaderItem(control)) {
        if (!m_pHeader)
            return false;
        const bool added = m_pHeader->AddAt(control, index);
        m_ItemLook.nColumns = std::min(m_pHeader->GetCount(), ListItemLook::kMaxColumns);
        return added;
    }
    // The books are kept before the row's init handlers run.
    if (!m_pBody->InsertChild(control, index))
        return false;
    if (IListItemUI* item = static_cast<IListItemUI*>(control->AsInterface(L"ListItem"))) {
        item->SetOwner(this);
        item->SetIndex(index);
    }
    RenumberItems(index + 1, m_pBody->GetCount() - 1);
    if (m_iCurSel >= index)
        m_iCurSel += 1;
    if (m_iExpandedItem >= index)
        m_iExpandedItem += 1;
    m_pBody->BindChild(control);
    return true;
}

void CListUI::OnItemLeaving(CControlUI* item)
{
    IListItemUI* row = item ? static_cast<IListItemUI*>(item->AsInterface(L"ListItem")) : nullptr;
    if (row)
        row->SetOwner(nullptr);
}

CControlUI* CListUI::OnItemRemoved(int index)
{
    RenumberItems(index, m_pBody->GetCount() - 1);
    if (index == m_iExpandedItem)
        m_iExpandedItem = -1;
    else if (index < m_iExpandedItem)
        m_iExpandedItem -= 1;
    if (index == m_iCurSel) {
        m_iCurSel = -1;
        return m_pBody->GetItemAt(m_pBody->FindSelectableItem(index, false));
    }
    if (index < m_iCurSel)
        m_iCurSel -= 1;
    return nullptr;
}

void CListUI::SelectInstead(CControlUI* neighbour)
{
    const int index = m_pBody->GetItemIndex(neighbour);
    if (index < 0 || m_iCurSel >= 0)
        return;
    m_bReselecting = true;
    SelectItem(index, false);
    m_bReselecting = false;
}

bool CListUI::Remove(CControlUI* control)
{
    if (!control)
        return false;
    if (control->AsInterface(L"ListHeader")) {
        // The header pointer must not outlive the header.
        const bool removed = CVerticalLayoutUI::Remove(control);
        if (removed && control == m_pHeader) {
            m_pHeader = nullptr;
            m_ItemLook.nColumns = 0;
        }
        return removed;
    }
    if (IsHeaderItem(control))
        return m_pHeader && m_pHeader->Remove(control);
    const int index = m_pBody->GetItemIndex(control);
    if (index < 0)
        return false;
    // The list's own removal: a subclass may route RemoveAt back through Remove.
    return CListUI::RemoveAt(index);
}

bool CListUI::RemoveAt(int index)
{
    return m_pBody->RemoveAt(index);
}

void CListUI::RemoveAll()
{
    m_pBody->RemoveAll();
}

// ---- Forwarded to the body --------------------------------------------------------------------

int CListUI::GetChildPadding() const { return m_pBody->GetChildPadding(); }
void CListUI::SetChildPadding(int padding) { m_pBody->SetChildPadding(padding); }
SIZE CListUI::GetScrollPos() const { return m_pBody->GetScrollPos(); }
SIZE CListUI::GetScrollRange() const { return m_pBody->GetScrollRange(); }
void CListUI::SetScrollPos(SIZE pos) { m_pBody->SetScrollPos(pos); }
void CListUI::ScrollLineUp() { m_pBody->ScrollLineUp(); }
void CListUI::ScrollLineDown() { m_pBody->ScrollLineDown(); }
void CListUI::ScrollPageUp() { m_pBody->ScrollPageUp(); }
void CListUI::ScrollPageDown() { m_pBody->ScrollPageDown(); }
void CListUI::ScrollToTop() { m_pBody->ScrollToTop(); }
void CListUI::ScrollToBottom() { m_pBody->ScrollToBottom(); }
void CListUI::ScrollLineLeft() { m_pBody->ScrollLineLeft(); }
void CListUI::ScrollLineRight() { m_pBody->ScrollLineRight(); }
void CListUI::ScrollPageLeft() { m_pBody->ScrollPageLeft(); }
void CListUI::ScrollPageRight() { m_pBody->ScrollPageRight(); }
void CListUI::ScrollToLeftEnd() { m_pBody->ScrollToLeftEnd(); }
void CListUI::ScrollToRightEnd() { m_pBody->ScrollToRightEnd(); }
void CListUI::EnableScrollBars(bool vertical, bool horizontal)
{
    m_pBody->EnableScrollBars(vertical, horizontal);
}
CScrollBarUI* CListUI::GetVerticalScrollBar() const { return m_pBody->GetVerticalScrollBar(); }
CScrollBarUI* CListUI::GetHorizontalScrollBar() const
{
    return m_pBody->GetHorizontalScrollBar();
}

// ---- Selection and expansion ------------------------------------------------------------------

bool CListUI::SelectItem(int index, bool takeFocus)
{
    if (index == m_iCurSel)
        return true;
    CControlUI* previous = m_pBody->GetItemAt(m_iCurSel);
    auto deselectCurrent = [this]() {
        if (m_iCurSel < 0)
            return;
        CControlUI* current = m_pBody->GetItemAt(m_iCurSel);
        m_iCurSel = -1;
        if (current) {
            if (IListItemUI* item = static_cast<IListItemUI*>(current->AsInterface(L"ListItem")))
                item->Select(false);
        }
    };
    if (index < 0) {
        deselectCurrent();
        return false;
    }
    // A row that cannot take the selection leaves the current one as it is.
    CControlUI* control = m_pBody->GetItemAt(index);
    if (!control || !control->IsVisible() || !control->IsEnabled())
        return false;
    IListItemUI* item = static_cast<IListItemUI*>(control->AsInterface(L"ListItem"));
    if (!item)
        return false;

    deselectCurrent();
    m_iCurSel = index;
    if (!item->Select(true)) {
        m_iCurSel = -1;
        return false;
    }
    // The scroll's size handlers, and "killfocus" and "setfocus" handlers, may select another
    // row or take this one out: then this change is not announced. They may also move rows:
    // both items are announced where they are now (the previous one found by its address
    // alone, as it may be gone).
    ScrollItemIntoView(index);
    if (takeFocus && m_pBody->GetItemAt(m_iCurSel) == control)
        control->SetFocus();
    if (m_pBody->GetItemAt(m_iCurSel) != control)
        return true;
    const int was = previous ? m_pBody->GetItemIndex(previous) : -1;
    if (m_pManager)
        m_pManager->RaiseNotify(this, L"itemselect", static_cast<WPARAM>(m_iCurSel),
                                static_cast<LPARAM>(was), m_bReselecting);
    return true;
}

void CListUI::ScrollItemIntoView(int index)
{
    if (m_iCurSel < 0)
        return;
    CControlUI* control = m_pBody->GetItemAt(index);
    if (!control)
        return;
    const RECT inset = m_pBody->GetInset();
    CUIRect band(m_pBody->GetPos());
    band.Deflate(RECT{0, inset.top, 0, inset.bottom});
    ScrollBy(0, ListCommon::DistanceIntoBand(m_pBody, control->GetPos(), band));
}

void CListUI::ScrollBy(int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    SIZE pos = m_pBody->GetScrollPos();
    m_pBody->SetScrollPos(SIZE{pos.cx + dx, pos.cy + dy});
}

bool CListUI::ExpandItem(int index, bool expand)
{
    if (m_iExpandedItem >= 0 && !m_ItemLook.bMultiExpandable) {
        if (CControlUI* control = m_pBody->GetItemAt(m_iExpandedItem)) {
            if (IListItemUI* item = static_cast<IListItemUI*>(control->AsInterface(L"ListItem")))
                item->Expand(false);
        }
        m_iExpandedItem = -1;
    }
    if (expand) {
        CControlUI* control = m_pBody->GetItemAt(index);
        if (!control || !control->IsVisible())
            return false;
        IListItemUI* item = static_cast<IListItemUI*>(control->AsInterface(L"ListItem"));
        if (!item)
            return false;
        m_iExpandedItem = index;
        if (!item->Expand(true)) {
            m_iExpandedItem = -1;
            return false;
        }
    }
    RequestLayout();
    return true;
}

// ---- CListBodyUI ------------------------------------------------------------------------------

CListBodyUI::CListBodyUI(CListUI* owner) : m_pOwner(owner) {}

// The list's books are kept before the row is let go of, which may run destroy handlers.
bool CListBodyUI::Remove(CControlUI* control)
{
    const int index = GetItemIndex(control);
    if (!m_pOwner || index < 0)
        return CVerticalLayoutUI::Remove(control);
    // Selecting the neighbour scrolls, which runs size handlers: it comes after the row is let
    // go of (which may run its destroy handlers), by identity.
    m_pOwner->OnItemLeaving(control);
    TakeOutChild(control);
    CControlUI* neighbour = m_pOwner->OnItemRemoved(index);
    LetGoOfChild(control);
    if (neighbour)
        m_pOwner->SelectInstead(neighbour);
    return true;
}

void CListBodyUI::RemoveAll()
{
    if (m_pOwner) {
        m_pOwner->m_iCurSel = -1;
        m_pOwner->m_iExpandedItem = -1;
        for (int i = 0; i < m_items.GetSize(); ++i)
            m_pOwner->OnItemLeaving(ChildAt(i));
    }
    CVerticalLayoutUI::RemoveAll();
}

int CListBodyUI::GetRowWidth(int widestChild, SIZE visible)
{
    CListHeaderUI* header = m_pOwner ? m_pOwner->GetHeader() : nullptr;
    if (header && header->GetCount() > 0)
        return std::max<int>(0, header->MeasureSize(visible).cx);
    return widestChild;
}

void CListBodyUI::OnEvent(UIEvent& event)
{
    if (m_pOwner)
        m_pOwner->OnEvent(event);
    else
        CControlUI::OnEvent(event);
}

void CListBodyUI::SetScrollPos(SIZE pos)
{
    const int oldX = GetScrollPos().cx;
    CVerticalLayoutUI::SetScrollPos(pos);
    // The header's columns follow the rows across.
    const int dx = GetScrollPos().cx - oldX;
    CListHeaderUI* header = m_pOwner ? m_pOwner->GetHeader() : nullptr;
    if (dx == 0 || !header)
        return;
    ListItemLook* look = m_pOwner->GetItemLook();
    const int columns = std::min(header->GetCount(), ListItemLook::kMaxColumns);
    for (int i = 0; i < columns; ++i) {
        CControlUI* item = header->GetItemAt(i);
        if (!item->IsVisible() || item->IsFloat())
            continue;
        item->Move(-dx, 0, false);
        look->rcColumn[i] = item->GetPos();
    }
    header->Invalidate();
}

// ---- CListHeaderUI ----------------------------------------------------------------------------

LPCWSTR CListHeaderUI::GetClass() const
{
    return L"ListHeaderUI";
}

LPVOID CListHeaderUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"ListHeader"))
        return static_cast<CListHeaderUI*>(this);
    return CHorizontalLayoutUI::AsInterface(name);
}

SIZE CListHeaderUI::MeasureSize(SIZE available)
{
    SIZE size = {0, m_cxyFixed.cy};
    int tallest = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        const SIZE item = ChildAt(i)->MeasureSize(available);
        size.cx += item.cx;
        tallest = std::max<int>(tallest, item.cy);
    }
    if (size.cy == 0 && m_pManager)
        size.cy = std::max<int>(tallest, m_pManager->GetDefaultFontEntry()->tm.tmHeight + 6);
    return size;
}

// ---- CListHeaderItemUI ------------------------------------------------------------------------

CListHeaderItemUI::CListHeaderItemUI()
{
    m_cxyMin.cx = 16;
}

LPCWSTR CListHeaderItemUI::GetClass() const
{
    return L"ListHeaderItemUI";
}

LPVOID CListHeaderItemUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"ListHeaderItem"))
        return static_cast<CListHeaderItemUI*>(this);
    return CControlUI::AsInterface(name);
}

UINT CListHeaderItemUI::GetInputFlags()
{
    return IsEnabled() && m_iSepWidth != 0 ? UIFLAG_SETCURSOR : 0;
}

void CListHeaderItemUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = 0;
}

void CListHeaderItemUI::SetDragable(bool on)
{
    m_bDragable = on;
    if (!on)
        m_uButtonState &= ~UISTATE_CAPTURED;
}

void CListHeaderItemUI::SetTextPadding(RECT rc)
{
    m_rcTextPadding = rc;
    Invalidate();
}

RECT CListHeaderItemUI::GetSeparatorRect(bool forHitTest) const
{
    RECT rc = m_rcItem;
    if (m_iSepWidth >= 0) {
        rc.left = m_rcItem.right - m_iSepWidth;
        if (forHitTest)
            rc.left -= 4;
    } else {
        rc.right = m_rcItem.left - m_iSepWidth;
        if (forHitTest)
            rc.right += 4;
    }
    return rc;
}

void CListHeaderItemUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event))
        return;
    // Focus changes repaint in the control base's handling.
    switch (event.Type) {
    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick: {
        if (!IsEnabled())
            return;
        const RECT sep = GetSeparatorRect(true);
        if (::PtInRect(&sep, event.ptMouse)) {
            if (m_bDragable) {
                m_uButtonState |= UISTATE_CAPTURED;
                m_ptLastMouse = event.ptMouse;
            }
        } else {
            m_uButtonState |= UISTATE_PUSHED;
            Invalidate();
            if (m_pManager)
                m_pManager->RaiseNotify(this, L"headerclick");
        }
        return;
    }
    case UIEventType::ButtonUp:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~UISTATE_CAPTURED;
            if (m_pParent)
                m_pParent->RequestParentLayout();
        } else if (m_uButtonState & UISTATE_PUSHED) {
            m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEventType::MouseMove: {
        if (!(m_uButtonState & UISTATE_CAPTURED))
            return;
        const int dx = event.ptMouse.x - m_ptLastMouse.x;
        const int width = m_rcItem.right - m_rcItem.left;
        const int newWidth = m_iSepWidth >= 0 ? width + dx : width - dx;
        if (newWidth <= GetMinWidth())
            return;
        SetFixedWidth(newWidth);
        m_ptLastMouse = event.ptMouse;
        if (m_pParent)
            m_pParent->RequestParentLayout();
        return;
    }
    case UIEventType::SetCursor: {
        const RECT sep = GetSeparatorRect(true);
        if (IsEnabled() && m_bDragable && ::PtInRect(&sep, event.ptMouse)) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
            return;
        }
        break;
    }
    case UIEventType::MouseEnter:
    case UIEventType::MouseLeave:
        TrackHotState(*this, m_uButtonState, event);
        return;
    default:
        break;
    }
    CControlUI::OnEvent(event);
}

void CListHeaderItemUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value)
        return;
    if (Same(name, L"dragable")) {
        SetDragable(AttributeIsTrue(value));
    } else if (Same(name, L"sepwidth")) {
        m_iSepWidth = AttributeInt(value);
    } else if (Same(name, L"align")) {
        m_uTextStyle = ApplyAlign(m_uTextStyle, value);
    } else if (Same(name, L"endellipsis")) {
        if (AttributeIsTrue(value))
            m_uTextStyle |= DT_END_ELLIPSIS;
        else
            m_uTextStyle &= ~DT_END_ELLIPSIS;
    } else if (Same(name, L"font")) {
        m_iFont = AttributeInt(value);
    } else if (Same(name, L"textcolor")) {
        m_dwTextColor = AttributeHexColor(value);
    } else if (Same(name, L"textpadding")) {
        SetTextPadding(AttributeDecimalRect(value));
    } else if (Same(name, L"showhtml")) {
        if (m_bShowHtml != AttributeIsTrue(value)) {
            m_bShowHtml = AttributeIsTrue(value);
            Invalidate();
        }
    } else if (Same(name, L"normalimage")) {
        SetImage(m_diNormal, value);
    } else if (Same(name, L"hotimage")) {
        SetImage(m_diHot, value);
    } else if (Same(name, L"pushedimage")) {
        SetImage(m_diPushed, value);
    } else if (Same(name, L"focusedimage")) {
        SetImage(m_diFocused, value);
    } else if (Same(name, L"sepimage")) {
        SetImage(m_diSep, value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

SIZE CListHeaderItemUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0)
        return CControlUI::MeasureSize(available);
    const int text = m_pManager ? m_pManager->GetDefaultFontEntry()->tm.tmHeight : 0;
    return SIZE{m_cxyFixed.cx, text + 14};
}

void CListHeaderItemUI::PaintStateImage(HDC hDC)
{
    if (IsFocused())
        m_uButtonState |= UISTATE_FOCUSED;
    else
        m_uButtonState &= ~UISTATE_FOCUSED;

    CUIImageDesc* state = nullptr;
    if (m_uButtonState & UISTATE_PUSHED)
        state = &m_diPushed;
    else if (m_uButtonState & UISTATE_HOT)
        state = &m_diHot;
    else if (m_uButtonState & UISTATE_FOCUSED)
        state = &m_diFocused;
    if (!state || !DrawImage(hDC, *state))
        DrawImage(hDC, m_diNormal);

    if (m_diSep.sDrawString.IsEmpty())
        return;
    // Resolved first: parsing would overwrite the destination set below.
    DrawImage(nullptr, m_diSep);
    const RECT sep = GetSeparatorRect(false);
    m_diSep.rcDest = RECT{sep.left - m_rcItem.left, sep.top - m_rcItem.top,
                          sep.right - m_rcItem.left, sep.bottom - m_rcItem.top};
    DrawImage(hDC, m_diSep);
}

void CListHeaderItemUI::PaintText(HDC hDC)
{
    if (!m_pManager)
        return;
    if (m_dwTextColor == 0)
        m_dwTextColor = m_pManager->GetDefaultTextColor();
    if (m_sText.IsEmpty())
        return;
    CUIRect rc(m_rcItem);
    rc.Deflate(m_rcTextPadding);
    CUIPainter::DrawTextMarkedUpOrNot(hDC, m_pManager, rc, m_sText.GetData(), m_dwTextColor,
                                      m_iFont, m_uTextStyle | DT_SINGLELINE, m_bShowHtml);
}

} // namespace QxUI
