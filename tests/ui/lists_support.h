// A real window whose tree the skin builder makes from skin text, for the list, combo box and
// tree view tests.
#pragma once

#include <windows.h>

#include "core/UIBuilder.h"
#include "core/UIControl.h"
#include "core/UIManager.h"

#include <gtest/gtest.h>

#include "controls_support.h"
#include "manager_support.h"

namespace liststest {

inline LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

// Pumps the thread's messages until the condition holds; false when it never does.
template <class Condition>
bool PumpUntil(Condition condition, DWORD limitMs = 5000)
{
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > limitMs)
            return false;
        managertest::Pump();
        ::Sleep(5);
    }
    return true;
}

class SkinWindow
{
public:
    // Builds the skin's tree into a window of the given size and paints it once.
    bool Open(LPCWSTR skin, int width = 200, int height = 200, int x = 10, int y = 10)
    {
        host.manager.AddNotifier(&recorder);
        if (!host.Open(width, height))
            return false;
        ::SetWindowPos(host.GetHandle(), nullptr, x, y, width, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        QxUI::CUILayoutBuilder builder;
        QxUI::CControlUI* root = builder.Create(skin, nullptr, nullptr, &host.manager);
        if (!root)
            return false;
        host.manager.AttachRootControl(root);
        Repaint();
        return true;
    }

    void Repaint()
    {
        ::RedrawWindow(host.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        managertest::Pump();
    }

    template <class T = QxUI::CControlUI>
    T* Find(LPCWSTR name)
    {
        return static_cast<T*>(host.manager.FindControlByName(name));
    }

    void Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        ::SendMessageW(host.GetHandle(), msg, wParam, lParam);
    }
    void Click(int x, int y)
    {
        Send(WM_MOUSEMOVE, 0, At(x, y));
        Send(WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        Send(WM_LBUTTONUP, 0, At(x, y));
    }
    // A wheel notch at a client point: negative delta scrolls down.
    void Wheel(int x, int y, int delta)
    {
        POINT pt = {x, y};
        ::ClientToScreen(host.GetHandle(), &pt);
        Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(pt.x, pt.y));
    }
    // A key delivered to the control that has the focus.
    void Key(WPARAM vk)
    {
        Send(WM_KEYDOWN, vk, 1);
        Send(WM_KEYUP, vk, 0xC0000001);
    }

    controlstest::Recorder recorder;
    managertest::HostWnd host;
};

} // namespace liststest
