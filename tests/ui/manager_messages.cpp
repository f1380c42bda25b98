// The window manager's message handling that needs no controls: filters, reflection to native
// children, size limits, alpha, notifications, pre-translation and the message loop.

#include "core/UIManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "manager_support.h"

using namespace QxUI;
using namespace managertest;

namespace {

const UINT kProbe = WM_APP + 30;

class RecordingFilter : public IMessageFilterUI
{
public:
    explicit RecordingFilter(std::vector<std::wstring>* log, const wchar_t* name, UINT claims = 0,
                             LRESULT answer = 0)
        : m_log(log), m_name(name), m_claims(claims), m_answer(answer)
    {
    }

    LRESULT PreFilterMessage(UINT msg, WPARAM, LPARAM, bool& handled) override
    {
        if (msg == kProbe || msg == m_claims)
            m_log->push_back(m_name);
        if (m_claims != 0 && msg == m_claims) {
            handled = true;
            return m_answer;
        }
        return 0;
    }

private:
    std::vector<std::wstring>* m_log;
    std::wstring m_name;
    UINT m_claims;
    LRESULT m_answer;
};

class RecordingNotifier : public INotifyUI
{
public:
    void OnUINotify(UINotification& msg) override
    {
        types.push_back(msg.sType.GetData());
        senders.push_back(msg.pSender);
        points.push_back(msg.ptMouse);
        params.push_back(msg.wParam);
        stamps.push_back(msg.dwTimestamp);
    }

    std::vector<std::wstring> types;
    std::vector<CControlUI*> senders;
    std::vector<POINT> points;
    std::vector<WPARAM> params;
    std::vector<DWORD> stamps;
};

class Translator : public ITranslateAccelerator
{
public:
    explicit Translator(UINT consumes) : m_consumes(consumes) {}
    LRESULT TranslateAccelerator(MSG* msg) override
    {
        if (msg->message >= kProbe && msg->message <= kProbe + 2)
            ++offered;
        return msg->message == m_consumes ? 0 : 1;
    }
    int offered = 0;

private:
    UINT m_consumes;
};

// A native child that answers reflected notifications.
class ChildWnd : public CWindowWnd
{
public:
    LPCWSTR GetRegisteredClassName() const override { return L"QxManagerTestChild"; }
    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if ((msg >= 0x2000 && msg < 0x3000) || msg == kProbe) {
            messages.push_back(msg);
            wParams.push_back(wParam);
            lParams.push_back(lParam);
            return 77;
        }
        return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
    }
    ~ChildWnd() override
    {
        if (GetHandle())
            ::DestroyWindow(GetHandle());
    }
    std::vector<UINT> messages;
    std::vector<WPARAM> wParams;
    std::vector<LPARAM> lParams;
};

// Listens on every list: a call logs its name, then runs its action once.
class Callee : public INotifyUI, public IMessageFilterUI, public ITranslateAccelerator
{
public:
    Callee(std::wstring* log, WCHAR name) : m_log(log), m_name(name) {}
    void OnUINotify(UINotification&) override { Called(); }
    LRESULT PreFilterMessage(UINT msg, WPARAM, LPARAM, bool&) override { return Called(msg); }
    LRESULT TranslateAccelerator(MSG* msg) override { return Called(msg->message) + 1; }
    std::function<void()> action;

private:
    LRESULT Called(UINT msg = kProbe)
    {
        if (msg == kProbe)
            *m_log += m_name;
        if (msg == kProbe && action)
            std::exchange(action, nullptr)();
        return 0;
    }
    std::wstring* m_log;
    WCHAR m_name;
};

class MessagesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(nullptr, host.Open()); }

    HWND OpenChild()
    {
        return child.Create(host.GetHandle(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 20, 20);
    }

    HostWnd host;
    ChildWnd child;
};

} // namespace

// ---- Filters and plain answers ------------------------------------------------------------------

TEST_F(MessagesTest, FirstFilterThatClaimsAMessageAnswersIt)
{
    std::vector<std::wstring> log;
    RecordingFilter passes(&log, L"passes");
    RecordingFilter claims(&log, L"claims", kProbe, 42);
    RecordingFilter never(&log, L"never", kProbe, 9);
    EXPECT_TRUE(host.manager.AddMessageFilter(&passes));
    EXPECT_TRUE(host.manager.AddMessageFilter(&claims));
    EXPECT_TRUE(host.manager.AddMessageFilter(&never));

    EXPECT_EQ(42, host.SendMsg(kProbe));
    EXPECT_TRUE(host.lastHandled);
    EXPECT_EQ((std::vector<std::wstring>{L"passes", L"claims"}), log);

    EXPECT_TRUE(host.manager.RemoveMessageFilter(&claims));
    EXPECT_FALSE(host.manager.RemoveMessageFilter(&claims));
    log.clear();
    EXPECT_EQ(9, host.SendMsg(kProbe));
    EXPECT_EQ((std::vector<std::wstring>{L"passes", L"never"}), log);
    // They go before the window, which still has its last messages to filter.
    host.manager.RemoveMessageFilter(&passes);
    host.manager.RemoveMessageFilter(&never);
}

TEST_F(MessagesTest, CalleesChangingTheListsDuringADispatchMissNoneAndRunNoneTwice)
{
    CUIWindowManager& m = host.manager;
    typedef std::function<bool(Callee*)> Change;
    const struct
    {
        Change add, remove;
        std::function<void()> dispatch;
    } lists[] = {
        {[&](Callee* c) { return m.AddNotifier(c); }, [&](Callee* c) { return m.RemoveNotifier(c); },
         [&] { m.RaiseNotify(nullptr, L"probe"); }},
        {[&](Callee* c) { return m.AddMessageFilter(c); },
         [&](Callee* c) { return m.RemoveMessageFilter(c); }, [&] { host.SendMsg(kProbe); }},
        {[&](Callee* c) { return m.AddPreMessageFilter(c); },
         [&](Callee* c) { return m.RemovePreMessageFilter(c); },
         [&] { LRESULT r; m.PreTranslate(kProbe, 0, 0, r); }},
        {[&](Callee* c) { return m.AddAcceleratorTranslator(c); },
         [&](Callee* c) { return m.RemoveAcceleratorTranslator(c); },
         [&] { MSG msg = {host.GetHandle(), kProbe}; m.RunAcceleratorTranslators(&msg); }},
    };
    for (const auto& list : lists) {
        // What a does during the first dispatch; the calls of that dispatch and of the next.
        const struct
        {
            int removes;   // 0: a itself, 1: b, -1: none but d is added
            const wchar_t* calls;
        } cases[] = {{0, L"abcbc"}, {1, L"acac"}, {-1, L"abcabcd"}};
        for (const auto& c : cases) {
            std::wstring log;
            Callee callees[] = {{&log, L'a'}, {&log, L'b'}, {&log, L'c'}, {&log, L'd'}};
            for (int i = 0; i < 3; ++i)
                list.add(&callees[i]);
            callees[0].action = [&] {
                c.removes >= 0 ? list.remove(&callees[c.removes]) : list.add(&callees[3]);
            };
            list.dispatch();
            list.dispatch();
            EXPECT_EQ(c.calls, log) << (&list - lists);
            for (Callee& callee : callees)
                list.remove(&callee);
        }
    }
}

TEST_F(MessagesTest, ListenersAreKeptOnce)
{
    std::vector<std::wstring> log;
    RecordingFilter filter(&log, L"f", kProbe, 1);
    EXPECT_TRUE(host.manager.AddPreMessageFilter(&filter));
    EXPECT_FALSE(host.manager.AddPreMessageFilter(&filter));
    EXPECT_FALSE(host.manager.AddPreMessageFilter(nullptr));
    RecordingNotifier notifier;
    EXPECT_TRUE(host.manager.AddNotifier(&notifier));
    EXPECT_FALSE(host.manager.AddNotifier(&notifier));
    host.manager.RaiseNotify(nullptr, L"once");
    EXPECT_EQ(1u, notifier.types.size());
    EXPECT_TRUE(host.manager.RemoveNotifier(&notifier));
    EXPECT_FALSE(host.manager.RemoveNotifier(&notifier));
    EXPECT_TRUE(host.manager.RemovePreMessageFilter(&filter));
}

TEST_F(MessagesTest, BackgroundErasingIsAnsweredWithoutErasing)
{
    HDC dc = ::GetDC(host.GetHandle());
    EXPECT_EQ(1, host.SendMsg(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)));
    EXPECT_TRUE(host.lastHandled);
    ::ReleaseDC(host.GetHandle(), dc);
}

TEST_F(MessagesTest, PaintWithoutARootValidatesTheWindow)
{
    ::InvalidateRect(host.GetHandle(), nullptr, FALSE);
    host.SendMsg(WM_PAINT);
    EXPECT_TRUE(host.lastHandled);
    RECT rc = {};
    EXPECT_FALSE(::GetUpdateRect(host.GetHandle(), &rc, FALSE));
}

TEST_F(MessagesTest, WithoutAWindowNothingIsHandled)
{
    CUIWindowManager detached;
    LRESULT result = 5;
    EXPECT_FALSE(detached.HandleWindowMessage(WM_ERASEBKGND, 0, 0, result));
    EXPECT_EQ(5, result);
    EXPECT_FALSE(detached.StartTimer(reinterpret_cast<CControlUI*>(&result), 1, 10));
}

// ---- Reflection to native children --------------------------------------------------------------

TEST_F(MessagesTest, NotificationsOfNativeChildrenAreReflectedToThem)
{
    ASSERT_NE(nullptr, OpenChild());
    NMHDR header = {};
    header.hwndFrom = child.GetHandle();
    header.code = 12;
    EXPECT_EQ(77, host.SendMsg(WM_NOTIFY, 3, reinterpret_cast<LPARAM>(&header)));
    EXPECT_TRUE(host.lastHandled);
    EXPECT_EQ(77, host.SendMsg(WM_COMMAND, MAKEWPARAM(5, EN_CHANGE),
                               reinterpret_cast<LPARAM>(child.GetHandle())));
    EXPECT_EQ(77, host.SendMsg(WM_CTLCOLOREDIT, 8, reinterpret_cast<LPARAM>(child.GetHandle())));
    EXPECT_EQ(77, host.SendMsg(WM_CTLCOLORSTATIC, 9, reinterpret_cast<LPARAM>(child.GetHandle())));
    ASSERT_EQ((std::vector<UINT>{0x204E, 0x2111, 0x2133, 0x2138}), child.messages);
    EXPECT_EQ(3u, child.wParams[0]);
    EXPECT_EQ(reinterpret_cast<LPARAM>(&header), child.lParams[0]);
    EXPECT_EQ(MAKEWPARAM(5, EN_CHANGE), child.wParams[1]);
    EXPECT_EQ(8u, child.wParams[2]);
}

TEST_F(MessagesTest, CommandsWithoutAChildWindowAreLeftToTheWindow)
{
    host.SendMsg(WM_COMMAND, 1, 0);
    EXPECT_FALSE(host.lastHandled);
    host.SendMsg(WM_CTLCOLORSTATIC, 1, 0);
    EXPECT_FALSE(host.lastHandled);
    // A notification without a header is swallowed.
    EXPECT_EQ(0, host.SendMsg(WM_NOTIFY, 1, 0));
    EXPECT_TRUE(host.lastHandled);
}

// ---- Window settings ----------------------------------------------------------------------------

TEST_F(MessagesTest, TrackSizesReplaceOnlyTheComponentsThatAreSet)
{
    host.manager.SetMinTrackSize(300, 0);
    host.manager.SetMaxTrackSize(0, 500);
    MINMAXINFO info = {};
    info.ptMinTrackSize = {1, 2};
    info.ptMaxTrackSize = {3000, 4000};
    host.SendMsg(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_FALSE(host.lastHandled);
    EXPECT_EQ(300, info.ptMinTrackSize.x);
    EXPECT_EQ(2, info.ptMinTrackSize.y);
    EXPECT_EQ(3000, info.ptMaxTrackSize.x);
    EXPECT_EQ(500, info.ptMaxTrackSize.y);
}

TEST_F(MessagesTest, InitialSizeResizesTheWindowWhileNoRootIsAttached)
{
    host.manager.SetInitialSize(321, 123);
    RECT rc = {};
    ::GetWindowRect(host.GetHandle(), &rc);
    EXPECT_EQ(321, rc.right - rc.left);
    EXPECT_EQ(123, rc.bottom - rc.top);
    EXPECT_EQ(10, rc.left);
    EXPECT_EQ(321, host.manager.GetInitialSize().cx);
}

TEST_F(MessagesTest, AlphaInRangeMakesTheWindowLayeredAndOutOfRangeUndoesIt)
{
    host.manager.SetWindowAlpha(128);
    EXPECT_EQ(128, host.manager.GetWindowAlpha());
    EXPECT_TRUE(::GetWindowLongPtrW(host.GetHandle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(host.GetHandle(), nullptr, &alpha, &flags));
    EXPECT_EQ(128, alpha);
    EXPECT_TRUE(flags & LWA_ALPHA);

    host.manager.SetWindowAlpha(300);
    EXPECT_EQ(255, host.manager.GetWindowAlpha());
    EXPECT_FALSE(::GetWindowLongPtrW(host.GetHandle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    host.manager.SetWindowAlpha(-4);
    EXPECT_EQ(0, host.manager.GetWindowAlpha());
    EXPECT_FALSE(::GetWindowLongPtrW(host.GetHandle(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

// ---- Notifications ------------------------------------------------------------------------------

TEST_F(MessagesTest, QueuedNotificationsWaitForTheWindowsNextMessage)
{
    RecordingNotifier notifier;
    host.manager.AddNotifier(&notifier);
    host.manager.RaiseNotify(nullptr, L"first", 1, 0, true);
    host.manager.RaiseNotify(nullptr, L"second", 2, 0, true);
    host.manager.RaiseNotify(nullptr, L"now", 3);
    ASSERT_EQ((std::vector<std::wstring>{L"now"}), notifier.types);
    EXPECT_EQ(-1, notifier.points[0].x);
    EXPECT_NE(0u, notifier.stamps[0]);

    host.SendMsg(WM_NULL);
    EXPECT_EQ((std::vector<std::wstring>{L"now", L"first", L"second"}), notifier.types);
    EXPECT_EQ(1u, notifier.params[1]);
    EXPECT_EQ(2u, notifier.params[2]);
    host.SendMsg(WM_NULL);
    EXPECT_EQ(3u, notifier.types.size());
}

TEST_F(MessagesTest, QueuedNotificationsAreFreedWithTheManager)
{
    RecordingNotifier notifier;
    {
        CUIWindowManager manager;
        manager.AddNotifier(&notifier);
        manager.RaiseNotify(nullptr, L"never", 0, 0, true);
    }
    EXPECT_TRUE(notifier.types.empty());
}

// ---- Pre-translation and the loop ---------------------------------------------------------------

TEST_F(MessagesTest, PreFiltersAndTranslatorsConsumeQueuedMessagesOfTheirWindow)
{
    std::vector<std::wstring> log;
    RecordingFilter pre(&log, L"pre", kProbe + 1, 0);
    RecordingFilter window(&log, L"window");
    Translator translator(kProbe + 2);
    host.manager.AddPreMessageFilter(&pre);
    host.manager.AddMessageFilter(&window);
    host.manager.AddAcceleratorTranslator(&translator);

    host.PostMsg(kProbe + 1);   // claimed by the pre-filter
    host.PostMsg(kProbe + 2);   // consumed by the translator, before the pre-filters
    host.PostMsg(kProbe);       // reaches the window
    Pump();
    EXPECT_EQ(3, translator.offered);
    EXPECT_EQ((std::vector<std::wstring>{L"pre", L"pre", L"window"}), log);
    host.manager.RemovePreMessageFilter(&pre);
    host.manager.RemoveMessageFilter(&window);
    host.manager.RemoveAcceleratorTranslator(&translator);
}

TEST_F(MessagesTest, MessagesOfANativeChildAreOfferedToTheParentButStillDelivered)
{
    std::vector<std::wstring> log;
    RecordingFilter filter(&log, L"parent", kProbe, 0);
    host.manager.AddPreMessageFilter(&filter);
    ASSERT_NE(nullptr, OpenChild());
    ::PostMessageW(child.GetHandle(), kProbe, 4, 5);
    Pump();
    host.manager.RemovePreMessageFilter(&filter);
    EXPECT_EQ((std::vector<std::wstring>{L"parent"}), log);
    ASSERT_EQ(1u, child.messages.size());
    EXPECT_EQ(kProbe, child.messages[0]);
}

TEST_F(MessagesTest, AManagedChildWindowIsOfferedItsMessagesOnce)
{
    // host > child (plain) > inner (with a manager of its own): two ancestor levels.
    ASSERT_NE(nullptr, OpenChild());
    HostWnd inner;
    ASSERT_NE(nullptr, inner.OpenAsChild(child.GetHandle()));
    std::vector<std::wstring> log;
    RecordingFilter outerFilter(&log, L"outer");
    RecordingFilter innerFilter(&log, L"inner");
    host.manager.AddPreMessageFilter(&outerFilter);
    inner.manager.AddPreMessageFilter(&innerFilter);
    ::PostMessageW(inner.GetHandle(), kProbe, 0, 0);
    Pump();
    host.manager.RemovePreMessageFilter(&outerFilter);
    inner.manager.RemovePreMessageFilter(&innerFilter);
    EXPECT_EQ((std::vector<std::wstring>{L"inner", L"outer"}), log);
}

TEST_F(MessagesTest, ChildMessagesConsumedByAnAcceleratorGoNoFurther)
{
    Translator translator(kProbe);
    host.manager.AddAcceleratorTranslator(&translator);
    ASSERT_NE(nullptr, OpenChild());
    ::PostMessageW(child.GetHandle(), kProbe, 0, 0);
    Pump();
    host.manager.RemoveAcceleratorTranslator(&translator);
    EXPECT_EQ(1, translator.offered);
    EXPECT_TRUE(child.messages.empty());
}

TEST_F(MessagesTest, MessageLoopRunsUntilQuit)
{
    std::vector<std::wstring> log;
    RecordingFilter filter(&log, L"window");
    host.manager.AddMessageFilter(&filter);
    host.PostMsg(kProbe);
    host.PostMsg(kProbe);
    ::PostQuitMessage(0);
    CUIWindowManager::RunMessageLoop();
    host.manager.RemoveMessageFilter(&filter);
    EXPECT_EQ(2u, log.size());
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}
