// CUIXmlReader and CUIXmlNode: the small in-place XML reader that layout files are read with.
// Elements, attributes, text and five entities only; no text nodes, namespaces or DOCTYPE data.
#pragma once

#include "core/UIZip.h"

#include <windows.h>

namespace QxUI {

class CUIXmlReader;

// A light handle on one element of a reader; it maps the element's attributes on first use.
class CUIXmlNode
{
public:
    static constexpr int kMaxAttributes = 64;

    CUIXmlNode();
    CUIXmlNode(CUIXmlReader* owner, ULONG index);

    bool IsValid() const { return m_pOwner != nullptr; }
    LPCWSTR GetName() const;
    CUIXmlNode GetFirstChild() const;
    CUIXmlNode GetNextSibling() const;
    bool HasChildren() const;

    bool HasAttributes();
    int GetAttributeCount();
    LPCWSTR GetAttributeName(int index);
    LPCWSTR GetAttributeValue(int index);
    // Copies at most size characters of the value of the attribute named exactly so; a value
    // of size characters or more is not terminated, so callers pass one less than their buffer.
    bool GetAttributeValue(LPCWSTR name, LPWSTR buffer, SIZE_T size);

private:
    void MapAttributes();

    ULONG m_iPos;
    int m_nAttributes;
    ULONG m_aAttributes[kMaxAttributes * 2];  // name and value offsets into the text
    CUIXmlReader* m_pOwner;
};

class CUIXmlReader
{
public:
    enum Encoding {
        kEncodingUtf8 = 0,
        kEncodingUtf16 = 1,
        kEncodingAnsi = 2,
    };
    // Layout files and zip items above this size are refused.
    static constexpr DWORD kMaxFileSize = 0x400000;
    // Elements nest at most this deep. Parsing recurses once per level: far above any skin,
    // far below what the stack holds.
    static constexpr int kMaxNesting = 1000;

    explicit CUIXmlReader(LPCWSTR xml = nullptr);
    ~CUIXmlReader();
    CUIXmlReader(const CUIXmlReader&) = delete;
    CUIXmlReader& operator=(const CUIXmlReader&) = delete;

    bool LoadFromString(LPCWSTR xml);
    bool LoadFromMemory(const BYTE* data, DWORD size, int encoding = kEncodingUtf8);

    // Reads a layout file from the window manager's resource folder, or from its resource zip
    // when one is set.
    bool LoadFromFile(LPCWSTR file, int encoding = kEncodingUtf8);

    // Where layout files are read from: the resource folder, or the zip named there when a
    // zip name is set; a zip kept open is read through its handle.
    struct ResourceLocation
    {
        LPCWSTR folder;
        LPCWSTR zipName;
        bool zipKeptOpen;
        HZIPARCHIVE openZip;
    };
    bool LoadFromFile(LPCWSTR file, int encoding, const ResourceLocation& location);
    void Release();

    CUIXmlNode GetRoot();
    LPCWSTR GetErrorMessage() const { return m_szErrorMsg; }
    // The document text where parsing stopped; empty for load errors.
    LPCWSTR GetErrorLocation() const { return m_szErrorXml; }
    // Records an error (at most 99 characters of the message, 49 of the location); answers false.
    bool SetError(LPCWSTR message, LPCWSTR location);

private:
    friend class CUIXmlNode;

    struct XmlElement
    {
        ULONG iName;      // offset of the element name
        ULONG iChild;     // first child, 0 = none
        ULONG iNext;      // next sibling, 0 = none
        ULONG iParent;
        ULONG iAttrEnd;   // where the start tag's attribute area ends
    };

    bool Parse();
    bool ParseElements(LPWSTR& text, ULONG parent, int depth);
    bool ParseAttributes(LPWSTR& text);
    void ParseText(LPWSTR& text, LPWSTR& dest, WCHAR stop);
    void ParseEntity(LPWSTR& text, LPWSTR& dest);
    bool ReserveElement(ULONG* index);
    static void SkipIdentifier(LPWSTR& text);
    static void SkipWhitespace(LPWSTR& text);

    LPWSTR m_pstrXml;
    XmlElement* m_pElements;
    ULONG m_nElements;
    ULONG m_nReservedElements;
    WCHAR m_szErrorMsg[100];
    WCHAR m_szErrorXml[50];
    bool m_bPreserveWhitespace;
};

} // namespace QxUI
