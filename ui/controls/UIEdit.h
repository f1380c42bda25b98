// The single-line edit box and the native edit window laid over it while the user types.
#pragma once

#include <windows.h>

#include "controls/UIOverlayWindow.h"
#include "core/UILabel.h"
#include "core/UIRef.h"
#include "core/UIResourceTable.h"
#include "core/UIWindow.h"

#include "Win32Handle.h"

namespace QxUI {

class CEditUI;

// A superclass of the system edit class, a child of the skinned window exactly over the edit
// box's text area; it deletes itself when its window ends.
class CEditWnd : public CWindowWnd
{
public:
    CEditWnd() = default;

    // False when the window could not be created (the object is then the caller's to delete).
    bool Start(CEditUI* owner);
    RECT GetEditRect() const;
    // The owner is going away: nothing may reach it any more.
    void Detach() { m_pOwner = nullptr; }

    LPCWSTR GetRegisteredClassName() const override { return L"EditWnd"; }
    LPCWSTR GetBaseClassName() const override { return L"Edit"; }
    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnWindowDestroyed(HWND hWnd) override;

private:
    void CopyTextToOwner();

    CEditUI* m_pOwner = nullptr;
    // The font record whose handle the window was given, held while the window lives: the
    // window table may let go of it meanwhile.
    CUIRef<CUIFontInfo> m_font;
    win32::UniqueBrush m_hBkBrush;
    COverlayFocusClose m_focusClose;
    bool m_bInit = false;
};

// The skin element "Edit": paints its text like a label and edits it in a CEditWnd while it
// has the focus.
class CEditUI : public CLabelUI
{
    friend class CEditWnd;

public:
    CEditUI();
    ~CEditUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    void SetText(LPCWSTR text) override;
    // A box that leaves its window lets go of its native window there.
    void SetManager(CUIWindowManager* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Move(int dx, int dy, bool invalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetVisibleByParent(bool visible) override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintStateImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetPasswordMode(bool on);
    bool IsPasswordMode() const { return m_bPasswordMode; }
    WCHAR GetPasswordChar() const { return m_cPasswordChar; }
    void SetMaxChar(int count);
    int GetMaxChar() const { return m_iMaxChar; }
    DWORD GetNativeBkColor() const { return m_dwNativeBkColor; }
    DWORD GetWindowStyles() const { return m_dwWindowStyle; }
    UINT GetButtonState() const { return m_uButtonState; }
    // The native window while the user edits, else null.
    HWND GetNativeWindow() const;

private:
    void OpenNativeWindow();
    void SelectAllNative();

    CEditWnd* m_pWindow = nullptr;
    int m_iMaxChar = 255;
    bool m_bReadOnly = false;
    bool m_bPasswordMode = false;
    WCHAR m_cPasswordChar = L'*';
    UINT m_uButtonState = 0;
    DWORD m_dwNativeBkColor = 0xFFFFFFFF;
    DWORD m_dwWindowStyle = 0;
    CUIImageDesc m_diNormal;
    CUIImageDesc m_diHot;
    CUIImageDesc m_diFocused;
    CUIImageDesc m_diDisabled;
};

} // namespace QxUI
