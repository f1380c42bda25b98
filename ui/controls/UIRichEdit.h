// The rich edit control: a windowless multi-line editor drawn in the control tree, with the
// system's rich-edit engine doing the editing through a text host.
#pragma once

#include <windows.h>

#include "core/UIContainer.h"
#include "core/UIEvents.h"

#include "Win32Handle.h"

namespace QxUI {

class CTxtWinHost;

// The skin element "RichEdit".
class CRichEditUI : public CContainerUI, public IMessageFilterUI
{
public:
    CRichEditUI();
    ~CRichEditUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    UINT GetInputFlags() override;
    CUIString GetText() const override;
    void SetText(LPCWSTR text) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Move(int dx, int dy, bool invalidate = true) override;
    void OnInit() override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    SIZE MeasureSize(SIZE available) override;
    void Paint(HDC hDC, const RECT& rcDirty) override;
    void SetScrollPos(SIZE pos) override;
    void ScrollLineUp() override;
    void ScrollLineDown() override;
    void ScrollPageUp() override;
    void ScrollPageDown() override;
    void ScrollToTop() override;
    void ScrollToBottom() override;
    void ScrollLineLeft() override;
    void ScrollLineRight() override;
    void ScrollPageLeft() override;
    void ScrollPageRight() override;
    void ScrollToLeftEnd() override;
    void ScrollToRightEnd() override;

    // S_FALSE without an engine; *result is left as the caller set it.
    virtual HRESULT SendToTextServices(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual bool OnTextViewChanged();
    virtual void ForwardTextNotify(UINT code, void* record);

    LRESULT PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

    void SetWantsTab(bool on) { m_bWantTab = on; }
    bool WantsTab() const override { return m_bWantTab; }
    void SetWantsReturn(bool on) { m_bWantReturn = on; }
    bool WantsReturn() const { return m_bWantReturn; }
    void SetWantsCtrlReturn(bool on) { m_bWantCtrlReturn = on; }
    bool WantsCtrlReturn() const { return m_bWantCtrlReturn; }
    bool IsRichMode() const { return m_bRich; }
    void SetRichMode(bool rich);
    bool IsReadOnly() const { return m_bReadOnly; }
    int GetFontIndex() const { return m_iFont; }
    void SetFontIndex(int index);
    DWORD GetTextArgb() const { return m_dwTextColor; }
    void SetTextArgb(DWORD argb);
    int GetTextLimit() const { return m_iLimitText; }
    DWORD GetStyle() const { return m_dwStyle; }
    bool IsVerticalBarForced() const { return m_bVScrollBarFixing; }
    CTxtWinHost* GetTextHost() const { return m_pHost.Get(); }

private:
    LONG QueryTextLength() const;
    void SelectRange(LONG start, LONG end);
    void ReplaceSelection(LPCWSTR text, bool canUndo);
    void SendScroll(UINT msg, WORD code);
    // The engine's natural height of its text at the given width, or -1.
    LONG NaturalHeight(LONG width);
    void PlaceChildren(const RECT& rcText);

    win32::ComPtr<CTxtWinHost> m_pHost;
    bool m_bVScrollBarFixing = false;
    bool m_bWantTab = true;
    bool m_bWantReturn = true;
    bool m_bWantCtrlReturn = true;
    bool m_bRich = true;
    bool m_bReadOnly = false;
    DWORD m_dwTextColor = 0;
    int m_iFont = -1;
    int m_iLimitText = 0x7FFF;
    DWORD m_dwStyle = ES_MULTILINE;
    bool m_bInited = false;
};

} // namespace QxUI
