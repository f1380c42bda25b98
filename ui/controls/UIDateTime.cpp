// Date/time picker: label painting while idle, the system's date picker while picking.

#include "controls/UIDateTime.h"

#include <commctrl.h>

#include <cwchar>

#include "controls/UIOverlayWindow.h"
#include "core/UIManager.h"

namespace QxUI {

namespace {

// The picker's class lives in the common controls: registered here, before the first picker,
// rather than trusting that something else of the process registered it.
bool RegisterDateClasses()
{
    INITCOMMONCONTROLSEX init = {};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_DATE_CLASSES;
    return ::InitCommonControlsEx(&init) != FALSE;
}

} // namespace

// ---- CDateTimeWnd -------------------------------------------------------------------------------

LPCWSTR CDateTimeWnd::GetBaseClassName() const
{
    return DATETIMEPICK_CLASSW;
}

RECT CDateTimeWnd::GetPickerRect() const
{
    return m_pOwner ? m_pOwner->GetPos() : RECT{0, 0, 0, 0};
}

bool CDateTimeWnd::Start(CDateTimeUI* owner)
{
    m_pOwner = owner;
    owner->m_nUpdateFlag = CDateTimeUI::UpdateNone;
    CUIWindowManager* manager = owner->GetManager();
    if (!m_hWnd) {
        if (!manager || !manager->GetPaintWindow())
            return false;
        RegisterDateClasses();
        if (!CreateInRect(manager->GetPaintWindow(), nullptr, WS_CHILD, 0, GetPickerRect()))
            return false;
        m_font = CUIRef<CUIFontInfo>(manager->GetFontEntry(owner->GetFont()));
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font->hFont.Get()), TRUE);
    }
    // Focus messages below run the window's filters and handlers, which may end the picker.
    const CUIWindowManager::DispatchScope scope(m_hWnd);
    if (owner->GetText().IsEmpty())
        ::GetLocalTime(&owner->m_sysTime);
    ::SendMessageW(m_hWnd, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&owner->m_sysTime));
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ::SetFocus(m_hWnd);
    m_bInit = true;
    return true;
}

LRESULT CDateTimeWnd::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KILLFOCUS) {
        const LRESULT result = CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
        if (m_pOwner && m_pOwner->m_nUpdateFlag == CDateTimeUI::UpdateNone) {
            SYSTEMTIME picked = m_pOwner->m_sysTime;
            if (::SendMessageW(m_hWnd, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&picked)) ==
                GDT_VALID)
                m_pOwner->m_sysTime = picked;
            m_pOwner->m_nUpdateFlag = CDateTimeUI::UpdateShowTime;
            m_pOwner->UpdateText();
        }
        m_focusClose.Lost(*this);
        return result;
    }
    if (msg == WM_SETFOCUS)
        m_focusClose.Regained();
    // The control forgets the picker at once, and opens a new one when it takes the focus
    // again; this object goes later, without reaching the control.
    if (msg == WM_DESTROY && m_pOwner) {
        m_pOwner->m_pWindow = nullptr;
        m_pOwner = nullptr;
    }
    if (msg == WM_CLOSE && m_pOwner && !m_focusClose.ShouldClose())
        return 0;
    if (msg == WM_KEYUP && (wParam == VK_BACK || wParam == VK_DELETE || wParam == VK_ESCAPE)) {
        const LRESULT result = CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
        if (m_pOwner) {
            if (wParam == VK_ESCAPE) {
                m_pOwner->m_nUpdateFlag = CDateTimeUI::UpdateKeep;
            } else {
                m_pOwner->m_nUpdateFlag = CDateTimeUI::UpdateEmpty;
                m_pOwner->UpdateText();
            }
        }
        PostMsg(WM_CLOSE);
        return result;
    }
    return CWindowWnd::HandleWindowMessage(msg, wParam, lParam);
}

void CDateTimeWnd::OnWindowDestroyed(HWND /*hWnd*/)
{
    delete this;
}

// ---- CDateTimeUI --------------------------------------------------------------------------------

CDateTimeUI::CDateTimeUI()
{
    ::GetLocalTime(&m_sysTime);
    m_nUpdateFlag = UpdateShowTime;
    UpdateText();
    m_nUpdateFlag = UpdateNone;
}

CDateTimeUI::~CDateTimeUI()
{
    // The picker goes first, and knows its owner no more: its focus loss must not write the
    // date into a freed control.
    CloseOverlayWindow(m_pWindow);
}

LPCWSTR CDateTimeUI::GetClass() const
{
    return L"DateTimeUI";
}

LPVOID CDateTimeUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"DateTime") == 0)
        return this;
    return CLabelUI::AsInterface(name);
}

HWND CDateTimeUI::GetNativeWindow() const
{
    return m_pWindow ? m_pWindow->GetHandle() : nullptr;
}

void CDateTimeUI::UpdateText()
{
    if (m_nUpdateFlag == UpdateShowTime) {
        CUIString text;
        CUIString::Format(text, L"%4d-%02d-%02d", m_sysTime.wYear, m_sysTime.wMonth, m_sysTime.wDay);
        SetText(text.GetData());
    } else if (m_nUpdateFlag == UpdateEmpty) {
        SetText(L"");
    }
}

void CDateTimeUI::SetManager(CUIWindowManager* manager, CControlUI* parent, bool init)
{
    if (manager != m_pManager)
        ReleaseOverlayWindow(m_pWindow);
    CLabelUI::SetManager(manager, parent, init);
}

void CDateTimeUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    // A disabled control must not go on taking keys in a picker it left open.
    if (HWND window = GetNativeWindow())
        ::EnableWindow(window, IsEnabled());
}

void CDateTimeUI::OpenPicker()
{
    auto start = [this](CDateTimeWnd& window) { return window.Start(this); };
    if (m_pWindow)
        start(*m_pWindow);
    else if (!OpenOverlayWindow(m_pWindow, start))
        return;
    if (m_pWindow)
        m_pWindow->Show(true, true);
}

void CDateTimeUI::OnEvent(UIEvent& event)
{
    if (PassOnMouseEvent(event) ||
        HandleOverlayEvent(*this, m_pWindow != nullptr, event, [this] { OpenPicker(); }))
        return;

    switch (event.Type) {
    case UIEventType::ButtonDown:
    case UIEventType::DoubleClick:
    case UIEventType::RButtonDown:
        if (!IsEnabled())
            break;
        // Only while it has the focus: a handler of the press may have moved it on, and the
        // picker would take the focus back from there.
        if (IsFocused())
            OpenPicker();
        return;
    case UIEventType::MouseEnter:
    case UIEventType::MouseLeave:
        return;
    default:
        break;
    }
    CLabelUI::OnEvent(event);
}

} // namespace QxUI
