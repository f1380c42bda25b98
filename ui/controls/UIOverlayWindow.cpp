// Events common to the controls that lay a native window over themselves.

#include "controls/UIOverlayWindow.h"

#include "core/UIManager.h"

namespace QxUI {

bool HandleOverlayEvent(CControlUI& control, bool windowOpen, UIEvent& event,
                        const std::function<void()>& open)
{
    switch (event.Type) {
    case UIEventType::SetFocus:
        // A window still open (the focus came back from a "killfocus" handler before it
        // closed) takes the focus back; the control marks itself focused either way.
        if (control.IsEnabled())
            open();
        return false;
    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick:
    case UIEventType::RButtonDown:
        if (control.IsEnabled() && control.GetManager())
            control.GetManager()->ReleaseMouseCapture();
        return false;
    case UIEventType::MouseMove:
    case UIEventType::ButtonUp:
    case UIEventType::ContextMenu:
        return true;
    case UIEventType::SetCursor:
        if (!control.IsEnabled())
            return false;
        ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
        return true;
    case UIEventType::WindowSize:
        if (windowOpen && control.GetManager())
            control.GetManager()->ScheduleFocus(&control);
        return false;
    case UIEventType::ScrollWheel:
        return windowOpen;
    case UIEventType::KillFocus:
        if (control.IsEnabled())
            control.Invalidate();
        return false;
    default:
        return false;
    }
}

} // namespace QxUI
