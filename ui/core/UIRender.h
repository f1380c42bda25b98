#pragma once

#include <windows.h>

#include <memory>

#include "core/UIRef.h"
#include "core/UIString.h"

#include "Win32Handle.h"

namespace QxUI {

class CUIWindowManager;

// A decoded image: a top-down 32-bit DIB section whose colours are premultiplied by alpha.
// Shared by the resource tables and the image descriptions that show it.
struct CUIImageInfo : CUIRefCounted
{
    win32::UniqueBitmap hBitmap;
    DWORD* pBits = nullptr;      // width x height words, 0xAARRGGBB, top row first
    std::unique_ptr<DWORD[]> pSrcBits;   // as-loaded copy kept for recolouring
    int nX = 0;
    int nY = 0;
    bool bAlpha = false;
    bool bUseHSL = false;        // keep-copy: the image may be recoloured
    CUIString sResType;
    DWORD dwMask = 0;
};

// The parsed form of an image description string, e.g. "file='btn.png' corner='4,4,4,4'".
// A copy shows the same image and holds a reference of its own.
struct CUIImageDesc
{
    CUIImageDesc() { Clear(); }
    void Clear();

    CUIString sDrawString;
    bool bTried;                 // parsing and loading were attempted
    CUIString sImageName;
    CUIRef<CUIImageInfo> pImageInfo;   // held from the first draw until Clear
    RECT rcDest;
    RECT rcSource;
    RECT rcCorner;
    BYTE uFade;
    bool bHole;
    bool bTiledX;
    bool bTiledY;
};

// A clip scope: restores the clip box that was in force when it started.
class CUIClip
{
public:
    CUIClip() = default;
    ~CUIClip();
    CUIClip(const CUIClip&) = delete;
    CUIClip& operator=(const CUIClip&) = delete;

    static void ClipToRect(HDC hDC, const RECT& rc, CUIClip& clip);
    static void ClipToRoundRect(HDC hDC, const RECT& rc, const RECT& rcRound, int cx, int cy,
                                CUIClip& clip);
    static void SelectOuterClip(HDC hDC, CUIClip& clip);
    static void SelectInnerClip(HDC hDC, CUIClip& clip);

    RECT rcItem = {};
    HDC hDC = nullptr;
    HRGN hRgn = nullptr;
    HRGN hOldRgn = nullptr;

private:
    void Release();
};

// The stateless render engine: image loading, image drawing, primitives and plain text.
class CUIPainter
{
public:
    // Images.
    static CUIRef<CUIImageInfo> LoadImage(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0);
    static bool DrawImageByDescription(HDC hDC, CUIWindowManager* manager, const RECT& rcControl,
                                       const RECT& rcPaint, CUIImageDesc& desc);
    static void DrawImage(HDC hDC, HBITMAP hBitmap, const RECT& rc, const RECT& rcPaint,
                          const RECT& rcSource, const RECT& rcCorner, bool alpha, BYTE fade = 255,
                          bool hole = false, bool xtiled = false, bool ytiled = false);

    // Colours.
    static void RgbToHsl(DWORD argb, float* h, float* s, float* l);
    static void HslToRgb(DWORD* argb, float h, float s, float l);
    static DWORD AdjustColor(DWORD argb, short h, short s, short l);
    static void AdjustImage(bool useHsl, CUIImageInfo* image, short h, short s, short l);
    static COLORREF MixColors(COLORREF c1, double w1, COLORREF c2, double w2);
    static BOOL WINAPI SoftAlphaBlend(HDC hDest, int x, int y, int w, int h, HDC hSrc, int sx, int sy,
                               int sw, int sh, BLENDFUNCTION blend);

    // Primitives.
    static void DrawColor(HDC hDC, const RECT& rc, DWORD argb);
    static void DrawGradient(HDC hDC, const RECT& rc, DWORD argb1, DWORD argb2, bool vertical,
                             int steps);
    static void DrawLine(HDC hDC, const RECT& rc, int width, DWORD argb, int style = PS_SOLID);
    static void DrawRect(HDC hDC, const RECT& rc, int width, DWORD argb);
    static void DrawRoundRect(HDC hDC, const RECT& rc, int width, int cx, int cy, DWORD argb);
    static void DrawText(HDC hDC, CUIWindowManager* manager, RECT& rc, LPCWSTR text, DWORD argb,
                         int font, UINT style);

    // Text with inline tags (fonts, colours, images, links); records each link piece's
    // rectangle and value into the caller's arrays, linkCount being their capacity on entry.
    static void DrawMarkedUpText(HDC hDC, CUIWindowManager* manager, RECT& rc, LPCWSTR text,
                                 DWORD argb, RECT* linkRects, CUIString* linkValues,
                                 int& linkCount, UINT style);
    // The text marked up (its links not kept) or plain in the font.
    static void DrawTextMarkedUpOrNot(HDC hDC, CUIWindowManager* manager, RECT& rc, LPCWSTR text,
                                      DWORD argb, int font, UINT style, bool markedUp);
    // Characters that marked-up text has handed to the text measuring calls since the process
    // started: lets tests see that the work stays in proportion to the text.
    static ULONGLONG GetMarkedUpMeasuredChars();
};

// ARGB (0xAARRGGBB) to a GDI colour: red and blue swapped, alpha dropped.
inline COLORREF ArgbToColorRef(DWORD argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

} // namespace QxUI
