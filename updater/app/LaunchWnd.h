// CLaunchWnd: the window that tells the user the update is installed, just before the client
// is started again. RunModal answers 1 (closed, launched or Enter) or 2 (Esc).
#pragma once

#include <windows.h>

#include "UpdaterWindowBase.h"

class CLaunchWnd : public CHrqWndBase
{
public:
    // The window exists once this returns.
    CLaunchWnd();

    LPCWSTR GetRegisteredClassName() const override;
    QxUI::CUIString GetSkinXmlName() override;
    void OnUINotify(QxUI::UINotification& msg) override;
};
