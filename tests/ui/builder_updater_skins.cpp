// The updater's six layouts, built from the skin zip held as the "ZIPRES" resource 102 exactly
// as the updater's windows build them.

#include "skin/UIBuilder.h"

#include "core/UIControl.h"
#include "core/UIManager.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "builder_window_support.h"
#include "manager_support.h"

using namespace QxUI;

namespace {

struct Expected
{
    LPCWSTR name;
    LPCWSTR cls;
    bool visible;
};

struct LayoutCase
{
    LPCWSTR file;
    SIZE size;
    int captionBottom;
    std::vector<Expected> controls;
};

const std::vector<Expected> kLaunch = {
    {L"titleLabel", L"LabelUI", true},
    {L"closeButton", L"ButtonUI", true},
    {L"tipsLabel", L"LabelUI", true},
    {L"launchButton", L"ButtonUI", true},
};
const std::vector<Expected> kTipsBox = {
    {L"titleLabel", L"LabelUI", true},     {L"closeButton", L"ButtonUI", true},
    {L"tipsLabel", L"LabelUI", true},      {L"cancelButton", L"ButtonUI", true},
    {L"confirmButton", L"ButtonUI", true},
};
const std::vector<Expected> kUpdater = {
    {L"titleLabel", L"LabelUI", true},
    {L"closeButton", L"ButtonUI", false},
    {L"tipsLabel", L"LabelUI", true},
    {L"buttonLayout", L"HorizontalLayoutUI", false},
    {L"installButton", L"ButtonUI", false},   // inside the hidden button layout
    {L"progressLayout", L"HorizontalLayoutUI", true},
    {L"downloadProgress", L"ProgressUI", true},
    {L"skipButton", L"ButtonUI", true},
};

const LayoutCase kLayouts[] = {
    {L"LaunchWnd.xml", {420, 210}, 32, kLaunch},
    {L"LaunchWnd_en.xml", {420, 210}, 32, kLaunch},
    {L"TipsBoxWnd.xml", {310, 100}, 20, kTipsBox},
    {L"TipsBoxWnd_en.xml", {310, 100}, 20, kTipsBox},
    {L"UpdaterWnd.xml", {350, 100}, 20, kUpdater},
    {L"UpdaterWnd_en.xml", {350, 100}, 20, kUpdater},
};

class UpdaterSkins : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const HINSTANCE module = managertest::Module();
        HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(102), L"ZIPRES");
        HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
        const DWORD size = resource ? ::SizeofResource(module, resource) : 0;
        if (!loaded || size == 0)
            return;
        // The archive outlives every manager of the process, as the window base's copy does.
        static std::vector<BYTE> copy;
        const BYTE* bytes = static_cast<const BYTE*>(::LockResource(loaded));
        copy.assign(bytes, bytes + size);
        CUIWindowManager::SetResourceFolder(CUIWindowManager::GetModuleFolder().GetData());
        CUIWindowManager::SetResourceZipMemory(copy.data(), size);
    }
};

} // namespace

TEST_F(UpdaterSkins, EveryLayoutBuildsWithItsNamedControlsAndWindowSettings)
{
    ASSERT_NE(CUIWindowManager::GetResourceZipHandle(), nullptr);
    for (const LayoutCase& layout : kLayouts) {
        SCOPED_TRACE(testing::Message() << layout.file);
        managertest::HostWnd host;
        ASSERT_NE(host.Open(200, 120, nullptr, false), nullptr);
        CUILayoutBuilder builder;
        CControlUI* root = builder.Create(layout.file, nullptr, nullptr, &host.manager);
        ASSERT_NE(root, nullptr);
        ASSERT_TRUE(host.manager.AttachRootControl(root));
        EXPECT_STREQ(root->GetClass(), L"VerticalLayoutUI");
        EXPECT_EQ(host.manager.GetInitialSize().cx, layout.size.cx);
        EXPECT_EQ(host.manager.GetInitialSize().cy, layout.size.cy);
        EXPECT_EQ(host.manager.GetCaptionArea().bottom, layout.captionBottom);
        for (const Expected& control : layout.controls) {
            CControlUI* found = host.manager.FindControlByName(control.name);
            ASSERT_NE(found, nullptr) << "no control " << testing::PrintToString(control.name);
            EXPECT_STREQ(found->GetClass(), control.cls) << testing::PrintToString(control.name);
            EXPECT_EQ(found->IsVisible(), control.visible) << testing::PrintToString(control.name);
            EXPECT_EQ(found->GetManager(), &host.manager);
        }
        // Fonts 0 to 2 are declared by every layout; their face is the skin's.
        CUIFontInfo* font = host.manager.GetFontEntry(2);
        ASSERT_NE(font, nullptr);
        EXPECT_NE(font, host.manager.GetDefaultFontEntry());
        EXPECT_EQ(font->iSize, 14);
    }
}

TEST_F(UpdaterSkins, ButtonImagesComeFromTheArchive)
{
    managertest::HostWnd host;
    ASSERT_NE(host.Open(200, 120, nullptr, false), nullptr);
    CUILayoutBuilder builder;
    CControlUI* root = builder.Create(L"UpdaterWnd_en.xml", nullptr, nullptr, &host.manager);
    ASSERT_NE(root, nullptr);
    host.manager.AttachRootControl(root);
    CUIImageInfo* image = host.manager.GetImageOrLoad(L"btn_skip_n_en.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->nX, 71);
    EXPECT_EQ(image->nY, 26);
}

// ---- Windows that read the archive from their own "ZIPRES" resource ------------------------------

TEST(ZipResourceWindows, TheUpdaterLayoutLoadsFromTheResource)
{
    buildertest::SkinWnd first(L"UpdaterWnd_en.xml", SkinFromZipResource, L"102");
    ASSERT_NE(first.Open(WS_POPUP), nullptr);
    EXPECT_EQ(first.skinLoaded, 1);
    CControlUI* progress = first.Manager().FindControlByName(L"progressLayout");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->IsVisible());
    const HZIPARCHIVE archive = CUIWindowManager::GetResourceZipHandle();
    EXPECT_NE(archive, nullptr);

    // A second window finds the archive as the first left it.
    buildertest::SkinWnd second(L"TipsBoxWnd.xml", SkinFromZipResource, MAKEINTRESOURCEW(102));
    ASSERT_NE(second.Open(WS_POPUP), nullptr);
    EXPECT_NE(second.Manager().FindControlByName(L"confirmButton"), nullptr);
    EXPECT_EQ(CUIWindowManager::GetResourceZipHandle(), archive);
}

TEST(ZipResourceWindows, AMissingResourceLeavesTheWindowEmpty)
{
    buildertest::SkinWnd wnd(L"UpdaterWnd_en.xml", SkinFromZipResource, L"103");
    ASSERT_NE(wnd.Open(WS_POPUP), nullptr);
    EXPECT_TRUE(::IsWindow(wnd.GetHandle()));
    EXPECT_EQ(wnd.skinLoaded, 0);
    EXPECT_EQ(wnd.Manager().GetRootControl(), nullptr);
}
