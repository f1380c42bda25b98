#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "core/UIEvents.h"
#include "core/UIPtrArray.h"
#include "core/UIRender.h"
#include "core/UIResourceTable.h"
#include "core/UIString.h"
#include "core/UIStringMap.h"
#include "core/UIZip.h"

#include "Win32Handle.h"

namespace QxUI {

class CControlUI;
class CWindowWnd;

// Tree visitor used by CControlUI::FindControl: a non-null answer ends the visit.
typedef CControlUI*(CALLBACK* FINDCONTROLPROC)(CControlUI* control, LPVOID data);

// A skin builder plug-in: makes a control for an element name it knows, else null.
typedef CControlUI* (*ControlFactoryProc)(LPCWSTR className);

// One control timer over a native window timer.
struct TimerInfo
{
    CControlUI* pSender = nullptr;
    UINT nLocalID = 0;        // the control's own id
    HWND hWnd = nullptr;
    UINT uWinTimer = 0;       // native id
    bool bKilled = false;
};

// The per-window engine: control tree, input, painting, focus, timers, notifications and the
// window's resources; its statics hold the process-wide settings of the framework.
class CUIWindowManager
{
public:
    CUIWindowManager();
    ~CUIWindowManager();
    CUIWindowManager(const CUIWindowManager&) = delete;
    CUIWindowManager& operator=(const CUIWindowManager&) = delete;

    // ---- Window, tree and painting --------------------------------------------------------
    void AttachWindow(HWND hWnd);
    // Paints without a window: the manager measures fonts with, and paints its tree into, a
    // memory DC that the caller owns (off-screen rendering and tests).
    void AttachMemoryDC(HDC hDC);
    bool PaintMemoryDC(const RECT& rcClient);
    HWND GetPaintWindow() const { return m_hWndPaint; }
    HDC GetPaintDC() const { return m_hDcPaint; }
    bool AttachRootControl(CControlUI* root);
    bool BindControlTree(CControlUI* control, CControlUI* parent = nullptr);
    // The one way to delete a control from code that a window runs (a notification, event or
    // message handler, a timer): the control leaves the window at once, silently, and is
    // deleted when the window next handles its queued deletions (message 0x8001) from the
    // message loop, not from inside a handler's own message loop. The caller takes it out of
    // its container first, or lets an owning container's Remove do all of it.
    void QueueControlForDeletion(CControlUI* control);
    // Deletes a control that nothing holds any more: at once when no handler is running on
    // this thread, else as a queued deletion (with its window, or as deferred work).
    static void DeleteControl(CControlUI* control);
    // Marks code that may run handlers: every window message, pre-translation, event, event
    // source and notification runs inside one, and so does every walk of the framework that
    // calls out. While one is open, deletions wait; controls deleted meanwhile without a window
    // to queue them with are freed when the outermost scope of the thread that is a message
    // ends (nothing of ours is on the stack then), or, after any other outermost scope, from a
    // message asked for then. A scope may hold a window: an ended window's object hears of the
    // end once no open scope holds the window, nor a child or popup of it.
    class DispatchScope
    {
    public:
        DispatchScope();
        // Code using the window (or the manager's window) that is no message of it.
        explicit DispatchScope(HWND window);
        explicit DispatchScope(const CUIWindowManager& manager);
        // A window message, or a queued message being pre-translated.
        DispatchScope(HWND window, UINT msg);
        ~DispatchScope();
        DispatchScope(const DispatchScope&) = delete;
        DispatchScope& operator=(const DispatchScope&) = delete;

    private:
        friend class CUIWindowManager;
        HWND m_hWnd = nullptr;
        UINT m_uMsg = 0;
        bool m_bMessage = false;
        DispatchScope* m_pOuter;
    };
    static bool IsDispatching();
    // The window has ended (WM_NCDESTROY): its object hears OnWindowDestroyed once no open
    // scope holds any of its windows, once for all that ended meanwhile, and only when it has no
    // window left; an object deleted before that is forgotten.
    static void WindowEnded(CWindowWnd* window, HWND hWnd);
    static void ForgetWindowEnding(CWindowWnd* window);
    CControlUI* GetRootControl() const { return m_pRoot; }
    CControlUI* FindControlAt(POINT pt) const;
    void RequestLayout() { m_bUpdateNeeded = true; }
    void Invalidate(const RECT& rc);
    CUIPtrArray* GetUpdateList() { return &m_aNeedUpdate; }
    POINT GetMousePoint() const { return m_ptLastMousePos; }
    void CaptureMouse();
    void ReleaseMouseCapture();
    bool IsMouseCaptured() const { return m_bMouseCapture; }
    bool AddPostPaintControl(CControlUI* control);
    bool RemovePostPaintControl(CControlUI* control);

    void SetInitialSize(int cx, int cy);
    SIZE GetInitialSize() const { return m_szInitWindowSize; }
    void SetMinTrackSize(int cx, int cy);
    SIZE GetMinTrackSize() const { return m_szMinWindow; }
    void SetMaxTrackSize(int cx, int cy);
    SIZE GetMaxTrackSize() const { return m_szMaxWindow; }
    void SetResizeBorder(const RECT& rc) { m_rcSizeBox = rc; }
    RECT GetResizeBorder() const { return m_rcSizeBox; }
    void SetCaptionArea(const RECT& rc) { m_rcCaption = rc; }
    RECT GetCaptionArea() const { return m_rcCaption; }
    void SetRoundCorner(int cx, int cy);
    SIZE GetRoundCorner() const { return m_szRoundCorner; }
    void SetShowDirtyRects(bool on) { m_bShowUpdateRect = on; }
    void SetTransparentBackground(bool on) { m_bTransparentBackground = on; }
    void SetWindowAlpha(int alpha);
    int GetWindowAlpha() const { return m_nOpacity; }

    bool HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static CControlUI* CALLBACK HitTestCallback(CControlUI* control, LPVOID data);
    static CControlUI* CALLBACK CollectUpdateCallback(CControlUI* control, LPVOID data);

    // ---- Focus, timers, notifications and filters -----------------------------------------
    // A listener registered with an owning control goes with every other registration of the
    // control when the control leaves this window.
    bool AddNotifier(INotifyUI* notifier, CControlUI* owner = nullptr);
    bool RemoveNotifier(INotifyUI* notifier);
    bool AddPreMessageFilter(IMessageFilterUI* filter, CControlUI* owner = nullptr);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    bool AddMessageFilter(IMessageFilterUI* filter, CControlUI* owner = nullptr);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    bool AddAcceleratorTranslator(ITranslateAccelerator* translator, CControlUI* owner = nullptr);
    bool RemoveAcceleratorTranslator(ITranslateAccelerator* translator);
    bool RunAcceleratorTranslators(MSG* msg);

    void RaiseNotify(CControlUI* sender, LPCWSTR type, WPARAM wParam = 0, LPARAM lParam = 0,
                     bool async = false);
    void DispatchNotify(UINotification& msg, bool async = false);
    void SetUseVirtualWindowNames(bool on) { m_bUsedVirtualWnd = on; }

    CControlUI* GetFocusedControl() const { return m_pFocus; }
    void SetFocusControl(CControlUI* control);
    void ScheduleFocus(CControlUI* control);
    bool FocusNextTabStop(bool forward);
    static CControlUI* CALLBACK TabStopCallback(CControlUI* control, LPVOID data);

    bool StartTimer(CControlUI* control, UINT id, UINT intervalMs);
    bool StopTimer(CControlUI* control, UINT id);
    void StopAllTimersOf(CControlUI* control);
    void ClearTimers();

    bool PreTranslate(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    static bool PreTranslateForAll(MSG* msg);
    static void RunMessageLoop();
    static CControlUI* CALLBACK ShortcutCallback(CControlUI* control, LPVOID data);

    // Registers a control of this window under its name; one of another window is not taken.
    static CControlUI* CALLBACK RegisterNameCallback(CControlUI* control, LPVOID data);
    // The control of this window by that name, or one lent to a window that borrows this one's
    // resources (a combo box's drop-down); null when none.
    CControlUI* FindControlByName(LPCWSTR name) const;
    // The control left this window or is being destroyed: everything of it the window holds
    // goes, as bookkeeping that runs no handler (focus, capture, hover, key press, timers, its
    // name, its option groups, its overlay painting and the listeners it owns). A focused
    // control that lives on hears "killfocus" when this window handles its next message.
    void ForgetControl(CControlUI* control);

    bool AddToOptionGroup(LPCWSTR group, CControlUI* control);
    CUIPtrArray* GetOptionGroup(LPCWSTR group);
    void RemoveFromOptionGroup(LPCWSTR group, CControlUI* control);
    void RemoveAllOptionGroups();

    // ---- Resources ------------------------------------------------------------------------
    // A popup that shows another window's controls (a combo box's drop-down) looks up fonts,
    // images, default attributes and colours in that window's manager, so that what it loads
    // lives as long as the controls.
    // Option groups are the parent's too, and the parent finds the controls of this window by
    // name, while the link holds.
    void SetResourceParent(CUIWindowManager* parent);
    CUIWindowManager* GetResourceParent() const { return m_pResourceParent; }
    HFONT AddFont(int id, LPCWSTR face, int size, bool bold, bool underline, bool italic,
                  bool shared = false);
    HFONT GetFontHandle(int id);
    CUIFontInfo* GetFontEntry(int id);
    CUIFontInfo* GetFontEntryByHandle(HFONT hFont);
    HFONT FindFontByStyle(LPCWSTR face, int size, bool bold, bool underline, bool italic) const;
    CUIFontInfo* GetDefaultFontEntry();
    void SetDefaultFont(LPCWSTR face, int size, bool bold, bool underline, bool italic,
                        bool shared = false);
    void RemoveAllFonts(bool shared = false);

    CUIImageInfo* AddImage(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0,
                           bool keepCopy = false, bool shared = false);
    CUIImageInfo* GetImage(LPCWSTR name) const;
    CUIImageInfo* GetImageOrLoad(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0,
                                 bool keepCopy = false);
    void RemoveAllImages(bool shared = false);

    void AddDefaultAttributes(LPCWSTR className, LPCWSTR text, bool shared = false);
    LPCWSTR GetDefaultAttributes(LPCWSTR className) const;
    void RemoveAllDefaultAttributes(bool shared = false);

    DWORD GetDisabledTextColor() const
    {
        return m_pResourceParent ? m_pResourceParent->GetDisabledTextColor() : m_Resources.dwDisabledColor;
    }
    DWORD GetDefaultTextColor() const
    {
        return m_pResourceParent ? m_pResourceParent->GetDefaultTextColor() : m_Resources.dwDefaultFontColor;
    }
    DWORD GetLinkTextColor() const
    {
        return m_pResourceParent ? m_pResourceParent->GetLinkTextColor() : m_Resources.dwDefaultLinkFontColor;
    }
    DWORD GetLinkHoverTextColor() const
    {
        return m_pResourceParent ? m_pResourceParent->GetLinkHoverTextColor() : m_Resources.dwDefaultLinkHoverFontColor;
    }
    DWORD GetSelectedColor() const
    {
        return m_pResourceParent ? m_pResourceParent->GetSelectedColor() : m_Resources.dwDefaultSelectedBkColor;
    }
    void SetDisabledTextColor(DWORD color, bool shared = false);
    void SetDefaultTextColor(DWORD color, bool shared = false);
    void SetLinkTextColor(DWORD color, bool shared = false);
    void SetLinkHoverTextColor(DWORD color, bool shared = false);
    void SetSelectedColor(DWORD color, bool shared = false);

    static void AddLanguageText(int id, LPCWSTR text);
    static LPCWSTR GetLanguageText(int id);
    static void ExpandLanguageRefs(CUIString& text);

    // ---- Process-wide settings ------------------------------------------------------------
    static void SetModuleInstance(HINSTANCE instance) { s_hInstance = instance; }
    static HINSTANCE GetModuleInstance() { return s_hInstance; }
    static HINSTANCE GetResourceInstance() { return s_hInstance; }
    static CUIString GetModuleFolder();
    static void SetResourceFolder(LPCWSTR folder);
    static const CUIString& GetResourceFolder() { return s_strResourcePath; }
    static void SetResourceZipFile(LPCWSTR name, bool cached = true);
    static void SetResourceZipMemory(LPVOID data, DWORD size);
    static const CUIString& GetResourceZipName() { return s_strResourceZip; }
    static HZIPARCHIVE GetResourceZipHandle() { return s_hResourceZip; }
    static bool IsResourceZipCached() { return s_bCachedResourceZip; }
    static CUIPtrArray* GetControlFactories() { return &s_aControlFactories; }
    static bool GetHsl(short& h, short& s, short& l);

private:
    CUIResourceTable& TableFor(bool shared);
    void MeasureFont(CUIFontInfo& font);
    void SetColor(DWORD CUIResourceTable::*field, DWORD color, bool shared);
    // The table lets go of its records; users elsewhere keep theirs.
    static void ReleaseFonts(CUIResourceTable& table);
    static void ReleaseImages(CUIResourceTable& table);
    static void FreeAttributes(CUIResourceTable& table);
    static void SetUpProcess();

    friend class CControlUI;
    // A control that points at this manager (CControlUI::SetManager): it is registered under its
    // name and given the listeners it offers; a manager destroyed first clears its pointer.
    void Enlist(CControlUI* control);
    void Rename(CControlUI* control, const CUIString& oldName);
    void ForgetName(CControlUI* control);
    CUIWindowManager& OptionGroupOwner();
    struct QueuedNotify;
    void Queue(QueuedNotify* entry);
    void FreeQueuedNotifications();
    // A control queued for deletion, and what it holds, hears of no lost focus.
    void DropFocusLost(CControlUI* subtree);

    struct Listener
    {
        void* iface;
        CControlUI* owner;
    };
    typedef std::vector<Listener> ListenerList;
    bool AddListener(ListenerList& list, void* iface, CControlUI* owner);
    static bool RemoveListener(ListenerList& list, void* iface);
    static bool IsListening(const ListenerList& list, void* iface);

    // Message handling helpers (UIManagerMessages.cpp, UIManagerFocus.cpp).
    static WORD GetModifierKeyState();
    void KillFocus(CControlUI* next);
    // Records the control a button goes down on, gives it the focus and captures the mouse;
    // false when a "killfocus" or "setfocus" handler took it out of this window meanwhile.
    bool PressControl(CControlUI* control);
    // A left or right button down, or a double click, for the control under the mouse.
    void OnButtonDownMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Offers the message to each filter still registered; true, with its answer in result,
    // when one handled it.
    static bool OfferToFilters(const ListenerList& registered, UINT msg, WPARAM wParam,
                               LPARAM lParam, LRESULT& result);
    void DeliverQueuedNotifications();
    void DeliverNotify(UINotification& msg);
    void OnPaintMessage();
    void LayOutForPaint();
    void ReleaseBackBuffers();
    void OnMouseMoveMessage(LPARAM lParam);
    bool OnMouseHoverMessage(LPARAM lParam);
    void OnPrintClientMessage(HDC hDC, LPARAM lParam);
    void DeleteQueuedControls();
    // Only this message of this window is being handled: nothing else of ours is on the stack.
    static bool HandlesOnly(HWND window, UINT msg);
    // `ending`: the window whose last message (WM_NCDESTROY) this was.
    static void EndDispatch(bool message, HWND ending);
    // The controls queued with windows of this thread that ended before their deletion message
    // came join the deferred work.
    static void TakeQueuesOfEndedWindows(HWND ending);
    // Runs the deferred work, what it defers in turn included.
    static void RunDeferredWork();
    static bool HasDeferredWork();
    // Makes sure a message comes to run the deferred work, posted to a message-only window of
    // this thread: any message loop dispatches it.
    static void AskForDeferredWork();
    // Whether an open scope holds the window, or a child or popup of it.
    static bool IsWindowInUse(HWND window);
    // Whether an open scope holds any window of the object that has ended, untold.
    static bool IsObjectInUse(const CWindowWnd* object);
    // The objects of ended windows that no scope holds any more hear of the end.
    static void TellEndedWindows();
    static constexpr UINT kDeleteQueuedControls = WM_APP + 1;

    HWND m_hWndPaint = nullptr;
    DWORD m_dwThreadId = 0;                   // of the window, once attached
    int m_nOpacity = 255;
    HDC m_hDcPaint = nullptr;                 // the window's DC below, or the caller's memory DC
    bool m_bPaintDcIsMemory = false;          // the caller's memory DC: not released by us
    win32::WindowDC m_windowDC;               // lent by GetDC for the paint window
    // The back buffers; the bitmaps are declared first so that their DCs go before them.
    win32::UniqueBitmap m_hbmpOffscreen;
    win32::UniqueBitmap m_hbmpBackground;   // stays selected into its DC
    win32::UniqueMemoryDC m_hDcOffscreen;
    win32::UniqueMemoryDC m_hDcBackground;
    HWND m_hwndTooltip = nullptr;
    TTTOOLINFOW m_ToolTip = {};
    bool m_bShowUpdateRect = false;
    CControlUI* m_pRoot = nullptr;
    CControlUI* m_pFocus = nullptr;
    CControlUI* m_pEventHover = nullptr;
    CControlUI* m_pEventClick = nullptr;
    CControlUI* m_pEventKey = nullptr;
    POINT m_ptLastMousePos = {-1, -1};
    SIZE m_szMinWindow = {0, 0};
    SIZE m_szMaxWindow = {0, 0};
    SIZE m_szInitWindowSize = {0, 0};
    RECT m_rcSizeBox = {0, 0, 0, 0};
    SIZE m_szRoundCorner = {0, 0};
    RECT m_rcCaption = {0, 0, 0, 0};
    UINT m_uTimerID = 0x1000;
    bool m_bFirstLayout = true;
    bool m_bUpdateNeeded = false;
    bool m_bFocusNeeded = false;
    bool m_bTransparentBackground = false;
    bool m_bMouseTracking = false;
    bool m_bMouseCapture = false;
    bool m_bUsedVirtualWnd = false;
    int m_nMessageDepth = 0;                  // messages of this window being handled
    bool m_bDeletionPending = false;          // queued deletions wait for the outermost message
    bool m_bDeliveryPending = false;          // so do queued notifications met in a nested one
    ListenerList m_aNotifiers;
    CUIPtrArray m_aTimers;
    ListenerList m_aPreMessageFilters;
    ListenerList m_aMessageFilters;
    CUIPtrArray m_aPostPaintControls;
    CUIPtrArray m_aDelayedCleanup;
    CUIPtrArray m_aAsyncNotify;               // QueuedNotify records, oldest first
    CUIPtrArray m_aNeedUpdate;
    CUIStringMap m_mNameHash{CUIResourceTable::kBuckets};
    CUIStringMap m_mOptionGroup{CUIResourceTable::kBuckets};
    CUIResourceTable m_Resources;
    ListenerList m_aTranslateAccelerator;
    CUIWindowManager* m_pResourceParent = nullptr;
    CUIPtrArray m_aBorrowers;                 // managers whose resource parent this is
    CControlUI* m_pMembers = nullptr;         // the controls pointing here, linked through them

    static HINSTANCE s_hInstance;
    static CUIString s_strResourcePath;
    static CUIString s_strResourceZip;
    static bool s_bCachedResourceZip;
    static HZIPARCHIVE s_hResourceZip;
    static CUIResourceTable s_SharedResources;
    static CUIPtrArray s_aManagers;
    static CUIPtrArray s_aControlFactories;
    static HPEN s_hUpdateRectPen;
    static short s_H;
    static short s_S;
    static short s_L;
    static bool s_bUseHSL;
};

} // namespace QxUI
