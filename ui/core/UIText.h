#pragma once

#include <windows.h>

#include "core/UILabel.h"

namespace QxUI {

// A multi-line label whose marked-up text may hold links; the skin element "Text".
class CTextUI : public CLabelUI
{
public:
    static const int kMaxLinks = 8;

    CTextUI();
    ~CTextUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    void OnEvent(UIEvent& event) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintText(HDC hDC) override;

    int GetLinkCount() const { return m_nLinks; }
    // The value of a recorded link piece (the argument of its "a" tag), or null.
    const CUIString* GetLinkContent(int index) const;
    RECT GetLinkRect(int index) const;

protected:
    int LinkAt(POINT pt) const;

    int m_nLinks = 0;
    RECT m_rcLinks[kMaxLinks] = {};
    CUIString m_sLinks[kMaxLinks];
    int m_nHoverLink = -1;
};

} // namespace QxUI
