// Child layout: builds its one child from its layout file.

#include "skin/UIChildLayout.h"

#include <cwchar>
#include <memory>
#include <new>

#include "skin/UIBuilder.h"

namespace QxUI {

CChildLayoutUI::~CChildLayoutUI() = default;

LPCWSTR CChildLayoutUI::GetClass() const
{
    return L"ChildLayoutUI";
}

LPVOID CChildLayoutUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"ChildLayout") == 0)
        return static_cast<CChildLayoutUI*>(this);
    return CControlUI::AsInterface(name);
}

void CChildLayoutUI::SetLayoutFile(LPCWSTR file)
{
    m_sXmlFile = file ? file : L"";
}

void CChildLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (name && value && wcscmp(name, L"xmlfile") == 0)
        SetLayoutFile(value);
    else
        CContainerUI::SetAttribute(name, value);
}

CControlUI* CALLBACK CChildLayoutUI::RefundFillCallback(CControlUI* control, LPVOID)
{
    if (auto* layout = static_cast<CChildLayoutUI*>(control->AsInterface(L"ChildLayout")))
        layout->m_fill.Refund();
    return nullptr;
}

void CChildLayoutUI::Init()
{
    if (m_sXmlFile.IsEmpty())
        return;
    // Joining a window again builds afresh: the file's tree is always the only child. What
    // the last fills of this layout and of those inside it took goes back to the budget first
    // (the old tree may wait for deferred deletion), so that a layout that joins again and
    // again, as a combo box's items do at every opening of its drop-down, is filled each time.
    FindControl(RefundFillCallback, nullptr, UIFIND_ALL);
    RemoveAll();
    // On the heap: nested layouts keep one builder each alive on this stack.
    std::unique_ptr<CUILayoutBuilder> builder(new (std::nothrow) CUILayoutBuilder);
    if (!builder || !builder->AdmitChildLayout(m_origin, m_sXmlFile.GetData(), m_fill))
        return;
    CControlUI* root = builder->Create(m_sXmlFile.GetData(), nullptr, nullptr, m_pManager, nullptr);
    if (!root || !Add(root)) {
        delete root;
        RemoveAll();
    }
}

} // namespace QxUI
