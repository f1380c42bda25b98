// The window manager's resource tables and process-wide settings.

#include "core/UIManager.h"

#include <gtest/gtest.h>

#include <string>

#include "alloc_count.h"
#include "render_support.h"

using namespace QxUI;
using namespace rendertest;

namespace {

std::wstring Expand(LPCWSTR text)
{
    CUIString s(text);
    CUIWindowManager::ExpandLanguageRefs(s);
    return s.GetData();
}

std::wstring FaceOf(HFONT font)
{
    LOGFONTW lf = {};
    if (!::GetObjectW(font, sizeof(lf), &lf))
        return L"<deleted>";
    return lf.lfFaceName;
}

} // namespace

// ---- Settings ---------------------------------------------------------------------------------

TEST(ResourceSettings, ResourceFolderGetsOneTrailingSeparator)
{
    CUIWindowManager::SetResourceFolder(L"C:\\skins");
    EXPECT_STREQ(L"C:\\skins\\", CUIWindowManager::GetResourceFolder().GetData());
    CUIWindowManager::SetResourceFolder(L"C:\\skins\\");
    EXPECT_STREQ(L"C:\\skins\\", CUIWindowManager::GetResourceFolder().GetData());
    CUIWindowManager::SetResourceFolder(L"C:/skins/");
    EXPECT_STREQ(L"C:/skins/", CUIWindowManager::GetResourceFolder().GetData());
    CUIWindowManager::SetResourceFolder(L"");
    EXPECT_STREQ(L"", CUIWindowManager::GetResourceFolder().GetData());
}

TEST(ResourceSettings, ModuleFolderEndsAtTheLastBackslash)
{
    CUIWindowManager::SetModuleInstance(nullptr);
    EXPECT_TRUE(CUIWindowManager::GetModuleFolder().IsEmpty());
    CUIWindowManager::SetModuleInstance(::GetModuleHandleW(nullptr));
    WCHAR path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring expected(path);
    expected.erase(expected.rfind(L'\\') + 1);
    EXPECT_EQ(expected, CUIWindowManager::GetModuleFolder().GetData());
}

// ---- Fonts ------------------------------------------------------------------------------------

TEST(ResourceFonts, AddingAnIdAgainReplacesAndDeletesTheOldFont)
{
    CUIWindowManager manager;
    HFONT first = manager.AddFont(1, L"Arial", 12, false, false, false);
    ASSERT_NE(nullptr, first);
    HFONT second = manager.AddFont(1, L"Tahoma", 14, true, false, false);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(L"<deleted>", FaceOf(first));
    EXPECT_EQ(second, manager.GetFontHandle(1));
    EXPECT_EQ(14, manager.GetFontEntry(1)->iSize);
    EXPECT_EQ(second, manager.FindFontByStyle(L"Tahoma", 14, true, false, false));
    EXPECT_EQ(nullptr, manager.FindFontByStyle(L"Tahoma", 14, false, false, false));
    EXPECT_EQ(manager.GetFontEntry(1), manager.GetFontEntryByHandle(second));
}

TEST(ResourceFonts, UnknownAndNegativeIdsGiveTheDefaultFont)
{
    CUIWindowManager manager;
    HFONT fallback = manager.GetDefaultFontEntry()->hFont.Get();
    ASSERT_NE(nullptr, fallback);
    EXPECT_EQ(fallback, manager.GetFontHandle(-1));
    EXPECT_EQ(fallback, manager.GetFontHandle(77));
    EXPECT_EQ(manager.GetDefaultFontEntry(), manager.GetFontEntry(77));

    // The window's own default font wins once it has one.
    manager.SetDefaultFont(L"Tahoma", 20, false, false, false);
    EXPECT_NE(fallback, manager.GetFontHandle(-1));
    EXPECT_EQ(20, manager.GetDefaultFontEntry()->iSize);
}

TEST(ResourceFonts, WindowFontsComeBeforeSharedOnesAndStayInTheirWindow)
{
    CUIWindowManager first;
    CUIWindowManager second;
    HFONT shared = first.AddFont(5, L"Arial", 11, false, false, false, true);
    HFONT own = first.AddFont(5, L"Arial", 13, false, false, false);
    EXPECT_EQ(own, first.GetFontHandle(5));
    EXPECT_EQ(shared, second.GetFontHandle(5));
    first.RemoveAllFonts(true);
    EXPECT_EQ(second.GetDefaultFontEntry()->hFont.Get(), second.GetFontHandle(5));
}

TEST(ResourceFonts, LongFaceNamesAreCutToTheFaceField)
{
    CUIWindowManager manager;
    const std::wstring face(40, L'F');
    HFONT font = manager.AddFont(2, face.c_str(), 12, false, false, false);
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(std::wstring(LF_FACESIZE - 1, L'F'), FaceOf(font));
}

TEST(ResourceFonts, MetricsAreMeasuredWithTheWindowsPaintDC)
{
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    {
        CUIWindowManager manager;
        // Without a paint DC nothing can be measured yet.
        ASSERT_NE(nullptr, manager.AddFont(3, L"Arial", 24, false, false, false));
        EXPECT_EQ(0, manager.GetFontEntry(3)->tm.tmHeight);

        manager.AttachWindow(window);
        EXPECT_EQ(window, manager.GetPaintWindow());
        ASSERT_NE(nullptr, manager.GetPaintDC());
        // A window without a default font of its own measures the shared one.
        EXPECT_GT(manager.GetDefaultFontEntry()->tm.tmHeight, 0);
        EXPECT_GE(manager.GetFontEntry(3)->tm.tmHeight, 24);
        // Fonts added once the window is attached are measured at once.
        manager.AddFont(4, L"Arial", 30, false, false, false, true);
        CUIWindowManager other;
        EXPECT_GE(other.GetFontEntry(4)->tm.tmHeight, 30);
        manager.RemoveAllFonts(true);
    }
    ::DestroyWindow(window);
}

TEST(ResourceFonts, AMemoryDCStandsInForTheWindow)
{
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    ASSERT_NE(nullptr, memory);
    {
        CUIWindowManager manager;
        EXPECT_FALSE(manager.PaintMemoryDC(RECT{0, 0, 10, 10}));  // no memory DC yet
        manager.AttachMemoryDC(memory);
        EXPECT_EQ(memory, manager.GetPaintDC());
        ASSERT_NE(nullptr, manager.AddFont(5, L"Arial", 20, false, false, false));
        EXPECT_GE(manager.GetFontEntry(5)->tm.tmHeight, 20);
        // Nothing to paint without a root control.
        EXPECT_FALSE(manager.PaintMemoryDC(RECT{0, 0, 10, 10}));
        manager.RemoveAllFonts();
    }
    // The caller's DC outlives the manager.
    EXPECT_NE(0, ::GetDeviceCaps(memory, BITSPIXEL));
    ::DeleteDC(memory);
}

// ---- Images -----------------------------------------------------------------------------------

class ResourceImages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = MakeTestFolder(L"qix_resource_images");
        ASSERT_TRUE(WriteBytes(folder + L"a.png", EncodePng(1, 1, {{1, 2, 3, 255}})));
        ASSERT_TRUE(WriteBytes(folder + L"b.png", EncodePng(2, 1, {{9, 9, 9, 255}, {8, 8, 8, 128}})));
        CUIWindowManager::SetModuleInstance(::GetModuleHandleW(nullptr));
        CUIWindowManager::SetResourceFolder(folder.c_str());
        CUIWindowManager::SetResourceZipFile(L"", true);
    }

    std::wstring folder;
};

TEST_F(ResourceImages, ImagesLoadOnceIntoTheWindowTableAndKeepACopyOnRequest)
{
    CUIWindowManager first;
    CUIWindowManager second;
    CUIImageInfo* image = first.GetImageOrLoad(L"a.png");
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(image, first.GetImageOrLoad(L"a.png"));
    EXPECT_EQ(nullptr, second.GetImage(L"a.png"));

    CUIImageInfo* shared = first.AddImage(L"b.png", nullptr, 0, true, true);
    ASSERT_NE(nullptr, shared);
    EXPECT_EQ(shared, second.GetImage(L"b.png"));
    ASSERT_NE(nullptr, shared->pSrcBits);
    EXPECT_EQ(shared->pBits[1], shared->pSrcBits[1]);
    first.RemoveAllImages(true);
    EXPECT_EQ(nullptr, second.GetImage(L"b.png"));
}

TEST_F(ResourceImages, AFailedLoadKeepsTheOlderImage)
{
    CUIWindowManager manager;
    CUIImageInfo* image = manager.AddImage(L"a.png");
    ASSERT_NE(nullptr, image);
    ::DeleteFileW((folder + L"a.png").c_str());
    EXPECT_EQ(nullptr, manager.AddImage(L"a.png"));
    EXPECT_EQ(image, manager.GetImage(L"a.png"));
    EXPECT_EQ(nullptr, manager.AddImage(L""));
    EXPECT_EQ(nullptr, manager.AddImage(nullptr));
}

TEST_F(ResourceImages, ResourceImagesAreNamedByNumber)
{
    CUIWindowManager manager;
    CUIImageInfo* image = manager.AddImage(L"12", L"QIXIMAGE", 0xFFFF0000);
    ASSERT_NE(nullptr, image);
    EXPECT_STREQ(L"QIXIMAGE", image->sResType.GetData());
    EXPECT_EQ(0xFFFF0000u, image->dwMask);
    // The red pixel matched the mask.
    EXPECT_EQ(0u, image->pBits[1]);
    EXPECT_TRUE(image->bAlpha);
    EXPECT_EQ(nullptr, manager.AddImage(L"x12", L"QIXIMAGE"));
    // 65548 is no 16-bit resource id; cut to 16 bits it would name resource 12.
    EXPECT_EQ(nullptr, manager.AddImage(L"65548", L"QIXIMAGE"));
    EXPECT_EQ(nullptr, manager.GetImage(L"65548"));
}

// ---- Descriptions -----------------------------------------------------------------------------

TEST_F(ResourceImages, DescriptionsAreParsedAndResolvedOnce)
{
    CUIWindowManager manager;
    CUIImageDesc desc;
    const RECT control = {100, 100, 200, 200};
    desc.sDrawString = L"file='b.png' source='0,0,999,999' corner='1 2 3 4' mask='#FF080808' "
                       L"fade='128' hole='true' xtiled='True'";
    EXPECT_TRUE(CUIPainter::DrawImageByDescription(nullptr, &manager, control, control, desc));
    EXPECT_STREQ(L"b.png", desc.sImageName.GetData());
    ASSERT_NE(nullptr, desc.pImageInfo.Get());
    EXPECT_EQ(2, desc.rcSource.right);
    EXPECT_EQ(1, desc.rcSource.bottom);
    EXPECT_EQ(1, desc.rcCorner.left);
    EXPECT_EQ(4, desc.rcCorner.bottom);
    EXPECT_EQ(128, desc.uFade);
    EXPECT_TRUE(desc.bHole);
    EXPECT_FALSE(desc.bTiledX);

    // Two blanks before a pair still parse; a tab after a closing quote ends parsing.
    CUIImageDesc blanks;
    blanks.sDrawString = L"file='a.png'  fade='7'";
    EXPECT_TRUE(CUIPainter::DrawImageByDescription(nullptr, &manager, control, control, blanks));
    EXPECT_EQ(7, blanks.uFade);
    CUIImageDesc tab;
    tab.sDrawString = L"file='a.png'\tfade='7'";
    EXPECT_TRUE(CUIPainter::DrawImageByDescription(nullptr, &manager, control, control, tab));
    EXPECT_EQ(255, tab.uFade);

    // A bare name, and a string whose first pair is malformed, are names.
    CUIImageDesc bare;
    bare.sDrawString = L"a.png";
    EXPECT_TRUE(CUIPainter::DrawImageByDescription(nullptr, &manager, control, control, bare));
    CUIImageDesc malformed;
    malformed.sDrawString = L"file=a.png";
    EXPECT_FALSE(CUIPainter::DrawImageByDescription(nullptr, &manager, control, control, malformed));
    EXPECT_STREQ(L"file=a.png", malformed.sImageName.GetData());
}

TEST_F(ResourceImages, MissingImagesAreTriedOnlyOnce)
{
    CUIWindowManager manager;
    CUIImageDesc desc;
    const RECT control = {0, 0, 10, 10};
    desc.sDrawString = L"file='late.png'";
    ::DeleteFileW((folder + L"late.png").c_str());
    EXPECT_FALSE(CUIPainter::DrawImageByDescription(nullptr, &manager, control, control, desc));
    ASSERT_TRUE(WriteBytes(folder + L"late.png", EncodePng(1, 1, {{1, 1, 1, 255}})));
    EXPECT_FALSE(CUIPainter::DrawImageByDescription(nullptr, &manager, control, control, desc));
    const std::wstring text = desc.sDrawString.GetData();
    desc.Clear();
    desc.sDrawString = text.c_str();
    EXPECT_TRUE(CUIPainter::DrawImageByDescription(nullptr, &manager, control, control, desc));
    // Without a manager nothing is done.
    CUIImageDesc none;
    none.sDrawString = L"file='late.png'";
    EXPECT_TRUE(CUIPainter::DrawImageByDescription(nullptr, nullptr, control, control, none));
    EXPECT_FALSE(none.bTried);
}

TEST_F(ResourceImages, DestIsRelativeToTheControlAndCutToIt)
{
    CUIWindowManager manager;
    Canvas canvas(220, 220, 0xFF000000);
    const RECT control = {100, 100, 200, 200};
    CUIImageDesc desc;
    desc.sDrawString = L"file='a.png' dest='10,10,20,20'";
    EXPECT_TRUE(CUIPainter::DrawImageByDescription(canvas.Dc(), &manager, control, control, desc));
    RECT bounds;
    EXPECT_EQ(100, canvas.CountNot(0, &bounds));
    const RECT expected = {110, 110, 120, 120};
    EXPECT_TRUE(::EqualRect(&bounds, &expected));

    canvas.Fill(0xFF000000);
    CUIImageDesc wide;
    wide.sDrawString = L"file='a.png' dest='10,10,500,500'";
    EXPECT_TRUE(CUIPainter::DrawImageByDescription(canvas.Dc(), &manager, control, control, wide));
    EXPECT_EQ(90 * 90, canvas.CountNot(0, &bounds));
    EXPECT_EQ(200, bounds.right);
    EXPECT_EQ(200, bounds.bottom);
}

// ---- Attributes, colours and language texts ----------------------------------------------------

TEST(ResourceTexts, DefaultAttributesLookInTheWindowThenTheSharedTable)
{
    CUIWindowManager manager;
    EXPECT_EQ(nullptr, manager.GetDefaultAttributes(L"Button"));
    manager.AddDefaultAttributes(L"Button", L"height=\"20\"", true);
    EXPECT_STREQ(L"height=\"20\"", manager.GetDefaultAttributes(L"Button"));
    manager.AddDefaultAttributes(L"Button", L"height=\"30\"");
    EXPECT_STREQ(L"height=\"30\"", manager.GetDefaultAttributes(L"Button"));
    manager.RemoveAllDefaultAttributes();
    EXPECT_STREQ(L"height=\"20\"", manager.GetDefaultAttributes(L"Button"));
    manager.RemoveAllDefaultAttributes(true);
    EXPECT_EQ(nullptr, manager.GetDefaultAttributes(L"Button"));
}

TEST(ResourceTexts, SharedColoursFollowIntoWindowsThatKeptTheOldValue)
{
    CUIWindowManager follower;
    CUIWindowManager own;
    EXPECT_EQ(0xFF0000FFu, follower.GetLinkTextColor());
    EXPECT_EQ(0xFFA7A6AAu, follower.GetDisabledTextColor());
    follower.SetLinkTextColor(0xFF00FF00, true);
    EXPECT_EQ(0xFF00FF00u, follower.GetLinkTextColor());
    own.SetLinkTextColor(0xFF123456);
    own.SetLinkTextColor(0xFFFF0000, true);
    EXPECT_EQ(0xFF123456u, own.GetLinkTextColor());
    CUIWindowManager later;
    EXPECT_EQ(0xFFFF0000u, later.GetLinkTextColor());
    later.SetLinkTextColor(0xFF0000FF, true);
}

TEST(ResourceTexts, LanguageReferencesExpand)
{
    CUIWindowManager::AddLanguageText(3, L"three");
    CUIWindowManager::AddLanguageText(0, L"zero");
    EXPECT_EQ(L"a three b three", Expand(L"a %{3} b %{3}"));
    EXPECT_EQ(L"%{9} stays", Expand(L"%{9} stays"));
    EXPECT_EQ(L"%{x} %{3", Expand(L"%{x} %{3"));
    EXPECT_EQ(L"zero", Expand(L"%{}"));
    CUIWindowManager::AddLanguageText(3, L"THREE");
    EXPECT_STREQ(L"THREE", CUIWindowManager::GetLanguageText(3));
    EXPECT_EQ(nullptr, CUIWindowManager::GetLanguageText(9));

    CUIWindowManager::AddLanguageText(6, L"[%{3}]");
    EXPECT_EQ(L"<[THREE]>", Expand(L"<%{6}>"));
}

TEST(ResourceTexts, ExpansionGrowsItsTextByDoublingAndStaysBounded)
{
    // 120 KB of references: each grew the text to its exact new size.
    CUIWindowManager::AddLanguageText(21, L"ab");
    std::wstring text;
    for (int i = 0; i < 24000; ++i)
        text += L"%{21}";
    CUIString s(text.c_str());
    long blocks = 0;
    {
        alloctest::AllocationCount count;
        CUIWindowManager::ExpandLanguageRefs(s);
        blocks = count.Blocks();
    }
    EXPECT_EQ(48000, s.GetLength());
    EXPECT_LE(blocks, 64);

    // Texts that insert the next one twice stop growing at a million characters.
    for (int id = 30; id < 60; ++id)
        CUIWindowManager::AddLanguageText(id, (L"%{" + std::to_wstring(id + 1) + L"}%{" +
                                               std::to_wstring(id + 1) + L"}").c_str());
    const size_t grown = Expand(L"%{30}").size();
    EXPECT_TRUE(grown >= 0x100000u && grown < 0x110000u) << grown;
}

TEST(ResourceTexts, SelfReferringLanguageTextsEnd)
{
    CUIWindowManager::AddLanguageText(1, L"a%{1}b");
    EXPECT_EQ(L"a%{1}b", Expand(L"%{1}"));
    CUIWindowManager::AddLanguageText(4, L"x%{5}");
    CUIWindowManager::AddLanguageText(5, L"y%{4}");
    EXPECT_EQ(L"xy%{4}", Expand(L"%{4}"));
    EXPECT_EQ(L"yx%{5}-xy%{4}", Expand(L"%{5}-%{4}"));
}
