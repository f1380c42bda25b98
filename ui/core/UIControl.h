#pragma once

#include <windows.h>

#include "core/UIDelegate.h"
#include "core/UIEvents.h"
#include "core/UIManager.h"
#include "core/UIRender.h"
#include "core/UIString.h"

namespace QxUI {

// FindControl flags.
enum UIFindFlags : UINT
{
    UIFIND_ALL = 0x00000000,
    UIFIND_VISIBLE = 0x00000001,
    UIFIND_ENABLED = 0x00000002,
    UIFIND_HITTEST = 0x00000004,
    UIFIND_UPDATETEST = 0x00000008,
    UIFIND_TOP_FIRST = 0x00000010,
    UIFIND_ME_FIRST = 0x80000000,
};

// GetInputFlags bits.
enum UIInputFlags : UINT
{
    UIFLAG_TABSTOP = 0x00000001,
    UIFLAG_SETCURSOR = 0x00000002,
    // Return is the control's own: list rows activate on it. The manager does not read it.
    UIFLAG_WANTRETURN = 0x00000004,
};

// State bits of the controls that draw an image per state: buttons, options, edit boxes, header
// items, combo boxes, list rows and the parts of scroll bars.
enum UIButtonState : UINT
{
    UISTATE_FOCUSED = 0x01,
    UISTATE_DISABLED = 0x04,
    UISTATE_HOT = 0x08,
    UISTATE_PUSHED = 0x10,
    UISTATE_CAPTURED = 0x40,
};

class CControlUI;

// A reference to a control that reads null once the control is destroyed.
class CUIControlRef
{
public:
    CUIControlRef() = default;
    explicit CUIControlRef(CControlUI* control);
    CUIControlRef(const CUIControlRef& other);
    CUIControlRef& operator=(const CUIControlRef& other);
    ~CUIControlRef();

    CControlUI* Get() const;

private:
    friend class CControlUI;
    struct Anchor
    {
        CControlUI* control;
        int refs;
    };
    static void Release(Anchor* anchor);

    Anchor* m_pAnchor = nullptr;
};

// Walks the controls that a list held when the walk began, for code that calls out to handlers
// as it goes: each comes only when the list still holds it at its turn, so that a handler may
// remove, add, move or delete any of them, or empty the list, and the walk neither reads a freed
// array nor skips or repeats a control. Nothing is freed before the walk ends.
class CUIControlWalk
{
public:
    explicit CUIControlWalk(const CUIPtrArray& list) : m_list(list), m_copy(list) {}
    CUIControlWalk(const CUIControlWalk&) = delete;
    CUIControlWalk& operator=(const CUIControlWalk&) = delete;

    // The next control still in the list; null at the end.
    CControlUI* Next();
    // Where the control that Next gave last stands in the list now.
    int Index() const { return m_index; }

private:
    CUIWindowManager::DispatchScope m_scope;
    const CUIPtrArray& m_list;
    const CUIPtrArray m_copy;
    int m_next = 0;
    int m_cursor = 0;     // where the list is expected to go on
    int m_index = -1;
};

// The base of every control, and the skin element "Control".
class CControlUI
{
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual CUIString GetName() const;
    virtual void SetName(LPCWSTR name);
    virtual LPCWSTR GetClass() const;
    virtual LPVOID AsInterface(LPCWSTR name);
    virtual UINT GetInputFlags();
    // Whether the focused control keeps the Tab key instead of the window moving the focus.
    virtual bool WantsTab() const;
    virtual bool Activate();
    virtual CUIWindowManager* GetManager() const;
    virtual void SetManager(CUIWindowManager* manager, CControlUI* parent, bool init = true);
    virtual CControlUI* GetParent() const;

    virtual CUIString GetText() const;
    virtual void SetText(LPCWSTR text);

    virtual const RECT& GetPos() const;
    virtual RECT GetPosInParent() const;
    virtual void SetPos(RECT rc, bool invalidate = true);
    virtual void Move(int dx, int dy, bool invalidate = true);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual int GetX() const;
    virtual int GetY() const;
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT rc);
    virtual POINT GetFixedOrigin() const;
    virtual void SetFixedOrigin(int x, int y);
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const;
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int cy);
    virtual void GetFloatAnchors(double anchors[4]) const;
    virtual void SetFloatAnchors(double left, double top, double right, double bottom);

    virtual CUIString GetToolTip() const;
    virtual void SetToolTip(LPCWSTR text);
    virtual void SetToolTipWidth(int width);
    virtual int GetToolTipWidth() const;
    virtual WCHAR GetShortcut() const;
    virtual void SetShortcut(WCHAR ch);
    virtual bool IsMenuEnabled() const;
    virtual void SetMenuEnabled(bool on);
    virtual CUIString GetUserData() const;
    virtual void SetUserData(LPCWSTR text);
    virtual UINT_PTR GetTag() const;
    virtual void SetTag(UINT_PTR tag);

    virtual bool IsVisible() const;
    virtual void SetVisible(bool visible = true);
    virtual void SetVisibleByParent(bool visible);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool enabled = true);
    virtual bool IsMouseEnabled() const;
    virtual void SetMouseEnabled(bool enabled = true);
    // A mouse event while the mouse input is off: not the control's own, it is passed on.
    bool IsMouseEventPassedOn(const UIEvent& event) const;
    virtual bool IsKeyboardEnabled() const;
    virtual void SetKeyboardEnabled(bool enabled = true);
    virtual bool IsFocused() const;
    virtual void SetFocus();
    virtual bool IsFloat() const;
    virtual void SetFloat(bool on = true);

    virtual CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags);
    // Tree visitor: the control's destroy event runs now, while it and what holds it are
    // whole, and not again from its destructor (the framework's deletions visit a control's
    // whole tree so before deleting it). Counts the controls it announces in the int that data
    // points to, when given.
    static CControlUI* CALLBACK AnnounceDestructionCallback(CControlUI* control, LPVOID data);

    virtual void Init();
    virtual void OnInit();
    virtual void HandleEvent(UIEvent& event);
    virtual void OnEvent(UIEvent& event);
    virtual void SetAttribute(LPCWSTR name, LPCWSTR value);
    virtual SIZE MeasureSize(SIZE available);

    virtual void Paint(HDC hDC, const RECT& rcDirty);
    virtual void PaintBackColor(HDC hDC);
    virtual void PaintBackImage(HDC hDC);
    virtual void PaintStateImage(HDC hDC);
    virtual void PaintText(HDC hDC);
    virtual void PaintBorder(HDC hDC);
    virtual void PaintOverlay(HDC hDC, const RECT& rcPaint);

    bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
    void ApplyAttributeList(LPCWSTR list);
    void Invalidate();
    void RequestLayout();
    void RequestParentLayout();
    CUIString GetVirtualWindowName() const;
    void SetVirtualWindowName(LPCWSTR name);
    DWORD GetHslAdjustedColor(DWORD color) const;
    // A width or height held to the control's minimum, then to its maximum.
    int ClampWidth(int cx) const;
    int ClampHeight(int cy) const;
    bool DrawImage(HDC hDC, CUIImageDesc& desc);
    // Draws the image into rcDest (relative to the control) in place of any "dest" the
    // description gives.
    bool DrawImageInto(HDC hDC, CUIImageDesc& desc, const RECT& rcDest);

    void SetBackColor(DWORD color);
    void SetBackColor2(DWORD color);
    void SetBackColor3(DWORD color);
    void SetBorderColor(DWORD color);
    void SetFocusBorderColor(DWORD color);
    void SetColorHsl(bool on);
    void SetBorderSize(int size);
    void SetBorderSides(int left, int top, int right, int bottom);
    void SetLeftBorderSize(int size);
    void SetTopBorderSize(int size);
    void SetRightBorderSize(int size);
    void SetBottomBorderSize(int size);
    void SetBorderStyle(int style);
    void SetBorderRound(int cx, int cy);
    void SetBackImage(LPCWSTR description);

    CUIEventSource OnInitEvent;
    CUIEventSource OnDestroyEvent;
    CUIEventSource OnSizeEvent;
    CUIEventSource OnEventEvent;
    CUIEventSource OnNotifyEvent;

protected:
    // Takes a new description for the image, which is loaded again when next drawn, and
    // repaints; false, with nothing done, when it is already loaded from that description.
    bool SetImage(CUIImageDesc& desc, LPCWSTR description);
    // A mouse event while the control's mouse input is off goes to the parent (or to the given
    // receiver), or to the handling every control shares without one; true when it was passed
    // on.
    bool PassOnMouseEvent(UIEvent& event);
    bool PassOnMouseEvent(UIEvent& event, CControlUI* receiver);
    // What the control listens to in whatever window it is in: offered to every manager it
    // joins, and dropped with its other registrations when it leaves one. Null withdraws it.
    void OfferMessageFilter(IMessageFilterUI* filter);
    void OfferAcceleratorTranslator(ITranslateAccelerator* translator);

    CUIWindowManager* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    CUIString m_sVirtualWnd;
    CUIString m_sName;
    bool m_bUpdateNeeded = true;
    bool m_bMenuUsed = false;
    RECT m_rcItem = {0, 0, 0, 0};
    RECT m_rcPadding = {0, 0, 0, 0};
    POINT m_ptFixedOrigin = {0, 0};
    SIZE m_cxyFixed = {0, 0};
    SIZE m_cxyMin = {0, 0};
    SIZE m_cxyMax = {9999, 9999};
    bool m_bVisible = true;
    bool m_bInternVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bKeyboardEnabled = true;
    bool m_bFocused = false;
    bool m_bFloat = false;
    double m_floatAnchors[4] = {0.0, 0.0, 0.0, 0.0};
    bool m_bSetPos = false;                 // the size event is running
    CUIString m_sText;
    CUIString m_sToolTip;
    WCHAR m_chShortcut = 0;
    CUIString m_sUserData;
    UINT_PTR m_uTag = 0;
    DWORD m_dwBackColor = 0;
    DWORD m_dwBackColor2 = 0;
    DWORD m_dwBackColor3 = 0;
    CUIImageDesc m_diBk;
    CUIImageDesc m_diFore;
    DWORD m_dwBorderColor = 0;
    DWORD m_dwFocusBorderColor = 0;
    bool m_bColorHSL = false;
    int m_nBorderSize = 0;
    int m_nBorderStyle = PS_SOLID;
    int m_nTooltipWidth = 300;
    SIZE m_cxyBorderRound = {0, 0};
    RECT m_rcPaint = {0, 0, 0, 0};
    RECT m_rcBorderSize = {0, 0, 0, 0};

private:
    friend class CUIWindowManager;
    friend class CUIControlRef;
    friend class CContainerUI;

    // Binds with init of this thread are numbered: a walk binding a container's children
    // passes over one that a handler has bound since the walk began.
    static unsigned long long& BindSerial();
    unsigned long long m_uBound = 0;        // the number of its last bind with init

    IMessageFilterUI* m_pOfferedFilter = nullptr;
    ITranslateAccelerator* m_pOfferedTranslator = nullptr;
    CUIControlRef::Anchor* m_pAnchor = nullptr;   // made by the first reference to the control
    bool m_bDestroying = false;
    bool m_bDeletionQueued = false;         // it waits with a window or the thread to be freed
    // The manager's list of the controls that point at it.
    CControlUI* m_pPrevMember = nullptr;
    CControlUI* m_pNextMember = nullptr;
};

} // namespace QxUI
