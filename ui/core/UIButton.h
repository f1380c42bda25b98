#pragma once

#include <windows.h>

#include "core/UILabel.h"

namespace QxUI {

// The state bits with UISTATE_FOCUSED and UISTATE_DISABLED taken from the control as it is now.
UINT CurrentButtonState(UINT state, const CControlUI& control);

// On MouseEnter or MouseLeave over an enabled control: UISTATE_HOT set or cleared in state and
// the control repainted; true when it was, false for any other event or a disabled control.
bool TrackHotState(CControlUI& control, UINT& state, const UIEvent& event);

// A label that reacts to mouse and keyboard with an image per state; the skin element "Button".
class CButtonUI : public CLabelUI
{
public:
    CButtonUI();
    ~CButtonUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    bool Activate() override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintStateImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    UINT GetButtonState() const { return m_uButtonState; }

    void SetNormalImage(LPCWSTR description) { SetImage(m_diNormal, description); }
    void SetHotImage(LPCWSTR description) { SetImage(m_diHot, description); }
    void SetHotForeImage(LPCWSTR description) { SetImage(m_diHotFore, description); }
    void SetPushedImage(LPCWSTR description) { SetImage(m_diPushed, description); }
    void SetFocusedImage(LPCWSTR description) { SetImage(m_diFocused, description); }
    void SetDisabledImage(LPCWSTR description) { SetImage(m_diDisabled, description); }
    void SetForeImage(LPCWSTR description) { SetImage(m_diFore, description); }
    void SetHotBkColor(DWORD color) { m_dwHotBkColor = color; }
    DWORD GetHotBkColor() const { return m_dwHotBkColor; }
    void SetHotTextColor(DWORD color) { m_dwHotTextColor = color; }
    DWORD GetHotTextColor() const { return m_dwHotTextColor; }
    void SetPushedTextColor(DWORD color) { m_dwPushedTextColor = color; }
    DWORD GetPushedTextColor() const { return m_dwPushedTextColor; }
    void SetFocusedTextColor(DWORD color) { m_dwFocusedTextColor = color; }
    DWORD GetFocusedTextColor() const { return m_dwFocusedTextColor; }

protected:
    void RefreshState();

    UINT m_uButtonState = 0;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
    DWORD m_dwFocusedTextColor = 0;
    CUIImageDesc m_diNormal;
    CUIImageDesc m_diHot;
    CUIImageDesc m_diHotFore;
    CUIImageDesc m_diPushed;
    CUIImageDesc m_diFocused;
    CUIImageDesc m_diDisabled;
};

} // namespace QxUI
