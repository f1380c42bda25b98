// What the edit box and the date/time picker share: a native window laid over the control
// while the user works in it.
#pragma once

#include <windows.h>

#include "core/UIControl.h"

namespace QxUI {

// The events both controls answer alike: the I-beam over an enabled control, the focus asked
// back after the window is resized, and wheel turns left to an open native window. True when
// the event needs nothing more.
bool HandleOverlayEvent(CControlUI& control, bool windowOpen, UIEvent& event);

// Ends the native window as its control goes. The window first forgets its owner: its last
// messages (focus loss, destruction) must not reach a freed control.
template <class Window>
void CloseOverlayWindow(Window*& window)
{
    if (!window)
        return;
    Window* closing = window;
    window = nullptr;
    closing->Detach();
    if (closing->GetHandle())
        ::DestroyWindow(closing->GetHandle());
    else
        delete closing;
}

} // namespace QxUI
