// Resource tables (fonts, images, default attributes, language texts) and the process-wide
// settings of the window manager. Lookups try the window's table first, then the shared one.

#include "core/UIManager.h"

#include <cwchar>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "core/UIAttributeValues.h"

namespace QxUI {

namespace {

const WCHAR kMemoryZipName[] = L"membuffer";

CUIString DecimalKey(int id)
{
    WCHAR key[16];
    ::wsprintfW(key, L"%d", id);
    return CUIString(key);
}

// The stock GUI font in another face, size and style.
HFONT CreateStyledFont(LPCWSTR face, int size, bool bold, bool underline, bool italic)
{
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    // The face field holds 31 characters and its terminator; longer names are cut.
    ::lstrcpynW(lf.lfFaceName, face ? face : L"", LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -size;
    if (bold)
        lf.lfWeight += FW_BOLD;
    if (underline)
        lf.lfUnderline = TRUE;
    if (italic)
        lf.lfItalic = TRUE;
    return ::CreateFontIndirectW(&lf);
}

bool SameStyle(const CUIFontInfo& font, LPCWSTR face, int size, bool bold, bool underline,
               bool italic)
{
    return font.sFontName == (face ? face : L"") && font.iSize == size && font.bBold == bold &&
           font.bUnderline == underline && font.bItalic == italic;
}

// Stores a copy of text under key, freeing the text it replaces.
void StoreText(CUIStringMap& map, LPCWSTR key, LPCWSTR text)
{
    CUIString* copy = new (std::nothrow) CUIString(text);
    if (!copy)
        return;
    CUIString* old = static_cast<CUIString*>(map.Find(key));
    if (old) {
        map.Remove(key);
        delete old;
    }
    if (!map.Insert(key, copy))
        delete copy;
}

// Reads "%{digits}" at text[pos]; answers its length, 0 when there is no reference there.
int ReadReference(LPCWSTR text, int pos, int& id)
{
    if (text[pos] != L'%' || text[pos + 1] != L'{')
        return 0;
    int i = pos + 2;
    long long value = 0;
    while (text[i] >= L'0' && text[i] <= L'9') {
        value = value * 10 + (text[i] - L'0');
        if (value > 0x7FFFFFFF)
            value = 0x7FFFFFFF;
        ++i;
    }
    if (text[i] != L'}')
        return 0;
    id = static_cast<int>(value);
    return i + 1 - pos;
}

// Language texts nest at most this deep inside one another, and one expansion grows to at most
// this many characters: texts that insert each other twice over would double at every level.
constexpr int kMaxExpansionDepth = 64;
constexpr size_t kMaxExpandedLength = 0x100000;

// Expands the references of one text onto out. A text is scanned once; the texts it inserts are
// expanded on their own, and a reference back to a text being expanded is left as it stands,
// so texts that refer to themselves, directly or through others, still end. Everything is
// appended to one buffer that grows by doubling: appending piece by piece to exact-size strings
// made long texts quadratic.
void ExpandText(LPCWSTR text, CUIPtrArray& active, std::wstring& out)
{
    int pos = 0;
    int copied = 0;
    while (text[pos] != L'\0') {
        int id = 0;
        const int length = ReadReference(text, pos, id);
        LPCWSTR insert = length ? CUIWindowManager::GetLanguageText(id) : nullptr;
        if (!insert || active.Find(const_cast<LPWSTR>(insert)) >= 0 ||
            active.GetSize() >= kMaxExpansionDepth || out.size() >= kMaxExpandedLength) {
            ++pos;
            continue;
        }
        out.append(text + copied, static_cast<size_t>(pos - copied));
        active.Add(const_cast<LPWSTR>(insert));
        ExpandText(insert, active, out);
        active.Remove(active.GetSize() - 1);
        pos += length;
        copied = pos;
    }
    out.append(text + copied);
}

// The record a map holds under the key, with the map's reference: the entry is gone.
template <class Record>
CUIRef<Record> TakeEntry(CUIStringMap& map, LPCWSTR key)
{
    Record* record = static_cast<Record*>(map.Find(key));
    if (record)
        map.Remove(key);
    return CUIRef<Record>::Adopt(record);
}

// The record goes under the key in place of the older one; the older record stays with its
// other users until they let go of it. False when the map could not take the record.
template <class Record>
bool PutEntry(CUIStringMap& map, LPCWSTR key, CUIRef<Record> record)
{
    TakeEntry<Record>(map, key);
    if (!map.Insert(key, record.Get()))
        return false;
    record.Detach();
    return true;
}

// The map lets go of every record; those still in use elsewhere live on.
template <class Record>
void DropEntries(CUIStringMap& map)
{
    for (int i = 0; i < map.GetSize(); ++i)
        CUIRef<Record>::Adopt(static_cast<Record*>(map.Find(map.GetAt(i), false)));
    map.RemoveAll();
}

// A record of a new font; null when the font cannot be made.
CUIRef<CUIFontInfo> MakeFontRecord(LPCWSTR face, int size, bool bold, bool underline,
                                   bool italic)
{
    win32::UniqueFont font(CreateStyledFont(face, size, bold, underline, italic));
    if (!font)
        return nullptr;
    CUIRef<CUIFontInfo> info(new (std::nothrow) CUIFontInfo);
    if (!info)
        return nullptr;
    info->hFont = std::move(font);
    info->sFontName = face ? face : L"";
    info->iSize = size;
    info->bBold = bold;
    info->bUnderline = underline;
    info->bItalic = italic;
    return info;
}

} // namespace

CUIResourceTable& CUIWindowManager::TableFor(bool shared)
{
    return shared ? s_SharedResources : m_Resources;
}

void CUIWindowManager::MeasureFont(CUIFontInfo& font)
{
    if (!m_hDcPaint || !font.hFont)
        return;
    win32::SelectScope selected(m_hDcPaint, font.hFont.Get());
    ::GetTextMetricsW(m_hDcPaint, &font.tm);
}

// ---------------------------------------------------------------------------------------------
// Fonts

HFONT CUIWindowManager::AddFont(int id, LPCWSTR face, int size, bool bold, bool underline,
                                bool italic, bool shared)
{
    CUIRef<CUIFontInfo> info = MakeFontRecord(face, size, bold, underline, italic);
    if (!info)
        return nullptr;
    MeasureFont(*info);
    const HFONT font = info->hFont.Get();
    if (!PutEntry(TableFor(shared).CustomFonts, DecimalKey(id).GetData(), std::move(info)))
        return nullptr;
    return font;
}

HFONT CUIWindowManager::GetFontHandle(int id)
{
    if (m_pResourceParent)
        return m_pResourceParent->GetFontHandle(id);
    if (id >= 0) {
        const CUIString key = DecimalKey(id);
        CUIFontInfo* font = static_cast<CUIFontInfo*>(m_Resources.CustomFonts.Find(key.GetData()));
        if (!font)
            font = static_cast<CUIFontInfo*>(s_SharedResources.CustomFonts.Find(key.GetData()));
        if (font)
            return font->hFont.Get();
    }
    return GetDefaultFontEntry()->hFont.Get();
}

CUIFontInfo* CUIWindowManager::GetFontEntry(int id)
{
    if (m_pResourceParent)
        return m_pResourceParent->GetFontEntry(id);
    CUIFontInfo* font = nullptr;
    if (id >= 0) {
        const CUIString key = DecimalKey(id);
        font = static_cast<CUIFontInfo*>(m_Resources.CustomFonts.Find(key.GetData()));
        if (!font)
            font = static_cast<CUIFontInfo*>(s_SharedResources.CustomFonts.Find(key.GetData()));
    }
    if (!font)
        return GetDefaultFontEntry();
    if (font->tm.tmHeight == 0)
        MeasureFont(*font);
    return font;
}

CUIFontInfo* CUIWindowManager::GetFontEntryByHandle(HFONT hFont)
{
    if (m_pResourceParent)
        return m_pResourceParent->GetFontEntryByHandle(hFont);
    if (hFont) {
        CUIResourceTable* tables[] = {&m_Resources, &s_SharedResources};
        for (CUIResourceTable* table : tables) {
            CUIStringMap& fonts = table->CustomFonts;
            for (int i = 0; i < fonts.GetSize(); ++i) {
                CUIFontInfo* font = static_cast<CUIFontInfo*>(fonts.Find(fonts.GetAt(i), false));
                if (font && font->hFont.Get() == hFont) {
                    if (font->tm.tmHeight == 0)
                        MeasureFont(*font);
                    return font;
                }
            }
        }
    }
    return GetDefaultFontEntry();
}

HFONT CUIWindowManager::FindFontByStyle(LPCWSTR face, int size, bool bold, bool underline,
                                        bool italic) const
{
    const CUIResourceTable* tables[] = {&m_Resources, &s_SharedResources};
    for (const CUIResourceTable* table : tables) {
        const CUIStringMap& fonts = table->CustomFonts;
        for (int i = 0; i < fonts.GetSize(); ++i) {
            const CUIFontInfo* font =
                static_cast<const CUIFontInfo*>(fonts.Find(fonts.GetAt(i), false));
            if (font && SameStyle(*font, face, size, bold, underline, italic))
                return font->hFont.Get();
        }
    }
    return nullptr;
}

CUIFontInfo* CUIWindowManager::GetDefaultFontEntry()
{
    if (m_pResourceParent)
        return m_pResourceParent->GetDefaultFontEntry();
    const CUIRef<CUIFontInfo>& own = m_Resources.DefaultFontInfo;
    CUIFontInfo& font =
        own && !own->sFontName.IsEmpty() ? *own : *s_SharedResources.DefaultFontInfo;
    if (font.tm.tmHeight == 0)
        MeasureFont(font);
    return &font;
}

void CUIWindowManager::SetDefaultFont(LPCWSTR face, int size, bool bold, bool underline,
                                      bool italic, bool shared)
{
    CUIRef<CUIFontInfo> info = MakeFontRecord(face, size, bold, underline, italic);
    if (!info)
        return;
    MeasureFont(*info);
    // A new record: native windows given the old font keep it until they close.
    TableFor(shared).DefaultFontInfo = std::move(info);
}

void CUIWindowManager::ReleaseFonts(CUIResourceTable& table)
{
    DropEntries<CUIFontInfo>(table.CustomFonts);
}

void CUIWindowManager::RemoveAllFonts(bool shared)
{
    ReleaseFonts(TableFor(shared));
}

// ---------------------------------------------------------------------------------------------
// Images

CUIImageInfo* CUIWindowManager::AddImage(LPCWSTR name, LPCWSTR type, DWORD mask, bool keepCopy,
                                         bool shared)
{
    if (!name || !*name)
        return nullptr;
    CUIRef<CUIImageInfo> image;
    if (type) {
        WORD id = 0;
        if (!AttributeResourceId(name, id))
            return nullptr;
        image = CUIPainter::LoadImage(MAKEINTRESOURCEW(id), type, mask);
    } else {
        image = CUIPainter::LoadImage(name, nullptr, mask);
    }
    if (!image)
        return nullptr;

    image->bUseHSL = keepCopy;
    if (type)
        image->sResType = type;
    image->dwMask = mask;
    if (keepCopy) {
        const size_t count = static_cast<size_t>(image->nX) * static_cast<size_t>(image->nY);
        image->pSrcBits.reset(new (std::nothrow) DWORD[count]);
        if (!image->pSrcBits)
            return nullptr;
        memcpy(image->pSrcBits.get(), image->pBits, count * sizeof(DWORD));
    }

    CUIImageInfo* record = image.Get();
    if (!PutEntry(TableFor(shared).ImageHash, name, std::move(image)))
        return nullptr;
    return record;
}

CUIImageInfo* CUIWindowManager::GetImage(LPCWSTR name) const
{
    if (m_pResourceParent)
        return m_pResourceParent->GetImage(name);
    if (!name)
        return nullptr;
    CUIImageInfo* image = static_cast<CUIImageInfo*>(m_Resources.ImageHash.Find(name));
    if (!image)
        image = static_cast<CUIImageInfo*>(s_SharedResources.ImageHash.Find(name));
    return image;
}

CUIImageInfo* CUIWindowManager::GetImageOrLoad(LPCWSTR name, LPCWSTR type, DWORD mask,
                                               bool keepCopy)
{
    if (m_pResourceParent)
        return m_pResourceParent->GetImageOrLoad(name, type, mask, keepCopy);
    CUIImageInfo* image = GetImage(name);
    if (!image)
        image = AddImage(name, type, mask, keepCopy, false);
    return image;
}

void CUIWindowManager::ReleaseImages(CUIResourceTable& table)
{
    DropEntries<CUIImageInfo>(table.ImageHash);
}

void CUIWindowManager::RemoveAllImages(bool shared)
{
    ReleaseImages(TableFor(shared));
}

// ---------------------------------------------------------------------------------------------
// Default attributes and colours

void CUIWindowManager::AddDefaultAttributes(LPCWSTR className, LPCWSTR text, bool shared)
{
    if (!className)
        return;
    StoreText(TableFor(shared).AttributeHash, className, text);
}

LPCWSTR CUIWindowManager::GetDefaultAttributes(LPCWSTR className) const
{
    if (m_pResourceParent)
        return m_pResourceParent->GetDefaultAttributes(className);
    if (!className)
        return nullptr;
    CUIString* text = static_cast<CUIString*>(m_Resources.AttributeHash.Find(className));
    if (!text)
        text = static_cast<CUIString*>(s_SharedResources.AttributeHash.Find(className));
    return text ? text->GetData() : nullptr;
}

void CUIWindowManager::FreeAttributes(CUIResourceTable& table)
{
    CUIStringMap& texts = table.AttributeHash;
    for (int i = 0; i < texts.GetSize(); ++i)
        delete static_cast<CUIString*>(texts.Find(texts.GetAt(i), false));
    texts.RemoveAll();
}

void CUIWindowManager::RemoveAllDefaultAttributes(bool shared)
{
    FreeAttributes(TableFor(shared));
}

void CUIWindowManager::SetColor(DWORD CUIResourceTable::*field, DWORD color, bool shared)
{
    if (!shared) {
        m_Resources.*field = color;
        return;
    }
    const DWORD old = s_SharedResources.*field;
    s_SharedResources.*field = color;
    // A window that still follows the shared value follows it to the new one.
    if (m_Resources.*field == old)
        m_Resources.*field = color;
}

void CUIWindowManager::SetDisabledTextColor(DWORD color, bool shared)
{
    SetColor(&CUIResourceTable::dwDisabledColor, color, shared);
}

void CUIWindowManager::SetDefaultTextColor(DWORD color, bool shared)
{
    SetColor(&CUIResourceTable::dwDefaultFontColor, color, shared);
}

void CUIWindowManager::SetLinkTextColor(DWORD color, bool shared)
{
    SetColor(&CUIResourceTable::dwDefaultLinkFontColor, color, shared);
}

void CUIWindowManager::SetLinkHoverTextColor(DWORD color, bool shared)
{
    SetColor(&CUIResourceTable::dwDefaultLinkHoverFontColor, color, shared);
}

void CUIWindowManager::SetSelectedColor(DWORD color, bool shared)
{
    SetColor(&CUIResourceTable::dwDefaultSelectedBkColor, color, shared);
}

// ---------------------------------------------------------------------------------------------
// Language texts

void CUIWindowManager::AddLanguageText(int id, LPCWSTR text)
{
    StoreText(s_SharedResources.MultiLanguageHash, DecimalKey(id).GetData(), text);
}

LPCWSTR CUIWindowManager::GetLanguageText(int id)
{
    CUIString* text = static_cast<CUIString*>(
        s_SharedResources.MultiLanguageHash.Find(DecimalKey(id).GetData()));
    return text ? text->GetData() : nullptr;
}

void CUIWindowManager::ExpandLanguageRefs(CUIString& text)
{
    if (text.Find(L"%{") < 0)
        return;
    CUIPtrArray active;
    std::wstring out;
    ExpandText(text.GetData(), active, out);
    text = out.c_str();
}

// ---------------------------------------------------------------------------------------------
// Process-wide settings

CUIString CUIWindowManager::GetModuleFolder()
{
    if (!s_hInstance)
        return CUIString();
    WCHAR path[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(s_hInstance, path, MAX_PATH);
    CUIString folder(path);
    return folder.Left(folder.ReverseFind(L'\\') + 1);
}

void CUIWindowManager::SetResourceFolder(LPCWSTR folder)
{
    s_strResourcePath = folder ? folder : L"";
    const int length = s_strResourcePath.GetLength();
    if (length > 0) {
        const WCHAR last = s_strResourcePath.GetAt(length - 1);
        if (last != L'\\' && last != L'/')
            s_strResourcePath += L'\\';
    }
}

void CUIWindowManager::SetResourceZipFile(LPCWSTR name, bool cached)
{
    if (!name)
        name = L"";
    if (s_strResourceZip == name && s_bCachedResourceZip == cached)
        return;
    if (s_bCachedResourceZip && s_hResourceZip) {
        ZipArchiveClose(s_hResourceZip);
        s_hResourceZip = nullptr;
    }
    s_strResourceZip = name;
    s_bCachedResourceZip = cached;
    if (cached) {
        CUIString path = s_strResourcePath;
        path += name;
        s_hResourceZip = ZipArchiveOpen(path.GetData(), 0, ZipSourcePath);
    }
}

void CUIWindowManager::SetResourceZipMemory(LPVOID data, DWORD size)
{
    // The first in-memory archive stays for the whole process.
    if (s_strResourceZip == kMemoryZipName)
        return;
    if (s_bCachedResourceZip && s_hResourceZip) {
        ZipArchiveClose(s_hResourceZip);
        s_hResourceZip = nullptr;
    }
    s_strResourceZip = kMemoryZipName;
    if (s_bCachedResourceZip)
        s_hResourceZip = ZipArchiveOpen(data, size, ZipSourceMemory);
}

bool CUIWindowManager::GetHsl(short& h, short& s, short& l)
{
    h = s_H;
    s = s_S;
    l = s_L;
    return s_bUseHSL;
}

} // namespace QxUI
