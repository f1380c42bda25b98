// Options and check boxes: buttons that stay selected; options of one group in one window
// select one at a time.
#pragma once

#include <windows.h>

#include "core/UIButton.h"

namespace QxUI {

// The button state bit of a selected option.
constexpr UINT UISTATE_SELECTED = 0x02;

// A button that can be selected: without a group it toggles on every activation, with one it
// is a radio button among the window's options of that group. The skin element "Option".
class COptionUI : public CButtonUI
{
public:
    COptionUI();
    ~COptionUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    bool Activate() override;
    void SetManager(CUIWindowManager* manager, CControlUI* parent, bool init = true) override;
    void SetEnabled(bool enabled = true) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void PaintStateImage(HDC hDC) override;
    void PaintText(HDC hDC) override;
    virtual void SetSelected(bool selected);

    bool IsSelected() const { return m_bSelected; }
    CUIString GetGroup() const { return m_sGroupName; }
    void SetGroup(LPCWSTR group);
    DWORD GetSelectedBkColor() const { return m_dwSelectedBkColor; }
    void SetSelectedBkColor(DWORD color) { m_dwSelectedBkColor = color; }
    DWORD GetSelectedTextColor() const { return m_dwSelectedTextColor; }
    void SetSelectedTextColor(DWORD color) { m_dwSelectedTextColor = color; }
    void SetSelectedImage(LPCWSTR description) { SetImage(m_diSelected, description); }
    void SetSelectedHotImage(LPCWSTR description) { SetImage(m_diSelectedHot, description); }
    // Drawn over every state, selected or not.
    void SetForeImage(LPCWSTR description) { SetImage(m_diOptionFore, description); }

protected:
    bool m_bSelected = false;
    CUIString m_sGroupName;
    DWORD m_dwSelectedBkColor = 0;
    DWORD m_dwSelectedTextColor = 0;
    CUIImageDesc m_diSelected;
    CUIImageDesc m_diSelectedHot;
    CUIImageDesc m_diOptionFore;

private:
    void LeaveGroup();
    void PaintSelectedState(HDC hDC);
    void PaintButtonState(HDC hDC);
};

// An option under its own class name; the skin element "CheckBox".
class CCheckBoxUI : public COptionUI
{
public:
    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
};

} // namespace QxUI
