// Slider: a progress bar with a thumb that the user drags or moves with the wheel.
#pragma once

#include <windows.h>

#include "core/UIProgress.h"

namespace QxUI {

// The skin element "Slider"; raises "valuechanged" when a drag ends and when the wheel moves it.
class CSliderUI : public CProgressUI
{
public:
    CSliderUI();
    ~CSliderUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void PaintStateImage(HDC hDC) override;

    RECT GetThumbRect() const;
    SIZE GetThumbSize() const { return m_szThumb; }
    void SetThumbSize(int width, int height) { m_szThumb = SIZE{width, height}; }
    int GetStep() const { return m_nStep; }
    void SetStep(int step) { m_nStep = step; }
    UINT GetSliderState() const { return m_uButtonState; }
    void SetThumbImage(LPCWSTR description) { SetImage(m_diThumb, description); }
    void SetThumbHotImage(LPCWSTR description) { SetImage(m_diThumbHot, description); }
    void SetThumbPushedImage(LPCWSTR description) { SetImage(m_diThumbPushed, description); }

protected:
    SIZE m_szThumb = {10, 10};
    UINT m_uButtonState = 0;
    int m_nStep = 1;
    CUIImageDesc m_diThumb;
    CUIImageDesc m_diThumbHot;
    CUIImageDesc m_diThumbPushed;

private:
    int ValueAt(POINT pt) const;
};

} // namespace QxUI
