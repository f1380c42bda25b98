// A window whose tree is built from skin text, its notifications recorded and its input sent
// through its manager.
#pragma once

#include "core/UIBuilder.h"

#include <vector>

#include "controls_support.h"
#include "manager_support.h"

namespace optionstest {

class SkinHost
{
public:
    SkinHost()
    {
        host.manager.AddNotifier(&recorder);
        host.Open(200, 120);
    }

    // Builds the skin into the window and paints it once, so that it is laid out.
    bool Build(LPCWSTR xml)
    {
        QxUI::CUILayoutBuilder builder;
        QxUI::CControlUI* root = builder.Create(xml, nullptr, nullptr, &host.manager);
        if (!root || !host.GetHandle())
            return false;
        host.manager.AttachRootControl(root);
        Paint();
        return true;
    }

    void Paint()
    {
        ::RedrawWindow(host.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        managertest::Pump();
    }

    template <class T = QxUI::CControlUI>
    T* Find(LPCWSTR name)
    {
        return static_cast<T*>(host.manager.FindControlByName(name));
    }

    void Mouse(UINT msg, int x, int y, WPARAM keys = 0)
    {
        ::SendMessageW(host.GetHandle(), msg, keys, MAKELPARAM(x, y));
    }

    // Turned towards the user (down) or away (up).
    void Wheel(int x, int y, bool down)
    {
        POINT pt = {x, y};
        ::ClientToScreen(host.GetHandle(), &pt);
        const WORD delta = static_cast<WORD>(down ? -WHEEL_DELTA : WHEEL_DELTA);
        ::SendMessageW(host.GetHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta),
                       MAKELPARAM(pt.x, pt.y));
        managertest::Pump();
    }

    // Where the notifications of one type stand among all those heard.
    std::vector<size_t> Heard(LPCWSTR type) const
    {
        std::vector<size_t> at;
        for (size_t i = 0; i < recorder.types.size(); ++i) {
            if (recorder.types[i] == type)
                at.push_back(i);
        }
        return at;
    }

    // Declared first: the manager keeps a pointer to it until the window is gone.
    controlstest::Recorder recorder;
    managertest::HostWnd host;
};

} // namespace optionstest
