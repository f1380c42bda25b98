// The skin archive inside qixUpdater.exe: what the three windows load at run time.
#include "core/UIXml.h"
#include "core/UIZip.h"

#include "TestSupport.h"
#include "Win32Handle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace QxUI;

namespace {

const WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct LayoutFacts
{
    const wchar_t* name;
    const wchar_t* size;
    int fonts;
    // Control name -> element, for every control the window looks up.
    std::map<std::wstring, std::wstring> controls;
};

const std::vector<LayoutFacts>& Layouts()
{
    static const std::vector<LayoutFacts> layouts = {
        {L"LaunchWnd", L"420,210", 3,
         {{L"titleLabel", L"Label"}, {L"closeButton", L"Button"}, {L"tipsLabel", L"Label"},
          {L"launchButton", L"Button"}}},
        {L"TipsBoxWnd", L"310,100", 4,
         {{L"titleLabel", L"Label"}, {L"closeButton", L"Button"}, {L"tipsLabel", L"Label"},
          {L"cancelButton", L"Button"}, {L"confirmButton", L"Button"}}},
        {L"UpdaterWnd", L"350,100", 3,
         {{L"titleLabel", L"Label"}, {L"closeButton", L"Button"}, {L"tipsLabel", L"Label"},
          {L"skipButton", L"Button"}, {L"buttonLayout", L"HorizontalLayout"},
          {L"installButton", L"Button"}, {L"progressLayout", L"HorizontalLayout"},
          {L"downloadProgress", L"Progress"}}},
    };
    return layouts;
}

// Image file name (Chinese form) -> width, height.
std::map<std::wstring, SIZE> ChineseImages()
{
    std::map<std::wstring, SIZE> images;
    const std::pair<const wchar_t*, SIZE> buttons[] = {
        {L"btn_close", {14, 14}},   {L"btn_cancel", {72, 24}}, {L"btn_confirm", {72, 24}},
        {L"btn_install", {71, 26}}, {L"btn_skip", {71, 26}},   {L"btn_launch", {71, 26}},
        {L"btn_common", {71, 26}},
    };
    for (const auto& button : buttons) {
        for (const wchar_t* state : {L"_n", L"_h", L"_p"})
            images[std::wstring(button.first) + state + L".png"] = button.second;
    }
    images[L"progress_bg.png"] = {40, 2};
    images[L"progress_fg.png"] = {40, 2};
    return images;
}

std::wstring English(const std::wstring& name, const wchar_t* extension)
{
    return name.substr(0, name.size() - wcslen(extension)) + L"_en" + extension;
}

std::map<std::wstring, SIZE> AllImages()
{
    std::map<std::wstring, SIZE> images = ChineseImages();
    for (const auto& image : ChineseImages())
        images[English(image.first, L".png")] = image.second;
    return images;
}

std::vector<std::wstring> LayoutFiles()
{
    std::vector<std::wstring> files;
    for (const LayoutFacts& layout : Layouts()) {
        files.push_back(std::wstring(layout.name) + L".xml");
        files.push_back(std::wstring(layout.name) + L"_en.xml");
    }
    return files;
}

// Entry names and compression methods straight from the central directory, independent of
// the reader under test.
std::map<std::string, WORD> CentralDirectory(const BYTE* data, size_t size)
{
    std::map<std::string, WORD> entries;
    auto u16 = [&](size_t at) { return static_cast<WORD>(data[at] | data[at + 1] << 8); };
    auto u32 = [&](size_t at) { return static_cast<DWORD>(u16(at) | u16(at + 2) << 16); };
    if (size < 22)
        return entries;
    size_t end = size - 22;
    while (end > 0 && u32(end) != 0x06054B50)
        --end;
    if (u32(end) != 0x06054B50)
        return entries;
    size_t at = u32(end + 16);
    for (WORD i = 0; i < u16(end + 10) && at + 46 <= size && u32(at) == 0x02014B50; ++i) {
        const WORD nameLength = u16(at + 28);
        if (at + 46 + nameLength > size)
            break;
        entries[std::string(reinterpret_cast<const char*>(data) + at + 46, nameLength)] =
            u16(at + 10);
        at += 46 + nameLength + u16(at + 30) + u16(at + 32);
    }
    return entries;
}

class SkinArchive : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        module_ = ::LoadLibraryExW(qixtest::FromBuildPath(QIX_UPDATER_EXE).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (module_ == nullptr)
            return;
        HRSRC resource = ::FindResourceExW(module_, L"ZIPRES", MAKEINTRESOURCEW(102), kEnglishUs);
        HGLOBAL loaded = resource != nullptr ? ::LoadResource(module_, resource) : nullptr;
        if (loaded == nullptr)
            return;
        data_ = static_cast<const BYTE*>(::LockResource(loaded));
        size_ = ::SizeofResource(module_, resource);
        zip_ = ZipArchiveOpen(data_, size_, ZipSourceMemory);
    }

    static void TearDownTestSuite()
    {
        if (zip_ != nullptr)
            ZipArchiveClose(zip_);
        if (module_ != nullptr)
            ::FreeLibrary(module_);
        zip_ = nullptr;
        module_ = nullptr;
        data_ = nullptr;
        size_ = 0;
    }

    void SetUp() override
    {
        ASSERT_NE(module_, nullptr) << "qixUpdater.exe not loaded: " << QIX_UPDATER_EXE;
        ASSERT_NE(data_, nullptr) << "no ZIPRES 102 in language 1033";
        ASSERT_NE(zip_, nullptr) << "the resource is no zip archive";
    }

    // The whole item, or an empty buffer with a test failure.
    static std::vector<BYTE> Extract(const std::wstring& name)
    {
        int index = -1;
        ZipArchiveItem item = {};
        ZipResult found = ZipArchiveFindItem(zip_, name.c_str(), false, &index, &item);
        EXPECT_EQ(found, ZipOk) << "no item " << qixtest::Narrow(name);
        if (found != ZipOk || item.uncompressedSize <= 0)
            return {};
        std::vector<BYTE> bytes(static_cast<size_t>(item.uncompressedSize));
        EXPECT_EQ(ZipArchiveExtract(zip_, index, bytes.data(), static_cast<DWORD>(bytes.size()),
                                    ZipSourceMemory),
                  ZipPartial);
        BYTE beyond = 0;
        EXPECT_EQ(ZipArchiveExtract(zip_, index, &beyond, 1, ZipSourceMemory), ZipOk)
            << qixtest::Narrow(name) << " is longer than its recorded size";
        return bytes;
    }

    static HMODULE module_;
    static const BYTE* data_;
    static DWORD size_;
    static HZIPARCHIVE zip_;
};

HMODULE SkinArchive::module_ = nullptr;
const BYTE* SkinArchive::data_ = nullptr;
DWORD SkinArchive::size_ = 0;
HZIPARCHIVE SkinArchive::zip_ = nullptr;

TEST_F(SkinArchive, HoldsExactlyTheLayoutsAndImagesAtItsRootDeflated)
{
    std::set<std::string> expected;
    for (const std::wstring& file : LayoutFiles())
        expected.insert(qixtest::Narrow(file));
    for (const auto& image : AllImages())
        expected.insert(qixtest::Narrow(image.first));

    std::map<std::string, WORD> entries = CentralDirectory(data_, size_);
    std::set<std::string> names;
    for (const auto& entry : entries) {
        names.insert(entry.first);
        EXPECT_EQ(entry.second, 8) << entry.first << " is not deflated";
    }
    EXPECT_EQ(names, expected);
}

TEST_F(SkinArchive, EveryImageIsAPngOfItsSize)
{
    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto bigEndian = [](const BYTE* at) {
        return static_cast<LONG>(at[0] << 24 | at[1] << 16 | at[2] << 8 | at[3]);
    };
    for (const auto& image : AllImages()) {
        SCOPED_TRACE(qixtest::Narrow(image.first));
        std::vector<BYTE> png = Extract(image.first);
        ASSERT_GE(png.size(), 24u);
        EXPECT_EQ(memcmp(png.data(), kSignature, sizeof(kSignature)), 0);
        EXPECT_EQ(memcmp(png.data() + 12, "IHDR", 4), 0);
        EXPECT_EQ(bigEndian(png.data() + 16), image.second.cx);
        EXPECT_EQ(bigEndian(png.data() + 20), image.second.cy);
    }
}

// One parsed layout with its elements in document order.
struct Layout
{
    std::vector<BYTE> bytes;
    CUIXmlReader reader;
    std::vector<CUIXmlNode> elements;
    std::map<std::wstring, CUIXmlNode> named;

    bool Load(std::vector<BYTE> source)
    {
        bytes = std::move(source);
        if (!reader.LoadFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()),
                                   CUIXmlReader::kEncodingUtf8))
            return false;
        Collect(reader.GetRoot());
        return true;
    }

    void Collect(CUIXmlNode node)
    {
        for (; node.IsValid(); node = node.GetNextSibling()) {
            elements.push_back(node);
            std::wstring name = Attr(node, L"name");
            if (!name.empty() && wcscmp(node.GetName(), L"Font") != 0)
                named.emplace(name, node);
            Collect(node.GetFirstChild());
        }
    }

    static std::wstring Attr(CUIXmlNode node, LPCWSTR name)
    {
        WCHAR buffer[512] = {};
        if (!node.GetAttributeValue(name, buffer, _countof(buffer) - 1))
            return L"";
        return buffer;
    }
};

bool IsImageAttribute(const std::wstring& name)
{
    return name.size() > 5 && name.compare(name.size() - 5, 5, L"image") == 0;
}

bool IsAscii(const std::wstring& text)
{
    for (wchar_t c : text) {
        if (c > 0x7F)
            return false;
    }
    return true;
}

TEST_F(SkinArchive, LayoutsAreStandaloneUtf8Windows)
{
    for (const LayoutFacts& facts : Layouts()) {
        for (const wchar_t* suffix : {L".xml", L"_en.xml"}) {
            std::wstring file = std::wstring(facts.name) + suffix;
            SCOPED_TRACE(qixtest::Narrow(file));
            std::vector<BYTE> bytes = Extract(file);
            std::string head(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 80));
            EXPECT_EQ(head.rfind("<?xml ", 0), 0u);
            EXPECT_NE(head.find("encoding=\"UTF-8\""), std::string::npos);
            EXPECT_NE(head.find("standalone=\"yes\""), std::string::npos);

            Layout layout;
            ASSERT_TRUE(layout.Load(std::move(bytes)))
                << qixtest::Narrow(layout.reader.GetErrorMessage());
            CUIXmlNode root = layout.reader.GetRoot();
            EXPECT_STREQ(root.GetName(), L"Window");
            EXPECT_EQ(Layout::Attr(root, L"size"), facts.size);

            // Fonts 0..n-1, all of one face; every label's font is one of them.
            int fonts = 0;
            for (CUIXmlNode node = root.GetFirstChild(); node.IsValid();
                 node = node.GetNextSibling()) {
                if (wcscmp(node.GetName(), L"Font") != 0)
                    continue;
                EXPECT_EQ(Layout::Attr(node, L"id"), std::to_wstring(fonts));
                EXPECT_EQ(Layout::Attr(node, L"name"), L"微软雅黑");
                ++fonts;
            }
            EXPECT_EQ(fonts, facts.fonts);
            for (CUIXmlNode node : layout.elements) {
                std::wstring font = Layout::Attr(node, L"font");
                if (!font.empty())
                    EXPECT_LT(std::stoi(font), fonts)
                        << qixtest::Narrow(Layout::Attr(node, L"name"));
            }
        }
    }
}

TEST_F(SkinArchive, EveryLayoutHoldsTheControlsItsWindowLooksUp)
{
    for (const LayoutFacts& facts : Layouts()) {
        for (const wchar_t* suffix : {L".xml", L"_en.xml"}) {
            std::wstring file = std::wstring(facts.name) + suffix;
            SCOPED_TRACE(qixtest::Narrow(file));
            Layout layout;
            ASSERT_TRUE(layout.Load(Extract(file)));
            for (const auto& control : facts.controls) {
                auto found = layout.named.find(control.first);
                ASSERT_TRUE(found != layout.named.end()) << qixtest::Narrow(control.first);
                // The windows cast what they find: the element must be of the expected kind.
                EXPECT_EQ(std::wstring(found->second.GetName()), control.second)
                    << qixtest::Narrow(control.first);
            }
        }
    }
}

TEST_F(SkinArchive, ProgressWindowStartsWithTheBarShownAndTheButtonsHidden)
{
    for (const wchar_t* file : {L"UpdaterWnd.xml", L"UpdaterWnd_en.xml"}) {
        SCOPED_TRACE(qixtest::Narrow(file));
        Layout layout;
        ASSERT_TRUE(layout.Load(Extract(file)));
        ASSERT_EQ(layout.named.count(L"buttonLayout"), 1u);
        ASSERT_EQ(layout.named.count(L"closeButton"), 1u);
        ASSERT_EQ(layout.named.count(L"progressLayout"), 1u);
        EXPECT_EQ(Layout::Attr(layout.named[L"buttonLayout"], L"visible"), L"false");
        EXPECT_EQ(Layout::Attr(layout.named[L"closeButton"], L"visible"), L"false");
        EXPECT_EQ(Layout::Attr(layout.named[L"progressLayout"], L"visible"), L"");
        CUIXmlNode bar = layout.named[L"downloadProgress"];
        EXPECT_EQ(Layout::Attr(bar, L"min"), L"0");
        EXPECT_EQ(Layout::Attr(bar, L"max"), L"100");
    }
}

// The English layout is the Chinese one with English texts and "_en" images: same elements,
// same attributes in the same order, same values elsewhere.
TEST_F(SkinArchive, EnglishLayoutsMirrorTheChineseOnes)
{
    const std::map<std::wstring, SIZE> images = AllImages();
    for (const LayoutFacts& facts : Layouts()) {
        SCOPED_TRACE(qixtest::Narrow(facts.name));
        Layout chinese, english;
        ASSERT_TRUE(chinese.Load(Extract(std::wstring(facts.name) + L".xml")));
        ASSERT_TRUE(english.Load(Extract(std::wstring(facts.name) + L"_en.xml")));
        ASSERT_EQ(chinese.elements.size(), english.elements.size());
        bool chineseLettering = false;
        for (size_t i = 0; i < chinese.elements.size(); ++i) {
            CUIXmlNode zh = chinese.elements[i], en = english.elements[i];
            ASSERT_STREQ(zh.GetName(), en.GetName());
            ASSERT_EQ(zh.GetAttributeCount(), en.GetAttributeCount()) << i;
            for (int a = 0; a < zh.GetAttributeCount(); ++a) {
                std::wstring name = zh.GetAttributeName(a);
                std::wstring zhValue = zh.GetAttributeValue(a), enValue = en.GetAttributeValue(a);
                SCOPED_TRACE(qixtest::Narrow(name + L"=" + enValue));
                ASSERT_EQ(name, en.GetAttributeName(a));
                if (IsImageAttribute(name)) {
                    EXPECT_EQ(zhValue.find(L"_en."), std::wstring::npos);
                    EXPECT_EQ(enValue, English(zhValue, L".png"));
                    EXPECT_EQ(images.count(zhValue), 1u);
                    EXPECT_EQ(images.count(enValue), 1u);
                } else if (name == L"text" || name == L"tooltip") {
                    EXPECT_TRUE(IsAscii(enValue));
                    chineseLettering |= !IsAscii(zhValue);
                } else {
                    EXPECT_EQ(zhValue, enValue);
                }
            }
        }
        EXPECT_TRUE(chineseLettering) << "the Chinese layout has no Chinese text";
    }
}

} // namespace

TEST(UpdaterResources, CarryTheWindowsIcon)
{
    // Resource 101 is the icon every updater window sets.
    HMODULE updater = ::LoadLibraryExW(qixtest::FromBuildPath(QIX_UPDATER_EXE).c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(updater, nullptr);
    EXPECT_NE(::FindResourceW(updater, MAKEINTRESOURCEW(101), RT_GROUP_ICON), nullptr);
    win32::UniqueIcon icon(static_cast<HICON>(::LoadImageW(updater, MAKEINTRESOURCEW(101), IMAGE_ICON, 32, 32, 0)));
    EXPECT_TRUE(icon.Valid());
    ::FreeLibrary(updater);
}
