// Image descriptions and the nine-slice / tiling blitter.

#include "core/UIRender.h"

#include <algorithm>
#include <cwchar>
#include <cstdlib>

#include "core/UIAttributeValues.h"
#include "core/UIManager.h"
#include "core/UIMsimg32.h"

#include "Win32Handle.h"

namespace QxUI {

namespace {

struct ParsedDesc
{
    CUIString name;
    CUIString resType;
    bool fromResource = false;
    DWORD mask = 0;
    bool hsl = false;
};

bool IsBlank(WCHAR ch)
{
    return ch != L'\0' && ch <= L' ';
}

void ApplyPair(const CUIString& key, const CUIString& value, CUIImageDesc& desc, ParsedDesc& out)
{
    if (key == L"file") {
        out.name = value;
    } else if (key == L"res") {
        out.name = value;
        out.fromResource = true;
    } else if (key == L"restype") {
        out.resType = value;
    } else if (key == L"dest") {
        desc.rcDest = AttributeDecimalRect(value.GetData());
    } else if (key == L"source") {
        desc.rcSource = AttributeDecimalRect(value.GetData());
    } else if (key == L"corner") {
        desc.rcCorner = AttributeDecimalRect(value.GetData());
    } else if (key == L"mask") {
        out.mask = AttributeHexColor(value.GetData());
    } else if (key == L"fade") {
        desc.uFade = static_cast<BYTE>(AttributeInt(value.GetData()));
    } else if (key == L"hole") {
        desc.bHole = AttributeIsTrue(value.GetData());
    } else if (key == L"xtiled") {
        desc.bTiledX = AttributeIsTrue(value.GetData());
    } else if (key == L"ytiled") {
        desc.bTiledY = AttributeIsTrue(value.GetData());
    } else if (key == L"hsl") {
        out.hsl = AttributeIsTrue(value.GetData());
    }
}

// key='value' pairs separated by one space; parsing stops at the first malformed pair,
// keeping what was read before it.
void ParseDescription(CUIImageDesc& desc, ParsedDesc& out)
{
    LPCWSTR text = desc.sDrawString.GetData();
    out.name = desc.sDrawString;
    if (!wcschr(text, L'='))
        return;

    LPCWSTR p = text;
    for (;;) {
        while (IsBlank(*p))
            ++p;
        LPCWSTR keyStart = p;
        while (*p != L'\0' && *p != L'=' && !IsBlank(*p))
            ++p;
        CUIString key(keyStart, static_cast<int>(p - keyStart));
        while (IsBlank(*p))
            ++p;
        if (*p != L'=')
            return;
        ++p;
        while (IsBlank(*p))
            ++p;
        if (*p != L'\'')
            return;
        LPCWSTR valueStart = ++p;
        while (*p != L'\0' && *p != L'\'')
            ++p;
        if (*p != L'\'')
            return;
        CUIString value(valueStart, static_cast<int>(p - valueStart));
        ++p;
        if (!value.IsEmpty())
            ApplyPair(key, value, desc, out);
        if (*p != L' ')
            return;
        ++p;
    }
}

bool IsZeroRect(const RECT& rc)
{
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

bool Meets(const RECT& a, const RECT& b)
{
    RECT tmp;
    return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

// Blits one piece either through AlphaBlend (alpha path) or StretchBlt/BitBlt (opaque path).
class Blitter
{
public:
    Blitter(HDC hDC, HDC hMem, bool alpha, BYTE fade)
        : m_hDC(hDC), m_hMem(hMem), m_alpha(alpha)
    {
        m_blend.BlendOp = AC_SRC_OVER;
        m_blend.BlendFlags = 0;
        m_blend.SourceConstantAlpha = fade;
        m_blend.AlphaFormat = AC_SRC_ALPHA;
        m_alphaBlend = msimg32::AlphaBlend();
    }

    void Stretch(int x, int y, int w, int h, int sx, int sy, int sw, int sh) const
    {
        if (m_alpha)
            m_alphaBlend(m_hDC, x, y, w, h, m_hMem, sx, sy, sw, sh, m_blend);
        else
            ::StretchBlt(m_hDC, x, y, w, h, m_hMem, sx, sy, sw, sh, SRCCOPY);
    }

    void Copy(int x, int y, int w, int h, int sx, int sy) const
    {
        if (m_alpha)
            m_alphaBlend(m_hDC, x, y, w, h, m_hMem, sx, sy, w, h, m_blend);
        else
            ::BitBlt(m_hDC, x, y, w, h, m_hMem, sx, sy, SRCCOPY);
    }

    // A piece is drawn only when it has a size and meets the paint rect.
    void Piece(const RECT& rcPaint, int x, int y, int w, int h, int sx, int sy, int sw,
               int sh) const
    {
        if (w <= 0 || h <= 0)
            return;
        RECT rc = {x, y, x + w, y + h};
        if (Meets(rc, rcPaint))
            Stretch(x, y, w, h, sx, sy, sw, sh);
    }

private:
    HDC m_hDC;
    HDC m_hMem;
    bool m_alpha;
    BLENDFUNCTION m_blend;
    msimg32::AlphaBlendFn m_alphaBlend;
};

void DrawMiddle(const Blitter& blit, const RECT& rcDest, int sx, int sy, int sw, int sh,
                bool xtiled, bool ytiled)
{
    const int dw = rcDest.right - rcDest.left;
    const int dh = rcDest.bottom - rcDest.top;
    if (!xtiled && !ytiled) {
        blit.Stretch(rcDest.left, rcDest.top, dw, dh, sx, sy, sw, sh);
        return;
    }
    // A tile without a size cannot be repeated.
    if ((xtiled && sw <= 0) || (ytiled && sh <= 0))
        return;
    if (xtiled && ytiled) {
        const int columns = (dw + sw - 1) / sw;
        const int rows = (dh + sh - 1) / sh;
        for (int row = 0; row < rows; ++row) {
            const int top = rcDest.top + row * sh;
            const int h = std::min(sh, static_cast<int>(rcDest.bottom) - top);
            for (int column = 0; column < columns; ++column) {
                const int left = rcDest.left + column * sw;
                const int w = std::min(sw, static_cast<int>(rcDest.right) - left);
                blit.Copy(left, top, w, h, sx, sy);
            }
        }
    } else if (xtiled) {
        const int columns = (dw + sw - 1) / sw;
        for (int column = 0; column < columns; ++column) {
            const int left = rcDest.left + column * sw;
            const int w = std::min(sw, static_cast<int>(rcDest.right) - left);
            blit.Stretch(left, rcDest.top, w, dh, sx, sy, w, sh);
        }
    } else {
        const int rows = (dh + sh - 1) / sh;
        for (int row = 0; row < rows; ++row) {
            const int top = rcDest.top + row * sh;
            const int h = std::min(sh, static_cast<int>(rcDest.bottom) - top);
            blit.Stretch(rcDest.left, top, dw, h, sx, sy, sw, h);
        }
    }
}

} // namespace

void CUIImageDesc::Clear()
{
    sDrawString.Empty();
    sImageName.Empty();
    bTried = false;
    pImageInfo.Reset();
    rcDest = RECT{};
    rcSource = RECT{};
    rcCorner = RECT{};
    uFade = 255;
    bHole = false;
    bTiledX = false;
    bTiledY = false;
}

bool CUIPainter::DrawImageByDescription(HDC hDC, CUIWindowManager* manager, const RECT& rcControl,
                                        const RECT& rcPaint, CUIImageDesc& desc)
{
    if (!manager)
        return true;
    if (!desc.pImageInfo) {
        if (desc.bTried)
            return false;
        desc.bTried = true;
        if (desc.sDrawString.IsEmpty())
            return false;

        ParsedDesc parsed;
        ParseDescription(desc, parsed);
        desc.sImageName = parsed.name;
        LPCWSTR type = parsed.fromResource ? parsed.resType.GetData() : nullptr;
        // Held by the description: the table may let go of the name while the image shows.
        desc.pImageInfo = CUIRef<CUIImageInfo>(
            manager->GetImageOrLoad(parsed.name.GetData(), type, parsed.mask, parsed.hsl));
        if (!desc.pImageInfo)
            return false;
        if (IsZeroRect(desc.rcSource))
            desc.rcSource = RECT{0, 0, desc.pImageInfo->nX, desc.pImageInfo->nY};
    }

    const CUIImageInfo* image = desc.pImageInfo.Get();
    desc.rcSource.right = std::min(desc.rcSource.right, static_cast<LONG>(image->nX));
    desc.rcSource.bottom = std::min(desc.rcSource.bottom, static_cast<LONG>(image->nY));

    if (hDC) {
        RECT rcDest = rcControl;
        if (!IsZeroRect(desc.rcDest)) {
            rcDest.left = rcControl.left + desc.rcDest.left;
            rcDest.top = rcControl.top + desc.rcDest.top;
            rcDest.right = std::min(rcControl.right, rcControl.left + desc.rcDest.right);
            rcDest.bottom = std::min(rcControl.bottom, rcControl.top + desc.rcDest.bottom);
        }
        if (Meets(rcDest, rcControl) && Meets(rcDest, rcPaint)) {
            DrawImage(hDC, image->hBitmap.Get(), rcDest, rcPaint, desc.rcSource, desc.rcCorner,
                      image->bAlpha, desc.uFade, desc.bHole, desc.bTiledX, desc.bTiledY);
        }
    }
    return true;
}

void CUIPainter::DrawImage(HDC hDC, HBITMAP hBitmap, const RECT& rc, const RECT& rcPaint,
                           const RECT& rcSource, const RECT& rcCorner, bool alpha, BYTE fade,
                           bool hole, bool xtiled, bool ytiled)
{
    if (!hBitmap)
        return;
    const win32::UniqueMemoryDC memory(::CreateCompatibleDC(hDC));
    if (!memory)
        return;
    const HDC hMem = memory.Get();
    const win32::SelectScope select(hMem, hBitmap);
    ::SetStretchBltMode(hDC, COLORONCOLOR);

    const RECT& c = rcCorner;
    const int srcW = rcSource.right - rcSource.left;
    const int srcH = rcSource.bottom - rcSource.top;
    const int dstW = rc.right - rc.left;
    const int dstH = rc.bottom - rc.top;
    const bool blended = alpha || fade != 255;
    const bool noCorners = c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0;

    if (!blended && noCorners && dstW == srcW && dstH == srcH) {
        RECT part;
        if (::IntersectRect(&part, &rc, &rcPaint)) {
            ::BitBlt(hDC, part.left, part.top, part.right - part.left, part.bottom - part.top,
                     hMem, rcSource.left + part.left - rc.left, rcSource.top + part.top - rc.top,
                     SRCCOPY);
        }
    } else {
        const Blitter blit(hDC, hMem, blended, fade);
        if (!hole) {
            RECT rcMiddle = {rc.left + c.left, rc.top + c.top, rc.right - c.right,
                             rc.bottom - c.bottom};
            if (Meets(rcMiddle, rcPaint)) {
                DrawMiddle(blit, rcMiddle, rcSource.left + c.left, rcSource.top + c.top,
                           srcW - c.left - c.right, srcH - c.top - c.bottom, xtiled, ytiled);
            }
        }
        const int midW = dstW - c.left - c.right;
        const int midH = dstH - c.top - c.bottom;
        const int srcMidW = srcW - c.left - c.right;
        const int srcMidH = srcH - c.top - c.bottom;
        // Top-left, top, top-right, left, right, bottom-left, bottom, bottom-right.
        blit.Piece(rcPaint, rc.left, rc.top, c.left, c.top, rcSource.left, rcSource.top, c.left,
                   c.top);
        blit.Piece(rcPaint, rc.left + c.left, rc.top, midW, c.top, rcSource.left + c.left,
                   rcSource.top, srcMidW, c.top);
        blit.Piece(rcPaint, rc.right - c.right, rc.top, c.right, c.top, rcSource.right - c.right,
                   rcSource.top, c.right, c.top);
        blit.Piece(rcPaint, rc.left, rc.top + c.top, c.left, midH, rcSource.left,
                   rcSource.top + c.top, c.left, srcMidH);
        blit.Piece(rcPaint, rc.right - c.right, rc.top + c.top, c.right, midH,
                   rcSource.right - c.right, rcSource.top + c.top, c.right, srcMidH);
        blit.Piece(rcPaint, rc.left, rc.bottom - c.bottom, c.left, c.bottom, rcSource.left,
                   rcSource.bottom - c.bottom, c.left, c.bottom);
        blit.Piece(rcPaint, rc.left + c.left, rc.bottom - c.bottom, midW, c.bottom,
                   rcSource.left + c.left, rcSource.bottom - c.bottom, srcMidW, c.bottom);
        blit.Piece(rcPaint, rc.right - c.right, rc.bottom - c.bottom, c.right, c.bottom,
                   rcSource.right - c.right, rcSource.bottom - c.bottom, c.right, c.bottom);
    }
}

} // namespace QxUI
