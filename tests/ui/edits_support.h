// A real window built from skin text, for the edit, date/time and rich edit tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/UIContainer.h"
#include "skin/UIBuilder.h"

#include "controls_support.h"
#include "manager_support.h"

namespace editstest {

using managertest::PumpUntil;

// A key pressed and released on the window, through the thread's queue.
inline void PressKey(HWND window, WPARAM key)
{
    ::PostMessageW(window, WM_KEYDOWN, key, 1);
    ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
    managertest::Pump();
}

// Records the headers of the WM_NOTIFY messages that reach the window's manager.
class NotifyFilter : public QxUI::IMessageFilterUI
{
public:
    LRESULT PreFilterMessage(UINT msg, WPARAM, LPARAM lParam, bool&) override
    {
        if (msg == WM_NOTIFY)
            headers.push_back(*reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    }
    std::vector<NMHDR> headers;
};

// The skin window as a test fixture, 300 x 200, whose controls can be replaced or deleted.
class SkinWindow : public ::testing::Test, public skintest::SkinWindow
{
protected:
    void Open(LPCWSTR skin) { ASSERT_TRUE(skintest::SkinWindow::Open(skin, 300, 200)); }

    // Replaces the window's controls with the skin's.
    void Rebuild(LPCWSTR skin)
    {
        QxUI::CUILayoutBuilder builder;
        QxUI::CControlUI* root = builder.Create(skin, nullptr, nullptr, &host.manager);
        ASSERT_NE(nullptr, root);
        host.manager.AttachRootControl(root);
        Repaint();
    }

    // A click on a control, through the window's mouse messages.
    void Click(LPCWSTR name)
    {
        const RECT rc = Find(name)->GetPos();
        Mouse(WM_LBUTTONDOWN, rc.left + 6, rc.top + 6, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, rc.left + 6, rc.top + 6);
    }

    // Deletes a control at once, as a container without deferred deletion.
    void DeleteNow(QxUI::CControlUI* control)
    {
        auto* container = static_cast<QxUI::CContainerUI*>(control->GetParent());
        container->SetDeferredDelete(false);
        ASSERT_TRUE(container->Remove(control));
    }
};

} // namespace editstest
