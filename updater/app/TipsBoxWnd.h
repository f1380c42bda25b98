// CTipsBoxWnd: the updater's small modal message box. RunModal answers 1 for confirm (or
// Enter) and 2 for cancel or close (or Esc).
#pragma once

#include <windows.h>

#include <string>

#include "UpdaterWindowBase.h"

namespace QxUI {
class CButtonUI;
class CLabelUI;
} // namespace QxUI

class CTipsBoxWnd : public CHrqWndBase
{
public:
    // Bit 0 of showCancel shows the cancel button. The window exists once this returns.
    CTipsBoxWnd(HWND parent, const wchar_t* text, int showCancel);
    ~CTipsBoxWnd() override;

    LPCWSTR GetRegisteredClassName() const override;
    void OnSkinLoaded() override;
    QxUI::CUIString GetSkinXmlName() override;
    LRESULT OnCreateMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnUINotify(QxUI::UINotification& msg) override;

    // Controls of the skin, owned by it; null when the skin lacks them.
    QxUI::CLabelUI* tipsLabel = nullptr;
    QxUI::CButtonUI* cancelButton = nullptr;
    QxUI::CButtonUI* confirmButton = nullptr;
    int showCancel = 0;
    std::wstring text;
};
