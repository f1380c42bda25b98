#pragma once

#include <windows.h>

namespace QxUI {
namespace msimg32 {

typedef BOOL(WINAPI* AlphaBlendFn)(HDC, int, int, int, int, HDC, int, int, int, int,
                                   BLENDFUNCTION);
typedef BOOL(WINAPI* GradientFillFn)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// Looked up once per process in the already loaded "msimg32.dll", so a system without it
// still paints: AlphaBlend falls back to CUIPainter::SoftAlphaBlend, GradientFill to bands.
AlphaBlendFn AlphaBlend();
GradientFillFn GradientFill();

} // namespace msimg32
} // namespace QxUI
