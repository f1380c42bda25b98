// Driving the updater's skinned windows with real messages: keys and clicks go through the
// modal loop (so through the window's message filter), from a thread timer once the window
// has been shown and laid out.
#pragma once

#include <windows.h>

#include "core/UIControl.h"
#include "core/UIManager.h"

#include "ConfigParser.h"

#include <functional>
#include <map>

namespace apptest {

inline void UseOwnModule()
{
    if (!QxUI::CUIWindowManager::GetModuleInstance())
        QxUI::CUIWindowManager::SetModuleInstance(::GetModuleHandleW(nullptr));
}

// The interface language for one test; the process-wide configuration is put back afterwards.
class Language
{
public:
    explicit Language(bool chinese) : saved_(ConfigParser::Instance().chineseUi)
    {
        ConfigParser::Instance().chineseUi = chinese;
    }
    ~Language() { ConfigParser::Instance().chineseUi = saved_; }

private:
    bool saved_;
};

// Runs `action` once, from the thread's message loop, `delayMs` after it starts turning.
class DelayedAction
{
public:
    DelayedAction(UINT delayMs, std::function<void()> action)
    {
        timer_ = ::SetTimer(nullptr, 0, delayMs, &DelayedAction::Fire);
        if (timer_)
            Pending()[timer_] = std::move(action);
    }
    ~DelayedAction()
    {
        if (!timer_)
            return;
        ::KillTimer(nullptr, timer_);
        Pending().erase(timer_);
    }
    DelayedAction(const DelayedAction&) = delete;
    DelayedAction& operator=(const DelayedAction&) = delete;

private:
    static std::map<UINT_PTR, std::function<void()>>& Pending()
    {
        static std::map<UINT_PTR, std::function<void()>> actions;
        return actions;
    }
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD)
    {
        ::KillTimer(nullptr, id);
        auto found = Pending().find(id);
        if (found == Pending().end())
            return;
        std::function<void()> action = std::move(found->second);
        Pending().erase(found);
        if (action)
            action();
    }
    UINT_PTR timer_ = 0;
};

inline void PostKey(HWND hWnd, WPARAM key)
{
    ::PostMessageW(hWnd, WM_KEYDOWN, key, 1);
}

// A left click in the middle of the control, as the mouse would give it.
inline void PostClick(HWND hWnd, QxUI::CControlUI* control)
{
    const RECT& rc = control->GetPos();
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::PostMessageW(hWnd, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(hWnd, WM_LBUTTONUP, 0, at);
}

// The text of a window's title bar.
inline std::wstring TitleOf(HWND hWnd)
{
    wchar_t title[128] = {};
    ::GetWindowTextW(hWnd, title, 128);
    return title;
}

} // namespace apptest
