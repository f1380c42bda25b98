// Small helpers the list family's sources share.
#pragma once

#include <windows.h>

#include <cwchar>

namespace QxUI {

class CContainerUI;
class IListOwnerUI;

namespace ListCommon {

// The owner's own notify delegate: an "itemselect" it queued (the move of the selection after a
// removal) names the selection where it is when delivered, as one raised at once does
// (UIList.cpp).
bool NameSelectionWhenDelivered(IListOwnerUI* owner, void* notification);

// How far the layout scrolls down (negative: up) for the item to show whole within the band,
// less a shown horizontal bar; 0 when it shows already (UIList.cpp).
int DistanceIntoBand(const CContainerUI* layout, const RECT& item, RECT band);

// Attribute and interface names match exactly; a missing name matches nothing.
inline bool Same(LPCWSTR a, LPCWSTR b)
{
    return a && b && wcscmp(a, b) == 0;
}

} // namespace ListCommon
} // namespace QxUI
