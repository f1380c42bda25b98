// The text host: the object through which the system's windowless rich-edit engine works inside
// a rich edit control.
#pragma once

#include <windows.h>
#include <imm.h>
#include <ole2.h>
#include <richedit.h>
#include <textserv.h>

#include "ComObject.h"
#include "Win32Handle.h"

namespace QxUI {

class CRichEditUI;

// The engine calls the host's ITextHost methods with thiscall on 32-bit x86 (its interfaces are
// not COM-declared); x86-64 has a single convention. The IUnknown methods stay stdcall.
#if defined(__i386__) || defined(_M_IX86)
#define QXUI_TXHOST_CALL __thiscall
#else
#define QXUI_TXHOST_CALL
#endif

// The system headers at hand declare but do not define these interface ids.
extern const IID kIidTextServices;
extern const IID kIidTextHost;

// Its last release deletes it: the control holds the first reference.
class CTxtWinHost
    : public win32::ComObject<win32::DeleteOnLastRelease, win32::Answers<ITextHost, kIidTextHost>>
{
public:
    CTxtWinHost();

    // Builds the default formats and creates the engine over this host; false on any failure.
    bool Setup(CRichEditUI* owner, const CREATESTRUCTW* create);

    // The engine's factory: null (the default) takes CreateTextServices of "msftedit.dll".
    // Tests put a stand-in engine here.
    static void SetEngineFactory(PCreateTextServices factory) { s_engineFactory = factory; }

    // ITextHost
    HDC QXUI_TXHOST_CALL TxGetDC() override;
    INT QXUI_TXHOST_CALL TxReleaseDC(HDC hdc) override;
    WINBOOL QXUI_TXHOST_CALL TxShowScrollBar(INT bar, WINBOOL show) override;
    WINBOOL QXUI_TXHOST_CALL TxEnableScrollBar(INT bars, INT arrows) override;
    WINBOOL QXUI_TXHOST_CALL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, WINBOOL redraw) override;
    WINBOOL QXUI_TXHOST_CALL TxSetScrollPos(INT bar, INT pos, WINBOOL redraw) override;
    void QXUI_TXHOST_CALL TxInvalidateRect(LPCRECT rc, WINBOOL mode) override;
    void QXUI_TXHOST_CALL TxViewChange(WINBOOL update) override;
    WINBOOL QXUI_TXHOST_CALL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
    WINBOOL QXUI_TXHOST_CALL TxShowCaret(WINBOOL show) override;
    WINBOOL QXUI_TXHOST_CALL TxSetCaretPos(INT x, INT y) override;
    WINBOOL QXUI_TXHOST_CALL TxSetTimer(UINT id, UINT timeout) override;
    void QXUI_TXHOST_CALL TxKillTimer(UINT id) override;
    void QXUI_TXHOST_CALL TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip,
                                           HRGN update, LPRECT updateRect, UINT flags) override;
    void QXUI_TXHOST_CALL TxSetCapture(WINBOOL capture) override;
    void QXUI_TXHOST_CALL TxSetFocus() override;
    void QXUI_TXHOST_CALL TxSetCursor(HCURSOR cursor, WINBOOL text) override;
    WINBOOL QXUI_TXHOST_CALL TxScreenToClient(LPPOINT pt) override;
    WINBOOL QXUI_TXHOST_CALL TxClientToScreen(LPPOINT pt) override;
    HRESULT QXUI_TXHOST_CALL TxActivate(LONG* oldState) override;
    HRESULT QXUI_TXHOST_CALL TxDeactivate(LONG newState) override;
    HRESULT QXUI_TXHOST_CALL TxGetClientRect(LPRECT rc) override;
    HRESULT QXUI_TXHOST_CALL TxGetViewInset(LPRECT rc) override;
    HRESULT QXUI_TXHOST_CALL TxGetCharFormat(const CHARFORMATW** format) override;
    HRESULT QXUI_TXHOST_CALL TxGetParaFormat(const PARAFORMAT** format) override;
    COLORREF QXUI_TXHOST_CALL TxGetSysColor(int index) override;
    HRESULT QXUI_TXHOST_CALL TxGetBackStyle(TXTBACKSTYLE* style) override;
    HRESULT QXUI_TXHOST_CALL TxGetMaxLength(DWORD* length) override;
    HRESULT QXUI_TXHOST_CALL TxGetScrollBars(DWORD* bars) override;
    HRESULT QXUI_TXHOST_CALL TxGetPasswordChar(TCHAR* ch) override;
    HRESULT QXUI_TXHOST_CALL TxGetAcceleratorPos(LONG* pos) override;
    HRESULT QXUI_TXHOST_CALL TxGetExtent(LPSIZEL extent) override;
    HRESULT QXUI_TXHOST_CALL OnTxCharFormatChange(const CHARFORMATW* format) override;
    HRESULT QXUI_TXHOST_CALL OnTxParaFormatChange(const PARAFORMAT* format) override;
    HRESULT QXUI_TXHOST_CALL TxGetPropertyBits(DWORD mask, DWORD* bits) override;
    HRESULT QXUI_TXHOST_CALL TxNotify(DWORD code, void* record) override;
    HIMC QXUI_TXHOST_CALL TxImmGetContext() override;
    void QXUI_TXHOST_CALL TxImmReleaseContext(HIMC context) override;
    HRESULT QXUI_TXHOST_CALL TxGetSelectionBarWidth(LONG* width) override;

    // What the control uses.
    ITextServices* GetTextServices() const { return m_pServices.Get(); }
    RECT GetViewRect() const { return m_rcClient; }
    void SetViewRect(const RECT& rc);
    bool UpdateCursor(const RECT* rc, POINT pt);
    HRESULT ActivateInPlace(const RECT* rc);
    void ApplyFont(HFONT font);
    void ApplyTextColor(DWORD argb);
    void ApplyRichMode(bool rich);
    void SetTransparentBack(bool transparent);
    bool HasCapture() const { return m_bCaptured; }
    bool HasTimer() const { return m_bTimer; }

private:
    ~CTxtWinHost() override;
    HWND OwnerWindow() const;
    HDC OwnerDC() const;
    bool FillDefaultCharFormat(HFONT font);
    // Size, effects, character set and face of the font into the default character format.
    void TakeFontFields(const LOGFONTW& lf);
    void FillDefaultParaFormat();
    void NotifyCharFormatChange();

    CRichEditUI* m_pOwner = nullptr;
    win32::ComPtr<ITextServices> m_pServices;
    DWORD m_dwStyle = 0;
    bool m_bAutoWordSelect = false;
    bool m_bWordWrap = false;
    bool m_bAllowBeep = false;
    bool m_bRich = false;
    bool m_bSaveSelection = false;
    bool m_bInPlaceActive = false;
    bool m_bTransparent = false;
    bool m_bTimer = false;
    bool m_bCaptured = false;
    LONG m_lSelBarWidth = 0;
    LONG m_lMaxLength = 32767;
    RECT m_rcClient = {0, 0, 0, 0};
    SIZEL m_sizelExtent = {0, 0};
    CHARFORMAT2W m_charFormat = {};
    PARAFORMAT2 m_paraFormat = {};
    LONG m_lAcceleratorPos = -1;
    WCHAR m_chPassword = 0;

    static PCreateTextServices s_engineFactory;
};

// Makes a host for the control; *host is set only when its set-up succeeded. Always true.
bool CreateTextHost(CRichEditUI* owner, const CREATESTRUCTW* create, CTxtWinHost** host);

} // namespace QxUI
