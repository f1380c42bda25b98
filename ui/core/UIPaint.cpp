// Clip scopes, colour arithmetic, fills, lines, frames and plain text.

#include "core/UIRender.h"

#include <algorithm>
#include <cstring>

#include "core/UIDib.h"
#include "core/UIManager.h"
#include "core/UIMsimg32.h"

#include "Win32Handle.h"

namespace QxUI {

// ---------------------------------------------------------------------------------------------
// msimg32 entry points

namespace msimg32 {

namespace {

bool g_looked = false;
AlphaBlendFn g_alphaBlend = nullptr;
GradientFillFn g_gradientFill = nullptr;

void LookUp()
{
    if (g_looked)
        return;
    g_looked = true;
    HMODULE module = ::GetModuleHandleW(L"msimg32.dll");
    if (module) {
        g_alphaBlend = reinterpret_cast<AlphaBlendFn>(
            reinterpret_cast<void*>(::GetProcAddress(module, "AlphaBlend")));
        g_gradientFill = reinterpret_cast<GradientFillFn>(
            reinterpret_cast<void*>(::GetProcAddress(module, "GradientFill")));
    }
    if (!g_alphaBlend)
        g_alphaBlend = &CUIPainter::SoftAlphaBlend;
}

} // namespace

AlphaBlendFn AlphaBlend()
{
    LookUp();
    return g_alphaBlend;
}

GradientFillFn GradientFill()
{
    LookUp();
    return g_gradientFill;
}

} // namespace msimg32

HBITMAP CreateDib32(int w, int h, DWORD** bits)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (bitmap && !p) {
        ::DeleteObject(bitmap);
        return nullptr;
    }
    *bits = static_cast<DWORD*>(p);
    return bitmap;
}

namespace {

// Paints the gradient over rc of hDC: with GradientFill when the system has it, else in
// 2 to 64 solid bands.
void FillGradient(msimg32::GradientFillFn gradientFill, HDC hDC, const RECT& rc, DWORD argb1,
                  DWORD argb2, bool vertical, int steps)
{
    if (gradientFill) {
        TRIVERTEX vertices[2] = {};
        vertices[0].x = rc.left;
        vertices[0].y = rc.top;
        vertices[0].Red = static_cast<COLOR16>(((argb1 >> 16) & 0xFF) << 8);
        vertices[0].Green = static_cast<COLOR16>(((argb1 >> 8) & 0xFF) << 8);
        vertices[0].Blue = static_cast<COLOR16>((argb1 & 0xFF) << 8);
        vertices[0].Alpha = 0xFF00;
        vertices[1].x = rc.right;
        vertices[1].y = rc.bottom;
        vertices[1].Red = static_cast<COLOR16>(((argb2 >> 16) & 0xFF) << 8);
        vertices[1].Green = static_cast<COLOR16>(((argb2 >> 8) & 0xFF) << 8);
        vertices[1].Blue = static_cast<COLOR16>((argb2 & 0xFF) << 8);
        vertices[1].Alpha = 0xFF00;
        GRADIENT_RECT gradient = {0, 1};
        gradientFill(hDC, vertices, 2, &gradient, 1,
                     vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
        return;
    }

    int shift = 6;
    if (steps < 4)
        shift = 1;
    else if (steps < 8)
        shift = 2;
    else if (steps < 16)
        shift = 3;
    else if (steps < 32)
        shift = 4;
    else if (steps < 64)
        shift = 5;
    const int bands = 1 << shift;
    const int end = vertical ? rc.bottom : rc.right;
    const int extent = vertical ? rc.bottom - rc.top : rc.right - rc.left;
    // Band 0 lies at the far end in the second colour.
    for (int i = 0; i < bands; ++i) {
        auto channel = [&](int bit) -> DWORD {
            const DWORD c1 = (argb1 >> bit) & 0xFF;
            const DWORD c2 = (argb2 >> bit) & 0xFF;
            return (c2 * (bands - i) + c1 * i) >> shift;
        };
        const int farEdge = end - ((extent * i) >> shift);
        const int nearEdge = end - ((extent * (i + 1)) >> shift);
        if (farEdge <= nearEdge)
            continue;
        RECT band = rc;
        if (vertical) {
            band.top = nearEdge;
            band.bottom = farEdge;
        } else {
            band.left = nearEdge;
            band.right = farEdge;
        }
        const win32::UniqueBrush brush(
            ::CreateSolidBrush(RGB(channel(16), channel(8), channel(0))));
        ::FillRect(hDC, &band, brush.Get());
    }
}

BYTE ClampByte(float v)
{
    if (v <= 0.0f)
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<BYTE>(v);
}

float HueToChannel(float p, float q, float x)
{
    if (x < 0.0f)
        x += 1.0f;
    else if (x > 1.0f)
        x -= 1.0f;
    if (6.0f * x < 1.0f)
        return p + (q - p) * 6.0f * x;
    if (2.0f * x < 1.0f)
        return q;
    if (3.0f * x < 2.0f)
        return p + (q - p) * (2.0f / 3.0f - x) * 6.0f;
    return p;
}

DWORD ShiftColor(DWORD argb, short h, short s, short l)
{
    float hue, sat, light;
    CUIPainter::RgbToHsl(argb, &hue, &sat, &light);
    hue = static_cast<float>(h - 180) + hue;
    if (hue <= 0.0f)
        hue += 360.0f;
    sat = s / 100.0f * sat;
    light = light * l / 100.0f;
    DWORD out = argb;
    CUIPainter::HslToRgb(&out, hue, sat, light);
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CUIClip

CUIClip::~CUIClip()
{
    if (hDC && hOldRgn)
        ::SelectClipRgn(hDC, hOldRgn);
    Release();
}

void CUIClip::Release()
{
    if (hOldRgn)
        ::DeleteObject(hOldRgn);
    if (hRgn)
        ::DeleteObject(hRgn);
    hOldRgn = nullptr;
    hRgn = nullptr;
}

void CUIClip::ClipToRect(HDC hDC, const RECT& rc, CUIClip& clip)
{
    clip.Release();
    RECT rcOld = {};
    ::GetClipBox(hDC, &rcOld);
    clip.hOldRgn = ::CreateRectRgnIndirect(&rcOld);
    clip.hRgn = ::CreateRectRgnIndirect(&rc);
    ::ExtSelectClipRgn(hDC, clip.hRgn, RGN_AND);
    clip.hDC = hDC;
    clip.rcItem = rc;
}

void CUIClip::ClipToRoundRect(HDC hDC, const RECT& rc, const RECT& rcRound, int cx, int cy,
                              CUIClip& clip)
{
    clip.Release();
    RECT rcOld = {};
    ::GetClipBox(hDC, &rcOld);
    clip.hOldRgn = ::CreateRectRgnIndirect(&rcOld);
    clip.hRgn = ::CreateRectRgnIndirect(&rc);
    HRGN round = ::CreateRoundRectRgn(rcRound.left, rcRound.top, rcRound.right + 1,
                                      rcRound.bottom + 1, cx, cy);
    ::CombineRgn(clip.hRgn, clip.hRgn, round, RGN_AND);
    ::DeleteObject(round);
    ::ExtSelectClipRgn(hDC, clip.hRgn, RGN_AND);
    clip.hDC = hDC;
    clip.rcItem = rc;
}

void CUIClip::SelectOuterClip(HDC hDC, CUIClip& clip)
{
    ::SelectClipRgn(hDC, clip.hOldRgn);
}

void CUIClip::SelectInnerClip(HDC hDC, CUIClip& clip)
{
    ::SelectClipRgn(hDC, clip.hRgn);
}

// ---------------------------------------------------------------------------------------------
// Colours

void CUIPainter::RgbToHsl(DWORD argb, float* h, float* s, float* l)
{
    const float r = ((argb >> 16) & 0xFF) / 255.0f;
    const float g = ((argb >> 8) & 0xFF) / 255.0f;
    const float b = (argb & 0xFF) / 255.0f;
    const float mx = std::max(r, std::max(g, b));
    const float mn = std::min(r, std::min(g, b));
    float hue = 0.0f, sat = 0.0f;
    const float light = (mx + mn) / 2.0f;
    if (mx != mn) {
        const float d = mx - mn;
        if (r == mn)
            hue = 3.0f - (g - b) / d;
        else if (g != mn)
            hue = 1.0f - (r - g) / d;
        else
            hue = 5.0f - (b - r) / d;
        if (hue >= 6.0f)
            hue -= 6.0f;
        hue *= 60.0f;
        sat = 2.0f * light <= 1.0f ? d / (mx + mn) : d / (2.0f - mx - mn);
    }
    *h = hue;
    *s = sat;
    *l = light;
}

void CUIPainter::HslToRgb(DWORD* argb, float h, float s, float l)
{
    const float q = 2.0f * l < 1.0f ? l * (1.0f + s) : l + s - l * s;
    const float p = 2.0f * l - q;
    const float t = h / 360.0f;
    const BYTE r = ClampByte(HueToChannel(p, q, t + 1.0f / 3.0f) * 255.0f);
    const BYTE g = ClampByte(HueToChannel(p, q, t) * 255.0f);
    const BYTE b = ClampByte(HueToChannel(p, q, t - 1.0f / 3.0f) * 255.0f);
    *argb = (*argb & 0xFF000000) | (static_cast<DWORD>(r) << 16) | (static_cast<DWORD>(g) << 8) |
            b;
}

DWORD CUIPainter::AdjustColor(DWORD argb, short h, short s, short l)
{
    if (h == 180 && s == 100 && l == 100)
        return argb;
    return ShiftColor(argb, h, s, l);
}

void CUIPainter::AdjustImage(bool useHsl, CUIImageInfo* image, short h, short s, short l)
{
    if (!image || !image->bUseHSL || !image->hBitmap || !image->pBits || !image->pSrcBits)
        return;
    const size_t count = static_cast<size_t>(image->nX) * static_cast<size_t>(image->nY);
    if (!useHsl || (h == 180 && s == 100 && l == 100)) {
        memcpy(image->pBits, image->pSrcBits.get(), count * sizeof(DWORD));
        return;
    }
    for (size_t i = 0; i < count; ++i)
        image->pBits[i] = ShiftColor(image->pSrcBits[i], h, s, l);
}

COLORREF CUIPainter::MixColors(COLORREF c1, double w1, COLORREF c2, double w2)
{
    // Clamped rather than cut to 8 bits, so a sum just over 255 stays bright instead of wrapping.
    auto mix = [&](int shift) -> DWORD {
        const double v = ((c1 >> shift) & 0xFF) * w1 + ((c2 >> shift) & 0xFF) * w2;
        return v <= 0.0 ? 0u : (v >= 255.0 ? 255u : static_cast<DWORD>(v));
    };
    return (mix(16) << 16) | (mix(8) << 8) | mix(0);
}

BOOL WINAPI CUIPainter::SoftAlphaBlend(HDC hDest, int x, int y, int w, int h, HDC hSrc, int sx, int sy,
                                int sw, int sh, BLENDFUNCTION blend)
{
    if (w <= 0 || h <= 0)
        return FALSE;
    const win32::UniqueMemoryDC mem(::CreateCompatibleDC(hDest));
    if (!mem.Get())
        return FALSE;
    DWORD* srcBits = nullptr;
    DWORD* dstBits = nullptr;
    const win32::UniqueBitmap srcDib(CreateDib32(w, h, &srcBits));
    const win32::UniqueBitmap dstDib(CreateDib32(w, h, &dstBits));
    if (!srcDib.Get() || !dstDib.Get())
        return FALSE;
    {
        win32::SelectScope select(mem.Get(), srcDib.Get());
        ::SetStretchBltMode(mem.Get(), COLORONCOLOR);
        ::StretchBlt(mem.Get(), 0, 0, w, h, hSrc, sx, sy, sw, sh, SRCCOPY);
    }
    win32::SelectScope select(mem.Get(), dstDib.Get());
    ::BitBlt(mem.Get(), 0, 0, w, h, hDest, x, y, SRCCOPY);
    ::GdiFlush();
    const double fade = blend.SourceConstantAlpha / 255.0;
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    for (size_t i = 0; i < count; ++i) {
        const DWORD src = srcBits[i];
        const double srcAlpha = blend.AlphaFormat == AC_SRC_ALPHA ? (src >> 24) / 255.0 : 1.0;
        const double cover = std::max(0.0, srcAlpha * fade);
        // The source is premultiplied: its colours are scaled by the constant alpha only.
        dstBits[i] = MixColors(src, fade, dstBits[i], 1.0 - cover);
    }
    ::BitBlt(hDest, x, y, w, h, mem.Get(), 0, 0, SRCCOPY);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Fills

void CUIPainter::DrawColor(HDC hDC, const RECT& rc, DWORD argb)
{
    const DWORD alpha = argb >> 24;
    if (alpha == 0)
        return;
    if (alpha == 255) {
        ::SetBkColor(hDC, ArgbToColorRef(argb));
        ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        return;
    }
    DWORD* bits = nullptr;
    const win32::UniqueBitmap dib(CreateDib32(1, 1, &bits));
    if (!dib.Get())
        return;
    // AlphaBlend expects premultiplied colours; a straight pixel would be drawn too bright.
    const DWORD r = ((argb >> 16) & 0xFF) * alpha / 255;
    const DWORD g = ((argb >> 8) & 0xFF) * alpha / 255;
    const DWORD b = (argb & 0xFF) * alpha / 255;
    *bits = (alpha << 24) | (r << 16) | (g << 8) | b;
    const RECT source = {0, 0, 1, 1};
    const RECT corner = {};
    DrawImage(hDC, dib.Get(), rc, rc, source, corner, true, 255);
}

void CUIPainter::DrawGradient(HDC hDC, const RECT& rc, DWORD argb1, DWORD argb2, bool vertical,
                              int steps)
{
    msimg32::AlphaBlendFn alphaBlend = msimg32::AlphaBlend();
    msimg32::GradientFillFn gradientFill = msimg32::GradientFill();

    const BYTE alpha = static_cast<BYTE>(((argb1 >> 24) + (argb2 >> 24)) / 2);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (alpha == 0 || width <= 0 || height <= 0)
        return;
    if (alpha == 255) {
        FillGradient(gradientFill, hDC, rc, argb1, argb2, vertical, steps);
        return;
    }

    // Translucent gradients are drawn off-screen first and blended in one go.
    const win32::UniqueMemoryDC offscreen(::CreateCompatibleDC(hDC));
    const win32::UniqueBitmap bitmap(::CreateCompatibleBitmap(hDC, width, height));
    if (!offscreen.Get() || !bitmap.Get())
        return;
    win32::SelectScope select(offscreen.Get(), bitmap.Get());
    FillGradient(gradientFill, offscreen.Get(), RECT{0, 0, width, height}, argb1, argb2, vertical,
                 steps);
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    alphaBlend(hDC, rc.left, rc.top, width, height, offscreen.Get(), 0, 0, width, height, blend);
}

// ---------------------------------------------------------------------------------------------
// Lines and frames

void CUIPainter::DrawLine(HDC hDC, const RECT& rc, int width, DWORD argb, int style)
{
    LOGPEN lp = {static_cast<UINT>(style), {width, 0}, ArgbToColorRef(argb)};
    const win32::UniquePen pen(::CreatePenIndirect(&lp));
    win32::SelectScope select(hDC, pen.Get());
    ::MoveToEx(hDC, rc.left, rc.top, nullptr);
    ::LineTo(hDC, rc.right, rc.bottom);
}

void CUIPainter::DrawRect(HDC hDC, const RECT& rc, int width, DWORD argb)
{
    const win32::UniquePen pen(::CreatePen(PS_INSIDEFRAME, width, ArgbToColorRef(argb)));
    win32::SelectScope selectPen(hDC, pen.Get());
    win32::SelectScope selectBrush(hDC, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
}

void CUIPainter::DrawRoundRect(HDC hDC, const RECT& rc, int width, int cx, int cy, DWORD argb)
{
    const win32::UniquePen pen(::CreatePen(PS_INSIDEFRAME, width, ArgbToColorRef(argb)));
    win32::SelectScope selectPen(hDC, pen.Get());
    win32::SelectScope selectBrush(hDC, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(hDC, rc.left, rc.top, rc.right, rc.bottom, cx, cy);
}

// ---------------------------------------------------------------------------------------------
// Text

void CUIPainter::DrawText(HDC hDC, CUIWindowManager* manager, RECT& rc, LPCWSTR text, DWORD argb,
                          int font, UINT style)
{
    if (!text || !manager)
        return;
    CUIString expanded(text);
    CUIWindowManager::ExpandLanguageRefs(expanded);
    ::SetBkMode(hDC, TRANSPARENT);
    ::SetTextColor(hDC, ArgbToColorRef(argb));
    win32::SelectScope select(hDC, manager->GetFontHandle(font));
    ::DrawTextW(hDC, expanded.GetData(), -1, &rc, style | DT_NOPREFIX);
}

} // namespace QxUI
