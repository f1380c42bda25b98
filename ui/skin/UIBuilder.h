// The skin builder: turns a layout document into a control tree for one window manager, with
// the window-wide fonts, images, default attribute lists and settings its root declares.
#pragma once

#include <windows.h>

#include <memory>

#include "core/UIString.h"
#include "core/UIXml.h"

namespace QxUI {

class CControlUI;
class CUIWindowManager;

// Makes the controls that neither the builder's class table nor a plug-in factory knows.
class IDialogBuilderCallback
{
public:
    virtual CControlUI* CreateCustomControl(LPCWSTR className) = 0;

protected:
    ~IDialogBuilderCallback() = default;
};

class CUILayoutBuilder
{
public:
    CUILayoutBuilder();
    ~CUILayoutBuilder();
    CUILayoutBuilder(const CUILayoutBuilder&) = delete;
    CUILayoutBuilder& operator=(const CUILayoutBuilder&) = delete;

    // layout: a resource id (MAKEINTRESOURCEW) of the given type, an XML text beginning with
    // "<", or a file in the resource folder or skin zip. Answers the first top-level control,
    // which belongs to the caller.
    CControlUI* Create(LPCWSTR layout, LPCWSTR resourceType = nullptr,
                       IDialogBuilderCallback* callback = nullptr,
                       CUIWindowManager* manager = nullptr, CControlUI* parent = nullptr);
    CControlUI* BuildFromRoot(IDialogBuilderCallback* callback = nullptr,
                              CUIWindowManager* manager = nullptr, CControlUI* parent = nullptr);
    CControlUI* ParseChildren(CUIXmlNode& node, CControlUI* parent, CUIWindowManager* manager);
    // Why the last Create or BuildFromRoot gave null: the reader's error, or a limit below.
    LPCWSTR GetErrorMessage() const { return m_xml.GetErrorMessage(); }

    // Documents that load documents (includes and child layouts) nest at most this deep: a
    // skin that includes itself would otherwise recurse until the stack runs out.
    static constexpr int kMaxIncludeDepth = 16;
    // Controls nest at most this deep, included documents counted at the level they join:
    // building, laying out and painting recurse once per level. A deeper skin is not built.
    static constexpr int kMaxNesting = 256;
    // At most this many documents are included in one build, whatever the counts ask.
    static constexpr int kMaxIncludes = 1000;
    // At most this many child layouts of one build are filled at a time: real skins hold a
    // handful, and files that load each other two or more times would otherwise fan out
    // exponentially.
    static constexpr int kMaxChildLayouts = 200;

    // What a build may still make, shared by every document it loads and every child layout
    // it makes.
    struct Budget
    {
        int includes = kMaxIncludes;
        int childLayouts = kMaxChildLayouts;
    };
    // A document being loaded, and the ones loading it.
    struct Document
    {
        CUIString file;   // empty for an XML text or a resource
        int depth = 0;    // documents above it
        std::shared_ptr<const Document> outer;
    };
    // The build a child layout was made by: its budget and the document that made the layout.
    // Child layouts are filled later, when they join a window, and then load their files as
    // documents of that build. Empty for a child layout made by code.
    struct Origin
    {
        std::shared_ptr<Budget> budget;
        std::shared_ptr<const Document> document;
    };
    // What one fill of a child layout took from its build's budget, given back when the
    // layout is filled again or goes.
    class Charge
    {
    public:
        Charge() = default;
        ~Charge() { Refund(); }
        Charge(const Charge&) = delete;
        Charge& operator=(const Charge&) = delete;
        void Refund();

    private:
        friend class CUILayoutBuilder;
        std::shared_ptr<Budget> m_budget;
        int m_includes = 0;
        int m_childLayouts = 0;
    };

    // Readies this fresh builder to fill a child layout made by `origin` with `file`: false
    // when that file is being loaded further up the chain, the chain is too deep or the build
    // has filled all the child layouts it may. What the fill takes is charged to `charge`.
    bool AdmitChildLayout(const Origin& origin, LPCWSTR file, Charge& charge);

private:
    void LoadResourceDeclarations(CUIXmlNode& root, CUIWindowManager* manager);
    void ApplyWindowAttributes(CUIXmlNode& root, CUIWindowManager* manager);
    void NestIn(CUILayoutBuilder& outer);
    static bool Loads(const Document* document, LPCWSTR file);
    void BuildInclude(CUIXmlNode& node, CControlUI* parent, CUIWindowManager* manager);
    static CControlUI* MakeControl(LPCWSTR name, IDialogBuilderCallback* callback);
    CControlUI* Abandon(CControlUI* result, CControlUI* parent);

    CUIXmlReader m_xml;
    IDialogBuilderCallback* m_pCallback = nullptr;
    LPCWSTR m_pstrResourceType = nullptr;   // set only for layouts loaded from a resource
    CUIString m_sFile;                      // the file loaded, if it came from one
    std::shared_ptr<const Document> m_pAbove;     // the document that loads this one
    std::shared_ptr<const Document> m_pDocument;  // this one, once it is being built
    int m_nIncludeDepth = 0;
    int m_nDepth = 0;                       // levels of ParseChildren now running
    bool m_bFailed = false;                 // a limit was met: every level gives up
    std::shared_ptr<Budget> m_pBudget;      // the build's; an outermost builder starts one
    Charge* m_pCharge = nullptr;            // the child layout fill this document belongs to
};

} // namespace QxUI
