// Tab layout: page bookkeeping on insertion and removal, selection, and the shown page's place.

#include "controls/UITabLayout.h"

#include <cwchar>

#include "core/UIAttributeValues.h"
#include "core/UIRect.h"

namespace QxUI {

LPCWSTR CTabLayoutUI::GetClass() const
{
    return L"TabLayoutUI";
}

LPVOID CTabLayoutUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"TabLayout") == 0)
        return static_cast<CTabLayoutUI*>(this);
    return CContainerUI::AsInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control)
{
    return AddAt(control, GetCount());
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index)
{
    // The page's place and visibility are settled before its init handlers run.
    if (!InsertChild(control, index))
        return false;
    if (m_iCurSel == -1 && control->IsVisible()) {
        m_iCurSel = index;
    } else {
        // A page put in before the shown one moves that one on, and stays hidden like any
        // other page: shown, it would overlap the selected page and take the focus by Tab.
        if (m_iCurSel != -1 && index <= m_iCurSel)
            ++m_iCurSel;
        control->SetVisible(false);
    }
    BindChild(control);
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control)
{
    const int index = GetItemIndex(control);
    if (!TakeOutChild(control))
        return false;
    // The books are kept before the page goes, which may run its destroy handlers; the page
    // selected after them is the one shown.
    const bool wasSelected = index == m_iCurSel;
    if (wasSelected)
        m_iCurSel = GetCount() == 0 ? -1 : 0;
    else if (index < m_iCurSel)
        --m_iCurSel;
    LetGoOfChild(control);
    if (wasSelected) {
        if (CControlUI* page = GetItemAt(m_iCurSel))
            page->SetVisible(true);
        RequestParentLayout();
    }
    return true;
}

bool CTabLayoutUI::SetItemIndex(CControlUI* control, int index)
{
    CControlUI* selected = GetItemAt(m_iCurSel);
    if (!CContainerUI::SetItemIndex(control, index))
        return false;
    if (selected)
        m_iCurSel = GetItemIndex(selected);
    return true;
}

void CTabLayoutUI::RemoveAll()
{
    m_iCurSel = -1;
    CContainerUI::RemoveAll();
    RequestParentLayout();
}

bool CTabLayoutUI::SelectPage(int index)
{
    if (index < 0 || index >= GetCount())
        return false;
    if (index == m_iCurSel)
        return true;
    CControlUI* const previous = GetItemAt(m_iCurSel);
    m_iCurSel = index;
    CControlUI* const selected = ChildAt(index);
    // Hiding a page and focusing one run "killfocus" and "setfocus" handlers, and the layout
    // runs size handlers: one may select another page, which completes that change, or take
    // this page out. After every call the change goes on only while it is still this one.
    const auto stillSelected = [&] { return GetItemAt(m_iCurSel) == selected; };
    for (CUIControlWalk walk(m_items); CControlUI* page = walk.Next();) {
        if (page == selected) {
            page->SetVisible(true);
            page->SetFocus();
            if (stillSelected())
                SetPos(m_rcItem, true);
        } else {
            page->SetVisible(false);
        }
        if (!stillSelected())
            return true;
    }
    RequestParentLayout();
    if (m_pManager) {
        m_pManager->FocusNextTabStop(true);
        // Both pages where they are now: the handlers may have moved them.
        if (m_pManager && stillSelected())
            m_pManager->RaiseNotify(this, L"tabselect", static_cast<WPARAM>(m_iCurSel),
                                    static_cast<LPARAM>(previous ? GetItemIndex(previous) : -1));
    }
    return true;
}

void CTabLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (name && value && wcscmp(name, L"selectedid") == 0)
        SelectPage(AttributeInt(value));
    CContainerUI::SetAttribute(name, value);
}

void CTabLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    rc = GetContentRect();

    // Each child's size handlers may change the pages.
    for (CUIControlWalk walk(m_items); walk.Next();) {
        CControlUI* control = FlowChildAt(walk.Index());
        if (!control || walk.Index() != m_iCurSel)
            continue;
        const RECT padding = control->GetPadding();
        CUIRect area(rc);
        area.Deflate(padding);
        const SIZE size =
            MeasureChild(control, SIZE{area.right - area.left, area.bottom - area.top});
        control->SetPos(RECT{area.left, area.top, area.left + size.cx, area.top + size.cy},
                        false);
    }
}

} // namespace QxUI
