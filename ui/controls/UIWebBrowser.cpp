// The web browser control: creation, event sink, UI handler, script errors and accelerators.

#include "controls/UIWebBrowser.h"

#include <mshtml.h>
#include <ocidl.h>

#include <cwchar>
#include <new>

#include "core/UIAttributeValues.h"
#include "core/UIManager.h"

#include "ComObject.h"
#include "Win32Handle.h"

namespace QxUI {

namespace {

// The system's web browser control.
constexpr CLSID kWebBrowserClassId = {
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
// The document host's command group and its "show script error" command.
constexpr GUID kDocHostCommandGroup = {
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
constexpr DWORD kShowScriptError = 40;
constexpr LCID kScriptErrorLocale = 2048;
// Key messages offered to the browser: WM_KEYDOWN to WM_SYSDEADCHAR (the headers' WM_KEYLAST
// also takes in WM_UNICHAR).
constexpr UINT kFirstKeyMessage = WM_KEYFIRST;
constexpr UINT kLastKeyMessage = 0x108;
constexpr LPCWSTR kScriptErrorProperties[] = {L"errorLine", L"errorCharacter", L"errorCode",
                                              L"errorMessage", L"errorUrl"};

enum BrowserEvent : DISPID
{
    StatusTextChange = 102,
    CommandStateChange = 105,
    BeforeNavigate2 = 250,
    NavigateComplete2 = 252,
    NavigateError = 271,
    NewWindow3 = 273,
};

// The document a command argument carries, or null.
IHTMLDocument2* DocumentOf(const VARIANT* in)
{
    if (!in || (in->vt != VT_UNKNOWN && in->vt != VT_DISPATCH) || !in->punkVal)
        return nullptr;
    IHTMLDocument2* document = nullptr;
    if (FAILED(in->punkVal->QueryInterface(__uuidof(IHTMLDocument2),
                                           reinterpret_cast<void**>(&document))))
        return nullptr;
    return document;
}

// The UI handler a document holds. A document may keep it after the control has let go of
// the browser, or after the control is gone: it answers on its own and holds nothing of the
// control's, so a late call never reaches freed memory. Its last release deletes it.
class DocumentUIHandler final : public CDocHostAnswers<win32::DeleteOnLastRelease>
{
private:
    ~DocumentUIHandler() override = default;
};

} // namespace

CWebBrowserUI::CWebBrowserUI()
{
    m_clsid = kWebBrowserClassId;
}

CWebBrowserUI::~CWebBrowserUI()
{
    // Here, while the object is whole: the browser still holds our event interface.
    CWebBrowserUI::ReleaseHostedControl();
}

LPCWSTR CWebBrowserUI::GetClass() const
{
    return L"WebBrowserUI";
}

LPVOID CWebBrowserUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"WebBrowser") == 0)
        return this;
    return CActiveXUI::AsInterface(name);
}

void CWebBrowserUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (wcscmp(name, L"homepage") == 0)
        SetHomePage(value);
    else if (wcscmp(name, L"autonavi") == 0)
        SetAutoNavigation(AttributeIsTrue(value));
    else
        CActiveXUI::SetAttribute(name, value);
}

bool CWebBrowserUI::CreateHostedControl()
{
    if (!CActiveXUI::CreateHostedControl())
        return false;
    OfferAcceleratorTranslator(static_cast<ITranslateAccelerator*>(this));
    QueryHostedControl(IID_IWebBrowser2, m_pWebBrowser.Receive());
    if (m_bAutoNavi && !m_sHomePage.IsEmpty())
        Navigate(m_sHomePage.GetData());
    RegisterEventSink(true);
    return true;
}

void CWebBrowserUI::ReleaseHostedControl()
{
    m_bCreated = false;
    OfferAcceleratorTranslator(nullptr);
    RegisterEventSink(false);
    m_pWebBrowser.Reset();
    // The control, its site and window go as in every ActiveX host.
    CActiveXUI::ReleaseHostedControl();
}

void CWebBrowserUI::Navigate(LPCWSTR url)
{
    if (!url || !*url || !m_pWebBrowser)
        return;
    VARIANT target;
    ::VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = ::SysAllocString(url);
    if (!target.bstrVal)
        return;
    VARIANT none;
    ::VariantInit(&none);
    m_pWebBrowser->Navigate2(&target, &none, &none, &none, &none);
    ::VariantClear(&target);
}

HRESULT CWebBrowserUI::RegisterEventSink(bool connect)
{
    if (!connect && m_dwCookie == 0)
        return S_OK;
    IWebBrowser2* browser = nullptr;
    HRESULT hr = QueryHostedControl(IID_IWebBrowser2, reinterpret_cast<LPVOID*>(&browser));
    if (FAILED(hr))
        return hr;
    IConnectionPointContainer* container = nullptr;
    hr = browser->QueryInterface(IID_IConnectionPointContainer,
                                 reinterpret_cast<void**>(&container));
    browser->Release();
    if (FAILED(hr))
        return hr;
    IConnectionPoint* point = nullptr;
    hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    container->Release();
    if (FAILED(hr))
        return hr;
    if (connect) {
        hr = point->Advise(static_cast<IDispatch*>(this), &m_dwCookie);
    } else {
        hr = point->Unadvise(m_dwCookie);
        m_dwCookie = 0;
    }
    point->Release();
    return hr;
}

void CWebBrowserUI::InstallUIHandler()
{
    if (!m_pWebBrowser)
        return;
    IDispatch* document = nullptr;
    if (FAILED(m_pWebBrowser->get_Document(&document)) || !document)
        return;
    ICustomDoc* custom = nullptr;
    if (SUCCEEDED(document->QueryInterface(__uuidof(ICustomDoc),
                                           reinterpret_cast<void**>(&custom)))) {
        // The document keeps the only reference.
        if (DocumentUIHandler* handler = new (std::nothrow) DocumentUIHandler) {
            custom->SetUIHandler(handler);
            handler->Release();
        }
        custom->Release();
    }
    document->Release();
}

// ---- COM ----------------------------------------------------------------------------------------

STDMETHODIMP CWebBrowserUI::GetTypeInfoCount(UINT* count)
{
    if (count)
        *count = 0;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserUI::Invoke(DISPID id, REFIID iid, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*)
{
    if (iid != IID_NULL)
        return E_INVALIDARG;
    switch (id) {
    case StatusTextChange:
    case CommandStateChange:
    case BeforeNavigate2:
    case NavigateError:
    case NewWindow3:
        return S_OK;
    case NavigateComplete2:
        InstallUIHandler();
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

template <class Lifetime, class... More>
STDMETHODIMP CDocHostAnswers<Lifetime, More...>::QueryService(REFGUID, REFIID, void** ppv)
{
    // No service of ours is offered, that of the browser's own kind included.
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    return E_NOINTERFACE;
}

template <class Lifetime, class... More>
STDMETHODIMP CDocHostAnswers<Lifetime, More...>::Exec(const GUID* group, DWORD cmd, DWORD,
                                                     VARIANT* in, VARIANT* out)
{
    if (!group || *group != kDocHostCommandGroup)
        return OLECMDERR_E_UNKNOWNGROUP;
    if (cmd != kShowScriptError)
        return OLECMDERR_E_NOTSUPPORTED;

    // Scripts go on and no dialog shows, whatever the details below yield.
    if (out) {
        ::VariantClear(out);
        out->vt = VT_BOOL;
        out->boolVal = VARIANT_TRUE;
    }
    IHTMLDocument2* document = DocumentOf(in);
    if (!document)
        return E_INVALIDARG;
    IHTMLWindow2* window = nullptr;
    HRESULT hr = document->get_parentWindow(&window);
    document->Release();
    if (FAILED(hr) || !window)
        return FAILED(hr) ? hr : E_FAIL;
    IHTMLEventObj* event = nullptr;
    hr = window->get_event(&event);
    window->Release();
    if (FAILED(hr) || !event)
        return FAILED(hr) ? hr : E_FAIL;

    for (LPCWSTR property : kScriptErrorProperties) {
        LPOLESTR name = const_cast<LPOLESTR>(property);
        DISPID id = DISPID_UNKNOWN;
        hr = event->GetIDsOfNames(IID_NULL, &name, 1, kScriptErrorLocale, &id);
        if (FAILED(hr))
            continue;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        VARIANT value;
        ::VariantInit(&value);
        hr = event->Invoke(id, IID_NULL, kScriptErrorLocale, DISPATCH_PROPERTYGET, &none, &value,
                           nullptr, nullptr);
        ::VariantClear(&value);
    }
    event->Release();
    return hr;
}

template <class Lifetime, class... More>
STDMETHODIMP CDocHostAnswers<Lifetime, More...>::GetOptionKeyPath(LPOLESTR* key, DWORD)
{
    if (key)
        *key = nullptr;
    return E_NOTIMPL;
}

// The out pointers are cleared: a caller may read or release them whatever the answer.
template <class Lifetime, class... More>
STDMETHODIMP CDocHostAnswers<Lifetime, More...>::GetDropTarget(IDropTarget*, IDropTarget** target)
{
    if (target)
        *target = nullptr;
    return S_FALSE;
}

template <class Lifetime, class... More>
STDMETHODIMP CDocHostAnswers<Lifetime, More...>::GetExternal(IDispatch** external)
{
    if (external)
        *external = nullptr;
    return S_FALSE;
}

template <class Lifetime, class... More>
STDMETHODIMP CDocHostAnswers<Lifetime, More...>::TranslateUrl(DWORD, LPWSTR, LPWSTR* out)
{
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

template <class Lifetime, class... More>
STDMETHODIMP CDocHostAnswers<Lifetime, More...>::FilterDataObject(IDataObject*, IDataObject** out)
{
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

LRESULT CWebBrowserUI::TranslateAccelerator(MSG* msg)
{
    if (!msg || msg->message < kFirstKeyMessage || msg->message > kLastKeyMessage)
        return S_FALSE;
    if (!m_pWebBrowser)
        return E_NOTIMPL;
    const HWND host = m_hwndHost;
    for (HWND window = ::GetFocus(); host && window; window = ::GetParent(window)) {
        if (window != host)
            continue;
        IOleInPlaceActiveObject* active = nullptr;
        if (FAILED(m_pWebBrowser->QueryInterface(IID_IOleInPlaceActiveObject,
                                                 reinterpret_cast<void**>(&active))) ||
            !active)
            return S_FALSE;
        const HRESULT hr = active->TranslateAccelerator(msg);
        active->Release();
        return hr;
    }
    return S_FALSE;
}

template class CDocHostAnswers<win32::OwnedElsewhere, win32::Answers<IDispatch, IID_IDispatch>>;

} // namespace QxUI
