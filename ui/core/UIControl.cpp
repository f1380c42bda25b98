#include "core/UIControl.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "core/UIAttributeValues.h"
#include "core/UIRect.h"

namespace QxUI {

namespace {

template <class T, class V>
bool StoreChanged(T& field, V value)
{
    if (field == static_cast<T>(value))
        return false;
    field = static_cast<T>(value);
    return true;
}

// The window a control's handlers run for: code using it holds it, so that its object is not
// told of its end, and may not delete the manager, before that code returns.
HWND WindowOf(const CUIWindowManager* manager)
{
    return manager ? manager->GetPaintWindow() : nullptr;
}

// A float control places itself; any other is placed by its parent's layout.
void RequestSizeLayout(CControlUI* control)
{
    if (control->IsFloat())
        control->RequestLayout();
    else
        control->RequestParentLayout();
}

} // namespace

CUIControlRef::CUIControlRef(CControlUI* control)
{
    // A control being destroyed is gone already for whoever would keep a reference.
    if (!control || control->m_bDestroying)
        return;
    if (!control->m_pAnchor) {
        control->m_pAnchor = new (std::nothrow) Anchor{control, 1};
        if (!control->m_pAnchor)
            return;
    }
    m_pAnchor = control->m_pAnchor;
    ++m_pAnchor->refs;
}

CUIControlRef::CUIControlRef(const CUIControlRef& other) : m_pAnchor(other.m_pAnchor)
{
    if (m_pAnchor)
        ++m_pAnchor->refs;
}

CUIControlRef& CUIControlRef::operator=(const CUIControlRef& other)
{
    if (other.m_pAnchor)
        ++other.m_pAnchor->refs;
    Release(m_pAnchor);
    m_pAnchor = other.m_pAnchor;
    return *this;
}

CUIControlRef::~CUIControlRef()
{
    Release(m_pAnchor);
}

CControlUI* CUIControlRef::Get() const
{
    return m_pAnchor ? m_pAnchor->control : nullptr;
}

void CUIControlRef::Release(Anchor* anchor)
{
    if (anchor && --anchor->refs == 0)
        delete anchor;
}

CControlUI* CUIControlWalk::Next()
{
    while (m_next < m_copy.GetSize()) {
        void* control = m_copy[m_next++];
        // Mostly where it was, or a few places further on after removals.
        int at = m_cursor < m_list.GetSize() && m_list[m_cursor] == control ? m_cursor : -1;
        if (at < 0)
            at = m_list.Find(control);
        if (at < 0)
            continue;
        m_index = at;
        m_cursor = at + 1;
        return static_cast<CControlUI*>(control);
    }
    return nullptr;
}

CControlUI::CControlUI() = default;

CControlUI::~CControlUI()
{
    AnnounceDestructionCallback(this, nullptr);
    if (m_pAnchor) {
        m_pAnchor->control = nullptr;
        CUIControlRef::Release(m_pAnchor);
        m_pAnchor = nullptr;
    }
    if (m_pManager)
        m_pManager->ForgetControl(this);
}

CControlUI* CALLBACK CControlUI::AnnounceDestructionCallback(CControlUI* control, LPVOID data)
{
    if (control->m_bDestroying)
        return nullptr;
    control->m_bDestroying = true;
    if (data)
        ++*static_cast<int*>(data);
    if (control->OnDestroyEvent.HasHandlers()) {
        const CUIWindowManager::DispatchScope scope(WindowOf(control->m_pManager));
        control->OnDestroyEvent.Invoke(control);
    }
    return nullptr;
}

CUIString CControlUI::GetName() const
{
    return m_sName;
}

void CControlUI::SetName(LPCWSTR name)
{
    const CUIString old = m_sName;
    m_sName = name ? name : L"";
    // The window finds the control by its new name only.
    if (m_pManager && !(m_sName == old.GetData()))
        m_pManager->Rename(this, old);
}

LPCWSTR CControlUI::GetClass() const
{
    return L"ControlUI";
}

LPVOID CControlUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"Control") == 0)
        return this;
    return nullptr;
}

UINT CControlUI::GetInputFlags()
{
    return 0;
}

bool CControlUI::WantsTab() const
{
    return false;
}

bool CControlUI::Activate()
{
    return IsVisible() && IsEnabled();
}

CUIWindowManager* CControlUI::GetManager() const
{
    return m_pManager;
}

unsigned long long& CControlUI::BindSerial()
{
    thread_local unsigned long long serial = 0;
    return serial;
}

void CControlUI::SetManager(CUIWindowManager* manager, CControlUI* parent, bool init)
{
    if (init)
        m_uBound = ++BindSerial();
    if (manager != m_pManager) {
        if (m_pManager)
            m_pManager->ForgetControl(this);
        m_pManager = manager;
        if (manager)
            manager->Enlist(this);
    }
    m_pParent = parent;
    if (init && parent)
        Init();
}

void CControlUI::OfferMessageFilter(IMessageFilterUI* filter)
{
    if (m_pManager && m_pOfferedFilter)
        m_pManager->RemoveMessageFilter(m_pOfferedFilter);
    m_pOfferedFilter = filter;
    if (m_pManager && filter)
        m_pManager->AddMessageFilter(filter, this);
}

void CControlUI::OfferAcceleratorTranslator(ITranslateAccelerator* translator)
{
    if (m_pManager && m_pOfferedTranslator)
        m_pManager->RemoveAcceleratorTranslator(m_pOfferedTranslator);
    m_pOfferedTranslator = translator;
    if (m_pManager && translator)
        m_pManager->AddAcceleratorTranslator(translator, this);
}

CControlUI* CControlUI::GetParent() const
{
    return m_pParent;
}

CUIString CControlUI::GetText() const
{
    return m_sText;
}

void CControlUI::SetText(LPCWSTR text)
{
    if (!text)
        text = L"";
    if (m_sText == text)
        return;
    m_sText = text;
    Invalidate();
}

// ---- Position ---------------------------------------------------------------------------------

const RECT& CControlUI::GetPos() const
{
    return m_rcItem;
}

RECT CControlUI::GetPosInParent() const
{
    RECT rc = {0, 0, 0, 0};
    if (!m_pParent)
        return rc;
    rc = m_rcItem;
    const RECT& parent = m_pParent->GetPos();
    ::OffsetRect(&rc, -parent.left, -parent.top);
    return rc;
}

// Clips rc by every ancestor's item rect and hands it to the manager; an invisible ancestor
// or an empty intersection means nothing shows.
static void InvalidateClippedByParents(CUIWindowManager* manager, CControlUI* parent, RECT rc,
                                       bool checkParentVisible)
{
    for (; parent; parent = parent->GetParent()) {
        if (checkParentVisible && !parent->IsVisible())
            return;
        if (!::IntersectRect(&rc, &rc, &parent->GetPos()))
            return;
    }
    if (manager)
        manager->Invalidate(rc);
}

void CControlUI::SetPos(RECT rc, bool invalidate)
{
    rc.right = std::max(rc.right, rc.left);
    rc.bottom = std::max(rc.bottom, rc.top);

    RECT rcOld = m_rcItem;
    if (m_bFloat) {
        if (m_pParent) {
            const RECT& parent = m_pParent->GetPos();
            m_rcItem = rc;
            ::OffsetRect(&m_rcItem, parent.left, parent.top);
            const int width = parent.right - parent.left;
            const int height = parent.bottom - parent.top;
            m_ptFixedOrigin.x = rc.left - static_cast<int>(m_floatAnchors[0] * width);
            m_ptFixedOrigin.y = rc.top - static_cast<int>(m_floatAnchors[1] * height);
            m_cxyFixed.cx =
                rc.right - m_ptFixedOrigin.x - static_cast<int>(m_floatAnchors[2] * width);
            m_cxyFixed.cy =
                rc.bottom - m_ptFixedOrigin.y - static_cast<int>(m_floatAnchors[3] * height);
        }
    } else {
        m_rcItem = rc;
    }
    if (::IsRectEmpty(&rcOld))
        rcOld = m_rcItem;

    if (!m_pManager)
        return;

    if (!m_bSetPos) {
        m_bSetPos = true;
        if (OnSizeEvent.HasHandlers()) {
            const CUIWindowManager::DispatchScope scope(WindowOf(m_pManager));
            OnSizeEvent.Invoke(this);
        }
        m_bSetPos = false;
    }
    m_bUpdateNeeded = false;

    if (invalidate && IsVisible()) {
        RECT area;
        ::UnionRect(&area, &rcOld, &m_rcItem);
        InvalidateClippedByParents(m_pManager, m_pParent, area, true);
    }
}

void CControlUI::Move(int dx, int dy, bool invalidate)
{
    const RECT rcOld = m_rcItem;
    ::OffsetRect(&m_rcItem, dx, dy);
    if (invalidate && IsVisible() && m_pManager) {
        RECT area;
        ::UnionRect(&area, &rcOld, &m_rcItem);
        InvalidateClippedByParents(m_pManager, m_pParent, area, true);
    }
}

int CControlUI::GetWidth() const
{
    return m_rcItem.right - m_rcItem.left;
}

int CControlUI::GetHeight() const
{
    return m_rcItem.bottom - m_rcItem.top;
}

int CControlUI::GetX() const
{
    return m_rcItem.left;
}

int CControlUI::GetY() const
{
    return m_rcItem.top;
}

RECT CControlUI::GetPadding() const
{
    return m_rcPadding;
}

void CControlUI::SetPadding(RECT rc)
{
    m_rcPadding = rc;
    RequestParentLayout();
}

POINT CControlUI::GetFixedOrigin() const
{
    return m_ptFixedOrigin;
}

void CControlUI::SetFixedOrigin(int x, int y)
{
    m_ptFixedOrigin.x = x;
    m_ptFixedOrigin.y = y;
    RequestSizeLayout(this);
}

int CControlUI::GetFixedWidth() const
{
    return m_cxyFixed.cx;
}

void CControlUI::SetFixedWidth(int cx)
{
    if (cx < 0)
        return;
    m_cxyFixed.cx = cx;
    RequestSizeLayout(this);
}

int CControlUI::GetFixedHeight() const
{
    return m_cxyFixed.cy;
}

void CControlUI::SetFixedHeight(int cy)
{
    if (cy < 0)
        return;
    m_cxyFixed.cy = cy;
    RequestSizeLayout(this);
}

int CControlUI::GetMinWidth() const
{
    return m_cxyMin.cx;
}

void CControlUI::SetMinWidth(int cx)
{
    if (cx < 0 || !StoreChanged(m_cxyMin.cx, cx))
        return;
    RequestSizeLayout(this);
}

int CControlUI::GetMaxWidth() const
{
    return m_cxyMax.cx;
}

int CControlUI::ClampWidth(int cx) const
{
    return std::min(std::max(cx, GetMinWidth()), GetMaxWidth());
}

int CControlUI::ClampHeight(int cy) const
{
    return std::min(std::max(cy, GetMinHeight()), GetMaxHeight());
}

void CControlUI::SetMaxWidth(int cx)
{
    if (cx < 0 || !StoreChanged(m_cxyMax.cx, cx))
        return;
    RequestSizeLayout(this);
}

int CControlUI::GetMinHeight() const
{
    return m_cxyMin.cy;
}

void CControlUI::SetMinHeight(int cy)
{
    if (cy < 0 || !StoreChanged(m_cxyMin.cy, cy))
        return;
    RequestSizeLayout(this);
}

int CControlUI::GetMaxHeight() const
{
    return m_cxyMax.cy;
}

void CControlUI::SetMaxHeight(int cy)
{
    if (cy < 0 || !StoreChanged(m_cxyMax.cy, cy))
        return;
    RequestSizeLayout(this);
}

void CControlUI::GetFloatAnchors(double anchors[4]) const
{
    for (int i = 0; i < 4; ++i)
        anchors[i] = m_floatAnchors[i];
}

void CControlUI::SetFloatAnchors(double left, double top, double right, double bottom)
{
    m_floatAnchors[0] = left;
    m_floatAnchors[1] = top;
    m_floatAnchors[2] = right;
    m_floatAnchors[3] = bottom;
    RequestParentLayout();
}

// ---- Tooltip, shortcut and user data ------------------------------------------------------------

CUIString CControlUI::GetToolTip() const
{
    return m_sToolTip;
}

void CControlUI::SetToolTip(LPCWSTR text)
{
    CUIString tip(text ? text : L"");
    tip.Replace(L"<n>", L"\r\n");
    m_sToolTip = tip;
}

void CControlUI::SetToolTipWidth(int width)
{
    m_nTooltipWidth = width;
}

int CControlUI::GetToolTipWidth() const
{
    return m_nTooltipWidth;
}

WCHAR CControlUI::GetShortcut() const
{
    return m_chShortcut;
}

void CControlUI::SetShortcut(WCHAR ch)
{
    m_chShortcut = ch;
}

bool CControlUI::IsMenuEnabled() const
{
    return m_bMenuUsed;
}

void CControlUI::SetMenuEnabled(bool on)
{
    m_bMenuUsed = on;
}

CUIString CControlUI::GetUserData() const
{
    return m_sUserData;
}

void CControlUI::SetUserData(LPCWSTR text)
{
    m_sUserData = text ? text : L"";
}

UINT_PTR CControlUI::GetTag() const
{
    return m_uTag;
}

void CControlUI::SetTag(UINT_PTR tag)
{
    m_uTag = tag;
}

// ---- State ------------------------------------------------------------------------------------

bool CControlUI::IsVisible() const
{
    return m_bVisible && m_bInternVisible;
}

void CControlUI::SetVisible(bool visible)
{
    if (m_bVisible == visible)
        return;
    const bool wasVisible = IsVisible();
    m_bVisible = visible;
    m_bFocused = false;
    if (IsVisible() != wasVisible)
        RequestParentLayout();
    if (!visible && m_pManager && m_pManager->GetFocusedControl() == this)
        m_pManager->SetFocusControl(nullptr);
}

void CControlUI::SetVisibleByParent(bool visible)
{
    m_bInternVisible = visible;
    if (!visible && m_pManager && m_pManager->GetFocusedControl() == this)
        m_pManager->SetFocusControl(nullptr);
}

bool CControlUI::IsEnabled() const
{
    return m_bEnabled;
}

void CControlUI::SetEnabled(bool enabled)
{
    if (m_bEnabled == enabled)
        return;
    m_bEnabled = enabled;
    Invalidate();
}

bool CControlUI::IsMouseEnabled() const
{
    return m_bMouseEnabled;
}

void CControlUI::SetMouseEnabled(bool enabled)
{
    m_bMouseEnabled = enabled;
}

bool CControlUI::IsKeyboardEnabled() const
{
    return m_bKeyboardEnabled;
}

void CControlUI::SetKeyboardEnabled(bool enabled)
{
    m_bKeyboardEnabled = enabled;
}

bool CControlUI::IsFocused() const
{
    return m_bFocused;
}

void CControlUI::SetFocus()
{
    if (m_pManager)
        m_pManager->SetFocusControl(this);
}

bool CControlUI::IsFloat() const
{
    return m_bFloat;
}

void CControlUI::SetFloat(bool on)
{
    if (m_bFloat == on)
        return;
    m_bFloat = on;
    RequestParentLayout();
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) && !IsVisible())
        return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled())
        return nullptr;
    if ((flags & UIFIND_HITTEST) &&
        (!m_bMouseEnabled || !::PtInRect(&m_rcItem, *static_cast<const POINT*>(data))))
        return nullptr;
    if ((flags & UIFIND_UPDATETEST) && proc(this, data) != nullptr)
        return nullptr;
    return proc(this, data);
}

// ---- Life cycle and events ----------------------------------------------------------------------

void CControlUI::Init()
{
    OnInit();
    if (OnInitEvent.HasHandlers()) {
        const CUIWindowManager::DispatchScope scope(WindowOf(m_pManager));
        OnInitEvent.Invoke(this);
    }
}

void CControlUI::OnInit()
{
}

void CControlUI::HandleEvent(UIEvent& event)
{
    // Handlers and OnEvent overrides may delete the control: not before this returns.
    const CUIWindowManager::DispatchScope scope(WindowOf(m_pManager));
    if (OnEventEvent.Invoke(&event))
        OnEvent(event);
}

void CControlUI::OnEvent(UIEvent& event)
{
    switch (event.Type) {
    case UIEventType::SetCursor:
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        return;
    case UIEventType::SetFocus:
        m_bFocused = true;
        Invalidate();
        return;
    case UIEventType::KillFocus:
        m_bFocused = false;
        Invalidate();
        return;
    case UIEventType::Timer:
        if (m_pManager)
            m_pManager->RaiseNotify(this, L"timer", event.wParam, event.lParam);
        return;
    case UIEventType::ContextMenu:
        if (m_bMenuUsed) {
            if (m_pManager)
                m_pManager->RaiseNotify(this, L"menu", event.wParam, event.lParam);
            return;
        }
        break;
    default:
        break;
    }
    if (m_pParent)
        m_pParent->OnEvent(event);
}

bool CControlUI::IsMouseEventPassedOn(const UIEvent& event) const
{
    return !IsMouseEnabled() && event.Type >= UIEventType::MouseMove &&
           event.Type <= UIEventType::ScrollWheel;
}

bool CControlUI::PassOnMouseEvent(UIEvent& event)
{
    return PassOnMouseEvent(event, m_pParent);
}

bool CControlUI::PassOnMouseEvent(UIEvent& event, CControlUI* receiver)
{
    if (!IsMouseEventPassedOn(event))
        return false;
    if (receiver)
        receiver->OnEvent(event);
    else
        CControlUI::OnEvent(event);
    return true;
}

void CControlUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value)
        return;
    if (wcscmp(name, L"pos") == 0) {
        const RECT rc = AttributeDecimalRect(value);
        SetFixedOrigin(rc.left, rc.top);
        // Taken in 64 bits: a reversed pair at the ends of int must stay negative (ignored).
        SetFixedWidth(ClampCoordinate(LONGLONG{rc.right} - rc.left));
        SetFixedHeight(ClampCoordinate(LONGLONG{rc.bottom} - rc.top));
    } else if (wcscmp(name, L"padding") == 0) {
        SetPadding(AttributeDecimalRect(value));
    } else if (wcscmp(name, L"bkcolor") == 0 || wcscmp(name, L"bkcolor1") == 0) {
        SetBackColor(AttributeHexColorAfterWhitespace(value));
    } else if (wcscmp(name, L"bkcolor2") == 0) {
        SetBackColor2(AttributeHexColorAfterWhitespace(value));
    } else if (wcscmp(name, L"bkcolor3") == 0) {
        SetBackColor3(AttributeHexColorAfterWhitespace(value));
    } else if (wcscmp(name, L"bordercolor") == 0) {
        SetBorderColor(AttributeHexColor(value));
    } else if (wcscmp(name, L"focusbordercolor") == 0) {
        SetFocusBorderColor(AttributeHexColor(value));
    } else if (wcscmp(name, L"colorhsl") == 0) {
        SetColorHsl(AttributeIsTrue(value));
    } else if (wcscmp(name, L"bordersize") == 0) {
        if (wcschr(value, L',')) {
            const RECT rc = AttributeDecimalRect(value);
            SetBorderSides(rc.left, rc.top, rc.right, rc.bottom);
        } else {
            SetBorderSize(AttributeInt(value));
            SetBorderSides(0, 0, 0, 0);
        }
    } else if (wcscmp(name, L"leftbordersize") == 0) {
        SetLeftBorderSize(AttributeInt(value));
    } else if (wcscmp(name, L"topbordersize") == 0) {
        SetTopBorderSize(AttributeInt(value));
    } else if (wcscmp(name, L"rightbordersize") == 0) {
        SetRightBorderSize(AttributeInt(value));
    } else if (wcscmp(name, L"bottombordersize") == 0) {
        SetBottomBorderSize(AttributeInt(value));
    } else if (wcscmp(name, L"borderstyle") == 0) {
        SetBorderStyle(AttributeInt(value));
    } else if (wcscmp(name, L"borderround") == 0) {
        const SIZE round = AttributeDecimalSize(value);
        SetBorderRound(round.cx, round.cy);
    } else if (wcscmp(name, L"bkimage") == 0) {
        SetBackImage(value);
    } else if (wcscmp(name, L"width") == 0) {
        SetFixedWidth(AttributeInt(value));
    } else if (wcscmp(name, L"height") == 0) {
        SetFixedHeight(AttributeInt(value));
    } else if (wcscmp(name, L"minwidth") == 0) {
        SetMinWidth(AttributeInt(value));
    } else if (wcscmp(name, L"minheight") == 0) {
        SetMinHeight(AttributeInt(value));
    } else if (wcscmp(name, L"maxwidth") == 0) {
        SetMaxWidth(AttributeInt(value));
    } else if (wcscmp(name, L"maxheight") == 0) {
        SetMaxHeight(AttributeInt(value));
    } else if (wcscmp(name, L"name") == 0) {
        SetName(value);
    } else if (wcscmp(name, L"text") == 0) {
        SetText(value);
    } else if (wcscmp(name, L"tooltip") == 0) {
        SetToolTip(value);
    } else if (wcscmp(name, L"userdata") == 0) {
        SetUserData(value);
    } else if (wcscmp(name, L"enabled") == 0) {
        SetEnabled(AttributeIsTrue(value));
    } else if (wcscmp(name, L"mouse") == 0) {
        SetMouseEnabled(AttributeIsTrue(value));
    } else if (wcscmp(name, L"keyboard") == 0) {
        SetKeyboardEnabled(AttributeIsTrue(value));
    } else if (wcscmp(name, L"visible") == 0) {
        SetVisible(AttributeIsTrue(value));
    } else if (wcscmp(name, L"float") == 0) {
        if (wcschr(value, L',')) {
            double anchors[4] = {};
            AttributeFractionList(value, anchors, 4);
            SetFloatAnchors(anchors[0], anchors[1], anchors[2], anchors[3]);
            SetFloat(true);
        } else {
            SetFloat(AttributeIsTrue(value));
        }
    } else if (wcscmp(name, L"shortcut") == 0) {
        SetShortcut(value[0]);
    } else if (wcscmp(name, L"menu") == 0) {
        SetMenuEnabled(AttributeIsTrue(value));
    } else if (wcscmp(name, L"virtualwnd") == 0) {
        SetVirtualWindowName(value);
    }
}

SIZE CControlUI::MeasureSize(SIZE /*available*/)
{
    return m_cxyFixed;
}

// ---- Painting ---------------------------------------------------------------------------------

void CControlUI::Paint(HDC hDC, const RECT& rcDirty)
{
    if (!::IntersectRect(&m_rcPaint, &rcDirty, &m_rcItem))
        return;
    if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0) {
        CUIClip roundClip;
        CUIClip::ClipToRoundRect(hDC, m_rcPaint, m_rcItem, m_cxyBorderRound.cx,
                                 m_cxyBorderRound.cy, roundClip);
        PaintBackColor(hDC);
        PaintBackImage(hDC);
        PaintStateImage(hDC);
        PaintText(hDC);
        PaintBorder(hDC);
    } else {
        PaintBackColor(hDC);
        PaintBackImage(hDC);
        PaintStateImage(hDC);
        PaintText(hDC);
        PaintBorder(hDC);
    }
}

void CControlUI::PaintBackColor(HDC hDC)
{
    if (m_dwBackColor == 0)
        return;
    const DWORD color1 = GetHslAdjustedColor(m_dwBackColor);
    if (m_dwBackColor2 == 0) {
        if (m_dwBackColor < 0xFF000000)
            CUIPainter::DrawColor(hDC, m_rcItem, color1);
        else
            CUIPainter::DrawColor(hDC, m_rcPaint, color1);
        return;
    }
    const DWORD color2 = GetHslAdjustedColor(m_dwBackColor2);
    if (m_dwBackColor3 != 0) {
        RECT rc = m_rcItem;
        rc.bottom = (m_rcItem.top + m_rcItem.bottom) / 2;
        CUIPainter::DrawGradient(hDC, rc, color1, color2, true, 8);
        rc.top = rc.bottom;
        rc.bottom = m_rcItem.bottom;
        CUIPainter::DrawGradient(hDC, rc, color2, GetHslAdjustedColor(m_dwBackColor3), true, 8);
    } else {
        CUIPainter::DrawGradient(hDC, m_rcItem, color1, color2, true, 16);
    }
}

void CControlUI::PaintBackImage(HDC hDC)
{
    DrawImage(hDC, m_diBk);
}

void CControlUI::PaintStateImage(HDC /*hDC*/)
{
}

void CControlUI::PaintText(HDC /*hDC*/)
{
}

void CControlUI::PaintBorder(HDC hDC)
{
    if (m_dwBorderColor == 0 && m_dwFocusBorderColor == 0)
        return;
    const DWORD border = GetHslAdjustedColor(m_dwBorderColor);
    const DWORD focusBorder = GetHslAdjustedColor(m_dwFocusBorderColor);
    const RECT& rc = m_rcItem;

    if (m_nBorderSize > 0 && (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0)) {
        const DWORD color = m_bFocused && m_dwFocusBorderColor != 0 ? focusBorder : border;
        CUIPainter::DrawRoundRect(hDC, rc, m_nBorderSize, m_cxyBorderRound.cx,
                                  m_cxyBorderRound.cy, color);
    } else if (m_bFocused && m_dwFocusBorderColor != 0 && m_nBorderSize > 0) {
        CUIPainter::DrawRect(hDC, rc, m_nBorderSize, focusBorder);
    } else if (m_rcBorderSize.left > 0 || m_rcBorderSize.top > 0 || m_rcBorderSize.right > 0 ||
               m_rcBorderSize.bottom > 0) {
        if (m_rcBorderSize.left > 0) {
            const RECT line = {rc.left, rc.top, rc.left, rc.bottom};
            CUIPainter::DrawLine(hDC, line, m_rcBorderSize.left, border, m_nBorderStyle);
        }
        if (m_rcBorderSize.top > 0) {
            const RECT line = {rc.left, rc.top, rc.right, rc.top};
            CUIPainter::DrawLine(hDC, line, m_rcBorderSize.top, border, m_nBorderStyle);
        }
        if (m_rcBorderSize.right > 0) {
            const RECT line = {rc.right, rc.top, rc.right, rc.bottom};
            CUIPainter::DrawLine(hDC, line, m_rcBorderSize.right, border, m_nBorderStyle);
        }
        if (m_rcBorderSize.bottom > 0) {
            const RECT line = {rc.left, rc.bottom, rc.right, rc.bottom};
            CUIPainter::DrawLine(hDC, line, m_rcBorderSize.bottom, border, m_nBorderStyle);
        }
    } else if (m_nBorderSize > 0) {
        CUIPainter::DrawRect(hDC, rc, m_nBorderSize, border);
    }
}

void CControlUI::PaintOverlay(HDC /*hDC*/, const RECT& /*rcPaint*/)
{
}

// ---- Non-virtual helpers ------------------------------------------------------------------------

void CControlUI::ApplyAttributeList(LPCWSTR list)
{
    if (!list)
        return;
    LPCWSTR p = list;
    for (;;) {
        LPCWSTR nameStart = p;
        while (*p != L'\0' && *p != L'=')
            ++p;
        if (*p != L'=')
            return;
        CUIString name(nameStart, static_cast<int>(p - nameStart));
        ++p;
        if (*p != L'"')
            return;
        ++p;
        LPCWSTR valueStart = p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p != L'"')
            return;
        CUIString value(valueStart, static_cast<int>(p - valueStart));
        ++p;
        SetAttribute(name.GetData(), value.GetData());
        if (*p != L' ' || p[1] == L'\0')
            return;
        ++p;
    }
}

void CControlUI::Invalidate()
{
    if (!IsVisible())
        return;
    InvalidateClippedByParents(m_pManager, m_pParent, m_rcItem, false);
}

void CControlUI::RequestLayout()
{
    if (!IsVisible())
        return;
    m_bUpdateNeeded = true;
    Invalidate();
    if (m_pManager)
        m_pManager->RequestLayout();
}

void CControlUI::RequestParentLayout()
{
    if (m_pParent) {
        m_pParent->RequestLayout();
        m_pParent->Invalidate();
    } else {
        RequestLayout();
    }
    if (m_pManager)
        m_pManager->RequestLayout();
}

CUIString CControlUI::GetVirtualWindowName() const
{
    if (!m_sVirtualWnd.IsEmpty())
        return m_sVirtualWnd;
    if (m_pParent)
        return m_pParent->GetVirtualWindowName();
    return CUIString();
}

void CControlUI::SetVirtualWindowName(LPCWSTR name)
{
    m_sVirtualWnd = name ? name : L"";
    if (m_pManager)
        m_pManager->SetUseVirtualWindowNames(true);
}

DWORD CControlUI::GetHslAdjustedColor(DWORD color) const
{
    if (!m_bColorHSL)
        return color;
    short h = 0, s = 0, l = 0;
    CUIWindowManager::GetHsl(h, s, l);
    return CUIPainter::AdjustColor(color, h, s, l);
}

bool CControlUI::DrawImage(HDC hDC, CUIImageDesc& desc)
{
    return CUIPainter::DrawImageByDescription(hDC, m_pManager, m_rcItem, m_rcPaint, desc);
}

bool CControlUI::DrawImageInto(HDC hDC, CUIImageDesc& desc, const RECT& rcDest)
{
    // Loaded (and its description parsed) first, so that the description's "dest" cannot
    // undo ours.
    if (!DrawImage(nullptr, desc))
        return false;
    desc.rcDest = rcDest;
    return DrawImage(hDC, desc);
}

void CControlUI::SetBackColor(DWORD color)
{
    if (StoreChanged(m_dwBackColor, color))
        Invalidate();
}

void CControlUI::SetBackColor2(DWORD color)
{
    if (StoreChanged(m_dwBackColor2, color))
        Invalidate();
}

void CControlUI::SetBackColor3(DWORD color)
{
    if (StoreChanged(m_dwBackColor3, color))
        Invalidate();
}

void CControlUI::SetBorderColor(DWORD color)
{
    if (StoreChanged(m_dwBorderColor, color))
        Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color)
{
    if (StoreChanged(m_dwFocusBorderColor, color))
        Invalidate();
}

void CControlUI::SetColorHsl(bool on)
{
    if (StoreChanged(m_bColorHSL, on))
        Invalidate();
}

void CControlUI::SetBorderSize(int size)
{
    if (StoreChanged(m_nBorderSize, size))
        Invalidate();
}

void CControlUI::SetBorderSides(int left, int top, int right, int bottom)
{
    m_rcBorderSize = RECT{left, top, right, bottom};
    Invalidate();
}

void CControlUI::SetLeftBorderSize(int size)
{
    m_rcBorderSize.left = size;
    Invalidate();
}

void CControlUI::SetTopBorderSize(int size)
{
    m_rcBorderSize.top = size;
    Invalidate();
}

void CControlUI::SetRightBorderSize(int size)
{
    m_rcBorderSize.right = size;
    Invalidate();
}

void CControlUI::SetBottomBorderSize(int size)
{
    m_rcBorderSize.bottom = size;
    Invalidate();
}

void CControlUI::SetBorderStyle(int style)
{
    m_nBorderStyle = style;
    Invalidate();
}

void CControlUI::SetBorderRound(int cx, int cy)
{
    m_cxyBorderRound.cx = cx;
    m_cxyBorderRound.cy = cy;
    Invalidate();
}

bool CControlUI::SetImage(CUIImageDesc& desc, LPCWSTR description)
{
    if (!description)
        description = L"";
    if (desc.pImageInfo && desc.sDrawString == description)
        return false;
    desc.Clear();
    desc.sDrawString = description;
    Invalidate();
    return true;
}

void CControlUI::SetBackImage(LPCWSTR description)
{
    if (!SetImage(m_diBk, description))
        return;
    DrawImage(nullptr, m_diBk);
    if (m_bFloat && m_cxyFixed.cx == 0 && m_cxyFixed.cy == 0 && m_diBk.pImageInfo) {
        m_cxyFixed.cx = m_diBk.pImageInfo->nX;
        m_cxyFixed.cy = m_diBk.pImageInfo->nY;
    }
}

} // namespace QxUI
