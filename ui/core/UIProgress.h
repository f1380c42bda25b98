#pragma once

#include <windows.h>

#include "core/UILabel.h"

namespace QxUI {

// A label whose fore image is cut to the filled fraction of a value; the skin element "Progress".
class CProgressUI : public CLabelUI
{
public:
    CProgressUI();
    ~CProgressUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void PaintStateImage(HDC hDC) override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool horizontal = true);
    int GetMinValue() const { return m_nMin; }
    void SetMinValue(int value) { m_nMin = value; Invalidate(); }
    int GetMaxValue() const { return m_nMax; }
    void SetMaxValue(int value) { m_nMax = value; Invalidate(); }
    int GetValue() const { return m_nValue; }
    void SetValue(int value) { m_nValue = value; Invalidate(); }
    CUIString GetForeImage() const { return m_diFore.sDrawString; }
    void SetForeImage(LPCWSTR description) { SetImage(m_diFore, description); }

protected:
    bool m_bHorizontal = true;
    int m_nMax = 100;
    int m_nMin = 0;
    int m_nValue = 0;
    // The fore image is the control base's fore image record.
};

} // namespace QxUI
