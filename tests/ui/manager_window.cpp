// The native window base: class registration, superclassing, the modal loop, centring and the
// notify pump's maps.

#include "core/UIWindow.h"

#include <gtest/gtest.h>

#include "core/UIControl.h"

#include <string>

#include "manager_support.h"

using namespace QxUI;
using namespace managertest;

namespace {

const UINT kRunAction = WM_APP + 20;

// A plain own-class window that runs a test action when it receives kRunAction.
class PlainWnd : public CWindowWnd
{
public:
    typedef void (*Action)(PlainWnd* self);

    LPCWSTR GetRegisteredClassName() const override { return L"QxManagerTestPlain"; }

    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == kRunAction && action) {
            action(this);
            return 0;
        }
        if (msg == WM_CLOSE)
            ++closeMessages;
        return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
    }

    void OnWindowDestroyed(HWND hWnd) override
    {
        destroyedHandle = hWnd;
        handleWhenDestroyed = GetHandle();
    }

    ~PlainWnd() override
    {
        if (GetHandle())
            ::DestroyWindow(GetHandle());
    }

    Action action = nullptr;
    int closeMessages = 0;
    HWND destroyedHandle = nullptr;
    HWND handleWhenDestroyed = reinterpret_cast<HWND>(1);
    HWND owner = nullptr;
    bool ownerEnabledInside = true;
};

class EditSuperclass : public CWindowWnd
{
public:
    LPCWSTR GetRegisteredClassName() const override { return L"QxManagerTestEdit"; }
    LPCWSTR GetBaseClassName() const override { return L"Edit"; }

    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_SETTEXT)
            ++setTextSeen;
        return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
    }

    void OnWindowDestroyed(HWND) override { destroyed = true; }

    int setTextSeen = 0;
    bool destroyed = false;
};

class MissingBaseClass : public CWindowWnd
{
public:
    LPCWSTR GetRegisteredClassName() const override { return L"QxManagerTestNoBase"; }
    LPCWSTR GetBaseClassName() const override { return L"QxNoSuchWindowClass"; }
};

HWND OpenPlain(PlainWnd& wnd, HWND owner = nullptr, int x = 50, int y = 50, int cx = 200,
               int cy = 100)
{
    Module();
    return wnd.Create(owner, L"plain", WS_POPUP, 0, x, y, cx, cy);
}

RECT WorkAreaNear(HWND hWnd)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

} // namespace

// ---- Classes and procedures ---------------------------------------------------------------------

TEST(WindowClasses, TwoWindowsOfOneOwnClassBothExistAndKnowTheirObjects)
{
    PlainWnd first;
    PlainWnd second;
    ASSERT_NE(nullptr, OpenPlain(first));
    ASSERT_NE(nullptr, OpenPlain(second));
    EXPECT_NE(first.GetHandle(), second.GetHandle());

    // Messages reach the object of their own window.
    int ran = 0;
    static int* counter;
    counter = &ran;
    second.action = [](PlainWnd*) { ++*counter; };
    EXPECT_EQ(0, first.SendMsg(kRunAction));
    EXPECT_EQ(0, ran);
    second.SendMsg(kRunAction);
    EXPECT_EQ(1, ran);
}

TEST(WindowClasses, DestructionClearsTheHandleBeforeTheLastCall)
{
    PlainWnd wnd;
    HWND hWnd = OpenPlain(wnd);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&wnd), ::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    ::DestroyWindow(hWnd);
    EXPECT_EQ(hWnd, wnd.destroyedHandle);
    EXPECT_EQ(nullptr, wnd.handleWhenDestroyed);
    EXPECT_EQ(nullptr, wnd.GetHandle());
    // Operations on a window that is gone do nothing.
    wnd.Close(3);
    wnd.Show(true);
    EXPECT_EQ(0, wnd.closeMessages);
}

TEST(WindowClasses, SuperclassKeepsTheBaseBehaviourAndItsObjectInAProperty)
{
    Module();
    EditSuperclass edit;
    HWND hWnd = edit.Create(nullptr, L"first", WS_POPUP, 0, 0, 0, 100, 30);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(&edit, ::GetPropW(hWnd, L"WndX"));
    EXPECT_EQ(0, ::GetWindowLongPtrW(hWnd, GWLP_USERDATA));

    ::SetWindowTextW(hWnd, L"typed text");
    WCHAR text[32] = {};
    ::GetWindowTextW(hWnd, text, 32);
    EXPECT_STREQ(L"typed text", text);
    EXPECT_GE(edit.setTextSeen, 1);

    // A second window of the already registered superclass.
    EditSuperclass another;
    EXPECT_NE(nullptr, another.Create(nullptr, L"", WS_POPUP, 0, 0, 0, 10, 10));
    ::DestroyWindow(another.GetHandle());

    ::DestroyWindow(hWnd);
    EXPECT_TRUE(edit.destroyed);
    EXPECT_EQ(nullptr, edit.GetHandle());
}

TEST(WindowClasses, SuperclassOfAnUnknownClassCreatesNothing)
{
    Module();
    MissingBaseClass wnd;
    EXPECT_EQ(nullptr, wnd.Create(nullptr, L"", WS_POPUP, 0, 0, 0, 10, 10));
    EXPECT_EQ(nullptr, wnd.GetHandle());
}

TEST(WindowIcons, BigAndSmallIconsAtTheSystemSizes)
{
    PlainWnd wnd;
    ASSERT_NE(nullptr, OpenPlain(wnd));
    wnd.SetWindowIcon(31);
    HICON big = reinterpret_cast<HICON>(wnd.SendMsg(WM_GETICON, ICON_BIG));
    HICON smallIcon = reinterpret_cast<HICON>(wnd.SendMsg(WM_GETICON, ICON_SMALL));
    ASSERT_NE(nullptr, big);
    ASSERT_NE(nullptr, smallIcon);
    const auto widthOf = [](HICON icon) {
        ICONINFO info = {};
        ::GetIconInfo(icon, &info);
        BITMAP bm = {};
        ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        if (info.hbmMask)
            ::DeleteObject(info.hbmMask);
        return bm.bmWidth;
    };
    EXPECT_EQ(::GetSystemMetrics(SM_CXICON), widthOf(big));
    EXPECT_EQ(::GetSystemMetrics(SM_CXSMICON), widthOf(smallIcon));

    // An id without a resource leaves the icons as they are.
    wnd.SetWindowIcon(32);
    EXPECT_EQ(big, reinterpret_cast<HICON>(wnd.SendMsg(WM_GETICON, ICON_BIG)));
}

TEST(WindowIcons, TheWindowsOwnIconsGoWhenReplacedOrWithTheWindow)
{
    const auto alive = [](HICON icon) {
        ICONINFO info = {};
        const bool valid = ::GetIconInfo(icon, &info) != FALSE;
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        return valid;
    };
    PlainWnd wnd;
    ASSERT_NE(nullptr, OpenPlain(wnd));
    // An icon that someone else set stays theirs.
    HICON foreign = static_cast<HICON>(::LoadImageW(Module(), MAKEINTRESOURCEW(31), IMAGE_ICON, 0, 0, 0));
    wnd.SendMsg(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(foreign));
    std::vector<HICON> icons;
    for (int i = 0; i < 2; ++i) {
        wnd.SetWindowIcon(31);
        for (WPARAM kind : {ICON_BIG, ICON_SMALL})
            icons.push_back(reinterpret_cast<HICON>(wnd.SendMsg(WM_GETICON, kind)));
    }
    EXPECT_TRUE(alive(foreign));
    EXPECT_EQ((std::vector<bool>{false, false, true, true}),
              (std::vector<bool>{alive(icons[0]), alive(icons[1]), alive(icons[2]), alive(icons[3])}));
    ::DestroyWindow(wnd.GetHandle());
    EXPECT_FALSE(alive(icons[2]) || alive(icons[3]));
    EXPECT_TRUE(::DestroyIcon(foreign));
}

// ---- Modal loop ---------------------------------------------------------------------------------

TEST(ModalLoop, CloseCodeIsTheResultAndTheOwnerIsDisabledMeanwhile)
{
    PlainWnd owner;
    ASSERT_NE(nullptr, OpenPlain(owner));
    PlainWnd dialog;
    ASSERT_NE(nullptr, OpenPlain(dialog, owner.GetHandle()));
    dialog.owner = owner.GetHandle();
    dialog.action = [](PlainWnd* self) {
        self->ownerEnabledInside = ::IsWindowEnabled(self->owner) != FALSE;
        self->Close(2);
    };
    dialog.PostMsg(kRunAction);

    EXPECT_EQ(2u, dialog.RunModal());
    EXPECT_FALSE(dialog.ownerEnabledInside);
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHandle()));
    EXPECT_EQ(nullptr, dialog.GetHandle());
    EXPECT_EQ(1, dialog.closeMessages);
}

TEST(ModalLoop, WindowDestroyedWithoutCloseGivesZero)
{
    PlainWnd owner;
    ASSERT_NE(nullptr, OpenPlain(owner));
    PlainWnd dialog;
    ASSERT_NE(nullptr, OpenPlain(dialog, owner.GetHandle()));
    dialog.action = [](PlainWnd* self) { ::DestroyWindow(self->GetHandle()); };
    dialog.PostMsg(kRunAction);
    EXPECT_EQ(0u, dialog.RunModal());
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHandle()));
}

TEST(ModalLoop, QuitEndsTheLoopAndIsPostedAgainForTheOuterLoop)
{
    PlainWnd owner;
    ASSERT_NE(nullptr, OpenPlain(owner));
    PlainWnd dialog;
    ASSERT_NE(nullptr, OpenPlain(dialog, owner.GetHandle()));
    ::PostQuitMessage(7);

    EXPECT_EQ(0u, dialog.RunModal());
    EXPECT_NE(nullptr, dialog.GetHandle());
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHandle()));
    MSG msg = {};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}

TEST(ModalLoop, ObjectThatDeletesItselfWithItsWindowIsNotTouchedAfterwards)
{
    class SelfDeleting : public PlainWnd
    {
    public:
        explicit SelfDeleting(bool* gone) : m_gone(gone) {}
        void OnWindowDestroyed(HWND) override
        {
            *m_gone = true;
            delete this;
        }

    private:
        bool* m_gone;
    };
    bool gone = false;
    SelfDeleting* dialog = new SelfDeleting(&gone);
    ASSERT_NE(nullptr, OpenPlain(*dialog));
    dialog->Close(5);
    EXPECT_EQ(5u, dialog->RunModal());
    EXPECT_TRUE(gone);
}

// ---- Centring -----------------------------------------------------------------------------------

TEST(Centring, OverTheOwnerWindow)
{
    PlainWnd owner;
    ASSERT_NE(nullptr, OpenPlain(owner, nullptr, 100, 100, 400, 300));
    PlainWnd dialog;
    ASSERT_NE(nullptr, OpenPlain(dialog, owner.GetHandle(), 0, 0, 200, 100));
    dialog.CenterOnOwner();
    RECT rc = {};
    ::GetWindowRect(dialog.GetHandle(), &rc);
    EXPECT_EQ(200, rc.left);   // (100 + 500) / 2 - 100
    EXPECT_EQ(200, rc.top);    // (100 + 400) / 2 - 50
    EXPECT_EQ(200, rc.right - rc.left);
}

TEST(Centring, KeptInsideTheWorkAreaAndWiderThanItAtTheRightEdge)
{
    PlainWnd probe;
    ASSERT_NE(nullptr, OpenPlain(probe));
    const RECT work = WorkAreaNear(probe.GetHandle());
    const int workWidth = work.right - work.left;

    // An owner hanging over the top left corner pulls the dialog to the work area's edge.
    PlainWnd owner;
    ASSERT_NE(nullptr, OpenPlain(owner, nullptr, work.left - 300, work.top - 300, 200, 200));
    PlainWnd dialog;
    ASSERT_NE(nullptr, OpenPlain(dialog, owner.GetHandle(), 0, 0, 300, 200));
    dialog.CenterOnOwner();
    RECT rc = {};
    ::GetWindowRect(dialog.GetHandle(), &rc);
    EXPECT_EQ(work.left, rc.left);
    EXPECT_EQ(work.top, rc.top);

    // Centred over an owner at the right edge, a dialog wider than the work area ends at the
    // work area's right edge and so starts left of it.
    PlainWnd rightOwner;
    ASSERT_NE(nullptr, OpenPlain(rightOwner, nullptr, work.right - 200, work.top + 100, 200, 200));
    PlainWnd wide;
    ASSERT_NE(nullptr, OpenPlain(wide, rightOwner.GetHandle(), 0, 0, workWidth + 100, 50));
    ::GetWindowRect(wide.GetHandle(), &rc);
    const int width = rc.right - rc.left;
    ASSERT_GT(width, workWidth);
    wide.CenterOnOwner();
    ::GetWindowRect(wide.GetHandle(), &rc);
    EXPECT_EQ(work.right - width, rc.left);
    EXPECT_LT(rc.left, work.left);
    EXPECT_EQ(work.top + 200 - 25, rc.top);   // (top + 100 + top + 300) / 2 - 25

    // Without an owner the work area is the reference: the left edge wins.
    PlainWnd lone;
    ASSERT_NE(nullptr, OpenPlain(lone, nullptr, 0, 0, workWidth + 100, 50));
    lone.CenterOnOwner();
    ::GetWindowRect(lone.GetHandle(), &rc);
    EXPECT_EQ(work.left, rc.left);
    EXPECT_EQ((work.top + work.bottom) / 2 - 25, rc.top);
}

// ---- Notify maps --------------------------------------------------------------------------------

namespace {

struct Padding
{
    virtual ~Padding() = default;
    int filler[5] = {};
};

class BasePump : public CNotifyPump
{
    QXUI_DECLARE_NOTIFY_MAP(BasePump)
public:
    std::wstring log;

protected:
    void OnAnyClick(UINotification& msg) { log += L"base-click:" + std::wstring(msg.sType.GetData()) + L";"; }
    void OnClose(UINotification&) { log += L"base-close;"; }
};

QXUI_BEGIN_NOTIFY_MAP(BasePump, CNotifyPump)
QXUI_ON_NOTIFY(L"click", L"", OnAnyClick)
QXUI_ON_NOTIFY(L"close", L"", OnClose)
QXUI_END_NOTIFY_MAP()

// A pump that is not the first base: handlers must still see their own object.
class DerivedPump : public Padding, public BasePump
{
    QXUI_DECLARE_NOTIFY_MAP(DerivedPump)
public:
    int marker = 1234;
    WPARAM seenWParam = 0;
    LPARAM seenLParam = 0;

protected:
    void OnFirstClick(UINotification&) { log += L"derived-first;"; }
    void OnLastClick(UINotification&) { log += L"derived-last:" + std::to_wstring(marker) + L";"; }
    void OnTimer(WPARAM wParam, LPARAM lParam)
    {
        seenWParam = wParam;
        seenLParam = lParam;
        log += L"timer:" + std::to_wstring(marker) + L";";
    }
};

QXUI_BEGIN_NOTIFY_MAP(DerivedPump, BasePump)
QXUI_ON_NOTIFY(L"click", L"", OnFirstClick)
QXUI_ON_NOTIFY(L"click", L"", OnLastClick)
QXUI_ON_NOTIFY_PARAMS(L"timer", L"", OnTimer)
QXUI_END_NOTIFY_MAP()

UINotification Notification(LPCWSTR type, WPARAM wParam = 0, LPARAM lParam = 0)
{
    UINotification msg;
    msg.sType = type;
    msg.wParam = wParam;
    msg.lParam = lParam;
    return msg;
}

} // namespace

TEST(NotifyMaps, DerivedEntriesWinAndTheLastCatchAllOfAMapIsTaken)
{
    DerivedPump pump;
    UINotification click = Notification(L"click");
    EXPECT_TRUE(pump.RouteNotify(click));
    EXPECT_EQ(L"derived-last:1234;", pump.log);
}

TEST(NotifyMaps, TypesMissingFromTheDerivedMapReachTheBaseMap)
{
    DerivedPump pump;
    UINotification close = Notification(L"close");
    EXPECT_TRUE(pump.RouteNotify(close));
    EXPECT_EQ(L"base-close;", pump.log);

    BasePump base;
    UINotification click = Notification(L"click");
    EXPECT_TRUE(base.RouteNotify(click));
    EXPECT_EQ(L"base-click:click;", base.log);
}

TEST(NotifyMaps, ParameterHandlersGetWParamAndLParam)
{
    DerivedPump pump;
    UINotification timer = Notification(L"timer", 17, -3);
    EXPECT_TRUE(pump.RouteNotify(timer));
    EXPECT_EQ(17u, pump.seenWParam);
    EXPECT_EQ(-3, pump.seenLParam);
    EXPECT_EQ(L"timer:1234;", pump.log);
}

TEST(NotifyMaps, UnknownOrDifferentlyCasedTypesFindNothing)
{
    DerivedPump pump;
    UINotification unknown = Notification(L"selectchanged");
    EXPECT_FALSE(pump.RouteNotify(unknown));
    UINotification upper = Notification(L"Click");
    EXPECT_FALSE(pump.RouteNotify(upper));
    EXPECT_TRUE(pump.log.empty());
    EXPECT_EQ(nullptr, CNotifyPump::GetClassNotifyMap()->pfnGetBaseMap);
}

namespace {

// As a skinned window routes clicks: every "click" to one handler, one button to its own.
class ClickPump : public CNotifyPump
{
    QXUI_DECLARE_NOTIFY_MAP(ClickPump)
public:
    std::wstring log;

protected:
    void OnClick(UINotification& msg) { log += L"any:" + std::wstring(msg.pSender ? msg.pSender->GetName().GetData() : L"-") + L";"; }
};

QXUI_BEGIN_NOTIFY_MAP(ClickPump, CNotifyPump)
QXUI_ON_NOTIFY(L"click", L"", OnClick)
QXUI_END_NOTIFY_MAP()

class NamedClickPump : public ClickPump
{
    QXUI_DECLARE_NOTIFY_MAP(NamedClickPump)
protected:
    void OnInstall(UINotification&) { log += L"install;"; }
};

QXUI_BEGIN_NOTIFY_MAP(NamedClickPump, ClickPump)
QXUI_ON_NOTIFY(L"click", L"installButton", OnInstall)
QXUI_END_NOTIFY_MAP()

} // namespace

TEST(NotifyMaps, NamedEntriesWinForTheirControlOnly)
{
    CControlUI close;
    close.SetName(L"closebtn");
    CControlUI install;
    install.SetName(L"installButton");
    NamedClickPump pump;

    UINotification msg = Notification(L"click");
    msg.pSender = &install;
    EXPECT_TRUE(pump.RouteNotify(msg));
    msg.pSender = &close;
    EXPECT_TRUE(pump.RouteNotify(msg));
    msg.pSender = nullptr;
    EXPECT_TRUE(pump.RouteNotify(msg));
    EXPECT_EQ(L"install;any:closebtn;any:-;", pump.log);

    ClickPump base;
    msg.pSender = &install;
    EXPECT_TRUE(base.RouteNotify(msg));
    EXPECT_EQ(L"any:installButton;", base.log);
}
