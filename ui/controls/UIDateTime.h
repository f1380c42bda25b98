// The date/time picker: a label showing a date, with the system's date picker laid over it
// while the user picks.
#pragma once

#include <windows.h>

#include "controls/UIOverlayWindow.h"
#include "core/UILabel.h"
#include "core/UIRef.h"
#include "core/UIResourceTable.h"
#include "core/UIWindow.h"

namespace QxUI {

class CDateTimeUI;

// A superclass of the common date picker, a child of the skinned window exactly over the
// control; it deletes itself when its window ends.
class CDateTimeWnd : public CWindowWnd
{
public:
    CDateTimeWnd() = default;

    // False when the picker could not be created (the object is then the caller's to delete).
    bool Start(CDateTimeUI* owner);
    RECT GetPickerRect() const;
    // The owner is going away: nothing may reach it any more.
    void Detach() { m_pOwner = nullptr; }

    LPCWSTR GetRegisteredClassName() const override { return L"DateTimeWnd"; }
    LPCWSTR GetBaseClassName() const override;
    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnWindowDestroyed(HWND hWnd) override;

private:
    CDateTimeUI* m_pOwner = nullptr;
    // The font record whose handle the picker was given, held while the picker lives.
    CUIRef<CUIFontInfo> m_font;
    COverlayFocusClose m_focusClose;
    bool m_bInit = false;
};

// The skin element "DateTime": shows its date as year-month-day.
class CDateTimeUI : public CLabelUI
{
    friend class CDateTimeWnd;

public:
    // What the next UpdateText does.
    enum UpdateMode
    {
        UpdateNone = 0,
        UpdateShowTime = 1,
        UpdateEmpty = 2,
        UpdateKeep = 3,
    };

    CDateTimeUI();
    ~CDateTimeUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    // A control that leaves its window lets go of its picker there.
    void SetManager(CUIWindowManager* manager, CControlUI* parent, bool init = true) override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(UIEvent& event) override;

    SYSTEMTIME GetTime() const { return m_sysTime; }
    void SetTime(const SYSTEMTIME& time) { m_sysTime = time; }
    int GetUpdateMode() const { return m_nUpdateFlag; }
    void UpdateText();
    // The picker while the user picks, else null.
    HWND GetNativeWindow() const;

private:
    void OpenPicker();

    SYSTEMTIME m_sysTime = {};
    int m_nUpdateFlag = UpdateNone;
    CDateTimeWnd* m_pWindow = nullptr;
};

} // namespace QxUI
