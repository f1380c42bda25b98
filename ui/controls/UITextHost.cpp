// The text host: answers the rich-edit engine from the owner control and its window manager,
// keeps the default formats and property bits, and creates the engine.

#include "controls/UITextHost.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "controls/UIRichEdit.h"
#include "core/UIManager.h"
#include "core/UIRender.h"
#include "core/UIScrollBar.h"

namespace QxUI {

const IID kIidTextServices = {0x8D33F740, 0xCF58, 0x11CE, {0xA8, 0x9D, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};
const IID kIidTextHost = {0xC5BDD8D0, 0xD26E, 0x11CE, {0xA8, 0x9E, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};

PCreateTextServices CTxtWinHost::s_engineFactory = nullptr;

namespace {

const WCHAR kEngineLibrary[] = L"msftedit.dll";
const char kEngineFactory[] = "CreateTextServices";
// Size, colour, face, offset, character set, bold, italic and underline.
const DWORD kDefaultCharMask = 0xF8000007;
const DWORD kAllParaFields = 0x8001003F;
const LONG kDefaultTabTwips = 720;
const DWORD kScrollBarStyles = WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                               ES_DISABLENOSCROLL;
// A DC that answers no resolution would divide by zero.
const int kFallbackPixelsPerInch = 96;

int PixelsPerInch(HDC hDC, int index)
{
    const int value = hDC ? ::GetDeviceCaps(hDC, index) : 0;
    return value > 0 ? value : kFallbackPixelsPerInch;
}

} // namespace

// ---- Life cycle ---------------------------------------------------------------------------------

CTxtWinHost::CTxtWinHost() = default;

CTxtWinHost::~CTxtWinHost()
{
    // A host whose set-up failed may have no engine at all.
    if (m_pServices) {
        m_pServices->OnTxInPlaceDeactivate();
        m_pServices.Reset();
    }
}

bool CTxtWinHost::Setup(CRichEditUI* owner, const CREATESTRUCTW* create)
{
    m_pOwner = owner;
    if (!FillDefaultCharFormat(nullptr))
        return false;
    FillDefaultParaFormat();

    m_dwStyle = ES_MULTILINE;
    m_bRich = owner->IsRichMode();
    m_lMaxLength = owner->GetTextLimit();
    if (create) {
        m_dwStyle = create->style;
        if (!(m_dwStyle & (ES_AUTOHSCROLL | WS_HSCROLL)))
            m_bWordWrap = true;
    }
    if (m_dwStyle & ES_CENTER)
        m_paraFormat.wAlignment = PFA_CENTER;
    else if (m_dwStyle & ES_RIGHT)
        m_paraFormat.wAlignment = PFA_RIGHT;
    m_bInPlaceActive = true;

    PCreateTextServices factory = s_engineFactory;
    if (!factory) {
        // Never freed: the engine's code stays loaded for every engine object made from it.
        const HMODULE engineModule = ::LoadLibraryW(kEngineLibrary);
        if (!engineModule)
            return false;
        factory = reinterpret_cast<PCreateTextServices>(
            reinterpret_cast<void*>(::GetProcAddress(engineModule, kEngineFactory)));
        if (!factory)
            return false;
    }
    IUnknown* unknown = nullptr;
    if (FAILED(factory(nullptr, this, &unknown)) || !unknown)
        return false;
    const HRESULT hr = unknown->QueryInterface(kIidTextServices, m_pServices.Receive());
    unknown->Release();
    if (FAILED(hr) || !m_pServices) {
        m_pServices.Detach();   // a failed query hands out no reference
        return false;
    }

    if (create && create->lpszName && FAILED(m_pServices->TxSetText(create->lpszName)))
        return false;
    return true;
}

bool CreateTextHost(CRichEditUI* owner, const CREATESTRUCTW* create, CTxtWinHost** host)
{
    CTxtWinHost* made = new (std::nothrow) CTxtWinHost;
    if (!made)
        return true;
    if (made->Setup(owner, create))
        *host = made;
    else
        made->Release();
    return true;
}

// ---- Formats ------------------------------------------------------------------------------------

HWND CTxtWinHost::OwnerWindow() const
{
    CUIWindowManager* manager = m_pOwner ? m_pOwner->GetManager() : nullptr;
    return manager ? manager->GetPaintWindow() : nullptr;
}

HDC CTxtWinHost::OwnerDC() const
{
    CUIWindowManager* manager = m_pOwner ? m_pOwner->GetManager() : nullptr;
    return manager ? manager->GetPaintDC() : nullptr;
}

bool CTxtWinHost::FillDefaultCharFormat(HFONT font)
{
    std::memset(&m_charFormat, 0, sizeof(m_charFormat));
    m_charFormat.cbSize = sizeof(m_charFormat);
    CUIWindowManager* manager = m_pOwner->GetManager();
    if (!font && manager)
        font = manager->GetFontHandle(m_pOwner->GetFontIndex());
    LOGFONTW lf = {};
    if (!font || !::GetObjectW(font, sizeof(lf), &lf))
        return false;
    m_charFormat.crTextColor = ArgbToColorRef(m_pOwner->GetTextArgb());
    m_charFormat.yOffset = 0;
    m_charFormat.dwMask = kDefaultCharMask;
    TakeFontFields(lf);
    return true;
}

void CTxtWinHost::TakeFontFields(const LOGFONTW& lf)
{
    m_charFormat.yHeight = lf.lfHeight * -1440 / PixelsPerInch(OwnerDC(), LOGPIXELSY);
    if (lf.lfWeight >= FW_BOLD)
        m_charFormat.dwEffects |= CFE_BOLD;
    if (lf.lfItalic)
        m_charFormat.dwEffects |= CFE_ITALIC;
    if (lf.lfUnderline)
        m_charFormat.dwEffects |= CFE_UNDERLINE;
    m_charFormat.bCharSet = lf.lfCharSet;
    m_charFormat.bPitchAndFamily = lf.lfPitchAndFamily;
    wcsncpy(m_charFormat.szFaceName, lf.lfFaceName, LF_FACESIZE - 1);
    m_charFormat.szFaceName[LF_FACESIZE - 1] = L'\0';
}

void CTxtWinHost::FillDefaultParaFormat()
{
    std::memset(&m_paraFormat, 0, sizeof(m_paraFormat));
    m_paraFormat.cbSize = sizeof(m_paraFormat);
    m_paraFormat.dwMask = kAllParaFields;
    m_paraFormat.wAlignment = PFA_LEFT;
    m_paraFormat.cTabCount = 1;
    m_paraFormat.rgxTabs[0] = kDefaultTabTwips;
}

void CTxtWinHost::NotifyCharFormatChange()
{
    if (m_pServices)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
}

void CTxtWinHost::ApplyFont(HFONT font)
{
    LOGFONTW lf = {};
    if (!font || !::GetObjectW(font, sizeof(lf), &lf))
        return;
    TakeFontFields(lf);
    NotifyCharFormatChange();
}

void CTxtWinHost::ApplyTextColor(DWORD argb)
{
    m_charFormat.crTextColor = ArgbToColorRef(argb);
    NotifyCharFormatChange();
}

void CTxtWinHost::ApplyRichMode(bool rich)
{
    m_bRich = rich;
    if (m_pServices)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_RICHTEXT, rich ? TXTBIT_RICHTEXT : 0);
}

void CTxtWinHost::SetTransparentBack(bool transparent)
{
    m_bTransparent = transparent;
    if (m_pServices)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_BACKSTYLECHANGE, 0);
}

HRESULT CTxtWinHost::ActivateInPlace(const RECT* rc)
{
    m_bInPlaceActive = true;
    const HRESULT hr = m_pServices ? m_pServices->OnTxInPlaceActivate(rc) : E_FAIL;
    if (FAILED(hr))
        m_bInPlaceActive = false;
    return hr;
}

void CTxtWinHost::SetViewRect(const RECT& rc)
{
    m_rcClient = rc;
    const HDC hDC = OwnerDC();
    m_sizelExtent.cx = ::MulDiv(rc.right - rc.left, 2540, PixelsPerInch(hDC, LOGPIXELSX));
    m_sizelExtent.cy = ::MulDiv(rc.bottom - rc.top, 2540, PixelsPerInch(hDC, LOGPIXELSY));
    if (m_pServices)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_VIEWINSETCHANGE, TXTBIT_VIEWINSETCHANGE);
}

bool CTxtWinHost::UpdateCursor(const RECT* rc, POINT pt)
{
    const RECT test = rc ? *rc : m_rcClient;
    if (!::PtInRect(&test, pt))
        return false;
    const RECT* client = rc ? rc : (m_bInPlaceActive ? nullptr : &m_rcClient);
    if (m_pServices) {
        m_pServices->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, OwnerDC(), nullptr,
                                   client, pt.x, pt.y);
    }
    return true;
}

// ---- ITextHost ----------------------------------------------------------------------------------

HDC CTxtWinHost::TxGetDC()
{
    return OwnerDC();
}

INT CTxtWinHost::TxReleaseDC(HDC /*hdc*/)
{
    return 1;
}

WINBOOL CTxtWinHost::TxShowScrollBar(INT bar, WINBOOL show)
{
    CScrollBarUI* vertical = m_pOwner->GetVerticalScrollBar();
    CScrollBarUI* horizontal = m_pOwner->GetHorizontalScrollBar();
    if (vertical && (bar == SB_VERT || bar == SB_BOTH))
        vertical->SetVisible(show == TRUE);
    if (horizontal && (bar == SB_HORZ || bar == SB_BOTH))
        horizontal->SetVisible(show == TRUE);
    return TRUE;
}

WINBOOL CTxtWinHost::TxEnableScrollBar(INT bars, INT arrows)
{
    const bool visible = arrows != ESB_DISABLE_BOTH;
    if (bars == SB_VERT) {
        m_pOwner->EnableScrollBars(true, m_pOwner->GetHorizontalScrollBar() != nullptr);
        m_pOwner->GetVerticalScrollBar()->SetVisible(visible);
    } else if (bars == SB_HORZ) {
        m_pOwner->EnableScrollBars(m_pOwner->GetVerticalScrollBar() != nullptr, true);
        m_pOwner->GetHorizontalScrollBar()->SetVisible(visible);
    } else if (bars == SB_BOTH) {
        m_pOwner->EnableScrollBars(true, true);
        m_pOwner->GetVerticalScrollBar()->SetVisible(visible);
        m_pOwner->GetHorizontalScrollBar()->SetVisible(visible);
    }
    return TRUE;
}

WINBOOL CTxtWinHost::TxSetScrollRange(INT bar, LONG minPos, INT maxPos, WINBOOL /*redraw*/)
{
    CScrollBarUI* target = nullptr;
    LONG view = 0;
    if (bar == SB_VERT) {
        target = m_pOwner->GetVerticalScrollBar();
        view = m_rcClient.bottom - m_rcClient.top;
    } else if (bar == SB_HORZ) {
        target = m_pOwner->GetHorizontalScrollBar();
        view = m_rcClient.right - m_rcClient.left;
    }
    if (!target)
        return TRUE;
    const LONG extra = maxPos - minPos - view;
    if (extra <= 0) {
        target->SetVisible(false);
    } else {
        target->SetVisible(true);
        target->SetScrollRange(extra);
    }
    return TRUE;
}

WINBOOL CTxtWinHost::TxSetScrollPos(INT bar, INT pos, WINBOOL /*redraw*/)
{
    CScrollBarUI* target = bar == SB_VERT   ? m_pOwner->GetVerticalScrollBar()
                           : bar == SB_HORZ ? m_pOwner->GetHorizontalScrollBar()
                                            : nullptr;
    if (target)
        target->SetScrollPos(pos);
    return TRUE;
}

void CTxtWinHost::TxInvalidateRect(LPCRECT rc, WINBOOL /*mode*/)
{
    if (CUIWindowManager* manager = m_pOwner->GetManager())
        manager->Invalidate(rc ? *rc : m_rcClient);
}

void CTxtWinHost::TxViewChange(WINBOOL /*update*/)
{
    if (m_pOwner->OnTextViewChanged())
        m_pOwner->Invalidate();
}

WINBOOL CTxtWinHost::TxCreateCaret(HBITMAP bitmap, INT width, INT height)
{
    return ::CreateCaret(OwnerWindow(), bitmap, width, height);
}

WINBOOL CTxtWinHost::TxShowCaret(WINBOOL show)
{
    return show ? ::ShowCaret(OwnerWindow()) : ::HideCaret(OwnerWindow());
}

WINBOOL CTxtWinHost::TxSetCaretPos(INT x, INT y)
{
    return ::SetCaretPos(x, y);
}

WINBOOL CTxtWinHost::TxSetTimer(UINT id, UINT timeout)
{
    m_bTimer = true;
    CUIWindowManager* manager = m_pOwner->GetManager();
    return manager && manager->StartTimer(m_pOwner, id, timeout) ? TRUE : FALSE;
}

void CTxtWinHost::TxKillTimer(UINT id)
{
    if (CUIWindowManager* manager = m_pOwner->GetManager())
        manager->StopTimer(m_pOwner, id);
    m_bTimer = false;
}

void CTxtWinHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT)
{
}

void CTxtWinHost::TxSetCapture(WINBOOL capture)
{
    if (CUIWindowManager* manager = m_pOwner->GetManager()) {
        if (capture)
            manager->CaptureMouse();
        else
            manager->ReleaseMouseCapture();
    }
    m_bCaptured = capture != FALSE;
}

void CTxtWinHost::TxSetFocus()
{
    m_pOwner->SetFocus();
}

void CTxtWinHost::TxSetCursor(HCURSOR cursor, WINBOOL /*text*/)
{
    ::SetCursor(cursor);
}

WINBOOL CTxtWinHost::TxScreenToClient(LPPOINT pt)
{
    return ::ScreenToClient(OwnerWindow(), pt);
}

WINBOOL CTxtWinHost::TxClientToScreen(LPPOINT pt)
{
    return ::ClientToScreen(OwnerWindow(), pt);
}

HRESULT CTxtWinHost::TxActivate(LONG* /*oldState*/)
{
    return S_OK;
}

HRESULT CTxtWinHost::TxDeactivate(LONG /*newState*/)
{
    return S_OK;
}

HRESULT CTxtWinHost::TxGetClientRect(LPRECT rc)
{
    *rc = m_rcClient;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetViewInset(LPRECT rc)
{
    ::SetRectEmpty(rc);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetCharFormat(const CHARFORMATW** format)
{
    *format = reinterpret_cast<const CHARFORMATW*>(&m_charFormat);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetParaFormat(const PARAFORMAT** format)
{
    *format = reinterpret_cast<const PARAFORMAT*>(&m_paraFormat);
    return S_OK;
}

COLORREF CTxtWinHost::TxGetSysColor(int index)
{
    return ::GetSysColor(index);
}

HRESULT CTxtWinHost::TxGetBackStyle(TXTBACKSTYLE* style)
{
    *style = m_bTransparent ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetMaxLength(DWORD* length)
{
    *length = static_cast<DWORD>(m_lMaxLength);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetScrollBars(DWORD* bars)
{
    *bars = m_dwStyle & kScrollBarStyles;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetPasswordChar(TCHAR* ch)
{
    *ch = m_chPassword;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetAcceleratorPos(LONG* pos)
{
    *pos = m_lAcceleratorPos;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetExtent(LPSIZEL extent)
{
    *extent = m_sizelExtent;
    return S_OK;
}

HRESULT CTxtWinHost::OnTxCharFormatChange(const CHARFORMATW* /*format*/)
{
    return S_OK;
}

HRESULT CTxtWinHost::OnTxParaFormatChange(const PARAFORMAT* /*format*/)
{
    return S_OK;
}

HRESULT CTxtWinHost::TxGetPropertyBits(DWORD mask, DWORD* bits)
{
    DWORD answer = 0;
    if (m_bRich)
        answer |= TXTBIT_RICHTEXT;
    if (m_dwStyle & ES_MULTILINE)
        answer |= TXTBIT_MULTILINE;
    if (m_dwStyle & ES_READONLY)
        answer |= TXTBIT_READONLY;
    if (m_dwStyle & ES_PASSWORD)
        answer |= TXTBIT_USEPASSWORD;
    if (!(m_dwStyle & ES_NOHIDESEL))
        answer |= TXTBIT_HIDESELECTION;
    if (m_bAutoWordSelect)
        answer |= TXTBIT_AUTOWORDSEL;
    if (m_bWordWrap)
        answer |= TXTBIT_WORDWRAP;
    if (m_bAllowBeep)
        answer |= TXTBIT_ALLOWBEEP;
    if (m_bSaveSelection)
        answer |= TXTBIT_SAVESELECTION;
    *bits = answer & mask;
    return S_OK;
}

HRESULT CTxtWinHost::TxNotify(DWORD code, void* record)
{
    if (code == EN_REQUESTRESIZE && record) {
        const REQRESIZE* request = static_cast<const REQRESIZE*>(record);
        RECT rc = m_rcClient;
        rc.right = rc.left + request->rc.right;
        rc.bottom = rc.top + request->rc.bottom;
        SetViewRect(rc);
    }
    m_pOwner->ForwardTextNotify(code, record);
    return S_OK;
}

HIMC CTxtWinHost::TxImmGetContext()
{
    return nullptr;
}

void CTxtWinHost::TxImmReleaseContext(HIMC /*context*/)
{
}

HRESULT CTxtWinHost::TxGetSelectionBarWidth(LONG* width)
{
    *width = m_lSelBarWidth;
    return S_OK;
}

} // namespace QxUI
