// The ActiveX host control: creates a COM control from a class id (through a named module or
// through COM), acts as its container and site, and either gives it a child window of its own
// (windowed controls) or draws it and routes input to it through a message filter (windowless).
#pragma once

#include <windows.h>
#include <ole2.h>

#include "core/UIControl.h"
#include "core/UIEvents.h"
#include "core/UIString.h"

#include "Win32Handle.h"

namespace QxUI {

class CActiveXCtrl;

class CActiveXUI : public CControlUI, public IMessageFilterUI
{
    friend class CActiveXCtrl;
    friend class CActiveXWnd;
    friend class CActiveXFrameWnd;

public:
    CActiveXUI();
    ~CActiveXUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetManager(CUIWindowManager* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Move(int dx, int dy, bool invalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetVisibleByParent(bool visible) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void Paint(HDC hDC, const RECT& rcDirty) override;

    // Lets go of the hosted control, its site and host window; safe to call at any time.
    virtual void ReleaseHostedControl();
    // Creates, sites and activates the control; false leaves no control.
    virtual bool CreateHostedControl();

    LRESULT PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

    // "{...}" is a class id, any other text a programmatic id.
    bool SetClassIdText(LPCWSTR text);
    bool SetClassId(REFCLSID clsid);
    CLSID GetClassId() const { return m_clsid; }
    CUIString GetModuleName() const { return m_sModuleName; }
    void SetModuleName(LPCWSTR name);
    bool IsLazyCreate() const { return m_bLazyCreate; }
    void SetLazyCreate(bool lazy);
    bool IsCreated() const { return m_bCreated; }
    HRESULT QueryHostedControl(REFIID iid, LPVOID* ppv);
    // The control's child window (windowed) or the manager's window (windowless); null
    // until the control is active in place.
    HWND GetHostWindow() const { return m_hwndHost; }

protected:
    // Runs a verb of the hosted control against the host window and this control's area.
    HRESULT DoVerb(LONG verb);
    bool IsWindowless() const;
    void SetObjectRects();
    // A windowed control's own child window follows this control's place and visibility.
    bool HasHostChildWindow() const;
    void PlaceHostWindow();
    void ShowHostWindow();
    HWND GetManagerWindow() const;

    CLSID m_clsid = {};
    CUIString m_sModuleName;
    bool m_bCreated = false;
    bool m_bLazyCreate = true;
    win32::ComPtr<IOleObject> m_pOleObject;   // the hosted control
    win32::ComPtr<CActiveXCtrl> m_pSite;   // its site
    HWND m_hwndHost = nullptr;
    HWND m_hwndCreatedIn = nullptr;   // the manager's window when the control was made
};

} // namespace QxUI
