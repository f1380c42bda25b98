// The ActiveX host with our test control: creation paths, the order of the site calls,
// windowed and windowless controls, delayed creation, release, and a host window destroyed
// from outside.

#include "controls/UIActiveX.h"
#include "core/UIContainer.h"

#include <ocidl.h>

#include <gtest/gtest.h>

#include "activex_support.h"

using namespace QxUI;
using namespace activextest;
using managertest::PumpUntil;

namespace {

const std::wstring kSkinHead = L"<Window><HorizontalLayout><Control width=\"40\" />";
const std::wstring kSkinTail = L"<Control /></HorizontalLayout></Window>";

std::wstring SkinWith(const std::wstring& attributes)
{
    return kSkinHead + L"<ActiveX name=\"ax\" width=\"100\" " + attributes + L" />" + kSkinTail;
}

// The client site the host gave its control, or null.
win32::ComPtr<IOleClientSite> ClientSiteOf(CActiveXUI* ax)
{
    win32::ComPtr<IOleClientSite> client;
    win32::ComPtr<IOleObject> object;
    if (ax->QueryHostedControl(IID_IOleObject, object.Receive()) == S_OK)
        object->GetClientSite(reinterpret_cast<IOleClientSite**>(client.Receive()));
    return client;
}

class ActiveXHost : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lib.IsLoaded());
        ASSERT_TRUE(registration.IsDone());
        lib.Configure(false);
    }
    void TearDown() override
    {
        window.host.reset();
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; })) << "objects left behind";
    }
    CActiveXUI* Open(const std::wstring& attributes) { return window.Open<CActiveXUI>(SkinWith(attributes), L"ax"); }
    void Click(UINT msg, int x, int y) { ::SendMessageW(window.Window(), msg, 0, MAKELPARAM(x, y)); }

    TestControlLibrary lib;
    PerUserRegistration registration;
    ActiveXWindow window;
};

} // namespace

TEST_F(ActiveXHost, CreatesByModuleNameClassIdAndProgIdFallingBackToComForAMissingModule)
{
    struct Case { std::wstring attributes; LPCWSTR created; };
    const Case cases[] = {
        {TestControlAttributes(), L"CreateInstance IOleObject"},
        {std::wstring(L"clsid=\"") + kTestControlClassIdText + L"\"", L"CreateInstance IOleControl"},
        {std::wstring(L"clsid=\"") + kTestControlProgId + L"\"", L"CreateInstance IOleControl"},
        {std::wstring(L"modulename=\"no_such_module.dll\" clsid=\"") + kTestControlClassIdText + L"\"",
         L"CreateInstance IOleControl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        lib.Configure(false);
        CActiveXUI* ax = Open(c.attributes);
        ASSERT_NE(nullptr, ax);
        EXPECT_EQ(std::vector<std::wstring>{c.created}, lib.CallsStarting({L"CreateInstance"}));
        win32::ComPtr<IOleObject> object;
        ASSERT_EQ(S_OK, ax->QueryHostedControl(IID_IOleObject, object.Receive()));
        object.Reset();
        EXPECT_EQ(1, window.host->recorder.Count(L"showactivex"));
        window.host.reset();
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
    }
}

TEST_F(ActiveXHost, AClassIdThatDoesNotParseLeavesAnEmptyIdAndCreatesNothing)
{
    for (LPCWSTR text : {L"{6F0C1E52-not-a-class-id}", L"No.Such.ProgId", L"{00000000-0000-0000-0000-000000000000}"}) {
        SCOPED_TRACE(text);
        CActiveXUI* ax = Open(std::wstring(L"clsid=\"") + text + L"\"");
        ASSERT_NE(nullptr, ax);
        EXPECT_FALSE(ax->SetClassIdText(text));
        EXPECT_TRUE(ax->GetClassId() == CLSID{});
        EXPECT_EQ(E_POINTER, ax->QueryHostedControl(IID_IOleObject, nullptr));
        win32::ComPtr<IUnknown> unknown;
        EXPECT_EQ(E_PENDING, ax->QueryHostedControl(IID_IUnknown, unknown.Receive()));
        EXPECT_EQ(0, lib.Count(L"CreateInstance"));
        EXPECT_EQ(0, window.host->recorder.Count(L"showactivex"));
    }
}

TEST_F(ActiveXHost, SiteCallsFollowTheOrderTheMiscStatusAsksFor)
{
    const std::vector<std::wstring> steps = {L"GetMiscStatus", L"SetClientSite", L"InitNew", L"SetHostNames",
                                             L"DoVerb", L"SetSite"};
    struct Case { DWORD status; std::vector<std::wstring> calls; };
    const Case cases[] = {
        {0, {L"GetMiscStatus", L"InitNew", L"SetClientSite", L"SetHostNames UIActiveX", L"DoVerb -5", L"SetSite"}},
        {OLEMISC_SETCLIENTSITEFIRST,
         {L"GetMiscStatus", L"SetClientSite", L"InitNew", L"SetHostNames UIActiveX", L"DoVerb -5", L"SetSite"}},
        {OLEMISC_INVISIBLEATRUNTIME, {L"GetMiscStatus", L"InitNew", L"SetClientSite", L"SetHostNames UIActiveX",
                                      L"SetSite"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        lib.Configure(false, c.status);
        ASSERT_NE(nullptr, Open(TestControlAttributes()));
        std::vector<std::wstring> calls = lib.CallsStarting(steps);
        for (std::wstring& call : calls)
            if (call.compare(0, 6, L"DoVerb") == 0)
                call = call.substr(0, 9);
        EXPECT_EQ(c.calls, calls);
        window.host.reset();
    }
}

TEST_F(ActiveXHost, WindowedControlLivesInAHostWindowThatFollowsItsRectangle)
{
    CActiveXUI* ax = Open(TestControlAttributes());
    ASSERT_NE(nullptr, ax);
    const HWND host = ax->GetHostWindow();
    ASSERT_TRUE(::IsWindow(host));
    EXPECT_EQ(window.Window(), ::GetParent(host));
    EXPECT_NE(nullptr, ::FindWindowExW(host, nullptr, kTestControlWindowClass, nullptr));
    EXPECT_EQ(1, lib.Count(L"activated windowed"));

    const RECT moved = {50, 20, 250, 120};
    lib.Clear();
    ax->SetPos(moved);
    RECT placed;
    ::GetWindowRect(host, &placed);
    ::MapWindowPoints(nullptr, window.Window(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(RectText(moved), RectText(placed));
    HDC screen = ::GetDC(nullptr);
    const std::wstring extent = L"SetExtent " + std::to_wstring(::MulDiv(2540, 200, ::GetDeviceCaps(screen, LOGPIXELSX))) +
                                L"," + std::to_wstring(::MulDiv(2540, 100, ::GetDeviceCaps(screen, LOGPIXELSY)));
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ((std::vector<std::wstring>{extent, L"SetObjectRects 0,0,200,100"}),
              lib.CallsStarting({L"SetExtent", L"SetObjectRects"}));

    lib.Clear();
    ::SendMessageW(host, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(1, lib.Count(L"DoVerb -4 ")) << "the focus makes the control UI-active";

    ax->SetVisible(false);
    EXPECT_FALSE(::IsWindowVisible(host));
    ax->SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(host));
}

TEST_F(ActiveXHost, WindowlessControlIsDrawnByUsAndClickedThroughTheMessageFilter)
{
    lib.Configure(true);
    CActiveXUI* ax = Open(TestControlAttributes());
    ASSERT_NE(nullptr, ax);
    EXPECT_EQ(1, lib.Count(L"activated windowless"));
    EXPECT_EQ(window.Window(), ax->GetHostWindow());
    EXPECT_EQ(nullptr, ::FindWindowExW(window.Window(), nullptr, L"ActiveXWnd", nullptr));
    const RECT pos = ax->GetPos();
    EXPECT_EQ(L"SetObjectRects " + RectText(pos), lib.CallsStarting({L"SetObjectRects"}).back());

    lib.Clear();
    window.host->Repaint();
    EXPECT_EQ(std::vector<std::wstring>{L"Draw " + RectText(pos)}, lib.CallsStarting({L"Draw"}));

    struct Case { UINT msg; int x; bool reaches; };
    const Case cases[] = {
        {WM_LBUTTONDOWN, pos.left + 5, true},
        {WM_MOUSEMOVE, pos.left + 5, true},
        {WM_LBUTTONDOWN, pos.right + 5, false},
        {WM_KEYDOWN, pos.left + 5, false},   // keys only with the focus
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.msg);
        lib.Clear();
        Click(c.msg, c.x, pos.top + 7);
        const std::vector<std::wstring> got = lib.CallsStarting({L"OnWindowMessage"});
        EXPECT_EQ(c.reaches ? 1u : 0u, got.size());
        if (c.reaches && !got.empty())
            EXPECT_NE(std::wstring::npos, got[0].find(std::to_wstring(c.x) + L"," + std::to_wstring(pos.top + 7)));
    }
    ax->SetMouseEnabled(false);
    lib.Clear();
    Click(WM_LBUTTONDOWN, pos.left + 5, pos.top + 7);
    EXPECT_EQ(0, lib.Count(L"OnWindowMessage"));

    // With the focus, key messages reach it; WM_UNICHAR lies beyond them.
    {
        win32::ComPtr<IOleClientSite> client = ClientSiteOf(ax);
        ASSERT_TRUE(client);
        win32::ComPtr<IOleControlSite> controlSite;
        ASSERT_EQ(S_OK, client->QueryInterface(IID_IOleControlSite, controlSite.Receive()));
        controlSite->OnFocus(TRUE);
    }
    for (const Case& c : {Case{WM_KEYDOWN, 0, true}, Case{WM_CHAR, 0, true}, Case{WM_UNICHAR, 0, false}}) {
        SCOPED_TRACE(c.msg);
        lib.Clear();
        Click(c.msg, c.x, 0);
        EXPECT_EQ(c.reaches ? 1 : 0, lib.Count(L"OnWindowMessage"));
    }

    ax->SetVisible(false);
    lib.Clear();
    window.host->Repaint();
    EXPECT_EQ(0, lib.Count(L"Draw")) << "a hidden windowless control is not painted";
    // Hidden, or shown but disabled, it takes no keys either.
    for (bool visible : {false, true}) {
        ax->SetVisible(visible);
        ax->SetEnabled(!visible);
        lib.Clear();
        Click(WM_KEYDOWN, 0, 0);
        EXPECT_EQ(0, lib.Count(L"OnWindowMessage")) << visible;
    }
}

TEST_F(ActiveXHost, DelayedCreationWaitsForTheFirstLayoutUnlessSwitchedOff)
{
    struct Case { std::wstring attributes; bool atBuild; };
    const Case cases[] = {
        {TestControlAttributes(), false},
        {TestControlAttributes() + L" delaycreate=\"false\"", true},
        {L"delaycreate=\"false\" " + TestControlAttributes(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        lib.Configure(false);
        skintest::SkinWindow skin;
        skin.host.manager.AddNotifier(&skin.recorder);
        ASSERT_TRUE(skin.host.Open(300, 200));
        CUILayoutBuilder builder;
        CControlUI* root = builder.Create(SkinWith(c.attributes).c_str(), nullptr, nullptr, &skin.host.manager);
        ASSERT_NE(nullptr, root);
        EXPECT_EQ(c.atBuild ? 1 : 0, lib.Count(L"CreateInstance"));
        skin.host.manager.AttachRootControl(root);
        skin.Repaint();
        EXPECT_EQ(1, lib.Count(L"CreateInstance"));
        EXPECT_EQ(1, lib.Count(L"activated"));
        if (!c.atBuild)
            EXPECT_EQ(1, skin.recorder.Count(L"showactivex"));
    }
}

TEST_F(ActiveXHost, RemovalReleasesControlSiteAndWindow)
{
    for (bool windowless : {false, true}) {
        SCOPED_TRACE(windowless);
        lib.Configure(windowless);
        CActiveXUI* ax = Open(TestControlAttributes());
        ASSERT_NE(nullptr, ax);
        const HWND host = ax->GetHostWindow();
        const RECT pos = ax->GetPos();
        lib.Clear();
        auto* layout = static_cast<CContainerUI*>(ax->GetParent());
        ASSERT_TRUE(layout->Remove(ax));
        ASSERT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
        EXPECT_EQ((std::vector<std::wstring>{L"SetSite null", L"Close", L"SetClientSite null"}),
                  lib.CallsStarting({L"SetSite", L"Close", L"SetClientSite"}));
        EXPECT_EQ(windowless, ::IsWindow(host) != FALSE) << "only our own host window goes";
        lib.Clear();
        Click(WM_LBUTTONDOWN, pos.left + 5, pos.top + 5);
        EXPECT_EQ(0, lib.Count(L"OnWindowMessage")) << "the filter went with the control";
        window.host.reset();
    }
}

TEST_F(ActiveXHost, AControlThatFailsToInitialiseIsNotKept)
{
    for (DWORD status : {0ul, static_cast<DWORD>(OLEMISC_SETCLIENTSITEFIRST)}) {
        SCOPED_TRACE(status);
        lib.Configure(false, status, false, true);
        CActiveXUI* ax = Open(TestControlAttributes());
        ASSERT_NE(nullptr, ax);
        EXPECT_EQ(1, lib.Count(L"InitNew"));
        EXPECT_EQ(0, lib.Count(L"DoVerb"));
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; })) << "the control was let go";
        win32::ComPtr<IUnknown> unknown;
        EXPECT_EQ(E_PENDING, ax->QueryHostedControl(IID_IUnknown, unknown.Receive()));
        EXPECT_EQ(nullptr, ax->GetHostWindow());

        lib.Clear();
        ax->SetPos(RECT{50, 20, 250, 120});
        EXPECT_TRUE(lib.CallsStarting({L""}).empty()) << "no retry on layout, nothing sized";
        EXPECT_FALSE(ax->CreateHostedControl());
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
        window.host.reset();
    }
}

TEST_F(ActiveXHost, DeletingAControlThatNeverHadAManagerIsSafe)
{
    delete new CActiveXUI;
    CActiveXUI* ax = new CActiveXUI;
    ax->SetModuleName(kTestControlModule);
    ax->SetLazyCreate(false);
    EXPECT_TRUE(ax->SetClassId(kTestControlClassId));
    EXPECT_EQ(1, lib.Count(L"CreateInstance"));
    delete ax;
    EXPECT_EQ(0, lib.LiveObjects());
}

TEST_F(ActiveXHost, SiteLendsOneAcceleratorTableAndRefusesWorkOnceReleased)
{
    CActiveXUI* ax = Open(TestControlAttributes());
    ASSERT_NE(nullptr, ax);
    win32::ComPtr<IOleClientSite> client = ClientSiteOf(ax);
    ASSERT_TRUE(client);
    win32::ComPtr<IOleInPlaceSite> site;
    ASSERT_EQ(S_OK, client->QueryInterface(IID_IOleInPlaceSite, site.Receive()));

    HACCEL tables[2] = {};
    for (HACCEL& table : tables) {
        win32::ComPtr<IOleInPlaceFrame> frame;
        win32::ComPtr<IOleInPlaceUIWindow> doc;
        RECT pos, clip;
        OLEINPLACEFRAMEINFO info = {};
        ASSERT_EQ(S_OK, site->GetWindowContext(reinterpret_cast<IOleInPlaceFrame**>(frame.Receive()),
                                               reinterpret_cast<IOleInPlaceUIWindow**>(doc.Receive()), &pos,
                                               &clip, &info));
        EXPECT_EQ(sizeof(OLEINPLACEFRAMEINFO), info.cb);
        EXPECT_EQ(window.Window(), info.hwndFrame);
        EXPECT_FALSE(doc);
        table = info.haccel;
    }
    EXPECT_EQ(tables[0], tables[1]) << "one table, not a new one per call";
    EXPECT_EQ(1, ::CopyAcceleratorTableW(tables[0], nullptr, 0));

    {
        win32::ComPtr<IOleContainer> container;
        ASSERT_EQ(S_OK, client->GetContainer(reinterpret_cast<IOleContainer**>(container.Receive())));
        win32::ComPtr<IEnumUnknown> items;
        ASSERT_EQ(S_OK, container->EnumObjects(OLECONTF_EMBEDDINGS,
                                               reinterpret_cast<IEnumUnknown**>(items.Receive())));
        IUnknown* item[2] = {};
        ULONG fetched = 0;
        EXPECT_EQ(S_FALSE, items->Next(2, item, &fetched));
        EXPECT_EQ(1u, fetched);
        win32::ComPtr<IUnknown> first;
        first.Attach(item[0]);   // held, and let go with the others
    }

    static_cast<CContainerUI*>(ax->GetParent())->Remove(ax);
    ASSERT_TRUE(PumpUntil([this] { return lib.Count(L"SetClientSite null") == 1; }));
    HWND hwnd = nullptr;
    EXPECT_EQ(E_UNEXPECTED, site->GetWindow(&hwnd));
    EXPECT_EQ(E_UNEXPECTED, client->ShowObject());
    site.Reset();
    client.Reset();   // the last reference: the site goes, and its table with it
    EXPECT_EQ(0, ::CopyAcceleratorTableW(tables[0], nullptr, 0));
    EXPECT_EQ(0, lib.LiveObjects());
}

namespace {

// Runs the host's verbs as its host window does.
class VerbActiveX : public CActiveXUI
{
public:
    using CActiveXUI::DoVerb;
};

} // namespace

TEST_F(ActiveXHost, AHostWindowDestroyedFromOutsideIsForgotten)
{
    ASSERT_TRUE(window.Open(L"<Window><HorizontalLayout name=\"row\"><Control width=\"40\" /></HorizontalLayout></Window>"));
    VerbActiveX* ax = new VerbActiveX;
    ax->SetModuleName(kTestControlModule);
    ASSERT_TRUE(ax->SetClassIdText(kTestControlClassIdText));
    ax->SetFixedWidth(100);
    ASSERT_TRUE(window.Find<CContainerUI>(L"row")->Add(ax));
    window.host->Repaint();
    const HWND host = ax->GetHostWindow();
    ASSERT_TRUE(::IsWindow(host));
    ::DestroyWindow(host);
    EXPECT_EQ(nullptr, ax->GetHostWindow());

    // Verbs, capture and DCs find no window.
    lib.Clear();
    ax->DoVerb(OLEIVERB_UIACTIVATE);
    const std::vector<std::wstring> verbs = lib.CallsStarting({L"DoVerb"});
    ASSERT_EQ(1u, verbs.size());
    EXPECT_EQ(0, verbs[0].compare(0, 21, L"DoVerb -4 parent null")) << verbs[0];
    // The site's windowless face, through which the control asks for capture and DCs.
    win32::ComPtr<IOleInPlaceSiteWindowless> site;
    ASSERT_EQ(S_OK, ClientSiteOf(ax)->QueryInterface(IID_IOleInPlaceSiteWindowless, site.Receive()));
    EXPECT_EQ(E_FAIL, site->SetCapture(TRUE));
    HDC dc = nullptr;
    EXPECT_EQ(E_FAIL, site->GetDC(nullptr, 0, &dc)) << "not the screen's DC";
    EXPECT_EQ(E_FAIL, site->InvalidateRgn(nullptr, FALSE));
}

// A "showactivex" handler deletes the control at once, whichever call was creating the hosted
// control: the end of the delay or a layout. The creation stops there.
TEST_F(ActiveXHost, AShowHandlerThatDeletesTheControlEndsTheCreation)
{
    for (bool layout : {false, true}) {
        SCOPED_TRACE(layout ? "layout" : "no more delay");
        CActiveXUI* ax = Open(std::wstring(L"delaycreate=\"true\" modulename=\"") + kTestControlModule + L"\"");
        ASSERT_NE(ax, nullptr);
        ax->SetClassIdText(kTestControlClassIdText);
        ASSERT_EQ(0, lib.Count(L"CreateInstance"));
        controlstest::FreedMemoryReuse reuse;
        controlstest::Handler deleter(L"showactivex", [&](UINotification& msg) {
            ASSERT_TRUE(controlstest::DeleteAtOnce(msg.pSender));
            reuse.Take({sizeof(CActiveXUI)});
        });
        window.host->host.manager.AddNotifier(&deleter);
        if (layout)
            ax->SetPos(ax->GetPos());
        else
            ax->SetLazyCreate(false);
        window.host->host.manager.RemoveNotifier(&deleter);
        EXPECT_EQ(1, deleter.runs);
        window.host->Repaint();
        Click(WM_LBUTTONDOWN, 60, 20);
        Click(WM_LBUTTONUP, 60, 20);
        EXPECT_TRUE(reuse.Intact());
        window.host.reset();
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
        lib.Clear();
    }
}
