// Label: plain, marked-up and GDI+ effect text.

#include "core/UILabel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <memory>

#include <objidl.h>
using std::max;
using std::min;
#include <gdiplus.h>

#include "core/UIAttributeValues.h"
#include "core/UIRect.h"

#include "Win32Handle.h"

namespace QxUI {

namespace {

BYTE ClampAlpha(int alpha)
{
    return static_cast<BYTE>(std::clamp(alpha, 0, 255));
}

Gdiplus::Color EffectColor(int alpha, DWORD rgb)
{
    return Gdiplus::Color(ClampAlpha(alpha), static_cast<BYTE>((rgb >> 16) & 0xFF),
                          static_cast<BYTE>((rgb >> 8) & 0xFF), static_cast<BYTE>(rgb & 0xFF));
}

} // namespace

CLabelUI::CLabelUI()
{
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok)
        m_gdiplusToken = 0;
}

CLabelUI::~CLabelUI()
{
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
}

LPCWSTR CLabelUI::GetClass() const
{
    return L"LabelUI";
}

LPVOID CLabelUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"Label") == 0)
        return this;
    return CControlUI::AsInterface(name);
}

CUIString CLabelUI::GetText() const
{
    return m_bEnableEffect ? m_sEffectText : CControlUI::GetText();
}

void CLabelUI::SetText(LPCWSTR text)
{
    if (m_bEnableEffect)
        m_sEffectText = text ? text : L"";
    else
        CControlUI::SetText(text);
}

void CLabelUI::SetEnabledEffect(bool on)
{
    m_bEnableEffect = on;
    m_sEffectText = m_sText;
}

void CLabelUI::OnEvent(UIEvent& event)
{
    if (event.Type == UIEventType::SetFocus) {
        m_bFocused = true;
        return;
    }
    if (event.Type == UIEventType::KillFocus) {
        m_bFocused = false;
        return;
    }
    CControlUI::OnEvent(event);
}

void CLabelUI::SetShowHtml(bool on)
{
    if (m_bShowHtml == on)
        return;
    m_bShowHtml = on;
    Invalidate();
}

void CLabelUI::SetTextRenderingHint(int hint)
{
    m_nTextRenderingHint = (hint >= 0 && hint <= 5) ? hint : 0;
}

void CLabelUI::SetShadowOffset(int distance, int angle)
{
    if (angle < -180 || angle > 180)
        return;
    const double radians = angle * 3.14159265358979323846 / 180.0;
    m_ShadowOffset[0] = static_cast<LONG>(std::lround(distance * std::cos(radians)));
    m_ShadowOffset[1] = static_cast<LONG>(std::lround(-distance * std::sin(radians)));
}

void CLabelUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value) {
        CControlUI::SetAttribute(name, value);
        return;
    }
    if (wcscmp(name, L"align") == 0) {
        const UINT words = AttributeAlignWords(value);
        if (words & kAlignLeft)
            m_uTextStyle &= ~(DT_CENTER | DT_RIGHT | DT_SINGLELINE);
        if (words & kAlignCenter) {
            m_uTextStyle &= ~DT_RIGHT;
            m_uTextStyle |= DT_CENTER;
        }
        if (words & kAlignRight) {
            m_uTextStyle &= ~(DT_CENTER | DT_SINGLELINE);
            m_uTextStyle |= DT_RIGHT;
        }
    } else if (wcscmp(name, L"valign") == 0) {
        const UINT words = AttributeAlignWords(value);
        if (words & kAlignTop) {
            m_uTextStyle &= ~(DT_VCENTER | DT_BOTTOM);
            m_uTextStyle |= DT_SINGLELINE;
        }
        if (words & kAlignVCenter) {
            m_uTextStyle &= ~DT_BOTTOM;
            m_uTextStyle |= DT_VCENTER | DT_SINGLELINE;
        }
        if (words & kAlignBottom) {
            m_uTextStyle &= ~DT_VCENTER;
            m_uTextStyle |= DT_BOTTOM | DT_SINGLELINE;
        }
    } else if (wcscmp(name, L"endellipsis") == 0) {
        if (AttributeIsTrue(value))
            m_uTextStyle |= DT_END_ELLIPSIS;
        else
            m_uTextStyle &= ~DT_END_ELLIPSIS;
    } else if (wcscmp(name, L"font") == 0) {
        SetFont(AttributeInt(value));
    } else if (wcscmp(name, L"textcolor") == 0) {
        SetTextColor(AttributeHexColorAfterSpaces(value));
    } else if (wcscmp(name, L"disabledtextcolor") == 0) {
        SetDisabledTextColor(AttributeHexColorAfterSpaces(value));
    } else if (wcscmp(name, L"textpadding") == 0) {
        SetTextPadding(AttributeCommaRectUntilGap(value));
    } else if (wcscmp(name, L"showhtml") == 0) {
        SetShowHtml(AttributeIsTrue(value));
    } else if (wcscmp(name, L"enabledeffect") == 0) {
        SetEnabledEffect(AttributeIsTrue(value));
    } else if (wcscmp(name, L"rhaa") == 0) {
        SetTextRenderingHint(AttributeInt(value));
    } else if (wcscmp(name, L"transshadow") == 0) {
        SetShadowAlpha(AttributeInt(value));
    } else if (wcscmp(name, L"transtext") == 0) {
        SetTextAlpha(AttributeInt(value));
    } else if (wcscmp(name, L"transshadow1") == 0) {
        SetShadowAlpha1(AttributeInt(value));
    } else if (wcscmp(name, L"transtext1") == 0) {
        SetTextAlpha1(AttributeInt(value));
    } else if (wcscmp(name, L"gradientangle") == 0) {
        SetGradientAngle(AttributeInt(value));
    } else if (wcscmp(name, L"enabledstroke") == 0) {
        SetStrokeEnabled(AttributeIsTrue(value));
    } else if (wcscmp(name, L"enabledshadow") == 0) {
        SetShadowEnabled(AttributeIsTrue(value));
    } else if (wcscmp(name, L"transstroke") == 0) {
        SetStrokeAlpha(AttributeInt(value));
    } else if (wcscmp(name, L"gradientlength") == 0) {
        SetGradientLength(AttributeInt(value));
    } else if (wcscmp(name, L"shadowoffset") == 0) {
        long n[2] = {};
        AttributeCommaList(value, n, 2);
        SetShadowOffset(n[0], n[1]);
    } else if (wcscmp(name, L"textcolor1") == 0) {
        SetTextColor1(AttributeHexColorAfterSpaces(value));
    } else if (wcscmp(name, L"textshadowcolora") == 0) {
        SetShadowColorA(AttributeHexColorAfterSpaces(value));
    } else if (wcscmp(name, L"textshadowcolorb") == 0) {
        SetShadowColorB(AttributeHexColorAfterSpaces(value));
    } else if (wcscmp(name, L"strokecolor") == 0) {
        SetStrokeColor(AttributeHexColorAfterSpaces(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

SIZE CLabelUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0 || !m_pManager)
        return CControlUI::MeasureSize(available);
    return SIZE{m_cxyFixed.cx, m_pManager->GetFontEntry(m_iFont)->tm.tmHeight + 4};
}

void CLabelUI::ResolveTextColors()
{
    if (!m_pManager)
        return;
    if (m_dwTextColor == 0)
        m_dwTextColor = m_pManager->GetDefaultTextColor();
    if (m_dwDisabledTextColor == 0)
        m_dwDisabledTextColor = m_pManager->GetDisabledTextColor();
}

RECT CLabelUI::GetTextRect() const
{
    CUIRect rc(m_rcItem);
    rc.Deflate(m_rcTextPadding);
    return rc;
}

void CLabelUI::DrawLabelText(HDC hDC, RECT rc, DWORD color, UINT style)
{
    CUIPainter::DrawTextMarkedUpOrNot(hDC, m_pManager, rc, m_sText.GetData(), color, m_iFont, style,
                                      m_bShowHtml);
}

void CLabelUI::PaintText(HDC hDC)
{
    if (!m_pManager)
        return;
    ResolveTextColors();
    const RECT rc = GetTextRect();
    if (m_bEnableEffect) {
        PaintEffectText(hDC, rc);
        return;
    }
    if (m_sText.IsEmpty())
        return;
    DrawLabelText(hDC, rc, IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor,
                  m_uTextStyle | DT_SINGLELINE);
}

void CLabelUI::PaintEffectText(HDC hDC, const RECT& rcText)
{
    if (m_sEffectText.IsEmpty() || !m_gdiplusToken)
        return;

    std::unique_ptr<Gdiplus::Font> font;
    HFONT hFont = m_pManager->GetFontHandle(m_iFont);
    LOGFONTA lf = {};
    if (hFont && ::GetObjectA(hFont, sizeof(lf), &lf) == sizeof(lf))
        font.reset(new Gdiplus::Font(hDC, &lf));
    if (!font || !font->IsAvailable()) {
        win32::SelectScope selected(hDC, hFont);
        font.reset(new Gdiplus::Font(hDC));
    }
    if (!font->IsAvailable())
        return;

    Gdiplus::Graphics graphics(hDC);
    graphics.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(m_nTextRenderingHint));

    Gdiplus::StringFormat format;
    format.SetAlignment((m_uTextStyle & DT_CENTER)  ? Gdiplus::StringAlignmentCenter
                        : (m_uTextStyle & DT_RIGHT) ? Gdiplus::StringAlignmentFar
                                                    : Gdiplus::StringAlignmentNear);
    format.SetLineAlignment((m_uTextStyle & DT_VCENTER)  ? Gdiplus::StringAlignmentCenter
                            : (m_uTextStyle & DT_BOTTOM) ? Gdiplus::StringAlignmentFar
                                                         : Gdiplus::StringAlignmentNear);

    const int width = rcText.right - rcText.left;
    const int height = rcText.bottom - rcText.top;
    const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rcText.left),
                                static_cast<Gdiplus::REAL>(rcText.top),
                                static_cast<Gdiplus::REAL>(width),
                                static_cast<Gdiplus::REAL>(height));
    const Gdiplus::RectF shadowRect(layout.X + m_ShadowOffset[0], layout.Y + m_ShadowOffset[1],
                                    layout.Width, layout.Height);

    // A gradient needs two distinct points; a zero-length one would fail to create.
    auto gradientEnd = [&](int length) {
        return Gdiplus::PointF(0.0f, static_cast<Gdiplus::REAL>(
                                         (length == 0 && m_nGradientAngle == 0) ? 1 : length));
    };
    const Gdiplus::PointF start(static_cast<Gdiplus::REAL>(m_nGradientAngle), 0.0f);
    const Gdiplus::PointF end = gradientEnd(m_nGradientLength != 0 ? m_nGradientLength : height);

    const DWORD textColor1 = m_dwTextColor1 == static_cast<DWORD>(-1) ? m_dwTextColor
                                                                       : m_dwTextColor1;
    Gdiplus::LinearGradientBrush textBrush(start, end, EffectColor(m_nTextAlpha, m_dwTextColor),
                                           EffectColor(m_nTextAlpha1, textColor1));
    const DWORD shadowB = m_dwTextShadowColorB == static_cast<DWORD>(-1) ? m_dwTextShadowColorA
                                                                          : m_dwTextShadowColorB;
    Gdiplus::LinearGradientBrush shadowBrush(start, end,
                                             EffectColor(m_nShadowAlpha, m_dwTextShadowColorA),
                                             EffectColor(m_nShadowAlpha1, shadowB));

    const WCHAR* text = m_sEffectText.GetData();
    if (m_bEnableStroke && m_dwStrokeColor != 0) {
        Gdiplus::LinearGradientBrush strokeBrush(start, gradientEnd(height + 2),
                                                 EffectColor(m_nStrokeAlpha, m_dwStrokeColor),
                                                 EffectColor(m_nStrokeAlpha, m_dwStrokeColor));
        const Gdiplus::PointF moves[4] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        for (const Gdiplus::PointF& move : moves) {
            const Gdiplus::RectF moved(layout.X + move.X, layout.Y + move.Y, layout.Width,
                                       layout.Height);
            graphics.DrawString(text, -1, font.get(), moved, &format, &strokeBrush);
        }
    }
    if (m_bEnableShadow && (m_dwTextShadowColorA != 0 || m_dwTextShadowColorB != 0))
        graphics.DrawString(text, -1, font.get(), shadowRect, &format, &shadowBrush);
    graphics.DrawString(text, -1, font.get(), layout, &format, &textBrush);
}

} // namespace QxUI
