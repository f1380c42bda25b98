// CHrqWndBase: what the updater's skinned windows share. The layouts lie at the root of the
// skin archive carried in the program as the "ZIPRES" resource 102; Esc cancels and Enter
// confirms whatever control has the focus.
#pragma once

#include <windows.h>

#include "skin/UIWindowImpl.h"

class CHrqWndBase : public QxUI::WindowImplBase
{
public:
    // Close codes: the result RunModal gives back.
    static constexpr UINT kConfirm = 1;
    static constexpr UINT kCancel = 2;

    UINT GetRegisteredClassStyle() const override;
    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    QxUI::CUIString GetSkinDirectory() override;
    QxUI::UISkinSource GetSkinSourceKind() override;
    LPCWSTR GetSkinResourceId() override;
    LRESULT PreFilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

protected:
    // The layout for the interface language, asked each time: "<base>.xml" in Chinese,
    // "<base>_en.xml" in English.
    static QxUI::CUIString LayoutFor(const wchar_t* baseName);
};
