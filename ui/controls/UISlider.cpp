// Slider: thumb geometry, point-to-value mapping, drag and wheel.

#include "controls/UISlider.h"

#include "core/UIAttributeValues.h"
#include "core/UIButton.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <cstdlib>

namespace QxUI {

namespace {

// The value range as painting will see it: an empty or reversed range (events may come before
// the first paint fixes it) counts as one step, so nothing divides by zero.
struct ValueRange
{
    explicit ValueRange(const CProgressUI& bar)
        : lo(bar.GetMinValue()), hi(std::max<int64_t>(bar.GetMaxValue(), lo + 1))
    {
    }
    int64_t Clamp(int64_t value) const { return std::min(std::max(value, lo), hi); }
    int64_t Span() const { return hi - lo; }

    int64_t lo;
    int64_t hi;
};

// floor(a * b / c) for 0 <= b <= c <= 2^32 without overflowing 64 bits: a value range (up to
// 2^32 - 1) times a pixel distance does not fit.
int64_t Scale(uint64_t a, uint64_t b, uint64_t c)
{
    const uint64_t q = a / c;
    const uint64_t r = a % c;
    return static_cast<int64_t>(q * b + r * b / c);
}

// The same for a signed distance, truncated towards zero as the integer formula does.
int64_t ScaleSigned(int64_t a, uint64_t b, uint64_t c)
{
    const int64_t scaled = Scale(static_cast<uint64_t>(a < 0 ? -a : a), b, c);
    return a < 0 ? -scaled : scaled;
}

LONG ToLong(int64_t value)
{
    return static_cast<LONG>(std::min<int64_t>(std::max<int64_t>(value, LONG_MIN), LONG_MAX));
}

int ToInt(int64_t value)
{
    return static_cast<int>(std::min<int64_t>(std::max<int64_t>(value, INT_MIN), INT_MAX));
}

// The control's rectangle and the thumb's size, widened so that no formula overflows; a
// negative thumb size counts as none.
struct Track
{
    Track(const RECT& rc, SIZE thumb)
        : left(rc.left), top(rc.top), right(rc.right), bottom(rc.bottom),
          tw(std::max(0L, thumb.cx)), th(std::max(0L, thumb.cy))
    {
    }

    int64_t left, top, right, bottom;
    int64_t tw, th;
};

} // namespace

CSliderUI::CSliderUI()
{
    m_uTextStyle = DT_SINGLELINE | DT_CENTER;
}

CSliderUI::~CSliderUI() = default;

LPCWSTR CSliderUI::GetClass() const
{
    return L"SliderUI";
}

LPVOID CSliderUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"Slider") == 0)
        return this;
    return CProgressUI::AsInterface(name);
}

UINT CSliderUI::GetInputFlags()
{
    return IsEnabled() ? UIFLAG_SETCURSOR : 0;
}

void CSliderUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = 0;
}

RECT CSliderUI::GetThumbRect() const
{
    const ValueRange range(*this);
    const uint64_t offset = static_cast<uint64_t>(range.Clamp(m_nValue) - range.lo);
    const Track t(m_rcItem, m_szThumb);
    if (m_bHorizontal) {
        const int64_t x = t.left + ScaleSigned(t.right - t.left - t.tw, offset, range.Span());
        const int64_t y = (t.bottom + t.top - t.th) / 2;
        return RECT{ToLong(x), ToLong(y), ToLong(x + t.tw), ToLong(y + t.th)};
    }
    const int64_t x = (t.right + t.left - t.tw) / 2;
    const int64_t y = t.bottom - ScaleSigned(t.bottom - t.top - t.th, offset, range.Span());
    return RECT{ToLong(x), ToLong(y - t.th), ToLong(x + t.tw), ToLong(y)};
}

int CSliderUI::ValueAt(POINT pt) const
{
    const ValueRange range(*this);
    const Track t(m_rcItem, m_szThumb);
    // Measured from the low end: the left, or the bottom of a vertical slider.
    const int64_t along = m_bHorizontal ? pt.x - t.left : t.bottom - pt.y;
    const int64_t length = m_bHorizontal ? t.right - t.left : t.bottom - t.top;
    const int64_t thumb = m_bHorizontal ? t.tw : t.th;
    const int64_t half = thumb / 2;
    const bool atHigh = along >= length - half;
    const bool atLow = along <= half;
    // On a track no longer than the thumb both ends hold: the high one wins across, the low
    // one upright.
    if (atHigh && (m_bHorizontal || !atLow))
        return ToInt(range.hi);
    if (atLow)
        return ToInt(range.lo);
    // Between the two half thumbs the distance is at most the track's length, which is then
    // at least 1.
    const int64_t track = std::max<int64_t>(1, length - thumb);
    return ToInt(range.lo + Scale(range.Span(), std::min(along - half, track), track));
}

void CSliderUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event))
        return;
    const int type = event.Type;

    const bool captured = (m_uButtonState & UISTATE_CAPTURED) != 0;
    switch (type) {
    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick:
        if (IsEnabled()) {
            const RECT thumb = GetThumbRect();
            if (::PtInRect(&thumb, event.ptMouse))
                m_uButtonState |= UISTATE_CAPTURED;
            return;
        }
        break;
    case UIEventType::ButtonUp:
        if (captured) {
            m_nValue = ValueAt(event.ptMouse);
            m_uButtonState &= ~UISTATE_CAPTURED;
            Invalidate();
            if (m_pManager)
                m_pManager->RaiseNotify(this, L"valuechanged", 0, 0);
            return;
        }
        break;
    case UIEventType::ContextMenu:
        return;
    case UIEventType::ScrollWheel: {
        if (event.wParam > 1)
            break;
        // The wheel stops at the ends; a notch that changes nothing tells nobody.
        const ValueRange range(*this);
        const int64_t step = event.wParam == 0 ? m_nStep : -static_cast<int64_t>(m_nStep);
        const int next = ToInt(range.Clamp(static_cast<int64_t>(m_nValue) + step));
        if (next != m_nValue) {
            SetValue(next);
            if (m_pManager)
                m_pManager->RaiseNotify(this, L"valuechanged", 0, 0);
        }
        return;
    }
    case UIEventType::MouseMove:
        if (captured) {
            m_nValue = ValueAt(event.ptMouse);
            Invalidate();
            return;
        }
        break;
    case UIEventType::SetCursor:
        if (IsEnabled()) {
            const RECT thumb = GetThumbRect();
            if (::PtInRect(&thumb, event.ptMouse)) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                return;
            }
        }
        break;
    case UIEventType::MouseEnter:
    case UIEventType::MouseLeave:
        if (TrackHotState(*this, m_uButtonState, event))
            return;
        break;
    default:
        break;
    }
    CControlUI::OnEvent(event);
}

void CSliderUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value) {
        CProgressUI::SetAttribute(name, value);
        return;
    }
    if (wcscmp(name, L"thumbimage") == 0) {
        SetThumbImage(value);
    } else if (wcscmp(name, L"thumbhotimage") == 0) {
        SetThumbHotImage(value);
    } else if (wcscmp(name, L"thumbpushedimage") == 0) {
        SetThumbPushedImage(value);
    } else if (wcscmp(name, L"thumbsize") == 0) {
        const SIZE size = AttributeDecimalSize(value);
        SetThumbSize(size.cx, size.cy);
    } else if (wcscmp(name, L"step") == 0) {
        SetStep(AttributeInt(value));
    } else {
        CProgressUI::SetAttribute(name, value);
    }
}

void CSliderUI::PaintStateImage(HDC hDC)
{
    CProgressUI::PaintStateImage(hDC);
    RECT thumb = GetThumbRect();
    ::OffsetRect(&thumb, -m_rcItem.left, -m_rcItem.top);
    CUIImageDesc* state = nullptr;
    if (m_uButtonState & UISTATE_CAPTURED)
        state = &m_diThumbPushed;
    else if (m_uButtonState & UISTATE_HOT)
        state = &m_diThumbHot;
    if (state && DrawImageInto(hDC, *state, thumb))
        return;
    DrawImageInto(hDC, m_diThumb, thumb);
}

} // namespace QxUI
