// The skin builder: turns a layout document into a control tree for one window manager, with
// the window-wide fonts, images, default attribute lists and settings its root declares.
#pragma once

#include <windows.h>

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

    // Readies this fresh builder to load `file` for a child layout of a document that `outer`
    // builds (null when none is being built): false when that file is being loaded further up
    // the chain, the chain is too deep or the build has made all the child layouts it may.
    bool AdmitChildLayout(CUILayoutBuilder* outer, LPCWSTR file);

    // Documents that load documents (includes and child layouts) nest at most this deep: a
    // skin that includes itself would otherwise recurse until the stack runs out.
    static constexpr int kMaxIncludeDepth = 16;
    // Controls nest at most this deep, included documents counted at the level they join:
    // building, laying out and painting recurse once per level. A deeper skin is not built.
    static constexpr int kMaxNesting = 256;
    // At most this many documents are included in one build, whatever the counts ask.
    static constexpr int kMaxIncludes = 1000;
    // At most this many child layouts are filled in one build: real skins hold a handful, and
    // files that load each other two or more times would otherwise fan out exponentially.
    static constexpr int kMaxChildLayouts = 200;

private:
    void LoadResourceDeclarations(CUIXmlNode& root, CUIWindowManager* manager);
    void ApplyWindowAttributes(CUIXmlNode& root, CUIWindowManager* manager);
    void NestIn(CUILayoutBuilder& outer);
    bool IsLoading(LPCWSTR file) const;
    void BuildInclude(CUIXmlNode& node, CControlUI* parent, CUIWindowManager* manager);
    static CControlUI* MakeControl(LPCWSTR name, IDialogBuilderCallback* callback);
    CControlUI* Abandon(CControlUI* result, CControlUI* parent);

    CUIXmlReader m_xml;
    IDialogBuilderCallback* m_pCallback = nullptr;
    LPCWSTR m_pstrResourceType = nullptr;   // set only for layouts loaded from a resource
    CUIString m_sFile;                      // the file loaded, if it came from one
    CUILayoutBuilder* m_pOuter = nullptr;   // the builder whose document loads this one
    int m_nIncludeDepth = 0;
    int m_nDepth = 0;                       // levels of ParseChildren now running
    bool m_bFailed = false;                 // a limit was met: every level gives up

    struct Budget
    {
        int includes = kMaxIncludes;
        int childLayouts = kMaxChildLayouts;
    };
    Budget m_budget;
    Budget* m_pBudget = &m_budget;          // the outermost builder's
};

} // namespace QxUI
