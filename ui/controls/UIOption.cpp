// Option and check box: selection, the window's option groups, the selected look.

#include "controls/UIOption.h"

#include <cwchar>

#include "core/UIAttributeValues.h"
#include "core/UIPtrArray.h"

namespace QxUI {

namespace {

// An option never looks pushed: the bit is hidden while the button paints and put back after.
class PushedHidden
{
public:
    explicit PushedHidden(UINT& state) : m_state(state), m_pushed(state & UISTATE_PUSHED)
    {
        m_state &= ~UISTATE_PUSHED;
    }
    ~PushedHidden() { m_state = (m_state & ~UISTATE_PUSHED) | m_pushed; }
    PushedHidden(const PushedHidden&) = delete;
    PushedHidden& operator=(const PushedHidden&) = delete;

private:
    UINT& m_state;
    UINT m_pushed;
};

} // namespace

COptionUI::COptionUI() = default;

COptionUI::~COptionUI() = default;

LPCWSTR COptionUI::GetClass() const
{
    return L"OptionUI";
}

LPVOID COptionUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"Option") == 0)
        return this;
    return CButtonUI::AsInterface(name);
}

bool COptionUI::Activate()
{
    if (!CButtonUI::Activate())
        return false;
    SetSelected(m_sGroupName.IsEmpty() ? !m_bSelected : true);
    return true;
}

void COptionUI::LeaveGroup()
{
    if (m_pManager && !m_sGroupName.IsEmpty())
        m_pManager->RemoveFromOptionGroup(m_sGroupName.GetData(), this);
}

void COptionUI::SetManager(CUIWindowManager* manager, CControlUI* parent, bool init)
{
    // The window it leaves drops it from its groups; it joins the new window's group on every
    // move, also without init: a combo box's drop-down gives its items back that way.
    const bool moved = manager != m_pManager;
    CButtonUI::SetManager(manager, parent, init);
    if ((init || moved) && m_pManager && !m_sGroupName.IsEmpty())
        m_pManager->AddToOptionGroup(m_sGroupName.GetData(), this);
}

void COptionUI::SetGroup(LPCWSTR group)
{
    if (!group)
        group = L"";
    if (m_sGroupName == group)
        return;
    LeaveGroup();
    m_sGroupName = group;
    if (m_pManager && !m_sGroupName.IsEmpty())
        m_pManager->AddToOptionGroup(m_sGroupName.GetData(), this);
}

void COptionUI::SetSelected(bool selected)
{
    if (m_bSelected == selected)
        return;
    m_bSelected = selected;
    if (selected)
        m_uButtonState |= UISTATE_SELECTED;
    else
        m_uButtonState &= ~UISTATE_SELECTED;
    Invalidate();

    const bool grouped = !m_sGroupName.IsEmpty();
    if (!m_pManager || (grouped && !selected))
        return;
    if (grouped) {
        // A copy: a member's handlers must not change the list being walked.
        CUIPtrArray* group = m_pManager->GetOptionGroup(m_sGroupName.GetData());
        const CUIPtrArray members = group ? *group : CUIPtrArray();
        for (int i = 0; i < members.GetSize(); ++i) {
            COptionUI* other = static_cast<COptionUI*>(members[i]);
            if (other != this)
                other->SetSelected(false);
        }
    }
    m_pManager->RaiseNotify(this, L"selectchanged", 0, 0);
}

void COptionUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = m_bSelected ? UISTATE_SELECTED : 0;
}

void COptionUI::SetAttribute(LPCWSTR name, LPCWSTR value)
{
    if (!name || !value) {
        CButtonUI::SetAttribute(name, value);
        return;
    }
    if (wcscmp(name, L"group") == 0)
        SetGroup(value);
    else if (wcscmp(name, L"selected") == 0)
        SetSelected(AttributeIsTrue(value));
    else if (wcscmp(name, L"selectedimage") == 0)
        SetSelectedImage(value);
    else if (wcscmp(name, L"selectedhotimage") == 0)
        SetSelectedHotImage(value);
    else if (wcscmp(name, L"foreimage") == 0)
        SetForeImage(value);
    else if (wcscmp(name, L"selectedbkcolor") == 0)
        SetSelectedBkColor(AttributeHexColorAfterSpaces(value));
    else if (wcscmp(name, L"selectedtextcolor") == 0)
        SetSelectedTextColor(AttributeHexColorAfterSpaces(value));
    else
        CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintStateImage(HDC hDC)
{
    if (m_bSelected)
        PaintSelectedState(hDC);
    else
        PaintButtonState(hDC);
    DrawImage(hDC, m_diOptionFore);
}

void COptionUI::PaintSelectedState(HDC hDC)
{
    if ((m_uButtonState & UISTATE_HOT) && DrawImage(hDC, m_diSelectedHot))
        return;
    if (DrawImage(hDC, m_diSelected))
        return;
    if (m_dwSelectedBkColor != 0) {
        CUIPainter::DrawColor(hDC, m_rcPaint, GetHslAdjustedColor(m_dwSelectedBkColor));
        return;
    }
    PaintButtonState(hDC);
}

void COptionUI::PaintButtonState(HDC hDC)
{
    PushedHidden hidden(m_uButtonState);
    CButtonUI::PaintStateImage(hDC);
}

void COptionUI::PaintText(HDC hDC)
{
    if (!m_bSelected) {
        PushedHidden hidden(m_uButtonState);
        CButtonUI::PaintText(hDC);
        return;
    }
    if (!m_pManager)
        return;
    const DWORD savedTextColor = m_dwTextColor;
    if (m_dwSelectedTextColor != 0)
        m_dwTextColor = m_dwSelectedTextColor;
    ResolveTextColors();
    if (!m_sText.IsEmpty()) {
        DrawLabelText(hDC, GetTextRect(), IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor,
                      m_uTextStyle);
    }
    m_dwTextColor = savedTextColor;
}

// ---- Check box ----------------------------------------------------------------------------------

LPCWSTR CCheckBoxUI::GetClass() const
{
    return L"CheckBoxUI";
}

LPVOID CCheckBoxUI::AsInterface(LPCWSTR name)
{
    if (name && wcscmp(name, L"CheckBox") == 0)
        return this;
    return COptionUI::AsInterface(name);
}

} // namespace QxUI
