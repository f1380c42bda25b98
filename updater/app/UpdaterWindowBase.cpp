#include "UpdaterWindowBase.h"

#include "ConfigParser.h"

namespace {

const WORD kSkinResourceId = 102;

} // namespace

UINT CHrqWndBase::GetRegisteredClassStyle() const
{
    return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
}

LRESULT CHrqWndBase::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return WindowImplBase::HandleWindowMessage(msg, wParam, lParam);
}

QxUI::CUIString CHrqWndBase::GetSkinDirectory()
{
    return QxUI::CUIString(L"");
}

QxUI::UISkinSource CHrqWndBase::GetSkinSourceKind()
{
    return QxUI::SkinFromZipResource;
}

LPCWSTR CHrqWndBase::GetSkinResourceId()
{
    return MAKEINTRESOURCEW(kSkinResourceId);
}

// `handled` stays false: the key still reaches the window and its focused control.
LRESULT CHrqWndBase::PreFilterMessage(UINT msg, WPARAM wParam, LPARAM, bool&)
{
    if (msg != WM_KEYDOWN)
        return 0;
    if (wParam == VK_ESCAPE) {
        Close(kCancel);
        return 1;
    }
    if (wParam == VK_RETURN) {
        Close(kConfirm);
        return 1;
    }
    return 0;
}

QxUI::CUIString CHrqWndBase::LayoutFor(const wchar_t* baseName)
{
    QxUI::CUIString name(baseName);
    name += ConfigParser::Instance().chineseUi ? L".xml" : L"_en.xml";
    return name;
}
