// Images from an archive held in memory (the "ZIPRES" case). The first in-memory archive
// stays for the whole process, so these cases have a program of their own.

#include "core/UIManager.h"
#include "core/UIRender.h"

#include <gtest/gtest.h>

#include "render_support.h"

using namespace QxUI;
using namespace rendertest;

TEST(ImagesFromMemoryArchive, FirstArchiveServesImagesAndStays)
{
    CUIWindowManager::SetResourceFolder(L"C:\\nowhere");
    static std::vector<BYTE> first =
        BuildStoredZip({{"btn.png", EncodePng(1, 1, {{0, 0, 255, 255}})}});
    static std::vector<BYTE> second =
        BuildStoredZip({{"other.png", EncodePng(1, 1, {{0, 255, 0, 255}})}});

    CUIWindowManager::SetResourceZipMemory(first.data(), static_cast<DWORD>(first.size()));
    EXPECT_STREQ(L"membuffer", CUIWindowManager::GetResourceZipName().GetData());
    HZIPARCHIVE handle = CUIWindowManager::GetResourceZipHandle();
    ASSERT_NE(nullptr, handle);

    CUIWindowManager manager;
    CUIImageInfo* image = manager.GetImageOrLoad(L"BTN.png");
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(0xFF0000FFu, image->pBits[0]);

    CUIWindowManager::SetResourceZipMemory(second.data(), static_cast<DWORD>(second.size()));
    EXPECT_EQ(handle, CUIWindowManager::GetResourceZipHandle());
    EXPECT_EQ(nullptr, manager.GetImageOrLoad(L"other.png"));
    EXPECT_NE(nullptr, manager.GetImageOrLoad(L"btn.png"));
}
