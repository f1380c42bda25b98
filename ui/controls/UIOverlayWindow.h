// What the controls that open a native window of their own share (the edit box, the date/time
// picker, the combo box's drop-down): opening and closing the window, which deletes itself when
// its native window ends; and the events the windows laid over a control answer alike.
#pragma once

#include <windows.h>

#include <functional>
#include <new>

#include "core/UIControl.h"
#include "core/UIWindow.h"

namespace QxUI {

// The events the controls with a window laid over them answer alike: the focus arriving opens
// the window (`open`), a press takes the mouse capture back from the manager, the I-beam shows
// over an enabled control, the focus is asked back after the window is resized, wheel turns are
// left to an open window, and moves, releases and context menus do nothing. True when the event
// needs nothing more.
bool HandleOverlayEvent(CControlUI& control, bool windowOpen, UIEvent& event,
                        const std::function<void()>& open);

// A native window laid over a control closes itself when it loses the focus, by a posted
// WM_CLOSE: a "killfocus" handler may give the focus back to the control first, and then the
// window stays (one that has let go of its control always closes).
class COverlayFocusClose
{
public:
    void Lost(CWindowWnd& window)
    {
        m_bLost = m_bPending = true;
        window.PostMsg(WM_CLOSE);
    }
    void Regained() { m_bLost = false; }
    // False for the close that a focus loss asked for, when the focus has come back since.
    bool ShouldClose()
    {
        const bool stay = m_bPending && !m_bLost;
        m_bPending = false;
        return !stay;
    }

private:
    bool m_bLost = false;
    bool m_bPending = false;
};

// Makes a new native window for the control and starts it with start(window); false when it
// could not be made or started. One whose native window came and went while starting has
// deleted itself and cleared `window`; one that never got a window is deleted here.
template <class Window, class Start>
bool OpenOverlayWindow(Window*& window, Start start)
{
    Window* opening = new (std::nothrow) Window;
    if (!opening)
        return false;
    window = opening;
    if (start(*opening))
        return true;
    if (window == opening && !opening->GetHandle()) {
        window = nullptr;
        delete opening;
    }
    return false;
}

// The control and its native window forget each other; the window is answered, or null.
template <class Window>
Window* ForgetOverlayWindow(Window*& window)
{
    Window* forgotten = window;
    window = nullptr;
    if (forgotten)
        forgotten->Detach();
    return forgotten;
}

// The control leaves its window: the native window, a child of that one, lets go of it at once
// and closes at its next message; the control opens a new one where it is next focused. The
// change itself runs nothing.
template <class Window>
void ReleaseOverlayWindow(Window*& window)
{
    if (Window* leaving = ForgetOverlayWindow(window))
        leaving->PostMsg(WM_CLOSE);
}

// Ends the native window as its control goes. The window first forgets its owner: its last
// messages (focus loss, destruction) must not reach a freed control.
template <class Window>
void CloseOverlayWindow(Window*& window)
{
    Window* closing = ForgetOverlayWindow(window);
    if (closing && closing->GetHandle())
        ::DestroyWindow(closing->GetHandle());
    else
        delete closing;
}

} // namespace QxUI
