// The web browser control: its COM plumbing against our test control answering as the browser,
// the UI handler its documents keep, the system's browser where it can be created, and
// navigation only where a web engine exists.

#include "controls/UIWebBrowser.h"
#include "core/UIContainer.h"

#include <gtest/gtest.h>

#include "activex_support.h"

using namespace QxUI;
using namespace activextest;
using controlstest::FreedMemoryReuse;
using managertest::PumpUntil;

namespace {

constexpr GUID kDocHostCommandGroup = {
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
constexpr GUID kBrowserService = {
    0x988934A4, 0x064B, 0x11D3, {0xBB, 0x80, 0x00, 0x10, 0x4B, 0x35, 0xE7, 0xF9}};

std::wstring BrowserSkin(const std::wstring& attributes)
{
    return L"<Window><HorizontalLayout><Control width=\"40\" /><WebBrowser name=\"wb\" width=\"150\" " +
           attributes + L" /><Control /></HorizontalLayout></Window>";
}

// Whether the system can make an object of the class in this process.
bool SystemCreates(const CLSID& clsid)
{
    win32::ComPtr<IUnknown> probe;
    return SUCCEEDED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, probe.Receive()));
}

// Our object's reference count, as the browser holds it.
ULONG References(CWebBrowserUI* browser)
{
    static_cast<IDispatch*>(browser)->AddRef();
    return static_cast<IDispatch*>(browser)->Release();
}

class WebBrowserControl : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lib.IsLoaded());
        lib.Configure(false, 0, true);
    }
    void TearDown() override
    {
        window.host.reset();
        EXPECT_EQ(0, lib.LiveObjects()) << "objects left behind";
    }
    CWebBrowserUI* Open(const std::wstring& attributes)
    {
        return window.Open<CWebBrowserUI>(BrowserSkin(attributes), L"wb");
    }

    TestControlLibrary lib;
    ActiveXWindow window;
};

} // namespace

TEST_F(WebBrowserControl, ConnectsItsEventSinkAndNavigatesHomeOnlyWhenAskedAndGiven)
{
    struct Case { std::wstring attributes; std::vector<std::wstring> calls; };
    const Case cases[] = {
        {L"homepage=\"http://home.test/\" autonavi=\"true\"", {L"Navigate2 http://home.test/", L"Advise IDispatch"}},
        {L"homepage=\"\" autonavi=\"true\"", {L"Advise IDispatch"}},
        {L"homepage=\"http://home.test/\"", {L"Advise IDispatch"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        lib.Configure(false, 0, true);
        CWebBrowserUI* wb = Open(TestControlAttributes() + L" " + c.attributes);
        ASSERT_NE(nullptr, wb);
        EXPECT_NE(nullptr, wb->GetWebBrowser());
        EXPECT_EQ(c.calls, lib.CallsStarting({L"Navigate2", L"Advise", L"Unadvise"}));
        EXPECT_EQ(1u, References(wb)) << "the browser holds our sink";
        window.host.reset();
        EXPECT_EQ(1, lib.Count(L"Unadvise 1"));
        EXPECT_EQ(0, lib.LiveObjects());
    }
}

TEST_F(WebBrowserControl, ReleaseAndRecreationFreeEverythingTheBaseFrees)
{
    CWebBrowserUI* wb = Open(TestControlAttributes());
    ASSERT_NE(nullptr, wb);
    const HWND host = wb->GetHostWindow();
    ASSERT_TRUE(::IsWindow(host));
    const LONG live = lib.LiveObjects();   // the control and its event source
    lib.Clear();
    ASSERT_TRUE(wb->CreateHostedControl());
    EXPECT_EQ((std::vector<std::wstring>{L"Unadvise 1", L"SetSite null", L"Close", L"SetClientSite null",
                                         L"CreateInstance IOleObject", L"SetClientSite", L"SetSite",
                                         L"Advise IDispatch"}),
              lib.CallsStarting({L"Unadvise", L"SetSite", L"Close", L"SetClientSite", L"CreateInstance", L"Advise"}));
    EXPECT_FALSE(::IsWindow(host));
    EXPECT_EQ(live, lib.LiveObjects()) << "the first control is gone, only the new one lives";
    EXPECT_EQ(1u, References(wb));

    wb->ReleaseHostedControl();
    EXPECT_EQ(nullptr, wb->GetWebBrowser());
    EXPECT_EQ(nullptr, wb->GetHostWindow());
    EXPECT_EQ(0, lib.LiveObjects());
    EXPECT_EQ(0u, References(wb));
}

TEST_F(WebBrowserControl, EventsCommandsAndServicesCheckTheirArgumentsAndTheDocument)
{
    CWebBrowserUI idle;   // never created: no browser, no document
    CWebBrowserUI* wb = Open(TestControlAttributes());
    ASSERT_NE(nullptr, wb);
    for (CWebBrowserUI* target : {&idle, wb}) {
        DISPPARAMS none = {};
        struct Event { DISPID id; HRESULT hr; };
        for (const Event& e : {Event{102, S_OK}, Event{105, S_OK}, Event{250, S_OK}, Event{252, S_OK},
                               Event{271, S_OK}, Event{273, S_OK}, Event{999, DISP_E_MEMBERNOTFOUND}})
            EXPECT_EQ(e.hr, target->Invoke(e.id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr))
                << e.id;
        EXPECT_EQ(E_INVALIDARG,
                  target->Invoke(252, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
        EXPECT_EQ(E_NOTIMPL, target->GetTypeInfoCount(nullptr));

        VARIANT out;
        ::VariantInit(&out);
        VARIANT notADocument;
        ::VariantInit(&notADocument);
        notADocument.vt = VT_UNKNOWN;
        notADocument.punkVal = static_cast<IDispatch*>(target);
        struct Command { const GUID* group; DWORD cmd; VARIANT* in; VARIANT* out; HRESULT hr; };
        const Command commands[] = {
            {nullptr, 40, nullptr, &out, OLECMDERR_E_UNKNOWNGROUP},
            {&IID_IUnknown, 40, nullptr, &out, OLECMDERR_E_UNKNOWNGROUP},
            {&kDocHostCommandGroup, 41, nullptr, &out, OLECMDERR_E_NOTSUPPORTED},
            {&kDocHostCommandGroup, 40, nullptr, nullptr, E_INVALIDARG},
            {&kDocHostCommandGroup, 40, &notADocument, &out, E_INVALIDARG},
        };
        for (const Command& c : commands)
            EXPECT_EQ(c.hr, target->Exec(c.group, c.cmd, 0, c.in, c.out));
        EXPECT_EQ(VT_BOOL, out.vt) << "scripts go on, no dialog";
        EXPECT_EQ(VARIANT_TRUE, out.boolVal);
    }
    EXPECT_EQ(1, lib.Count(L"get_Document")) << "navigation complete installs the UI handler";

    struct Query { REFIID iid; HRESULT hr; };
    for (const Query& q : {Query{IID_IUnknown, S_OK}, Query{IID_IDocHostUIHandler, S_OK}, Query{IID_IDispatch, S_OK},
                           Query{IID_IServiceProvider, S_OK}, Query{IID_IOleCommandTarget, S_OK},
                           Query{IID_IOleObject, E_NOINTERFACE}}) {
        win32::ComPtr<IUnknown> unknown;
        EXPECT_EQ(q.hr, static_cast<IDispatch*>(wb)->QueryInterface(q.iid, unknown.Receive()));
    }
    void* service = wb;
    EXPECT_EQ(E_NOINTERFACE, wb->QueryService(kBrowserService, kBrowserService, &service));
    EXPECT_EQ(nullptr, service);
    EXPECT_EQ(E_POINTER, wb->QueryService(kBrowserService, kBrowserService, nullptr));
    EXPECT_EQ(1u, References(wb));
}

TEST_F(WebBrowserControl, KeysReachTheBrowserOnlyWhileTheFocusIsInsideIt)
{
    CWebBrowserUI idle;
    MSG key = {nullptr, WM_KEYDOWN, 'A', 0};
    EXPECT_EQ(E_NOTIMPL, idle.TranslateAccelerator(&key));

    CWebBrowserUI* wb = Open(TestControlAttributes());
    ASSERT_NE(nullptr, wb);
    const HWND inside = ::FindWindowExW(wb->GetHostWindow(), nullptr, kTestControlWindowClass, nullptr);
    ASSERT_NE(nullptr, inside);
    struct Case { HWND focus; UINT msg; bool reaches; };
    const Case cases[] = {
        {inside, WM_KEYDOWN, true},
        {inside, WM_CHAR, true},
        {inside, WM_UNICHAR, false},
        {inside, WM_LBUTTONDOWN, false},
        {window.Window(), WM_KEYDOWN, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.msg);
        ::SetFocus(c.focus);
        ASSERT_EQ(c.focus, ::GetFocus());
        lib.Clear();
        ::PostMessageW(c.focus, c.msg, 'A', 0);
        managertest::Pump();
        EXPECT_EQ(c.reaches ? 1 : 0, lib.Count(L"TranslateAccelerator"));
    }
}

TEST_F(WebBrowserControl, CreatesTheSystemBrowserAndHoldsItsEventsOnlyWhileCreated)
{
    if (!SystemCreates(CWebBrowserUI().GetClassId()))
        GTEST_SKIP() << "no browser control on this system";
    CWebBrowserUI* wb = Open(L"");
    ASSERT_NE(nullptr, wb);
    ASSERT_NE(nullptr, wb->GetWebBrowser());
    EXPECT_GE(References(wb), 1u);
    wb->ReleaseHostedControl();
    EXPECT_EQ(0u, References(wb));
}

TEST_F(WebBrowserControl, NavigatesToAPageOnlyWhereAWebEngineExists)
{
    const CLSID htmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};
    if (!SystemCreates(htmlDocument))
        GTEST_SKIP() << "no web engine here: the browser creates and navigates but shows nothing";
    CWebBrowserUI* wb = Open(L"homepage=\"about:blank\" autonavi=\"true\"");
    ASSERT_NE(nullptr, wb);
    ASSERT_TRUE(PumpUntil([wb] {
        win32::ComPtr<IDispatch> document;
        return SUCCEEDED(wb->GetWebBrowser()->get_Document(reinterpret_cast<IDispatch**>(document.Receive()))) &&
               document;
    }));
}

namespace {

// The out pointers a document host fills, set to garbage before each call: every one is cleared.
void ExpectOutPointersCleared(IDocHostUIHandler* ui)
{
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    IDropTarget* target = reinterpret_cast<IDropTarget*>(1);
    LPOLESTR key = reinterpret_cast<LPOLESTR>(1);
    ui->GetExternal(&external);
    ui->GetDropTarget(nullptr, &target);
    ui->GetOptionKeyPath(&key, 0);
    EXPECT_EQ(nullptr, external);
    EXPECT_EQ(nullptr, target);
    EXPECT_EQ(nullptr, key);
}

} // namespace

TEST_F(WebBrowserControl, TheDocumentsUIHandlerLivesAsLongAsTheDocumentHoldsIt)
{
    CWebBrowserUI* wb = Open(TestControlAttributes());
    ASSERT_NE(nullptr, wb);
    {
        win32::ComPtr<IDocHostUIHandler> own;
        ASSERT_EQ(S_OK, static_cast<IDispatch*>(wb)->QueryInterface(IID_IDocHostUIHandler, own.Receive()));
        ExpectOutPointersCleared(own.Get());
    }

    DISPPARAMS none = {};
    ASSERT_EQ(S_OK, wb->Invoke(252, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    win32::ComPtr<IDocHostUIHandler> handler;   // held as a page keeps it
    ASSERT_EQ(S_OK, lib.DocumentUIHandler()->QueryInterface(IID_IDocHostUIHandler, handler.Receive()));
    EXPECT_EQ(1u, References(wb)) << "the document holds an object of its own, not the control";

    auto* row = static_cast<CContainerUI*>(wb->GetParent());
    row->SetDeferredDelete(false);
    ASSERT_TRUE(row->Remove(wb));
    FreedMemoryReuse reuse(sizeof(CWebBrowserUI));
    ASSERT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; })) << "the browser and its document are gone";
    ExpectOutPointersCleared(handler.Get());   // answered without the control
    handler->AddRef();
    EXPECT_EQ(1u, handler->Release()) << "the page's reference is the last";
}
