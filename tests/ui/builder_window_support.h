// A skinned test window whose skin source the test chooses.
#pragma once

#include "skin/UIWindowImpl.h"

#include "manager_support.h"

namespace buildertest {

class SkinWnd : public QxUI::WindowImplBase
{
public:
    SkinWnd(LPCWSTR xml, QxUI::UISkinSource kind = QxUI::SkinFromFiles, LPCWSTR resource = L"")
        : m_xml(xml), m_kind(kind), m_resource(resource)
    {
    }

    LPCWSTR GetRegisteredClassName() const override { return L"QxBuilderSkinWnd"; }
    QxUI::CUIString GetSkinDirectory() override { return QxUI::CUIString(L""); }
    QxUI::CUIString GetSkinXmlName() override { return QxUI::CUIString(m_xml); }
    QxUI::UISkinSource GetSkinSourceKind() override { return m_kind; }
    LPCWSTR GetSkinResourceId() override { return m_resource; }
    QxUI::CUIString GetSkinZipName() override { return QxUI::CUIString(m_resource); }
    void OnSkinLoaded() override { ++skinLoaded; }

    // Shown without activation (see managertest::HostWnd) and painted once, so that the tree
    // is laid out.
    HWND Open(DWORD style = WS_POPUP | WS_CAPTION)
    {
        managertest::Module();
        if (!Create(nullptr, L"skin", style, 0, 10, 10, 240, 160))
            return nullptr;
        ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
        ::UpdateWindow(m_hWnd);
        return m_hWnd;
    }

    QxUI::CUIWindowManager& Manager() { return m_manager; }
    int skinLoaded = 0;

private:
    LPCWSTR m_xml;
    QxUI::UISkinSource m_kind;
    LPCWSTR m_resource;   // the zip resource, or the zip file for SkinFromZipFile
};

} // namespace buildertest
