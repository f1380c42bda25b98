#include "LaunchWnd.h"

#include "core/UIControl.h"

#include "ConfigParser.h"

namespace {

const wchar_t kClassName[] = L"hrq_updater_launch_wnd_class_name";
const wchar_t kTitleZh[] = L"升级程序";
const wchar_t kTitleEn[] = L"Update Program";
const DWORD kStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
const DWORD kExStyle = WS_EX_WINDOWEDGE;
const UINT kIconId = 101;

} // namespace

CLaunchWnd::CLaunchWnd()
{
    Create(nullptr, ConfigParser::Instance().chineseUi ? kTitleZh : kTitleEn, kStyle, kExStyle);
    SetWindowIcon(kIconId);
}

LPCWSTR CLaunchWnd::GetRegisteredClassName() const
{
    return kClassName;
}

QxUI::CUIString CLaunchWnd::GetSkinXmlName()
{
    return LayoutFor(L"LaunchWnd");
}

void CLaunchWnd::OnUINotify(QxUI::UINotification& msg)
{
    if (!msg.pSender)
        return;
    // The first tab stop, the close button, takes the focus when the window is first shown:
    // focus moves are not the user closing the window.
    if (msg.sType == L"setfocus" || msg.sType == L"killfocus")
        return;
    const QxUI::CUIString name = msg.pSender->GetName();
    // The launch button says "open it now": the client is started once the window is gone,
    // so it confirms as the close button does.
    if (name == L"closeButton" || (name == L"launchButton" && msg.sType == L"click"))
        Close(kConfirm);
}
