// The ActiveX host with our test control: creation paths, the order of the site calls,
// windowed and windowless controls, delayed creation, release, and a host window destroyed
// from outside.

#include "controls/UIActiveX.h"
#include "core/UIContainer.h"

#include <ocidl.h>

#include <functional>

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
IOleClientSite* ClientSiteOf(CActiveXUI* ax)
{
    IOleObject* object = nullptr;
    if (ax->QueryHostedControl(IID_IOleObject, reinterpret_cast<LPVOID*>(&object)) != S_OK)
        return nullptr;
    IOleClientSite* client = nullptr;
    object->GetClientSite(&client);
    object->Release();
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
        ASSERT_NE(ax, nullptr);
        EXPECT_EQ(lib.CallsStarting({L"CreateInstance"}), std::vector<std::wstring>{c.created});
        IOleObject* object = nullptr;
        ASSERT_EQ(ax->QueryHostedControl(IID_IOleObject, reinterpret_cast<LPVOID*>(&object)), S_OK);
        object->Release();
        EXPECT_EQ(window.host->recorder.Count(L"showactivex"), 1);
        window.host.reset();
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
    }
}

TEST_F(ActiveXHost, AClassIdThatDoesNotParseLeavesAnEmptyIdAndCreatesNothing)
{
    for (LPCWSTR text : {L"{6F0C1E52-not-a-class-id}", L"No.Such.ProgId", L"{00000000-0000-0000-0000-000000000000}"}) {
        SCOPED_TRACE(text);
        CActiveXUI* ax = Open(std::wstring(L"clsid=\"") + text + L"\"");
        ASSERT_NE(ax, nullptr);
        EXPECT_FALSE(ax->SetClassIdText(text));
        EXPECT_TRUE(ax->GetClassId() == CLSID{});
        EXPECT_EQ(ax->QueryHostedControl(IID_IOleObject, nullptr), E_POINTER);
        IUnknown* unknown = nullptr;
        EXPECT_EQ(ax->QueryHostedControl(IID_IUnknown, reinterpret_cast<LPVOID*>(&unknown)), E_PENDING);
        EXPECT_EQ(lib.Count(L"CreateInstance"), 0);
        EXPECT_EQ(window.host->recorder.Count(L"showactivex"), 0);
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
        ASSERT_NE(Open(TestControlAttributes()), nullptr);
        std::vector<std::wstring> calls = lib.CallsStarting(steps);
        for (std::wstring& call : calls)
            if (call.compare(0, 6, L"DoVerb") == 0)
                call = call.substr(0, 9);
        EXPECT_EQ(calls, c.calls);
        window.host.reset();
    }
}

TEST_F(ActiveXHost, WindowedControlLivesInAHostWindowThatFollowsItsRectangle)
{
    CActiveXUI* ax = Open(TestControlAttributes());
    ASSERT_NE(ax, nullptr);
    const HWND host = ax->GetHostWindow();
    ASSERT_TRUE(::IsWindow(host));
    EXPECT_EQ(::GetParent(host), window.Window());
    EXPECT_NE(::FindWindowExW(host, nullptr, kTestControlWindowClass, nullptr), nullptr);
    EXPECT_EQ(lib.Count(L"activated windowed"), 1);

    const RECT moved = {50, 20, 250, 120};
    lib.Clear();
    ax->SetPos(moved);
    RECT placed;
    ::GetWindowRect(host, &placed);
    ::MapWindowPoints(nullptr, window.Window(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(RectText(placed), RectText(moved));
    HDC screen = ::GetDC(nullptr);
    const std::wstring extent = L"SetExtent " + std::to_wstring(::MulDiv(2540, 200, ::GetDeviceCaps(screen, LOGPIXELSX))) +
                                L"," + std::to_wstring(::MulDiv(2540, 100, ::GetDeviceCaps(screen, LOGPIXELSY)));
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(lib.CallsStarting({L"SetExtent", L"SetObjectRects"}),
              (std::vector<std::wstring>{extent, L"SetObjectRects 0,0,200,100"}));

    lib.Clear();
    ::SendMessageW(host, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(lib.Count(L"DoVerb -4 "), 1) << "the focus makes the control UI-active";

    ax->SetVisible(false);
    EXPECT_FALSE(::IsWindowVisible(host));
    ax->SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(host));
}

TEST_F(ActiveXHost, WindowlessControlIsDrawnByUsAndClickedThroughTheMessageFilter)
{
    lib.Configure(true);
    CActiveXUI* ax = Open(TestControlAttributes());
    ASSERT_NE(ax, nullptr);
    EXPECT_EQ(lib.Count(L"activated windowless"), 1);
    EXPECT_EQ(ax->GetHostWindow(), window.Window());
    EXPECT_EQ(::FindWindowExW(window.Window(), nullptr, L"ActiveXWnd", nullptr), nullptr);
    const RECT pos = ax->GetPos();
    EXPECT_EQ(lib.CallsStarting({L"SetObjectRects"}).back(), L"SetObjectRects " + RectText(pos));

    lib.Clear();
    window.host->Repaint();
    EXPECT_EQ(lib.CallsStarting({L"Draw"}), std::vector<std::wstring>{L"Draw " + RectText(pos)});

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
        EXPECT_EQ(got.size(), c.reaches ? 1u : 0u);
        if (c.reaches && !got.empty())
            EXPECT_NE(got[0].find(std::to_wstring(c.x) + L"," + std::to_wstring(pos.top + 7)), std::wstring::npos);
    }
    ax->SetMouseEnabled(false);
    lib.Clear();
    Click(WM_LBUTTONDOWN, pos.left + 5, pos.top + 7);
    EXPECT_EQ(lib.Count(L"OnWindowMessage"), 0);

    // With the focus, key messages reach it; WM_UNICHAR lies beyond them.
    IOleClientSite* client = ClientSiteOf(ax);
    ASSERT_NE(client, nullptr);
    IOleControlSite* controlSite = nullptr;
    ASSERT_EQ(client->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&controlSite)), S_OK);
    client->Release();
    controlSite->OnFocus(TRUE);
    controlSite->Release();
    for (const Case& c : {Case{WM_KEYDOWN, 0, true}, Case{WM_CHAR, 0, true}, Case{WM_UNICHAR, 0, false}}) {
        SCOPED_TRACE(c.msg);
        lib.Clear();
        Click(c.msg, c.x, 0);
        EXPECT_EQ(lib.Count(L"OnWindowMessage"), c.reaches ? 1 : 0);
    }

    ax->SetVisible(false);
    lib.Clear();
    window.host->Repaint();
    EXPECT_EQ(lib.Count(L"Draw"), 0) << "a hidden windowless control is not painted";
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
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(lib.Count(L"CreateInstance"), c.atBuild ? 1 : 0);
        skin.host.manager.AttachRootControl(root);
        skin.Repaint();
        EXPECT_EQ(lib.Count(L"CreateInstance"), 1);
        EXPECT_EQ(lib.Count(L"activated"), 1);
        if (!c.atBuild)
            EXPECT_EQ(skin.recorder.Count(L"showactivex"), 1);
    }
}

TEST_F(ActiveXHost, RemovalReleasesControlSiteAndWindow)
{
    for (bool windowless : {false, true}) {
        SCOPED_TRACE(windowless);
        lib.Configure(windowless);
        CActiveXUI* ax = Open(TestControlAttributes());
        ASSERT_NE(ax, nullptr);
        const HWND host = ax->GetHostWindow();
        const RECT pos = ax->GetPos();
        lib.Clear();
        auto* layout = static_cast<CContainerUI*>(ax->GetParent());
        ASSERT_TRUE(layout->Remove(ax));
        ASSERT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
        EXPECT_EQ(lib.CallsStarting({L"SetSite", L"Close", L"SetClientSite"}),
                  (std::vector<std::wstring>{L"SetSite null", L"Close", L"SetClientSite null"}));
        EXPECT_EQ(::IsWindow(host) != FALSE, windowless) << "only our own host window goes";
        lib.Clear();
        Click(WM_LBUTTONDOWN, pos.left + 5, pos.top + 5);
        EXPECT_EQ(lib.Count(L"OnWindowMessage"), 0) << "the filter went with the control";
        window.host.reset();
    }
}

TEST_F(ActiveXHost, AControlThatFailsToInitialiseIsNotKept)
{
    for (DWORD status : {0ul, static_cast<DWORD>(OLEMISC_SETCLIENTSITEFIRST)}) {
        SCOPED_TRACE(status);
        lib.Configure(false, status, false, true);
        CActiveXUI* ax = Open(TestControlAttributes());
        ASSERT_NE(ax, nullptr);
        EXPECT_EQ(lib.Count(L"InitNew"), 1);
        EXPECT_EQ(lib.Count(L"DoVerb"), 0);
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; })) << "the control was let go";
        IUnknown* unknown = nullptr;
        EXPECT_EQ(ax->QueryHostedControl(IID_IUnknown, reinterpret_cast<LPVOID*>(&unknown)), E_PENDING);
        EXPECT_EQ(ax->GetHostWindow(), nullptr);

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
    EXPECT_EQ(lib.Count(L"CreateInstance"), 1);
    delete ax;
    EXPECT_EQ(lib.LiveObjects(), 0);
}

TEST_F(ActiveXHost, SiteLendsOneAcceleratorTableAndRefusesWorkOnceReleased)
{
    CActiveXUI* ax = Open(TestControlAttributes());
    ASSERT_NE(ax, nullptr);
    IOleClientSite* client = ClientSiteOf(ax);
    ASSERT_NE(client, nullptr);
    IOleInPlaceSite* site = nullptr;
    ASSERT_EQ(client->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site)), S_OK);

    HACCEL tables[2] = {};
    for (HACCEL& table : tables) {
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* doc = nullptr;
        RECT pos, clip;
        OLEINPLACEFRAMEINFO info = {};
        ASSERT_EQ(site->GetWindowContext(&frame, &doc, &pos, &clip, &info), S_OK);
        EXPECT_EQ(info.cb, sizeof(OLEINPLACEFRAMEINFO));
        EXPECT_EQ(info.hwndFrame, window.Window());
        EXPECT_EQ(doc, nullptr);
        table = info.haccel;
        frame->Release();
    }
    EXPECT_EQ(tables[0], tables[1]) << "one table, not a new one per call";
    EXPECT_EQ(::CopyAcceleratorTableW(tables[0], nullptr, 0), 1);

    IOleContainer* container = nullptr;
    ASSERT_EQ(client->GetContainer(&container), S_OK);
    IEnumUnknown* items = nullptr;
    ASSERT_EQ(container->EnumObjects(OLECONTF_EMBEDDINGS, &items), S_OK);
    IUnknown* item[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(items->Next(2, item, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    item[0]->Release();
    items->Release();
    container->Release();

    static_cast<CContainerUI*>(ax->GetParent())->Remove(ax);
    ASSERT_TRUE(PumpUntil([this] { return lib.Count(L"SetClientSite null") == 1; }));
    HWND hwnd = nullptr;
    EXPECT_EQ(site->GetWindow(&hwnd), E_UNEXPECTED);
    EXPECT_EQ(client->ShowObject(), E_UNEXPECTED);
    site->Release();
    client->Release();   // the last reference: the site goes, and its table with it
    EXPECT_EQ(::CopyAcceleratorTableW(tables[0], nullptr, 0), 0);
    EXPECT_EQ(lib.LiveObjects(), 0);
}

namespace {

// Runs the host's verbs as its host window does.
class VerbActiveX : public CActiveXUI
{
public:
    using CActiveXUI::DoVerb;
};

// The site's windowless face, through which the control asks for capture and DCs.
IOleInPlaceSiteWindowless* WindowlessSiteOf(CActiveXUI* ax)
{
    IOleClientSite* client = ClientSiteOf(ax);
    IOleInPlaceSiteWindowless* site = nullptr;
    if (client) {
        client->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&site));
        client->Release();
    }
    return site;
}

} // namespace

TEST_F(ActiveXHost, AHostWindowDestroyedFromOutsideIsForgotten)
{
    for (bool parentFirst : {false, true}) {
        SCOPED_TRACE(parentFirst ? "its parent window closed first" : "DestroyWindow on it");
        ASSERT_TRUE(window.Open(L"<Window><HorizontalLayout name=\"row\"><Control width=\"40\" /></HorizontalLayout></Window>"));
        VerbActiveX* ax = new VerbActiveX;
        ax->SetModuleName(kTestControlModule);
        ASSERT_TRUE(ax->SetClassIdText(kTestControlClassIdText));
        ax->SetFixedWidth(100);
        ASSERT_TRUE(window.Find<CContainerUI>(L"row")->Add(ax));
        window.host->Repaint();
        const HWND host = ax->GetHostWindow();
        ASSERT_TRUE(::IsWindow(host));

        ::DestroyWindow(parentFirst ? window.Window() : host);
        ASSERT_FALSE(::IsWindow(host));
        EXPECT_EQ(ax->GetHostWindow(), nullptr);

        // Moves, paints, clicks and keys afterwards; then verbs and capture find no window.
        lib.Clear();
        ax->SetPos(RECT{50, 20, 250, 120});
        ax->Move(5, 5);
        if (!parentFirst) {
            window.host->Repaint();
            Click(WM_LBUTTONDOWN, 60, 30);
            ::PostMessageW(window.Window(), WM_KEYDOWN, 'A', 1);
            managertest::Pump();
        }
        EXPECT_EQ(ax->GetHostWindow(), nullptr);
        ax->DoVerb(OLEIVERB_UIACTIVATE);
        const std::vector<std::wstring> verbs = lib.CallsStarting({L"DoVerb"});
        ASSERT_EQ(verbs.size(), 1u);
        EXPECT_EQ(verbs[0].compare(0, 21, L"DoVerb -4 parent null"), 0) << verbs[0];

        IOleInPlaceSiteWindowless* site = WindowlessSiteOf(ax);
        ASSERT_NE(site, nullptr);
        EXPECT_EQ(site->SetCapture(TRUE), E_FAIL);
        EXPECT_EQ(site->GetCapture(), S_FALSE);
        HDC dc = reinterpret_cast<HDC>(1);
        EXPECT_EQ(site->GetDC(nullptr, 0, &dc), E_FAIL) << "not the screen's DC";
        EXPECT_EQ(dc, nullptr);
        EXPECT_EQ(site->InvalidateRgn(nullptr, FALSE), E_FAIL);
        site->Release();
        window.host.reset();
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
    }
}

TEST_F(ActiveXHost, AHiddenOrDisabledWindowlessControlTakesNoInput)
{
    lib.Configure(true);
    CActiveXUI* ax = Open(TestControlAttributes());
    ASSERT_NE(ax, nullptr);
    const RECT pos = ax->GetPos();
    IOleInPlaceSiteWindowless* site = WindowlessSiteOf(ax);
    ASSERT_NE(site, nullptr);
    site->SetFocus(TRUE);   // keys too reach a focused windowless control
    site->Release();
    CControlUI* row = ax->GetParent();

    struct Case { LPCWSTR how; std::function<void(bool)> set; };
    const Case cases[] = {
        {L"hidden", [ax](bool on) { ax->SetVisible(on); }},
        {L"hidden with its parent", [row](bool on) { row->SetVisible(on); }},
        {L"disabled", [ax](bool on) { ax->SetEnabled(on); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        for (bool on : {false, true}) {
            c.set(on);
            lib.Clear();
            for (UINT msg : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR})
                Click(msg, pos.left + 5, pos.top + 5);
            EXPECT_EQ(lib.Count(L"OnWindowMessage"), on ? 5 : 0);
            if (!on)
                EXPECT_EQ(lib.Count(L"QueryHitPoint"), 0);
        }
    }
}

// A "showactivex" handler that deletes the control at once, whichever call was creating the
// hosted control: the creation stops there and the hosted object goes with the control.
TEST_F(ActiveXHost, AShowHandlerThatDeletesTheControlEndsTheCreation)
{
    const auto setId = [](CActiveXUI* ax) { ax->SetClassIdText(kTestControlClassIdText); };
    const auto noDelay = [](CActiveXUI* ax) { ax->SetLazyCreate(false); };
    const struct
    {
        const char* what;
        std::function<void(CActiveXUI*)> prepare, create;   // prepare creates nothing
    } cases[] = {
        {"class id", noDelay, setId},
        {"no more delay", setId, noDelay},
        {"layout", setId, [](CActiveXUI* ax) { ax->SetPos(ax->GetPos()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        lib.Clear();
        CActiveXUI* ax = Open(std::wstring(L"delaycreate=\"true\" modulename=\"") + kTestControlModule + L"\"");
        ASSERT_NE(ax, nullptr);
        c.prepare(ax);
        ASSERT_EQ(0, lib.Count(L"CreateInstance"));
        controlstest::FreedMemoryReuse reuse;
        controlstest::Handler deleter(L"showactivex", [&](UINotification& msg) {
            ASSERT_TRUE(controlstest::DeleteAtOnce(msg.pSender));
            reuse.Take({sizeof(CActiveXUI)});
        });
        window.host->host.manager.AddNotifier(&deleter);
        c.create(ax);
        window.host->host.manager.RemoveNotifier(&deleter);
        EXPECT_EQ(1, deleter.runs);
        window.host->Repaint();
        Click(WM_LBUTTONDOWN, 60, 20);
        Click(WM_LBUTTONUP, 60, 20);
        EXPECT_TRUE(reuse.Intact());
        window.host.reset();
        EXPECT_TRUE(PumpUntil([this] { return lib.LiveObjects() == 0; }));
    }
}
