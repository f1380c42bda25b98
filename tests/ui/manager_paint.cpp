// Painting through the window manager: the back buffer on WM_PAINT, overlays, dirty-rectangle
// frames, the saved background of transparent windows and WM_PRINTCLIENT.

#include "core/UIManager.h"

#include <gtest/gtest.h>

#include "core/UIContainer.h"
#include "core/UIControl.h"
#include "core/UILayouts.h"
#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace managertest;

namespace {

const DWORD kRed = 0xFFFF0000;
const DWORD kBlue = 0xFF0000FF;
const COLORREF kGreenRef = RGB(0, 255, 0);
const COLORREF kBlueRef = RGB(0, 0, 255);

// Fills a square of the window in its colour after the whole tree has painted.
class OverlayControl : public CControlUI
{
public:
    explicit OverlayControl(COLORREF colour) : m_colour(colour) {}
    void PaintOverlay(HDC hDC, const RECT&) override
    {
        RECT rc = {5, 5, 15, 15};
        HBRUSH brush = ::CreateSolidBrush(m_colour);
        ::FillRect(hDC, &rc, brush);
        ::DeleteObject(brush);
        ++overlays;
    }
    int overlays = 0;

private:
    COLORREF m_colour;
};

class PaintTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, host.Open(200, 120));
        ::UpdateWindow(host.GetHandle());
        root = new CHorizontalLayoutUI;
        left = new CControlUI;
        left->SetFixedWidth(100);
        left->SetBackColor(kRed);
        right = new CControlUI;
        right->SetBackColor(kBlue);
        root->Add(left);
        root->Add(right);
    }

    void Attach()
    {
        host.manager.AttachRootControl(root);
        Repaint(nullptr);
    }

    void Repaint(const RECT* rc)
    {
        ::InvalidateRect(host.GetHandle(), rc, FALSE);
        ::UpdateWindow(host.GetHandle());
    }

    COLORREF Pixel(int x, int y)
    {
        HDC dc = ::GetDC(host.GetHandle());
        const COLORREF colour = ::GetPixel(dc, x, y);
        ::ReleaseDC(host.GetHandle(), dc);
        return colour;
    }

    void FillWindow(COLORREF colour)
    {
        HDC dc = ::GetDC(host.GetHandle());
        RECT rc = {0, 0, 200, 120};
        HBRUSH brush = ::CreateSolidBrush(colour);
        ::FillRect(dc, &rc, brush);
        ::DeleteObject(brush);
        ::ReleaseDC(host.GetHandle(), dc);
        ::GdiFlush();
    }

    HostWnd host;
    CHorizontalLayoutUI* root = nullptr;
    CControlUI* left = nullptr;
    CControlUI* right = nullptr;
};

} // namespace

TEST_F(PaintTest, TheTreeReachesTheWindowThroughTheBackBuffer)
{
    Attach();
    EXPECT_EQ(RGB(255, 0, 0), Pixel(10, 60));
    EXPECT_EQ(RGB(0, 0, 255), Pixel(150, 60));
    EXPECT_EQ(RGB(0, 0, 255), Pixel(199, 119));

    // A partial repaint redraws the dirty part only.
    FillWindow(kGreenRef);
    RECT dirty = {90, 0, 110, 120};
    Repaint(&dirty);
    EXPECT_EQ(RGB(255, 0, 0), Pixel(95, 60));
    EXPECT_EQ(RGB(0, 0, 255), Pixel(105, 60));
    EXPECT_EQ(kGreenRef, Pixel(50, 60));
}

TEST_F(PaintTest, OverlaysArePaintedAfterTheTree)
{
    OverlayControl* overlay = new OverlayControl(kGreenRef);
    overlay->SetFixedWidth(1);
    root->Add(overlay);
    Attach();
    EXPECT_EQ(RGB(255, 0, 0), Pixel(10, 60));
    EXPECT_EQ(0, overlay->overlays);

    EXPECT_TRUE(host.manager.AddPostPaintControl(overlay));
    Repaint(nullptr);
    EXPECT_EQ(1, overlay->overlays);
    EXPECT_EQ(kGreenRef, Pixel(10, 10));
    EXPECT_EQ(RGB(255, 0, 0), Pixel(20, 20));

    // A removed control is never painted as an overlay again.
    EXPECT_TRUE(root->Remove(overlay));
    Pump();   // the deferred deletion
    EXPECT_FALSE(host.manager.RemovePostPaintControl(overlay));
    Repaint(nullptr);
    EXPECT_EQ(RGB(255, 0, 0), Pixel(10, 10));
}

TEST_F(PaintTest, DirtyRectanglesAreFramedInRedWhenAsked)
{
    Attach();
    host.manager.SetShowDirtyRects(true);
    RECT dirty = {120, 20, 160, 60};
    Repaint(&dirty);
    EXPECT_EQ(RGB(220, 0, 0), Pixel(120, 20));
    EXPECT_EQ(RGB(220, 0, 0), Pixel(159, 40));
    EXPECT_EQ(RGB(0, 0, 255), Pixel(140, 40));
    EXPECT_EQ(RGB(0, 0, 255), Pixel(118, 20));
}

TEST_F(PaintTest, TransparentWindowsKeepTheirFirstBackground)
{
    // Only the left half paints anything.
    right->SetBackColor(0);
    FillWindow(kGreenRef);
    host.manager.SetTransparentBackground(true);
    Attach();
    EXPECT_EQ(RGB(255, 0, 0), Pixel(10, 60));
    EXPECT_EQ(kGreenRef, Pixel(150, 60));

    // Whatever the window shows later, the saved background comes back under the tree.
    FillWindow(kBlueRef);
    Repaint(nullptr);
    EXPECT_EQ(kGreenRef, Pixel(150, 60));
    EXPECT_EQ(RGB(255, 0, 0), Pixel(10, 60));
}

TEST_F(PaintTest, PrintClientPaintsTheTreeIntoTheGivenDc)
{
    Attach();
    rendertest::Canvas canvas(200, 120, 0xFF000000);
    host.SendMsg(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT | PRF_CHILDREN);
    EXPECT_EQ(0xFF0000u, canvas.Rgb(10, 60));
    EXPECT_EQ(0x0000FFu, canvas.Rgb(150, 60));
    // The DC comes back as it was given.
    POINT origin = {7, 7};
    ::GetWindowOrgEx(canvas.Dc(), &origin);
    EXPECT_EQ(0, origin.x);
}

TEST_F(PaintTest, ControlsAskingForTheCursorGetSetCursorEvents)
{
    class CursorControl : public CControlUI
    {
    public:
        UINT GetInputFlags() override { return UIFLAG_SETCURSOR; }
        void OnEvent(UIEvent& event) override
        {
            if (event.Type == UIEventType::SetCursor) {
                ++cursorEvents;
                lastPoint = event.ptMouse;
            }
        }
        int cursorEvents = 0;
        POINT lastPoint = {0, 0};
    };
    CursorControl* cursor = new CursorControl;
    cursor->SetFixedWidth(50);
    root->Add(cursor);
    left->SetFixedWidth(50);
    right->SetFixedWidth(50);
    Attach();
    ASSERT_EQ(100, cursor->GetPos().left);

    // The pointer goes back where it was, away from other tests' windows.
    POINT before = {};
    ::GetCursorPos(&before);
    struct PointerBack {
        POINT at;
        ~PointerBack() { ::SetCursorPos(at.x, at.y); }
    } pointerBack{before};
    POINT screen = {120, 30};
    ::ClientToScreen(host.GetHandle(), &screen);
    ::SetCursorPos(screen.x, screen.y);
    POINT now = {};
    ::GetCursorPos(&now);
    ASSERT_EQ(screen.x, now.x);
    host.SendMsg(WM_SETCURSOR, reinterpret_cast<WPARAM>(host.GetHandle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(host.lastHandled);
    EXPECT_EQ(1, cursor->cursorEvents);
    EXPECT_EQ(120, cursor->lastPoint.x);

    // Outside the client area, or over a control that does not ask, the window decides.
    host.SendMsg(WM_SETCURSOR, 0, MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_FALSE(host.lastHandled);
    screen = {20, 30};
    ::ClientToScreen(host.GetHandle(), &screen);
    ::SetCursorPos(screen.x, screen.y);
    host.SendMsg(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_FALSE(host.lastHandled);
    EXPECT_EQ(1, cursor->cursorEvents);
}
