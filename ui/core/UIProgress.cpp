// Progress bar: the fore image stretched over the filled part.

#include "core/UIProgress.h"

#include <cstdint>
#include <cwchar>

#include "core/UIAttributeValues.h"

namespace QxUI {

CProgressUI::CProgressUI()
{
    m_uTextStyle = DT_SINGLELINE | DT_CENTER;
    SetFixedHeight(12);
}

CProgressUI::~CProgressUI() = default;

LPCWSTR CProgressUI::GetClass() const
{
    return L"ProgressUI";
}

LPVOID CProgressUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"Progress") == 0)
        return this;
    return CLabelUI::AsInterface(name);
}

void CProgressUI::SetHorizontal(bool horizontal)
{
    if (m_bHorizontal == horizontal)
        return;
    m_bHorizontal = horizontal;
    Invalidate();
}

void CProgressUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value) {
        CLabelUI::SetAttribute(name, value);
        return;
    }
    if (wcscmp(name, L"foreimage") == 0)
        SetForeImage(value);
    else if (wcscmp(name, L"hor") == 0)
        SetHorizontal(AttributeIsTrue(value));
    else if (wcscmp(name, L"min") == 0)
        SetMinValue(AttributeInt(value));
    else if (wcscmp(name, L"max") == 0)
        SetMaxValue(AttributeInt(value));
    else if (wcscmp(name, L"value") == 0)
        SetValue(AttributeInt(value));
    else
        CLabelUI::SetAttribute(name, value);
}

void CProgressUI::PaintStateImage(HDC hDC)
{
    if (m_nMin >= m_nMax)
        m_nMax = m_nMin + 1;
    if (m_nValue > m_nMax)
        m_nValue = m_nMax;
    if (m_nValue < m_nMin)
        m_nValue = m_nMin;

    // 64-bit products: a large range times the control's size must not overflow.
    const int64_t range = static_cast<int64_t>(m_nMax) - m_nMin;
    const int64_t width = m_rcItem.right - m_rcItem.left;
    const int64_t height = m_rcItem.bottom - m_rcItem.top;
    RECT dest = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    if (m_bHorizontal)
        dest.right = static_cast<LONG>(width * (static_cast<int64_t>(m_nValue) - m_nMin) / range);
    else
        dest.top = static_cast<LONG>((static_cast<int64_t>(m_nMax) - m_nValue) * height / range);

    if (dest.right > dest.left && dest.bottom > dest.top)
        DrawImageInto(hDC, m_diFore, dest);
}

} // namespace QxUI
