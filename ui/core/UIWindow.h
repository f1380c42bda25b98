// The native window base (CWindowWnd) and the notify pump that routes notifications to member
// handlers through static per-class notify maps.
#pragma once

#include <windows.h>

#include "core/UIEvents.h"
#include "core/UIString.h"

namespace QxUI {

// One native top-level or popup window; the object must outlive its window.
class CWindowWnd
{
public:
    CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    // Every window class supplies its class name.
    virtual LPCWSTR GetRegisteredClassName() const = 0;
    // Non-null: the class is a superclass of that existing class.
    virtual LPCWSTR GetBaseClassName() const { return nullptr; }
    virtual UINT GetRegisteredClassStyle() const { return 0; }
    virtual LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The last call from the window: after WM_NCDESTROY, once no code of ours uses any window
    // of the object (their messages, those of their children and popups, its manager's
    // notifications), and only when the object has no window left. The object may delete
    // itself here.
    virtual void OnWindowDestroyed(HWND hWnd) { (void)hWnd; }
    virtual ~CWindowWnd();

    HWND GetHandle() const { return m_hWnd; }
    HWND Create(HWND parent, LPCWSTR title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                HMENU menu = nullptr);
    HWND CreateInRect(HWND parent, LPCWSTR title, DWORD style, DWORD exStyle, const RECT& rc,
                      HMENU menu = nullptr);
    LRESULT SendMsg(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    bool PostMsg(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Posts WM_CLOSE; the code becomes RunModal's result.
    void Close(UINT code = 0);
    void Show(bool show = true, bool takeFocus = true);
    UINT RunModal();
    void CenterOnOwner();
    // The icons loaded here belong to the window and go when it is destroyed or they are replaced.
    void SetWindowIcon(UINT resourceId);

protected:
    bool RegisterOwnClass();
    bool RegisterAsSuperclass();
    static LRESULT CALLBACK OwnClassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SuperclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_OldWndProc = ::DefWindowProcW;

private:
    // Both procedures reach the object alike: an own class keeps it in the window's user data,
    // a superclassed window (whose user data belongs to the base class) in a window property.
    static LRESULT RouteMessage(bool inProperty, HWND hWnd, UINT msg, WPARAM wParam,
                                LPARAM lParam);
    void ReleaseIcons();

    HICON m_hBigIcon = nullptr;     // loaded by SetWindowIcon
    HICON m_hSmallIcon = nullptr;
};

class CNotifyPump;

// A member function of a class that owns a notify map, stored in one shape; NotifyMapEntry's
// kind tells which signature it really has.
typedef void (CNotifyPump::*NotifyHandlerFn)();
typedef void (CNotifyPump::*NotifyParamsHandler)(WPARAM wParam, LPARAM lParam);
typedef void (CNotifyPump::*NotifyMessageHandler)(UINotification& msg);

enum NotifySignature : UINT
{
    NotifySigEnd = 0,
    NotifySigParams = 1,    // handler(wParam, lParam)
    NotifySigMessage = 2,   // handler(notification)
};

struct NotifyMapEntry
{
    CUIString sType;
    CUIString sControlName;     // "" matches any sender
    UINT nSignature;
    NotifyHandlerFn pfnHandler;
};

struct NotifyMap
{
    const NotifyMap* (*pfnGetBaseMap)();   // null at the root of the chain
    const NotifyMapEntry* pEntries;
};

// Turns a notification into a call of a member handler found in the notify maps of the most
// derived class and then of its bases.
class CNotifyPump
{
public:
    virtual const NotifyMap* GetNotifyMap() const;
    static const NotifyMap* GetClassNotifyMap();

    static const NotifyMapEntry* FindNotifyEntry(const NotifyMapEntry* entries,
                                                 const UINotification& msg);
    bool DispatchFromMaps(UINotification& msg);
    bool RouteNotify(UINotification& msg) { return DispatchFromMaps(msg); }

protected:
    CNotifyPump() = default;
    ~CNotifyPump() = default;

private:
    static const NotifyMapEntry s_aNotifyEntries[];
};

} // namespace QxUI

// Notify maps. First in the class (it leaves the access private):
//                                 QXUI_DECLARE_NOTIFY_MAP(CMyWnd)
// In its source file:             QXUI_BEGIN_NOTIFY_MAP(CMyWnd, WindowImplBase)
//                                     QXUI_ON_NOTIFY(L"click", L"okbtn", OnOk)
//                                     QXUI_ON_NOTIFY_PARAMS(L"timer", L"", OnTimerParams)
//                                 QXUI_END_NOTIFY_MAP()
#define QXUI_DECLARE_NOTIFY_MAP(theClass)                                                       \
public:                                                                                         \
    typedef theClass ThisNotifyClass;                                                           \
    static const QxUI::NotifyMap* GetClassNotifyMap();                                          \
    const QxUI::NotifyMap* GetNotifyMap() const override;                                       \
                                                                                                \
private:                                                                                        \
    static const QxUI::NotifyMapEntry s_aNotifyEntries[];

#define QXUI_BEGIN_NOTIFY_MAP(theClass, baseClass)                                              \
    const QxUI::NotifyMap* theClass::GetClassNotifyMap()                                        \
    {                                                                                           \
        static const QxUI::NotifyMap map = {&baseClass::GetClassNotifyMap,                      \
                                            &theClass::s_aNotifyEntries[0]};                    \
        return &map;                                                                            \
    }                                                                                           \
    const QxUI::NotifyMap* theClass::GetNotifyMap() const { return GetClassNotifyMap(); }       \
    const QxUI::NotifyMapEntry theClass::s_aNotifyEntries[] = {

#define QXUI_ON_NOTIFY(type, controlName, handler)                                             \
    {type, controlName, QxUI::NotifySigMessage,                                                 \
     reinterpret_cast<QxUI::NotifyHandlerFn>(                                                   \
         static_cast<QxUI::NotifyMessageHandler>(&ThisNotifyClass::handler))},

#define QXUI_ON_NOTIFY_PARAMS(type, controlName, handler)                                      \
    {type, controlName, QxUI::NotifySigParams,                                                  \
     reinterpret_cast<QxUI::NotifyHandlerFn>(                                                   \
         static_cast<QxUI::NotifyParamsHandler>(&ThisNotifyClass::handler))},

#define QXUI_END_NOTIFY_MAP()                                                                   \
    {L"", L"", QxUI::NotifySigEnd, nullptr}                                                     \
    }                                                                                           \
    ;
