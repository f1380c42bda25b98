// The skin builder and the skin format: resource declarations and window settings of the root
// element, then one control per element through the class table, the plug-in factories and the
// caller's callback.

#include "skin/UIBuilder.h"

#include <cwchar>
#include <cstdlib>
#include <memory>
#include <new>

#include "core/UIAttributeValues.h"
#include "core/UIButton.h"
#include "core/UIContainer.h"
#include "core/UIControl.h"
#include "core/UILabel.h"
#include "core/UILayouts.h"
#include "core/UIManager.h"
#include "core/UIProgress.h"
#include "core/UIScrollBar.h"
#include "core/UIText.h"

// Extended controls, by family: lists, combo box, tree view;
#include "controls/UICombo.h"
#include "controls/UIList.h"
#include "controls/UIListElement.h"
#include "controls/UITreeView.h"

// options, slider, tile/tab layouts;
#include "controls/UIOption.h"
#include "controls/UISlider.h"
#include "controls/UITabLayout.h"
#include "controls/UITileLayout.h"

// edit, date/time picker, rich edit;
#include "controls/UIDateTime.h"
#include "controls/UIEdit.h"
#include "controls/UIRichEdit.h"

// ActiveX host, web browser.
#include "controls/UIActiveX.h"
#include "controls/UIWebBrowser.h"

// The child layout, which builds its children with this builder.
#include "skin/UIChildLayout.h"

namespace QxUI {

namespace {

// Read into buffers of this size, at most one less.
constexpr int kIncludeValueSize = 500;

const WCHAR kErrTooDeep[] = L"Controls nested too deep";

template <class T>
CControlUI* MakeNew()
{
    return new (std::nothrow) T;
}

struct ControlClass
{
    LPCWSTR name;
    CControlUI* (*make)();
};

// The element names of the framework's controls. The table and the engine that uses it sit in
// the skin layer, above the core and the controls, as the one part that knows every control
// class: neither lower layer includes it, and nothing registers itself in it.
const ControlClass kControlClasses[] = {
    // Core controls and layouts.
    {L"Text", &MakeNew<CTextUI>},
    {L"Label", &MakeNew<CLabelUI>},
    {L"Button", &MakeNew<CButtonUI>},
    {L"Control", &MakeNew<CControlUI>},
    {L"Progress", &MakeNew<CProgressUI>},
    {L"Container", &MakeNew<CContainerUI>},
    {L"ScrollBar", &MakeNew<CScrollBarUI>},
    {L"VerticalLayout", &MakeNew<CVerticalLayoutUI>},
    {L"HorizontalLayout", &MakeNew<CHorizontalLayoutUI>},
    // Lists, combo box, tree view.
    {L"List", &MakeNew<CListUI>},
    {L"Combo", &MakeNew<CComboUI>},
    {L"ListHeader", &MakeNew<CListHeaderUI>},
    {L"ListHeaderItem", &MakeNew<CListHeaderItemUI>},
    {L"ListTextElement", &MakeNew<CListTextElementUI>},
    {L"ListLabelElement", &MakeNew<CListLabelElementUI>},
    {L"ListContainerElement", &MakeNew<CListContainerElementUI>},
    {L"TreeView", &MakeNew<CTreeViewUI>},
    {L"TreeNode", &MakeNew<CTreeNodeUI>},

    // Options, slider, tile/tab/child layouts.
    {L"Option", &MakeNew<COptionUI>},
    {L"Slider", &MakeNew<CSliderUI>},
    {L"CheckBox", &MakeNew<CCheckBoxUI>},
    {L"TabLayout", &MakeNew<CTabLayoutUI>},
    {L"TileLayout", &MakeNew<CTileLayoutUI>},
    {L"ChildLayout", &MakeNew<CChildLayoutUI>},

    // Edit, date/time picker, rich edit.
    {L"Edit", &MakeNew<CEditUI>},
    {L"DateTime", &MakeNew<CDateTimeUI>},
    {L"RichEdit", &MakeNew<CRichEditUI>},

    // ActiveX host, web browser.
    {L"ActiveX", &MakeNew<CActiveXUI>},
    {L"WebBrowser", &MakeNew<CWebBrowserUI>},
};

bool SameName(LPCWSTR a, LPCWSTR b)
{
    return a && b && _wcsicmp(a, b) == 0;
}

} // namespace

CUILayoutBuilder::CUILayoutBuilder() : m_pBudget(std::make_shared<Budget>()) {}

CUILayoutBuilder::~CUILayoutBuilder()
{
    m_xml.Release();
}

CControlUI* CUILayoutBuilder::Create(LPCWSTR layout, LPCWSTR resourceType,
                                     IDialogBuilderCallback* callback, CUIWindowManager* manager,
                                     CControlUI* parent)
{
    if (!layout)
        return nullptr;
    if (IS_INTRESOURCE(layout)) {
        if (!resourceType)
            return nullptr;
        const HINSTANCE module = CUIWindowManager::GetResourceInstance();
        HRSRC resource = ::FindResourceW(module, layout, resourceType);
        if (!resource)
            return nullptr;
        HGLOBAL loaded = ::LoadResource(module, resource);
        if (!loaded)
            return nullptr;
        const BYTE* bytes = static_cast<const BYTE*>(::LockResource(loaded));
        const DWORD size = ::SizeofResource(module, resource);
        m_pCallback = callback;
        const bool read = bytes && m_xml.LoadFromMemory(bytes, size, CUIXmlReader::kEncodingUtf8);
        ::FreeResource(loaded);
        if (!read)
            return nullptr;
        m_pstrResourceType = resourceType;
    } else if (layout[0] == L'<') {
        if (!m_xml.LoadFromString(layout))
            return nullptr;
    } else {
        m_sFile = layout;
        if (!m_xml.LoadFromFile(layout, CUIXmlReader::kEncodingUtf8))
            return nullptr;
    }
    return BuildFromRoot(callback, manager, parent);
}

CControlUI* CUILayoutBuilder::BuildFromRoot(IDialogBuilderCallback* callback,
                                            CUIWindowManager* manager, CControlUI* parent)
{
    m_pCallback = callback;
    m_bFailed = false;
    m_pDocument = std::make_shared<const Document>(Document{m_sFile, m_nIncludeDepth, m_pAbove});
    CUIXmlNode root = m_xml.GetRoot();
    if (!root.IsValid())
        return nullptr;
    if (manager) {
        LoadResourceDeclarations(root, manager);
        if (SameName(root.GetName(), L"Window") && manager->GetPaintWindow())
            ApplyWindowAttributes(root, manager);
    }
    return ParseChildren(root, parent, manager);
}

void CUILayoutBuilder::LoadResourceDeclarations(CUIXmlNode& root, CUIWindowManager* manager)
{
    for (CUIXmlNode node = root.GetFirstChild(); node.IsValid(); node = node.GetNextSibling()) {
        LPCWSTR element = node.GetName();
        const int count = node.GetAttributeCount();
        if (SameName(element, L"Image")) {
            LPCWSTR name = nullptr;
            LPCWSTR type = nullptr;
            DWORD mask = 0;
            bool shared = false;
            for (int i = 0; i < count; ++i) {
                LPCWSTR attr = node.GetAttributeName(i);
                LPCWSTR value = node.GetAttributeValue(i);
                if (SameName(attr, L"name"))
                    name = value;
                else if (SameName(attr, L"restype"))
                    type = value;
                else if (SameName(attr, L"mask"))
                    mask = AttributeHexColor(value);
                else if (SameName(attr, L"shared"))
                    shared = AttributeIsTrueIgnoringCase(value);
            }
            // "shared" keeps a copy of the pixels; the image itself stays this window's.
            if (name)
                manager->AddImage(name, type, mask, shared, false);
        } else if (SameName(element, L"Font")) {
            int id = -1;
            LPCWSTR face = nullptr;
            int size = 12;
            bool bold = false, underline = false, italic = false, isDefault = false,
                 shared = false;
            for (int i = 0; i < count; ++i) {
                LPCWSTR attr = node.GetAttributeName(i);
                LPCWSTR value = node.GetAttributeValue(i);
                if (SameName(attr, L"id"))
                    id = AttributeInt(value);
                else if (SameName(attr, L"name"))
                    face = value;
                else if (SameName(attr, L"size"))
                    size = AttributeInt(value);
                else if (SameName(attr, L"bold"))
                    bold = AttributeIsTrueIgnoringCase(value);
                else if (SameName(attr, L"underline"))
                    underline = AttributeIsTrueIgnoringCase(value);
                else if (SameName(attr, L"italic"))
                    italic = AttributeIsTrueIgnoringCase(value);
                else if (SameName(attr, L"default"))
                    isDefault = AttributeIsTrueIgnoringCase(value);
                else if (SameName(attr, L"shared"))
                    shared = AttributeIsTrueIgnoringCase(value);
            }
            if (id >= 0 && face) {
                manager->AddFont(id, face, size, bold, underline, italic, shared);
                if (isDefault)
                    manager->SetDefaultFont(face, size, bold, underline, italic, shared);
            }
        } else if (SameName(element, L"Default")) {
            LPCWSTR name = nullptr;
            LPCWSTR value = L"";
            bool shared = false;
            for (int i = 0; i < count; ++i) {
                LPCWSTR attr = node.GetAttributeName(i);
                if (SameName(attr, L"name"))
                    name = node.GetAttributeValue(i);
                else if (SameName(attr, L"value"))
                    value = node.GetAttributeValue(i);
                else if (SameName(attr, L"shared"))
                    shared = AttributeIsTrueIgnoringCase(node.GetAttributeValue(i));
            }
            if (name)
                manager->AddDefaultAttributes(name, value, shared);
        } else if (SameName(element, L"MultiLanguage")) {
            int id = -1;
            LPCWSTR value = nullptr;
            for (int i = 0; i < count; ++i) {
                LPCWSTR attr = node.GetAttributeName(i);
                if (SameName(attr, L"id"))
                    id = AttributeInt(node.GetAttributeValue(i));
                else if (SameName(attr, L"value"))
                    value = node.GetAttributeValue(i);
            }
            if (id >= 0 && value)
                CUIWindowManager::AddLanguageText(id, value);
        }
    }
}

void CUILayoutBuilder::ApplyWindowAttributes(CUIXmlNode& root, CUIWindowManager* manager)
{
    const int count = root.GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        LPCWSTR attr = root.GetAttributeName(i);
        LPCWSTR value = root.GetAttributeValue(i);
        if (SameName(attr, L"size")) {
            const SIZE size = AttributeDecimalSize(value);
            manager->SetInitialSize(size.cx, size.cy);
        } else if (SameName(attr, L"sizebox")) {
            manager->SetResizeBorder(AttributeDecimalRect(value));
        } else if (SameName(attr, L"caption")) {
            manager->SetCaptionArea(AttributeDecimalRect(value));
        } else if (SameName(attr, L"roundcorner")) {
            const SIZE size = AttributeDecimalSize(value);
            manager->SetRoundCorner(size.cx, size.cy);
        } else if (SameName(attr, L"mininfo")) {
            const SIZE size = AttributeDecimalSize(value);
            manager->SetMinTrackSize(size.cx, size.cy);
        } else if (SameName(attr, L"maxinfo")) {
            const SIZE size = AttributeDecimalSize(value);
            manager->SetMaxTrackSize(size.cx, size.cy);
        } else if (SameName(attr, L"showdirty")) {
            manager->SetShowDirtyRects(AttributeIsTrueIgnoringCase(value));
        } else if (SameName(attr, L"alpha")) {
            manager->SetWindowAlpha(AttributeInt(value));
        } else if (SameName(attr, L"bktrans")) {
            manager->SetTransparentBackground(AttributeIsTrueIgnoringCase(value));
        } else if (SameName(attr, L"disabledfontcolor")) {
            manager->SetDisabledTextColor(AttributeHexColor(value), false);
        } else if (SameName(attr, L"defaultfontcolor")) {
            manager->SetDefaultTextColor(AttributeHexColor(value), false);
        } else if (SameName(attr, L"linkfontcolor")) {
            manager->SetLinkTextColor(AttributeHexColor(value), false);
        } else if (SameName(attr, L"linkhoverfontcolor")) {
            manager->SetLinkHoverTextColor(AttributeHexColor(value), false);
        } else if (SameName(attr, L"selectedcolor")) {
            manager->SetSelectedColor(AttributeHexColor(value), false);
        }
    }
}

CControlUI* CUILayoutBuilder::MakeControl(LPCWSTR name, IDialogBuilderCallback* callback)
{
    const size_t length = wcslen(name);
    for (const ControlClass& entry : kControlClasses) {
        if (wcslen(entry.name) == length && _wcsicmp(entry.name, name) == 0)
            return entry.make();
    }
    CUIPtrArray* factories = CUIWindowManager::GetControlFactories();
    for (int i = 0; i < factories->GetSize(); ++i) {
        ControlFactoryProc factory = reinterpret_cast<ControlFactoryProc>(factories->GetAt(i));
        if (!factory)
            continue;
        if (CControlUI* control = factory(name))
            return control;
    }
    return callback ? callback->CreateCustomControl(name) : nullptr;
}

void CUILayoutBuilder::Charge::Refund()
{
    if (m_budget) {
        m_budget->includes += m_includes;
        m_budget->childLayouts += m_childLayouts;
    }
    m_budget.reset();
    m_includes = 0;
    m_childLayouts = 0;
}

// This fresh builder loads a document for `outer`'s: one level deeper, in the same budget.
void CUILayoutBuilder::NestIn(CUILayoutBuilder& outer)
{
    m_pAbove = outer.m_pDocument;
    m_nIncludeDepth = outer.m_nIncludeDepth + 1;
    m_pBudget = outer.m_pBudget;
    m_pCharge = outer.m_pCharge;
}

// File names are compared as the file system and the skin zip compare them: ignoring case.
bool CUILayoutBuilder::Loads(const Document* document, LPCWSTR file)
{
    for (; document; document = document->outer.get()) {
        if (!document->file.IsEmpty() && _wcsicmp(document->file.GetData(), file) == 0)
            return true;
    }
    return false;
}

bool CUILayoutBuilder::AdmitChildLayout(const Origin& origin, LPCWSTR file, Charge& charge)
{
    charge.Refund();
    if (!file)
        return false;
    if (const Document* maker = origin.document.get()) {
        if (maker->depth >= kMaxIncludeDepth || Loads(maker, file))
            return false;
        m_pAbove = origin.document;
        m_nIncludeDepth = maker->depth + 1;
    }
    if (origin.budget)
        m_pBudget = origin.budget;
    if (m_pBudget->childLayouts <= 0)
        return false;
    --m_pBudget->childLayouts;
    charge.m_budget = m_pBudget;
    charge.m_childLayouts = 1;
    m_pCharge = &charge;
    return true;
}

void CUILayoutBuilder::BuildInclude(CUIXmlNode& node, CControlUI* parent,
                                    CUIWindowManager* manager)
{
    WCHAR countText[kIncludeValueSize] = {};
    WCHAR source[kIncludeValueSize] = {};
    int count = 1;
    if (node.GetAttributeValue(L"count", countText, kIncludeValueSize - 1))
        count = AttributeInt(countText);
    if (!node.GetAttributeValue(L"source", source, kIncludeValueSize - 1))
        return;
    if (m_nIncludeDepth >= kMaxIncludeDepth)
        return;
    for (int i = 0; i < count && m_pBudget->includes > 0; ++i) {
        --m_pBudget->includes;
        if (m_pCharge)
            ++m_pCharge->m_includes;
        CUILayoutBuilder builder;
        builder.NestIn(*this);
        // The included top level joins this level.
        builder.m_nDepth = m_nDepth - 1;
        CControlUI* first;
        if (m_pstrResourceType) {
            const WORD id = LOWORD(static_cast<DWORD>(AttributeInt(source)));
            first = builder.Create(MAKEINTRESOURCEW(id), m_pstrResourceType, m_pCallback,
                                   manager, parent);
        } else {
            first = builder.Create(source, nullptr, m_pCallback, manager, parent);
        }
        // Without a parent nobody would own what the include built.
        if (!parent)
            delete first;
        if (builder.m_bFailed) {
            m_xml.SetError(builder.GetErrorMessage(), nullptr);
            m_bFailed = true;
            return;
        }
    }
}

namespace {

// A "TreeNode" element: added to the enclosing node at once, or, at the top of a subtree, to
// the tree view once its own children are built. False when the level must stop.
bool BuildTreeNode(CUILayoutBuilder& builder, CUIXmlNode& element, CControlUI* parent,
                   CUIWindowManager* manager)
{
    CTreeNodeUI* parentNode =
        parent ? static_cast<CTreeNodeUI*>(parent->AsInterface(L"TreeNode")) : nullptr;
    CTreeNodeUI* node = new (std::nothrow) CTreeNodeUI;
    if (!node)
        return true;
    if (parentNode && !parentNode->Add(node)) {
        delete node;
        return true;
    }
    if (manager) {
        node->SetManager(manager, nullptr, false);
        node->ApplyAttributeList(manager->GetDefaultAttributes(element.GetName()));
    }
    const int count = element.GetAttributeCount();
    for (int i = 0; i < count; ++i)
        node->SetAttribute(element.GetAttributeName(i), element.GetAttributeValue(i));
    if (element.HasChildren())
        builder.ParseChildren(element, node, manager);
    if (parentNode)
        return true;
    CTreeViewUI* tree =
        parent ? static_cast<CTreeViewUI*>(parent->AsInterface(L"TreeView")) : nullptr;
    if (!tree) {
        delete node;
        return false;
    }
    if (!tree->AddNode(node))
        delete node;
    return true;
}

} // namespace

// A limit was met below this level: what this level made goes too, unless a parent owns it.
CControlUI* CUILayoutBuilder::Abandon(CControlUI* result, CControlUI* parent)
{
    if (!parent)
        delete result;
    return nullptr;
}

CControlUI* CUILayoutBuilder::ParseChildren(CUIXmlNode& node, CControlUI* parent,
                                            CUIWindowManager* manager)
{
    struct Level
    {
        explicit Level(int& depth) : depth(depth) { ++depth; }
        ~Level() { --depth; }
        int& depth;
    } level(m_nDepth);
    if (m_bFailed)
        return nullptr;
    IContainerUI* container = nullptr;
    CControlUI* result = nullptr;
    for (CUIXmlNode child = node.GetFirstChild(); child.IsValid();
         child = child.GetNextSibling()) {
        LPCWSTR name = child.GetName();
        if (SameName(name, L"Image") || SameName(name, L"Font") || SameName(name, L"Default") ||
            SameName(name, L"MultiLanguage"))
            continue;
        if (SameName(name, L"Include")) {
            if (child.HasAttributes())
                BuildInclude(child, parent, manager);
            if (m_bFailed)
                return Abandon(result, parent);
            continue;
        }

        if (SameName(name, L"TreeNode")) {
            if (m_nDepth > kMaxNesting) {
                m_xml.SetError(kErrTooDeep, name);
                m_bFailed = true;
                return Abandon(result, parent);
            }
            // A node outside a tree view ends the level; what the level made goes too.
            if (!BuildTreeNode(*this, child, parent, manager))
                return Abandon(result, parent);
            if (m_bFailed)
                return Abandon(result, parent);
            continue;
        }

        CControlUI* control = MakeControl(name, m_pCallback);
        if (!control)
            continue;
        // Filled only when it joins a window, a child layout still loads its file in this
        // build, below this document.
        if (auto* layout = static_cast<CChildLayoutUI*>(control->AsInterface(L"ChildLayout")))
            layout->SetOrigin(Origin{m_pBudget, m_pDocument});
        if (m_nDepth > kMaxNesting) {
            delete control;
            m_xml.SetError(kErrTooDeep, name);
            m_bFailed = true;
            return Abandon(result, parent);
        }
        if (child.HasChildren()) {
            ParseChildren(child, control, manager);
            if (m_bFailed) {
                delete control;
                return Abandon(result, parent);
            }
        }
        CControlUI* holder = parent;
        if (CTreeNodeUI* parentNode =
                parent ? static_cast<CTreeNodeUI*>(parent->AsInterface(L"TreeNode")) : nullptr) {
            // Other controls inside a node go into its row.
            holder = parentNode->GetRowLayout();
            parentNode->GetRowLayout()->Add(control);
        } else if (parent) {
            if (!container)
                container = static_cast<IContainerUI*>(parent->AsInterface(L"IContainer"));
            if (!container) {
                delete control;
                return nullptr;
            }
            if (!container->Add(control)) {
                delete control;
                continue;
            }
        }
        if (manager) {
            control->SetManager(manager, nullptr, false);
            control->ApplyAttributeList(manager->GetDefaultAttributes(name));
        }
        const int count = child.GetAttributeCount();
        for (int i = 0; i < count; ++i)
            control->SetAttribute(child.GetAttributeName(i), child.GetAttributeValue(i));
        if (manager) {
            // A parent that already lives in a window keeps its new child bound, as Add left it.
            CUIWindowManager* live = holder ? holder->GetManager() : nullptr;
            control->SetManager(live, live ? holder : nullptr, false);
        }
        if (!result)
            result = control;
        else if (!parent)
            delete control;   // a later top-level control that nothing could own
    }
    return result;
}

} // namespace QxUI
