// Child layout: a container filled from another layout file when it joins a window. The one
// control that loads skins, it lives in the skin layer with the builder it calls.
#pragma once

#include <windows.h>

#include "core/UIContainer.h"
#include "core/UIString.h"

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

protected:
    CUIString m_sXmlFile;
};

} // namespace QxUI
