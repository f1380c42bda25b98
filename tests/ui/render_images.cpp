// Image loading from the resource folder, plain paths, module resources and the skin zip.

#include "core/UIManager.h"
#include "core/UIRender.h"

#include <gtest/gtest.h>

#include <string>

#include "render_support.h"

using namespace QxUI;
using namespace rendertest;

namespace {

typedef CUIRef<CUIImageInfo> ImagePtr;

// Opaque red, transparent green, white at alpha 128, opaque blue.
std::vector<BYTE> MixedPng()
{
    return EncodePng(2, 2, {{255, 0, 0, 255}, {0, 255, 0, 0}, {255, 255, 255, 128}, {0, 0, 255, 255}});
}

class ImageLoading : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = MakeTestFolder(L"qix_render_images");
        ASSERT_TRUE(WriteBytes(folder + L"mixed.png", MixedPng()));
        ASSERT_TRUE(WriteBytes(folder + L"opaque.png",
                               EncodePng(1, 2, {{10, 20, 30, 255}, {255, 0, 255, 255}})));
        CUIWindowManager::SetModuleInstance(::GetModuleHandleW(nullptr));
    }

    void SetUp() override
    {
        CUIWindowManager::SetResourceFolder(folder.c_str());
        CUIWindowManager::SetResourceZipFile(L"", true);
    }

    static std::wstring folder;
};

std::wstring ImageLoading::folder;

} // namespace

// ---- Decoding ---------------------------------------------------------------------------------

TEST_F(ImageLoading, PngPixelsArePremultipliedAndTransparencyIsFlagged)
{
    ImagePtr image(CUIPainter::LoadImage(L"mixed.png"));
    ASSERT_TRUE(image);
    EXPECT_EQ(2, image->nX);
    EXPECT_EQ(2, image->nY);
    EXPECT_TRUE(image->bAlpha);
    EXPECT_NE(nullptr, image->hBitmap.Get());
    EXPECT_EQ(0xFFFF0000u, image->pBits[0]);
    EXPECT_EQ(0u, image->pBits[1]);
    EXPECT_EQ(0x80808080u, image->pBits[2]);
    EXPECT_EQ(0xFF0000FFu, image->pBits[3]);
    EXPECT_EQ(nullptr, image->pSrcBits);
    EXPECT_FALSE(image->bUseHSL);
}

TEST_F(ImageLoading, OpaqueImageHasNoAlphaUntilTheMaskMatches)
{
    ImagePtr plain(CUIPainter::LoadImage(L"opaque.png"));
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->bAlpha);
    EXPECT_EQ(0xFF0A141Eu, plain->pBits[0]);

    ImagePtr masked(CUIPainter::LoadImage(L"opaque.png", nullptr, 0xFFFF00FF));
    ASSERT_TRUE(masked);
    EXPECT_TRUE(masked->bAlpha);
    EXPECT_EQ(0xFF0A141Eu, masked->pBits[0]);
    EXPECT_EQ(0u, masked->pBits[1]);

    // The alpha byte takes part in the comparison.
    ImagePtr noAlphaMask(CUIPainter::LoadImage(L"opaque.png", nullptr, 0x00FF00FF));
    ASSERT_TRUE(noAlphaMask);
    EXPECT_FALSE(noAlphaMask->bAlpha);
    EXPECT_EQ(0xFFFF00FFu, noAlphaMask->pBits[1]);
}

// ---- Sources ----------------------------------------------------------------------------------

TEST_F(ImageLoading, PlainPathIsTriedWhenTheFolderHasNoSuchFile)
{
    const std::wstring other = MakeTestFolder(L"qix_render_elsewhere");
    ASSERT_TRUE(WriteBytes(other + L"far.png", MixedPng()));
    ImagePtr image(CUIPainter::LoadImage((other + L"far.png").c_str()));
    ASSERT_TRUE(image);
    EXPECT_EQ(2, image->nX);
    EXPECT_FALSE(CUIPainter::LoadImage(L"far.png"));
}

TEST_F(ImageLoading, ModuleResourceByNumericId)
{
    ImagePtr image(CUIPainter::LoadImage(MAKEINTRESOURCEW(12), L"QIXIMAGE"));
    ASSERT_TRUE(image);
    EXPECT_EQ(2, image->nX);
    EXPECT_EQ(1, image->nY);
    EXPECT_FALSE(image->bAlpha);
    EXPECT_EQ(0xFF0000FFu, image->pBits[0]);
    EXPECT_EQ(0xFFFF0000u, image->pBits[1]);

    EXPECT_FALSE(CUIPainter::LoadImage(MAKEINTRESOURCEW(13), L"QIXIMAGE"));
    EXPECT_FALSE(CUIPainter::LoadImage(MAKEINTRESOURCEW(12), L"OTHERTYPE"));
    EXPECT_FALSE(CUIPainter::LoadImage(MAKEINTRESOURCEW(12), nullptr));
}

TEST_F(ImageLoading, SkinZipItemsAreFoundIgnoringCaseCachedOrNot)
{
    const std::vector<BYTE> zip = BuildStoredZip({{"img/bg.png", MixedPng()}});
    ASSERT_TRUE(WriteBytes(folder + L"skin.zip", zip));

    for (bool cached : {true, false}) {
        SCOPED_TRACE(cached ? "cached" : "opened per load");
        CUIWindowManager::SetResourceZipFile(L"skin.zip", cached);
        EXPECT_EQ(cached, CUIWindowManager::GetResourceZipHandle() != nullptr);
        ImagePtr image(CUIPainter::LoadImage(L"IMG\\BG.PNG"));
        ASSERT_TRUE(image);
        EXPECT_EQ(0x80808080u, image->pBits[2]);
        // Files beside the archive are no items of it.
        EXPECT_FALSE(CUIPainter::LoadImage(L"mixed.png"));
        // A full path still loads when the archive has no such item.
        ImagePtr byPath(CUIPainter::LoadImage((folder + L"opaque.png").c_str()));
        EXPECT_TRUE(byPath);
    }
    CUIWindowManager::SetResourceZipFile(L"", true);
}

// ---- Refusals ---------------------------------------------------------------------------------

TEST_F(ImageLoading, MissingEmptyAndUndecodableSourcesGiveNull)
{
    EXPECT_FALSE(CUIPainter::LoadImage(L"absent.png"));
    EXPECT_FALSE(CUIPainter::LoadImage(nullptr));
    ASSERT_TRUE(WriteBytes(folder + L"empty.png", {}));
    EXPECT_FALSE(CUIPainter::LoadImage(L"empty.png"));
    ASSERT_TRUE(WriteBytes(folder + L"junk.png", std::vector<BYTE>(300, 0x5A)));
    EXPECT_FALSE(CUIPainter::LoadImage(L"junk.png"));
    std::vector<BYTE> truncated = MixedPng();
    truncated.resize(truncated.size() / 2);
    ASSERT_TRUE(WriteBytes(folder + L"truncated.png", truncated));
    EXPECT_FALSE(CUIPainter::LoadImage(L"truncated.png"));
}

TEST_F(ImageLoading, OversizedSourcesAndPicturesAreRefused)
{
    // A valid picture followed by padding: decodable, but the file is over the 16 MiB cap.
    std::vector<BYTE> big = MixedPng();
    ASSERT_TRUE(WriteBytes(folder + L"small.png", big));
    EXPECT_TRUE(ImagePtr(CUIPainter::LoadImage(L"small.png")));
    big.resize(0x1000000 + 1, 0);
    ASSERT_TRUE(WriteBytes(folder + L"big.png", big));
    EXPECT_FALSE(CUIPainter::LoadImage(L"big.png"));

    // Headers that announce more pixels than a skin image may have, or than the DIB could
    // address: refused before anything is allocated for them.
    for (DWORD side : {5000u, 65535u, 0x7FFFFFFFu}) {
        std::vector<BYTE> png = MixedPng();
        for (int i = 0; i < 4; ++i) {
            png[16 + i] = static_cast<BYTE>(side >> (24 - 8 * i));
            png[20 + i] = static_cast<BYTE>(side >> (24 - 8 * i));
        }
        ASSERT_TRUE(WriteBytes(folder + L"huge.png", png));
        EXPECT_FALSE(CUIPainter::LoadImage(L"huge.png")) << side;
    }
}
