#pragma once

#include <windows.h>

#include "core/UIRef.h"
#include "core/UIString.h"
#include "core/UIStringMap.h"

#include "Win32Handle.h"

namespace QxUI {

// A font registered by id, or a table's default font. Shared by its table and by the native
// windows that were given its handle.
struct CUIFontInfo : CUIRefCounted
{
    win32::UniqueFont hFont;
    CUIString sFontName;
    int iSize = 0;
    bool bBold = false;
    bool bUnderline = false;
    bool bItalic = false;
    TEXTMETRICW tm = {};     // tmHeight 0: not measured yet
};

// Fonts, images, default attribute lists and language texts of one window, or of the process.
struct CUIResourceTable
{
    static const int kBuckets = 83;

    DWORD dwDisabledColor = 0;
    DWORD dwDefaultFontColor = 0;
    DWORD dwDefaultLinkFontColor = 0;
    DWORD dwDefaultLinkHoverFontColor = 0;
    DWORD dwDefaultSelectedBkColor = 0;
    CUIRef<CUIFontInfo> DefaultFontInfo;      // none or an empty face in a window table: shared
    CUIStringMap CustomFonts{kBuckets};       // decimal id -> CUIFontInfo*, one reference each
    CUIStringMap ImageHash{kBuckets};         // name -> CUIImageInfo*, one reference each
    CUIStringMap AttributeHash{kBuckets};     // control class -> CUIString*
    CUIStringMap MultiLanguageHash{kBuckets}; // decimal id -> CUIString* (shared table only)
};

} // namespace QxUI
