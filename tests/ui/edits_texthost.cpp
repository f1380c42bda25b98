// The text host and the rich edit control's own logic against a stand-in engine: property bits
// from the style attributes, failed set-up, re-armed timers, scroll bars, notifications and the
// host's reference counting.

#include "controls/UIRichEdit.h"
#include "controls/UITextHost.h"
#include "core/UIScrollBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edits_support.h"

using namespace QxUI;
using namespace editstest;

namespace {

// What the stand-in engines do and what happened to them.
struct EngineState
{
    bool failFactory = false;
    bool refuseServices = false;
    bool failSetText = false;
    bool hideBarOnResize = false;
    LONG naturalHeight = 0;
    int live = 0;
    int deactivations = 0;
    ITextHost* host = nullptr;
    std::vector<UINT> messages;
    std::vector<WPARAM> wParams;
};
EngineState g;

class StandInEngine : public ITextServices
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (g.refuseServices || !IsEqualIID(riid, kIidTextServices)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (--m_refs > 0)
            return m_refs;
        --g.live;
        delete this;
        return 0;
    }

    HRESULT QXUI_TXHOST_CALL TxSendMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT*) override
    {
        g.messages.push_back(msg);
        g.wParams.push_back(wParam);
        return S_OK;
    }
    HRESULT QXUI_TXHOST_CALL TxDraw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL,
                                    LPRECT, WINBOOL(CALLBACK*)(DWORD), DWORD, LONG) override
    {
        return S_OK;
    }
    HRESULT QXUI_TXHOST_CALL TxGetHScroll(LONG*, LONG*, LONG*, LONG*, WINBOOL*) override { return E_NOTIMPL; }
    HRESULT QXUI_TXHOST_CALL TxGetVScroll(LONG*, LONG*, LONG*, LONG*, WINBOOL*) override { return E_NOTIMPL; }
    HRESULT QXUI_TXHOST_CALL OnTxSetCursor(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT, INT,
                                           INT) override
    {
        return S_OK;
    }
    HRESULT QXUI_TXHOST_CALL TxQueryHitPoint(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT,
                                             INT, INT, DWORD*) override
    {
        return E_NOTIMPL;
    }
    HRESULT QXUI_TXHOST_CALL OnTxInPlaceActivate(LPCRECT) override { return S_OK; }
    HRESULT QXUI_TXHOST_CALL OnTxInPlaceDeactivate() override
    {
        ++g.deactivations;
        return S_OK;
    }
    HRESULT QXUI_TXHOST_CALL OnTxUIActivate() override { return S_OK; }
    HRESULT QXUI_TXHOST_CALL OnTxUIDeactivate() override { return S_OK; }
    HRESULT QXUI_TXHOST_CALL TxGetText(BSTR*) override { return E_NOTIMPL; }
    HRESULT QXUI_TXHOST_CALL TxSetText(LPCWSTR) override { return g.failSetText ? E_FAIL : S_OK; }
    HRESULT QXUI_TXHOST_CALL TxGetCurTargetX(LONG*) override { return E_NOTIMPL; }
    HRESULT QXUI_TXHOST_CALL TxGetBaseLinePos(LONG*) override { return E_NOTIMPL; }
    HRESULT QXUI_TXHOST_CALL TxGetNaturalSize(DWORD, HDC, HDC, DVTARGETDEVICE*, DWORD, const SIZEL*,
                                              LONG*, LONG* height) override
    {
        *height = g.naturalHeight;
        return S_OK;
    }
    HRESULT QXUI_TXHOST_CALL TxGetDropTarget(IDropTarget**) override { return E_NOTIMPL; }
    HRESULT QXUI_TXHOST_CALL OnTxPropertyBitsChange(DWORD mask, DWORD) override
    {
        if ((mask & TXTBIT_VIEWINSETCHANGE) && g.hideBarOnResize)
            g.host->TxShowScrollBar(SB_VERT, FALSE);
        return S_OK;
    }
    HRESULT QXUI_TXHOST_CALL TxGetCachedSize(DWORD*, DWORD*) override { return E_NOTIMPL; }

private:
    ULONG m_refs = 1;
};

HRESULT WINAPI MakeStandIn(IUnknown*, ITextHost* host, IUnknown** out)
{
    if (g.failFactory)
        return E_FAIL;
    ++g.live;
    g.host = host;
    *out = new StandInEngine;
    return S_OK;
}

class NotifyFilter : public IMessageFilterUI
{
public:
    LRESULT PreFilterMessage(UINT msg, WPARAM, LPARAM lParam, bool&) override
    {
        if (msg == WM_NOTIFY)
            headers.push_back(*reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    }
    std::vector<NMHDR> headers;
};

class TextHostWindow : public SkinWindow
{
protected:
    void SetUp() override
    {
        g = EngineState();
        CTxtWinHost::SetEngineFactory(&MakeStandIn);
        Open(L"<Window><VerticalLayout><RichEdit name=\"r\" height=\"80\" vscrollbar=\"true\" "
             L"text=\"kept\"/><Control/></VerticalLayout></Window>");
        edit = Find<CRichEditUI>(L"r");
        ASSERT_NE(nullptr, edit->GetTextHost());
    }
    void TearDown() override { CTxtWinHost::SetEngineFactory(nullptr); }

    CRichEditUI* edit = nullptr;
};

} // namespace

TEST_F(TextHostWindow, StyleAttributesGiveThePropertyBitsAndFormats)
{
    struct Case
    {
        LPCWSTR attributes;
        DWORD bits;
        DWORD scrollBars;
        WORD alignment;
        COLORREF color;
    };
    const DWORD plain = TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_HIDESELECTION;
    const Case cases[] = {
        {L"", plain | TXTBIT_WORDWRAP, 0, PFA_LEFT, 0},
        {L"hscrollbar=\"true\" align=\"center right\"", plain, WS_HSCROLL | ES_DISABLENOSCROLL,
         PFA_RIGHT, 0},
        {L"autohscroll=\"true\" autovscroll=\"true\" multiline=\"true\" textcolor=\" #FF102030\"",
         plain, ES_AUTOHSCROLL | ES_AUTOVSCROLL, PFA_LEFT, RGB(0x10, 0x20, 0x30)},
        {L"readonly=\"true\" password=\"true\" rich=\"false\" multiline=\"false\" align=\"center\"",
         TXTBIT_READONLY | TXTBIT_USEPASSWORD | TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP, 0,
         PFA_CENTER, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        Rebuild((L"<Window><VerticalLayout><RichEdit name=\"r\" " + std::wstring(c.attributes) +
                 L"/></VerticalLayout></Window>")
                    .c_str());
        CTxtWinHost* host = Find<CRichEditUI>(L"r")->GetTextHost();
        ASSERT_NE(nullptr, host);
        DWORD bits = 0, bars = 0;
        host->TxGetPropertyBits(0xFFFFFFFF, &bits);
        host->TxGetScrollBars(&bars);
        EXPECT_EQ(c.bits, bits);
        EXPECT_EQ(c.scrollBars, bars);
        const PARAFORMAT* para = nullptr;
        const CHARFORMATW* chars = nullptr;
        host->TxGetParaFormat(&para);
        host->TxGetCharFormat(&chars);
        EXPECT_EQ(c.alignment, para->wAlignment);
        EXPECT_EQ(c.color, chars->crTextColor);

        // Style attributes after creation reach the engine no more.
        Find<CRichEditUI>(L"r")->SetAttribute(L"readonly", L"true");
        host->TxGetPropertyBits(TXTBIT_READONLY, &bits);
        EXPECT_EQ(c.bits & TXTBIT_READONLY, bits);
    }
}

TEST_F(TextHostWindow, FailedSetUpLeavesTheControlWithoutAnEngineButWithItsText)
{
    struct Case
    {
        bool failFactory, refuseServices, failSetText;
        int deactivations;
    };
    const Case cases[] = {{true, false, false, 0}, {false, true, false, 0}, {false, false, true, 1}};
    Rebuild(L"<Window><VerticalLayout/></Window>");   // the first window's engine goes
    for (const Case& c : cases) {
        g.failFactory = c.failFactory;
        g.refuseServices = c.refuseServices;
        g.failSetText = c.failSetText;
        g.deactivations = 0;
        Rebuild(L"<Window><VerticalLayout><RichEdit name=\"f\" text=\"kept\"/></VerticalLayout></Window>");
        CRichEditUI* failed = Find<CRichEditUI>(L"f");
        EXPECT_EQ(nullptr, failed->GetTextHost());
        EXPECT_EQ(c.deactivations, g.deactivations) << "only an engine that exists is deactivated";
        EXPECT_STREQ(L"kept", failed->GetText().GetData());
        failed->SetText(L"later");
        EXPECT_STREQ(L"later", failed->GetText().GetData());
        LRESULT result = 7;
        EXPECT_EQ(S_FALSE, failed->SendToTextServices(WM_CHAR, L'a', 0, &result));
        EXPECT_EQ(7, result);
    }
    managertest::Pump();
    EXPECT_EQ(0, g.live) << "every engine made was released";

    CRichEditUI detached;
    detached.SetText(L"no window");
    EXPECT_STREQ(L"no window", detached.GetText().GetData());
}

TEST_F(TextHostWindow, EngineTimersAreReArmedAndDelivered)
{
    CTxtWinHost* host = edit->GetTextHost();
    EXPECT_TRUE(host->TxSetTimer(7, 10000));
    EXPECT_TRUE(host->TxSetTimer(7, 10)) << "a running caret timer is restarted";
    EXPECT_TRUE(PumpUntil([&] {
        for (size_t i = 0; i < g.messages.size(); ++i) {
            if (g.messages[i] == WM_TIMER && g.wParams[i] == 7)
                return true;
        }
        return false;
    }));
    host->TxKillTimer(7);
    EXPECT_FALSE(host->HasTimer());
}

TEST_F(TextHostWindow, ScrollBarsFollowTheEngineAndTallTextForcesTheVerticalBar)
{
    CTxtWinHost* host = edit->GetTextHost();
    CScrollBarUI* bar = edit->GetVerticalScrollBar();
    const RECT view = host->GetViewRect();
    const LONG height = view.bottom - view.top;
    host->TxSetScrollRange(SB_VERT, 0, height, TRUE);
    EXPECT_FALSE(bar->IsVisible());
    host->TxSetScrollRange(SB_VERT, 0, height + 40, TRUE);
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_EQ(40, bar->GetScrollRange());
    host->TxSetScrollPos(SB_VERT, 12, TRUE);
    EXPECT_EQ(12, bar->GetScrollPos());

    // The engine hides the bar on a new view while its text is still taller than the view.
    g.naturalHeight = 500;
    g.hideBarOnResize = true;
    edit->SetPos(edit->GetPos());
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_TRUE(edit->IsVerticalBarForced());
    EXPECT_EQ(0, bar->GetScrollPos());
    Paint();
    EXPECT_TRUE(bar->IsVisible()) << "kept while the text is longer than the view";

    g.naturalHeight = 10;
    Paint();
    EXPECT_TRUE(PumpUntil([&] { return !edit->IsVerticalBarForced(); }));
    EXPECT_FALSE(bar->IsVisible());
}

TEST_F(TextHostWindow, NotificationsReachTheWindowExceptResizeRequests)
{
    NotifyFilter filter;
    host.manager.AddMessageFilter(&filter);
    CTxtWinHost* textHost = edit->GetTextHost();
    ENLINK link = {};
    textHost->TxNotify(EN_LINK, &link);
    const RECT view = textHost->GetViewRect();
    REQRESIZE resize = {};
    resize.rc = RECT{0, 0, 50, 40};
    textHost->TxNotify(EN_REQUESTRESIZE, &resize);
    host.manager.RemoveMessageFilter(&filter);

    ASSERT_EQ(1u, filter.headers.size());
    EXPECT_EQ(static_cast<UINT>(EN_LINK), filter.headers[0].code);
    EXPECT_EQ(host.GetHandle(), filter.headers[0].hwndFrom);
    EXPECT_TRUE(controlstest::SameRect(RECT{view.left, view.top, view.left + 50, view.top + 40},
                                       textHost->GetViewRect()));
}

TEST_F(TextHostWindow, HostAnswersItsOwnInterfacesAndGoesWithItsLastReference)
{
    CTxtWinHost* host = nullptr;
    CREATESTRUCTW create = {};
    ASSERT_TRUE(CreateTextHost(edit, &create, &host));
    ASSERT_NE(nullptr, host);
    EXPECT_EQ(2, g.live);

    const IID* asked[] = {&IID_IUnknown, &kIidTextHost, &kIidTextServices};
    for (const IID* iid : asked) {
        void* object = &create;
        const HRESULT hr = host->QueryInterface(*iid, &object);
        EXPECT_EQ(iid == &kIidTextServices ? E_NOINTERFACE : S_OK, hr);
        EXPECT_EQ(iid == &kIidTextServices ? nullptr : static_cast<void*>(static_cast<ITextHost*>(host)),
                  object);
        if (SUCCEEDED(hr))
            host->Release();
    }
    g.deactivations = 0;
    EXPECT_EQ(0u, host->Release());
    EXPECT_EQ(1, g.deactivations);
    EXPECT_EQ(1, g.live) << "the engine went with the host";
}
