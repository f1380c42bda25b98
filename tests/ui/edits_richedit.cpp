// The rich edit control in a real window. Over the system's engine: text set and read back,
// typed keys, Enter and Tab as the control wants them, the vertical bar, notifications. Over a
// stand-in engine, the host's own logic: property bits from the style attributes, failed set-up,
// re-armed timers, scroll bars and resize requests.

#include "controls/UIRichEdit.h"
#include "controls/UITextHost.h"
#include "core/UIScrollBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "edits_support.h"

using namespace QxUI;
using namespace editstest;

namespace {

std::wstring Column(const std::wstring& attributes)
{
    return L"<Window><VerticalLayout><Button name=\"other\" height=\"20\"/><RichEdit name=\"r\" "
           L"height=\"80\" text=\"hello\" " +
           attributes + L"/><Control/></VerticalLayout></Window>";
}

// Sets the control key's state for this thread, as GetKeyState reads it.
void SetCtrl(bool held)
{
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

class RichEditWindow : public SkinWindow
{
protected:
    void OpenWith(const std::wstring& attributes)
    {
        if (host.GetHandle())
            Rebuild(Column(attributes).c_str());
        else
            Open(Column(attributes).c_str());
        edit = Find<CRichEditUI>(L"r");
        ASSERT_NE(nullptr, edit);
        ASSERT_NE(nullptr, edit->GetTextHost()) << "the engine is made over our host";
        edit->SetFocus();
    }

    CRichEditUI* edit = nullptr;
};

// What the stand-in engines do and what happened to them.
struct EngineState
{
    bool failFactory = false, refuseServices = false, failSetText = false, hideBarOnResize = false;
    LONG naturalHeight = 0;
    int live = 0, deactivations = 0;
    ITextHost* host = nullptr;
    std::vector<std::pair<UINT, WPARAM>> messages;
};
EngineState g;

#define QXTEST_UNUSED(name, ...) \
    HRESULT QXUI_TXHOST_CALL name(__VA_ARGS__) override { return E_NOTIMPL; }

// Declared with the engine's own convention: thiscall on 32-bit x86, as the host calls it.
class StandInEngine : public ITextServices
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        *out = g.refuseServices || !IsEqualIID(riid, kIidTextServices) ? nullptr : this;
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (--m_refs == 0) {
            --g.live;
            delete this;
            return 0;
        }
        return m_refs;
    }
    HRESULT QXUI_TXHOST_CALL TxSendMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT*) override
    {
        g.messages.emplace_back(msg, wParam);
        return S_OK;
    }
    HRESULT QXUI_TXHOST_CALL TxDraw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL,
                                    LPRECT, WINBOOL(CALLBACK*)(DWORD), DWORD, LONG) override { return S_OK; }
    QXTEST_UNUSED(TxGetHScroll, LONG*, LONG*, LONG*, LONG*, WINBOOL*)
    QXTEST_UNUSED(TxGetVScroll, LONG*, LONG*, LONG*, LONG*, WINBOOL*)
    QXTEST_UNUSED(OnTxSetCursor, DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT, INT, INT)
    QXTEST_UNUSED(TxQueryHitPoint, DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT, INT, INT, DWORD*)
    HRESULT QXUI_TXHOST_CALL OnTxInPlaceActivate(LPCRECT) override { return S_OK; }
    HRESULT QXUI_TXHOST_CALL OnTxInPlaceDeactivate() override { return ++g.deactivations, S_OK; }
    QXTEST_UNUSED(OnTxUIActivate)
    QXTEST_UNUSED(OnTxUIDeactivate)
    QXTEST_UNUSED(TxGetText, BSTR*)
    HRESULT QXUI_TXHOST_CALL TxSetText(LPCWSTR) override { return g.failSetText ? E_FAIL : S_OK; }
    QXTEST_UNUSED(TxGetCurTargetX, LONG*)
    QXTEST_UNUSED(TxGetBaseLinePos, LONG*)
    HRESULT QXUI_TXHOST_CALL TxGetNaturalSize(DWORD, HDC, HDC, DVTARGETDEVICE*, DWORD, const SIZEL*,
                                              LONG*, LONG* height) override
    {
        *height = g.naturalHeight;
        return S_OK;
    }
    QXTEST_UNUSED(TxGetDropTarget, IDropTarget**)
    HRESULT QXUI_TXHOST_CALL OnTxPropertyBitsChange(DWORD mask, DWORD) override
    {
        if ((mask & TXTBIT_VIEWINSETCHANGE) && g.hideBarOnResize)
            g.host->TxShowScrollBar(SB_VERT, FALSE);
        return S_OK;
    }
    QXTEST_UNUSED(TxGetCachedSize, DWORD*, DWORD*)

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

TEST_F(RichEditWindow, TextSetBeforeAndAfterCreationReadsBackAndTypedKeysReachTheEngine)
{
    OpenWith(L"");
    EXPECT_STREQ(L"hello", edit->GetText().GetData());
    edit->SetText(L"abc");
    EXPECT_STREQ(L"abc", edit->GetText().GetData());
    for (WCHAR ch : std::wstring(L"xy"))
        ::PostMessageW(host.GetHandle(), WM_CHAR, ch, 1);
    managertest::Pump();
    EXPECT_STREQ(L"abcxy", edit->GetText().GetData());
}

TEST_F(RichEditWindow, EnterInsertsALineOrRaisesReturnAsTheControlWants)
{
    struct Case { LPCWSTR attributes; bool ctrl, raisesReturn; };
    const Case cases[] = {
        {L"", false, false},
        {L"", true, false},
        {L"wantreturn=\"false\"", false, true},
        {L"wantctrlreturn=\"false\"", true, true},
        {L"wantctrlreturn=\"false\"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::wstring(c.attributes) + (c.ctrl ? L" ctrl" : L""));
        OpenWith(c.attributes);
        edit->SetText(L"a");
        recorder.types.clear();
        SetCtrl(c.ctrl);
        PressKey(host.GetHandle(), VK_RETURN);
        SetCtrl(false);
        EXPECT_EQ(c.raisesReturn ? 1 : 0, recorder.Count(L"return"));
        const bool newLine = edit->GetText().Find(L'\r') >= 0;
        EXPECT_NE(c.raisesReturn, newLine) << edit->GetText().GetData();
    }
}

TEST_F(RichEditWindow, TabStaysInARichEditThatWantsIt)
{
    OpenWith(L"");
    edit->SetText(L"");
    PressKey(host.GetHandle(), VK_TAB);
    EXPECT_EQ(edit, host.manager.GetFocusedControl());
    EXPECT_STREQ(L"\t", edit->GetText().GetData());

    edit->SetWantsTab(false);
    PressKey(host.GetHandle(), VK_TAB);
    EXPECT_EQ(Find<CControlUI>(L"other"), host.manager.GetFocusedControl());
    EXPECT_STREQ(L"\t", edit->GetText().GetData());
}

TEST_F(RichEditWindow, TallTextShowsTheVerticalBarAndSelectionChangesReachTheWindow)
{
    OpenWith(L"vscrollbar=\"true\"");
    std::wstring lines;
    for (int i = 0; i < 30; ++i)
        lines += L"line\r";
    edit->SetText(lines.c_str());
    Repaint();
    ASSERT_NE(nullptr, edit->GetVerticalScrollBar());
    EXPECT_TRUE(edit->GetVerticalScrollBar()->IsVisible());
    Repaint();
    EXPECT_TRUE(edit->GetVerticalScrollBar()->IsVisible()) << "and keeps it";

    NotifyFilter filter;
    host.manager.AddMessageFilter(&filter);
    LRESULT result = 0;
    edit->SendToTextServices(EM_SETEVENTMASK, 0, ENM_SELCHANGE, &result);
    CHARRANGE range = {1, 3};
    edit->SendToTextServices(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range), &result);
    host.manager.RemoveMessageFilter(&filter);
    ASSERT_FALSE(filter.headers.empty());
    EXPECT_EQ(static_cast<UINT>(EN_SELCHANGE), filter.headers.back().code);
}

// ---- The host against a stand-in engine ----------------------------------------------------------

TEST_F(TextHostWindow, StyleAttributesGiveThePropertyBitsAndFormats)
{
    struct Case { LPCWSTR attributes; DWORD bits, scrollBars; WORD alignment; COLORREF color; };
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
    struct Case { bool failFactory, refuseServices, failSetText; int deactivations; };
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
    // The first interval lies far beyond the wait: only the restarted timer can fire within it.
    EXPECT_TRUE(host->TxSetTimer(7, qixtest::kNeverWithinATestMs));
    EXPECT_TRUE(host->TxSetTimer(7, 10)) << "a running caret timer is restarted";
    const std::pair<UINT, WPARAM> tick(WM_TIMER, 7);
    EXPECT_TRUE(PumpUntil([&] { return std::count(g.messages.begin(), g.messages.end(), tick) > 0; }));
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
    Repaint();
    EXPECT_TRUE(bar->IsVisible()) << "kept while the text is longer than the view";

    g.naturalHeight = 10;
    Repaint();
    EXPECT_TRUE(PumpUntil([&] { return !edit->IsVerticalBarForced(); }));
    EXPECT_FALSE(bar->IsVisible());
}

TEST_F(TextHostWindow, RawMouseMessagesReachTheEngineOnlyAsTheFilterAllows)
{
    const RECT view = edit->GetTextHost()->GetViewRect();
    POINT inside = {view.left + 5, view.top + 5};
    const LPARAM client = MAKELPARAM(inside.x, inside.y);
    ::ClientToScreen(host.GetHandle(), &inside);
    const LPARAM screen = MAKELPARAM(inside.x, inside.y);
    struct Case { UINT msg; WPARAM wParam; LPARAM lParam; bool reaches; };
    const Case cases[] = {
        {WM_MOUSEMOVE, 0, client, true},
        {WM_MOUSEMOVE, 0, MAKELPARAM(view.left + 5, view.bottom + 20), false},
        {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), screen, true},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), screen, false},
        // The horizontal wheel is no mouse message of the filter's, whatever its point.
        {WM_MOUSEHWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), client, false},
        {WM_MOUSEHWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), screen, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.msg << " " << c.lParam);
        g.messages.clear();
        ::SendMessageW(host.GetHandle(), c.msg, c.wParam, c.lParam);
        const auto sent = std::count_if(g.messages.begin(), g.messages.end(),
                                        [&](const std::pair<UINT, WPARAM>& m) { return m.first == c.msg; });
        EXPECT_EQ(c.reaches ? 1 : 0, sent);
    }
}

TEST_F(TextHostWindow, ResizeRequestsResizeTheViewAndStayWithTheControl)
{
    NotifyFilter filter;
    host.manager.AddMessageFilter(&filter);
    CTxtWinHost* textHost = edit->GetTextHost();
    const RECT view = textHost->GetViewRect();
    REQRESIZE resize = {};
    resize.rc = RECT{0, 0, 50, 40};
    textHost->TxNotify(EN_REQUESTRESIZE, &resize);
    host.manager.RemoveMessageFilter(&filter);
    EXPECT_TRUE(filter.headers.empty());
    EXPECT_TRUE(controlstest::SameRect(RECT{view.left, view.top, view.left + 50, view.top + 40},
                                       textHost->GetViewRect()));
}
