// Child layout: builds its one child from its layout file.

#include "skin/UIChildLayout.h"

#include <cwchar>
#include <memory>
#include <new>

#include "skin/UIBuilder.h"

namespace QxUI {

namespace {

// The builder of the innermost child layout being filled on this thread: filling one binds the
// built tree to the window, which fills the child layouts inside it before returning, and those
// load their files as documents of this one.
thread_local CUILayoutBuilder* t_filling = nullptr;

class FillingScope
{
public:
    explicit FillingScope(CUILayoutBuilder* builder) : m_outer(t_filling) { t_filling = builder; }
    ~FillingScope() { t_filling = m_outer; }
    FillingScope(const FillingScope&) = delete;
    FillingScope& operator=(const FillingScope&) = delete;

private:
    CUILayoutBuilder* m_outer;
};

} // namespace

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

void CChildLayoutUI::Init()
{
    if (m_sXmlFile.IsEmpty())
        return;
    // Joining a window again builds afresh: the file's tree is always the only child.
    RemoveAll();
    // On the heap: nested layouts keep one builder each alive on this stack.
    std::unique_ptr<CUILayoutBuilder> builder(new (std::nothrow) CUILayoutBuilder);
    if (!builder || !builder->AdmitChildLayout(t_filling, m_sXmlFile.GetData()))
        return;
    FillingScope scope(builder.get());
    CControlUI* root = builder->Create(m_sXmlFile.GetData(), nullptr, nullptr, m_pManager, nullptr);
    if (!root || !Add(root)) {
        delete root;
        RemoveAll();
    }
}

} // namespace QxUI
