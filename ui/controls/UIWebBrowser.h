// The web browser control: an ActiveX host preset to the system's browser control. It receives
// the browser's events, installs itself as each document's UI handler, keeps script errors
// from raising dialogs and passes keys to the browser while the focus is inside it.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <servprov.h>

#include "controls/UIActiveX.h"
#include "core/UIEvents.h"
#include "core/UIString.h"

#include "ComObject.h"

namespace QxUI {

// What a browser's documents ask of their host: the UI handler's answers, script errors and
// services. The control answers them (More adds its event interface), and so does the UI
// handler it gives each document, an object of its own that lives for as long as the document
// holds it (UIWebBrowser.cpp). IUnknown is the UI handler.
template <class Lifetime, class... More>
class CDocHostAnswers
    : public win32::ComObject<Lifetime, win32::Answers<IDocHostUIHandler, IID_IDocHostUIHandler>,
                              win32::Answers<IServiceProvider, IID_IServiceProvider>,
                              win32::Answers<IOleCommandTarget, IID_IOleCommandTarget>, More...>
{
public:
    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** ppv) override;

    // IOleCommandTarget
    STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override
    {
        return OLECMDERR_E_NOTSUPPORTED;
    }
    STDMETHODIMP Exec(const GUID* group, DWORD cmd, DWORD options, VARIANT* in,
                      VARIANT* out) override;

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_FALSE; }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override
    {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP EnableModeless(WINBOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnDocWindowActivate(WINBOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnFrameWindowActivate(WINBOOL) override { return E_NOTIMPL; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override;
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) override;
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override;
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override;

protected:
    CDocHostAnswers() = default;
    ~CDocHostAnswers() override = default;
};

// The control's own answers: its count never deletes it, the control's owner does.
using CWebBrowserAnswers =
    CDocHostAnswers<win32::OwnedElsewhere, win32::Answers<IDispatch, IID_IDispatch>>;
extern template class CDocHostAnswers<win32::OwnedElsewhere,
                                      win32::Answers<IDispatch, IID_IDispatch>>;

class CWebBrowserUI : public CActiveXUI, public CWebBrowserAnswers, public ITranslateAccelerator
{
public:
    CWebBrowserUI();
    ~CWebBrowserUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void ReleaseHostedControl() override;
    bool CreateHostedControl() override;

    void SetHomePage(LPCWSTR url) { m_sHomePage = url ? url : L""; }
    CUIString GetHomePage() const { return m_sHomePage; }
    void SetAutoNavigation(bool on) { m_bAutoNavi = on; }
    bool IsAutoNavigation() const { return m_bAutoNavi; }
    void Navigate(LPCWSTR url);
    HRESULT RegisterEventSink(bool connect);
    // The hosted browser; null until created.
    IWebBrowser2* GetWebBrowser() const { return m_pWebBrowser.Get(); }

    // IDispatch: the browser's events.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excepInfo, UINT* argError) override;

    // ITranslateAccelerator: keys pressed while the focus is inside the browser.
    using CWebBrowserAnswers::TranslateAccelerator;
    LRESULT TranslateAccelerator(MSG* msg) override;

protected:
    void InstallUIHandler();

    win32::ComPtr<IWebBrowser2> m_pWebBrowser;
    DWORD m_dwCookie = 0;
    CUIString m_sHomePage;
    bool m_bAutoNavi = false;
};

} // namespace QxUI
