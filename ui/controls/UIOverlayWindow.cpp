// Events common to the controls that lay a native window over themselves.

#include "controls/UIOverlayWindow.h"

#include "core/UIManager.h"

namespace QxUI {

bool HandleOverlayEvent(CControlUI& control, bool windowOpen, UIEvent& event)
{
    switch (event.Type) {
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
