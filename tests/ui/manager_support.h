// Windows for the window manager tests: a host window whose manager sees every message, as a
// skinned window's does, a message pump that empties the thread's queue, and a window built from
// skin text for the control tests.
#pragma once

#include <windows.h>

#include <vector>

#include "core/UIManager.h"
#include "core/UIWindow.h"
#include "skin/UIBuilder.h"

#include "controls_support.h"

#include "TestSupport.h"

namespace managertest {

// Runs the queued messages of this thread, WM_QUIT excepted, through the framework's
// pre-translation as the message loops do.
inline void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT)
            return;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
        if (!QxUI::CUIWindowManager::PreTranslateForAll(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// Runs the thread's messages until the condition holds; false when it still did not within
// the tests' wait limit.
template <class Condition>
bool PumpUntil(Condition condition)
{
    return qixtest::WaitUntil(condition, Pump);
}

inline HINSTANCE Module()
{
    if (!QxUI::CUIWindowManager::GetModuleInstance())
        QxUI::CUIWindowManager::SetModuleInstance(::GetModuleHandleW(nullptr));
    return QxUI::CUIWindowManager::GetModuleInstance();
}

// A popup window that hands every message to its manager first.
class HostWnd : public QxUI::CWindowWnd
{
public:
    LPCWSTR GetRegisteredClassName() const override { return L"QxManagerTestHost"; }
    UINT GetRegisteredClassStyle() const override { return CS_DBLCLKS; }

    // Shown without activation: under Wine an activated window becomes a managed one, and
    // ending a managed window waits for a window manager that Xvfb does not have.
    HWND Open(int width = 200, int height = 120, HWND owner = nullptr, bool visible = true)
    {
        Module();
        Create(owner, L"host", WS_POPUP, 0, 10, 10, width, height);
        if (GetHandle() && visible)
            ::ShowWindow(GetHandle(), SW_SHOWNOACTIVATE);
        return GetHandle();
    }

    HWND OpenAsChild(HWND parent)
    {
        Module();
        return Create(parent, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 50, 50);
    }

    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_CREATE)
            manager.AttachWindow(m_hWnd);
        LRESULT result = 0;
        lastHandled = manager.HandleWindowMessage(msg, wParam, lParam, result);
        if (lastHandled)
            return result;
        return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
    }

    void OnWindowDestroyed(HWND) override { destroyed = true; }

    ~HostWnd() override
    {
        if (GetHandle())
            ::DestroyWindow(GetHandle());
    }

    QxUI::CUIWindowManager manager;
    bool lastHandled = false;
    bool destroyed = false;
};

} // namespace managertest

namespace skintest {

using managertest::PumpUntil;

// A window whose tree the skin builder makes, its notifications recorded and its input sent
// through its manager.
class SkinWindow
{
public:
    // Builds the skin into a window of the given size at (10, y) and paints it once.
    bool Open(LPCWSTR skin, int width = 200, int height = 120, int y = 10)
    {
        host.manager.AddNotifier(&recorder);
        if (!host.Open(width, height))
            return false;
        ::SetWindowPos(host.GetHandle(), nullptr, 10, y, width, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        return Rebuild(skin);
    }

    // Builds the skin into the window as its new tree (the old one is deleted later) and
    // paints it.
    bool Rebuild(LPCWSTR skin)
    {
        QxUI::CUILayoutBuilder builder;
        QxUI::CControlUI* root = builder.Create(skin, nullptr, nullptr, &host.manager);
        if (!root)
            return false;
        host.manager.AttachRootControl(root);
        Repaint();
        return true;
    }

    // A window's activation reaches it late under Wine; a drop-down opened before would lose
    // the focus to it and close. Waits until the window is the active one.
    bool Activate()
    {
        ::SetForegroundWindow(host.GetHandle());
        return PumpUntil([&] { return ::GetForegroundWindow() == host.GetHandle() &&
                                      ::GetFocus() == host.GetHandle(); });
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
    void Mouse(UINT msg, int x, int y, WPARAM keys = 0) { Send(msg, keys, MAKELPARAM(x, y)); }
    void Click(int x, int y)
    {
        Mouse(WM_MOUSEMOVE, x, y);
        Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, x, y);
    }
    // A wheel notch at a client point: negative delta scrolls down.
    void Wheel(int x, int y, int delta)
    {
        POINT pt = {x, y};
        ::ClientToScreen(host.GetHandle(), &pt);
        Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(pt.x, pt.y));
        managertest::Pump();
    }
    // A key delivered to the control that has the focus.
    void Key(WPARAM vk)
    {
        Send(WM_KEYDOWN, vk, 1);
        Send(WM_KEYUP, vk, 0xC0000001);
    }
    // What a user does next: the mouse down a column of the window, Down and Enter, a repaint.
    void CarryOn(int x, int top, int bottom, int step)
    {
        for (int y = top; y < bottom; y += step)
            Mouse(WM_MOUSEMOVE, x, y);
        Key(VK_DOWN);
        Key(VK_RETURN);
        Repaint();
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

} // namespace skintest
