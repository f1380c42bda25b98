// Tab layout: one child (page) shown at a time.
#pragma once

#include <windows.h>

#include "core/UIContainer.h"

namespace QxUI {

// The skin element "TabLayout"; raises "tabselect" (wParam the new page, lParam the old one)
// when another page is selected.
class CTabLayoutUI : public CContainerUI
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    // A page moved keeps the selection, if it has it.
    bool SetItemIndex(CControlUI* control, int index) override;

    int GetSelectedPage() const { return m_iCurSel; }
    bool SelectPage(int index);

protected:
    int m_iCurSel = -1;
};

} // namespace QxUI
