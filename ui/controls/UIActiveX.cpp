// The ActiveX host: the control, its site (five COM interfaces on one object), the in-place
// frame, an enumerator over the one hosted object and the child window of windowed controls.

#include "controls/UIActiveX.h"

#include <ocidl.h>
#include <olectl.h>
#include <windowsx.h>

#include <cwchar>
#include <new>

#include "core/UIAttributeValues.h"
#include "core/UIManager.h"
#include "core/UIWindow.h"

#include "Win32Handle.h"

namespace QxUI {

namespace {

constexpr LPCWSTR kHostNames = L"UIActiveX";
constexpr int kClassIdTextMax = 99;   // characters of a "clsid" value that are read

RECT AtOrigin(const RECT& rc)
{
    return RECT{0, 0, rc.right - rc.left, rc.bottom - rc.top};
}

bool IsMouseMessage(UINT msg)
{
    return msg >= WM_MOUSEFIRST && msg <= 0x20D;
}

// WM_KEYDOWN to WM_SYSDEADCHAR; the headers' WM_KEYLAST also takes in WM_UNICHAR.
bool IsKeyMessage(UINT msg)
{
    return msg >= WM_KEYFIRST && msg <= 0x108;
}

using win32::ReleaseAndClear;
using win32::ReplaceHeld;

// Hands the object its site where it takes one (IObjectWithSite); null takes it back.
void SetObjectSite(IOleObject* object, IUnknown* site)
{
    IObjectWithSite* withSite = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)))) {
        withSite->SetSite(site);
        withSite->Release();
    }
}

} // namespace

class CActiveXWnd;

// The site: one object and one reference count behind the five interfaces.
class CActiveXCtrl : public IOleClientSite,
                     public IOleInPlaceSiteWindowless,
                     public IOleControlSite,
                     public IObjectWithSite,
                     public IOleContainer
{
    friend class CActiveXUI;
    friend class CActiveXWnd;
    friend class CActiveXFrameWnd;

public:
    explicit CActiveXCtrl(CActiveXUI* owner) : m_pOwner(owner) {}
    CActiveXCtrl(const CActiveXCtrl&) = delete;
    CActiveXCtrl& operator=(const CActiveXCtrl&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID iid, void** ppv) override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSiteWindowless
    STDMETHODIMP CanWindowlessActivate() override { return S_OK; }
    STDMETHODIMP GetCapture() override;
    STDMETHODIMP SetCapture(BOOL capture) override;
    STDMETHODIMP GetFocus() override;
    STDMETHODIMP SetFocus(BOOL focus) override;
    STDMETHODIMP GetDC(LPCRECT rect, DWORD flags, HDC* phDC) override;
    STDMETHODIMP ReleaseDC(HDC hDC) override;
    STDMETHODIMP InvalidateRect(LPCRECT rect, BOOL erase) override;
    STDMETHODIMP InvalidateRgn(HRGN region, BOOL erase) override;
    STDMETHODIMP ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return S_OK; }
    STDMETHODIMP AdjustRect(LPRECT) override { return S_OK; }
    STDMETHODIMP OnDefWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam,
                                    LRESULT* result) override;

    // IOleInPlaceSiteEx
    STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override;
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override { return OnInPlaceDeactivate(); }
    STDMETHODIMP RequestUIActivate() override { return S_OK; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return OnInPlaceActivateEx(nullptr, 0); }
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                  LPRECT posRect, LPRECT clipRect,
                                  LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return S_OK; }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** ppDisp) override;
    STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL focus) override;
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IOleContainer
    STDMETHODIMP EnumObjects(DWORD flags, IEnumUnknown** ppEnum) override;
    STDMETHODIMP LockContainer(BOOL lock) override;

    // IParseDisplayName
    STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override
    {
        return E_NOTIMPL;
    }

private:
    ~CActiveXCtrl();
    HRESULT CreateHostWindow();
    void DestroyHostWindow();

    LONG m_dwRef = 1;
    CActiveXUI* m_pOwner;
    CActiveXWnd* m_pWindow = nullptr;
    IUnknown* m_pUnkSite = nullptr;
    IViewObject* m_pViewObject = nullptr;
    IOleInPlaceObject* m_pInPlaceObject = nullptr;   // windowless: IOleInPlaceObjectWindowless
    bool m_bLocked = false;
    bool m_bFocused = false;
    bool m_bCaptured = false;
    bool m_bUIActivated = false;
    bool m_bInPlaceActive = false;
    bool m_bWindowless = true;
    // Made once and kept: the frame information only lends it to the control.
    HACCEL m_hAccel = nullptr;
};

// The in-place frame. It holds the site, not the control, so that a frame the hosted control
// keeps longer than we live still answers safely.
class CActiveXFrameWnd : public IOleInPlaceFrame
{
public:
    explicit CActiveXFrameWnd(CActiveXCtrl* site) : m_pSite(site) { m_pSite->AddRef(); }
    CActiveXFrameWnd(const CActiveXFrameWnd&) = delete;
    CActiveXFrameWnd& operator=(const CActiveXFrameWnd&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow ||
            iid == IID_IOleInPlaceFrame)
            *ppv = static_cast<IOleInPlaceFrame*>(this);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_dwRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG ref = ::InterlockedDecrement(&m_dwRef);
        if (ref == 0)
            delete this;
        return static_cast<ULONG>(ref);
    }

    STDMETHODIMP GetWindow(HWND* phwnd) override
    {
        if (!phwnd)
            return E_POINTER;
        *phwnd = nullptr;
        if (!m_pSite->m_pOwner)
            return E_UNEXPECTED;
        *phwnd = m_pSite->m_pOwner->GetManagerWindow();
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return S_OK; }
    STDMETHODIMP GetBorder(LPRECT) override { return S_OK; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override
    {
        ReplaceHeld(m_pActiveObject, object);
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    ~CActiveXFrameWnd()
    {
        ReleaseAndClear(m_pActiveObject);
        m_pSite->Release();
    }

    LONG m_dwRef = 1;
    CActiveXCtrl* m_pSite;
    IOleInPlaceActiveObject* m_pActiveObject = nullptr;
};

// Enumerates the one hosted object.
class CActiveXEnum : public IEnumUnknown
{
public:
    explicit CActiveXEnum(IUnknown* object) : m_pUnk(object) { m_pUnk->AddRef(); }
    CActiveXEnum(const CActiveXEnum&) = delete;
    CActiveXEnum& operator=(const CActiveXEnum&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (iid != IID_IUnknown && iid != IID_IEnumUnknown)
            return E_NOINTERFACE;
        *ppv = static_cast<IEnumUnknown*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_dwRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG ref = ::InterlockedDecrement(&m_dwRef);
        if (ref == 0)
            delete this;
        return static_cast<ULONG>(ref);
    }
    STDMETHODIMP Next(ULONG count, IUnknown** items, ULONG* fetched) override
    {
        if (fetched)
            *fetched = 0;
        if (!items)
            return E_POINTER;
        if (count == 0)
            return S_OK;
        if (++m_iPos > 1)
            return S_FALSE;
        *items = m_pUnk;
        m_pUnk->AddRef();
        if (fetched)
            *fetched = 1;
        return count == 1 ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        m_iPos += static_cast<LONG>(count);
        return S_OK;
    }
    STDMETHODIMP Reset() override
    {
        m_iPos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumUnknown**) override { return E_NOTIMPL; }

private:
    ~CActiveXEnum() { m_pUnk->Release(); }

    LONG m_iPos = 0;
    LONG m_dwRef = 1;
    IUnknown* m_pUnk;
};

// The child window of a windowed control. It deletes itself when its window is gone.
class CActiveXWnd : public CWindowWnd
{
public:
    explicit CActiveXWnd(CActiveXCtrl* site) : m_pOwner(site) {}

    LPCWSTR GetRegisteredClassName() const override { return L"ActiveXWnd"; }

    HWND Init(HWND parent)
    {
        return CreateInRect(parent, kHostNames, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
                                                    WS_CLIPCHILDREN,
                            0, RECT{0, 0, 0, 0});
    }

    // Also when the window is destroyed from outside (its parent closed first): the control
    // then forgets the handle. m_hWnd is already cleared here; hWnd is the handle that went.
    void OnWindowDestroyed(HWND hWnd) override
    {
        if (m_pOwner && m_pOwner->m_pWindow == this) {
            m_pOwner->m_pWindow = nullptr;
            if (m_pOwner->m_pOwner && m_pOwner->m_pOwner->m_hwndHost == hWnd)
                m_pOwner->m_pOwner->m_hwndHost = nullptr;
        }
        delete this;
    }

    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        CActiveXUI* control = m_pOwner->m_pOwner;
        switch (msg) {
        case WM_SETFOCUS:
            m_pOwner->m_bFocused = true;
            if (!m_pOwner->m_bUIActivated && control)
                control->DoVerb(OLEIVERB_UIACTIVATE);
            break;
        case WM_KILLFOCUS:
            m_pOwner->m_bFocused = false;
            break;
        case WM_MOUSEACTIVATE: {
            DWORD status = 0;
            if (control && control->m_pUnk)
                control->m_pUnk->GetMiscStatus(DVASPECT_CONTENT, &status);
            if (status & OLEMISC_NOUIACTIVATE)
                return 0;
            if (!m_pOwner->m_bInPlaceActive && control)
                control->DoVerb(OLEIVERB_INPLACEACTIVATE);
            break;
        }
        case WM_ERASEBKGND:
            if (m_pOwner->m_pViewObject)
                return 1;
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            ::BeginPaint(m_hWnd, &ps);
            ::EndPaint(m_hWnd, &ps);
            return 1;
        }
        case WM_MOUSEWHEEL:
            return 0;
        default:
            break;
        }
        return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
    }

private:
    CActiveXCtrl* m_pOwner;
};

// ---- Site ---------------------------------------------------------------------------------------

CActiveXCtrl::~CActiveXCtrl()
{
    DestroyHostWindow();
    ReleaseAndClear(m_pUnkSite);
    ReleaseAndClear(m_pViewObject);
    ReleaseAndClear(m_pInPlaceObject);
    if (m_hAccel)
        ::DestroyAcceleratorTable(m_hAccel);
}

STDMETHODIMP CActiveXCtrl::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleInPlaceSiteWindowless ||
        iid == IID_IOleInPlaceSiteEx || iid == IID_IOleInPlaceSite || iid == IID_IOleWindow)
        *ppv = static_cast<IOleInPlaceSiteWindowless*>(this);
    else if (iid == IID_IOleClientSite)
        *ppv = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleControlSite)
        *ppv = static_cast<IOleControlSite*>(this);
    else if (iid == IID_IObjectWithSite)
        *ppv = static_cast<IObjectWithSite*>(this);
    else if (iid == IID_IOleContainer)
        *ppv = static_cast<IOleContainer*>(this);
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CActiveXCtrl::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_dwRef));
}

STDMETHODIMP_(ULONG) CActiveXCtrl::Release()
{
    const LONG ref = ::InterlockedDecrement(&m_dwRef);
    if (ref == 0)
        delete this;
    return static_cast<ULONG>(ref);
}

STDMETHODIMP CActiveXCtrl::SetSite(IUnknown* site)
{
    ReplaceHeld(m_pUnkSite, site);
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetSite(REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!m_pUnkSite)
        return E_FAIL;
    return m_pUnkSite->QueryInterface(iid, ppv);
}

STDMETHODIMP CActiveXCtrl::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXCtrl::GetContainer(IOleContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = nullptr;
    HRESULT hr = E_NOTIMPL;
    if (m_pUnkSite)
        hr = m_pUnkSite->QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(container));
    if (FAILED(hr))
        hr = QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(container));
    return hr;
}

STDMETHODIMP CActiveXCtrl::ShowObject()
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    HWND hwnd = m_pOwner->m_hwndHost;
    HDC hDC = hwnd ? ::GetDC(hwnd) : nullptr;
    if (!hDC)
        return E_FAIL;
    if (m_pViewObject) {
        const RECT rc = m_bWindowless ? m_pOwner->GetPos() : AtOrigin(m_pOwner->GetPos());
        const RECTL bounds = {rc.left, rc.top, rc.right, rc.bottom};
        m_pViewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hDC, &bounds,
                            &bounds, nullptr, 0);
    }
    ::ReleaseDC(hwnd, hDC);
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetCapture()
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    return m_bCaptured ? S_OK : S_FALSE;
}

STDMETHODIMP CActiveXCtrl::SetCapture(BOOL capture)
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    if (capture && !m_pOwner->m_hwndHost)
        return E_FAIL;
    m_bCaptured = capture != FALSE;
    if (m_bCaptured)
        ::SetCapture(m_pOwner->m_hwndHost);
    else
        ::ReleaseCapture();
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetFocus()
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    return m_bFocused ? S_OK : S_FALSE;
}

STDMETHODIMP CActiveXCtrl::SetFocus(BOOL focus)
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    if (focus)
        m_pOwner->CControlUI::SetFocus();
    m_bFocused = focus != FALSE;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetDC(LPCRECT, DWORD flags, HDC* phDC)
{
    if (!phDC)
        return E_POINTER;
    *phDC = nullptr;
    if (!m_pOwner)
        return E_UNEXPECTED;
    if (m_bWindowless)
        return S_FALSE;
    // Without a host window GetDC would hand out the screen's.
    if (!m_pOwner->m_hwndHost)
        return E_FAIL;
    *phDC = ::GetDC(m_pOwner->m_hwndHost);
    if (!*phDC)
        return E_FAIL;
    if (flags & OLEDC_PAINTBKGND) {
        const RECT rc = AtOrigin(m_pOwner->GetPos());
        ::FillRect(*phDC, &rc, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    }
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ReleaseDC(HDC hDC)
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    ::ReleaseDC(m_pOwner->m_hwndHost, hDC);
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::InvalidateRect(LPCRECT rect, BOOL erase)
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    if (!m_pOwner->m_hwndHost)
        return E_FAIL;
    return ::InvalidateRect(m_pOwner->m_hwndHost, rect, erase) ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::InvalidateRgn(HRGN region, BOOL erase)
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    if (!m_pOwner->m_hwndHost)
        return E_FAIL;
    return ::InvalidateRgn(m_pOwner->m_hwndHost, region, erase) ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::OnDefWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam,
                                              LRESULT* result)
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    if (!m_pOwner->m_hwndHost)
        return E_FAIL;
    const LRESULT answer = ::DefWindowProcW(m_pOwner->m_hwndHost, msg, wParam, lParam);
    if (result)
        *result = answer;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags)
{
    if (noRedraw)
        *noRedraw = FALSE;
    if (!m_pOwner || !m_pOwner->m_pUnk)
        return E_UNEXPECTED;
    ::OleLockRunning(m_pOwner->m_pUnk, TRUE, FALSE);
    ReleaseAndClear(m_pInPlaceObject);
    HRESULT hr = E_FAIL;
    if (flags & ACTIVATE_WINDOWLESS) {
        m_bWindowless = true;
        hr = m_pOwner->m_pUnk->QueryInterface(IID_IOleInPlaceObjectWindowless,
                                              reinterpret_cast<void**>(&m_pInPlaceObject));
        if (SUCCEEDED(hr)) {
            m_pOwner->m_hwndHost = m_pOwner->GetManagerWindow();
            m_pOwner->AddManagerListener(UIManagerListener::MessageFilter,
                                         static_cast<IMessageFilterUI*>(m_pOwner));
        }
    }
    if (!m_pInPlaceObject) {
        m_bWindowless = false;
        hr = CreateHostWindow();
        if (SUCCEEDED(hr))
            hr = m_pOwner->m_pUnk->QueryInterface(IID_IOleInPlaceObject,
                                                  reinterpret_cast<void**>(&m_pInPlaceObject));
    }
    if (m_pInPlaceObject)
        m_pOwner->SetObjectRects();
    m_bInPlaceActive = SUCCEEDED(hr);
    return hr;
}

STDMETHODIMP CActiveXCtrl::OnInPlaceDeactivate()
{
    m_bInPlaceActive = false;
    ReleaseAndClear(m_pInPlaceObject);
    DestroyHostWindow();
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::OnUIActivate()
{
    m_bUIActivated = true;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::OnUIDeactivate(BOOL)
{
    m_bUIActivated = false;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                            LPRECT posRect, LPRECT clipRect,
                                            LPOLEINPLACEFRAMEINFO frameInfo)
{
    if (!frame || !doc || !posRect || !clipRect || !frameInfo)
        return E_POINTER;
    *frame = nullptr;
    *doc = nullptr;
    if (!m_pOwner)
        return E_UNEXPECTED;
    const HWND host = m_pOwner->m_hwndHost;
    if (host) {
        ::GetClientRect(host, posRect);
        ::GetClientRect(host, clipRect);
    }
    *frame = new (std::nothrow) CActiveXFrameWnd(this);
    if (!*frame)
        return E_OUTOFMEMORY;
    if (!m_hAccel) {
        ACCEL empty = {0, 0, 0};
        m_hAccel = ::CreateAcceleratorTableW(&empty, 1);
    }
    // The structure's own size: it differs between 32- and 64-bit builds.
    frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = m_pOwner->GetManagerWindow();
    frameInfo->haccel = m_hAccel;
    frameInfo->cAccelEntries = 1;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetWindow(HWND* phwnd)
{
    if (!phwnd)
        return E_POINTER;
    *phwnd = nullptr;
    if (!m_pOwner)
        return E_UNEXPECTED;
    if (m_bInPlaceActive && m_bWindowless) {
        *phwnd = m_pOwner->m_hwndHost;
    } else {
        if (!m_pWindow)
            CreateHostWindow();
        *phwnd = m_pWindow ? m_pWindow->GetHandle() : nullptr;
    }
    return *phwnd ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::GetExtendedControl(IDispatch** ppDisp)
{
    if (!ppDisp)
        return E_POINTER;
    *ppDisp = nullptr;
    if (!m_pOwner || !m_pOwner->m_pUnk)
        return E_UNEXPECTED;
    return m_pOwner->m_pUnk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppDisp));
}

STDMETHODIMP CActiveXCtrl::OnFocus(BOOL focus)
{
    m_bFocused = focus != FALSE;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::EnumObjects(DWORD, IEnumUnknown** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    if (!m_pOwner || !m_pOwner->m_pUnk)
        return E_UNEXPECTED;
    *ppEnum = new (std::nothrow) CActiveXEnum(m_pOwner->m_pUnk);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CActiveXCtrl::LockContainer(BOOL lock)
{
    m_bLocked = lock != FALSE;
    return S_OK;
}

HRESULT CActiveXCtrl::CreateHostWindow()
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    if (!m_pWindow) {
        const HWND parent = m_pOwner->GetManagerWindow();
        if (!parent)
            return E_FAIL;
        CActiveXWnd* window = new (std::nothrow) CActiveXWnd(this);
        if (!window)
            return E_OUTOFMEMORY;
        if (!window->Init(parent)) {
            delete window;
            return E_FAIL;
        }
        m_pWindow = window;
    }
    m_pOwner->m_hwndHost = m_pWindow->GetHandle();
    return S_OK;
}

void CActiveXCtrl::DestroyHostWindow()
{
    // The window deletes its object and clears m_pWindow as it goes.
    if (m_pWindow && m_pWindow->GetHandle())
        ::DestroyWindow(m_pWindow->GetHandle());
    m_pWindow = nullptr;
}

// ---- Control ------------------------------------------------------------------------------------

CActiveXUI::CActiveXUI() = default;

CActiveXUI::~CActiveXUI()
{
    CActiveXUI::ReleaseHostedControl();
}

LPCWSTR CActiveXUI::GetClass() const
{
    return L"ActiveXUI";
}

LPVOID CActiveXUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"ActiveX") == 0)
        return this;
    return CControlUI::AsInterface(name);
}

HWND CActiveXUI::GetManagerWindow() const
{
    return m_pManager ? m_pManager->GetPaintWindow() : nullptr;
}

bool CActiveXUI::IsWindowless() const
{
    return m_pControl && m_pControl->m_bWindowless;
}

bool CActiveXUI::SetClassIdText(LPCWSTR text)
{
    WCHAR buffer[kClassIdTextMax + 1] = {};
    if (text)
        wcsncpy(buffer, text, kClassIdTextMax);
    // A text that does not parse leaves the zero id, which changes nothing.
    CLSID clsid = {};
    const HRESULT hr = buffer[0] == L'{' ? ::CLSIDFromString(buffer, &clsid)
                                         : ::CLSIDFromProgID(buffer, &clsid);
    if (FAILED(hr))
        clsid = CLSID{};
    return SetClassId(clsid);
}

bool CActiveXUI::SetClassId(REFCLSID clsid)
{
    if (clsid == CLSID{})
        return false;
    m_bCreated = false;
    m_clsid = clsid;
    if (!m_bDelayCreate)
        CreateHostedControl();
    return true;
}

void CActiveXUI::SetModuleName(LPCWSTR name)
{
    m_sModuleName = name ? name : L"";
}

void CActiveXUI::SetLazyCreate(bool delay)
{
    if (m_bDelayCreate == delay)
        return;
    if (!delay && !m_bCreated && m_clsid != CLSID{})
        CreateHostedControl();
    m_bDelayCreate = delay;
}

HRESULT CActiveXUI::QueryHostedControl(REFIID iid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!m_pUnk)
        return E_PENDING;
    return m_pUnk->QueryInterface(iid, ppv);
}

void CActiveXUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (wcscmp(name, L"clsid") == 0)
        SetClassIdText(value);
    else if (wcscmp(name, L"modulename") == 0)
        SetModuleName(value);
    else if (wcscmp(name, L"delaycreate") == 0)
        SetLazyCreate(AttributeIsTrue(value));
    else
        CControlUI::SetAttribute(name, value);
}

void CActiveXUI::ReleaseHostedControl()
{
    m_hwndHost = nullptr;
    if (m_pUnk) {
        SetObjectSite(m_pUnk, nullptr);
        m_pUnk->Close(OLECLOSE_NOSAVE);
        m_pUnk->SetClientSite(nullptr);
        ReleaseAndClear(m_pUnk);
    }
    if (m_pControl) {
        m_pControl->m_pOwner = nullptr;
        // The site's window refers to it, not to us; close it while we still know it.
        m_pControl->DestroyHostWindow();
        ReleaseAndClear(m_pControl);
    }
    RemoveManagerListener(UIManagerListener::MessageFilter);
}

bool CActiveXUI::CreateHostedControl()
{
    ReleaseHostedControl();
    m_bCreated = true;
    m_hwndCreatedIn = GetManagerWindow();

    IOleControl* first = nullptr;
    if (!m_sModuleName.IsEmpty()) {
        // The module stays loaded: the control's code runs for as long as the process may
        // still hold any of its objects.
        HMODULE module = ::LoadLibraryW(m_sModuleName.GetData());
        typedef HRESULT(STDAPICALLTYPE * GetClassObjectFn)(REFCLSID, REFIID, LPVOID*);
        GetClassObjectFn getClassObject =
            module ? reinterpret_cast<GetClassObjectFn>(
                         reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")))
                   : nullptr;
        IClassFactory* factory = nullptr;
        if (getClassObject &&
            SUCCEEDED(getClassObject(m_clsid, IID_IClassFactory,
                                     reinterpret_cast<LPVOID*>(&factory))) &&
            factory) {
            IOleObject* object = nullptr;
            if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IOleObject,
                                                  reinterpret_cast<LPVOID*>(&object))) &&
                object)
                first = reinterpret_cast<IOleControl*>(object);
            factory->Release();
        }
    }
    if (!first &&
        FAILED(::CoCreateInstance(m_clsid, nullptr, CLSCTX_ALL, IID_IOleControl,
                                  reinterpret_cast<LPVOID*>(&first))))
        return false;
    if (!first)
        return false;

    // Both pointers are IUnknowns of the same object; ask it for IOleObject either way.
    HRESULT hr = reinterpret_cast<IUnknown*>(first)->QueryInterface(
        IID_IOleObject, reinterpret_cast<LPVOID*>(&m_pUnk));
    reinterpret_cast<IUnknown*>(first)->Release();
    if (FAILED(hr) || !m_pUnk) {
        m_pUnk = nullptr;
        return false;
    }

    m_pControl = new (std::nothrow) CActiveXCtrl(this);
    if (!m_pControl) {
        ReleaseHostedControl();
        return false;
    }
    DWORD status = 0;
    m_pUnk->GetMiscStatus(DVASPECT_CONTENT, &status);
    IOleClientSite* clientSite = nullptr;
    m_pControl->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));

    const bool siteFirst = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst)
        m_pUnk->SetClientSite(clientSite);
    hr = S_OK;
    IPersistStreamInit* persist = nullptr;
    if (SUCCEEDED(m_pUnk->QueryInterface(IID_IPersistStreamInit,
                                         reinterpret_cast<void**>(&persist)))) {
        hr = persist->InitNew();
        persist->Release();
    }
    if (SUCCEEDED(hr)) {
        if (!siteFirst)
            m_pUnk->SetClientSite(clientSite);
        const IID* viewIids[] = {&IID_IViewObjectEx, &IID_IViewObject2, &IID_IViewObject};
        for (const IID* iid : viewIids) {
            if (SUCCEEDED(m_pUnk->QueryInterface(
                    *iid, reinterpret_cast<void**>(&m_pControl->m_pViewObject))) &&
                m_pControl->m_pViewObject)
                break;
            m_pControl->m_pViewObject = nullptr;
        }
        m_pUnk->SetHostNames(kHostNames, nullptr);
        if (m_pManager)
            m_pManager->RaiseNotify(this, L"showactivex", 0, 0);
        // The notification's receivers may have released us.
        if (m_pUnk && m_pControl && !(status & OLEMISC_INVISIBLEATRUNTIME)) {
            hr = m_pUnk->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0,
                                GetManagerWindow(), &m_rcItem);
        }
        if (m_pUnk && m_pControl)
            SetObjectSite(m_pUnk, static_cast<IOleClientSite*>(m_pControl));
    }
    if (clientSite)
        clientSite->Release();
    if (FAILED(hr) || !m_pUnk) {
        // A control that failed to start is not kept half set up; created stays set, so the
        // next layout does not try again.
        CActiveXUI::ReleaseHostedControl();
        return false;
    }
    return true;
}

HRESULT CActiveXUI::DoVerb(LONG verb)
{
    if (!m_pUnk || !m_pControl)
        return E_UNEXPECTED;
    IOleClientSite* clientSite = nullptr;
    m_pControl->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));
    const HRESULT hr = m_pUnk->DoVerb(verb, nullptr, clientSite, 0, m_hwndHost, &m_rcItem);
    if (clientSite)
        clientSite->Release();
    return hr;
}

void CActiveXUI::SetObjectRects()
{
    if (!m_pControl || !m_pControl->m_pInPlaceObject)
        return;
    const RECT rc = IsWindowless() ? m_rcItem : AtOrigin(m_rcItem);
    m_pControl->m_pInPlaceObject->SetObjectRects(&rc, &rc);
}

bool CActiveXUI::HasHostChildWindow() const
{
    return !IsWindowless() && m_hwndHost && m_pControl && m_pControl->m_pWindow;
}

void CActiveXUI::PlaceHostWindow()
{
    if (HasHostChildWindow())
        ::MoveWindow(m_hwndHost, m_rcItem.left, m_rcItem.top, m_rcItem.right - m_rcItem.left,
                     m_rcItem.bottom - m_rcItem.top, TRUE);
}

void CActiveXUI::ShowHostWindow()
{
    if (HasHostChildWindow())
        ::ShowWindow(m_hwndHost, IsVisible() ? SW_SHOW : SW_HIDE);
}

void CActiveXUI::SetManager(CUIWindowManager* manager, CControlUI* parent, bool init)
{
    // The hosted control lives in the window it was made in (its host window is a child of
    // it, or it draws there): in another window it is made again at the next layout. Taken
    // out of a window and put back, it stays as it is.
    if (manager && m_pUnk && manager->GetPaintWindow() != m_hwndCreatedIn) {
        ReleaseHostedControl();
        m_bCreated = false;
    }
    CControlUI::SetManager(manager, parent, init);
}

void CActiveXUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    if (!m_bCreated)
        CreateHostedControl();
    if (!m_pUnk || !m_pControl)
        return;

    SIZEL hmSize = {0, 0};
    const HDC screen = ::GetDC(nullptr);
    const int dpiX = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    const int dpiY = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    hmSize.cx = ::MulDiv(2540, m_rcItem.right - m_rcItem.left, dpiX > 0 ? dpiX : 96);
    hmSize.cy = ::MulDiv(2540, m_rcItem.bottom - m_rcItem.top, dpiY > 0 ? dpiY : 96);
    m_pUnk->SetExtent(DVASPECT_CONTENT, &hmSize);

    SetObjectRects();
    PlaceHostWindow();
}

void CActiveXUI::Move(int dx, int dy, bool invalidate)
{
    CControlUI::Move(dx, dy, invalidate);
    PlaceHostWindow();
}

void CActiveXUI::SetVisible(bool visible)
{
    CControlUI::SetVisible(visible);
    ShowHostWindow();
}

void CActiveXUI::SetVisibleByParent(bool visible)
{
    CControlUI::SetVisibleByParent(visible);
    ShowHostWindow();
}

void CActiveXUI::Paint(HDC hDC, const RECT& rcDirty)
{
    RECT meet;
    if (!::IntersectRect(&meet, &rcDirty, &m_rcItem))
        return;
    if (m_pControl && m_pControl->m_bWindowless && m_pControl->m_pViewObject) {
        const RECTL bounds = {m_rcItem.left, m_rcItem.top, m_rcItem.right, m_rcItem.bottom};
        m_pControl->m_pViewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hDC,
                                        &bounds, &bounds, nullptr, 0);
    }
}

LRESULT CActiveXUI::PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (!m_pControl || !m_pControl->m_bInPlaceActive || !m_pControl->m_pInPlaceObject ||
        !m_pControl->m_bWindowless)
        return 0;
    // Nothing to click or type into when it is not shown or not enabled.
    if (!IsVisible() || !IsEnabled())
        return 0;
    if (IsMouseMessage(msg) && !IsMouseEnabled())
        return 0;

    bool wasHandled = true;
    bool hitTest = false;
    if (IsMouseMessage(msg) || msg == WM_SETCURSOR) {
        hitTest = true;
        if (msg == WM_SETCURSOR)
            wasHandled = false;
    } else if (msg == WM_HELP || msg == WM_CONTEXTMENU) {
        wasHandled = false;
    } else if (IsKeyMessage(msg)) {
        if (!m_pControl->m_bFocused)
            return 0;
    } else {
        return 0;
    }

    if (hitTest && !m_pControl->m_bCaptured) {
        // WM_SETCURSOR and the wheel carry no client point of their own.
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (msg == WM_SETCURSOR || msg == WM_MOUSEWHEEL) {
            ::GetCursorPos(&pt);
            ::ScreenToClient(GetManagerWindow(), &pt);
        }
        IViewObjectEx* view = nullptr;
        DWORD hit = HITRESULT_OUTSIDE;
        if (m_pControl->m_pViewObject &&
            SUCCEEDED(m_pControl->m_pViewObject->QueryInterface(
                IID_IViewObjectEx, reinterpret_cast<void**>(&view)))) {
            view->QueryHitPoint(DVASPECT_CONTENT, &m_rcItem, pt, 0, &hit);
            view->Release();
        } else if (::PtInRect(&m_rcItem, pt)) {
            hit = HITRESULT_HIT;
        }
        if (hit != HITRESULT_HIT)
            return 0;
    }

    LRESULT result = 0;
    IOleInPlaceObjectWindowless* object =
        static_cast<IOleInPlaceObjectWindowless*>(m_pControl->m_pInPlaceObject);
    if (SUCCEEDED(object->OnWindowMessage(msg, wParam, lParam, &result)))
        handled = wasHandled;
    return result;
}

} // namespace QxUI
