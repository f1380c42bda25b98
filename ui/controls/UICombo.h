// The combo box: a closed box showing the selected item, and the drop-down window that lends
// itself the box's items while it is open.
#pragma once

#include <windows.h>

#include "controls/UIList.h"
#include "core/UIContainer.h"
#include "core/UILayouts.h"
#include "core/UIManager.h"
#include "core/UIWindow.h"

namespace QxUI {

class CComboUI;

// The drop-down: a popup with a window manager of its own whose root lists the combo box's
// items. It deletes itself when its window is gone.
class CComboWnd : public CWindowWnd
{
public:
    LPCWSTR GetRegisteredClassName() const override { return L"ComboWnd"; }
    LPCWSTR GetBaseClassName() const override { return nullptr; }
    UINT GetRegisteredClassStyle() const override { return 0; }
    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnWindowDestroyed(HWND hWnd) override;

    // Places the drop-down below the box, or above it when the work area ends first, and shows
    // it; false when no window could be made.
    bool OpenFor(CComboUI* owner);
    // The box is going away: its items go back to it and the window is destroyed.
    void OwnerGone();
    // The box takes in an item while the others are lent: it is lent too, at its place.
    void LendItem(CControlUI* item);
    // The box takes an item out while it is lent: the layout and this manager let go of it.
    void ForgetItem(CControlUI* item);
    void ForgetItems();
    void ScrollSelectionIntoView();
    bool IsLendingItems() const { return m_bItemsLent; }
    CUIWindowManager& GetManager() { return m_pm; }
    CVerticalLayoutUI* GetLayout() const { return m_pLayout; }

private:
    void OnCreate();
    void ReturnItems();

    CUIWindowManager m_pm;
    CComboUI* m_pOwner = nullptr;
    CVerticalLayoutUI* m_pLayout = nullptr;
    CControlUI* m_pOldSel = nullptr;   // the item selected at opening, while the box holds it
    bool m_bItemsLent = false;
};

class CComboUI : public CContainerUI, public IListOwnerUI
{
public:
    CComboUI();
    ~CComboUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    bool Activate() override;
    CUIString GetText() const override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Move(int dx, int dy, bool invalidate = true) override;
    void SetEnabled(bool enabled = true) override;
    void SetManager(CUIWindowManager* manager, CControlUI* parent, bool init = true) override;
    CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    SIZE MeasureSize(SIZE available) override;
    void Paint(HDC hDC, const RECT& rcDirty) override;
    void PaintStateImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    bool SetItemIndex(CControlUI* control, int index) override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    ListItemLook* GetItemLook() override { return &m_ItemLook; }
    int GetCurSel() const override { return m_iCurSel; }
    bool SelectItem(int index, bool takeFocus = false) override;

    CComboWnd* GetDropDown() const { return m_pWindow; }
    CUIString GetDropDownAttributes() const { return m_sDropBoxAttributes; }
    void SetDropDownAttributes(LPCWSTR list) { m_sDropBoxAttributes = list ? list : L""; }
    SIZE GetDropDownSize() const { return m_szDropBox; }
    void SetDropDownSize(SIZE size) { m_szDropBox = size; }
    void SetTextShown(bool on) { m_bShowText = on; Invalidate(); }
    void SetTextPadding(RECT rc) { m_rcTextPadding = rc; Invalidate(); }
    UINT GetButtonState() const { return m_uButtonState; }
    void SetNormalImage(LPCWSTR description) { SetImage(m_diNormal, description); }
    void SetHotImage(LPCWSTR description) { SetImage(m_diHot, description); }
    void SetPushedImage(LPCWSTR description) { SetImage(m_diPushed, description); }
    void SetFocusedImage(LPCWSTR description) { SetImage(m_diFocused, description); }
    void SetDisabledImage(LPCWSTR description) { SetImage(m_diDisabled, description); }

private:
    bool OnOwnNotify(void* notification);
    // Every item forgets the box: its owner and selection mark.
    void ForgetItemsOwner();
    friend class CComboWnd;
    void OnDropDownGone();
    void RenumberItems(int from, int to);
    void SelectFound(int index);

    CComboWnd* m_pWindow = nullptr;
    // A removal moves the selection: the focus stays, "itemselect" is raised after the change.
    bool m_bReselecting = false;
    int m_iCurSel = -1;
    bool m_bShowText = true;
    RECT m_rcTextPadding = {0, 0, 0, 0};
    CUIString m_sDropBoxAttributes;
    SIZE m_szDropBox = {0, 150};
    UINT m_uButtonState = 0;
    CUIImageDesc m_diNormal;
    CUIImageDesc m_diHot;
    CUIImageDesc m_diPushed;
    CUIImageDesc m_diFocused;
    CUIImageDesc m_diDisabled;
    ListItemLook m_ItemLook;
};

} // namespace QxUI
