#include "core/UIScrollBar.h"

#include <algorithm>
#include <cstdlib>

#include "core/UIAttributeValues.h"
#include "core/UIContainer.h"

namespace QxUI {

namespace {

const int kDefaultThickness = 16;
// Timer ticks (of 50 ms) before a held button or track starts repeating.
const int kRepeatDelayTicks = 5;

// Positions can be large; products of lengths and positions are taken in 64 bits.
int MulDivFloor(long long a, long long b, long long c)
{
    return static_cast<int>(a * b / c);
}

} // namespace

CScrollBarUI::CScrollBarUI()
{
    m_cxyFixed.cx = kDefaultThickness;
}

LPCWSTR CScrollBarUI::GetClass() const
{
    return L"ScrollBarUI";
}

LPVOID CScrollBarUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"ScrollBar") == 0)
        return this;
    return CControlUI::AsInterface(name);
}

void CScrollBarUI::SetOwner(CContainerUI* owner)
{
    m_pOwner = owner;
}

void CScrollBarUI::SetVisible(bool visible)
{
    m_bVisible = visible;
    m_bFocused = false;
}

void CScrollBarUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled()) {
        m_uButton1State = 0;
        m_uButton2State = 0;
        m_uThumbState = 0;
    }
}

void CScrollBarUI::SetFocus()
{
    if (m_pOwner)
        m_pOwner->SetFocus();
    else
        CControlUI::SetFocus();
}

void CScrollBarUI::SetHorizontal(bool horizontal)
{
    if (m_bHorizontal == horizontal)
        return;
    m_bHorizontal = horizontal;
    if (m_bHorizontal) {
        if (m_cxyFixed.cy == 0) {
            m_cxyFixed.cx = 0;
            m_cxyFixed.cy = kDefaultThickness;
        }
    } else if (m_cxyFixed.cx == 0) {
        m_cxyFixed.cx = kDefaultThickness;
        m_cxyFixed.cy = 0;
    }
    if (m_pOwner)
        m_pOwner->RequestLayout();
    else
        RequestLayout();
}

void CScrollBarUI::SetScrollRange(int range)
{
    if (m_nRange == range)
        return;
    m_nRange = std::max(range, 0);
    if (m_nScrollPos > m_nRange)
        m_nScrollPos = m_nRange;
    SetPos(m_rcItem);
}

void CScrollBarUI::SetScrollPos(int pos)
{
    if (m_nScrollPos == pos)
        return;
    m_nScrollPos = std::min(std::max(pos, 0), m_nRange);
    SetPos(m_rcItem);
}

void CScrollBarUI::SetLineSize(int size)
{
    m_nLineSize = size;
}

void CScrollBarUI::SetShowButton1(bool show)
{
    m_bShowButton1 = show;
    SetPos(m_rcItem);
}

void CScrollBarUI::SetShowButton2(bool show)
{
    m_bShowButton2 = show;
    SetPos(m_rcItem);
}

void CScrollBarUI::SetColor(DWORD& field, DWORD color)
{
    if (field == color)
        return;
    field = color;
    Invalidate();
}

// ---- Geometry ---------------------------------------------------------------------------------

void CScrollBarUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    rc = m_rcItem;

    // Computed along the bar: "lo"/"hi" are the bar's ends, "a0"/"a1" its cross extent.
    const bool hor = m_bHorizontal;
    const int lo = hor ? rc.left : rc.top;
    const int hi = hor ? rc.right : rc.bottom;
    const int a0 = hor ? rc.top : rc.left;
    const int s = hor ? m_cxyFixed.cy : m_cxyFixed.cx;
    const int length = hi - lo;
    int track = length;
    if (m_bShowButton1)
        track -= s;
    if (m_bShowButton2)
        track -= s;

    int b1lo, b1hi, b2lo, b2hi, thumbLo = 0, thumbHi = 0;
    bool thumb = false;
    if (s < track) {
        b1lo = lo;
        b1hi = m_bShowButton1 ? lo + s : lo;
        b2lo = m_bShowButton2 ? hi - s : hi;
        b2hi = hi;
        thumb = true;
        if (m_nRange <= 0) {
            thumbLo = b1hi;
            thumbHi = b2lo;
        } else {
            const int thumbLength =
                std::max(MulDivFloor(length, track, static_cast<long long>(length) + m_nRange), s);
            thumbLo = MulDivFloor(track - thumbLength, m_nScrollPos, m_nRange) + b1hi;
            thumbHi = thumbLo + thumbLength;
            if (thumbHi > b2lo) {
                thumbHi = b2lo;
                thumbLo = b2lo - thumbLength;
            }
        }
    } else {
        const int button = std::max(0, std::min(s, length / 2));
        b1lo = lo;
        b1hi = m_bShowButton1 ? lo + button : lo;
        b2lo = m_bShowButton2 ? hi - button : hi;
        b2hi = hi;
    }

    auto make = [&](int from, int to, int width) {
        return hor ? RECT{from, a0, to, a0 + width} : RECT{a0, from, a0 + width, to};
    };
    m_rcButton1 = make(b1lo, b1hi, m_bShowButton1 ? s : 0);
    m_rcButton2 = make(b2lo, b2hi, m_bShowButton2 ? s : 0);
    m_rcThumb = thumb ? make(thumbLo, thumbHi, s) : RECT{0, 0, 0, 0};
}

// ---- Scroll steps -----------------------------------------------------------------------------

void CScrollBarUI::LineBack()
{
    if (!m_pOwner)
        SetScrollPos(m_nScrollPos - m_nLineSize);
    else if (m_bHorizontal)
        m_pOwner->ScrollLineLeft();
    else
        m_pOwner->ScrollLineUp();
}

void CScrollBarUI::LineForward()
{
    if (!m_pOwner)
        SetScrollPos(m_nScrollPos + m_nLineSize);
    else if (m_bHorizontal)
        m_pOwner->ScrollLineRight();
    else
        m_pOwner->ScrollLineDown();
}

void CScrollBarUI::PageBack()
{
    if (!m_pOwner)
        SetScrollPos(m_nScrollPos - (m_bHorizontal ? GetWidth() : GetHeight()));
    else if (m_bHorizontal)
        m_pOwner->ScrollPageLeft();
    else
        m_pOwner->ScrollPageUp();
}

void CScrollBarUI::PageForward()
{
    if (!m_pOwner)
        SetScrollPos(m_nScrollPos + (m_bHorizontal ? GetWidth() : GetHeight()));
    else if (m_bHorizontal)
        m_pOwner->ScrollPageRight();
    else
        m_pOwner->ScrollPageDown();
}

// ---- Events -----------------------------------------------------------------------------------

void CScrollBarUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event, m_pOwner))
        return;

    const int type = event.Type;
    const POINT pt = event.ptMouse;
    const int along = m_bHorizontal ? pt.x : pt.y;
    switch (type) {
    case UIEventType::SetFocus:
    case UIEventType::KillFocus:
    case UIEventType::ContextMenu:
        return;

    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick:
        if (!IsEnabled())
            return;
        m_nLastScrollOffset = 0;
        m_nScrollRepeatDelay = 0;
        if (m_pManager)
            m_pManager->StartTimer(this, kRepeatTimerId, kRepeatIntervalMs);
        if (::PtInRect(&m_rcButton1, pt)) {
            m_uButton1State |= UISTATE_PUSHED;
            LineBack();
        } else if (::PtInRect(&m_rcButton2, pt)) {
            m_uButton2State |= UISTATE_PUSHED;
            LineForward();
        } else if (::PtInRect(&m_rcThumb, pt)) {
            m_uThumbState |= UISTATE_CAPTURED | UISTATE_PUSHED;
            m_ptLastMouse = pt;
            m_nLastScrollPos = m_nScrollPos;
        } else if (along < (m_bHorizontal ? m_rcThumb.left : m_rcThumb.top)) {
            PageBack();
        } else {
            PageForward();
        }
        break;

    case UIEventType::ButtonUp:
        m_nLastScrollOffset = 0;
        m_nScrollRepeatDelay = 0;
        if (m_pManager)
            m_pManager->StopTimer(this, kRepeatTimerId);
        if (m_uThumbState & UISTATE_CAPTURED)
            m_uThumbState &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
        else if (m_uButton1State & UISTATE_PUSHED)
            m_uButton1State &= ~UISTATE_PUSHED;
        else if (m_uButton2State & UISTATE_PUSHED)
            m_uButton2State &= ~UISTATE_PUSHED;
        else
            return;
        Invalidate();
        return;

    case UIEventType::MouseMove:
        if (m_uThumbState & UISTATE_CAPTURED) {
            const int thickness = m_bHorizontal ? m_cxyFixed.cy : m_cxyFixed.cx;
            const int barLength = m_bHorizontal ? GetWidth() : GetHeight();
            const int thumbLength = m_bHorizontal ? m_rcThumb.right - m_rcThumb.left
                                                  : m_rcThumb.bottom - m_rcThumb.top;
            const int movable = barLength - thumbLength - 2 * thickness;
            // A bar too short for its buttons and thumb has nothing to drag along.
            if (movable <= 0)
                return;
            const int pressed = m_bHorizontal ? m_ptLastMouse.x : m_ptLastMouse.y;
            m_nLastScrollOffset = MulDivFloor(along - pressed, m_nRange, movable);
        } else {
            const bool over = IsEnabled() && ::PtInRect(&m_rcThumb, pt);
            if (over && !(m_uThumbState & UISTATE_HOT)) {
                m_uThumbState |= UISTATE_HOT;
                Invalidate();
            } else if (!over && (m_uThumbState & UISTATE_HOT)) {
                m_uThumbState &= ~UISTATE_HOT;
                Invalidate();
            }
        }
        return;

    case UIEventType::Timer:
        if (event.wParam != kRepeatTimerId)
            break;
        ++m_nScrollRepeatDelay;
        if (m_uThumbState & UISTATE_CAPTURED) {
            const int pos = m_nLastScrollPos + m_nLastScrollOffset;
            if (m_pOwner) {
                SIZE current = m_pOwner->GetScrollPos();
                if (m_bHorizontal)
                    current.cx = pos;
                else
                    current.cy = pos;
                m_pOwner->SetScrollPos(current);
            } else {
                SetScrollPos(pos);
            }
            Invalidate();
        } else {
            if (m_nScrollRepeatDelay <= kRepeatDelayTicks)
                return;
            if (m_uButton1State & UISTATE_PUSHED) {
                LineBack();
            } else if (m_uButton2State & UISTATE_PUSHED) {
                LineForward();
            } else {
                POINT cursor = {0, 0};
                ::GetCursorPos(&cursor);
                if (m_pManager && m_pManager->GetPaintWindow())
                    ::ScreenToClient(m_pManager->GetPaintWindow(), &cursor);
                const int at = m_bHorizontal ? cursor.x : cursor.y;
                if (at < (m_bHorizontal ? m_rcThumb.left : m_rcThumb.top))
                    PageBack();
                else if (at > (m_bHorizontal ? m_rcThumb.right : m_rcThumb.bottom))
                    PageForward();
            }
        }
        break;

    case UIEventType::MouseEnter:
        if (IsEnabled()) {
            m_uButton1State |= UISTATE_HOT;
            m_uButton2State |= UISTATE_HOT;
            if (::PtInRect(&m_rcThumb, pt))
                m_uThumbState |= UISTATE_HOT;
            Invalidate();
        }
        return;

    case UIEventType::MouseLeave:
        if (IsEnabled()) {
            m_uButton1State &= ~UISTATE_HOT;
            m_uButton2State &= ~UISTATE_HOT;
            m_uThumbState &= ~UISTATE_HOT;
            Invalidate();
        }
        return;

    default:
        break;
    }

    if (type == UIEventType::ButtonDown || type == UIEventType::DoubleClick ||
        (type == UIEventType::Timer && event.wParam == kRepeatTimerId)) {
        if (!m_pOwner && m_pManager)
            m_pManager->RaiseNotify(this, L"scroll");
        return;
    }
    if (m_pOwner)
        m_pOwner->OnEvent(event);
    else
        CControlUI::OnEvent(event);
}

void CScrollBarUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value)
        return;
    struct ImageAttribute
    {
        LPCWSTR name;
        CUIImageDesc* images;
        ImageState state;
    };
    const ImageAttribute images[] = {
        {L"button1normalimage", m_diButton1, ImageNormal},
        {L"button1hotimage", m_diButton1, ImageHot},
        {L"button1pushedimage", m_diButton1, ImagePushed},
        {L"button1disabledimage", m_diButton1, ImageDisabled},
        {L"button2normalimage", m_diButton2, ImageNormal},
        {L"button2hotimage", m_diButton2, ImageHot},
        {L"button2pushedimage", m_diButton2, ImagePushed},
        {L"button2disabledimage", m_diButton2, ImageDisabled},
        {L"thumbnormalimage", m_diThumb, ImageNormal},
        {L"thumbhotimage", m_diThumb, ImageHot},
        {L"thumbpushedimage", m_diThumb, ImagePushed},
        {L"thumbdisabledimage", m_diThumb, ImageDisabled},
        {L"railnormalimage", m_diRail, ImageNormal},
        {L"railhotimage", m_diRail, ImageHot},
        {L"railpushedimage", m_diRail, ImagePushed},
        {L"raildisabledimage", m_diRail, ImageDisabled},
        {L"bknormalimage", m_diBk, ImageNormal},
        {L"bkhotimage", m_diBk, ImageHot},
        {L"bkpushedimage", m_diBk, ImagePushed},
        {L"bkdisabledimage", m_diBk, ImageDisabled},
    };
    for (const ImageAttribute& image : images) {
        if (wcscmp(name, image.name) == 0) {
            SetImage(image.images[image.state], value);
            return;
        }
    }

    if (wcscmp(name, L"button1color") == 0)
        SetButton1Color(AttributeHexColor(value));
    else if (wcscmp(name, L"button2color") == 0)
        SetButton2Color(AttributeHexColor(value));
    else if (wcscmp(name, L"thumbcolor") == 0)
        SetThumbColor(AttributeHexColor(value));
    else if (wcscmp(name, L"hor") == 0)
        SetHorizontal(AttributeIsTrue(value));
    else if (wcscmp(name, L"linesize") == 0)
        SetLineSize(AttributeInt(value));
    else if (wcscmp(name, L"range") == 0)
        SetScrollRange(AttributeInt(value));
    else if (wcscmp(name, L"value") == 0)
        SetScrollPos(AttributeInt(value));
    else if (wcscmp(name, L"showbutton1") == 0)
        SetShowButton1(AttributeIsTrue(value));
    else if (wcscmp(name, L"showbutton2") == 0)
        SetShowButton2(AttributeIsTrue(value));
    else
        CControlUI::SetAttribute(name, value);
}

// ---- Painting ---------------------------------------------------------------------------------

// rcPart null: the whole control, with the image's own destination.
void CScrollBarUI::PaintPart(HDC hDC, const RECT* rcPart, DWORD color, UINT state,
                             CUIImageDesc* images)
{
    if (rcPart && color != 0)
        CUIPainter::DrawColor(hDC, *rcPart, GetHslAdjustedColor(color));

    auto draw = [&](CUIImageDesc& desc) {
        if (!rcPart)
            return DrawImage(hDC, desc);
        RECT dest = *rcPart;
        ::OffsetRect(&dest, -m_rcItem.left, -m_rcItem.top);
        return DrawImageInto(hDC, desc, dest);
    };

    CUIImageDesc* stateImage = nullptr;
    if (state & UISTATE_DISABLED)
        stateImage = &images[ImageDisabled];
    else if (state & UISTATE_PUSHED)
        stateImage = &images[ImagePushed];
    else if (state & UISTATE_HOT)
        stateImage = &images[ImageHot];
    if (stateImage && draw(*stateImage))
        return;
    draw(images[ImageNormal]);
}

void CScrollBarUI::Paint(HDC hDC, const RECT& rcDirty)
{
    if (!::IntersectRect(&m_rcPaint, &rcDirty, &m_rcItem))
        return;
    PaintBackColor(hDC);
    PaintBackImage(hDC);

    const UINT disabled = IsEnabled() ? 0 : UISTATE_DISABLED;
    auto refresh = [disabled](UINT& state) { state = (state & ~UISTATE_DISABLED) | disabled; };
    const bool hasThumb = !::IsRectEmpty(&m_rcThumb);

    refresh(m_uThumbState);
    PaintPart(hDC, nullptr, 0, m_uThumbState, m_diBk);
    if (m_bShowButton1) {
        refresh(m_uButton1State);
        PaintPart(hDC, &m_rcButton1, m_dwButton1Color, m_uButton1State, m_diButton1);
    }
    if (m_bShowButton2) {
        refresh(m_uButton2State);
        PaintPart(hDC, &m_rcButton2, m_dwButton2Color, m_uButton2State, m_diButton2);
    }
    if (hasThumb) {
        PaintPart(hDC, &m_rcThumb, m_dwThumbColor, m_uThumbState, m_diThumb);

        const int s = m_bHorizontal ? m_cxyFixed.cy : m_cxyFixed.cx;
        RECT rail = m_rcThumb;
        if (m_bHorizontal) {
            rail.left = (m_rcThumb.left + m_rcThumb.right) / 2 - s / 2;
            rail.right = rail.left + s;
        } else {
            rail.top = (m_rcThumb.top + m_rcThumb.bottom) / 2 - s / 2;
            rail.bottom = rail.top + s;
        }
        PaintPart(hDC, &rail, 0, m_uThumbState, m_diRail);
    }
    PaintBorder(hDC);
}

} // namespace QxUI
