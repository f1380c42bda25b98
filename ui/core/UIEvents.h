#pragma once

#include <windows.h>

#include "core/UIString.h"

namespace QxUI {

class CControlUI;

// Key events are exactly 3..6 and mouse events exactly 9..18: controls test these ranges.
// Scoped in a struct, since names such as SetFocus and SetCursor are also Win32 functions.
struct UIEventType
{
    enum : int
    {
        KeyDown = 3,
        KeyUp = 4,
        Char = 5,
        SysKey = 6,
        MouseMove = 9,
        MouseLeave = 10,
        MouseEnter = 11,
        MouseHover = 12,
        ButtonDown = 13,
        ButtonUp = 14,
        RButtonDown = 15,
        DoubleClick = 16,
        ContextMenu = 17,
        ScrollWheel = 18,
        KillFocus = 20,
        SetFocus = 21,
        WindowSize = 22,
        SetCursor = 23,
        Timer = 24,
    };
};

// Modifier bits of UIEvent::wKeyState.
enum UIModifierKey
{
    ModifierLButton = 0x01,
    ModifierRButton = 0x02,
    ModifierShift = 0x04,
    ModifierControl = 0x08,
    ModifierAlt = 0x20,
};

// The input event handed to a control's HandleEvent.
struct UIEvent
{
    int Type = 0;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse = {0, 0};
    WCHAR chKey = 0;
    WORD wKeyState = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// A notification delivered to a window's notifiers.
struct UINotification
{
    CUIString sType;
    CUIString sVirtualWnd;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse = {0, 0};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI
{
public:
    virtual void OnUINotify(UINotification& msg) = 0;

protected:
    ~INotifyUI() = default;
};

class IMessageFilterUI
{
public:
    virtual LRESULT PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

protected:
    ~IMessageFilterUI() = default;
};

class ITranslateAccelerator
{
public:
    // 0 means translated and consumed.
    virtual LRESULT TranslateAccelerator(MSG* msg) = 0;

protected:
    ~ITranslateAccelerator() = default;
};

} // namespace QxUI
