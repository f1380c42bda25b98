// The skin builder: turns a layout document into a control tree for one window manager, with
// the window-wide fonts, images, default attribute lists and settings its root declares.
#pragma once

#include <windows.h>

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

    // Includes deeper than this are not followed: a skin that includes itself would otherwise
    // recurse until the stack runs out.
    static constexpr int kMaxIncludeDepth = 16;
    // Controls nest at most this deep, included documents counted at the level they join:
    // building, laying out and painting recurse once per level. A deeper skin is not built.
    static constexpr int kMaxNesting = 256;
    // At most this many documents are included in one build, whatever the counts ask.
    static constexpr int kMaxIncludes = 1000;

private:
    void LoadResourceDeclarations(CUIXmlNode& root, CUIWindowManager* manager);
    void ApplyWindowAttributes(CUIXmlNode& root, CUIWindowManager* manager);
    void BuildInclude(CUIXmlNode& node, CControlUI* parent, CUIWindowManager* manager);
    static CControlUI* MakeControl(LPCWSTR name, IDialogBuilderCallback* callback);
    CControlUI* Abandon(CControlUI* result, CControlUI* parent);

    CUIXmlReader m_xml;
    IDialogBuilderCallback* m_pCallback = nullptr;
    LPCWSTR m_pstrResourceType = nullptr;   // set only for layouts loaded from a resource
    int m_nIncludeDepth = 0;
    int m_nDepth = 0;                       // levels of ParseChildren now running
    bool m_bFailed = false;                 // a limit was met: every level gives up
    int m_nIncludesLeft = kMaxIncludes;
    int* m_pIncludesLeft = &m_nIncludesLeft;   // the outermost builder's budget
};

} // namespace QxUI
