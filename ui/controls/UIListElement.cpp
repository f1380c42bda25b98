// List items: selection through the owner, hot state, activation, links, and the item
// background and text drawn with the owner's look.

#include "controls/UIListElement.h"

#include <algorithm>
#include <cwchar>
#include <new>

#include "controls/UIListCommon.h"
#include "core/UIAttributeValues.h"
#include "core/UIButton.h"
#include "core/UIRect.h"
#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

using ListCommon::Same;

IListOwnerUI* OwnerOf(CControlUI* owner)
{
    return owner ? static_cast<IListOwnerUI*>(owner->AsInterface(L"IListOwner")) : nullptr;
}

// The item's rectangle as its container shows it (less inset and scroll bars), clipped by
// every further ancestor; nothing when any step leaves nothing.
void RepaintClipped(CControlUI* item)
{
    if (!item->IsVisible())
        return;
    CControlUI* parent = item->GetParent();
    CContainerUI* container =
        parent ? static_cast<CContainerUI*>(parent->AsInterface(L"Container")) : nullptr;
    CUIWindowManager* manager = item->GetManager();
    if (!container) {
        item->Invalidate();
        return;
    }
    const RECT shown = container->GetInnerRect();
    RECT area;
    if (!::IntersectRect(&area, &item->GetPos(), &shown))
        return;
    for (CControlUI* p = parent->GetParent(); p; p = p->GetParent()) {
        if (!::IntersectRect(&area, &area, &p->GetPos()))
            return;
    }
    if (manager)
        manager->Invalidate(area);
}

// A selected row that will not show gives up the owner's selection, before it is hidden: the
// hiding runs "killfocus" handlers, after which the owner's selection may be another row's.
void DropSelectionBeforeHiding(bool showing, IListOwnerUI* owner, bool& selected)
{
    if (!showing && selected) {
        selected = false;
        if (owner)
            owner->SelectItem(-1, false);
    }
}

// A row counts itself selected only when its owner took it: one that was hidden when asked
// stays unselected, so that a later click selects it through the owner.
bool SelectRow(CControlUI* item, IListOwnerUI* owner, int index, bool& selected, bool select)
{
    if (!item->IsEnabled())
        return false;
    if (select == selected)
        return true;
    selected = select;
    // A refusal raises nothing.
    RepaintClipped(item);
    if (select && owner && !owner->SelectItem(index, false)) {
        selected = false;
        return false;
    }
    return true;
}

// Press, hover and leave of a row with its mouse enabled; true when the event is taken.
bool HandleRowMouseEvent(UIEvent& event, CControlUI* item, IListItemUI* row, UINT& state)
{
    switch (event.Type) {
    case UIEventType::ButtonDown:
    case UIEventType::RButtonDown:
        if (item->IsEnabled()) {
            CControlUI* parent = item->GetParent();
            RepaintClipped(item);
            if (CUIWindowManager* manager = item->GetManager())
                manager->RaiseNotify(item, L"itemclick");
            // A row the "itemclick" handler took out no longer owns its index.
            if (parent && item->GetParent() == parent)
                row->Select(true);
        }
        return true;
    case UIEventType::MouseMove:
    case UIEventType::ButtonUp:
        return true;
    case UIEventType::MouseEnter:
        if (item->IsEnabled()) {
            state |= UISTATE_HOT;
            RepaintClipped(item);
        }
        return true;
    case UIEventType::MouseLeave:
        if (state & UISTATE_HOT) {
            state &= ~UISTATE_HOT;
            RepaintClipped(item);
        }
        return true;
    default:
        return false;
    }
}

DWORD StateTextColor(const ListItemLook& look, UINT state, bool selected, bool enabled)
{
    DWORD color = look.dwTextColor;
    if (state & UISTATE_HOT)
        color = look.dwHotTextColor;
    if (selected)
        color = look.dwSelectedTextColor;
    if (!enabled)
        color = look.dwDisabledTextColor;
    return color;
}

// The text plain or marked up, as the look says; links in it are not kept.
void DrawLookText(HDC hDC, CUIWindowManager* manager, RECT& rc, LPCWSTR text, DWORD color,
                  const ListItemLook& look, UINT style)
{
    CUIPainter::DrawTextMarkedUpOrNot(hDC, manager, rc, text, color, look.iFont, style,
                                      look.bShowHtml);
}

// State colour, then the first state image that draws, the item's own background image, the
// look's background image, and the separator line when no image ended the background.
void PaintRowBackground(HDC hDC, CControlUI* item, IListOwnerUI* owner, CUIImageDesc& ownBk,
                        const RECT& rcItem, int index, UINT state, bool selected)
{
    ListItemLook* look = owner ? owner->GetItemLook() : nullptr;
    if (!look)
        return;
    const bool enabled = item->IsEnabled();
    const bool odd = (index % 2) != 0;
    DWORD color = look->bAlternateBk && odd ? 0 : look->dwBkColor;
    if (state & UISTATE_HOT)
        color = look->dwHotBkColor;
    if (selected)
        color = look->dwSelectedBkColor;
    if (!enabled)
        color = look->dwDisabledBkColor;
    if (color != 0)
        CUIPainter::DrawColor(hDC, rcItem, item->GetHslAdjustedColor(color));

    if (!enabled) {
        if (item->DrawImage(hDC, look->diDisabled))
            return;
    } else if (selected) {
        if (item->DrawImage(hDC, look->diSelected))
            return;
    } else if (state & UISTATE_HOT) {
        if (item->DrawImage(hDC, look->diHot))
            return;
    }
    if (!item->DrawImage(hDC, ownBk) && (!look->bAlternateBk || !odd)) {
        if (item->DrawImage(hDC, look->diBk))
            return;
    }
    if (look->dwLineColor != 0) {
        const RECT line = {rcItem.left, rcItem.bottom - 1, rcItem.right, rcItem.bottom - 1};
        CUIPainter::DrawLine(hDC, line, 1, item->GetHslAdjustedColor(look->dwLineColor));
    }
}

} // namespace

// ---- CListRowUI ------------------------------------------------------------------------------

template <class Base>
LPVOID CListRowUI<Base>::AsInterface(LPCWSTR name)
{
    if (Same(name, kListItemInterface))
        return static_cast<IListItemUI*>(this);
    return Base::AsInterface(name);
}

template <class Base>
UINT CListRowUI<Base>::GetInputFlags()
{
    return UIFLAG_WANTRETURN;
}

template <class Base>
bool CListRowUI<Base>::Activate()
{
    if (!CControlUI::Activate())
        return false;
    if (CUIWindowManager* manager = this->GetManager())
        manager->RaiseNotify(this, L"itemactivate");
    return true;
}

template <class Base>
void CListRowUI<Base>::SetVisible(bool visible)
{
    DropSelectionBeforeHiding(visible && this->m_bInternVisible, m_pOwner, m_bSelected);
    Base::SetVisible(visible);
}

template <class Base>
void CListRowUI<Base>::SetEnabled(bool enabled)
{
    Base::SetEnabled(enabled);
    if (!this->IsEnabled())
        m_uButtonState = 0;
}

template <class Base>
void CListRowUI<Base>::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (Same(name, L"selected")) {
        if (AttributeIsTrue(value))
            Select(true);
        return;
    }
    Base::SetAttribute(name, value);
}

// The selection mark is the owner's: a row that leaves its owner is selected nowhere, and a
// click in the list it joins next selects it there.
template <class Base>
void CListRowUI<Base>::SetOwner(CControlUI* owner)
{
    IListOwnerUI* next = OwnerOf(owner);
    if (m_pOwner && next != m_pOwner)
        m_bSelected = false;
    m_pOwner = next;
}

template <class Base>
bool CListRowUI<Base>::Select(bool select)
{
    return SelectRow(this, m_pOwner, m_iIndex, m_bSelected, select);
}

template <class Base>
void CListRowUI<Base>::RepaintItem()
{
    RepaintClipped(this);
}

template <class Base>
bool CListRowUI<Base>::PassMouseToOwner(UIEvent& event)
{
    if (!this->IsMouseEventPassedOn(event))
        return false;
    if (m_pOwner)
        m_pOwner->OnEvent(event);
    else
        Base::OnEvent(event);
    return true;
}

template <class Base>
bool CListRowUI<Base>::HandleRowMouse(UIEvent& event)
{
    return HandleRowMouseEvent(event, this, this, m_uButtonState);
}

template <class Base>
void CListRowUI<Base>::PaintItemBackground(HDC hDC, const RECT& rcItem)
{
    PaintRowBackground(hDC, this, m_pOwner, this->m_diBk, rcItem, m_iIndex, m_uButtonState,
                       m_bSelected);
}

template <class Base>
DWORD CListRowUI<Base>::ItemTextColor(const ListItemLook& look) const
{
    return StateTextColor(look, m_uButtonState, m_bSelected, this->IsEnabled());
}

template class CListRowUI<CControlUI>;
template class CListRowUI<CContainerUI>;

// ---- CListElementUI ---------------------------------------------------------------------------

LPCWSTR CListElementUI::GetClass() const
{
    return L"ListElementUI";
}

LPVOID CListElementUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"ListElement"))
        return static_cast<CListElementUI*>(this);
    return CListRowUI::AsInterface(name);
}

void CListElementUI::OnEvent(UIEvent& event)
{
    if (!IsMouseEventPassedOn(event)) {
        const bool activates = event.Type == UIEventType::DoubleClick ||
                               (event.Type == UIEventType::KeyDown && event.chKey == VK_RETURN);
        if (activates) {
            if (IsEnabled()) {
                RepaintItem();
                Activate();
                return;
            }
            if (event.Type == UIEventType::DoubleClick)
                return;
        }
    }
    if (m_pOwner)
        m_pOwner->OnEvent(event);
    else
        CControlUI::OnEvent(event);
}

// ---- CListLabelElementUI ----------------------------------------------------------------------

LPCWSTR CListLabelElementUI::GetClass() const
{
    return L"ListLabelElementUI";
}

LPVOID CListLabelElementUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"ListLabelElement"))
        return static_cast<CListLabelElementUI*>(this);
    return CListElementUI::AsInterface(name);
}

void CListLabelElementUI::OnEvent(UIEvent& event)
{
    if (PassMouseToOwner(event))
        return;
    if (HandleRowMouse(event))
        return;
    CListElementUI::OnEvent(event);
}

SIZE CListLabelElementUI::MeasureSize(SIZE available)
{
    (void)available;
    ListItemLook* look = m_pOwner ? m_pOwner->GetItemLook() : nullptr;
    if (!look)
        return SIZE{0, 0};
    SIZE size = m_cxyFixed;
    const RECT& padding = look->rcTextPadding;
    if (size.cy == 0 && m_pManager)
        size.cy = ClampCoordinate(LONGLONG{m_pManager->GetFontEntry(look->iFont)->tm.tmHeight} +
                                  padding.top + padding.bottom + 8);
    HDC hDC = m_pManager ? m_pManager->GetPaintDC() : nullptr;
    if (size.cx == 0 && hDC) {
        RECT rc = {0, 0, 9999, size.cy};
        const UINT style =
            (look->uTextStyle & ~(DT_CENTER | DT_RIGHT)) | DT_CALCRECT | DT_SINGLELINE;
        DrawLookText(hDC, m_pManager, rc, m_sText.GetData(), 0, *look, style);
        size.cx = ClampCoordinate(LONGLONG{rc.right} - rc.left + padding.left + padding.right);
    }
    return size;
}

void CListLabelElementUI::Paint(HDC hDC, const RECT& rcDirty)
{
    if (!::IntersectRect(&m_rcPaint, &rcDirty, &m_rcItem))
        return;
    PaintItemBackground(hDC, m_rcItem);
    DrawItemText(hDC, m_rcItem);
}

void CListLabelElementUI::DrawItemText(HDC hDC, const RECT& rcItem)
{
    ListItemLook* look = m_pOwner ? m_pOwner->GetItemLook() : nullptr;
    if (m_sText.IsEmpty() || !look)
        return;
    CUIRect rc(rcItem);
    rc.Deflate(look->rcTextPadding);
    const UINT style = look->uTextStyle | DT_SINGLELINE;
    const DWORD color = ItemTextColor(*look);
    DrawLookText(hDC, m_pManager, rc, m_sText.GetData(), color, *look, style);
}

// ---- CListTextElementUI -----------------------------------------------------------------------

CListTextElementUI::CListTextElementUI() = default;

CListTextElementUI::~CListTextElementUI()
{
    for (int i = 0; i < m_aTexts.GetSize(); ++i)
        delete static_cast<CUIString*>(m_aTexts[i]);
}

LPCWSTR CListTextElementUI::GetClass() const
{
    return L"ListTextElementUI";
}

LPVOID CListTextElementUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"ListTextElement"))
        return static_cast<CListTextElementUI*>(this);
    return CListLabelElementUI::AsInterface(name);
}

UINT CListTextElementUI::GetInputFlags()
{
    const UINT flags = CListLabelElementUI::GetInputFlags();
    return IsEnabled() && m_nLinks > 0 ? flags | UIFLAG_SETCURSOR : flags;
}

void CListTextElementUI::SetOwner(CControlUI* owner)
{
    CListElementUI::SetOwner(owner);
    m_pList = owner ? static_cast<IListUI*>(owner->AsInterface(L"IList")) : nullptr;
}

LPCWSTR CListTextElementUI::GetColumnText(int column) const
{
    if (column < 0 || column >= m_aTexts.GetSize())
        return nullptr;
    const CUIString* text = static_cast<const CUIString*>(m_aTexts[column]);
    return text ? text->GetData() : nullptr;
}

void CListTextElementUI::SetColumnText(int column, LPCWSTR text)
{
    if (column < 0 || column >= ListItemLook::kMaxColumns)
        return;
    while (m_aTexts.GetSize() <= column) {
        if (!m_aTexts.Add(nullptr))
            return;
    }
    CUIString* old = static_cast<CUIString*>(m_aTexts[column]);
    CUIString* copy = new (std::nothrow) CUIString(text ? text : L"");
    if (!copy)
        return;
    m_aTexts.Remove(column);
    m_aTexts.InsertAt(column, copy);
    delete old;
    RepaintItem();
}

void CListTextElementUI::OnEvent(UIEvent& event)
{
    // The list, when there is one, is the owner.
    if (PassMouseToOwner(event))
        return;
    auto linkAt = [this](POINT pt) {
        for (int i = 0; i < m_nLinks; ++i) {
            if (::PtInRect(&m_rcLinks[i], pt))
                return i;
        }
        return -1;
    };
    switch (event.Type) {
    case UIEventType::SetCursor:
        if (linkAt(event.ptMouse) >= 0) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return;
        }
        break;
    case UIEventType::ButtonUp:
        if (IsEnabled()) {
            const int link = linkAt(event.ptMouse);
            if (link >= 0) {
                if (m_pManager)
                    m_pManager->RaiseNotify(this, L"link", static_cast<WPARAM>(link));
                return;
            }
        }
        break;
    case UIEventType::MouseMove:
        if (m_nLinks > 0) {
            const int hover = linkAt(event.ptMouse);
            if (hover != m_nHoverLink) {
                m_nHoverLink = hover;
                RepaintItem();
            }
        }
        break;
    case UIEventType::MouseLeave:
        if (m_nLinks > 0 && m_nHoverLink >= 0) {
            RepaintItem();
            m_nHoverLink = -1;
        }
        break;
    default:
        break;
    }
    CListLabelElementUI::OnEvent(event);
}

SIZE CListTextElementUI::MeasureSize(SIZE available)
{
    (void)available;
    SIZE size = m_cxyFixed;
    // The look comes from the owner: in a combo box there is no list to ask.
    ListItemLook* look = m_pOwner ? m_pOwner->GetItemLook() : nullptr;
    if (size.cy == 0 && m_pManager && look) {
        size.cy = ClampCoordinate(LONGLONG{m_pManager->GetFontEntry(look->iFont)->tm.tmHeight} +
                                  look->rcTextPadding.top + look->rcTextPadding.bottom + 8);
    }
    return size;
}

void CListTextElementUI::DrawItemText(HDC hDC, const RECT& rcItem)
{
    (void)rcItem;
    ListItemLook* look = m_pOwner ? m_pOwner->GetItemLook() : nullptr;
    if (!look)
        return;
    m_nLinks = 0;
    int freeSlots = kMaxLinks;
    IListTextProvider* provider = m_pList ? m_pList->GetTextProvider() : nullptr;
    const DWORD color = ItemTextColor(*look);
    const RECT& padding = look->rcTextPadding;
    for (int i = 0; i < look->nColumns; ++i) {
        CUIRect rc(look->rcColumn[i].left, m_rcItem.top, look->rcColumn[i].right,
                   m_rcItem.bottom);
        rc.Deflate(padding);
        LPCWSTR text = provider ? provider->GetCellText(this, m_iIndex, i) : GetColumnText(i);
        if (!text)
            continue;
        if (look->bShowHtml) {
            int stored = freeSlots;
            CUIPainter::DrawMarkedUpText(hDC, m_pManager, rc, text, color, m_rcLinks + m_nLinks,
                                         m_sLinks + m_nLinks, stored,
                                         look->uTextStyle | DT_SINGLELINE);
            m_nLinks += std::max(0, std::min(stored, freeSlots));
            freeSlots = kMaxLinks - m_nLinks;
        } else {
            CUIPainter::DrawText(hDC, m_pManager, rc, text, color, look->iFont,
                                 look->uTextStyle | DT_SINGLELINE);
        }
    }
    for (int i = m_nLinks; i < kMaxLinks; ++i) {
        m_rcLinks[i] = RECT{0, 0, 0, 0};
        m_sLinks[i].Empty();
    }
}

// ---- CListContainerElementUI ------------------------------------------------------------------

LPCWSTR CListContainerElementUI::GetClass() const
{
    return L"ListContainerElementUI";
}

LPVOID CListContainerElementUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"ListContainerElement"))
        return static_cast<CListContainerElementUI*>(this);
    return CListRowUI::AsInterface(name);
}

void CListContainerElementUI::OnEvent(UIEvent& event)
{
    if (PassMouseToOwner(event))
        return;
    switch (event.Type) {
    case UIEventType::DoubleClick:
        if (IsEnabled()) {
            RepaintItem();
            Activate();
        }
        return;
    case UIEventType::KeyDown:
        if (event.chKey == VK_RETURN && IsEnabled()) {
            RepaintItem();
            Activate();
            return;
        }
        break;
    default:
        break;
    }
    if (HandleRowMouse(event))
        return;
    if (m_pOwner)
        m_pOwner->OnEvent(event);
    else
        CControlUI::OnEvent(event);
}

void CListContainerElementUI::Paint(HDC hDC, const RECT& rcDirty)
{
    RECT rcPaint;
    if (!::IntersectRect(&rcPaint, &rcDirty, &m_rcItem))
        return;
    m_rcPaint = rcPaint;
    PaintItemBackground(hDC, m_rcItem);
    CContainerUI::Paint(hDC, rcDirty);
}

} // namespace QxUI
