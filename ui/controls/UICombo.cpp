// The combo box and its drop-down: opening below or above the box, lending the items to the
// drop-down's manager, and every way the drop-down closes.

#include "controls/UICombo.h"

#include <algorithm>
#include <cwchar>

#include "controls/UIListCommon.h"
#include "controls/UIOverlayWindow.h"
#include "core/UIAttributeValues.h"
#include "core/UIButton.h"
#include "core/UIRect.h"
#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

using ListCommon::Same;

IListItemUI* ListItemOf(CControlUI* control)
{
    return control ? static_cast<IListItemUI*>(control->AsInterface(L"ListItem")) : nullptr;
}

void MapToScreen(HWND from, RECT& rc)
{
    ::MapWindowPoints(from, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
}

} // namespace

// ---- CComboWnd --------------------------------------------------------------------------------

bool CComboWnd::OpenFor(CComboUI* owner)
{
    m_pOwner = owner;
    m_pLayout = nullptr;
    m_pOldSel = owner->GetItemAt(owner->GetCurSel());

    const SIZE drop = owner->GetDropDownSize();
    const RECT rcOwner = owner->GetPos();
    RECT rc = rcOwner;
    rc.right = drop.cx > 0 ? rc.left + drop.cx : rcOwner.right;
    rc.top = rcOwner.bottom;
    int content = 0;
    for (int i = 0; i < owner->GetCount(); ++i) {
        CControlUI* item = owner->GetItemAt(i);
        if (item->IsVisible())
            content += item->MeasureSize(SIZE{rc.right - rc.left, drop.cy}).cy;
    }
    const int height = std::min<int>(content + 4, drop.cy);
    rc.bottom = rc.top + height;

    HWND hWndOwner = owner->GetManager()->GetPaintWindow();
    MapToScreen(hWndOwner, rc);
    // Asked for the box's window: the drop-down does not exist yet.
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromWindow(hWndOwner, MONITOR_DEFAULTTONEAREST), &info);
    if (rc.bottom > info.rcWork.bottom) {
        rc.left = rcOwner.left;
        rc.right = drop.cx > 0 ? rc.left + drop.cx : rcOwner.right;
        rc.bottom = rcOwner.top;
        rc.top = rcOwner.top - height;
        MapToScreen(hWndOwner, rc);
    }

    if (!CreateInRect(hWndOwner, nullptr, WS_POPUP, WS_EX_TOOLWINDOW, rc))
        return false;
    // Showing it runs the windows' filters and handlers, which may end it.
    const CUIWindowManager::DispatchScope scope(m_hWnd);
    HWND top = m_hWnd;
    while (HWND parent = ::GetParent(top))
        top = parent;
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::SendMessageW(top, WM_NCACTIVATE, TRUE, 0);
    return true;
}

void CComboWnd::OnCreate()
{
    m_pm.AttachWindow(m_hWnd);
    CUIWindowManager* ownerManager = m_pOwner->GetManager();
    // Fonts, images, defaults, names and option groups are the box's window's, so the items
    // look and behave the same here and never keep an image of this manager's.
    m_pm.SetResourceParent(ownerManager);
    m_pLayout = new CVerticalLayoutUI;
    m_pLayout->SetManager(&m_pm, nullptr, true);
    if (LPCWSTR defaults = ownerManager->GetDefaultAttributes(L"VerticalLayout"))
        m_pLayout->ApplyAttributeList(defaults);
    m_pLayout->SetInset(RECT{1, 1, 1, 1});
    m_pLayout->SetBackColor(0xFFFFFFFF);
    m_pLayout->SetBorderColor(0xFFC6C7D2);
    m_pLayout->SetBorderSize(1);
    m_pLayout->SetOwningChildren(false);
    m_pLayout->EnableScrollBars(true, false);
    m_pLayout->ApplyAttributeList(m_pOwner->GetDropDownAttributes().GetData());
    // Lent for a while, the items stay found by their names in the box's window, which finds
    // what this window holds (SetResourceParent above), and stay in their option groups there.
    // Each item's init handlers run as it joins: the box may take items out meanwhile, those
    // already lent included, and this window lets go of them at once.
    // The layout is the root first, so each item joins this window as it is added; a handler
    // that ends the drop-down meanwhile has had all the items given back.
    m_pm.AttachRootControl(m_pLayout);
    m_bItemsLent = true;
    for (CUIControlWalk walk(m_pOwner->m_items); CControlUI* item = walk.Next();) {
        if (!m_bItemsLent)
            break;
        m_pLayout->Add(item);
    }
}

void CComboWnd::ReturnItems()
{
    if (!m_pOwner || !m_bItemsLent)
        return;
    m_bItemsLent = false;
    // Rebinds every item (and what it holds) to the box's manager and parent.
    m_pOwner->SetManager(m_pOwner->GetManager(), m_pOwner->GetParent(), false);
    if (m_pLayout)
        m_pLayout->RemoveAll();
}

void CComboWnd::OwnerGone()
{
    // The box deletes its items next: this manager must not keep them.
    ForgetItems();
    ReturnItems();
    m_pOwner = nullptr;
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    else
        delete this;
}

void CComboWnd::LendItem(CControlUI* item)
{
    if (!m_bItemsLent || !m_pLayout || !m_pOwner)
        return;
    // At its place among the items lent: before the first one after it in the box.
    int at = m_pLayout->GetCount();
    for (int i = m_pOwner->GetItemIndex(item) + 1; i < m_pOwner->GetCount(); ++i) {
        const int lent = m_pLayout->GetItemIndex(m_pOwner->GetItemAt(i));
        if (lent >= 0) {
            at = lent;
            break;
        }
    }
    m_pLayout->AddAt(item, at);
}

void CComboWnd::ForgetItem(CControlUI* item)
{
    if (item && item == m_pOldSel)
        m_pOldSel = nullptr;
    if (!m_bItemsLent || !m_pLayout || !item || m_pLayout->GetItemIndex(item) < 0)
        return;
    // The layout does not own the items: the removal takes the item and what it holds out of
    // this window (hover, press, focus, timers, names, option groups).
    m_pLayout->Remove(item);
}

void CComboWnd::ForgetItems()
{
    m_pOldSel = nullptr;
    if (!m_bItemsLent || !m_pLayout)
        return;
    m_pLayout->RemoveAll();
}

LRESULT CComboWnd::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The handlers of the box and of its items may destroy the box's window, and this one with
    // it: the object lives on until this message returns, but m_hWnd is then null.
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_KILLFOCUS:
        if (reinterpret_cast<HWND>(wParam) != m_hWnd)
            PostMsg(WM_CLOSE);
        break;
    case WM_CLOSE:
        if (m_pOwner && m_bItemsLent) {
            ReturnItems();
            m_pOwner->SetPos(m_pOwner->IsFloat() ? m_pOwner->GetPosInParent()
                                                 : m_pOwner->GetPos());
            if (m_pOwner)
                m_pOwner->SetFocus();
        }
        break;
    case WM_DESTROY:
        // The owner window may be going away first: its items must not stay with this manager.
        // The box forgets the drop-down at once and may open a new one; this object goes
        // later, without reaching the box.
        ReturnItems();
        if (m_pOwner)
            m_pOwner->OnDropDownGone();
        m_pOwner = nullptr;
        break;
    case WM_KEYDOWN:
        if (!m_pOwner)
            break;
        if (wParam == VK_RETURN) {
            PostMsg(WM_KILLFOCUS);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            // The row selected at opening, wherever handlers have moved it since.
            m_pOwner->SelectItem(m_pOwner->GetItemIndex(m_pOldSel), true);
            ScrollSelectionIntoView();
            PostMsg(WM_KILLFOCUS);
            return 0;
        } else {
            UIEvent event;
            event.Type = UIEventType::KeyDown;
            event.chKey = static_cast<WCHAR>(wParam);
            event.wParam = wParam;
            event.lParam = lParam;
            event.dwTimestamp = ::GetTickCount();
            m_pOwner->OnEvent(event);
            ScrollSelectionIntoView();
            return 0;
        }
    case WM_MOUSEWHEEL: {
        if (!m_pOwner)
            break;
        UIEvent event;
        event.Type = UIEventType::ScrollWheel;
        event.wParam = GET_WHEEL_DELTA_WPARAM(wParam) < 0 ? 1 : 0;
        event.lParam = lParam;
        event.dwTimestamp = ::GetTickCount();
        m_pOwner->OnEvent(event);
        ScrollSelectionIntoView();
        return 0;
    }
    case WM_LBUTTONUP: {
        POINT pt;
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWnd, &pt);
        CControlUI* control = m_pm.FindControlAt(pt);
        if (control && !Same(control->GetClass(), L"ScrollBarUI"))
            PostMsg(WM_KILLFOCUS);
        break;
    }
    default:
        break;
    }
    if (!m_hWnd)
        return 0;
    LRESULT result = 0;
    if (m_pm.HandleWindowMessage(msg, wParam, lParam, result))
        return result;
    return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
}

void CComboWnd::ScrollSelectionIntoView()
{
    // The handlers of the selection may have ended the drop-down.
    if (!m_pOwner || !m_pLayout)
        return;
    CControlUI* control = m_pOwner->GetItemAt(m_pOwner->GetCurSel());
    if (!control || m_pLayout->GetItemIndex(control) < 0)
        return;
    const int dy = ListCommon::DistanceIntoBand(m_pLayout, control->GetPos(), m_pLayout->GetPos());
    if (dy == 0)
        return;
    const SIZE pos = m_pLayout->GetScrollPos();
    m_pLayout->SetScrollPos(SIZE{pos.cx, pos.cy + dy});
}

void CComboWnd::OnWindowDestroyed(HWND)
{
    delete this;
}

// ---- CComboUI ---------------------------------------------------------------------------------

CComboUI::CComboUI()
{
    OnNotifyEvent.Add(CDelegate<CComboUI>(this, &CComboUI::OnOwnNotify));
}

bool CComboUI::OnOwnNotify(void* notification)
{
    return ListCommon::NameSelectionWhenDelivered(this, notification);
}

CComboUI::~CComboUI()
{
    if (m_pWindow) {
        CComboWnd* window = m_pWindow;
        m_pWindow = nullptr;
        window->OwnerGone();
    }
    // Items that outlive the box (it does not own them) call into it no more.
    ForgetItemsOwner();
}

void CComboUI::OnDropDownGone()
{
    m_pWindow = nullptr;
    m_uButtonState &= ~UISTATE_PUSHED;
    Invalidate();
}

LPCWSTR CComboUI::GetClass() const
{
    return L"ComboUI";
}

LPVOID CComboUI::AsInterface(LPCWSTR name)
{
    if (Same(name, L"Combo"))
        return static_cast<CComboUI*>(this);
    if (Same(name, L"IListOwner"))
        return static_cast<IListOwnerUI*>(this);
    return CContainerUI::AsInterface(name);
}

UINT CComboUI::GetInputFlags()
{
    return UIFLAG_TABSTOP;
}

bool CComboUI::Activate()
{
    if (!CControlUI::Activate())
        return false;
    // Opening runs the items' init handlers and the new window's messages; one may take the
    // box out of its window.
    const CUIWindowManager::DispatchScope scope;
    if (!m_pWindow && m_pManager && m_pManager->GetPaintWindow()) {
        if (!OpenOverlayWindow(m_pWindow, [this](CComboWnd& window) { return window.OpenFor(this); }))
            return false;
        Invalidate();
        if (m_pManager)
            m_pManager->RaiseNotify(this, L"dropdown");
    }
    return true;
}

CUIString CComboUI::GetText() const
{
    CControlUI* item = GetItemAt(m_iCurSel);
    return item ? item->GetText() : CUIString();
}

void CComboUI::SetPos(RECT rc, bool invalidate)
{
    // While the drop-down shows the items they keep its layout.
    // Each item's size handlers may change the items.
    if (!m_pWindow || !m_pWindow->IsLendingItems()) {
        for (CUIControlWalk walk(m_items); CControlUI* item = walk.Next();)
            item->SetPos(RECT{0, 0, 0, 0}, false);
    }
    CControlUI::SetPos(rc, invalidate);
}

void CComboUI::Move(int dx, int dy, bool invalidate)
{
    CControlUI::Move(dx, dy, invalidate);
}

void CComboUI::SetEnabled(bool enabled)
{
    CContainerUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = 0;
}

void CComboUI::SetManager(CUIWindowManager* manager, CControlUI* parent, bool init)
{
    // A box that leaves its window closes its drop-down, at the drop-down's next message: the
    // change itself runs nothing.
    if (m_pWindow && manager != m_pManager)
        m_pWindow->Close();
    CContainerUI::SetManager(manager, parent, init);
}

CControlUI* CComboUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    // The items are never shown inside the box: searches for what the user can see, reach or
    // hit (clicks, tab stops, shortcuts) stop at the box; while the items are lent, the
    // drop-down's own window finds them.
    if (flags & (UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_HITTEST))
        return CControlUI::FindControl(proc, data, flags);
    return CContainerUI::FindControl(proc, data, flags);
}

void CComboUI::SelectFound(int index)
{
    // A search that finds nothing selectable leaves the selection alone.
    if (index >= 0)
        SelectItem(index, false);
}

void CComboUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event))
        return;
    // Focus changes repaint in the control base's handling.
    switch (event.Type) {
    case UIEventType::ButtonDown:
        if (IsEnabled()) {
            m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Activate();
        }
        return;
    case UIEventType::ButtonUp:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEventType::MouseMove:
    case UIEventType::ContextMenu:
        return;
    case UIEventType::KeyDown:
        switch (event.chKey) {
        case VK_PRIOR:
        case VK_UP:
            SelectFound(FindSelectableItem(m_iCurSel - 1, false));
            return;
        case VK_NEXT:
        case VK_DOWN:
            SelectFound(FindSelectableItem(m_iCurSel + 1, true));
            return;
        case VK_END:
            SelectFound(FindSelectableItem(GetCount() - 1, true));
            return;
        case VK_HOME:
            SelectFound(FindSelectableItem(0, false));
            return;
        case VK_F4:
            Activate();
            return;
        default:
            break;
        }
        break;
    case UIEventType::ScrollWheel:
        if (event.wParam == 1)
            SelectFound(FindSelectableItem(m_iCurSel + 1, true));
        else
            SelectFound(FindSelectableItem(m_iCurSel - 1, false));
        return;
    case UIEventType::MouseEnter:
        if (::PtInRect(&m_rcItem, event.ptMouse)) {
            m_uButtonState |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEventType::MouseLeave:
        if (m_uButtonState & UISTATE_HOT) {
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
        }
        return;
    default:
        break;
    }
    CControlUI::OnEvent(event);
}

void CComboUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value)
        return;
    if (Same(name, L"textpadding")) {
        SetTextPadding(AttributeDecimalRect(value));
    } else if (Same(name, L"showtext")) {
        SetTextShown(AttributeIsTrue(value));
    } else if (Same(name, L"normalimage")) {
        SetNormalImage(value);
    } else if (Same(name, L"hotimage")) {
        SetHotImage(value);
    } else if (Same(name, L"pushedimage")) {
        SetPushedImage(value);
    } else if (Same(name, L"focusedimage")) {
        SetFocusedImage(value);
    } else if (Same(name, L"disabledimage")) {
        SetDisabledImage(value);
    } else if (Same(name, L"dropbox")) {
        SetDropDownAttributes(value);
    } else if (Same(name, L"dropboxsize")) {
        m_szDropBox = AttributeDecimalSize(value);
    } else {
        switch (ApplyItemLookAttribute(m_ItemLook, name, value, false)) {
        case ItemLookChange::NotLook:
            CContainerUI::SetAttribute(name, value);
            break;
        case ItemLookChange::TextPadding:
        case ItemLookChange::TextColor:
        case ItemLookChange::ShowHtml:
            Invalidate();
            break;
        default:
            break;
        }
    }
}

SIZE CComboUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0)
        return CControlUI::MeasureSize(available);
    const int text = m_pManager ? m_pManager->GetDefaultFontEntry()->tm.tmHeight : 0;
    return SIZE{m_cxyFixed.cx, text + 12};
}

void CComboUI::Paint(HDC hDC, const RECT& rcDirty)
{
    CControlUI::Paint(hDC, rcDirty);
}

void CComboUI::PaintStateImage(HDC hDC)
{
    m_uButtonState = CurrentButtonState(m_uButtonState, *this);
    CUIImageDesc* state = nullptr;
    if (m_uButtonState & UISTATE_DISABLED)
        state = &m_diDisabled;
    else if (m_uButtonState & UISTATE_PUSHED)
        state = &m_diPushed;
    else if (m_uButtonState & UISTATE_HOT)
        state = &m_diHot;
    else if (m_uButtonState & UISTATE_FOCUSED)
        state = &m_diFocused;
    if (state && DrawImage(hDC, *state))
        return;
    DrawImage(hDC, m_diNormal);
}

void CComboUI::PaintText(HDC hDC)
{
    if (!m_bShowText || m_iCurSel < 0)
        return;
    CControlUI* control = GetItemAt(m_iCurSel);
    if (!control)
        return;
    CUIRect rc(m_rcItem);
    rc.Deflate(m_rcTextPadding);
    if (IListItemUI* item = ListItemOf(control)) {
        item->DrawItemText(hDC, rc);
        return;
    }
    const RECT saved = control->GetPos();
    control->SetPos(rc, false);
    control->Paint(hDC, rc);
    control->SetPos(saved, false);
}

// ---- Items and selection ----------------------------------------------------------------------

void CComboUI::RenumberItems(int from, int to)
{
    for (int i = std::max(from, 0); i <= to && i < m_items.GetSize(); ++i) {
        if (IListItemUI* item = ListItemOf(ChildAt(i)))
            item->SetIndex(i);
    }
}

bool CComboUI::SelectItem(int index, bool takeFocus)
{
    if (m_pWindow)
        m_pWindow->Close(1);
    if (index == m_iCurSel)
        return true;
    CControlUI* previous = GetItemAt(m_iCurSel);
    if (index >= 0 && !m_items.IsEmpty()) {
        index = std::min(index, m_items.GetSize() - 1);
        // A row that cannot take the selection leaves the current one as it is.
        CControlUI* control = ChildAt(index);
        if (!control->IsVisible() || !control->IsEnabled() || !ListItemOf(control))
            return false;
        if (index == m_iCurSel)
            return true;
    }
    if (m_iCurSel >= 0) {
        IListItemUI* current = ListItemOf(GetItemAt(m_iCurSel));
        if (!GetItemAt(m_iCurSel))
            return false;
        m_iCurSel = -1;
        if (current)
            current->Select(false);
    }
    if (index < 0 || m_items.IsEmpty())
        return false;

    // The selection is whole before the focus moves: "killfocus" and "setfocus" handlers may
    // select another item or take this one out, and then this change is not announced.
    CControlUI* control = ChildAt(index);
    m_iCurSel = index;
    ListItemOf(control)->Select(true);
    Invalidate();
    if ((m_pWindow || takeFocus) && !m_bReselecting) {
        control->SetFocus();
        if (GetItemAt(m_iCurSel) != control)
            return true;
    }
    // Both items where they are now: the handlers may have moved them.
    if (m_pManager)
        m_pManager->RaiseNotify(this, L"itemselect", static_cast<WPARAM>(m_iCurSel),
                                static_cast<LPARAM>(previous ? GetItemIndex(previous) : -1),
                                m_bReselecting);
    return true;
}

bool CComboUI::SetItemIndex(CControlUI* control, int index)
{
    const int old = GetItemIndex(control);
    if (old < 0)
        return false;
    if (old == index)
        return true;
    CControlUI* selected = GetItemAt(m_iCurSel);
    if (!CContainerUI::SetItemIndex(control, index))
        return false;
    RenumberItems(std::min(old, index), std::max(old, index));
    if (selected)
        m_iCurSel = GetItemIndex(selected);
    return true;
}

bool CComboUI::Add(CControlUI* control)
{
    return AddAt(control, GetCount());
}

bool CComboUI::AddAt(CControlUI* control, int index)
{
    // The books are kept before the item's init handlers run.
    if (!InsertChild(control, index))
        return false;
    if (IListItemUI* item = ListItemOf(control)) {
        item->SetOwner(this);
        item->SetIndex(index);
    }
    RenumberItems(index + 1, GetCount() - 1);
    if (m_iCurSel >= index)
        m_iCurSel += 1;
    // An open drop-down shows it too: it joins the drop-down's window as the others have.
    if (m_pWindow && m_pWindow->IsLendingItems())
        m_pWindow->LendItem(control);
    else
        BindChild(control);
    return true;
}

bool CComboUI::Remove(CControlUI* control)
{
    const int index = GetItemIndex(control);
    if (index < 0)
        return false;
    return RemoveAt(index);
}

bool CComboUI::RemoveAt(int index)
{
    CControlUI* item = GetItemAt(index);
    // An open drop-down lets go of the item before it may be freed.
    if (m_pWindow)
        m_pWindow->ForgetItem(item);
    if (!TakeOutChild(item))
        return false;
    // The item forgets the box (its owner and selection mark), wherever it goes next.
    if (IListItemUI* row = ListItemOf(item))
        row->SetOwner(nullptr);
    // The books are kept before the item goes, which may run its destroy handlers; the
    // selection moves on to a neighbour (announced later), found by identity after them.
    RenumberItems(index, GetCount() - 1);
    CControlUI* neighbour = nullptr;
    if (index == m_iCurSel) {
        m_iCurSel = -1;
        neighbour = GetItemAt(FindSelectableItem(index, false));
    } else if (index < m_iCurSel) {
        m_iCurSel -= 1;
    }
    LetGoOfChild(item);
    if (neighbour && m_iCurSel < 0) {
        m_bReselecting = true;
        SelectFound(GetItemIndex(neighbour));
        m_bReselecting = false;
    }
    return true;
}

void CComboUI::RemoveAll()
{
    if (m_pWindow)
        m_pWindow->ForgetItems();
    m_iCurSel = -1;
    ForgetItemsOwner();
    CContainerUI::RemoveAll();
}

void CComboUI::ForgetItemsOwner()
{
    for (int i = 0; i < m_items.GetSize(); ++i) {
        if (IListItemUI* row = ListItemOf(ChildAt(i)))
            row->SetOwner(nullptr);
    }
}

} // namespace QxUI
