// Rich edit control: style attributes for the engine, text, keys, painting, scrolling, raw
// message routing to the engine and its notifications to the window.

#include "controls/UIRichEdit.h"

#include <algorithm>
#include <cwchar>
#include <cstdlib>
#include <vector>

#include "controls/UITextHost.h"
#include "core/UIAttributeValues.h"
#include "core/UIManager.h"
#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

const UINT kCodePageUnicode = 1200;
const UINT kLastKeyMessage = 0x108;
// The horizontal wheel (0x20E) is not among them: it carries a screen point and is left alone.
const UINT kLastMouseMessage = 0x20D;

bool IsMouseMessage(UINT msg)
{
    return msg >= WM_MOUSEFIRST && msg <= kLastMouseMessage;
}

// The notifications the window hears from the engine; resize requests, corrections and
// input-method changes stay with the control.
bool IsForwarded(UINT code)
{
    switch (code) {
    case EN_MSGFILTER:
    case EN_SELCHANGE:
    case EN_DROPFILES:
    case EN_PROTECTED:
    case EN_STOPNOUNDO:
    case EN_SAVECLIPBOARD:
    case EN_OLEOPFAILED:
    case EN_OBJECTPOSITIONS:
    case EN_LINK:
    case EN_DRAGDROPDONE:
        return true;
    default:
        return false;
    }
}

} // namespace

CRichEditUI::CRichEditUI() = default;

CRichEditUI::~CRichEditUI()
{
    OfferMessageFilter(nullptr);
    m_pHost.Reset();
}

LPCWSTR CRichEditUI::GetClass() const
{
    return L"RichEditUI";
}

LPVOID CRichEditUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"RichEdit") == 0)
        return static_cast<CRichEditUI*>(this);
    return CContainerUI::AsInterface(name);
}

UINT CRichEditUI::GetInputFlags()
{
    return IsEnabled() ? (UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0;
}

void CRichEditUI::SetRichMode(bool rich)
{
    m_bRich = rich;
    if (m_pHost)
        m_pHost->ApplyRichMode(rich);
}

void CRichEditUI::SetFontIndex(int index)
{
    m_iFont = index;
    if (m_pHost && m_pManager)
        m_pHost->ApplyFont(m_pManager->GetFontHandle(index));
}

void CRichEditUI::SetTextArgb(DWORD argb)
{
    m_dwTextColor = argb;
    if (m_pHost)
        m_pHost->ApplyTextColor(argb);
}

// ---- Text ---------------------------------------------------------------------------------------

HRESULT CRichEditUI::SendToTextServices(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (!m_pHost)
        return S_FALSE;
    if (msg == WM_KEYDOWN && LOWORD(wParam) == VK_RETURN) {
        const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
        if (!m_bWantReturn || (ctrl && !m_bWantCtrlReturn)) {
            if (m_pManager)
                m_pManager->RaiseNotify(this, L"return");
            return S_OK;
        }
    }
    return m_pHost->GetTextServices()->TxSendMessage(msg, wParam, lParam, result);
}

LONG CRichEditUI::QueryTextLength() const
{
    GETTEXTLENGTHEX query = {GTL_DEFAULT, kCodePageUnicode};
    LRESULT length = 0;
    const_cast<CRichEditUI*>(this)->SendToTextServices(EM_GETTEXTLENGTHEX,
                                                       reinterpret_cast<WPARAM>(&query), 0, &length);
    return length > 0 ? static_cast<LONG>(length) : 0;
}

CUIString CRichEditUI::GetText() const
{
    // Before the engine exists, or when it could not be made, the text kept is the answer.
    if (!m_pHost)
        return m_sText;
    const LONG length = QueryTextLength();
    std::vector<WCHAR> buffer(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX query = {};
    query.cb = static_cast<DWORD>((length + 1) * sizeof(WCHAR));
    query.flags = GT_DEFAULT;
    query.codepage = kCodePageUnicode;
    LRESULT copied = 0;
    const_cast<CRichEditUI*>(this)->SendToTextServices(
        EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(buffer.data()),
        &copied);
    buffer.back() = L'\0';
    return CUIString(buffer.data());
}

void CRichEditUI::SelectRange(LONG start, LONG end)
{
    CHARRANGE range = {start, end};
    LRESULT result = 0;
    SendToTextServices(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range), &result);
}

void CRichEditUI::ReplaceSelection(LPCWSTR text, bool canUndo)
{
    LRESULT result = 0;
    SendToTextServices(EM_REPLACESEL, canUndo ? TRUE : FALSE, reinterpret_cast<LPARAM>(text), &result);
}

void CRichEditUI::SetText(LPCWSTR text)
{
    m_sText = text ? text : L"";
    if (!m_pHost)
        return;
    SelectRange(0, -1);
    ReplaceSelection(m_sText.GetData(), false);
}

bool CRichEditUI::OnTextViewChanged()
{
    return true;
}

void CRichEditUI::ForwardTextNotify(UINT code, void* record)
{
    if (!record || !IsForwarded(code) || !m_pManager)
        return;
    const HWND window = m_pManager->GetPaintWindow();
    if (!window)
        return;
    NMHDR* header = static_cast<NMHDR*>(record);
    header->hwndFrom = window;
    header->idFrom = static_cast<UINT_PTR>(::GetWindowLongPtrW(window, GWLP_ID));
    header->code = code;
    ::SendMessageW(window, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(record));
}

// ---- Life cycle and attributes ------------------------------------------------------------------

void CRichEditUI::OnInit()
{
    if (m_bInited)
        return;
    CREATESTRUCTW create = {};
    create.style = static_cast<LONG>(m_dwStyle);
    create.lpszName = m_sText.GetData();
    CTxtWinHost* made = nullptr;
    CreateTextHost(this, &create, &made);
    m_pHost.Attach(made);
    if (m_pHost) {
        m_pHost->SetTransparentBack(true);
        LRESULT result = 0;
        m_pHost->GetTextServices()->TxSendMessage(EM_SETLANGOPTIONS, 0, 0, &result);
        m_pHost->ActivateInPlace(nullptr);
        OfferMessageFilter(static_cast<IMessageFilterUI*>(this));
    }
    m_bInited = true;
}

void CRichEditUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value) {
        CContainerUI::SetAttribute(name, value);
        return;
    }
    const bool on = AttributeIsTrue(value);
    if (wcscmp(name, L"vscrollbar") == 0) {
        if (on)
            m_dwStyle |= WS_VSCROLL | ES_DISABLENOSCROLL;
        CContainerUI::SetAttribute(name, value);
    } else if (wcscmp(name, L"autovscroll") == 0) {
        if (on)
            m_dwStyle |= ES_AUTOVSCROLL;
    } else if (wcscmp(name, L"hscrollbar") == 0) {
        if (on)
            m_dwStyle |= WS_HSCROLL | ES_DISABLENOSCROLL;
        CContainerUI::SetAttribute(name, value);
    } else if (wcscmp(name, L"autohscroll") == 0) {
        if (on)
            m_dwStyle |= ES_AUTOHSCROLL;
    } else if (wcscmp(name, L"wanttab") == 0) {
        SetWantsTab(on);
    } else if (wcscmp(name, L"wantreturn") == 0) {
        SetWantsReturn(on);
    } else if (wcscmp(name, L"wantctrlreturn") == 0) {
        SetWantsCtrlReturn(on);
    } else if (wcscmp(name, L"rich") == 0) {
        SetRichMode(on);
    } else if (wcscmp(name, L"multiline") == 0) {
        if (AttributeIsFalse(value))
            m_dwStyle &= ~static_cast<DWORD>(ES_MULTILINE);
    } else if (wcscmp(name, L"readonly") == 0) {
        if (on) {
            m_dwStyle |= ES_READONLY;
            m_bReadOnly = true;
        }
    } else if (wcscmp(name, L"password") == 0) {
        if (on)
            m_dwStyle |= ES_PASSWORD;
    } else if (wcscmp(name, L"align") == 0) {
        const UINT words = AttributeAlignWords(value);
        if (words & kAlignLeft)
            m_dwStyle &= ~static_cast<DWORD>(ES_CENTER | ES_RIGHT);
        if (words & kAlignCenter) {
            m_dwStyle &= ~static_cast<DWORD>(ES_RIGHT);
            m_dwStyle |= ES_CENTER;
        }
        if (words & kAlignRight) {
            m_dwStyle &= ~static_cast<DWORD>(ES_CENTER);
            m_dwStyle |= ES_RIGHT;
        }
    } else if (wcscmp(name, L"font") == 0) {
        SetFontIndex(AttributeInt(value));
    } else if (wcscmp(name, L"textcolor") == 0) {
        SetTextArgb(AttributeHexColorAfterBlanks(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

SIZE CRichEditUI::MeasureSize(SIZE available)
{
    return CControlUI::MeasureSize(available);
}

// ---- Layout and painting ------------------------------------------------------------------------

LONG CRichEditUI::NaturalHeight(LONG width)
{
    if (!m_pHost || !m_pManager)
        return -1;
    SIZEL extent = {-1, -1};
    LONG height = 0;
    const HRESULT hr = m_pHost->GetTextServices()->TxGetNaturalSize(
        DVASPECT_CONTENT, m_pManager->GetPaintDC(), nullptr, nullptr, TXTNS_FITTOCONTENT, &extent,
        &width, &height);
    return SUCCEEDED(hr) ? height : -1;
}

void CRichEditUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    const RECT rcText = GetInnerRect();
    CScrollBarUI* vertical = m_pVerticalScrollBar;
    const bool verticalWasVisible = vertical && vertical->IsVisible();

    if (m_pHost) {
        m_pHost->SetViewRect(rcText);
        if (verticalWasVisible && (!vertical->IsVisible() || m_bVScrollBarFixing)) {
            const LONG height =
                NaturalHeight(rcText.right - rcText.left + vertical->GetFixedWidth());
            if (height > rcText.bottom - rcText.top) {
                vertical->SetVisible(true);
                vertical->SetScrollPos(0);
                m_bVScrollBarFixing = true;
            } else if (m_bVScrollBarFixing) {
                vertical->SetVisible(false);
                m_bVScrollBarFixing = false;
            }
        }
    }

    if (vertical && vertical->IsVisible()) {
        const RECT bar = {rcText.right, rcText.top, rcText.right + vertical->GetFixedWidth(),
                          rcText.bottom};
        vertical->SetPos(bar, false);
    }
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible()) {
        const RECT bar = {rcText.left, rcText.bottom, rcText.right,
                          rcText.bottom + m_pHorizontalScrollBar->GetFixedHeight()};
        m_pHorizontalScrollBar->SetPos(bar, false);
    }
    PlaceChildren(rcText);
}

void CRichEditUI::PlaceChildren(const RECT& rcText)
{
    // Each child's size handlers may change the children.
    for (CUIControlWalk walk(m_items); CControlUI* control = walk.Next();) {
        if (!control->IsVisible())
            continue;
        if (control->IsFloat()) {
            PlaceFloatChild(walk.Index());
            continue;
        }
        int width = rcText.right - rcText.left;
        width = std::min(std::max(width, control->GetMinWidth()), control->GetMaxWidth());
        int height = rcText.bottom - rcText.top;
        height = std::min(std::max(height, control->GetMinHeight()), control->GetMaxHeight());
        control->SetPos(RECT{rcText.left, rcText.top, rcText.left + width, rcText.top + height}, false);
    }
}

void CRichEditUI::Move(int dx, int dy, bool invalidate)
{
    CContainerUI::Move(dx, dy, invalidate);
    if (m_pHost)
        m_pHost->SetViewRect(GetInnerRect());
}

void CRichEditUI::Paint(HDC hDC, const RECT& rcDirty)
{
    RECT rcTemp;
    if (!::IntersectRect(&rcTemp, &rcDirty, &m_rcItem))
        return;
    CUIClip clip;
    CUIClip::ClipToRect(hDC, rcTemp, clip);
    CControlUI::Paint(hDC, rcDirty);

    const RECT rcText = GetInnerRect();
    if (m_pHost) {
        RECT client = m_pHost->GetViewRect();
        RECT update = rcDirty;
        m_pHost->GetTextServices()->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, hDC, nullptr,
                                           reinterpret_cast<LPCRECTL>(&client), nullptr, &update,
                                           nullptr, 0, TXTVIEW_ACTIVE);
        if (m_bVScrollBarFixing && m_pVerticalScrollBar) {
            const LONG height =
                NaturalHeight(rcText.right - rcText.left + m_pVerticalScrollBar->GetFixedWidth());
            if (height >= 0 && height <= rcText.bottom - rcText.top)
                RequestLayout();
        }
    }

    if (!m_items.IsEmpty())
        PaintChildren(hDC, rcDirty, rcText);

    PaintScrollBars(hDC, rcDirty);
}

// ---- Scrolling ----------------------------------------------------------------------------------

void CRichEditUI::SendScroll(UINT msg, WORD code)
{
    LRESULT result = 0;
    SendToTextServices(msg, code, 0, &result);
}

void CRichEditUI::SetScrollPos(SIZE pos)
{
    int cx = 0;
    int cy = 0;
    CScrollBarUI* vertical = m_pVerticalScrollBar;
    CScrollBarUI* horizontal = m_pHorizontalScrollBar;
    if (vertical && vertical->IsVisible()) {
        const int old = vertical->GetScrollPos();
        vertical->SetScrollPos(pos.cy);
        cy = vertical->GetScrollPos() - old;
    }
    if (horizontal && horizontal->IsVisible()) {
        const int old = horizontal->GetScrollPos();
        horizontal->SetScrollPos(pos.cx);
        cx = horizontal->GetScrollPos() - old;
    }
    if (cy != 0) {
        const bool plainWithBar = m_pHost && !m_bRich && vertical->IsVisible();
        const int remembered = plainWithBar ? vertical->GetScrollPos() : 0;
        LRESULT result = 0;
        SendToTextServices(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, vertical->GetScrollPos()), 0,
                           &result);
        if (plainWithBar && vertical->IsVisible() && cy > 0 && vertical->GetScrollPos() <= remembered)
            vertical->SetScrollPos(remembered);
    }
    if (cx != 0) {
        LRESULT result = 0;
        SendToTextServices(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, horizontal->GetScrollPos()), 0,
                           &result);
    }
}

void CRichEditUI::ScrollLineUp()
{
    SendScroll(WM_VSCROLL, SB_LINEUP);
}

void CRichEditUI::ScrollLineDown()
{
    const bool plain = m_pHost && !m_bRich;
    CScrollBarUI* vertical = m_pVerticalScrollBar;
    const int before = plain && vertical && vertical->IsVisible() ? vertical->GetScrollPos() : 0;
    SendScroll(WM_VSCROLL, SB_LINEDOWN);
    if (plain && vertical && vertical->IsVisible() && vertical->GetScrollPos() <= before)
        vertical->SetScrollPos(vertical->GetScrollRange());
}

void CRichEditUI::ScrollPageUp()
{
    SendScroll(WM_VSCROLL, SB_PAGEUP);
}

void CRichEditUI::ScrollPageDown()
{
    SendScroll(WM_VSCROLL, SB_PAGEDOWN);
}

void CRichEditUI::ScrollToTop()
{
    SendScroll(WM_VSCROLL, SB_TOP);
}

void CRichEditUI::ScrollToBottom()
{
    SendScroll(WM_VSCROLL, SB_BOTTOM);
}

void CRichEditUI::ScrollLineLeft()
{
    SendScroll(WM_HSCROLL, SB_LINELEFT);
}

void CRichEditUI::ScrollLineRight()
{
    SendScroll(WM_HSCROLL, SB_LINERIGHT);
}

void CRichEditUI::ScrollPageLeft()
{
    SendScroll(WM_HSCROLL, SB_PAGELEFT);
}

void CRichEditUI::ScrollPageRight()
{
    SendScroll(WM_HSCROLL, SB_PAGERIGHT);
}

void CRichEditUI::ScrollToLeftEnd()
{
    SendScroll(WM_HSCROLL, SB_LEFT);
}

void CRichEditUI::ScrollToRightEnd()
{
    SendScroll(WM_HSCROLL, SB_RIGHT);
}

// ---- Events and raw messages --------------------------------------------------------------------

void CRichEditUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event))
        return;
    const int type = event.Type;

    LRESULT result = 0;
    switch (type) {
    case UIEventType::SetCursor:
        if (IsEnabled() && m_pHost && m_pHost->UpdateCursor(nullptr, event.ptMouse))
            return;
        break;
    case UIEventType::SetFocus:
    case UIEventType::KillFocus: {
        const bool gaining = type == UIEventType::SetFocus;
        if (m_pHost) {
            m_pHost->ActivateInPlace(nullptr);
            SendToTextServices(gaining ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, &result);
        }
        m_bFocused = gaining;
        Invalidate();
        return;
    }
    case UIEventType::Timer:
        if (m_pHost)
            SendToTextServices(WM_TIMER, event.wParam, event.lParam, &result);
        break;
    case UIEventType::ScrollWheel:
        if (event.wKeyState & ModifierControl)
            return;
        break;
    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick:
    case UIEventType::MouseMove:
    case UIEventType::ButtonUp:
    case UIEventType::MouseEnter:
    case UIEventType::MouseLeave:
    case UIEventType::KeyDown:
    case UIEventType::KeyUp:
    case UIEventType::Char:
    case UIEventType::SysKey:
        // The message filter has fed the raw message to the engine.
        return;
    default:
        break;
    }
    CContainerUI::OnEvent(event);
}

LRESULT CRichEditUI::PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (!IsVisible() || !IsEnabled() || !m_pHost || !m_pManager)
        return 0;
    if (!IsMouseEnabled() && IsMouseMessage(msg))
        return 0;
    if (msg == WM_MOUSEWHEEL && !(LOWORD(wParam) & MK_CONTROL))
        return 0;

    bool claim = true;
    const bool mouse = IsMouseMessage(msg) || msg == WM_SETCURSOR;
    if (mouse) {
        if (!m_pHost->HasCapture()) {
            POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (msg == WM_SETCURSOR) {
                ::GetCursorPos(&pt);
                ::ScreenToClient(m_pManager->GetPaintWindow(), &pt);
            } else if (msg == WM_MOUSEWHEEL) {
                ::ScreenToClient(m_pManager->GetPaintWindow(), &pt);
            }
            if (msg >= WM_LBUTTONDOWN && msg <= WM_RBUTTONUP && m_pManager->FindControlAt(pt) != this)
                return 0;
            const RECT view = m_pHost->GetViewRect();
            if (!::PtInRect(&view, pt) || m_pManager->IsMouseCaptured())
                return 0;
        }
        claim = msg != WM_SETCURSOR;
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDOWN)
            SetFocus();
    } else if (msg >= WM_KEYFIRST && msg <= kLastKeyMessage) {
        if (!IsFocused())
            return 0;
    } else if (msg == WM_CONTEXTMENU) {
        POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::ScreenToClient(m_pManager->GetPaintWindow(), &pt);
        if (m_pManager->FindControlAt(pt) != this)
            return 0;
    } else if (msg == WM_HELP) {
        claim = false;
    } else {
        return 0;
    }

    LRESULT result = 0;
    const HRESULT hr = SendToTextServices(msg, wParam, lParam, &result);
    const bool keys = (msg >= WM_KEYFIRST && msg <= kLastKeyMessage) || msg == WM_CHAR ||
                      msg == WM_IME_CHAR;
    if (hr == S_OK || keys) {
        handled = claim;
        return result;
    }
    if (mouse && m_pHost->HasCapture())
        handled = claim;
    return result;
}

} // namespace QxUI
