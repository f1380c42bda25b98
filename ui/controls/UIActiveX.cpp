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

#include "ComObject.h"
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

// The site: one object and one reference count behind the five interfaces; the in-place site
// also answers for the interfaces it extends. Its last release deletes it.
class CActiveXCtrl
    : public win32::ComObject<
          win32::DeleteOnLastRelease,
          win32::Answers<IOleInPlaceSiteWindowless, IID_IOleInPlaceSiteWindowless,
                         IID_IOleInPlaceSiteEx, IID_IOleInPlaceSite, IID_IOleWindow>,
          win32::Answers<IOleClientSite, IID_IOleClientSite>,
          win32::Answers<IOleControlSite, IID_IOleControlSite>,
          win32::Answers<IObjectWithSite, IID_IObjectWithSite>,
          win32::Answers<IOleContainer, IID_IOleContainer>>
{
    friend class CActiveXUI;
    friend class CActiveXWnd;
    friend class CActiveXFrameWnd;

public:
    explicit CActiveXCtrl(CActiveXUI* owner) : m_pOwner(owner) {}

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
    ~CActiveXCtrl() override;
    HRESULT CreateHostWindow();
    void DestroyHostWindow();

    CActiveXUI* m_pOwner;
    CActiveXWnd* m_pWindow = nullptr;
    win32::ComPtr<IUnknown> m_pUnkSite;
    win32::ComPtr<IViewObject> m_pViewObject;
    win32::ComPtr<IOleInPlaceObject> m_pInPlaceObject;   // windowless: IOleInPlaceObjectWindowless
    bool m_bLocked = false;
    bool m_bFocused = false;
    bool m_bCaptured = false;
    bool m_bUIActivated = false;
    bool m_bInPlaceActive = false;
    bool m_bWindowless = true;
    // Made once and kept: the frame information only lends it to the control.
    win32::UniqueAccelerator m_hAccel;
};

// The in-place frame. It holds the site, not the control, so that a frame the hosted control
// keeps longer than we live still answers safely. Its last release deletes it.
class CActiveXFrameWnd
    : public win32::ComObject<win32::DeleteOnLastRelease,
                              win32::Answers<IOleInPlaceFrame, IID_IOleInPlaceFrame,
                                             IID_IOleInPlaceUIWindow, IID_IOleWindow>>
{
public:
    explicit CActiveXFrameWnd(CActiveXCtrl* site) { m_pSite.Assign(site); }

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
        m_pActiveObject.Assign(object);
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    ~CActiveXFrameWnd() override = default;

    win32::ComPtr<CActiveXCtrl> m_pSite;
    // Declared after the site: it goes first.
    win32::ComPtr<IOleInPlaceActiveObject> m_pActiveObject;
};

// Enumerates the one hosted object. Its last release deletes it.
class CActiveXEnum
    : public win32::ComObject<win32::DeleteOnLastRelease,
                              win32::Answers<IEnumUnknown, IID_IEnumUnknown>>
{
public:
    explicit CActiveXEnum(IUnknown* object) { m_pUnk.Assign(object); }

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
        *items = m_pUnk.Get();
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
    ~CActiveXEnum() override = default;

    LONG m_iPos = 0;
    win32::ComPtr<IUnknown> m_pUnk;
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

    void OnWindowDestroyed(HWND) override { delete this; }

    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (!m_pOwner)
            return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
        // Also when it is destroyed from outside (its parent closed first): the site and the
        // control forget the window at once, and this object goes later without reaching them.
        if (msg == WM_DESTROY) {
            if (m_pOwner->m_pWindow == this) {
                m_pOwner->m_pWindow = nullptr;
                if (m_pOwner->m_pOwner && m_pOwner->m_pOwner->m_hwndHost == m_hWnd)
                    m_pOwner->m_pOwner->m_hwndHost = nullptr;
            }
            m_pOwner = nullptr;
            return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
        }
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
            if (control && control->m_pOleObject)
                control->m_pOleObject->GetMiscStatus(DVASPECT_CONTENT, &status);
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
    m_pUnkSite.Reset();
    m_pViewObject.Reset();
    m_pInPlaceObject.Reset();
}

STDMETHODIMP CActiveXCtrl::SetSite(IUnknown* site)
{
    m_pUnkSite.Assign(site);
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
    const win32::WindowDC dc = hwnd ? win32::WindowDC(hwnd) : win32::WindowDC();
    if (!dc)
        return E_FAIL;
    if (m_pViewObject) {
        const RECT rc = m_bWindowless ? m_pOwner->GetPos() : AtOrigin(m_pOwner->GetPos());
        const RECTL bounds = {rc.left, rc.top, rc.right, rc.bottom};
        m_pViewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.Get(), &bounds,
                            &bounds, nullptr, 0);
    }
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
    win32::WindowDC dc(m_pOwner->m_hwndHost);
    if (!dc)
        return E_FAIL;
    if (flags & OLEDC_PAINTBKGND) {
        const RECT rc = AtOrigin(m_pOwner->GetPos());
        ::FillRect(dc.Get(), &rc, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    }
    // The control gives it back through ReleaseDC.
    *phDC = dc.Release();
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ReleaseDC(HDC hDC)
{
    if (!m_pOwner)
        return E_UNEXPECTED;
    win32::WindowDC lent(m_pOwner->m_hwndHost, hDC);
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
    if (!m_pOwner || !m_pOwner->m_pOleObject)
        return E_UNEXPECTED;
    ::OleLockRunning(m_pOwner->m_pOleObject.Get(), TRUE, FALSE);
    m_pInPlaceObject.Reset();
    HRESULT hr = E_FAIL;
    if (flags & ACTIVATE_WINDOWLESS) {
        m_bWindowless = true;
        hr = m_pOwner->m_pOleObject->QueryInterface(IID_IOleInPlaceObjectWindowless,
                                                    m_pInPlaceObject.Receive());
        if (SUCCEEDED(hr)) {
            m_pOwner->m_hwndHost = m_pOwner->GetManagerWindow();
            m_pOwner->OfferMessageFilter(static_cast<IMessageFilterUI*>(m_pOwner));
        }
    }
    if (!m_pInPlaceObject) {
        m_bWindowless = false;
        hr = CreateHostWindow();
        if (SUCCEEDED(hr))
            hr = m_pOwner->m_pOleObject->QueryInterface(IID_IOleInPlaceObject,
                                                        m_pInPlaceObject.Receive());
    }
    if (m_pInPlaceObject)
        m_pOwner->SetObjectRects();
    m_bInPlaceActive = SUCCEEDED(hr);
    return hr;
}

STDMETHODIMP CActiveXCtrl::OnInPlaceDeactivate()
{
    m_bInPlaceActive = false;
    m_pInPlaceObject.Reset();
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
        m_hAccel.Reset(::CreateAcceleratorTableW(&empty, 1));
    }
    // The structure's own size: it differs between 32- and 64-bit builds.
    frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = m_pOwner->GetManagerWindow();
    frameInfo->haccel = m_hAccel.Get();
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
    if (!m_pOwner || !m_pOwner->m_pOleObject)
        return E_UNEXPECTED;
    return m_pOwner->m_pOleObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppDisp));
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
    if (!m_pOwner || !m_pOwner->m_pOleObject)
        return E_UNEXPECTED;
    *ppEnum = new (std::nothrow) CActiveXEnum(m_pOwner->m_pOleObject.Get());
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
        // One whose window came and went as it was made has let go of this site already, and
        // deletes itself; one that never got a window is deleted here.
        m_pWindow = window;
        if (!window->Init(parent)) {
            if (m_pWindow == window) {
                m_pWindow = nullptr;
                delete window;
            }
            return E_FAIL;
        }
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
    return m_pSite && m_pSite->m_bWindowless;
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
    if (!m_bLazyCreate)
        CreateHostedControl();
    return true;
}

void CActiveXUI::SetModuleName(LPCWSTR name)
{
    m_sModuleName = name ? name : L"";
}

void CActiveXUI::SetLazyCreate(bool lazy)
{
    if (m_bLazyCreate == lazy)
        return;
    m_bLazyCreate = lazy;
    if (!lazy && !m_bCreated && m_clsid != CLSID{})
        CreateHostedControl();
}

HRESULT CActiveXUI::QueryHostedControl(REFIID iid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!m_pOleObject)
        return E_PENDING;
    return m_pOleObject->QueryInterface(iid, ppv);
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
    if (m_pOleObject) {
        SetObjectSite(m_pOleObject.Get(), nullptr);
        m_pOleObject->Close(OLECLOSE_NOSAVE);
        m_pOleObject->SetClientSite(nullptr);
        m_pOleObject.Reset();
    }
    if (m_pSite) {
        m_pSite->m_pOwner = nullptr;
        // The site's window refers to it, not to us; close it while we still know it.
        m_pSite->DestroyHostWindow();
        m_pSite.Reset();
    }
    OfferMessageFilter(nullptr);
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
    HRESULT hr = reinterpret_cast<IUnknown*>(first)->QueryInterface(IID_IOleObject,
                                                                    m_pOleObject.Receive());
    reinterpret_cast<IUnknown*>(first)->Release();
    if (FAILED(hr) || !m_pOleObject) {
        m_pOleObject.Detach();   // a failed query hands out no reference
        return false;
    }

    m_pSite.Attach(new (std::nothrow) CActiveXCtrl(this));
    if (!m_pSite) {
        ReleaseHostedControl();
        return false;
    }
    DWORD status = 0;
    m_pOleObject->GetMiscStatus(DVASPECT_CONTENT, &status);
    IOleClientSite* clientSite = nullptr;
    m_pSite->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));

    const bool siteFirst = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst)
        m_pOleObject->SetClientSite(clientSite);
    hr = S_OK;
    IPersistStreamInit* persist = nullptr;
    if (SUCCEEDED(m_pOleObject->QueryInterface(IID_IPersistStreamInit,
                                         reinterpret_cast<void**>(&persist)))) {
        hr = persist->InitNew();
        persist->Release();
    }
    if (SUCCEEDED(hr)) {
        if (!siteFirst)
            m_pOleObject->SetClientSite(clientSite);
        const IID* viewIids[] = {&IID_IViewObjectEx, &IID_IViewObject2, &IID_IViewObject};
        for (const IID* iid : viewIids) {
            if (SUCCEEDED(m_pOleObject->QueryInterface(*iid,
                                                       m_pSite->m_pViewObject.Receive())) &&
                m_pSite->m_pViewObject)
                break;
            m_pSite->m_pViewObject.Detach();
        }
        m_pOleObject->SetHostNames(kHostNames, nullptr);
        // A handler may release the hosted control: what follows asks whether it is there.
        if (m_pManager)
            m_pManager->RaiseNotify(this, L"showactivex", 0, 0);
        if (m_pOleObject && m_pSite && !(status & OLEMISC_INVISIBLEATRUNTIME)) {
            hr = m_pOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0,
                                GetManagerWindow(), &m_rcItem);
        }
        if (m_pOleObject && m_pSite)
            SetObjectSite(m_pOleObject.Get(), static_cast<IOleClientSite*>(m_pSite.Get()));
    }
    if (clientSite)
        clientSite->Release();
    if (FAILED(hr) || !m_pOleObject) {
        // A control that failed to start is not kept half set up; created stays set, so the
        // next layout does not try again.
        CActiveXUI::ReleaseHostedControl();
        return false;
    }
    return true;
}

HRESULT CActiveXUI::DoVerb(LONG verb)
{
    if (!m_pOleObject || !m_pSite)
        return E_UNEXPECTED;
    IOleClientSite* clientSite = nullptr;
    m_pSite->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));
    const HRESULT hr = m_pOleObject->DoVerb(verb, nullptr, clientSite, 0, m_hwndHost, &m_rcItem);
    if (clientSite)
        clientSite->Release();
    return hr;
}

void CActiveXUI::SetObjectRects()
{
    if (!m_pSite || !m_pSite->m_pInPlaceObject)
        return;
    const RECT rc = IsWindowless() ? m_rcItem : AtOrigin(m_rcItem);
    m_pSite->m_pInPlaceObject->SetObjectRects(&rc, &rc);
}

bool CActiveXUI::HasHostChildWindow() const
{
    return !IsWindowless() && m_hwndHost && m_pSite && m_pSite->m_pWindow;
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
    if (manager && m_pOleObject && manager->GetPaintWindow() != m_hwndCreatedIn) {
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
    if (!m_pOleObject || !m_pSite)
        return;

    SIZEL hmSize = {0, 0};
    int dpiX = 96;
    int dpiY = 96;
    if (const win32::WindowDC screen{nullptr}) {
        dpiX = ::GetDeviceCaps(screen.Get(), LOGPIXELSX);
        dpiY = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
    hmSize.cx = ::MulDiv(2540, m_rcItem.right - m_rcItem.left, dpiX > 0 ? dpiX : 96);
    hmSize.cy = ::MulDiv(2540, m_rcItem.bottom - m_rcItem.top, dpiY > 0 ? dpiY : 96);
    m_pOleObject->SetExtent(DVASPECT_CONTENT, &hmSize);

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
    if (m_pSite && m_pSite->m_bWindowless && m_pSite->m_pViewObject) {
        const RECTL bounds = {m_rcItem.left, m_rcItem.top, m_rcItem.right, m_rcItem.bottom};
        m_pSite->m_pViewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hDC,
                                        &bounds, &bounds, nullptr, 0);
    }
}

LRESULT CActiveXUI::PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (!m_pSite || !m_pSite->m_bInPlaceActive || !m_pSite->m_pInPlaceObject ||
        !m_pSite->m_bWindowless)
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
        if (!m_pSite->m_bFocused)
            return 0;
    } else {
        return 0;
    }

    if (hitTest && !m_pSite->m_bCaptured) {
        // WM_SETCURSOR and the wheel carry no client point of their own.
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (msg == WM_SETCURSOR || msg == WM_MOUSEWHEEL) {
            ::GetCursorPos(&pt);
            ::ScreenToClient(GetManagerWindow(), &pt);
        }
        IViewObjectEx* view = nullptr;
        DWORD hit = HITRESULT_OUTSIDE;
        if (m_pSite->m_pViewObject &&
            SUCCEEDED(m_pSite->m_pViewObject->QueryInterface(
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
        static_cast<IOleInPlaceObjectWindowless*>(m_pSite->m_pInPlaceObject.Get());
    if (SUCCEEDED(object->OnWindowMessage(msg, wParam, lParam, &result)))
        handled = wasHandled;
    return result;
}

} // namespace QxUI
