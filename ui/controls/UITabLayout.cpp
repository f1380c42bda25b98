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
    if (!CContainerUI::Add(control))
        return false;
    if (m_iCurSel == -1 && control->IsVisible())
        m_iCurSel = GetItemIndex(control);
    else
        control->SetVisible(false);
    return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index)
{
    if (!CContainerUI::AddAt(control, index))
        return false;
    if (m_iCurSel == -1 && control->IsVisible()) {
        m_iCurSel = GetItemIndex(control);
        return true;
    }
    // A page put in before the shown one moves that one on, and stays hidden like any other
    // page: shown, it would overlap the selected page and take the focus by Tab.
    if (m_iCurSel != -1 && index <= m_iCurSel)
        ++m_iCurSel;
    control->SetVisible(false);
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control)
{
    if (!control)
        return false;
    const int index = GetItemIndex(control);
    if (!CContainerUI::Remove(control))
        return false;
    if (index == m_iCurSel) {
        if (GetCount() == 0) {
            m_iCurSel = -1;
        } else {
            m_iCurSel = 0;
            GetItemAt(0)->SetVisible(true);
        }
        RequestParentLayout();
    } else if (index < m_iCurSel) {
        --m_iCurSel;
    }
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
    const int old = m_iCurSel;
    m_iCurSel = index;
    // Pages losing the focus run "killfocus" handlers, which may change the pages or take the
    // layout out of its window.
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* page = GetItemAt(i);
        if (i == index) {
            page->SetVisible(true);
            page->SetFocus();
            SetPos(m_rcItem, true);
        } else {
            page->SetVisible(false);
        }
    }
    RequestParentLayout();
    if (m_pManager) {
        m_pManager->FocusNextTabStop(true);
        if (m_pManager)
            m_pManager->RaiseNotify(this, L"tabselect", static_cast<WPARAM>(index),
                                    static_cast<LPARAM>(old));
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

    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* control = FlowChildAt(i);
        if (!control || i != m_iCurSel)
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
