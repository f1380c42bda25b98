#pragma once

#include <windows.h>

#include "core/UIControl.h"

namespace QxUI {

// The text-bearing control, and the skin element "Label": plain, marked-up or GDI+ effect text
// inside its rectangle less a text padding.
class CLabelUI : public CControlUI
{
public:
    CLabelUI();
    ~CLabelUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    CUIString GetText() const override;
    void SetText(LPCWSTR text) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintText(HDC hDC) override;

    void SetTextStyle(UINT style) { m_uTextStyle = style; Invalidate(); }
    UINT GetTextStyle() const { return m_uTextStyle; }
    void SetTextColor(DWORD color) { m_dwTextColor = color; Invalidate(); }
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetDisabledTextColor(DWORD color) { m_dwDisabledTextColor = color; Invalidate(); }
    DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
    void SetFont(int font) { m_iFont = font; Invalidate(); }
    int GetFont() const { return m_iFont; }
    void SetTextPadding(RECT rc) { m_rcTextPadding = rc; Invalidate(); }
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetShowHtml(bool on = true);
    bool IsShowHtml() const { return m_bShowHtml; }

    void SetEnabledEffect(bool on);
    bool GetEnabledEffect() const { return m_bEnableEffect; }
    void SetTextRenderingHint(int hint);
    int GetTextRenderingHint() const { return m_nTextRenderingHint; }
    void SetShadowAlpha(int alpha) { m_nShadowAlpha = alpha; }
    int GetShadowAlpha() const { return m_nShadowAlpha; }
    void SetShadowAlpha1(int alpha) { m_nShadowAlpha1 = alpha; }
    int GetShadowAlpha1() const { return m_nShadowAlpha1; }
    void SetTextAlpha(int alpha) { m_nTextAlpha = alpha; }
    int GetTextAlpha() const { return m_nTextAlpha; }
    void SetTextAlpha1(int alpha) { m_nTextAlpha1 = alpha; }
    int GetTextAlpha1() const { return m_nTextAlpha1; }
    void SetStrokeAlpha(int alpha) { m_nStrokeAlpha = alpha; }
    int GetStrokeAlpha() const { return m_nStrokeAlpha; }
    void SetGradientAngle(int angle) { m_nGradientAngle = angle; }
    int GetGradientAngle() const { return m_nGradientAngle; }
    void SetGradientLength(int length) { m_nGradientLength = length; }
    int GetGradientLength() const { return m_nGradientLength; }
    void SetStrokeEnabled(bool on) { m_bEnableStroke = on; }
    bool GetStrokeEnabled() const { return m_bEnableStroke; }
    void SetShadowEnabled(bool on) { m_bEnableShadow = on; }
    bool GetShadowEnabled() const { return m_bEnableShadow; }
    // Distance in pixels, angle in degrees from -180 to 180 (0 = right, 90 = up); other angles
    // are ignored.
    void SetShadowOffset(int distance, int angle);
    POINT GetShadowOffset() const { return POINT{m_ShadowOffset[0], m_ShadowOffset[1]}; }
    void SetTextColor1(DWORD color) { m_dwTextColor1 = color; }
    DWORD GetTextColor1() const { return m_dwTextColor1; }
    void SetShadowColorA(DWORD color) { m_dwTextShadowColorA = color; }
    DWORD GetShadowColorA() const { return m_dwTextShadowColorA; }
    void SetShadowColorB(DWORD color) { m_dwTextShadowColorB = color; }
    DWORD GetShadowColorB() const { return m_dwTextShadowColorB; }
    void SetStrokeColor(DWORD color) { m_dwStrokeColor = color; }
    DWORD GetStrokeColor() const { return m_dwStrokeColor; }

protected:
    // Zero colours take the manager's defaults once, at the first paint.
    void ResolveTextColors();
    // The control's rectangle less the text padding.
    RECT GetTextRect() const;
    // Plain or marked-up (without links) as "showhtml" says, in the label's font.
    void DrawLabelText(HDC hDC, RECT rc, DWORD color, UINT style);
    void PaintEffectText(HDC hDC, const RECT& rcText);

    DWORD m_dwTextColor = 0;
    DWORD m_dwDisabledTextColor = 0;
    int m_iFont = -1;
    UINT m_uTextStyle = DT_VCENTER;
    RECT m_rcTextPadding = {0, 0, 0, 0};
    bool m_bShowHtml = false;

    int m_nShadowAlpha = 60;
    int m_nShadowAlpha1 = 60;
    int m_nTextAlpha = 168;
    int m_nTextAlpha1 = 168;
    int m_nStrokeAlpha = 255;
    int m_nGradientLength = 0;
    int m_nGradientAngle = 0;
    bool m_bEnableEffect = false;
    bool m_bEnableStroke = false;
    bool m_bEnableShadow = false;
    DWORD m_dwTextColor1 = static_cast<DWORD>(-1);
    DWORD m_dwTextShadowColorA = 0xFF000000;
    DWORD m_dwTextShadowColorB = static_cast<DWORD>(-1);
    DWORD m_dwStrokeColor = 0;
    LONG m_ShadowOffset[4] = {0, 0, 0, 0};
    CUIString m_sEffectText;
    ULONG_PTR m_gdiplusToken = 0;
    int m_nTextRenderingHint = 0;
};

} // namespace QxUI
