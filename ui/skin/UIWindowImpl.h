// WindowImplBase: the frameless skinned window. It builds its control tree from a skin when the
// window is created, makes the whole window client area with the skin's resize borders, caption
// band and rounded corners, maps the standard caption buttons by name and closes on Escape.
#pragma once

#include <windows.h>

#include "core/UIEvents.h"
#include "core/UIManager.h"
#include "core/UIString.h"
#include "core/UIWindow.h"
#include "skin/UIBuilder.h"

namespace QxUI {

// Where a window's skin XML and images come from.
enum UISkinSource : int
{
    SkinFromFiles = 1,         // files under the resource folder
    SkinFromZipFile = 2,       // GetSkinZipName in the resource folder, kept open
    SkinFromXmlResource = 3,   // resource of type "xml", id GetSkinXmlName as a decimal
    SkinFromZipResource = 4,   // "ZIPRES" resource GetSkinResourceId, read from memory
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback
{
    QXUI_DECLARE_NOTIFY_MAP(WindowImplBase)

public:
    WindowImplBase();
    ~WindowImplBase() override;

    UINT GetRegisteredClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnWindowDestroyed(HWND hWnd) override;

    // Called once the control tree is attached: look controls up by name here.
    virtual void OnSkinLoaded() {}
    virtual void OnClickNotify(UINotification& msg);
    // Folder of the skin files, relative to the module folder.
    virtual CUIString GetSkinDirectory() = 0;
    // The layout file, or for SkinFromXmlResource the resource id as a decimal.
    virtual CUIString GetSkinXmlName() = 0;
    virtual LRESULT OnDefaultKey(WPARAM key);
    virtual UISkinSource GetSkinSourceKind() { return SkinFromFiles; }
    virtual CUIString GetSkinZipName() { return CUIString(L""); }
    // The "ZIPRES" resource: a name, a MAKEINTRESOURCEW id or an id as a decimal text.
    virtual LPCWSTR GetSkinResourceId() { return L""; }

    // Message handlers: a handler that leaves `handled` false passes the message on.
    virtual LRESULT OnCloseMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnDestroyMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcActivateMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcCalcSizeMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcPaintMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcHitTestMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnGetMinMaxInfoMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseWheelMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseHoverMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSizeMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnCharMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSysCommandMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnCreateMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnKeyDownMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnKillFocusMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSetFocusMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnLButtonDownMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnLButtonUpMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseMoveMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnOtherMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LONG_PTR GetFramelessStyle();

    void OnUINotify(UINotification& msg) override;
    LRESULT PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    CControlUI* CreateCustomControl(LPCWSTR className) override;

    CUIWindowManager& GetWindowManager() { return m_manager; }

protected:
    CUIWindowManager m_manager;

private:
    bool LoadSkinArchive(UISkinSource kind);
    CControlUI* BuildSkin(UISkinSource kind);
};

} // namespace QxUI
