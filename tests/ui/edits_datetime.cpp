// The date/time picker in a real window: the picker laid over the control, a date picked with
// DTM_ messages and committed by focus loss, emptied or cancelled by keys; destroyed or
// disabled while picking.

#include "controls/UIDateTime.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "edits_support.h"

using namespace QxUI;
using namespace editstest;

namespace {

std::wstring YearMonthDay(const SYSTEMTIME& time)
{
    WCHAR text[32] = {};
    swprintf(text, 32, L"%04d-%02d-%02d", time.wYear, time.wMonth, time.wDay);
    return text;
}

SYSTEMTIME PickerDate(HWND picker)
{
    SYSTEMTIME time = {};
    ::SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return time;
}

std::wstring Today()
{
    SYSTEMTIME today = {};
    ::GetLocalTime(&today);
    return YearMonthDay(today);
}

class DateTimeWindow : public SkinWindow
{
protected:
    void SetUp() override
    {
        firstDay = Today();   // before the control reads the clock
        Open(L"<Window><VerticalLayout><Button name=\"other\" height=\"20\"/>"
             L"<DateTime name=\"d\" height=\"26\"/><Control/></VerticalLayout></Window>");
        date = Find<CDateTimeUI>(L"d");
    }

    HWND OpenPicker()
    {
        date->SetFocus();
        return date->GetNativeWindow();
    }

    // A date the control read from the clock since the test began: from the day the test began
    // to the day it is now, so a run that crosses midnight is no failure.
    ::testing::AssertionResult ADayOfTheTest(const std::wstring& day) const
    {
        const std::wstring now = Today();
        if (firstDay <= day && day <= now)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << day << " is not between " << firstDay << " and " << now;
    }

    CDateTimeUI* date = nullptr;
    std::wstring firstDay;
};

} // namespace

TEST_F(DateTimeWindow, PickerOverTheControlCommitsOnFocusLossAndKeysEmptyOrCancel)
{
    const std::wstring built = date->GetText().GetData();
    EXPECT_TRUE(ADayOfTheTest(built));
    HWND picker = OpenPicker();
    ASSERT_NE(nullptr, picker);
    EXPECT_EQ(picker, ::GetFocus());
    RECT rc = {};
    ::GetWindowRect(picker, &rc);
    ::MapWindowPoints(HWND_DESKTOP, host.GetHandle(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_TRUE(controlstest::SameRect(date->GetPos(), rc)) << rc;
    EXPECT_EQ(built, YearMonthDay(PickerDate(picker)));
    Click(L"other");
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(picker); }));

    // key 0: the focus leaves the picker; text null: the text before picking.
    struct Case { WPARAM key; LPCWSTR text; bool timeTaken; };
    const Case cases[] = {
        {0, L"2024-02-29", true},
        {VK_ESCAPE, nullptr, false},
        {VK_DELETE, L"", false},
        {VK_BACK, L"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        date->SetText(L"2001-01-01");
        date->SetTime(SYSTEMTIME{2001, 1, 0, 1});
        picker = OpenPicker();
        ASSERT_NE(nullptr, picker);
        EXPECT_EQ(L"2001-01-01", YearMonthDay(PickerDate(picker)));
        SYSTEMTIME picked = {2024, 2, 0, 29};
        ASSERT_TRUE(::SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&picked)));
        if (c.key)
            PressKey(picker, c.key);
        Click(L"other");
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(picker); }));
        EXPECT_EQ(nullptr, date->GetNativeWindow());
        EXPECT_STREQ(c.text ? c.text : L"2001-01-01", date->GetText().GetData());
        EXPECT_EQ(c.timeTaken ? L"2024-02-29" : L"2001-01-01", YearMonthDay(date->GetTime()));
    }
    // Emptied, the control opens the picker at today's date again.
    picker = OpenPicker();
    ASSERT_NE(nullptr, picker);
    EXPECT_TRUE(ADayOfTheTest(YearMonthDay(PickerDate(picker))));
}

TEST_F(DateTimeWindow, DestroyedOrDisabledWhilePickingTheControlTakesThePickerAlong)
{
    HWND picker = OpenPicker();
    ASSERT_NE(nullptr, picker);
    date->SetEnabled(false);
    EXPECT_TRUE(!::IsWindow(picker) || !::IsWindowEnabled(picker));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(picker) || ::GetFocus() != picker; }));

    date->SetEnabled(true);
    picker = OpenPicker();
    ASSERT_NE(nullptr, picker);
    DeleteNow(date);
    EXPECT_FALSE(::IsWindow(picker));
    managertest::Pump();
    EXPECT_EQ(nullptr, host.manager.FindControlByName(L"d"));
}
