// The tree view: a list whose rows are tree nodes in depth-first order; each node row holds an
// indentation line, a folder button, a check box and the item button with the text.
#pragma once

#include <windows.h>

#include "controls/UIList.h"
#include "controls/UIListElement.h"
#include "core/UIEvents.h"
#include "core/UILayouts.h"
#include "core/UIPtrArray.h"

namespace QxUI {

class CCheckBoxUI;
class CLabelUI;
class COptionUI;
class CTreeViewUI;

class CTreeNodeUI : public CListContainerElementUI
{
public:
    explicit CTreeNodeUI(CTreeNodeUI* parent = nullptr);
    ~CTreeNodeUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void OnEvent(UIEvent& event) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    // Tree nodes become child nodes; anything else goes into the node's own container.
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool Select(bool select = true) override;

    // False, the child not recorded, when the tree view could not take it: it is the caller's
    // again, in no list and in no tree view.
    bool AddChildNode(CTreeNodeUI* node);
    CTreeNodeUI* GetChildNode(int index) const;
    int GetChildCount() const { return m_aTreeNodes.GetSize(); }
    bool HasChildren() const { return GetChildCount() > 0; }
    CUIPtrArray GetChildNodes() const { return m_aTreeNodes; }
    CUIString GetItemText() const;
    CTreeNodeUI* GetParentNode() const { return m_pParentTreeNode; }
    void SetParentNode(CTreeNodeUI* parent) { m_pParentTreeNode = parent; }
    CTreeViewUI* GetTreeView() const { return m_pTreeView; }
    void SetTreeView(CTreeViewUI* treeView) { m_pTreeView = treeView; }
    int GetTreeIndex() const;
    CTreeNodeUI* GetLastNode();
    bool IsExpandedFlag() const { return m_bExpanded; }
    void SetExpandedFlag(bool expanded) { m_bExpanded = expanded; }

    void SetItemTextColor(DWORD color);
    DWORD GetItemTextColor() const { return m_dwItemTextColor; }
    void SetItemHotTextColor(DWORD color) { m_dwItemHotTextColor = color; RepaintItem(); }
    DWORD GetItemHotTextColor() const { return m_dwItemHotTextColor; }
    void SetSelItemTextColor(DWORD color) { m_dwSelItemTextColor = color; RepaintItem(); }
    DWORD GetSelItemTextColor() const { return m_dwSelItemTextColor; }
    void SetSelItemHotTextColor(DWORD color) { m_dwSelItemHotTextColor = color; RepaintItem(); }
    DWORD GetSelItemHotTextColor() const { return m_dwSelItemHotTextColor; }

    CHorizontalLayoutUI* GetRowLayout() const { return m_pHoriz; }
    CCheckBoxUI* GetFolderButton() const { return m_pFolderButton; }
    CLabelUI* GetDottedLine() const { return m_pDottedLine; }
    CCheckBoxUI* GetCheckBox() const { return m_pCheckBox; }
    COptionUI* GetItemButton() const { return m_pItemButton; }

private:
    friend class CTreeViewUI;
    void PrepareChild(CTreeNodeUI* child);
    // Undoes the recording and PrepareChild for a child that could not join.
    void ReleaseChild(CTreeNodeUI* child);
    // Takes the child out of the child list, by identity, and forgets being its parent.
    void DropChild(CTreeNodeUI* child);

    bool m_bExpanded = true;
    DWORD m_dwItemTextColor = 0;
    DWORD m_dwItemHotTextColor = 0;
    DWORD m_dwSelItemTextColor = 0;
    DWORD m_dwSelItemHotTextColor = 0;
    CTreeViewUI* m_pTreeView = nullptr;
    CHorizontalLayoutUI* m_pHoriz = nullptr;
    CCheckBoxUI* m_pFolderButton = nullptr;
    CLabelUI* m_pDottedLine = nullptr;
    CCheckBoxUI* m_pCheckBox = nullptr;
    COptionUI* m_pItemButton = nullptr;
    CTreeNodeUI* m_pParentTreeNode = nullptr;
    CUIPtrArray m_aTreeNodes;
};

class CTreeViewUI : public CListUI, public INotifyUI
{
public:
    CTreeViewUI();
    // Nodes that outlive the tree (a body that does not own them) keep no delegate of it.
    ~CTreeViewUI() override;

    LPCWSTR GetClass() const override;
    LPVOID AsInterface(LPCWSTR name) override;
    void SetAttribute(LPCWSTR name, LPCWSTR value) override;
    // A node goes with its whole subtree, as through RemoveAt.
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void OnUINotify(UINotification&) override {}

    // Enters the node and its whole subtree at the end of the list.
    virtual bool AddNode(CTreeNodeUI* node);
    virtual bool InsertNodeBefore(CTreeNodeUI* node, CTreeNodeUI* existing);
    // Enters the node and its subtree at a list index (the count appends); the index after
    // the subtree, or -1 when it could not enter (none of it is left in the list and it is the
    // caller's again). A handler that took it out again has done with it: that is no failure.
    virtual int InsertNode(CTreeNodeUI* node, int index);
    // Takes the node's rows and its descendants' out of the list and out of their parents'
    // child lists.
    virtual bool RemoveNode(CTreeNodeUI* node);
    virtual bool OnNodeCheckChanged(void* notification);
    virtual bool OnNodeFolderChanged(void* notification);
    virtual bool OnNodeDoubleClick(void* notification);
    virtual bool CheckSubtree(bool checked, CTreeNodeUI* node);
    virtual bool ExpandSubtree(bool expand, CTreeNodeUI* node);
    virtual void ShowFolderButtons(bool show);
    virtual bool AreFolderButtonsShown() const { return m_bVisibleFolderBtn; }
    virtual void ShowCheckBoxes(bool show);
    virtual bool AreCheckBoxesShown() const { return m_bVisibleCheckBtn; }
    virtual void SetNodeMinWidth(int width);
    virtual int GetNodeMinWidth() const { return m_uItemMinWidth; }
    virtual void SetNodeTextColor(DWORD color);
    virtual void SetNodeHotTextColor(DWORD color);
    virtual void SetNodeSelectedTextColor(DWORD color);
    virtual void SetNodeSelectedHotTextColor(DWORD color);

protected:
    // The tree takes back its delegates from every node that leaves its list. A node that lives
    // on forgets the tree and keeps its subtree; one that goes leaves its parent's child list,
    // and its listed children forget it.
    void OnItemLeaving(CControlUI* item) override;

private:
    friend class CTreeNodeUI;
    // Delegates, the parts' visibility and the minimum width: what a node gets on entering.
    void Adopt(CTreeNodeUI* node);
    // Hangs the delegates on the node, or takes them back.
    void HangDelegates(CTreeNodeUI* node, bool hang);
    // The tree's part of a row leaving (OnItemLeaving).
    void ForgetNode(CControlUI* item);
    CTreeNodeUI* NodeAt(int index) const;
    // Enters the node at the row and its subtree after it; the row after the subtree, or -1
    // when the node could not be entered. A child that cannot be entered is passed over, or,
    // when the subtree must enter whole, fails the entry (InsertNode takes the subtree out).
    int EnterSubtree(CTreeNodeUI* node, int index, bool whole);
    // Enters the parent's child at `at`, whole, in its place; true too when the parent is no
    // row (the child is only recorded).
    bool EnterChild(CTreeNodeUI* parent, int at);
    // Where the parent's child at `at` goes: after the listed subtree of the nearest listed
    // sibling before it, else right after the parent; -1 when the parent is no row.
    int RowFor(CTreeNodeUI* parent, int at) const;
    // The node's row, or -1.
    int RowOf(CTreeNodeUI* node) const;
    // The row after the node's listed subtree; `none` when the node is no row.
    int RowAfter(CTreeNodeUI* node, int none) const;
    // RemoveNode without the class check, for descendants of any node class.
    void RemoveSubtree(CTreeNodeUI* node);
    // Takes the node and its listed descendants out of the list without freeing them.
    void DetachSubtree(CTreeNodeUI* node);
    // The folder button or check box of every row shown or hidden.
    void ShowRowPart(CCheckBoxUI* (CTreeNodeUI::*part)() const, bool show);
    // The node is a row of this tree (it is its owner): no search of the rows.
    bool Lists(CTreeNodeUI* node) const;

    int m_uItemMinWidth = 0;
    bool m_bVisibleFolderBtn = true;
    bool m_bVisibleCheckBtn = false;
    bool m_bTakingBack = false;     // a failed entry takes its subtree out, whole
};

} // namespace QxUI
