#include "TipsBoxWnd.h"

#include "core/UIButton.h"
#include "core/UILabel.h"

namespace {

const wchar_t kClassName[] = L"hrq_updater_tips_wnd_class_name";
const wchar_t kTitle[] = L"Korvelun提示";
const DWORD kStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
                     WS_SYSMENU;
const DWORD kExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;

template <typename Control>
Control* FindAs(QxUI::CUIWindowManager& manager, const wchar_t* name, const wchar_t* kind)
{
    QxUI::CControlUI* control = manager.FindControlByName(name);
    return control ? static_cast<Control*>(control->AsInterface(kind)) : nullptr;
}

} // namespace

CTipsBoxWnd::CTipsBoxWnd(HWND parent, const wchar_t* text, int showCancel)
    : showCancel(showCancel), text(text ? text : L"")
{
    Create(parent, kTitle, kStyle, kExStyle);
}

CTipsBoxWnd::~CTipsBoxWnd() = default;

LPCWSTR CTipsBoxWnd::GetRegisteredClassName() const
{
    return kClassName;
}

void CTipsBoxWnd::OnSkinLoaded()
{
    tipsLabel = FindAs<QxUI::CLabelUI>(m_manager, L"tipsLabel", L"Label");
    cancelButton = FindAs<QxUI::CButtonUI>(m_manager, L"cancelButton", L"Button");
    confirmButton = FindAs<QxUI::CButtonUI>(m_manager, L"confirmButton", L"Button");
    if (cancelButton)
        cancelButton->SetVisible((showCancel & 1) != 0);
    if (tipsLabel)
        tipsLabel->SetText(text.c_str());
}

QxUI::CUIString CTipsBoxWnd::GetSkinXmlName()
{
    return LayoutFor(L"TipsBoxWnd");
}

LRESULT CTipsBoxWnd::OnCreateMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled)
{
    const LRESULT result = CHrqWndBase::OnCreateMessage(msg, wParam, lParam, handled);
    CenterOnOwner();
    return result;
}

void CTipsBoxWnd::OnUINotify(QxUI::UINotification& msg)
{
    if (!(msg.sType == L"click") || !msg.pSender)
        return;
    const QxUI::CUIString name = msg.pSender->GetName();
    if (name == L"closeButton" || name == L"cancelButton")
        Close(kCancel);
    else if (name == L"confirmButton")
        Close(kConfirm);
}
