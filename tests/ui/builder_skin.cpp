// The skin builder: element names, resource declarations, window settings, includes and the
// order in which a control meets its children, its defaults and its own attributes.

#include "skin/UIBuilder.h"

#include "core/UIButton.h"
#include "core/UIContainer.h"
#include "core/UILabel.h"
#include "core/UILayouts.h"
#include "core/UIManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;

namespace {

// A container that the callback makes for the element "Journal": it writes down every
// attribute it gets with the number of children it has at that moment.
class Journal : public CContainerUI
{
public:
    explicit Journal(int* destroyed) : m_destroyed(destroyed) {}
    ~Journal() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }
    void SetAttribute(LPCWSTR name, LPCWSTR value) override
    {
        log.push_back(std::wstring(name) + L"=" + value + L"@" + std::to_wstring(GetCount()) +
                      (GetManager() ? L"+m" : L""));
        CContainerUI::SetAttribute(name, value);
    }
    std::vector<std::wstring> log;

private:
    int* m_destroyed;
};

class Callback : public IDialogBuilderCallback
{
public:
    CControlUI* CreateCustomControl(LPCWSTR className) override
    {
        asked.push_back(className);
        if (wcscmp(className, L"Journal") == 0) {
            Journal* journal = new Journal(&destroyed);
            journals.push_back(journal);
            return journal;
        }
        return nullptr;
    }
    std::vector<std::wstring> asked;
    std::vector<Journal*> journals;
    int destroyed = 0;
};

CControlUI* MakeFromFactory(LPCWSTR className)
{
    if (wcscmp(className, L"Factory") == 0) {
        CLabelUI* label = new CLabelUI;
        label->SetText(L"from factory");
        return label;
    }
    return nullptr;
}

CControlUI* Build(LPCWSTR xml, CUIWindowManager* manager = nullptr, CControlUI* parent = nullptr,
                  IDialogBuilderCallback* callback = nullptr)
{
    CUILayoutBuilder builder;
    return builder.Create(xml, nullptr, callback, manager, parent);
}

// A hidden window for the manager, so that the root's window settings apply.
class WindowedManager : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(host.Open(200, 120, nullptr, false), nullptr); }
    managertest::HostWnd host;
};

} // namespace

// ---- Element names and the tree -----------------------------------------------------------------

TEST(BuilderTree, ElementNamesAreComparedIgnoringCase)
{
    CControlUI* root = Build(L"<Window><VERTICALLAYOUT><label name=\"l\"/><bUtToN/>"
                             L"</VERTICALLAYOUT></Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetClass(), L"VerticalLayoutUI");
    auto* container = static_cast<IContainerUI*>(root->AsInterface(L"IContainer"));
    ASSERT_NE(container, nullptr);
    ASSERT_EQ(container->GetCount(), 2);
    EXPECT_STREQ(container->GetItemAt(0)->GetClass(), L"LabelUI");
    EXPECT_EQ(container->GetItemAt(0)->GetName(), L"l");
    EXPECT_STREQ(container->GetItemAt(1)->GetClass(), L"ButtonUI");
    delete root;
}

TEST(BuilderTree, EveryClassOfTheTableIsMade)
{
    // A tree node is built only inside a tree view: it is looked for there.
    const std::pair<LPCWSTR, LPCWSTR> classes[] = {
        {L"Text", L"TextUI"}, {L"Label", L"LabelUI"}, {L"Button", L"ButtonUI"},
        {L"Control", L"ControlUI"}, {L"Progress", L"ProgressUI"}, {L"Container", L"ContainerUI"},
        {L"ScrollBar", L"ScrollBarUI"}, {L"VerticalLayout", L"VerticalLayoutUI"},
        {L"HorizontalLayout", L"HorizontalLayoutUI"}, {L"List", L"ListUI"}, {L"Combo", L"ComboUI"},
        {L"ListHeader", L"ListHeaderUI"}, {L"ListHeaderItem", L"ListHeaderItemUI"},
        {L"ListTextElement", L"ListTextElementUI"}, {L"ListLabelElement", L"ListLabelElementUI"},
        {L"ListContainerElement", L"ListContainerElementUI"}, {L"TreeView", L"TreeViewUI"},
        {L"TreeNode", L"TreeNodeUI"}, {L"Option", L"OptionUI"}, {L"Slider", L"SliderUI"},
        {L"CheckBox", L"CheckBoxUI"}, {L"TabLayout", L"TabLayoutUI"},
        {L"TileLayout", L"TileLayoutUI"}, {L"ChildLayout", L"ChildLayoutUI"}, {L"Edit", L"EditUI"},
        {L"DateTime", L"DateTimeUI"}, {L"RichEdit", L"RichEditUI"}, {L"ActiveX", L"ActiveXUI"},
        {L"WebBrowser", L"WebBrowserUI"},
    };
    for (const auto& entry : classes) {
        SCOPED_TRACE(testing::PrintToString(entry.first));
        const bool node = wcscmp(entry.first, L"TreeNode") == 0;
        std::wstring element = std::wstring(L"<") + entry.first + L"/>";
        if (node)
            element = L"<TreeView>" + element + L"</TreeView>";
        CControlUI* root = Build((L"<Window>" + element + L"</Window>").c_str());
        ASSERT_NE(nullptr, root);
        CControlUI* control = root;
        if (node) {
            auto* tree = static_cast<IContainerUI*>(root->AsInterface(L"IContainer"));
            ASSERT_NE(nullptr, tree);
            ASSERT_EQ(1, tree->GetCount());
            control = tree->GetItemAt(0);
        }
        EXPECT_STREQ(entry.second, control->GetClass());
        delete root;
    }
}

TEST(BuilderTree, FirstTopLevelControlIsReturnedAndItsSiblingsJoinTheParent)
{
    CVerticalLayoutUI parent;
    CControlUI* first = Build(L"<Window><Label name=\"a\"/><Button name=\"b\"/></Window>",
                              nullptr, &parent);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetName(), L"a");
    ASSERT_EQ(parent.GetCount(), 2);
    EXPECT_EQ(parent.GetItemAt(0), first);
    EXPECT_EQ(parent.GetItemAt(1)->GetName(), L"b");
}

TEST(BuilderTree, ChildrenComeBeforeDefaultsAndDefaultsBeforeOwnAttributes)
{
    CUIWindowManager manager;
    Callback callback;
    CControlUI* root = Build(L"<Window><Default name=\"Journal\" value=\"text=&quot;default&quot; "
                             L"tooltip=&quot;tip&quot;\"/>"
                             L"<Journal text=\"own\"><Label/><Label/></Journal></Window>",
                             &manager, nullptr, &callback);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(callback.journals.size(), 1u);
    const std::vector<std::wstring> expected = {L"text=default@2+m", L"tooltip=tip@2+m",
                                                L"text=own@2+m"};
    EXPECT_EQ(callback.journals[0]->log, expected);
    EXPECT_EQ(root->GetText(), L"own");
    EXPECT_EQ(root->GetToolTip(), L"tip");
    // The caller attaches the tree later: the builder leaves it without a manager.
    EXPECT_EQ(root->GetManager(), nullptr);
    delete root;
}

TEST(BuilderTree, FactoriesComeBeforeTheCallbackAndUnknownElementsAreSkippedWithTheirSubtree)
{
    CUIPtrArray* factories = CUIWindowManager::GetControlFactories();
    factories->Add(reinterpret_cast<LPVOID>(&MakeFromFactory));
    Callback callback;
    CControlUI* root = Build(L"<Window><HorizontalLayout><Factory/><Mystery><Journal/></Mystery>"
                             L"<Journal/></HorizontalLayout></Window>",
                             nullptr, nullptr, &callback);
    factories->Remove(factories->Find(reinterpret_cast<LPVOID>(&MakeFromFactory)));
    ASSERT_NE(root, nullptr);
    auto* container = static_cast<IContainerUI*>(root->AsInterface(L"IContainer"));
    ASSERT_EQ(container->GetCount(), 2);
    EXPECT_EQ(container->GetItemAt(0)->GetText(), L"from factory");
    EXPECT_EQ(container->GetItemAt(1), callback.journals.at(0));
    // "Factory" never reached the callback; the Journal inside "Mystery" was never asked for.
    EXPECT_EQ(callback.journals.size(), 1u);
    EXPECT_EQ(std::count(callback.asked.begin(), callback.asked.end(), L"Factory"), 0);
    EXPECT_EQ(std::count(callback.asked.begin(), callback.asked.end(), L"Mystery"), 1);
    delete root;
}

TEST(BuilderTree, AParentWithoutContainerEndsTheLevelAndDestroysTheControl)
{
    CLabelUI label;
    Callback callback;
    CControlUI* result = Build(L"<Window><Journal/><Journal/></Window>", nullptr, &label,
                               &callback);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(callback.journals.size(), 1u);
    EXPECT_EQ(callback.destroyed, 1);
}

TEST(BuilderTree, LaterTopLevelControlsWithoutAParentAreNotLeaked)
{
    Callback callback;
    CControlUI* first = Build(L"<Window><Journal/><Journal/><Journal/></Window>", nullptr,
                              nullptr, &callback);
    ASSERT_EQ(callback.journals.size(), 3u);
    EXPECT_EQ(first, callback.journals[0]);
    EXPECT_EQ(callback.destroyed, 2);
    delete first;
    EXPECT_EQ(callback.destroyed, 3);
}

TEST(BuilderTree, LoadFailuresGiveNull)
{
    CUIWindowManager::SetResourceFolder(rendertest::MakeTestFolder(L"builder_missing").c_str());
    EXPECT_EQ(Build(L"no_such_layout.xml"), nullptr);
    EXPECT_EQ(Build(L"<Window><Label></Window>"), nullptr);
    EXPECT_EQ(Build(nullptr), nullptr);
    CUILayoutBuilder builder;
    EXPECT_EQ(builder.Create(MAKEINTRESOURCEW(99), L"xml"), nullptr);
    EXPECT_EQ(builder.Create(MAKEINTRESOURCEW(7), nullptr), nullptr);
}

// ---- Resource declarations ----------------------------------------------------------------------

TEST(BuilderResources, FontsNeedAnIdAndAFaceEvenForTheDefault)
{
    CUIWindowManager manager;
    const std::wstring defaultFace = manager.GetDefaultFontEntry()->sFontName.GetData();
    CControlUI* root = Build(L"<Window><Font name=\"Tahoma\" size=\"20\" default=\"true\"/>"
                             L"<Font id=\"1\" size=\"20\" default=\"true\"/>"
                             L"<Control/></Window>",
                             &manager);
    delete root;
    EXPECT_EQ(manager.GetDefaultFontEntry()->sFontName.GetData(), defaultFace);
    EXPECT_EQ(manager.GetFontEntry(1), manager.GetDefaultFontEntry());

    root = Build(L"<Window><FONT ID=\"3\" NAME=\"Tahoma\" SIZE=\"17\" BOLD=\"TRUE\" "
                 L"default=\"true\"/><Control/></Window>",
                 &manager);
    delete root;
    CUIFontInfo* font = manager.GetFontEntry(3);
    ASSERT_NE(font, manager.GetDefaultFontEntry());
    EXPECT_EQ(font->sFontName, L"Tahoma");
    EXPECT_EQ(font->iSize, 17);
    EXPECT_TRUE(font->bBold);
    EXPECT_FALSE(font->bItalic);
    EXPECT_EQ(manager.GetDefaultFontEntry()->sFontName, L"Tahoma");
    EXPECT_EQ(manager.GetDefaultFontEntry()->iSize, 17);
}

TEST(BuilderResources, ASharedImageStaysInTheWindowsOwnTable)
{
    const std::wstring folder = rendertest::MakeTestFolder(L"builder_images");
    std::vector<rendertest::Rgba> pixels(4, rendertest::Rgba{255, 0, 0, 255});
    ASSERT_TRUE(rendertest::WriteBytes(folder + L"red.png", rendertest::EncodePng(2, 2, pixels)));
    CUIWindowManager::SetResourceFolder(folder.c_str());

    CUIWindowManager manager;
    CUIWindowManager other;
    delete Build(L"<Window><Image name=\"red.png\" shared=\"true\"/><Image shared=\"true\"/>"
                 L"<Control/></Window>",
                 &manager);
    CUIImageInfo* image = manager.GetImage(L"red.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->nX, 2);
    EXPECT_NE(image->pSrcBits, nullptr);   // "shared" keeps a copy of the pixels
    EXPECT_EQ(other.GetImage(L"red.png"), nullptr);
}

TEST(BuilderResources, DefaultsAndLanguageTextsAreRegistered)
{
    CUIWindowManager manager;
    delete Build(L"<Window><Default name=\"Label\" value=\"text=&quot;x&quot;\"/>"
                 L"<MultiLanguage id=\"4711\" value=\"hello\"/><MultiLanguage value=\"none\"/>"
                 L"<Control/></Window>",
                 &manager);
    EXPECT_STREQ(manager.GetDefaultAttributes(L"Label"), L"text=\"x\"");
    EXPECT_STREQ(CUIWindowManager::GetLanguageText(4711), L"hello");
}

TEST(BuilderResources, DeclarationsBelowTheRootAreIgnored)
{
    CUIWindowManager manager;
    CControlUI* root = Build(L"<Window><VerticalLayout><Default name=\"Button\" value=\"a=&quot;b&quot;\"/>"
                             L"<Label/></VerticalLayout></Window>",
                             &manager);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(manager.GetDefaultAttributes(L"Button"), nullptr);
    EXPECT_EQ(static_cast<IContainerUI*>(root->AsInterface(L"IContainer"))->GetCount(), 1);
    delete root;
}

TEST(BuilderResources, WithoutAManagerNothingIsDeclared)
{
    CControlUI* root = Build(L"<Window><MultiLanguage id=\"4712\" value=\"x\"/><Control/></Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(CUIWindowManager::GetLanguageText(4712), nullptr);
    delete root;
}

// ---- Window settings ----------------------------------------------------------------------------

TEST_F(WindowedManager, RootAttributesSetTheWindowUp)
{
    CUIWindowManager& m = host.manager;
    delete Build(L"<Window SIZE=\"350,100\" sizebox=\"4,5,6,7\" caption=\"0,0,0,20\" "
                 L"roundcorner=\"3,4\" mininfo=\"100,50\" maxinfo=\"800,600\" alpha=\"200\" "
                 L"defaultfontcolor=\"#FF112233\" disabledfontcolor=\"FF445566\" "
                 L"linkfontcolor=\"#FF000001\" linkhoverfontcolor=\"#FF000002\" "
                 L"selectedcolor=\"#80000003\" unknown=\"1\"><Control/></Window>",
                 &m);
    EXPECT_EQ(m.GetInitialSize().cx, 350);
    EXPECT_EQ(m.GetInitialSize().cy, 100);
    const RECT sizebox = m.GetResizeBorder();
    EXPECT_EQ(sizebox.left, 4);
    EXPECT_EQ(sizebox.top, 5);
    EXPECT_EQ(sizebox.right, 6);
    EXPECT_EQ(sizebox.bottom, 7);
    EXPECT_EQ(m.GetCaptionArea().bottom, 20);
    EXPECT_EQ(m.GetRoundCorner().cx, 3);
    EXPECT_EQ(m.GetRoundCorner().cy, 4);
    EXPECT_EQ(m.GetMinTrackSize().cx, 100);
    EXPECT_EQ(m.GetMaxTrackSize().cy, 600);
    EXPECT_EQ(m.GetWindowAlpha(), 200);
    EXPECT_EQ(m.GetDefaultTextColor(), 0xFF112233u);
    EXPECT_EQ(m.GetDisabledTextColor(), 0xFF445566u);
    EXPECT_EQ(m.GetLinkTextColor(), 0xFF000001u);
    EXPECT_EQ(m.GetLinkHoverTextColor(), 0xFF000002u);
    EXPECT_EQ(m.GetSelectedColor(), 0x80000003u);
}

TEST_F(WindowedManager, MissingNumbersReadAsZero)
{
    CUIWindowManager& m = host.manager;
    delete Build(L"<Window size=\"350\" caption=\"1,2\"><Control/></Window>", &m);
    EXPECT_EQ(m.GetInitialSize().cx, 350);
    EXPECT_EQ(m.GetInitialSize().cy, 0);
    const RECT caption = m.GetCaptionArea();
    EXPECT_EQ(caption.left, 1);
    EXPECT_EQ(caption.top, 2);
    EXPECT_EQ(caption.right, 0);
    EXPECT_EQ(caption.bottom, 0);
}

TEST_F(WindowedManager, OnlyAWindowRootCarriesSettings)
{
    delete Build(L"<Dialog size=\"350,100\"><Control/></Dialog>", &host.manager);
    EXPECT_EQ(host.manager.GetInitialSize().cx, 0);
}

TEST(BuilderWindow, SettingsNeedAManagerWithAWindow)
{
    CUIWindowManager manager;
    delete Build(L"<Window size=\"350,100\"><Control/></Window>", &manager);
    EXPECT_EQ(manager.GetInitialSize().cx, 0);
}

// ---- Includes -----------------------------------------------------------------------------------

class BuilderIncludes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = rendertest::MakeTestFolder(L"builder_includes");
        CUIWindowManager::SetResourceFolder(folder.c_str());
        Write(L"item.xml", "<Window><Label name=\"item\"/><Button/></Window>");
    }
    void Write(const std::wstring& name, const std::string& text)
    {
        ASSERT_TRUE(rendertest::WriteBytes(folder + name,
                                           std::vector<BYTE>(text.begin(), text.end())));
    }
    int CountUnder(LPCWSTR xml)
    {
        CControlUI* root = Build(xml);
        if (!root)
            return -1;
        const int count = static_cast<IContainerUI*>(root->AsInterface(L"IContainer"))->GetCount();
        delete root;
        return count;
    }
    std::wstring folder;
};

TEST_F(BuilderIncludes, CountRepeatsTheIncludedDocumentUnderTheSameParent)
{
    EXPECT_EQ(CountUnder(L"<Window><VerticalLayout><Include source=\"item.xml\" count=\"3\"/>"
                         L"</VerticalLayout></Window>"),
              6);
    EXPECT_EQ(CountUnder(L"<Window><VerticalLayout><Include source=\"item.xml\"/>"
                         L"</VerticalLayout></Window>"),
              2);
    EXPECT_EQ(CountUnder(L"<Window><VerticalLayout><Include source=\"item.xml\" count=\"0\"/>"
                         L"</VerticalLayout></Window>"),
              0);
}

TEST_F(BuilderIncludes, AnIncludeNeverSuppliesTheResult)
{
    CControlUI* first = Build(L"<Window><Include source=\"item.xml\"/><Control name=\"c\"/></Window>");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetName(), L"c");
    delete first;
}

TEST_F(BuilderIncludes, ADocumentIncludingItselfEnds)
{
    Write(L"self.xml", "<Window><HorizontalLayout name=\"h\"><Include source=\"self.xml\"/>"
                       "</HorizontalLayout></Window>");
    CControlUI* root = Build(L"<Window><VerticalLayout><Include source=\"self.xml\"/>"
                             L"</VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    int depth = 0;
    for (CControlUI* level = root; level;) {
        auto* container = static_cast<IContainerUI*>(level->AsInterface(L"IContainer"));
        level = container && container->GetCount() > 0 ? container->GetItemAt(0) : nullptr;
        ++depth;
    }
    EXPECT_EQ(depth, 1 + CUILayoutBuilder::kMaxIncludeDepth);
    delete root;
}

TEST_F(BuilderIncludes, CountsAreBoundedForTheWholeBuild)
{
    // A count of two billion ran for days; nested includes share the one budget.
    Write(L"thousand.xml", "<Window><Include source=\"item.xml\" count=\"1000\"/></Window>");
    EXPECT_EQ(CountUnder(L"<Window><VerticalLayout><Include source=\"&lt;Window&gt;&lt;Label/&gt;"
                         L"&lt;/Window&gt;\" count=\"2147483647\"/></VerticalLayout></Window>"),
              CUILayoutBuilder::kMaxIncludes);
    EXPECT_EQ(CountUnder(L"<Window><VerticalLayout><Include source=\"thousand.xml\" count=\"9\"/>"
                         L"</VerticalLayout></Window>"),
              2 * (CUILayoutBuilder::kMaxIncludes - 1));
}

TEST_F(BuilderIncludes, NestingBeyondTheLimitBuildsNothingAndSaysWhy)
{
    const auto nested = [](int depth, const std::wstring& inner) {
        std::wstring xml;
        for (int i = 0; i < depth; ++i)
            xml += L"<VerticalLayout>";
        xml += inner;
        for (int i = 0; i < depth; ++i)
            xml += L"</VerticalLayout>";
        return L"<Window>" + xml + L"</Window>";
    };
    const int limit = CUILayoutBuilder::kMaxNesting;
    const std::wstring half = nested(limit / 2, L"");
    Write(L"half.xml", std::string(half.begin(), half.end()));
    const struct
    {
        std::wstring xml;
        bool builds;
    } cases[] = {
        {nested(limit, L""), true},
        {nested(limit, L"<Label/>"), false},
        {nested(limit / 2, L"<Include source=\"half.xml\"/>"), true},
        {nested(limit / 2 + 1, L"<Include source=\"half.xml\"/>"), false},
    };
    for (const auto& c : cases) {
        CUILayoutBuilder builder;
        CControlUI* root = builder.Create(c.xml.c_str());
        EXPECT_EQ(c.builds, root != nullptr) << (&c - cases);
        EXPECT_STREQ(c.builds ? L"" : L"Controls nested too deep", builder.GetErrorMessage());
        delete root;
    }
}

// ---- Layouts held as resources ------------------------------------------------------------------

TEST(BuilderResourceLayouts, NumericIdsLoadFromTheModuleAndTheirIncludesToo)
{
    managertest::Module();
    CUILayoutBuilder single;
    CControlUI* label = single.Create(MAKEINTRESOURCEW(7), L"xml");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetName(), L"fromResource");
    EXPECT_EQ(label->GetText(), L"seven");
    delete label;

    CUILayoutBuilder outer;
    CControlUI* root = outer.Create(MAKEINTRESOURCEW(8), L"xml");
    ASSERT_NE(root, nullptr);
    auto* container = static_cast<IContainerUI*>(root->AsInterface(L"IContainer"));
    ASSERT_EQ(container->GetCount(), 2);
    EXPECT_EQ(container->GetItemAt(1)->GetName(), L"fromResource");
    delete root;
}
