#include "core/UIXml.h"

#include "core/UIManager.h"
#include "core/UIMemory.h"

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>

#include "Win32Handle.h"

namespace QxUI {

namespace {

const WCHAR kErrOpenFile[] = L"Error opening file";
const WCHAR kErrFileEmpty[] = L"File is empty";
const WCHAR kErrFileTooLarge[] = L"File too large";
const WCHAR kErrReadFile[] = L"Could not read file";
const WCHAR kErrOpenZip[] = L"Error opening zip file";
const WCHAR kErrZipItemMissing[] = L"Could not find ziped file";
const WCHAR kErrUnzip[] = L"Could not unzip file";
const WCHAR kErrStartTag[] = L"Expected start tag";
const WCHAR kErrElementName[] = L"Error parsing element name";
const WCHAR kErrStartTagClosing[] = L"Expected start-tag closing";
const WCHAR kErrEndTagStart[] = L"Expected end-tag start";
const WCHAR kErrUnmatchedClosing[] = L"Unmatched closing tag";
const WCHAR kErrAttributes[] = L"Error while parsing attributes";
const WCHAR kErrAttributeValue[] = L"Expected attribute value";
const WCHAR kErrAttributeString[] = L"Error while parsing attribute string";
const WCHAR kErrOutOfMemory[] = L"Out of memory";
const WCHAR kErrTooDeep[] = L"Elements nested too deep";

struct FreeDeleter
{
    void operator()(void* block) const { UIFree(block); }
};
typedef std::unique_ptr<BYTE, FreeDeleter> ByteBlock;

// Closes a zip opened for one load; a zip the caller keeps open is left alone.
class ZipForLoad
{
public:
    ZipForLoad(HZIPARCHIVE zip, bool owned) : m_zip(zip), m_owned(owned) {}
    ~ZipForLoad()
    {
        if (m_owned && m_zip != nullptr)
            ZipArchiveClose(m_zip);
    }
    ZipForLoad(const ZipForLoad&) = delete;
    ZipForLoad& operator=(const ZipForLoad&) = delete;
    HZIPARCHIVE Get() const { return m_zip; }

private:
    HZIPARCHIVE m_zip;
    bool m_owned;
};

LPCWSTR ReadPlainFile(const std::wstring& path, ByteBlock& bytes, DWORD* size)
{
    win32::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return kErrOpenFile;
    LARGE_INTEGER length = {};
    if (!::GetFileSizeEx(file.Get(), &length))
        return kErrReadFile;
    if (length.QuadPart == 0)
        return kErrFileEmpty;
    if (length.QuadPart > CUIXmlReader::kMaxFileSize)
        return kErrFileTooLarge;
    *size = static_cast<DWORD>(length.QuadPart);
    bytes.reset(static_cast<BYTE*>(UIAlloc(*size)));
    if (!bytes)
        return kErrOutOfMemory;
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.get(), *size, &read, nullptr) || read < *size) {
        bytes.reset();
        return kErrReadFile;
    }
    return nullptr;
}

LPCWSTR ReadZipItem(LPCWSTR file, const CUIXmlReader::ResourceLocation& location, ByteBlock& bytes,
                    DWORD* size)
{
    HZIPARCHIVE zip = location.zipKeptOpen ? location.openZip : nullptr;
    const bool ownZip = !location.zipKeptOpen;
    if (ownZip) {
        std::wstring path = location.folder != nullptr ? location.folder : L"";
        path += location.zipName;
        zip = ZipArchiveOpen(path.c_str(), 0, ZipSourcePath);
    }
    ZipForLoad guard(zip, ownZip);
    if (zip == nullptr)
        return kErrOpenZip;

    int index = -1;
    ZipArchiveItem item = {};
    if (ZipArchiveFindItem(zip, file, true, &index, &item) != ZipOk)
        return kErrZipItemMissing;
    if (item.uncompressedSize <= 0)
        return kErrFileEmpty;
    if (static_cast<DWORD>(item.uncompressedSize) > CUIXmlReader::kMaxFileSize)
        return kErrFileTooLarge;
    *size = static_cast<DWORD>(item.uncompressedSize);
    bytes.reset(static_cast<BYTE*>(UIAlloc(*size)));
    if (!bytes)
        return kErrOutOfMemory;
    const ZipResult result = ZipArchiveExtract(zip, index, bytes.get(), *size, ZipSourceMemory);
    if (result != ZipOk && result != ZipPartial) {
        bytes.reset();
        return kErrUnzip;
    }
    return nullptr;
}

// A wide buffer of length + 1 units from bytes in a code page; null when it cannot be had.
LPWSTR DecodeMultiByte(UINT codePage, const BYTE* data, DWORD size)
{
    if (size > static_cast<DWORD>(INT_MAX))
        return nullptr;
    const LPCSTR text = reinterpret_cast<LPCSTR>(data);
    const int units = size > 0 ? ::MultiByteToWideChar(codePage, 0, text, static_cast<int>(size), nullptr, 0) : 0;
    if (size > 0 && units <= 0)
        return nullptr;
    LPWSTR buffer = static_cast<LPWSTR>(UIAlloc((static_cast<size_t>(units) + 1) * sizeof(WCHAR)));
    if (buffer == nullptr)
        return nullptr;
    if (units > 0)
        ::MultiByteToWideChar(codePage, 0, text, static_cast<int>(size), buffer, units);
    buffer[units] = L'\0';
    return buffer;
}

LPWSTR DecodeUtf16(const BYTE* data, DWORD size)
{
    if (size < 2)
        return nullptr;
    const bool littleEndian = data[0] == 0xFF && data[1] == 0xFE;
    const bool bigEndian = data[0] == 0xFE && data[1] == 0xFF;
    if (!littleEndian && !bigEndian)
        return nullptr;
    const size_t units = size / 2 - 1;
    LPWSTR buffer = static_cast<LPWSTR>(UIAlloc((units + 1) * sizeof(WCHAR)));
    if (buffer == nullptr)
        return nullptr;
    for (size_t i = 0; i < units; ++i) {
        const BYTE first = data[2 + 2 * i];
        const BYTE second = data[3 + 2 * i];
        buffer[i] = littleEndian ? static_cast<WCHAR>(first | (second << 8))
                                 : static_cast<WCHAR>(second | (first << 8));
    }
    buffer[units] = L'\0';
    return buffer;
}

bool IsIdentifierChar(WCHAR c)
{
    return c == L'_' || c == L':' || iswalnum(c);
}

} // namespace

// ---- CUIXmlNode ---------------------------------------------------------------------------

CUIXmlNode::CUIXmlNode() : m_iPos(0), m_nAttributes(0), m_pOwner(nullptr)
{
}

CUIXmlNode::CUIXmlNode(CUIXmlReader* owner, ULONG index) : m_iPos(index), m_nAttributes(0), m_pOwner(owner)
{
}

LPCWSTR CUIXmlNode::GetName() const
{
    if (m_pOwner == nullptr)
        return nullptr;
    return m_pOwner->m_pstrXml + m_pOwner->m_pElements[m_iPos].iName;
}

CUIXmlNode CUIXmlNode::GetFirstChild() const
{
    if (m_pOwner == nullptr)
        return CUIXmlNode();
    const ULONG child = m_pOwner->m_pElements[m_iPos].iChild;
    return child != 0 ? CUIXmlNode(m_pOwner, child) : CUIXmlNode();
}

CUIXmlNode CUIXmlNode::GetNextSibling() const
{
    if (m_pOwner == nullptr)
        return CUIXmlNode();
    const ULONG next = m_pOwner->m_pElements[m_iPos].iNext;
    return next != 0 ? CUIXmlNode(m_pOwner, next) : CUIXmlNode();
}

bool CUIXmlNode::HasChildren() const
{
    return m_pOwner != nullptr && m_pOwner->m_pElements[m_iPos].iChild != 0;
}

bool CUIXmlNode::HasAttributes()
{
    return GetAttributeCount() > 0;
}

int CUIXmlNode::GetAttributeCount()
{
    if (m_pOwner == nullptr)
        return 0;
    if (m_nAttributes == 0)
        MapAttributes();
    return m_nAttributes;
}

LPCWSTR CUIXmlNode::GetAttributeName(int index)
{
    if (index < 0 || index >= GetAttributeCount())
        return L"";
    return m_pOwner->m_pstrXml + m_aAttributes[index * 2];
}

LPCWSTR CUIXmlNode::GetAttributeValue(int index)
{
    if (index < 0 || index >= GetAttributeCount())
        return L"";
    return m_pOwner->m_pstrXml + m_aAttributes[index * 2 + 1];
}

bool CUIXmlNode::GetAttributeValue(LPCWSTR name, LPWSTR buffer, SIZE_T size)
{
    if (name == nullptr || buffer == nullptr)
        return false;
    const int count = GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        if (wcscmp(m_pOwner->m_pstrXml + m_aAttributes[i * 2], name) == 0) {
            wcsncpy(buffer, m_pOwner->m_pstrXml + m_aAttributes[i * 2 + 1], size);
            return true;
        }
    }
    return false;
}

void CUIXmlNode::MapAttributes()
{
    m_nAttributes = 0;
    LPWSTR xml = m_pOwner->m_pstrXml;
    const CUIXmlReader::XmlElement& element = m_pOwner->m_pElements[m_iPos];
    LPWSTR text = xml + element.iName;
    LPWSTR end = xml + element.iAttrEnd;
    // Every step stays inside the attribute area: a start tag such as "<a >" at the end of the
    // document leaves no terminator between its area and the end of the text.
    const auto skipString = [end](LPWSTR& p) {
        while (p < end && *p != L'\0')
            ++p;
        if (p < end)
            ++p;
    };
    const auto skipWhitespace = [end](LPWSTR& p) {
        while (p < end && *p > L'\0' && *p <= L' ')
            ++p;
    };
    skipString(text);
    while (text < end) {
        skipWhitespace(text);
        if (text >= end)
            return;
        const ULONG nameOffset = static_cast<ULONG>(text - xml);
        skipString(text);
        skipWhitespace(text);
        if (text >= end || *text++ != L'"')
            return;
        m_aAttributes[m_nAttributes * 2] = nameOffset;
        m_aAttributes[m_nAttributes * 2 + 1] = static_cast<ULONG>(text - xml);
        if (++m_nAttributes >= kMaxAttributes)
            return;
        skipString(text);
    }
}

// ---- CUIXmlReader -------------------------------------------------------------------------

CUIXmlReader::CUIXmlReader(LPCWSTR xml)
    : m_pstrXml(nullptr), m_pElements(nullptr), m_nElements(0), m_nReservedElements(0),
      m_bPreserveWhitespace(true)
{
    m_szErrorMsg[0] = L'\0';
    m_szErrorXml[0] = L'\0';
    if (xml != nullptr)
        LoadFromString(xml);
}

CUIXmlReader::~CUIXmlReader()
{
    Release();
}

void CUIXmlReader::Release()
{
    UIFree(m_pstrXml);
    UIFree(m_pElements);
    m_pstrXml = nullptr;
    m_pElements = nullptr;
    m_nElements = 0;
}

bool CUIXmlReader::SetError(LPCWSTR message, LPCWSTR location)
{
    lstrcpynW(m_szErrorMsg, message != nullptr ? message : L"", _countof(m_szErrorMsg));
    lstrcpynW(m_szErrorXml, location != nullptr ? location : L"", _countof(m_szErrorXml));
    return false;
}

CUIXmlNode CUIXmlReader::GetRoot()
{
    if (m_nElements < 2)
        return CUIXmlNode();
    return CUIXmlNode(this, 1);
}

bool CUIXmlReader::LoadFromString(LPCWSTR xml)
{
    Release();
    if (xml == nullptr)
        return false;
    const size_t bytes = (wcslen(xml) + 1) * sizeof(WCHAR);
    m_pstrXml = static_cast<LPWSTR>(UIAlloc(bytes));
    if (m_pstrXml == nullptr)
        return SetError(kErrOutOfMemory, nullptr);
    memcpy(m_pstrXml, xml, bytes);
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CUIXmlReader::LoadFromMemory(const BYTE* data, DWORD size, int encoding)
{
    Release();
    if (data == nullptr)
        size = 0;
    if (encoding == kEncodingUtf8) {
        if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
            data += 3;
            size -= 3;
        }
        m_pstrXml = DecodeMultiByte(CP_UTF8, data, size);
    } else if (encoding == kEncodingAnsi) {
        m_pstrXml = DecodeMultiByte(CP_ACP, data, size);
    } else {
        m_pstrXml = DecodeUtf16(data, size);
    }
    if (m_pstrXml == nullptr)
        return false;
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CUIXmlReader::LoadFromFile(LPCWSTR file, int encoding)
{
    const ResourceLocation location = {
        CUIWindowManager::GetResourceFolder().GetData(),
        CUIWindowManager::GetResourceZipName().GetData(),
        CUIWindowManager::IsResourceZipCached(),
        CUIWindowManager::GetResourceZipHandle(),
    };
    return LoadFromFile(file, encoding, location);
}

bool CUIXmlReader::LoadFromFile(LPCWSTR file, int encoding, const ResourceLocation& location)
{
    Release();
    ByteBlock bytes;
    DWORD size = 0;
    LPCWSTR error;
    if (location.zipName == nullptr || location.zipName[0] == L'\0') {
        std::wstring path = location.folder != nullptr ? location.folder : L"";
        path += file != nullptr ? file : L"";
        error = ReadPlainFile(path, bytes, &size);
    } else {
        error = ReadZipItem(file != nullptr ? file : L"", location, bytes, &size);
    }
    if (error != nullptr)
        return SetError(error, nullptr);
    return LoadFromMemory(bytes.get(), size, encoding);
}

bool CUIXmlReader::ReserveElement(ULONG* index)
{
    if (m_nElements == 0)
        m_nReservedElements = 0;
    if (m_nElements >= m_nReservedElements) {
        const ULONG capacity = m_nReservedElements + m_nReservedElements / 2 + 500;
        XmlElement* table = static_cast<XmlElement*>(UIRealloc(
            m_pElements, m_nReservedElements * sizeof(XmlElement), capacity * sizeof(XmlElement)));
        if (table == nullptr)
            return false;
        m_pElements = table;
        m_nReservedElements = capacity;
    }
    *index = m_nElements++;
    m_pElements[*index] = XmlElement();
    return true;
}

void CUIXmlReader::SkipWhitespace(LPWSTR& text)
{
    while (*text > L'\0' && *text <= L' ')
        ++text;
}

void CUIXmlReader::SkipIdentifier(LPWSTR& text)
{
    while (*text != L'\0' && IsIdentifierChar(*text))
        ++text;
}

bool CUIXmlReader::Parse()
{
    ULONG document = 0;
    m_nElements = 0;
    if (!ReserveElement(&document))
        return SetError(kErrOutOfMemory, nullptr);
    SetError(L"", nullptr);
    LPWSTR text = m_pstrXml;
    return ParseElements(text, 0, 0);
}

// depth: how many elements enclose the ones this call reads.
bool CUIXmlReader::ParseElements(LPWSTR& text, ULONG parent, int depth)
{
    SkipWhitespace(text);
    ULONG previous = 0;
    for (;;) {
        // A document may end inside the root or one of its children: their end tags are optional.
        if (*text == L'\0' && parent <= 1)
            return true;
        SkipWhitespace(text);
        if (*text != L'<')
            return SetError(kErrStartTag, text);
        if (text[1] == L'/')
            return true;
        *text++ = L'\0';
        SkipWhitespace(text);

        // Comments, declarations and processing instructions are dropped.
        if (*text == L'!' || *text == L'?') {
            const bool comment = text[0] == L'!' && text[1] == L'-' && text[2] == L'-';
            const bool instruction = *text == L'?';
            while (*text != L'\0') {
                if (comment && text[0] == L'-' && text[1] == L'>')
                    break;
                if (instruction && text[0] == L'?' && text[1] == L'>')
                    break;
                // A declaration such as DOCTYPE has no "->" to end it: it ends at its ">".
                if (!comment && !instruction && text[0] == L'>')
                    break;
                ++text;
            }
            if (*text != L'\0')
                text += (!comment && !instruction) ? 1 : 2;
            SkipWhitespace(text);
            continue;
        }

        SkipWhitespace(text);
        if (depth >= kMaxNesting)
            return SetError(kErrTooDeep, text);
        ULONG index = 0;
        if (!ReserveElement(&index))
            return SetError(kErrOutOfMemory, text);
        m_pElements[index].iName = static_cast<ULONG>(text - m_pstrXml);
        m_pElements[index].iParent = parent;
        if (previous != 0)
            m_pElements[previous].iNext = index;
        else if (parent != 0)
            m_pElements[parent].iChild = index;
        previous = index;

        LPCWSTR name = text;
        SkipIdentifier(text);
        LPWSTR nameEnd = text;
        if (*text == L'\0')
            return SetError(kErrElementName, text);
        if (!ParseAttributes(text))
            return false;
        SkipWhitespace(text);

        if (text[0] == L'/' && text[1] == L'>') {
            m_pElements[index].iAttrEnd = static_cast<ULONG>(text - m_pstrXml);
            *text = L'\0';
            text += 2;
        } else {
            if (*text != L'>')
                return SetError(kErrStartTagClosing, text);
            m_pElements[index].iAttrEnd = static_cast<ULONG>(++text - m_pstrXml);
            LPWSTR dest = text;
            ParseText(text, dest, L'<');
            if (*text == L'\0' && parent <= 1) {
                // Ended inside this element: its name and text still need their terminators.
                *dest = L'\0';
                *nameEnd = L'\0';
                return true;
            }
            if (*text != L'<')
                return SetError(kErrEndTagStart, text);
            if (text[1] != L'/' && !ParseElements(text, index, depth + 1))
                return false;
            if (text[0] == L'<' && text[1] == L'/') {
                *dest = L'\0';
                *text = L'\0';
                text += 2;
                SkipWhitespace(text);
                const size_t nameLength = static_cast<size_t>(nameEnd - name);
                if (wcsncmp(text, name, nameLength) != 0)
                    return SetError(kErrUnmatchedClosing, text);
                text += nameLength;
                SkipWhitespace(text);
                if (*text != L'>')
                    return SetError(kErrUnmatchedClosing, text);
                ++text;
            }
        }
        *nameEnd = L'\0';
        SkipWhitespace(text);
    }
}

bool CUIXmlReader::ParseAttributes(LPWSTR& text)
{
    // "<Name/>" has no blank before its "/": that "/" must survive to close the element.
    if (*text == L'>' || *text == L'/')
        return true;
    *text++ = L'\0';
    for (;;) {
        SkipWhitespace(text);
        if (*text == L'\0' || *text == L'>' || *text == L'/')
            return true;
        SkipIdentifier(text);
        LPWSTR nameEnd = text;
        SkipWhitespace(text);
        if (*text != L'=')
            return SetError(kErrAttributes, text);
        *text++ = L' ';
        *nameEnd = L'\0';
        SkipWhitespace(text);
        if (*text != L'"')
            return SetError(kErrAttributeValue, text);
        ++text;
        LPWSTR dest = text;
        ParseText(text, dest, L'"');
        if (*text == L'\0')
            return SetError(kErrAttributeString, text);
        *dest = L'\0';
        if (dest != text)
            *text = L' ';
        ++text;
    }
}

void CUIXmlReader::ParseText(LPWSTR& text, LPWSTR& dest, WCHAR stop)
{
    while (*text != L'\0' && *text != stop) {
        if (*text == L'&') {
            while (*text == L'&')
                ParseEntity(++text, dest);
            // The text may end right after an entity: never copy past its terminator.
            if (*text == stop || *text == L'\0')
                break;
        }
        if (*text == L' ') {
            *dest++ = *text++;
            if (!m_bPreserveWhitespace)
                SkipWhitespace(text);
        } else if (IS_HIGH_SURROGATE(*text) && IS_LOW_SURROGATE(text[1])) {
            *dest++ = *text++;
            *dest++ = *text++;
        } else {
            *dest++ = *text++;
        }
    }
    for (LPWSTR blank = dest + 1; blank < text; ++blank)
        *blank = L' ';
}

void CUIXmlReader::ParseEntity(LPWSTR& text, LPWSTR& dest)
{
    static const struct
    {
        LPCWSTR name;
        size_t length;
        WCHAR value;
    } kEntities[] = {
        {L"amp;", 4, L'&'}, {L"lt;", 3, L'<'}, {L"gt;", 3, L'>'}, {L"quot;", 5, L'"'}, {L"apos;", 5, L'\''},
    };
    for (const auto& entity : kEntities) {
        if (wcsncmp(text, entity.name, entity.length) == 0) {
            *dest++ = entity.value;
            text += entity.length;
            return;
        }
    }
    *dest++ = L'&';
}

} // namespace QxUI
