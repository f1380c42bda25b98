// The window manager's life: process set-up by the first manager, attaching the window and
// tear-down.

#include "core/UIManager.h"

#include <commctrl.h>

#include <new>
#include <utility>

#include "core/UIControl.h"

namespace QxUI {

HINSTANCE CUIWindowManager::s_hInstance = nullptr;
CUIString CUIWindowManager::s_strResourcePath;
CUIString CUIWindowManager::s_strResourceZip;
bool CUIWindowManager::s_bCachedResourceZip = true;
HZIPARCHIVE CUIWindowManager::s_hResourceZip = nullptr;
CUIResourceTable CUIWindowManager::s_SharedResources;
CUIPtrArray CUIWindowManager::s_aManagers;
CUIPtrArray CUIWindowManager::s_aControlFactories;
HPEN CUIWindowManager::s_hUpdateRectPen = nullptr;
short CUIWindowManager::s_H = 180;
short CUIWindowManager::s_S = 100;
short CUIWindowManager::s_L = 100;
bool CUIWindowManager::s_bUseHSL = false;

namespace {

const COLORREF kDirtyRectColor = RGB(220, 0, 0);

} // namespace

void CUIWindowManager::SetUpProcess()
{
    CUIResourceTable& shared = s_SharedResources;
    if (!shared.DefaultFontInfo || shared.DefaultFontInfo->sFontName.IsEmpty()) {
        shared.dwDisabledColor = 0xFFA7A6AA;
        shared.dwDefaultFontColor = 0xFF000000;
        shared.dwDefaultLinkFontColor = 0xFF0000FF;
        shared.dwDefaultLinkHoverFontColor = 0xFFD3215F;
        shared.dwDefaultSelectedBkColor = 0xFFBAE4FF;

        LOGFONTW lf = {};
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
        lf.lfCharSet = DEFAULT_CHARSET;
        // A record even without its font (the face stays empty and the next manager tries
        // again): the default font lookup always finds one.
        CUIRef<CUIFontInfo> info(new (std::nothrow) CUIFontInfo);
        win32::UniqueFont font(::CreateFontIndirectW(&lf));
        if (info && font) {
            info->hFont = std::move(font);
            info->sFontName = lf.lfFaceName;
            info->iSize = -lf.lfHeight;
            info->bBold = lf.lfWeight >= FW_BOLD;
            info->bUnderline = lf.lfUnderline == 1;
            info->bItalic = lf.lfItalic == 1;
        }
        if (info)
            shared.DefaultFontInfo = std::move(info);
    }
    if (!s_hUpdateRectPen) {
        s_hUpdateRectPen = ::CreatePen(PS_SOLID, 1, kDirtyRectColor);
        ::InitCommonControls();
        // Loaded for the run-time lookups of AlphaBlend and GradientFill; kept to process end.
        ::LoadLibraryW(L"msimg32.dll");
    }
}

CUIWindowManager::CUIWindowManager()
{
    SetUpProcess();
    m_Resources.dwDisabledColor = s_SharedResources.dwDisabledColor;
    m_Resources.dwDefaultFontColor = s_SharedResources.dwDefaultFontColor;
    m_Resources.dwDefaultLinkFontColor = s_SharedResources.dwDefaultLinkFontColor;
    m_Resources.dwDefaultLinkHoverFontColor = s_SharedResources.dwDefaultLinkHoverFontColor;
    m_Resources.dwDefaultSelectedBkColor = s_SharedResources.dwDefaultSelectedBkColor;
}

CUIWindowManager::~CUIWindowManager()
{
    // First out of the list: nothing below may queue a control with this manager.
    const int index = s_aManagers.Find(this);
    if (index >= 0)
        s_aManagers.Remove(index);

    SetResourceParent(nullptr);
    for (int i = 0; i < m_aBorrowers.GetSize(); ++i)
        static_cast<CUIWindowManager*>(m_aBorrowers[i])->m_pResourceParent = nullptr;
    m_aBorrowers.Empty();
    // Destroyed from inside a handler, the tree may be on the stack: it leaves the manager now
    // and waits as deferred work. Deleted at once, its destroy handlers may queue more with
    // this manager, or attach a root: until nothing is left.
    while (m_pRoot || !m_aDelayedCleanup.IsEmpty()) {
        const CUIPtrArray doomed(m_aDelayedCleanup);
        m_aDelayedCleanup.Empty();
        for (int i = 0; i < doomed.GetSize(); ++i)
            DeleteControl(static_cast<CControlUI*>(doomed[i]));
        CControlUI* root = m_pRoot;
        m_pRoot = nullptr;
        DeleteControl(root);
    }
    // What still points here lives outside the tree: it points nowhere now.
    while (CControlUI* member = m_pMembers) {
        ForgetControl(member);
        member->m_pManager = nullptr;
    }
    m_mNameHash.Resize(0);
    FreeQueuedNotifications();

    // The table's references go; records still in use (a control moved to another window, a
    // native window given a font) live on with their users.
    m_Resources.DefaultFontInfo.Reset();
    ReleaseFonts(m_Resources);
    ReleaseImages(m_Resources);
    FreeAttributes(m_Resources);

    RemoveAllOptionGroups();
    for (int i = 0; i < m_aTimers.GetSize(); ++i) {
        TimerInfo* timer = static_cast<TimerInfo*>(m_aTimers[i]);
        if (!timer->bKilled && timer->hWnd == m_hWndPaint && ::IsWindow(m_hWndPaint))
            ::KillTimer(timer->hWnd, timer->uWinTimer);
        delete timer;
    }
    m_aTimers.Empty();

    if (m_hwndTooltip)
        ::DestroyWindow(m_hwndTooltip);
    ReleaseBackBuffers();
    m_windowDC.Reset();
}

void CUIWindowManager::AttachWindow(HWND hWnd)
{
    m_hWndPaint = hWnd;
    m_dwThreadId = ::GetCurrentThreadId();
    m_windowDC = win32::WindowDC(hWnd);
    m_hDcPaint = m_windowDC.Get();
    // A window object created again attaches again: the manager is listed once, so that its
    // destructor leaves nothing behind. Deletions queued with the window that ended ask the new
    // one: the message went to the old.
    if (s_aManagers.Find(this) < 0)
        s_aManagers.Add(this);
    if (hWnd && !m_aDelayedCleanup.IsEmpty())
        ::PostMessageW(hWnd, kDeleteQueuedControls, 0, 0);
}

void CUIWindowManager::AttachMemoryDC(HDC hDC)
{
    m_hDcPaint = hDC;
    m_bPaintDcIsMemory = hDC != nullptr;
}

bool CUIWindowManager::PaintMemoryDC(const RECT& rcClient)
{
    if (!m_bPaintDcIsMemory || !m_hDcPaint || !m_pRoot)
        return false;
    // Size handlers run by the layout may change the root.
    const DispatchScope scope(*this);
    if (m_bUpdateNeeded) {
        m_bUpdateNeeded = false;
        if (!::IsRectEmpty(&rcClient))
            m_pRoot->SetPos(rcClient, false);
    }
    if (!m_pRoot)
        return false;
    m_pRoot->Paint(m_hDcPaint, rcClient);
    for (int i = 0; i < m_aPostPaintControls.GetSize(); ++i)
        static_cast<CControlUI*>(m_aPostPaintControls[i])->PaintOverlay(m_hDcPaint, rcClient);
    return true;
}

} // namespace QxUI
