// CUIRect, CUISize and CUIPoint: geometry records laid out like RECT, SIZE and POINT,
// so they pass wherever the platform expects those.
#pragma once

#include <windows.h>

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
    // Each edge moves inwards by its side's inset (outwards for a negative one) and stops at
    // kMaxCoordinate, whatever the insets are: a padding never wraps an edge around.
    void Deflate(const RECT& insets);
    // Each edge brought within kMaxCoordinate.
    void Clamp();
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

// Rectangles that text is drawn in keep their edges within this: GDI's own limit, far past any
// screen, and near enough that the width between two edges stays inside int.
constexpr LONG kMaxCoordinate = 0x07FFFFFF;

// A sum or difference of such coordinates (skin values among them) held to kMaxCoordinate.
LONG ClampCoordinate(LONGLONG value);

static_assert(sizeof(CUIRect) == sizeof(RECT), "CUIRect must keep the layout of RECT");
static_assert(sizeof(CUISize) == sizeof(SIZE), "CUISize must keep the layout of SIZE");
static_assert(sizeof(CUIPoint) == sizeof(POINT), "CUIPoint must keep the layout of POINT");

} // namespace QxUI
