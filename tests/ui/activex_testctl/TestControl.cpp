// A test ActiveX control: windowed or windowless by a switch, optionally answering as the
// browser control and its document, recording every call its host makes for the tests to read.

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <olectl.h>
#include <windowsx.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "TestControlApi.h"
#include "Win32Handle.h"

using namespace activextest;

namespace {

HINSTANCE g_module = nullptr;
TestControlOptions g_options = {FALSE, 0, FALSE, FALSE};
std::vector<std::wstring> g_calls;
std::wstring g_joined;
LONG g_live = 0;
class TestControl;
TestControl* g_uiHandlerHolder = nullptr;   // the newest document given a UI handler

void Record(LPCWSTR format, ...)
{
    WCHAR line[512];
    va_list args;
    va_start(args, format);
    _vsnwprintf(line, 511, format, args);
    va_end(args);
    line[511] = 0;
    g_calls.push_back(line);
}

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_LBUTTONDOWN)
        Record(L"window click %d,%d", GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool RegisterControlWindowClass()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &ControlWindowProc;
    wc.hInstance = g_module;
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = kTestControlWindowClass;
    return ::RegisterClassW(&wc) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The browser's event source: one sink at a time, cookie 1.
class EventPoint : public IConnectionPoint
{
public:
    EventPoint() { ::InterlockedIncrement(&g_live); }
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        *ppv = nullptr;
        if (iid != IID_IUnknown && iid != IID_IConnectionPoint)
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG ref = --m_ref;
        if (ref == 0)
            delete this;
        return ref;
    }
    STDMETHODIMP GetConnectionInterface(IID* iid) override
    {
        *iid = DIID_DWebBrowserEvents2;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override
    {
        win32::ComPtr<IDispatch> dispatch;
        const bool isDispatch = sink && SUCCEEDED(sink->QueryInterface(IID_IDispatch, dispatch.Receive()));
        Record(L"Advise %ls", isDispatch ? L"IDispatch" : L"other");
        if (!isDispatch)
            return E_INVALIDARG;
        if (m_sink)
            return CONNECT_E_ADVISELIMIT;
        m_sink = std::move(dispatch);
        *cookie = 1;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override
    {
        Record(L"Unadvise %lu", cookie);
        if (cookie != 1 || !m_sink)
            return CONNECT_E_NOCONNECTION;
        m_sink.Reset();
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    ~EventPoint()
    {
        m_sink.Reset();
        ::InterlockedDecrement(&g_live);
    }
    ULONG m_ref = 1;
    win32::ComPtr<IDispatch> m_sink;
};

class TestControl : public IOleObject,
                    public IOleControl,
                    public IPersistStreamInit,
                    public IViewObjectEx,
                    public IOleInPlaceObjectWindowless,
                    public IOleInPlaceActiveObject,
                    public IObjectWithSite,
                    public IWebBrowser2,
                    public IConnectionPointContainer,
                    public ICustomDoc
{
public:
    TestControl() : m_browser(g_options.browser != FALSE) { ::InterlockedIncrement(&g_live); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject)
            *ppv = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleControl)
            *ppv = static_cast<IOleControl*>(this);
        else if (iid == IID_IPersistStreamInit)
            *ppv = static_cast<IPersistStreamInit*>(this);
        else if (iid == IID_IViewObject || iid == IID_IViewObject2 || iid == IID_IViewObjectEx)
            *ppv = static_cast<IViewObjectEx*>(this);
        else if (iid == IID_IOleInPlaceObject || iid == IID_IOleInPlaceObjectWindowless ||
                 iid == IID_IOleWindow)
            *ppv = static_cast<IOleInPlaceObjectWindowless*>(this);
        else if (iid == IID_IOleInPlaceActiveObject)
            *ppv = static_cast<IOleInPlaceActiveObject*>(this);
        else if (iid == IID_IObjectWithSite)
            *ppv = static_cast<IObjectWithSite*>(this);
        else if (iid == IID_IDispatch)
            *ppv = static_cast<IWebBrowser2*>(this);
        else if (m_browser && (iid == IID_IWebBrowser2 || iid == IID_IWebBrowserApp || iid == IID_IWebBrowser))
            *ppv = static_cast<IWebBrowser2*>(this);
        else if (m_browser && iid == IID_IConnectionPointContainer)
            *ppv = static_cast<IConnectionPointContainer*>(this);
        else if (m_browser && iid == __uuidof(ICustomDoc))
            *ppv = static_cast<ICustomDoc*>(this);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG ref = --m_ref;
        if (ref == 0)
            delete this;
        return ref;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override
    {
        Record(site ? L"SetClientSite" : L"SetClientSite null");
        m_clientSite.Assign(site);
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override
    {
        *site = m_clientSite.Get();
        if (m_clientSite)
            m_clientSite->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR) override
    {
        Record(L"SetHostNames %ls", app ? app : L"");
        return S_OK;
    }
    STDMETHODIMP Close(DWORD) override
    {
        Record(L"Close");
        Deactivate();
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rc) override
    {
        Record(L"DoVerb %ld parent %ls rect %ld,%ld,%ld,%ld", verb, parent ? L"set" : L"null",
               rc ? rc->left : -1L, rc ? rc->top : -1L, rc ? rc->right : -1L, rc ? rc->bottom : -1L);
        if (verb == OLEIVERB_INPLACEACTIVATE || verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_SHOW)
            return Activate();
        return S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override
    {
        *clsid = kTestControlClassId;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL* size) override
    {
        Record(L"SetExtent %ld,%ld", size->cx, size->cy);
        m_extent = *size;
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD, SIZEL* size) override
    {
        *size = m_extent;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override
    {
        Record(L"GetMiscStatus");
        *status = g_options.miscStatus;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
    STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override
    {
        *clsid = kTestControlClassId;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override { return E_NOTIMPL; }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override
    {
        Record(L"InitNew");
        return g_options.failInitNew ? E_FAIL : S_OK;
    }

    // IViewObjectEx
    STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdc, LPCRECTL bounds, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override
    {
        if (!bounds)
            return E_INVALIDARG;
        Record(L"Draw %ld,%ld,%ld,%ld", bounds->left, bounds->top, bounds->right, bounds->bottom);
        const RECT rc = {bounds->left, bounds->top, bounds->right, bounds->bottom};
        HBRUSH brush = ::CreateSolidBrush(RGB(0, 128, 255));
        ::FillRect(hdc, &rc, brush);
        ::DeleteObject(brush);
        return S_OK;
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return S_OK; }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL size) override
    {
        *size = m_extent;
        return S_OK;
    }
    STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStatus(DWORD* status) override
    {
        *status = VIEWSTATUS_OPAQUE;
        return S_OK;
    }
    STDMETHODIMP QueryHitPoint(DWORD, LPCRECT bounds, POINT pt, LONG, DWORD* result) override
    {
        Record(L"QueryHitPoint %ld,%ld", pt.x, pt.y);
        *result = bounds && ::PtInRect(bounds, pt) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
        return S_OK;
    }
    STDMETHODIMP QueryHitRect(DWORD, LPCRECT, LPCRECT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) override
    {
        return E_NOTIMPL;
    }

    // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
    STDMETHODIMP GetWindow(HWND* hwnd) override
    {
        *hwnd = m_window;
        return m_window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override
    {
        Deactivate();
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override
    {
        Record(L"SetObjectRects %ld,%ld,%ld,%ld", pos->left, pos->top, pos->right, pos->bottom);
        if (m_window)
            ::MoveWindow(m_window, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnWindowMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override
    {
        Record(L"OnWindowMessage 0x%X %d,%d", msg, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        *result = 0;
        return S_OK;
    }
    STDMETHODIMP GetDropTarget(IDropTarget**) override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override
    {
        Record(L"TranslateAccelerator 0x%X %u", msg->message, static_cast<unsigned>(msg->wParam));
        return S_OK;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override
    {
        Record(site ? L"SetSite" : L"SetSite null");
        m_site.Assign(site);
        return S_OK;
    }
    STDMETHODIMP GetSite(REFIID iid, void** ppv) override
    {
        *ppv = nullptr;
        return m_site ? m_site->QueryInterface(iid, ppv) : E_FAIL;
    }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IWebBrowser2: navigation and the document; nothing else is used.
    STDMETHODIMP Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override
    {
        Record(L"Navigate2 %ls", url && url->vt == VT_BSTR && url->bstrVal ? url->bstrVal : L"?");
        return S_OK;
    }
    STDMETHODIMP get_Document(IDispatch** document) override
    {
        Record(L"get_Document");
        *document = static_cast<IWebBrowser2*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP GoBack() override { return E_NOTIMPL; }
    STDMETHODIMP GoForward() override { return E_NOTIMPL; }
    STDMETHODIMP GoHome() override { return E_NOTIMPL; }
    STDMETHODIMP GoSearch() override { return E_NOTIMPL; }
    STDMETHODIMP Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP Refresh() override { return E_NOTIMPL; }
    STDMETHODIMP Refresh2(VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP Stop() override { return E_NOTIMPL; }
    STDMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Container(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Type(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Left(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Left(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Top(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Top(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Width(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Width(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Height(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Height(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_LocationName(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_LocationURL(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Busy(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP Quit() override { return E_NOTIMPL; }
    STDMETHODIMP ClientToWindow(int*, int*) override { return E_NOTIMPL; }
    STDMETHODIMP PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Name(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_HWND(SHANDLE_PTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_FullName(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Path(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Visible(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Visible(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_StatusBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_StatusText(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP put_StatusText(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP get_ToolBar(int*) override { return E_NOTIMPL; }
    STDMETHODIMP put_ToolBar(int) override { return E_NOTIMPL; }
    STDMETHODIMP get_MenuBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_FullScreen(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP QueryStatusWB(OLECMDID, OLECMDF*) override { return E_NOTIMPL; }
    STDMETHODIMP ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_ReadyState(READYSTATE*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Offline(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Offline(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_Silent(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Silent(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_TheaterMode(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_TheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_AddressBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_AddressBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_Resizable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Resizable(VARIANT_BOOL) override { return E_NOTIMPL; }

    // ICustomDoc: the browser is its own document, and keeps the UI handler it is given as a
    // page does, for as long as it lives.
    STDMETHODIMP SetUIHandler(IDocHostUIHandler* handler) override
    {
        Record(handler ? L"SetUIHandler set" : L"SetUIHandler null");
        m_uiHandler.Assign(handler);
        g_uiHandlerHolder = this;
        return S_OK;
    }
    IUnknown* UIHandler() const
    {
        if (m_uiHandler)
            m_uiHandler->AddRef();
        return m_uiHandler.Get();
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        *point = nullptr;
        if (iid != DIID_DWebBrowserEvents2)
            return CONNECT_E_NOCONNECTION;
        if (!m_events)
            m_events.Attach(new EventPoint);
        m_events->AddRef();
        *point = m_events.Get();
        return S_OK;
    }

private:
    ~TestControl()
    {
        Deactivate();
        m_clientSite.Reset();
        m_site.Reset();
        m_events.Reset();
        m_uiHandler.Reset();
        if (g_uiHandlerHolder == this)
            g_uiHandlerHolder = nullptr;
        ::InterlockedDecrement(&g_live);
    }

    HRESULT Activate()
    {
        if (m_inPlaceSite)
            return S_OK;
        if (!m_clientSite ||
            FAILED(m_clientSite->QueryInterface(IID_IOleInPlaceSite, m_inPlaceSite.Receive())))
            return E_UNEXPECTED;
        if (m_inPlaceSite->CanInPlaceActivate() != S_OK) {
            m_inPlaceSite.Reset();
            return E_FAIL;
        }
        bool windowless = false;
        win32::ComPtr<IOleInPlaceSiteWindowless> siteWindowless;
        if (g_options.windowless &&
            SUCCEEDED(m_inPlaceSite->QueryInterface(IID_IOleInPlaceSiteWindowless, siteWindowless.Receive()))) {
            BOOL noRedraw = FALSE;
            windowless = siteWindowless->CanWindowlessActivate() == S_OK &&
                         SUCCEEDED(siteWindowless->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS));
        }
        if (!windowless)
            m_inPlaceSite->OnInPlaceActivate();
        HWND parent = nullptr;
        const HRESULT hrWindow = m_inPlaceSite->GetWindow(&parent);
        WCHAR parentClass[64] = L"";
        if (parent)
            ::GetClassNameW(parent, parentClass, 64);
        Record(L"site GetWindow 0x%lX %ls", hrWindow, parentClass);

        win32::ComPtr<IOleInPlaceUIWindow> doc;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO info = {};
        const HRESULT hrContext =
            m_inPlaceSite->GetWindowContext(reinterpret_cast<IOleInPlaceFrame**>(m_frame.Receive()),
                                            reinterpret_cast<IOleInPlaceUIWindow**>(doc.Receive()), &pos,
                                            &clip, &info);
        Record(L"site GetWindowContext 0x%lX cb %u accel %p entries %u", hrContext, info.cb,
               static_cast<void*>(info.haccel), info.cAccelEntries);
        if (m_frame)
            m_frame->SetActiveObject(this, nullptr);

        if (!windowless && parent && RegisterControlWindowClass()) {
            m_window = ::CreateWindowExW(0, kTestControlWindowClass, L"", WS_CHILD | WS_VISIBLE, pos.left,
                                         pos.top, pos.right - pos.left, pos.bottom - pos.top, parent,
                                         nullptr, g_module, nullptr);
        }
        Record(windowless ? L"activated windowless" : L"activated windowed");
        return S_OK;
    }

    void Deactivate()
    {
        if (!m_inPlaceSite)
            return;
        if (m_window)
            ::DestroyWindow(m_window);
        m_window = nullptr;
        if (m_frame)
            m_frame->SetActiveObject(nullptr, nullptr);
        m_frame.Reset();
        const win32::ComPtr<IOleInPlaceSite> site = std::move(m_inPlaceSite);
        site->OnInPlaceDeactivate();
    }

    ULONG m_ref = 1;
    bool m_browser;
    win32::ComPtr<IOleClientSite> m_clientSite;
    win32::ComPtr<IUnknown> m_site;
    win32::ComPtr<IOleInPlaceSite> m_inPlaceSite;
    win32::ComPtr<IOleInPlaceFrame> m_frame;
    win32::ComPtr<EventPoint> m_events;
    win32::ComPtr<IDocHostUIHandler> m_uiHandler;
    HWND m_window = nullptr;
    SIZEL m_extent = {0, 0};
};

class Factory : public IClassFactory
{
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        *ppv = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override
    {
        Record(L"CreateInstance %ls", iid == IID_IOleObject ? L"IOleObject"
                                      : iid == IID_IOleControl ? L"IOleControl"
                                      : iid == IID_IUnknown ? L"IUnknown" : L"other");
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        TestControl* control = new TestControl;
        const HRESULT hr = control->QueryInterface(iid, ppv);
        control->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* ppv)
{
    *ppv = nullptr;
    if (clsid != kTestControlClassId)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, ppv);
}

// Stays loaded: the tests read its record after the objects are gone.
STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}

void WINAPI TestControlConfigure(const TestControlOptions* options)
{
    g_options = *options;
}

LPCWSTR WINAPI TestControlCalls()
{
    g_joined.clear();
    for (const std::wstring& call : g_calls)
        g_joined += call + L"\n";
    return g_joined.c_str();
}

void WINAPI TestControlClear()
{
    g_calls.clear();
}

LONG WINAPI TestControlLiveObjects()
{
    return g_live;
}

IUnknown* WINAPI TestControlDocumentUIHandler()
{
    return g_uiHandlerHolder ? g_uiHandlerHolder->UIHandler() : nullptr;
}

} // extern "C"
