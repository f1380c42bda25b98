#include "core/UIXml.h"

#include "core/UIManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base_zips.inc"

using qixtest::WriteFileBytes;

using namespace QxUI;

namespace {

std::wstring Attr(CUIXmlNode node, LPCWSTR name)
{
    WCHAR buffer[256] = {};
    if (!node.GetAttributeValue(name, buffer, _countof(buffer) - 1))
        return L"<none>";
    return buffer;
}

// Loads a text that must fail and answers the error message.
std::wstring ErrorOf(LPCWSTR xml, std::wstring* location = nullptr)
{
    CUIXmlReader reader;
    EXPECT_FALSE(reader.LoadFromString(xml)) << "loaded: " << std::string(xml, xml + wcslen(xml));
    EXPECT_FALSE(reader.GetRoot().IsValid());
    if (location != nullptr)
        *location = reader.GetErrorLocation();
    return reader.GetErrorMessage();
}

// head and filler, sized so that the reader's copy ends at a page end (large heap blocks get
// pages of their own, and the probe finds where their data starts in the page).
std::wstring PageEndDocument(const std::wstring& head)
{
    void* probe = ::operator new(1 << 20);
    const size_t bytes = (1 << 20) + 4096 - reinterpret_cast<UINT_PTR>(probe) % 4096;
    ::operator delete(probe);
    return head + std::wstring(bytes / sizeof(WCHAR) - 1 - head.size(), L'x');
}

std::vector<BYTE> Utf16Bytes(const std::wstring& text, bool bigEndian)
{
    std::vector<BYTE> bytes;
    bytes.push_back(bigEndian ? 0xFE : 0xFF);
    bytes.push_back(bigEndian ? 0xFF : 0xFE);
    for (wchar_t c : text) {
        BYTE low = static_cast<BYTE>(c & 0xFF), high = static_cast<BYTE>(c >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

} // namespace

TEST(XmlTree, ElementsSiblingsAndAttributes)
{
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromString(
        L"<Window size=\"300,200\" caption = \"0,0,0,30\">\n"
        L"  <VerticalLayout name=\"body\">\n"
        L"    <Label text=\"a\"/>\n"
        L"    <Button\tname=\"ok\" text=\"OK\" />\n"
        L"  </VerticalLayout>\n"
        L"  <Font id=\"0\"/>\n"
        L"</Window>"));
    CUIXmlNode root = reader.GetRoot();
    ASSERT_TRUE(root.IsValid());
    EXPECT_STREQ(L"Window", root.GetName());
    ASSERT_EQ(2, root.GetAttributeCount());
    EXPECT_STREQ(L"size", root.GetAttributeName(0));
    EXPECT_STREQ(L"300,200", root.GetAttributeValue(0));
    EXPECT_STREQ(L"caption", root.GetAttributeName(1));
    EXPECT_STREQ(L"0,0,0,30", root.GetAttributeValue(1));
    EXPECT_STREQ(L"", root.GetAttributeName(2));
    EXPECT_STREQ(L"", root.GetAttributeValue(-1));

    CUIXmlNode body = root.GetFirstChild();
    EXPECT_STREQ(L"VerticalLayout", body.GetName());
    CUIXmlNode label = body.GetFirstChild();
    EXPECT_STREQ(L"Label", label.GetName());
    EXPECT_EQ(L"a", Attr(label, L"text"));
    CUIXmlNode button = label.GetNextSibling();
    EXPECT_STREQ(L"Button", button.GetName());
    EXPECT_EQ(L"ok", Attr(button, L"name"));
    EXPECT_EQ(L"OK", Attr(button, L"text"));
    EXPECT_FALSE(button.GetNextSibling().IsValid());
    EXPECT_FALSE(button.HasChildren());
    CUIXmlNode font = body.GetNextSibling();
    EXPECT_STREQ(L"Font", font.GetName());
    EXPECT_FALSE(font.GetNextSibling().IsValid());

    CUIXmlNode invalid;
    EXPECT_EQ(nullptr, invalid.GetName());
    EXPECT_FALSE(invalid.GetFirstChild().IsValid());
    EXPECT_EQ(0, invalid.GetAttributeCount());
    EXPECT_EQ(L"<none>", Attr(invalid, L"x"));
}

TEST(XmlTree, SelfClosingWithoutBlankStaysEmpty)
{
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromString(
        L"<Window><VerticalLayout/><HorizontalLayout><Control/><Label/></HorizontalLayout>"
        L"<Button name=\"b\"/></Window>"));
    CUIXmlNode vertical = reader.GetRoot().GetFirstChild();
    EXPECT_STREQ(L"VerticalLayout", vertical.GetName());
    EXPECT_FALSE(vertical.HasChildren());
    EXPECT_FALSE(vertical.HasAttributes());
    CUIXmlNode horizontal = vertical.GetNextSibling();
    EXPECT_STREQ(L"HorizontalLayout", horizontal.GetName());
    EXPECT_STREQ(L"Control", horizontal.GetFirstChild().GetName());
    EXPECT_STREQ(L"Label", horizontal.GetFirstChild().GetNextSibling().GetName());
    CUIXmlNode button = horizontal.GetNextSibling();
    EXPECT_STREQ(L"Button", button.GetName());
    EXPECT_EQ(L"b", Attr(button, L"name"));
}

TEST(XmlTree, MissingEndTagsOfRootAndItsChildren)
{
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromString(L"<Window a=\"1\"><Child>some text"));
    EXPECT_STREQ(L"Window", reader.GetRoot().GetName());
    EXPECT_STREQ(L"Child", reader.GetRoot().GetFirstChild().GetName());
    ASSERT_TRUE(reader.LoadFromString(L"<Window>"));
    EXPECT_STREQ(L"Window", reader.GetRoot().GetName());
    ASSERT_TRUE(reader.LoadFromString(L"<Window><A/><B></B>"));
    EXPECT_STREQ(L"B", reader.GetRoot().GetFirstChild().GetNextSibling().GetName());

    EXPECT_EQ(L"Expected start tag", ErrorOf(L"<Window><A><B/>"));
    EXPECT_EQ(L"Expected end-tag start", ErrorOf(L"<Window><A><B>text"));
}

TEST(XmlTree, CommentsDeclarationsAndInstructionsAreDropped)
{
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromString(
        L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE Window>\n<!-- the window -->\n"
        L"<Window><!-- <Ignored/> --><Label/></Window>"));
    EXPECT_STREQ(L"Window", reader.GetRoot().GetName());
    EXPECT_STREQ(L"Label", reader.GetRoot().GetFirstChild().GetName());
    EXPECT_FALSE(reader.GetRoot().GetFirstChild().GetNextSibling().IsValid());

    // A comment ends at its first "->"; what follows is read as markup again.
    EXPECT_EQ(L"Expected start tag", ErrorOf(L"<Window><Label/><!-- a -> b --></Window>"));
}

TEST(XmlText, EntitiesInValues)
{
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromString(
        L"<a x=\"&lt;b&gt; &quot;q&quot; &apos;s&apos;\" y=\"&amp;&nbsp;\" z=\"&#65;&\" w=\"plain\"/>"));
    CUIXmlNode a = reader.GetRoot();
    EXPECT_EQ(L"<b> \"q\" 's'", Attr(a, L"x"));
    EXPECT_EQ(L"&&nbsp;", Attr(a, L"y"));
    EXPECT_EQ(L"&#65;&", Attr(a, L"z"));
    EXPECT_EQ(L"plain", Attr(a, L"w"));
    EXPECT_EQ(4, a.GetAttributeCount());
}

TEST(XmlText, EntityAtTheEndOfTheTextStaysInBounds)
{
    EXPECT_EQ(L"Error while parsing attribute string", ErrorOf(L"<a x=\"&amp;"));
    EXPECT_EQ(L"Error while parsing attribute string", ErrorOf(L"<a x=\"&"));
    CUIXmlReader reader;
    EXPECT_TRUE(reader.LoadFromString(L"<a>&amp;"));
    EXPECT_STREQ(L"a", reader.GetRoot().GetName());
}

TEST(XmlAttributes, StartTagAtTheEndOfTheTextIsMappedInBounds)
{
    // One character between the name and ">", and the text ends inside the element.
    for (LPCWSTR head : {L"<a >", L"<a%>", L"<Window><Label,>"}) {
        const std::wstring xml = PageEndDocument(head);
        CUIXmlReader reader;
        ASSERT_TRUE(reader.LoadFromString(xml.c_str()));
        CUIXmlNode element = reader.GetRoot();
        BYTE* end = reinterpret_cast<BYTE*>(const_cast<LPWSTR>(element.GetName()) + xml.size());
        ASSERT_EQ(0u, reinterpret_cast<UINT_PTR>(end) % 4096);
        // The page after the text (free, or a neighbour's) faults while attributes are mapped.
        DWORD old = 0;
        const bool guarded = ::VirtualProtect(end, 1, PAGE_NOACCESS, &old) != FALSE;
        element = element.HasChildren() ? element.GetFirstChild() : element;
        const int count = element.GetAttributeCount();
        if (guarded)
            ::VirtualProtect(end, 1, old, &old);
        EXPECT_EQ(0, count) << std::string(head, head + wcslen(head));
    }
}

TEST(XmlText, NonAsciiNamesAndSurrogates)
{
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromString(L"<\x7A97\x53E3 text=\"\xD83D\xDE00&amp;\x4E2D\"/>"));
    EXPECT_STREQ(L"\x7A97\x53E3", reader.GetRoot().GetName());
    EXPECT_EQ(L"\xD83D\xDE00&\x4E2D", Attr(reader.GetRoot(), L"text"));
}

TEST(XmlAttributes, AtMost64AreMapped)
{
    std::wstring xml = L"<Many";
    for (int i = 0; i < 70; ++i)
        xml += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
    xml += L"><Child/></Many>";
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromString(xml.c_str()));
    CUIXmlNode many = reader.GetRoot();
    EXPECT_EQ(64, many.GetAttributeCount());
    EXPECT_STREQ(L"a63", many.GetAttributeName(63));
    EXPECT_STREQ(L"63", many.GetAttributeValue(63));
    EXPECT_EQ(L"<none>", Attr(many, L"a64"));
    EXPECT_STREQ(L"Child", many.GetFirstChild().GetName());
}

TEST(XmlAttributes, LookupByNameIsExactAndBounded)
{
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromString(L"<a Name=\"upper\" name=\"lower\" long=\"0123456789\"/>"));
    CUIXmlNode a = reader.GetRoot();
    EXPECT_EQ(L"lower", Attr(a, L"name"));
    EXPECT_EQ(L"upper", Attr(a, L"Name"));
    EXPECT_EQ(L"<none>", Attr(a, L"NAME"));
    WCHAR buffer[6];
    wmemset(buffer, L'#', 6);
    EXPECT_TRUE(a.GetAttributeValue(L"long", buffer, 5));
    EXPECT_EQ(0, wmemcmp(buffer, L"01234#", 6)) << "at most the given count is written";
}

TEST(XmlErrors, TextsAndLocations)
{
    std::wstring location;
    EXPECT_EQ(L"Expected attribute value", ErrorOf(L"<a name='x'/>", &location));
    EXPECT_EQ(L"'x'/>", location);
    EXPECT_EQ(L"Error while parsing attributes", ErrorOf(L"<a name/>", &location));
    EXPECT_EQ(L"/>", location);
    EXPECT_EQ(L"Expected start-tag closing", ErrorOf(L"<a b=\"1\"/ >", &location));
    EXPECT_EQ(L"/ >", location);
    EXPECT_EQ(L"Error parsing element name", ErrorOf(L"<Window"));
    EXPECT_EQ(L"Unmatched closing tag", ErrorOf(L"<a><b></c></a>", &location));
    EXPECT_EQ(L"c></a>", location);
    EXPECT_EQ(L"Unmatched closing tag", ErrorOf(L"<ab></abc>"));
    EXPECT_EQ(L"Expected start tag", ErrorOf(L"<a>text<b/>more</a>", &location));
    EXPECT_EQ(L"more</a>", location);
    EXPECT_EQ(L"Expected start tag", ErrorOf(L"just text"));

    std::wstring longTail = L"<a x=\"1\"?" + std::wstring(100, L'z');
    EXPECT_EQ(L"Error while parsing attributes", ErrorOf(longTail.c_str(), &location));
    EXPECT_EQ(L"?" + std::wstring(48, L'z'), location);
}

TEST(XmlErrors, NestingDeeperThanTheLimitFailsWithAnError)
{
    // 20,000 levels overflowed the stack before there was a limit.
    for (int depth : {CUIXmlReader::kMaxNesting, CUIXmlReader::kMaxNesting + 1, 20000}) {
        std::wstring xml;
        for (int i = 0; i < 2 * depth; ++i)
            xml += i < depth ? L"<e>" : L"</e>";
        CUIXmlReader reader;
        EXPECT_EQ(depth <= CUIXmlReader::kMaxNesting, reader.LoadFromString(xml.c_str())) << depth;
        EXPECT_STREQ(depth <= CUIXmlReader::kMaxNesting ? L"" : L"Elements nested too deep",
                     reader.GetErrorMessage());
    }
}

TEST(XmlErrors, FailureReleasesTheDocument)
{
    CUIXmlReader reader(L"<ok/>");
    ASSERT_TRUE(reader.GetRoot().IsValid());
    EXPECT_FALSE(reader.LoadFromString(L"<broken"));
    EXPECT_FALSE(reader.GetRoot().IsValid());
    EXPECT_STREQ(L"Error parsing element name", reader.GetErrorMessage());
    ASSERT_TRUE(reader.LoadFromString(L"<again/>"));
    EXPECT_STREQ(L"", reader.GetErrorMessage());
    EXPECT_STREQ(L"again", reader.GetRoot().GetName());
}

TEST(XmlEncodings, Utf8WithAndWithoutByteOrderMark)
{
    const char body[] = "<Fenster titel=\"\xE4\xB8\xAD\xE6\x96\x87\"><Kind/></Fenster>";
    std::string withMark = std::string("\xEF\xBB\xBF") + body;
    for (const std::string& bytes : {std::string(body), withMark}) {
        CUIXmlReader reader;
        ASSERT_TRUE(reader.LoadFromMemory(reinterpret_cast<const BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size()), CUIXmlReader::kEncodingUtf8));
        EXPECT_STREQ(L"Fenster", reader.GetRoot().GetName());
        EXPECT_EQ(L"\x4E2D\x6587", Attr(reader.GetRoot(), L"titel"));
        EXPECT_STREQ(L"Kind", reader.GetRoot().GetFirstChild().GetName());
    }
}

TEST(XmlEncodings, Utf16NeedsAByteOrderMark)
{
    const std::wstring text = L"<W v=\"\x4E2D\"><C/></W>";
    for (bool bigEndian : {false, true}) {
        std::vector<BYTE> bytes = Utf16Bytes(text, bigEndian);
        bytes.push_back(0x41);  // an odd trailing byte is dropped
        CUIXmlReader reader;
        ASSERT_TRUE(reader.LoadFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()),
                                          CUIXmlReader::kEncodingUtf16))
            << bigEndian;
        EXPECT_STREQ(L"W", reader.GetRoot().GetName());
        EXPECT_EQ(L"\x4E2D", Attr(reader.GetRoot(), L"v"));
    }
    std::vector<BYTE> noMark = Utf16Bytes(text, false);
    noMark.erase(noMark.begin(), noMark.begin() + 2);
    CUIXmlReader reader;
    EXPECT_FALSE(reader.LoadFromMemory(noMark.data(), static_cast<DWORD>(noMark.size()), CUIXmlReader::kEncodingUtf16));
    EXPECT_FALSE(reader.GetRoot().IsValid());
    // Unknown encodings are read as UTF-16.
    std::vector<BYTE> marked = Utf16Bytes(text, false);
    EXPECT_TRUE(reader.LoadFromMemory(marked.data(), static_cast<DWORD>(marked.size()), 7));
    const BYTE one = 0xFF;
    EXPECT_FALSE(reader.LoadFromMemory(&one, 1, CUIXmlReader::kEncodingUtf16));
}

TEST(XmlEncodings, AnsiUsesTheSystemCodePage)
{
    // 0xE9 is e-acute in code page 1252 and the first byte of a pair in 936.
    const char bytes[] = "<a v=\"caf\xE9\"/>";
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromMemory(reinterpret_cast<const BYTE*>(bytes), sizeof(bytes) - 1,
                                      CUIXmlReader::kEncodingAnsi));
    WCHAR expected[16] = {};
    ::MultiByteToWideChar(CP_ACP, 0, "caf\xE9", -1, expected, 16);
    EXPECT_EQ(expected, Attr(reader.GetRoot(), L"v"));
}

class XmlFiles : public ::testing::Test
{
protected:
    CUIXmlReader::ResourceLocation Folder() const { return {m_folder.Path().c_str(), L"", false, nullptr}; }

    qixtest::TestFolder m_folder{L"xml"};
};

TEST_F(XmlFiles, SizeLimitsAndMissingFiles)
{
    std::string exact = "<Big>" + std::string(CUIXmlReader::kMaxFileSize - 11, ' ') + "</Big>";
    ASSERT_EQ(CUIXmlReader::kMaxFileSize, exact.size());
    ASSERT_TRUE(WriteFileBytes(m_folder / L"exact.xml", exact));
    std::string over = exact + " ";
    ASSERT_TRUE(WriteFileBytes(m_folder / L"over.xml", over));
    ASSERT_TRUE(WriteFileBytes(m_folder / L"empty.xml", ""));

    CUIXmlReader reader;
    EXPECT_TRUE(reader.LoadFromFile(L"exact.xml", CUIXmlReader::kEncodingUtf8, Folder()));
    EXPECT_STREQ(L"Big", reader.GetRoot().GetName());
    EXPECT_FALSE(reader.LoadFromFile(L"over.xml", CUIXmlReader::kEncodingUtf8, Folder()));
    EXPECT_STREQ(L"File too large", reader.GetErrorMessage());
    EXPECT_STREQ(L"", reader.GetErrorLocation());
    EXPECT_FALSE(reader.GetRoot().IsValid());
    EXPECT_FALSE(reader.LoadFromFile(L"empty.xml", CUIXmlReader::kEncodingUtf8, Folder()));
    EXPECT_STREQ(L"File is empty", reader.GetErrorMessage());
    EXPECT_FALSE(reader.LoadFromFile(L"missing.xml", CUIXmlReader::kEncodingUtf8, Folder()));
    EXPECT_STREQ(L"Error opening file", reader.GetErrorMessage());
}

TEST_F(XmlFiles, FromTheSkinZip)
{
    ASSERT_TRUE(WriteFileBytes(m_folder / L"skin.zip", std::string(std::begin(kZipNormal), std::end(kZipNormal))));
    ASSERT_TRUE(WriteFileBytes(m_folder / L"bad.zip", std::string(std::begin(kZipBadCrc), std::end(kZipBadCrc))));
    const CUIXmlReader::ResourceLocation zip = {m_folder.Path().c_str(), L"skin.zip", false, nullptr};

    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromFile(L"SKIN\\window.XML", CUIXmlReader::kEncodingUtf8, zip));
    EXPECT_STREQ(L"Window", reader.GetRoot().GetName());
    EXPECT_STREQ(L"Label", reader.GetRoot().GetFirstChild().GetName());
    // The zip opened for that load was closed again: the file can be replaced.
    EXPECT_TRUE(::DeleteFileW((m_folder / L"skin.zip").c_str()));

    EXPECT_FALSE(reader.LoadFromFile(L"skin/Window.xml", CUIXmlReader::kEncodingUtf8, zip));
    EXPECT_STREQ(L"Error opening zip file", reader.GetErrorMessage());
    const CUIXmlReader::ResourceLocation bad = {m_folder.Path().c_str(), L"bad.zip", false, nullptr};
    EXPECT_FALSE(reader.LoadFromFile(L"data.bin", CUIXmlReader::kEncodingUtf8, bad));
    EXPECT_STREQ(L"Could not unzip file", reader.GetErrorMessage());

    HZIPARCHIVE cached = ZipArchiveOpen(kZipNormal, sizeof(kZipNormal), ZipSourceMemory);
    ASSERT_NE(nullptr, cached);
    const CUIXmlReader::ResourceLocation kept = {m_folder.Path().c_str(), L"skin.zip", true, cached};
    EXPECT_FALSE(reader.LoadFromFile(L"skin/Missing.xml", CUIXmlReader::kEncodingUtf8, kept));
    EXPECT_STREQ(L"Could not find ziped file", reader.GetErrorMessage());
    EXPECT_FALSE(reader.LoadFromFile(L"empty.txt", CUIXmlReader::kEncodingUtf8, kept));
    EXPECT_STREQ(L"File is empty", reader.GetErrorMessage());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(reader.LoadFromFile(L"skin/Window.xml", CUIXmlReader::kEncodingUtf8, kept)) << i;
        EXPECT_STREQ(L"Window", reader.GetRoot().GetName());
    }
    EXPECT_EQ(ZipOk, ZipArchiveClose(cached));

    const CUIXmlReader::ResourceLocation lost = {m_folder.Path().c_str(), L"skin.zip", true, nullptr};
    EXPECT_FALSE(reader.LoadFromFile(L"skin/Window.xml", CUIXmlReader::kEncodingUtf8, lost));
    EXPECT_STREQ(L"Error opening zip file", reader.GetErrorMessage());
}

TEST_F(XmlFiles, ThroughTheWindowManagersSettings)
{
    ASSERT_TRUE(WriteFileBytes(m_folder / L"plain.xml", "<Plain/>"));
    CUIWindowManager::SetResourceFolder(m_folder.Path().c_str());
    CUIXmlReader reader;
    ASSERT_TRUE(reader.LoadFromFile(L"plain.xml"));
    EXPECT_STREQ(L"Plain", reader.GetRoot().GetName());

    // The in-memory skin zip is kept open by the manager and read through its handle.
    CUIWindowManager::SetResourceZipMemory(const_cast<unsigned char*>(kZipNormal), sizeof(kZipNormal));
    ASSERT_TRUE(reader.LoadFromFile(L"skin\\window.xml"));
    EXPECT_STREQ(L"Window", reader.GetRoot().GetName());
    EXPECT_FALSE(reader.LoadFromFile(L"plain.xml"));
    EXPECT_STREQ(L"Could not find ziped file", reader.GetErrorMessage());
    CUIWindowManager::SetResourceFolder(L"");
}
