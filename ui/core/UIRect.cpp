#include "core/UIRect.h"

#include <algorithm>

namespace QxUI {

LONG ClampCoordinate(LONGLONG value)
{
    return static_cast<LONG>(std::clamp<LONGLONG>(value, -kMaxCoordinate, kMaxCoordinate));
}

CUIRect::CUIRect()
{
    left = top = right = bottom = 0;
}

CUIRect::CUIRect(const RECT& src)
{
    left = src.left;
    top = src.top;
    right = src.right;
    bottom = src.bottom;
}

CUIRect::CUIRect(int iLeft, int iTop, int iRight, int iBottom)
{
    left = iLeft;
    top = iTop;
    right = iRight;
    bottom = iBottom;
}

void CUIRect::Join(const RECT& other)
{
    // An empty rectangle is joined like any other: callers start from a real one.
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

void CUIRect::Offset(int dx, int dy)
{
    ::OffsetRect(this, dx, dy);
}

void CUIRect::MoveToOrigin()
{
    ::OffsetRect(this, -left, -top);
}

void CUIRect::Deflate(const RECT& insets)
{
    left = ClampCoordinate(static_cast<LONGLONG>(left) + insets.left);
    top = ClampCoordinate(static_cast<LONGLONG>(top) + insets.top);
    right = ClampCoordinate(static_cast<LONGLONG>(right) - insets.right);
    bottom = ClampCoordinate(static_cast<LONGLONG>(bottom) - insets.bottom);
}

void CUIRect::Clamp()
{
    Deflate(RECT{0, 0, 0, 0});
}

} // namespace QxUI
