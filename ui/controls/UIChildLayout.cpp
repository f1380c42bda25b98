// Child layout: builds its one child from its layout file.

#include "controls/UIChildLayout.h"

#include <cwchar>
#include <memory>
#include <new>

#include "core/UIBuilder.h"

namespace QxUI {

namespace {

// How many child layouts are being filled on this thread right now: filling one binds the
// built tree to the window, which fills the child layouts inside it before returning.
thread_local int t_nesting = 0;

class NestingScope
{
public:
    NestingScope() { ++t_nesting; }
    ~NestingScope() { --t_nesting; }
    NestingScope(const NestingScope&) = delete;
    NestingScope& operator=(const NestingScope&) = delete;
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
    if (t_nesting >= kMaxNesting)
        return;
    NestingScope scope;
    // On the heap: nested layouts keep one builder each alive on this stack.
    std::unique_ptr<CUILayoutBuilder> builder(new (std::nothrow) CUILayoutBuilder);
    if (!builder)
        return;
    CControlUI* root = builder->Create(m_sXmlFile.GetData(), nullptr, nullptr, m_pManager, nullptr);
    if (!root || !Add(root)) {
        delete root;
        RemoveAll();
    }
}

} // namespace QxUI
