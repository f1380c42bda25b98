// Windows for the window manager tests: a host window whose manager sees every message, as a
// skinned window's does, and a message pump that empties the thread's queue.
#pragma once

#include <windows.h>

#include <vector>

#include "core/UIManager.h"
#include "core/UIWindow.h"

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

// Runs the thread's messages until the condition holds; false when it still did not after
// limitMs.
template <class Condition>
bool PumpUntil(Condition condition, DWORD limitMs = 10000)
{
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > limitMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    return true;
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
