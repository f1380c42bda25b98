// Child layout: a container filled from another layout file when it joins a window. The one
// control that loads skins, it lives in the skin layer with the builder it calls.
#pragma once

#include <windows.h>

#include "core/UIContainer.h"
#include "core/UIString.h"
#include "skin/UIBuilder.h"

namespace QxUI {

// The skin element "ChildLayout". It answers no container interface, so a skin cannot put
// children into it: they come from its "xmlfile" only.
class CChildLayoutUI : public CContainerUI
{
public:
    ~CChildLayoutUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void Init() override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;

    CUIString GetLayoutFile() const { return m_sXmlFile; }
    void SetLayoutFile(LPCWSTR file);
    // The build that made this layout, whose budget and chain of files its fills join.
    void SetOrigin(const CUILayoutBuilder::Origin& origin) { m_origin = origin; }

protected:
    CUIString m_sXmlFile;

private:
    static CControlUI* CALLBACK RefundFillCallback(CControlUI* control, LPVOID data);

    CUILayoutBuilder::Origin m_origin;
    CUILayoutBuilder::Charge m_fill;
};

} // namespace QxUI
