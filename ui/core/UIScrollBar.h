#pragma once

#include <windows.h>

#include "core/UIControl.h"

namespace QxUI {

class CContainerUI;

// A horizontal or vertical scroll bar: two arrow buttons, a thumb and a rail image over the
// thumb. It scrolls its owning container, or stands alone (element "ScrollBar") and then
// keeps its own position and raises "scroll".
class CScrollBarUI : public CControlUI
{
public:
    CScrollBarUI();

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetEnabled(bool enabled = true) override;
    void SetFocus() override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    void Paint(HDC hDC, const RECT& rcDirty) override;

    CContainerUI* GetOwner() const { return m_pOwner; }
    void SetOwner(CContainerUI* owner);
    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool horizontal = true);
    int GetScrollRange() const { return m_nRange; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_nScrollPos; }
    void SetScrollPos(int pos);
    int GetLineSize() const { return m_nLineSize; }
    void SetLineSize(int size);
    bool IsShowButton1() const { return m_bShowButton1; }
    void SetShowButton1(bool show);
    bool IsShowButton2() const { return m_bShowButton2; }
    void SetShowButton2(bool show);

    RECT GetButton1Rect() const { return m_rcButton1; }
    RECT GetButton2Rect() const { return m_rcButton2; }
    RECT GetThumbRect() const { return m_rcThumb; }
    UINT GetButton1State() const { return m_uButton1State; }
    UINT GetButton2State() const { return m_uButton2State; }
    UINT GetThumbState() const { return m_uThumbState; }

    // Image slots of every part, in this order.
    enum ImageState
    {
        ImageNormal = 0,
        ImageHot = 1,
        ImagePushed = 2,
        ImageDisabled = 3,
    };
    void SetButton1Color(DWORD color) { SetColor(m_dwButton1Color, color); }
    void SetButton2Color(DWORD color) { SetColor(m_dwButton2Color, color); }
    void SetThumbColor(DWORD color) { SetColor(m_dwThumbColor, color); }
    void SetButton1Image(ImageState state, LPCWSTR image) { SetImage(m_diButton1[state], image); }
    void SetButton2Image(ImageState state, LPCWSTR image) { SetImage(m_diButton2[state], image); }
    void SetThumbImage(ImageState state, LPCWSTR image) { SetImage(m_diThumb[state], image); }
    void SetRailImage(ImageState state, LPCWSTR image) { SetImage(m_diRail[state], image); }
    void SetBkImage(ImageState state, LPCWSTR image) { SetImage(m_diBk[state], image); }

    static const UINT kRepeatTimerId = 10;
    static const UINT kRepeatIntervalMs = 50;

protected:
    void LineBack();
    void LineForward();
    void PageBack();
    void PageForward();
    void SetColor(DWORD& field, DWORD color);
    void PaintPart(HDC hDC, const RECT* rcPart, DWORD color, UINT state, CUIImageDesc* images);

    bool m_bHorizontal = false;
    int m_nRange = 100;
    int m_nScrollPos = 0;
    int m_nLineSize = 8;
    CContainerUI* m_pOwner = nullptr;
    POINT m_ptLastMouse = {0, 0};
    int m_nLastScrollPos = 0;
    int m_nLastScrollOffset = 0;
    int m_nScrollRepeatDelay = 0;
    CUIImageDesc m_diBk[4];
    bool m_bShowButton1 = true;
    RECT m_rcButton1 = {0, 0, 0, 0};
    UINT m_uButton1State = 0;
    DWORD m_dwButton1Color = 0;
    CUIImageDesc m_diButton1[4];
    bool m_bShowButton2 = true;
    RECT m_rcButton2 = {0, 0, 0, 0};
    UINT m_uButton2State = 0;
    DWORD m_dwButton2Color = 0;
    CUIImageDesc m_diButton2[4];
    RECT m_rcThumb = {0, 0, 0, 0};
    UINT m_uThumbState = 0;
    DWORD m_dwThumbColor = 0;
    CUIImageDesc m_diThumb[4];
    CUIImageDesc m_diRail[4];
};

} // namespace QxUI
