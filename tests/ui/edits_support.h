// A real window built from skin text, for the edit, date/time and rich edit tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/UIBuilder.h"
#include "core/UIContainer.h"
#include "core/UIManager.h"

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

// Lays the skin's controls out in a 300 x 200 window whose manager reports to `recorder`.
class SkinWindow : public ::testing::Test
{
protected:
    void Open(LPCWSTR skin)
    {
        ASSERT_TRUE(host.Open(300, 200));
        host.manager.AddNotifier(&recorder);
        Rebuild(skin);
    }

    // Replaces the window's controls with the skin's.
    void Rebuild(LPCWSTR skin)
    {
        QxUI::CUILayoutBuilder builder;
        root = builder.Create(skin, nullptr, nullptr, &host.manager);
        ASSERT_NE(nullptr, root);
        host.manager.AttachRootControl(root);
        Paint();
    }

    void Paint()
    {
        ::RedrawWindow(host.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        managertest::Pump();
    }

    template <class T>
    T* Find(LPCWSTR name)
    {
        return static_cast<T*>(host.manager.FindControlByName(name));
    }

    // A click on a control, through the window's mouse messages.
    void Click(LPCWSTR name)
    {
        const RECT rc = Find<QxUI::CControlUI>(name)->GetPos();
        const LPARAM at = MAKELPARAM(rc.left + 6, rc.top + 6);
        ::SendMessageW(host.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(host.GetHandle(), WM_LBUTTONUP, 0, at);
    }

    // Deletes a control of the root layout at once, as a container without deferred deletion.
    void DeleteNow(QxUI::CControlUI* control)
    {
        auto* container = static_cast<QxUI::CContainerUI*>(root->AsInterface(L"Container"));
        container->SetDeferredDelete(false);
        ASSERT_TRUE(container->Remove(control));
    }

    controlstest::Recorder recorder;
    managertest::HostWnd host;
    QxUI::CControlUI* root = nullptr;
};

} // namespace editstest
