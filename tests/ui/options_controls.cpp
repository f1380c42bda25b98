// Options, check boxes and sliders in real windows, driven by mouse messages.

#include "controls/UIOption.h"
#include "controls/UISlider.h"
#include "core/UILayouts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cwchar>
#include <functional>
#include <string>

#include "manager_support.h"
#include "render_support.h"

using namespace QxUI;
using namespace controlstest;
using skintest::SkinWindow;

namespace {

// Two rows of 30 pixels: options a, b | c and the check box, each 40 wide.
const wchar_t kOptionSkin[] =
    L"<Window><VerticalLayout>"
    L"<HorizontalLayout height=\"30\"><Option name=\"a\" group=\"g\" width=\"40\"/>"
    L"<Option name=\"b\" group=\"g\" width=\"40\" selected=\"true\"/></HorizontalLayout>"
    L"<HorizontalLayout height=\"30\"><Option name=\"c\" group=\"g\" width=\"40\"/>"
    L"<CheckBox name=\"x\" width=\"40\"/></HorizontalLayout>"
    L"<Control/></VerticalLayout></Window>";

// The selected ones of a, b, c and the check box x, a dash for each other.
std::string Selection(SkinWindow& skin)
{
    std::string result;
    for (LPCWSTR name : {L"a", L"b", L"c", L"x"})
        result += skin.Find<COptionUI>(name)->IsSelected() ? static_cast<char>(name[0]) : '-';
    return result;
}

} // namespace

TEST(Option, GroupsSpanContainersAndCheckBoxesToggle)
{
    SkinWindow skin;
    ASSERT_TRUE(skin.Open(kOptionSkin));
    ASSERT_EQ("-b--", Selection(skin));
    // Clicks on c (another container, same group: b lets go), on c again (a selected option
    // stays selected), twice on the check box, on a. A "selectchanged" follows the "click" when
    // the selection changed.
    const struct
    {
        int x, y;
        LPCWSTR sender;
        const char* selection;
        size_t changes;
    } steps[] = {{20, 45, L"c", "--c-", 1}, {20, 45, L"c", "--c-", 0}, {60, 45, L"x", "--cx", 1},
                 {60, 45, L"x", "--c-", 1}, {20, 15, L"a", "a---", 1}};
    for (const auto& step : steps) {
        skin.recorder = Recorder();
        skin.Mouse(WM_LBUTTONDOWN, step.x, step.y, MK_LBUTTON);
        skin.Mouse(WM_LBUTTONUP, step.x, step.y);
        EXPECT_EQ(step.selection, Selection(skin)) << "click at " << step.x << "," << step.y;
        const std::vector<size_t> clicks = skin.Heard(L"click");
        const std::vector<size_t> changes = skin.Heard(L"selectchanged");
        ASSERT_EQ(1u, clicks.size());
        ASSERT_EQ(step.changes, changes.size());
        EXPECT_EQ(skin.Find(step.sender), skin.recorder.senders[clicks[0]]);
        if (step.changes) {
            EXPECT_LT(clicks[0], changes[0]);
            EXPECT_EQ(skin.Find(step.sender), skin.recorder.senders[changes[0]]);
        }
    }
}

TEST(Option, GroupNeverKeepsAnOptionThatIsGone)
{
    SkinWindow skin;
    // The builder destroys the second top-level option: nothing could own it.
    ASSERT_TRUE(skin.Open(L"<Window><Option name=\"first\" group=\"solo\"/>"
                          L"<Option group=\"solo\"/></Window>"));
    CUIPtrArray* solo = skin.host.manager.GetOptionGroup(L"solo");
    ASSERT_TRUE(solo && solo->GetSize() == 1);
    EXPECT_EQ(skin.Find(L"first"), solo->GetAt(0));
}

// ---- Painting -------------------------------------------------------------------------------

// Options and sliders painted into an off-screen DIB with solid test images.
class Painted : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = rendertest::MakeTestFolder(L"options_painted");
        const std::pair<LPCWSTR, rendertest::Rgba> images[] = {
            {L"red.png", {255, 0, 0, 255}}, {L"green.png", {0, 255, 0, 255}},
            {L"blue.png", {0, 0, 255, 255}}, {L"yellow.png", {255, 255, 0, 255}}};
        for (const auto& image : images) {
            const std::vector<rendertest::Rgba> pixels(16, image.second);
            ASSERT_TRUE(rendertest::WriteBytes(folder + image.first,
                                               rendertest::EncodePng(4, 4, pixels)));
        }
    }
    void SetUp() override
    {
        CUIWindowManager::SetResourceFolder(folder.c_str());
        manager.AttachMemoryDC(canvas.Dc());
    }
    void Send(CControlUI& control, int type, POINT pt)
    {
        UIEvent event = MakeEvent(type, pt);
        control.OnEvent(event);
    }
    int PaintAndCount(CControlUI& control, DWORD rgb)
    {
        canvas.Fill(0xFF000000);
        control.Paint(canvas.Dc(), RECT{0, 0, 100, 100});
        return 10000 - canvas.CountNot(rgb);
    }

    static std::wstring folder;
    rendertest::Canvas canvas{100, 100, 0xFF000000};
    CUIWindowManager manager;
};

std::wstring Painted::folder;

TEST_F(Painted, OptionShowsItsSelectedLookAndNeverLooksPushed)
{
    // A 40 x 20 option: red normal, blue pushed; a 2 x 2 yellow fore image over every state.
    const wchar_t base[] = L"normalimage=\"red.png\" pushedimage=\"blue.png\" "
                           L"foreimage=\"file='yellow.png' dest='0,0,2,2'\"";
    const struct
    {
        LPCWSTR attributes;
        bool selected, hot;
        DWORD rgb;   // what the option shows besides its fore image
    } cases[] = {
        {L"", false, false, 0xFF0000},
        {L"", true, false, 0xFF0000},   // no selected look: the button's, not pushed
        {L"selectedimage=\"green.png\"", true, false, 0x00FF00},
        {L"selectedimage=\"green.png\" selectedhotimage=\"blue.png\"", true, true, 0x0000FF},
        {L"selectedhotimage=\"blue.png\"", true, false, 0xFF0000},
        {L"selectedbkcolor=\"#FF808080\"", true, false, 0x808080},
    };
    for (const auto& c : cases) {
        COptionUI option;
        option.SetManager(&manager, nullptr, false);
        option.SetPos(RECT{0, 0, 40, 20}, false);
        option.ApplyAttributeList(base);
        option.ApplyAttributeList(c.attributes);
        option.SetSelected(c.selected);
        if (c.hot)
            Send(option, UIEventType::MouseEnter, {5, 5});
        Send(option, UIEventType::ButtonDown, {5, 5});
        EXPECT_EQ(796, PaintAndCount(option, c.rgb)) << c.attributes << " " << c.selected;
        EXPECT_EQ(4, PaintAndCount(option, 0xFFFF00)) << c.attributes << " " << c.selected;
    }
}

TEST_F(Painted, SelectedOptionTextTakesTheSelectedColourForThePaintOnly)
{
    COptionUI option;
    option.SetManager(&manager, nullptr, false);
    option.SetPos(RECT{0, 0, 100, 30}, false);
    option.SetText(L"MMMM");
    option.ApplyAttributeList(L"textcolor=\"#FFFFFFFF\" selectedtextcolor=\"#FF00FF00\"");
    EXPECT_GT(PaintAndCount(option, 0xFFFFFF), 5);
    option.SetSelected(true);
    EXPECT_GT(PaintAndCount(option, 0x00FF00), 5);
    EXPECT_EQ(0, PaintAndCount(option, 0xFFFFFF));
    EXPECT_EQ(0xFFFFFFFFu, option.GetTextColor());
}

TEST_F(Painted, SliderThumbFollowsTheValueAndShowsItsState)
{
    // A vertical 20 x 100 slider: the thumb sits 10 x 10 at the value, blue while dragged.
    CSliderUI slider;
    slider.SetManager(&manager, nullptr, false);
    slider.SetPos(RECT{0, 0, 20, 100}, false);
    slider.ApplyAttributeList(L"hor=\"false\" value=\"25\" thumbimage=\"red.png\" "
                              L"thumbhotimage=\"green.png\" thumbpushedimage=\"blue.png\"");
    EXPECT_EQ(100, PaintAndCount(slider, 0xFF0000));
    RECT bounds = {};
    canvas.CountNot(0x000000, &bounds);
    EXPECT_TRUE(SameRect(RECT{5, 68, 15, 78}, bounds)) << bounds;

    Send(slider, UIEventType::MouseEnter, {10, 70});
    EXPECT_EQ(100, PaintAndCount(slider, 0x00FF00));
    Send(slider, UIEventType::ButtonDown, {10, 70});
    EXPECT_EQ(100, PaintAndCount(slider, 0x0000FF));
    // Bottom less half a thumb is the minimum, top plus half a thumb the maximum.
    Send(slider, UIEventType::ButtonUp, {10, 50});
    EXPECT_EQ(50, slider.GetValue());
    EXPECT_EQ(100, PaintAndCount(slider, 0x00FF00));
}

// ---- Slider ---------------------------------------------------------------------------------

TEST(Slider, DragClickAndWheelStayWithinTheRange)
{
    SkinWindow skin;
    ASSERT_TRUE(skin.Open(L"<Window><VerticalLayout><Slider name=\"s\" width=\"110\" "
                          L"height=\"20\" thumbsize=\"10,10\" value=\"0\"/><Control/>"
                          L"</VerticalLayout></Window>"));
    CSliderUI* slider = skin.Find<CSliderUI>(L"s");

    // From the thumb at 0..10 to the middle of the track (half the range), past the right end,
    // past the left end; a press beside the thumb captures nothing.
    const struct
    {
        int press, release, value, notifications;
    } drags[] = {{5, 55, 50, 1}, {55, 150, 100, 1}, {105, 2, 0, 1}, {80, 30, 0, 0}};
    for (const auto& drag : drags) {
        skin.recorder = Recorder();
        skin.Mouse(WM_MOUSEMOVE, drag.press, 10);
        skin.Mouse(WM_LBUTTONDOWN, drag.press, 10, MK_LBUTTON);
        skin.Mouse(WM_MOUSEMOVE, (drag.press + drag.release) / 2, 10, MK_LBUTTON);
        EXPECT_EQ(0, skin.recorder.Count(L"valuechanged")) << "nothing while dragging";
        skin.Mouse(WM_LBUTTONUP, drag.release, 10);
        EXPECT_EQ(drag.value, slider->GetValue()) << "press " << drag.press;
        EXPECT_EQ(drag.notifications, skin.recorder.Count(L"valuechanged"));
    }

    // The wheel stops at the ends and tells nobody about a notch that changes nothing.
    slider->SetValue(100);
    skin.recorder.types.clear();
    skin.Wheel(50, 10, WHEEL_DELTA);
    EXPECT_EQ(100, slider->GetValue());
    EXPECT_EQ(0, skin.recorder.Count(L"valuechanged"));
    skin.Wheel(50, 10, -WHEEL_DELTA);
    EXPECT_EQ(99, slider->GetValue());
    EXPECT_EQ(1, skin.recorder.Count(L"valuechanged"));
}

TEST(Slider, EmptyAndHugeRangesMapWithoutFaulting)
{
    CSliderUI slider;
    slider.SetPos(RECT{0, 0, 110, 20});
    // Before a paint fixes it, max <= min counts as one; the last range does not fit 32 bits.
    const struct
    {
        int min, max, value, thumbLeft, releasedValue;
    } cases[] = {{5, 5, 5, 0, 5}, {10, 3, 10, 0, 10}, {INT_MIN, INT_MAX, 0, 50, -1}};
    for (const auto& c : cases) {
        slider.SetMinValue(c.min);
        slider.SetMaxValue(c.max);
        slider.SetValue(c.value);
        const RECT thumb = slider.GetThumbRect();
        EXPECT_EQ(c.thumbLeft, thumb.left) << c.min << ".." << c.max;
        for (UIEvent event : {MakeEvent(UIEventType::ButtonDown, {thumb.left + 1, 10}),
                              MakeEvent(UIEventType::ButtonUp, {55, 10})})
            slider.HandleEvent(event);
        EXPECT_EQ(c.releasedValue, slider.GetValue()) << c.min << ".." << c.max;
    }
}

TEST(Slider, ReleasePointsMapToValuesAlongEitherAxis)
{
    // 0..100 over a 110 px track with a 10 px thumb: the value grows rightwards, and upwards on
    // an upright slider; within half a thumb of an end the end's value. A track shorter than
    // the thumb is at both ends at once: the high end wins across, the low end upright.
    const struct
    {
        bool horizontal;
        RECT rc;
        int along;   // the release point, along the track
        int value;
    } cases[] = {
        {true, {0, 0, 110, 20}, 30, 25},   {true, {0, 0, 110, 20}, 5, 0},
        {true, {0, 0, 110, 20}, 105, 100}, {false, {0, 0, 20, 110}, 80, 25},
        {false, {0, 0, 20, 110}, 105, 0},  {false, {0, 0, 20, 110}, 5, 100},
        {true, {0, 0, 8, 20}, 4, 100},     {false, {0, 0, 20, 8}, 4, 0},
    };
    for (const auto& c : cases) {
        CSliderUI slider;
        slider.SetHorizontal(c.horizontal);
        slider.SetAttribute(L"thumbsize", L"10,10");
        slider.SetMinValue(0);
        slider.SetMaxValue(100);
        slider.SetValue(c.horizontal ? 0 : 100);
        slider.SetPos(c.rc);
        const RECT thumb = slider.GetThumbRect();
        const POINT press = {(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
        const POINT release = c.horizontal ? POINT{c.along, 10} : POINT{10, c.along};
        for (UIEvent event : {MakeEvent(UIEventType::ButtonDown, press),
                              MakeEvent(UIEventType::ButtonUp, release)})
            slider.HandleEvent(event);
        EXPECT_EQ(c.value, slider.GetValue())
            << (c.horizontal ? "across " : "upright ") << c.rc.right << " at " << c.along;
    }
}

// ---- Deleted by their own handler -----------------------------------------------------------

// Options a and b of a group, the check box x and a button, each 40 x 30; below them a slider
// 110 x 20.
const wchar_t kDeletableSkin[] =
    L"<Window><VerticalLayout><HorizontalLayout height=\"30\">"
    L"<Option name=\"a\" group=\"g\" width=\"40\"/>"
    L"<Option name=\"b\" group=\"g\" width=\"40\" selected=\"true\"/>"
    L"<CheckBox name=\"x\" width=\"40\"/><Button name=\"btn\" width=\"40\" shortcut=\"B\"/>"
    L"</HorizontalLayout>"
    L"<Slider name=\"s\" width=\"110\" height=\"20\" thumbsize=\"10,10\" value=\"0\"/>"
    L"<Control/></VerticalLayout></Window>";

// A handler deletes its sender at once, from a real click, key, shortcut or drag, and the freed
// memory is taken back at once: nothing of the deleted control may be used afterwards.
TEST(DeletedByItsHandler, ButtonsOptionsAndSlidersTouchNothingOfThemselvesAfterNotifying)
{
    const auto click = [](int x, int y) { return [x, y](SkinWindow& skin) { skin.Click(x, y); }; };
    const struct
    {
        LPCWSTR name, type;
        size_t size;
        std::function<void(SkinWindow&)> act;
    } cases[] = {
        {L"a", L"click", sizeof(COptionUI), click(20, 15)},
        {L"a", L"selectchanged", sizeof(COptionUI), click(20, 15)},
        // The window manager forgets the control a key went down on.
        {L"btn", L"click", sizeof(CButtonUI),
         [](SkinWindow& skin) {
             skin.Find(L"btn")->SetFocus();
             skin.Key(VK_SPACE);
         }},
        // The window manager gives the pressed control, or the one of a shortcut, the focus
        // first.
        {L"x", L"setfocus", sizeof(CCheckBoxUI), click(100, 15)},
        {L"btn", L"setfocus", sizeof(CButtonUI),
         [](SkinWindow& skin) {
             ::PostMessageW(skin.host.GetHandle(), WM_SYSCHAR, L'b', 0);
             managertest::Pump();
         }},
        // A drag from the thumb to the middle.
        {L"s", L"valuechanged", sizeof(CSliderUI),
         [](SkinWindow& skin) {
             skin.Mouse(WM_MOUSEMOVE, 5, 40);
             skin.Mouse(WM_LBUTTONDOWN, 5, 40, MK_LBUTTON);
             skin.Mouse(WM_MOUSEMOVE, 30, 40, MK_LBUTTON);
             skin.Mouse(WM_LBUTTONUP, 55, 40);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " of " << c.name);
        SkinWindow skin;
        ASSERT_TRUE(skin.Open(kDeletableSkin));
        skin.recorder = Recorder();
        CControlUI* target = skin.Find(c.name);
        FreedMemoryReuse reuse;
        Handler deleter(c.type, [&](UINotification& msg) {
            if (msg.pSender == target && DeleteAtOnce(target))
                reuse.Take({c.size});
        });
        skin.host.manager.AddNotifier(&deleter);
        c.act(skin);
        skin.host.manager.RemoveNotifier(&deleter);

        EXPECT_EQ(1, deleter.runs);
        EXPECT_EQ(wcscmp(c.type, L"selectchanged") == 0 ? 1 : 0,
                  skin.recorder.Count(L"selectchanged"))
            << "nothing more is heard of a deleted option";
        // The window goes on: the mouse over where the control was, a key, a repaint.
        for (POINT pt : {POINT{20, 15}, POINT{100, 15}, POINT{50, 40}})
            skin.Mouse(WM_MOUSEMOVE, pt.x, pt.y);
        skin.Key(VK_SPACE);
        skin.Repaint();
        EXPECT_TRUE(reuse.Intact());
    }
}
