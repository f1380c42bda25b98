// Images and fonts in use outlive the table entries they came from: declared again, removed, or
// left behind by a control that moved to another window.

#include "core/UIContainer.h"
#include "skin/UIBuilder.h"
#include "skin/UIChildLayout.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;
using skintest::SkinWindow;

namespace {

// A picture, two boxes on font 1 and one on the default font, and a panel to build into.
const WCHAR kSkin[] =
    L"<Window><Image name=\"pic.png\"/><Font id=\"1\" name=\"Arial\" size=\"13\"/>"
    L"<VerticalLayout><Button name=\"other\" height=\"20\"/>"
    L"<Control name=\"pic\" bkimage=\"pic.png\" height=\"20\"/><Edit name=\"edit\" font=\"1\"/>"
    L"<DateTime name=\"date\" font=\"1\"/><Edit name=\"plain\"/><VerticalLayout name=\"panel\"/>"
    L"</VerticalLayout></Window>";

// Declares the picture and font 1 again.
const char kDeclaring[] = "<Window><Image name=\"pic.png\"/><Font id=\"1\" name=\"Tahoma\" "
                          "size=\"15\"/><Control height=\"4\"/></Window>";

bool WritePicture(const std::wstring& folder, BYTE red, BYTE blue)
{
    const std::vector<rendertest::Rgba> pixels(4, {red, 0, blue, 255});
    return rendertest::WriteBytes(folder + L"pic.png", rendertest::EncodePng(2, 2, pixels));
}

// The colour at the middle of a control, as its window paints it once laid out.
DWORD ColourOf(SkinWindow& window, CControlUI* control)
{
    window.Repaint();
    rendertest::Canvas canvas(300, 200);
    window.Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    const RECT rc = control->GetPos();
    return canvas.Rgb((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

struct Scene
{
    CUIWindowManager& Manager() { return first->host.manager; }

    std::unique_ptr<SkinWindow> first = std::make_unique<SkinWindow>(), second;
    SkinWindow* showing = first.get();   // the window the picture is in
};

void MovePictureAndCloseItsWindow(Scene& s)
{
    s.second = std::make_unique<SkinWindow>();
    ASSERT_TRUE(s.second->Open(L"<Window><VerticalLayout name=\"to\"/></Window>", 300, 200));
    CControlUI* pic = s.first->Find(L"pic");
    auto* column = static_cast<CContainerUI*>(pic->GetParent());
    column->SetOwningChildren(false);
    ASSERT_TRUE(column->Remove(pic) && s.second->Find<CContainerUI>(L"to")->Add(pic));
    s.showing = s.second.get();
    s.first.reset();
}

} // namespace

// Each case takes the table entry away from under a picture on screen or a native window given
// the font: the picture draws the record it has until it is set again, and the font lives as
// long as its window, and no longer.
TEST(ResourcesInUse, OutliveTheTableEntriesTheyCameFrom)
{
    const std::wstring folder = rendertest::MakeTestFolder(L"qix_resources_lifetime");
    ASSERT_TRUE(rendertest::WriteBytes(folder + L"decl.xml",
                                       std::vector<BYTE>(kDeclaring, std::end(kDeclaring) - 1)));
    CUIWindowManager::SetResourceFolder(folder.c_str());
    CUIWindowManager::SetResourceZipFile(L"", true);
    const struct
    {
        LPCWSTR name;
        bool picture;  // the case takes the picture's entry away
        LPCWSTR box;   // whose native window is open on the font the case takes away
        std::function<void(Scene&)> act;
    } cases[] = {
        {L"image declared again", true, nullptr,
         [](Scene& s) { s.Manager().AddImage(L"pic.png"); }},
        {L"font declared again", false, L"date",
         [](Scene& s) { s.Manager().AddFont(1, L"Tahoma", 15, false, false, false); }},
        {L"a panel's file declares both", true, L"edit",
         [](Scene& s) {
             CUILayoutBuilder builder;
             ASSERT_TRUE(builder.Create(L"decl.xml", nullptr, nullptr, &s.Manager(),
                                        s.first->Find(L"panel")));
         }},
        {L"a child layout's file declares both", true, L"date",
         [](Scene& s) {
             auto* layout = new CChildLayoutUI;
             layout->SetLayoutFile(L"decl.xml");
             ASSERT_TRUE(s.first->Find<CContainerUI>(L"panel")->Add(layout));
             ASSERT_EQ(1, layout->GetCount());
         }},
        {L"all images removed", true, nullptr, [](Scene& s) { s.Manager().RemoveAllImages(); }},
        {L"all fonts removed", false, L"edit", [](Scene& s) { s.Manager().RemoveAllFonts(); }},
        // By a font of the same style, which later windows get as before.
        {L"the shared default font replaced", false, L"plain",
         [](Scene& s) {
             const CUIFontInfo* font = s.Manager().GetDefaultFontEntry();
             s.Manager().SetDefaultFont(font->sFontName.GetData(), font->iSize, false, false,
                                        false, true);
         }},
        {L"moved to another window, the first one then closed", true, nullptr,
         MovePictureAndCloseItsWindow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WritePicture(folder, 255, 0));
        Scene scene;
        ASSERT_TRUE(scene.first->Open(kSkin, 300, 200));
        CControlUI* pic = scene.first->Find(L"pic");
        ASSERT_EQ(0xFF0000u, ColourOf(*scene.first, pic));
        HWND native = nullptr;
        HFONT font = nullptr;
        if (c.box) {
            scene.first->Find(c.box)->SetFocus();
            native = ::GetFocus();
            ASSERT_NE(scene.first->host.GetHandle(), native) << "the box opened its window";
            font = reinterpret_cast<HFONT>(::SendMessageW(native, WM_GETFONT, 0, 0));
        }

        // What loads from now on is blue.
        ASSERT_TRUE(WritePicture(folder, 0, 255));
        c.act(scene);
        if (HasFatalFailure())
            return;
        if (c.picture) {
            EXPECT_EQ(0xFF0000u, ColourOf(*scene.showing, pic)) << "it keeps the record it drew";
            pic->SetBackImage(L"");
            pic->SetBackImage(L"pic.png");
            EXPECT_EQ(0x0000FFu, ColourOf(*scene.showing, pic)) << "set again, it finds the new";
        }
        if (native) {
            EXPECT_EQ(OBJ_FONT, ::GetObjectType(font)) << "the open window's font lives";
            scene.first->Find(L"other")->SetFocus();
            ASSERT_TRUE(managertest::PumpUntil([&] { return !::IsWindow(native); }));
            EXPECT_EQ(0u, ::GetObjectType(font)) << "and goes with its window";
        }
    }
}
