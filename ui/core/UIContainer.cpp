#include "core/UIContainer.h"

#include <algorithm>
#include <cstdlib>

#include "core/UIAttributeValues.h"
#include "core/UIRect.h"
#include "core/UIScrollBar.h"

namespace QxUI {

namespace {

const int kLineStep = 8;

bool Meets(const RECT& a, const RECT& b)
{
    RECT tmp;
    return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

// A child that leaves a container which does not own it lives on elsewhere: its window must
// not keep pointers to it, nor it to the window and the container. One that its owner has
// already taken back (parent and manager set anew) is left alone.
void DetachFromWindow(CControlUI* control, CControlUI* container)
{
    if (control->GetParent() == container)
        control->SetManager(nullptr, nullptr, false);
}

} // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI()
{
    // Owned children go with the container, at once: whatever could still be using them is
    // using the container too. What their destructors add goes as well.
    while (!m_items.IsEmpty()) {
        const CUIPtrArray children(m_items);
        m_items.Empty();
        for (int i = 0; i < children.GetSize(); ++i) {
            CControlUI* child = static_cast<CControlUI*>(children[i]);
            if (m_bOwningChildren)
                delete child;
            else
                DetachFromWindow(child, this);
        }
    }
    delete m_pVerticalScrollBar;
    m_pVerticalScrollBar = nullptr;
    delete m_pHorizontalScrollBar;
    m_pHorizontalScrollBar = nullptr;
    m_items.Empty();
}

LPCWSTR CContainerUI::GetClass() const
{
    return L"ContainerUI";
}

LPVOID CContainerUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"IContainer") == 0)
        return static_cast<IContainerUI*>(this);
    if (name && wcscmp(name, L"Container") == 0)
        return static_cast<CContainerUI*>(this);
    return CControlUI::AsInterface(name);
}

// ---- Children ---------------------------------------------------------------------------------

CControlUI* CContainerUI::GetItemAt(int index) const
{
    if (index < 0 || index >= m_items.GetSize())
        return nullptr;
    return static_cast<CControlUI*>(m_items[index]);
}

int CContainerUI::GetItemIndex(CControlUI* control) const
{
    return m_items.Find(control);
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index)
{
    const int current = m_items.Find(control);
    if (current < 0)
        return false;
    // Checked before the entry is taken out, so that a bad index cannot drop the child.
    if (index < 0 || index >= m_items.GetSize())
        return false;
    RequestLayout();
    m_items.Remove(current);
    return m_items.InsertAt(index, control);
}

int CContainerUI::GetCount() const
{
    return m_items.GetSize();
}

bool CContainerUI::Add(CControlUI* control)
{
    return CContainerUI::AddAt(control, m_items.GetSize());
}

bool CContainerUI::AddAt(CControlUI* control, int index)
{
    if (!InsertChild(control, index))
        return false;
    BindChild(control);
    return true;
}

bool CContainerUI::InsertChild(CControlUI* control, int index)
{
    if (!control || index < 0 || index > m_items.GetSize())
        return false;
    if (!m_items.InsertAt(index, control))
        return false;
    if (IsVisible())
        RequestLayout();
    else
        control->SetVisibleByParent(false);
    return true;
}

void CContainerUI::BindChild(CControlUI* control)
{
    if (m_pManager)
        m_pManager->BindControlTree(control, this);
}

bool CContainerUI::Remove(CControlUI* control)
{
    if (!TakeOutChild(control))
        return false;
    LetGoOfChild(control);
    return true;
}

bool CContainerUI::TakeOutChild(CControlUI* control)
{
    const int index = control ? m_items.Find(control) : -1;
    if (index < 0)
        return false;
    RequestLayout();
    m_items.Remove(index);
    return true;
}

bool CContainerUI::RemoveAt(int index)
{
    CControlUI* control = GetItemAt(index);
    if (!control)
        return false;
    return Remove(control);
}

void CContainerUI::RemoveAll()
{
    // The children are taken out of the list first: a child's destructor must not see itself
    // listed, and what its destroy handlers add stays.
    const CUIPtrArray children(m_items);
    m_items.Empty();
    for (int i = 0; i < children.GetSize(); ++i) {
        // One that a handler meanwhile put elsewhere, or back, is held there.
        CControlUI* child = static_cast<CControlUI*>(children[i]);
        if (child->GetParent() == this && m_items.Find(child) < 0)
            LetGoOfChild(child);
    }
    RequestLayout();
}

void CContainerUI::LetGoOfChild(CControlUI* control)
{
    if (!m_bOwningChildren)
        DetachFromWindow(control, this);
    else if (m_bDeferredDelete && m_pManager)
        m_pManager->QueueControlForDeletion(control);
    else
        CUIWindowManager::DeleteControl(control);
}

// ---- Simple properties ------------------------------------------------------------------------

RECT CContainerUI::GetInset() const
{
    return m_rcInset;
}

void CContainerUI::SetInset(RECT rc)
{
    m_rcInset = rc;
    RequestLayout();
}

int CContainerUI::GetChildPadding() const
{
    return m_iChildPadding;
}

void CContainerUI::SetChildPadding(int padding)
{
    m_iChildPadding = padding;
    RequestLayout();
}

bool CContainerUI::IsOwningChildren() const
{
    return m_bOwningChildren;
}

void CContainerUI::SetOwningChildren(bool on)
{
    m_bOwningChildren = on;
}

bool CContainerUI::IsDeferredDelete() const
{
    return m_bDeferredDelete;
}

void CContainerUI::SetDeferredDelete(bool on)
{
    m_bDeferredDelete = on;
}

bool CContainerUI::IsMouseChildEnabled() const
{
    return m_bMouseChildEnabled;
}

void CContainerUI::SetMouseChildEnabled(bool on)
{
    m_bMouseChildEnabled = on;
}

int CContainerUI::FindSelectableItem(int index, bool forward) const
{
    const int count = m_items.GetSize();
    if (count == 0)
        return -1;
    index = std::max(0, std::min(index, count - 1));
    auto selectable = [this](int i) {
        CControlUI* control = ChildAt(i);
        return control->AsInterface(kListItemInterface) != nullptr && control->IsVisible() &&
               control->IsEnabled();
    };
    if (forward) {
        for (int i = index; i < count; ++i) {
            if (selectable(i))
                return i;
        }
        return -1;
    }
    for (int i = index; i >= 0; --i) {
        if (selectable(i))
            return i;
    }
    return FindSelectableItem(0, true);
}

// ---- Scrolling --------------------------------------------------------------------------------

SIZE CContainerUI::GetScrollPos() const
{
    return SIZE{IsShown(m_pHorizontalScrollBar) ? m_pHorizontalScrollBar->GetScrollPos() : 0,
                IsShown(m_pVerticalScrollBar) ? m_pVerticalScrollBar->GetScrollPos() : 0};
}

SIZE CContainerUI::GetScrollRange() const
{
    return SIZE{IsShown(m_pHorizontalScrollBar) ? m_pHorizontalScrollBar->GetScrollRange() : 0,
                IsShown(m_pVerticalScrollBar) ? m_pVerticalScrollBar->GetScrollRange() : 0};
}

void CContainerUI::SetScrollPos(SIZE pos)
{
    // How far a shown bar really moved: it keeps its position inside its range.
    auto move = [](CScrollBarUI* bar, int to) {
        if (!IsShown(bar))
            return 0;
        const int old = bar->GetScrollPos();
        bar->SetScrollPos(to);
        return bar->GetScrollPos() - old;
    };
    const int dy = move(m_pVerticalScrollBar, pos.cy);
    const int dx = move(m_pHorizontalScrollBar, pos.cx);
    if (dx == 0 && dy == 0)
        return;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = ChildAt(i);
        if (control->IsVisible() && !control->IsFloat())
            control->Move(-dx, -dy, false);
    }
    Invalidate();
}

void CContainerUI::ScrollBy(int dx, int dy)
{
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx + dx, pos.cy + dy});
}

static int LineHeight(CUIWindowManager* manager)
{
    if (!manager)
        return kLineStep;
    CUIFontInfo* font = manager->GetDefaultFontEntry();
    return kLineStep + (font ? font->tm.tmHeight : 0);
}

int CContainerUI::PageHeight() const
{
    int page = GetHeight() - m_rcInset.top - m_rcInset.bottom;
    if (IsShown(m_pHorizontalScrollBar))
        page -= m_pHorizontalScrollBar->GetFixedHeight();
    return page;
}

int CContainerUI::PageWidth() const
{
    int page = GetWidth() - m_rcInset.left - m_rcInset.right;
    if (IsShown(m_pVerticalScrollBar))
        page -= m_pVerticalScrollBar->GetFixedWidth();
    return page;
}

void CContainerUI::ScrollLineUp()
{
    ScrollBy(0, -LineHeight(m_pManager));
}

void CContainerUI::ScrollLineDown()
{
    ScrollBy(0, LineHeight(m_pManager));
}

void CContainerUI::ScrollPageUp()
{
    ScrollBy(0, -PageHeight());
}

void CContainerUI::ScrollPageDown()
{
    ScrollBy(0, PageHeight());
}

void CContainerUI::ScrollToTop()
{
    ScrollBy(0, -GetScrollPos().cy);
}

void CContainerUI::ScrollToBottom()
{
    ScrollBy(0, GetScrollRange().cy - GetScrollPos().cy);
}

void CContainerUI::ScrollLineLeft()
{
    ScrollBy(-kLineStep, 0);
}

void CContainerUI::ScrollLineRight()
{
    ScrollBy(kLineStep, 0);
}

void CContainerUI::ScrollPageLeft()
{
    ScrollBy(-PageWidth(), 0);
}

void CContainerUI::ScrollPageRight()
{
    ScrollBy(PageWidth(), 0);
}

void CContainerUI::ScrollToLeftEnd()
{
    ScrollBy(-GetScrollPos().cx, 0);
}

void CContainerUI::ScrollToRightEnd()
{
    ScrollBy(GetScrollRange().cx - GetScrollPos().cx, 0);
}

void CContainerUI::EnableScrollBars(bool vertical, bool horizontal)
{
    // A bar made here takes the window's default attributes for its kind.
    auto keep = [this](CScrollBarUI*& bar, bool wanted, bool isHorizontal, LPCWSTR defaultsName) {
        if (!wanted) {
            // A handler of the bar's own may be what takes it away.
            CUIWindowManager::DeleteControl(bar);
            bar = nullptr;
            return;
        }
        if (bar)
            return;
        bar = new CScrollBarUI;
        if (isHorizontal)
            bar->SetHorizontal(true);
        bar->SetOwner(this);
        bar->SetManager(m_pManager, nullptr, false);
        if (LPCWSTR defaults = m_pManager ? m_pManager->GetDefaultAttributes(defaultsName) : nullptr)
            bar->ApplyAttributeList(defaults);
    };
    keep(m_pVerticalScrollBar, vertical, false, L"VScrollBar");
    keep(m_pHorizontalScrollBar, horizontal, true, L"HScrollBar");
    RequestLayout();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const
{
    return m_pVerticalScrollBar;
}

CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const
{
    return m_pHorizontalScrollBar;
}

bool CContainerUI::PlaceScrollBar(CScrollBarUI* bar, const RECT& rc)
{
    bar->SetPos(rc, false);
    return bar == m_pVerticalScrollBar || bar == m_pHorizontalScrollBar;
}

void CContainerUI::UpdateScrollBars(const RECT& rcInner, int /*widthNeeded*/, int heightNeeded)
{
    if (IsShown(m_pHorizontalScrollBar)) {
        const RECT rc = {rcInner.left, rcInner.bottom, rcInner.right,
                         rcInner.bottom + m_pHorizontalScrollBar->GetFixedHeight()};
        PlaceScrollBar(m_pHorizontalScrollBar, rc);
    }
    if (!m_pVerticalScrollBar)
        return;

    const int overflow = heightNeeded - (rcInner.bottom - rcInner.top);
    if (overflow > 0 && !m_pVerticalScrollBar->IsVisible()) {
        m_pVerticalScrollBar->SetVisible(true);
        m_pVerticalScrollBar->SetScrollRange(overflow);
        m_pVerticalScrollBar->SetScrollPos(0);
        m_bScrollProcess = true;
        SetPos(m_rcItem, true);
        m_bScrollProcess = false;
        return;
    }
    if (!m_pVerticalScrollBar->IsVisible())
        return;

    if (overflow > 0 || m_bScrollProcess) {
        const RECT rc = {rcInner.right, rcInner.top,
                         rcInner.right + m_pVerticalScrollBar->GetFixedWidth(), rcInner.bottom};
        if (!PlaceScrollBar(m_pVerticalScrollBar, rc) ||
            m_pVerticalScrollBar->GetScrollRange() == overflow)
            return;
        const int oldPos = m_pVerticalScrollBar->GetScrollPos();
        m_pVerticalScrollBar->SetScrollRange(std::abs(overflow));
        if (m_pVerticalScrollBar->GetScrollRange() == 0) {
            m_pVerticalScrollBar->SetVisible(false);
            m_pVerticalScrollBar->SetScrollPos(0);
        }
        if (m_pVerticalScrollBar->GetScrollPos() < oldPos)
            SetPos(m_rcItem, false);
        return;
    }

    m_pVerticalScrollBar->SetVisible(false);
    m_pVerticalScrollBar->SetScrollPos(0);
    m_pVerticalScrollBar->SetScrollRange(0);
    SetPos(m_rcItem, true);
}

// ---- Layout -----------------------------------------------------------------------------------

RECT CContainerUI::GetContentRect() const
{
    CUIRect rc(m_rcItem);
    rc.Deflate(m_rcInset);
    return rc;
}

bool CContainerUI::IsShown(const CScrollBarUI* bar)
{
    return bar && bar->IsVisible();
}

void CContainerUI::TakeOffScrollBars(RECT& rc) const
{
    if (IsShown(m_pVerticalScrollBar))
        rc.right = ClampCoordinate(static_cast<LONGLONG>(rc.right) -
                                   m_pVerticalScrollBar->GetFixedWidth());
    if (IsShown(m_pHorizontalScrollBar))
        rc.bottom = ClampCoordinate(static_cast<LONGLONG>(rc.bottom) -
                                    m_pHorizontalScrollBar->GetFixedHeight());
}

RECT CContainerUI::GetInnerRect() const
{
    RECT rc = GetContentRect();
    TakeOffScrollBars(rc);
    return rc;
}

CControlUI* CContainerUI::FlowChildAt(int index)
{
    CControlUI* control = ChildAt(index);
    if (!control || !control->IsVisible())
        return nullptr;
    if (control->IsFloat()) {
        PlaceFloatChild(index);
        return nullptr;
    }
    return control;
}

SIZE CContainerUI::MeasureChild(CControlUI* child, SIZE available)
{
    SIZE size = child->MeasureSize(available);
    if (size.cx == 0)
        size.cx = std::max<LONG>(0, available.cx);
    if (size.cy == 0)
        size.cy = std::max<LONG>(0, available.cy);
    return SIZE{child->ClampWidth(size.cx), child->ClampHeight(size.cy)};
}

void CContainerUI::SetManager(CUIWindowManager* manager, CControlUI* parent, bool init)
{
    // The container's own state first: a child that an init handler inserts meanwhile is bound
    // as it joins, and the walk, over the children there were, does not bind it again. The
    // container's own init handlers run last, after its children's.
    // A handler that moves the container, takes it out or puts it back binds it anew: this
    // bind stops there.
    const unsigned bind = ++m_uBinds;
    const auto overtaken = [&] { return m_uBinds != bind; };
    if (init)
        m_uBound = ++BindSerial();
    CControlUI::SetManager(manager, parent, false);
    // A child that a handler has bound since (taken out and put back) is not bound again.
    const unsigned long long began = BindSerial();
    for (CUIControlWalk walk(m_items); CControlUI* child = walk.Next();) {
        if (init && child->m_uBound > began)
            continue;
        child->SetManager(manager, this, init);
        if (overtaken())
            return;
    }
    if (m_pVerticalScrollBar)
        m_pVerticalScrollBar->SetManager(manager, this, init);
    if (m_pHorizontalScrollBar && !overtaken())
        m_pHorizontalScrollBar->SetManager(manager, this, init);
    if (init && parent && !overtaken())
        Init();
}

void CContainerUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    const RECT inner = GetInnerRect();
    if (m_items.IsEmpty()) {
        UpdateScrollBars(inner, 0, 0);
        return;
    }

    RECT place = GetContentRect();
    if (IsShown(m_pVerticalScrollBar)) {
        place.top -= m_pVerticalScrollBar->GetScrollPos();
        place.right -= m_pVerticalScrollBar->GetFixedWidth();
        place.bottom +=
            m_pVerticalScrollBar->GetScrollRange() - m_pVerticalScrollBar->GetScrollPos();
    }
    if (IsShown(m_pHorizontalScrollBar)) {
        place.left -= m_pHorizontalScrollBar->GetScrollPos();
        place.right +=
            m_pHorizontalScrollBar->GetScrollRange() - m_pHorizontalScrollBar->GetScrollPos();
        place.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
    }

    // Children stretch to the inner height; only a minimum above it overflows into the bar's
    // range (measured without that range, which would otherwise keep itself).
    int needed = 0;
    // Each child's size handlers may change the children.
    for (CUIControlWalk walk(m_items); walk.Next();) {
        CControlUI* control = FlowChildAt(walk.Index());
        if (!control)
            continue;
        const int width = control->ClampWidth(place.right - place.left);
        const int height = control->ClampHeight(place.bottom - place.top);
        const RECT rcChild = {place.left, place.top, place.left + width, place.top + height};
        control->SetPos(rcChild, false);
        needed = std::max(needed, control->ClampHeight(inner.bottom - inner.top));
    }
    UpdateScrollBars(inner, 0, needed);
}

void CContainerUI::PlaceFloatChild(int index)
{
    if (index < 0 || index >= m_items.GetSize())
        return;
    CControlUI* control = ChildAt(index);
    if (!control->IsVisible() || !control->IsFloat())
        return;
    const int width = GetWidth();
    const int height = GetHeight();
    const POINT origin = control->GetFixedOrigin();
    double anchors[4];
    control->GetFloatAnchors(anchors);
    const RECT rc = {
        static_cast<int>(width * anchors[0]) + origin.x,
        static_cast<int>(height * anchors[1]) + origin.y,
        static_cast<int>(width * anchors[2]) + origin.x + control->GetFixedWidth(),
        static_cast<int>(height * anchors[3]) + origin.y + control->GetFixedHeight(),
    };
    control->SetPos(rc, false);
}

void CContainerUI::Move(int dx, int dy, bool invalidate)
{
    CControlUI::Move(dx, dy, invalidate);
    if (IsShown(m_pVerticalScrollBar))
        m_pVerticalScrollBar->Move(dx, dy, false);
    if (IsShown(m_pHorizontalScrollBar))
        m_pHorizontalScrollBar->Move(dx, dy, false);
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = ChildAt(i);
        if (control->IsVisible())
            control->Move(dx, dy, false);
    }
}

// ---- State ------------------------------------------------------------------------------------

void CContainerUI::SetVisible(bool visible)
{
    if (m_bVisible == visible)
        return;
    CControlUI::SetVisible(visible);
    ShowChildren();
}

void CContainerUI::SetVisibleByParent(bool visible)
{
    CControlUI::SetVisibleByParent(visible);
    ShowChildren();
}

void CContainerUI::ShowChildren()
{
    // A child losing the focus runs "killfocus" handlers, which may change the children.
    for (CUIControlWalk walk(m_items); CControlUI* child = walk.Next();)
        child->SetVisibleByParent(IsVisible());
}

void CContainerUI::SetMouseEnabled(bool enabled)
{
    if (m_pVerticalScrollBar)
        m_pVerticalScrollBar->SetMouseEnabled(enabled);
    if (m_pHorizontalScrollBar)
        m_pHorizontalScrollBar->SetMouseEnabled(enabled);
    CControlUI::SetMouseEnabled(enabled);
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    const bool hitTest = (flags & UIFIND_HITTEST) != 0;
    if ((flags & UIFIND_VISIBLE) && !IsVisible())
        return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled())
        return nullptr;
    if (hitTest && !::PtInRect(&m_rcItem, *static_cast<const POINT*>(data)))
        return nullptr;
    if ((flags & UIFIND_UPDATETEST) && proc(this, data) != nullptr)
        return nullptr;

    const bool meFirst = (flags & UIFIND_ME_FIRST) != 0;
    if (meFirst && (!hitTest || m_bMouseEnabled)) {
        if (CControlUI* found = proc(this, data))
            return found;
    }

    if (!hitTest || m_bMouseEnabled) {
        if (m_pVerticalScrollBar) {
            if (CControlUI* found = m_pVerticalScrollBar->FindControl(proc, data, flags))
                return found;
        }
        if (m_pHorizontalScrollBar) {
            if (CControlUI* found = m_pHorizontalScrollBar->FindControl(proc, data, flags))
                return found;
        }
    }

    if (!hitTest || m_bMouseChildEnabled) {
        const RECT inner = GetInnerRect();
        const bool topFirst = (flags & UIFIND_TOP_FIRST) != 0;
        // A visitor may run handlers (the destroy events) that change the children: the list is
        // read afresh at every step. A deletion walks until a walk announces nothing new.
        for (int n = 0; n < m_items.GetSize(); ++n) {
            const int count = m_items.GetSize();
            CControlUI* child = ChildAt(topFirst ? count - 1 - n : n);
            CControlUI* found = child->FindControl(proc, data, flags);
            if (!found)
                continue;
            if (!hitTest || found->IsFloat() ||
                ::PtInRect(&inner, *static_cast<const POINT*>(data)))
                return found;
        }
    }

    if (meFirst || (hitTest && !m_bMouseEnabled))
        return nullptr;
    return proc(this, data);
}

bool CContainerUI::TakeFocusChange(int type)
{
    if (type != UIEventType::SetFocus && type != UIEventType::KillFocus)
        return false;
    m_bFocused = type == UIEventType::SetFocus;
    return true;
}

void CContainerUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event))
        return;
    const int type = event.Type;
    if (TakeFocusChange(type))
        return;

    // A wheel notch scrolls a line, as the arrow keys do.
    WCHAR key = 0;
    if (type == UIEventType::KeyDown)
        key = event.chKey;
    else if (type == UIEventType::ScrollWheel && LOWORD(event.wParam) <= 1)
        key = LOWORD(event.wParam) == 0 ? VK_UP : VK_DOWN;
    if (key != 0 && ScrollByKey(key))
        return;
    CControlUI::OnEvent(event);
}

bool CContainerUI::ScrollByKey(WCHAR key)
{
    using Step = void (CContainerUI::*)();
    static const struct
    {
        WCHAR key;
        Step vertical;
        Step horizontal;
    } kSteps[] = {
        {VK_PRIOR, &CContainerUI::ScrollPageUp, &CContainerUI::ScrollPageLeft},
        {VK_NEXT, &CContainerUI::ScrollPageDown, &CContainerUI::ScrollPageRight},
        {VK_END, &CContainerUI::ScrollToBottom, &CContainerUI::ScrollToRightEnd},
        {VK_HOME, &CContainerUI::ScrollToTop, &CContainerUI::ScrollToLeftEnd},
        {VK_UP, &CContainerUI::ScrollLineUp, &CContainerUI::ScrollLineLeft},
        {VK_DOWN, &CContainerUI::ScrollLineDown, &CContainerUI::ScrollLineRight},
    };
    // The vertical bar when it can scroll, else the horizontal one.
    const auto usable = [](const CScrollBarUI* bar) { return IsShown(bar) && bar->IsEnabled(); };
    const bool vertical = usable(m_pVerticalScrollBar);
    if (!vertical && !usable(m_pHorizontalScrollBar))
        return false;
    for (const auto& step : kSteps) {
        if (step.key == key) {
            (this->*(vertical ? step.vertical : step.horizontal))();
            return true;
        }
    }
    return false;
}

void CContainerUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value)
        return;
    if (wcscmp(name, L"inset") == 0) {
        SetInset(AttributeDecimalRect(value));
    } else if (wcscmp(name, L"mousechild") == 0) {
        SetMouseChildEnabled(AttributeIsTrue(value));
    } else if (wcscmp(name, L"vscrollbar") == 0) {
        EnableScrollBars(AttributeIsTrue(value), m_pHorizontalScrollBar != nullptr);
    } else if (wcscmp(name, L"vscrollbarstyle") == 0) {
        EnableScrollBars(true, m_pHorizontalScrollBar != nullptr);
        if (m_pVerticalScrollBar)
            m_pVerticalScrollBar->ApplyAttributeList(value);
    } else if (wcscmp(name, L"hscrollbar") == 0) {
        EnableScrollBars(m_pVerticalScrollBar != nullptr, AttributeIsTrue(value));
    } else if (wcscmp(name, L"hscrollbarstyle") == 0) {
        EnableScrollBars(m_pVerticalScrollBar != nullptr, true);
        if (m_pHorizontalScrollBar)
            m_pHorizontalScrollBar->ApplyAttributeList(value);
    } else if (wcscmp(name, L"childpadding") == 0) {
        SetChildPadding(AttributeInt(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

// ---- Painting ---------------------------------------------------------------------------------

void CContainerUI::PaintChildren(HDC hDC, const RECT& rcDirty, const RECT& within)
{
    RECT rcTemp;
    if (!::IntersectRect(&rcTemp, &rcDirty, &within)) {
        for (int i = 0; i < m_items.GetSize(); ++i) {
            CControlUI* control = ChildAt(i);
            if (!control->IsVisible() || !control->IsFloat())
                continue;
            if (!Meets(rcDirty, control->GetPos()) || !Meets(m_rcItem, control->GetPos()))
                continue;
            control->Paint(hDC, rcDirty);
        }
        return;
    }
    CUIClip childClip;
    CUIClip::ClipToRect(hDC, rcTemp, childClip);
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* control = ChildAt(i);
        if (!control->IsVisible() || !Meets(rcDirty, control->GetPos()))
            continue;
        if (control->IsFloat()) {
            if (!Meets(m_rcItem, control->GetPos()))
                continue;
            CUIClip::SelectOuterClip(hDC, childClip);
            control->Paint(hDC, rcDirty);
            CUIClip::SelectInnerClip(hDC, childClip);
        } else if (Meets(within, control->GetPos())) {
            control->Paint(hDC, rcDirty);
        }
    }
}

void CContainerUI::Paint(HDC hDC, const RECT& rcDirty)
{
    RECT rcTemp;
    if (!::IntersectRect(&rcTemp, &rcDirty, &m_rcItem))
        return;

    CUIClip clip;
    CUIClip::ClipToRect(hDC, rcTemp, clip);
    CControlUI::Paint(hDC, rcDirty);

    if (!m_items.IsEmpty())
        PaintChildren(hDC, rcDirty, GetInnerRect());

    PaintScrollBars(hDC, rcDirty);
}

void CContainerUI::PaintScrollBars(HDC hDC, const RECT& rcDirty)
{
    if (IsShown(m_pVerticalScrollBar) &&
        Meets(rcDirty, m_pVerticalScrollBar->GetPos()))
        m_pVerticalScrollBar->Paint(hDC, rcDirty);
    if (IsShown(m_pHorizontalScrollBar) &&
        Meets(rcDirty, m_pHorizontalScrollBar->GetPos()))
        m_pHorizontalScrollBar->Paint(hDC, rcDirty);
}

} // namespace QxUI
