// CUIRect, CUISize and CUIPoint: geometry records laid out like RECT, SIZE and POINT,
// so they pass wherever the platform expects those.
#pragma once

#include <windows.h>

#include <climits>

namespace QxUI {

class CUIRect : public tagRECT
{
public:
    CUIRect();
    CUIRect(const RECT& src);
    CUIRect(int iLeft, int iTop, int iRight, int iBottom);

    int GetWidth() const { return right - left; }
    int GetHeight() const { return bottom - top; }
    void Join(const RECT& other);
    void Offset(int dx, int dy);
    void MoveToOrigin();
};

class CUISize : public tagSIZE
{
public:
    CUISize() { cx = cy = 0; }
    CUISize(int x, int y) { cx = x; cy = y; }
};

class CUIPoint : public tagPOINT
{
public:
    CUIPoint() { x = y = 0; }
    CUIPoint(int ix, int iy) { x = ix; y = iy; }
};

// Coordinates computed from skin numbers, which are untrusted: the sum is taken in 64 bits and
// held to the range of a LONG instead of wrapping.
inline LONG SaturateToLong(long long value)
{
    return value < LONG_MIN ? LONG_MIN : value > LONG_MAX ? LONG_MAX : static_cast<LONG>(value);
}

static_assert(sizeof(CUIRect) == sizeof(RECT), "CUIRect must keep the layout of RECT");
static_assert(sizeof(CUISize) == sizeof(SIZE), "CUISize must keep the layout of SIZE");
static_assert(sizeof(CUIPoint) == sizeof(POINT), "CUIPoint must keep the layout of POINT");

} // namespace QxUI
