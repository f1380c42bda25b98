// Tree nodes and the tree view: subtrees entering and leaving the list depth-first, folder
// and check boxes that expand and check whole subtrees through delegates.

#include "controls/UITreeView.h"

#include <cwchar>
#include <cwctype>
#include <unordered_set>

#include "controls/UIListCommon.h"
#include "controls/UIOption.h"
#include "core/UIAttributeValues.h"
#include "core/UILabel.h"

namespace QxUI {

namespace {

using ListCommon::Same;

bool IsTreeNode(CControlUI* control)
{
    return control && control->GetClass() && _wcsicmp(control->GetClass(), L"TreeNodeUI") == 0;
}

// The node whose row holds a folder button or check box that sent a notification.
CTreeNodeUI* NodeOfPart(CControlUI* part)
{
    CControlUI* row = part ? part->GetParent() : nullptr;
    CControlUI* node = row ? row->GetParent() : nullptr;
    return node ? static_cast<CTreeNodeUI*>(node->AsInterface(L"TreeNode")) : nullptr;
}

} // namespace

// ---- CTreeNodeUI ------------------------------------------------------------------------------

CTreeNodeUI::CTreeNodeUI(CTreeNodeUI* parent)
{
    m_pHoriz = new CHorizontalLayoutUI;
    m_pFolderButton = new CCheckBoxUI;
    m_pDottedLine = new CLabelUI;
    m_pCheckBox = new CCheckBoxUI;
    m_pItemButton = new COptionUI;

    SetFixedHeight(18);
    SetFixedWidth(250);
    m_pFolderButton->SetFixedWidth(GetFixedHeight());
    m_pCheckBox->SetFixedWidth(GetFixedHeight());
    m_pDottedLine->SetFixedWidth(2);
    m_pItemButton->SetAttribute(L"align", L"left");
    m_pDottedLine->SetVisible(false);
    m_pCheckBox->SetVisible(false);
    m_pItemButton->SetMouseEnabled(false);

    // A parent that is no tree node is taken as none: the parts always get their row, so
    // they always have an owner.
    if (IsTreeNode(parent)) {
        m_pDottedLine->SetVisible(parent->GetDottedLine()->IsVisible());
        m_pDottedLine->SetFixedWidth(parent->GetDottedLine()->GetFixedWidth() + 16);
        m_pParentTreeNode = parent;
    }
    m_pHoriz->Add(m_pDottedLine);
    m_pHoriz->Add(m_pFolderButton);
    m_pHoriz->Add(m_pCheckBox);
    m_pHoriz->Add(m_pItemButton);
    Add(m_pHoriz);
}

CTreeNodeUI::~CTreeNodeUI()
{
    // Nodes that never entered a tree view belong to nobody else: their parent frees them.
    if (!m_pTreeView) {
        for (int i = 0; i < m_aTreeNodes.GetSize(); ++i) {
            CTreeNodeUI* child = static_cast<CTreeNodeUI*>(m_aTreeNodes[i]);
            if (child && !child->GetTreeView())
                delete child;
        }
    }
    m_aTreeNodes.Empty();
}

LPCWSTR CTreeNodeUI::GetClass() const
{
    return L"TreeNodeUI";
}

LPVOID CTreeNodeUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"TreeNode"))
        return static_cast<CTreeNodeUI*>(this);
    return CListContainerElementUI::AsInterface(name);
}

void CTreeNodeUI::OnEvent(UIEvent& event)
{
    if (PassMouseToOwner(event))
        return;
    CListContainerElementUI::OnEvent(event);
    switch (event.Type) {
    case UIEventType::DoubleClick:
        if (IsEnabled()) {
            RepaintItem();
            if (m_pManager)
                m_pManager->RaiseNotify(this, L"itemdbclick");
        }
        break;
    case UIEventType::MouseEnter:
        if (!IsEnabled())
            m_pItemButton->SetTextColor(m_pItemButton->GetDisabledTextColor());
        else if (IsSelected() && m_dwSelItemHotTextColor != 0)
            m_pItemButton->SetTextColor(m_dwSelItemHotTextColor);
        else
            m_pItemButton->SetTextColor(m_dwItemHotTextColor);
        break;
    case UIEventType::MouseLeave:
        if (!IsEnabled())
            m_pItemButton->SetTextColor(m_pItemButton->GetDisabledTextColor());
        else if (!IsSelected())
            m_pItemButton->SetTextColor(m_dwItemTextColor);
        else if (m_dwSelItemTextColor != 0)
            m_pItemButton->SetTextColor(m_dwSelItemTextColor);
        break;
    default:
        break;
    }
}

void CTreeNodeUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value)
        return;
    if (Same(name, L"text"))
        m_pItemButton->SetText(value);
    else if (Same(name, L"horizattr"))
        m_pHoriz->ApplyAttributeList(value);
    else if (Same(name, L"dotlineattr"))
        m_pDottedLine->ApplyAttributeList(value);
    else if (Same(name, L"folderattr"))
        m_pFolderButton->ApplyAttributeList(value);
    else if (Same(name, L"checkboxattr"))
        m_pCheckBox->ApplyAttributeList(value);
    else if (Same(name, L"itemattr"))
        m_pItemButton->ApplyAttributeList(value);
    else if (Same(name, L"itemtextcolor"))
        SetItemTextColor(AttributeHexColor(value));
    else if (Same(name, L"itemhottextcolor"))
        SetItemHotTextColor(AttributeHexColor(value));
    else if (Same(name, L"selitemtextcolor"))
        SetSelItemTextColor(AttributeHexColor(value));
    else if (Same(name, L"selitemhottextcolor"))
        SetSelItemHotTextColor(AttributeHexColor(value));
    else
        CListContainerElementUI::SetAttribute(name, value);
}

bool CTreeNodeUI::Add(CControlUI* control)
{
    if (IsTreeNode(control))
        return AddChildNode(static_cast<CTreeNodeUI*>(control));
    return CContainerUI::Add(control);
}

void CTreeNodeUI::PrepareChild(CTreeNodeUI* child)
{
    child->m_pDottedLine->SetVisible(true);
    child->m_pDottedLine->SetFixedWidth(m_pDottedLine->GetFixedWidth() + 16);
    child->m_pParentTreeNode = this;
    const CUIString group(m_pItemButton->GetGroup());
    child->m_pItemButton->SetGroup(group.GetData());
    child->m_pTreeView = m_pTreeView;
}

void CTreeNodeUI::ReleaseChild(CTreeNodeUI* child)
{
    DropChild(child);
    child->m_pTreeView = nullptr;
}

void CTreeNodeUI::DropChild(CTreeNodeUI* child)
{
    // From the end, where children are mostly taken.
    for (int i = m_aTreeNodes.GetSize() - 1; i >= 0; --i) {
        if (m_aTreeNodes[i] == child) {
            m_aTreeNodes.Remove(i);
            break;
        }
    }
    if (child->m_pParentTreeNode == this)
        child->m_pParentTreeNode = nullptr;
}

// Entering a child runs init handlers, which may give this node other children meanwhile: a
// refused child is taken back by its identity, never by its place. Refused, the caller keeps
// the node and may free it.
bool CTreeNodeUI::AddChildNode(CTreeNodeUI* node)
{
    if (!IsTreeNode(node))
        return false;
    PrepareChild(node);
    if (!m_aTreeNodes.Add(node) ||
        (m_pTreeView && !m_pTreeView->EnterChild(this, GetChildCount() - 1))) {
        ReleaseChild(node);
        return false;
    }
    return true;
}

bool CTreeNodeUI::AddAt(CControlUI* control, int index)
{
    CTreeNodeUI* node =
        control ? static_cast<CTreeNodeUI*>(control->AsInterface(L"TreeNode")) : nullptr;
    if (!node)
        return false;
    const int at = index >= 0 && index < GetChildCount() ? index : GetChildCount();
    if (!m_aTreeNodes.InsertAt(at, node))
        return false;
    PrepareChild(node);
    if (m_pTreeView && !m_pTreeView->EnterChild(this, at)) {
        ReleaseChild(node);
        return false;
    }
    return true;
}

bool CTreeNodeUI::Remove(CControlUI* control)
{
    const int index = m_aTreeNodes.Find(control);
    if (index < 0)
        return CContainerUI::Remove(control);
    CTreeNodeUI* node = static_cast<CTreeNodeUI*>(control);
    while (node->HasChildren())
        node->Remove(node->GetChildNode(node->GetChildCount() - 1));
    DropChild(node);
    if (m_pTreeView)
        m_pTreeView->RemoveNode(node);
    else if (!node->GetTreeView())
        CUIWindowManager::DeleteControl(node);   // owned by nobody else
    return true;
}

bool CTreeNodeUI::Select(bool select)
{
    const bool result = CListContainerElementUI::Select(select);
    m_pItemButton->SetTextColor(m_bSelected ? m_dwSelItemTextColor : m_dwItemTextColor);
    return result;
}

CTreeNodeUI* CTreeNodeUI::GetChildNode(int index) const
{
    if (index < 0 || index >= m_aTreeNodes.GetSize())
        return nullptr;
    return static_cast<CTreeNodeUI*>(m_aTreeNodes[index]);
}

CUIString CTreeNodeUI::GetItemText() const
{
    return m_pItemButton->GetText();
}

int CTreeNodeUI::GetTreeIndex() const
{
    return m_pTreeView ? m_pTreeView->RowOf(const_cast<CTreeNodeUI*>(this)) : -1;
}

CTreeNodeUI* CTreeNodeUI::GetLastNode()
{
    for (int i = GetChildCount() - 1; i >= 0; --i) {
        if (CTreeNodeUI* child = GetChildNode(i))
            return child->GetLastNode();
    }
    return this;
}

void CTreeNodeUI::SetItemTextColor(DWORD color)
{
    m_dwItemTextColor = color;
    m_pItemButton->SetTextColor(color);
}

// ---- CTreeViewUI ------------------------------------------------------------------------------

CTreeViewUI::CTreeViewUI()
{
    if (m_pHeader)
        m_pHeader->SetVisible(false);
}

LPCWSTR CTreeViewUI::GetClass() const
{
    return L"TreeViewUI";
}

LPVOID CTreeViewUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"TreeView"))
        return static_cast<CTreeViewUI*>(this);
    return CListUI::AsInterface(name);
}

void CTreeViewUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value)
        return;
    if (Same(name, L"visiblefolderbtn"))
        ShowFolderButtons(AttributeIsTrue(value));
    else if (Same(name, L"visiblecheckbtn"))
        ShowCheckBoxes(AttributeIsTrue(value));
    else if (Same(name, L"itemminwidth"))
        SetNodeMinWidth(AttributeInt(value));
    else if (Same(name, L"itemtextcolor"))
        SetNodeTextColor(AttributeHexColor(value));
    else if (Same(name, L"itemhottextcolor"))
        SetNodeHotTextColor(AttributeHexColor(value));
    else if (Same(name, L"selitemtextcolor"))
        SetNodeSelectedTextColor(AttributeHexColor(value));
    else if (Same(name, L"selitemhottextcolor"))
        SetNodeSelectedHotTextColor(AttributeHexColor(value));
    else
        CListUI::SetAttribute(name, value);
}

CTreeNodeUI* CTreeViewUI::NodeAt(int index) const
{
    CControlUI* item = GetItemAt(index);
    return item ? static_cast<CTreeNodeUI*>(item->AsInterface(L"TreeNode")) : nullptr;
}

bool CTreeViewUI::Remove(CControlUI* control)
{
    CTreeNodeUI* node =
        control ? static_cast<CTreeNodeUI*>(control->AsInterface(L"TreeNode")) : nullptr;
    if (node && Lists(node))
        return RemoveNode(node);
    return CListUI::Remove(control);
}

bool CTreeViewUI::RemoveAt(int index)
{
    if (CTreeNodeUI* node = NodeAt(index))
        return RemoveNode(node);
    return CListUI::RemoveAt(index);
}

// Every row forgets the tree here, and the list in the list's destructor.
CTreeViewUI::~CTreeViewUI()
{
    for (int i = 0; i < m_pBody->GetCount(); ++i)
        ForgetNode(m_pBody->GetItemAt(i));
}

// The delegates point at this tree: a node that leaves it, and may live on elsewhere, must not
// call into it once it is gone.
void CTreeViewUI::Adopt(CTreeNodeUI* node)
{
    HangDelegates(node, true);
    node->GetFolderButton()->SetVisible(m_bVisibleFolderBtn);
    node->GetCheckBox()->SetVisible(m_bVisibleCheckBtn);
    if (m_uItemMinWidth > 0)
        node->SetMinWidth(m_uItemMinWidth);
}

void CTreeViewUI::HangDelegates(CTreeNodeUI* node, bool hang)
{
    const struct
    {
        CUIEventSource& source;
        CDelegate<CTreeViewUI> delegate;
    } delegates[] = {
        {node->OnNotifyEvent, CDelegate<CTreeViewUI>(this, &CTreeViewUI::OnNodeDoubleClick)},
        {node->GetFolderButton()->OnNotifyEvent,
         CDelegate<CTreeViewUI>(this, &CTreeViewUI::OnNodeFolderChanged)},
        {node->GetCheckBox()->OnNotifyEvent,
         CDelegate<CTreeViewUI>(this, &CTreeViewUI::OnNodeCheckChanged)},
    };
    for (const auto& entry : delegates) {
        if (hang)
            entry.source.Add(entry.delegate);
        else
            entry.source.Remove(entry.delegate);
    }
}

void CTreeViewUI::OnItemLeaving(CControlUI* item)
{
    ForgetNode(item);
    CListUI::OnItemLeaving(item);
}

void CTreeViewUI::ForgetNode(CControlUI* item)
{
    CTreeNodeUI* node = item ? static_cast<CTreeNodeUI*>(item->AsInterface(L"TreeNode")) : nullptr;
    if (!node)
        return;
    HangDelegates(node, false);
    if (!m_pBody->IsOwningChildren()) {
        // It lives on, and must not call into a tree that is gone, nor be freed with the parent
        // it had here (a failed entry takes its subtree back whole).
        node->SetTreeView(nullptr);
        if (CTreeNodeUI* parent = node->GetParentNode(); parent && !m_bTakingBack)
            parent->DropChild(node);
        return;
    }
    // It goes: nothing of the tree may hold it once it is freed. Its parent leaves first when
    // all rows go, so that this stays linear.
    if (CTreeNodeUI* parent = node->GetParentNode())
        parent->DropChild(node);
    for (int i = node->GetChildCount() - 1; i >= 0; --i) {
        CTreeNodeUI* child = node->GetChildNode(i);
        if (child && Lists(child))
            node->DropChild(child);
    }
}

bool CTreeViewUI::Lists(CTreeNodeUI* node) const
{
    return node && node->GetOwner() == static_cast<const IListOwnerUI*>(this);
}

bool CTreeViewUI::AddNode(CTreeNodeUI* node)
{
    return EnterSubtree(node, GetCount(), false) >= 0;
}

bool CTreeViewUI::InsertNodeBefore(CTreeNodeUI* node, CTreeNodeUI* existing)
{
    if (!node || !existing || GetCount() == 0)
        return false;
    const int index = RowOf(existing);
    if (index < 0)
        return false;
    return InsertNode(node, index) >= 0;
}

int CTreeViewUI::InsertNode(CTreeNodeUI* node, int index)
{
    // The count itself is a valid place: a subtree may end the list.
    if (index < 0 || index > GetCount())
        return -1;
    const int after = EnterSubtree(node, index, true);
    // None of the subtree stays listed: the caller gets it back whole and may free it.
    if (after < 0 && IsTreeNode(node))
        DetachSubtree(node);
    return after;
}

bool CTreeViewUI::EnterChild(CTreeNodeUI* parent, int at)
{
    const int row = RowFor(parent, at);
    return row < 0 || InsertNode(parent->GetChildNode(at), row) >= 0;
}

int CTreeViewUI::RowFor(CTreeNodeUI* parent, int at) const
{
    const int row = RowOf(parent);
    if (row < 0)
        return -1;
    for (int i = at - 1; i >= 0; --i) {
        CTreeNodeUI* sibling = parent->GetChildNode(i);
        if (Lists(sibling))
            return RowAfter(sibling, row + 1);
    }
    return row + 1;
}

// Entering a node runs its init handlers, which may change the tree (enter other subtrees, take
// this node out, give it children): the node's books are kept first, and its children are
// walked from snapshots until a pass meets none it has not met, each child once, so that one a
// handler took out again stays out. A child goes where the rows of the siblings before it end
// at its turn, so that the subtree stays together, depth-first.
int CTreeViewUI::EnterSubtree(CTreeNodeUI* node, int index, bool whole)
{
    if (!IsTreeNode(node))
        return -1;
    Adopt(node);
    if (!CListUI::AddAt(node, index)) {
        HangDelegates(node, false);
        return -1;
    }
    const int row = RowOf(node);
    if (row < 0)
        return index;   // a handler took it out again: nothing of the subtree is entered
    // The node's own state first: a handler of a child entering meets it as a row of this tree.
    node->SetTreeView(this);
    // What the handlers delete waits for this scope: no address met comes back as another node.
    const CUIWindowManager::DispatchScope scope;
    std::unordered_set<CControlUI*> met;
    for (bool more = true; more;) {
        more = false;
        for (CUIControlWalk walk(node->m_aTreeNodes); CControlUI* item = walk.Next();) {
            if (!Lists(node))
                break;   // a handler took it out: its other children stay out
            if (!met.insert(item).second)
                continue;
            more = true;
            // A child that a handler entered already is passed.
            CTreeNodeUI* child = static_cast<CTreeNodeUI*>(item);
            if (!Lists(child) && EnterSubtree(child, RowFor(node, walk.Index()), whole) < 0 &&
                whole)
                return -1;
        }
    }
    return RowAfter(node, row);
}

int CTreeViewUI::RowOf(CTreeNodeUI* node) const
{
    if (!Lists(node))
        return -1;
    // Its own index spares a search of the rows.
    const int index = node->GetIndex();
    return GetItemAt(index) == node ? index : GetItemIndex(node);
}

int CTreeViewUI::RowAfter(CTreeNodeUI* node, int none) const
{
    const int row = RowOf(node);
    if (row < 0)
        return none;
    int after = row + 1;
    for (int i = 0; i < node->GetChildCount(); ++i) {
        if (CTreeNodeUI* child = node->GetChildNode(i))
            after = RowAfter(child, after);
    }
    return after;
}

void CTreeViewUI::DetachSubtree(CTreeNodeUI* node)
{
    const bool owning = m_pBody->IsOwningChildren(), takingBack = m_bTakingBack;
    m_pBody->SetOwningChildren(false);
    m_bTakingBack = true;
    for (int i = node->GetChildCount() - 1; i >= 0; --i) {
        if (CTreeNodeUI* child = node->GetChildNode(i))
            DetachSubtree(child);
    }
    m_pBody->RemoveAt(RowOf(node));   // none when it is no row
    m_pBody->SetOwningChildren(owning);
    m_bTakingBack = takingBack;
}

bool CTreeViewUI::RemoveNode(CTreeNodeUI* node)
{
    if (!IsTreeNode(node))
        return false;
    RemoveSubtree(node);
    return true;
}

void CTreeViewUI::RemoveSubtree(CTreeNodeUI* node)
{
    // Each child leaves the child list before it goes, so that the walk ends and frees nothing
    // twice whatever the child's class or parent pointer.
    while (node->HasChildren()) {
        const int last = node->GetChildCount() - 1;
        CTreeNodeUI* child = node->GetChildNode(last);
        node->m_aTreeNodes.Remove(last);
        if (!child)
            continue;
        const bool ours = child->GetParentNode() == node;
        if (ours)
            child->SetParentNode(nullptr);
        if (Lists(child))
            RemoveSubtree(child);
        else if (ours && !child->GetTreeView())
            CUIWindowManager::DeleteControl(child);   // never listed: nobody else holds it
    }
    if (CTreeNodeUI* parent = node->GetParentNode())
        parent->DropChild(node);
    CListUI::Remove(node);
}

bool CTreeViewUI::OnNodeCheckChanged(void* notification)
{
    UINotification* msg = static_cast<UINotification*>(notification);
    if (msg->sType == L"selectchanged") {
        CCheckBoxUI* box = static_cast<CCheckBoxUI*>(msg->pSender);
        if (CTreeNodeUI* node = NodeOfPart(msg->pSender))
            CheckSubtree(box->IsSelected(), node);
    }
    return true;
}

bool CTreeViewUI::OnNodeFolderChanged(void* notification)
{
    UINotification* msg = static_cast<UINotification*>(notification);
    if (msg->sType == L"selectchanged") {
        CCheckBoxUI* folder = static_cast<CCheckBoxUI*>(msg->pSender);
        if (CTreeNodeUI* node = NodeOfPart(msg->pSender)) {
            node->SetExpandedFlag(!folder->IsSelected());
            ExpandSubtree(!folder->IsSelected(), node);
        }
    }
    return true;
}

bool CTreeViewUI::OnNodeDoubleClick(void* notification)
{
    UINotification* msg = static_cast<UINotification*>(notification);
    if (!(msg->sType == L"itemdbclick"))
        return false;
    CTreeNodeUI* node =
        msg->pSender ? static_cast<CTreeNodeUI*>(msg->pSender->AsInterface(L"TreeNode")) : nullptr;
    if (!node)
        return false;
    CCheckBoxUI* folder = node->GetFolderButton();
    folder->SetSelected(!folder->IsSelected());
    // The "selectchanged" handlers may have taken the node out.
    if (!Lists(node))
        return true;
    node->SetExpandedFlag(!folder->IsSelected());
    ExpandSubtree(!folder->IsSelected(), node);
    return true;
}

// Checking, expanding and showing run handlers ("selectchanged", "killfocus") for every node
// they touch, which may remove nodes or change the tree: the walks go over snapshots, and
// descend into a child only while it is still the node's (its parent pointer says so).
bool CTreeViewUI::CheckSubtree(bool checked, CTreeNodeUI* node)
{
    if (!node) {
        for (CUIControlWalk walk(m_pBody->GetChildList()); CControlUI* item = walk.Next();) {
            if (CTreeNodeUI* row = static_cast<CTreeNodeUI*>(item->AsInterface(L"TreeNode")))
                row->GetCheckBox()->SetSelected(checked);
        }
        return true;
    }
    // A handler that changes the node's own box (checking back what is being unchecked)
    // overtakes this request, and has carried its own out over the subtree.
    const bool boxAtStart = node->GetCheckBox()->IsSelected();
    for (CUIControlWalk walk(node->m_aTreeNodes); CControlUI* item = walk.Next();) {
        CTreeNodeUI* child = static_cast<CTreeNodeUI*>(item);
        child->GetCheckBox()->SetSelected(checked);
        if (child->HasChildren() && child->GetParentNode() == node)
            CheckSubtree(checked, child);
        if (node->GetCheckBox()->IsSelected() != boxAtStart)
            break;
    }
    return true;
}

bool CTreeViewUI::ExpandSubtree(bool expand, CTreeNodeUI* node)
{
    if (!node) {
        for (CUIControlWalk walk(m_pBody->GetChildList()); CControlUI* item = walk.Next();)
            item->SetVisible(expand);
        return true;
    }
    // As checking: a handler that turns the node's own folder button overtakes this request.
    const bool folderAtStart = node->GetFolderButton()->IsSelected();
    for (CUIControlWalk walk(node->m_aTreeNodes); CControlUI* item = walk.Next();) {
        CTreeNodeUI* child = static_cast<CTreeNodeUI*>(item);
        child->SetVisible(expand);
        if (child->HasChildren() && !child->GetFolderButton()->IsSelected() &&
            child->GetParentNode() == node)
            ExpandSubtree(expand, child);
        if (node->GetFolderButton()->IsSelected() != folderAtStart)
            break;
    }
    return true;
}

void CTreeViewUI::ShowFolderButtons(bool show)
{
    m_bVisibleFolderBtn = show;
    ShowRowPart(&CTreeNodeUI::GetFolderButton, show);
}

void CTreeViewUI::ShowCheckBoxes(bool show)
{
    m_bVisibleCheckBtn = show;
    ShowRowPart(&CTreeNodeUI::GetCheckBox, show);
}

void CTreeViewUI::ShowRowPart(CCheckBoxUI* (CTreeNodeUI::*part)() const, bool show)
{
    for (CUIControlWalk walk(m_pBody->GetChildList()); CControlUI* item = walk.Next();) {
        if (CTreeNodeUI* node = static_cast<CTreeNodeUI*>(item->AsInterface(L"TreeNode")))
            (node->*part)()->SetVisible(show);
    }
}

void CTreeViewUI::SetNodeMinWidth(int width)
{
    m_uItemMinWidth = width;
    for (int i = 0; i < GetCount(); ++i)
        GetItemAt(i)->SetMinWidth(width);
    Invalidate();
}

void CTreeViewUI::SetNodeTextColor(DWORD color)
{
    for (int i = 0; i < GetCount(); ++i) {
        if (CTreeNodeUI* node = NodeAt(i))
            node->SetItemTextColor(color);
    }
}

void CTreeViewUI::SetNodeHotTextColor(DWORD color)
{
    for (int i = 0; i < GetCount(); ++i) {
        if (CTreeNodeUI* node = NodeAt(i))
            node->SetItemHotTextColor(color);
    }
}

void CTreeViewUI::SetNodeSelectedTextColor(DWORD color)
{
    for (int i = 0; i < GetCount(); ++i) {
        if (CTreeNodeUI* node = NodeAt(i))
            node->SetSelItemTextColor(color);
    }
}

void CTreeViewUI::SetNodeSelectedHotTextColor(DWORD color)
{
    for (int i = 0; i < GetCount(); ++i) {
        if (CTreeNodeUI* node = NodeAt(i))
            node->SetSelItemHotTextColor(color);
    }
}

} // namespace QxUI
