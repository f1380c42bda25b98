#pragma once

#include <windows.h>

#include "core/UIString.h"
#include "core/UIStringMap.h"

namespace QxUI {

// A font registered by id.
struct CUIFontInfo
{
    HFONT hFont = nullptr;
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
    CUIFontInfo DefaultFontInfo;      // owns its font; an empty face in a window table: shared
    CUIStringMap CustomFonts{kBuckets};       // decimal id -> CUIFontInfo*
    CUIStringMap ImageHash{kBuckets};         // name -> CUIImageInfo*
    CUIStringMap AttributeHash{kBuckets};     // control class -> CUIString*
    CUIStringMap MultiLanguageHash{kBuckets}; // decimal id -> CUIString* (shared table only)
};

} // namespace QxUI
