// The readers of skin attribute values: each row is a spelling and what the controls read.
#include "core/UIAttributeValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace QxUI;

namespace {

std::string Shown(LPCWSTR value)
{
    if (!value)
        return "(null)";
    std::string text = "\"";
    for (LPCWSTR p = value; *p; ++p) {
        if (*p >= 0x20 && *p < 0x7F)
            text += static_cast<char>(*p);
        else
            text += "\\x" + std::to_string(static_cast<unsigned>(*p));
    }
    return text + "\"";
}

void ExpectRect(const long (&want)[4], const RECT& rc, LPCWSTR value)
{
    EXPECT_EQ(want[0], rc.left) << Shown(value);
    EXPECT_EQ(want[1], rc.top) << Shown(value);
    EXPECT_EQ(want[2], rc.right) << Shown(value);
    EXPECT_EQ(want[3], rc.bottom) << Shown(value);
}

} // namespace

TEST(AttributeValues, Booleans)
{
    struct Row
    {
        LPCWSTR value;
        bool isTrue, isTrueIgnoringCase, isFalse;
    };
    const Row rows[] = {
        {L"true", true, true, false},    {L"True", false, true, false},
        {L"TRUE", false, true, false},   {L"tRuE", false, true, false},
        {L" true", false, false, false}, {L"true ", false, false, false},
        {L"truex", false, false, false}, {L"1", false, false, false},
        {L"yes", false, false, false},   {L"false", false, false, true},
        {L"False", false, false, false}, {L"false ", false, false, false},
        {L"0", false, false, false},     {L"", false, false, false},
        {nullptr, false, false, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.isTrue, AttributeIsTrue(r.value)) << Shown(r.value);
        EXPECT_EQ(r.isTrueIgnoringCase, AttributeIsTrueIgnoringCase(r.value)) << Shown(r.value);
        EXPECT_EQ(r.isFalse, AttributeIsFalse(r.value)) << Shown(r.value);
    }
}

TEST(AttributeValues, IntegersReadLeadingDigitsAndSaturate)
{
    struct Row
    {
        LPCWSTR value;
        int expected;
    };
    const Row rows[] = {
        {L"42", 42},           {L"-7", -7},          {L"+7", 7},
        {L" 12", 12},          {L"\t12", 12},        {L"007", 7},
        {L"12abc", 12},        {L"1.9", 1},          {L"1,2", 1},
        {L"abc", 0},           {L"- 5", 0},          {L"0x10", 0},
        {L"", 0},              {nullptr, 0},         {L"2147483647", INT_MAX},
        {L"2147483648", INT_MAX}, {L"99999999999", INT_MAX}, {L"-2147483648", INT_MIN},
        {L"-2147483649", INT_MIN}, {L"-99999999999", INT_MIN},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, AttributeInt(r.value)) << Shown(r.value);
}

TEST(AttributeValues, ColoursByWhatMayComeBeforeTheHash)
{
    struct Row
    {
        LPCWSTR value;
        DWORD plain, afterSpaces, afterWhitespace, afterBlanks;
    };
    const Row rows[] = {
        {L"FF102030", 0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030},
        {L"#FF102030", 0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030},
        {L"#102030", 0x102030, 0x102030, 0x102030, 0x102030},
        {L"ff", 0xFF, 0xFF, 0xFF, 0xFF},
        {L"0x1F", 0x1F, 0x1F, 0x1F, 0x1F},
        {L"#0x1F", 0x1F, 0x1F, 0x1F, 0x1F},
        {L"##1F", 0, 0, 0, 0},
        {L"1Fzz", 0x1F, 0x1F, 0x1F, 0x1F},
        {L"zz", 0, 0, 0, 0},
        {L"# 1F", 0x1F, 0x1F, 0x1F, 0x1F},
        {L" 1F", 0x1F, 0x1F, 0x1F, 0x1F},
        {L" #1F", 0, 0x1F, 0x1F, 0x1F},
        {L"  #1F", 0, 0x1F, 0x1F, 0x1F},
        {L"\t#1F", 0, 0, 0x1F, 0x1F},
        {L" \t#1F", 0, 0, 0x1F, 0x1F},
        {L"\r\n#1F", 0, 0, 0x1F, 0x1F},
        {L"\v#1F", 0, 0, 0, 0x1F},
        {L"\x01#1F", 0, 0, 0, 0x1F},
        {L"123456789", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
        {L"-1", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
        {L"", 0, 0, 0, 0},
        {nullptr, 0, 0, 0, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.plain, AttributeHexColor(r.value)) << Shown(r.value);
        EXPECT_EQ(r.afterSpaces, AttributeHexColorAfterSpaces(r.value)) << Shown(r.value);
        EXPECT_EQ(r.afterWhitespace, AttributeHexColorAfterWhitespace(r.value)) << Shown(r.value);
        EXPECT_EQ(r.afterBlanks, AttributeHexColorAfterBlanks(r.value)) << Shown(r.value);
    }
}

TEST(AttributeValues, DecimalListsSkipOneCharacterAfterEachNumber)
{
    struct Row
    {
        LPCWSTR value;
        long expected[4];
    };
    const Row rows[] = {
        {L"1,2,3,4", {1, 2, 3, 4}},      {L"1 2 3 4", {1, 2, 3, 4}},
        {L"1;2;3;4", {1, 2, 3, 4}},      {L"1, 2, 3, 4", {1, 2, 3, 4}},
        {L"-1,-2,+3,4", {-1, -2, 3, 4}}, {L"1,2", {1, 2, 0, 0}},
        {L"1,2,3,", {1, 2, 3, 0}},       {L"1,2,3,4,5", {1, 2, 3, 4}},
        {L"1,,3,4", {1, 0, 3, 4}},       {L"1,,,3", {1, 0, 0, 3}},
        {L",5", {0, 5, 0, 0}},           {L" 1 , 2", {1, 0, 2, 0}},
        {L"1x2", {1, 2, 0, 0}},          {L"1.5,2", {1, 5, 2, 0}},
        {L"10px,20px", {10, 0, 0, 20}},  {L"a,b", {0, 0, 0, 0}},
        {L"0x10,1", {0, 10, 1, 0}},       {L"", {0, 0, 0, 0}},
        {nullptr, {0, 0, 0, 0}},
        {L"99999999999,-99999999999,0,0", {LONG_MAX, LONG_MIN, 0, 0}},
    };
    for (const Row& r : rows) {
        ExpectRect(r.expected, AttributeDecimalRect(r.value), r.value);
        long numbers[4] = {7, 7, 7, 7};
        AttributeDecimalList(r.value, numbers, 4);
        ExpectRect(r.expected, RECT{numbers[0], numbers[1], numbers[2], numbers[3]}, r.value);
        const SIZE size = AttributeDecimalSize(r.value);
        EXPECT_EQ(r.expected[0], size.cx) << Shown(r.value);
        EXPECT_EQ(r.expected[1], size.cy) << Shown(r.value);
    }
}

TEST(AttributeValues, FractionListsSkipOneCharacterAfterEachNumber)
{
    struct Row
    {
        LPCWSTR value;
        double expected[4];
    };
    const Row rows[] = {
        {L"0.5,0,0.5,0", {0.5, 0, 0.5, 0}}, {L"0.25,0.75", {0.25, 0.75, 0, 0}},
        {L"-0.5,1.5e0", {-0.5, 1.5, 0, 0}}, {L".5;.5 1", {0.5, 0.5, 1, 0}},
        {L"1,,2", {1, 0, 2, 0}},            {L"abc", {0, 0, 0, 0}},
        {L"", {0, 0, 0, 0}},                {nullptr, {0, 0, 0, 0}},
    };
    for (const Row& r : rows) {
        double numbers[4] = {7, 7, 7, 7};
        AttributeFractionList(r.value, numbers, 4);
        for (int i = 0; i < 4; ++i)
            EXPECT_DOUBLE_EQ(r.expected[i], numbers[i]) << Shown(r.value) << " #" << i;
    }
}

TEST(AttributeValues, CommaListsReadGapsAsZeroOrStopThere)
{
    struct Row
    {
        LPCWSTR value;
        long list[4];
        long untilGap[4];
    };
    const Row rows[] = {
        {L"1,2,3,4", {1, 2, 3, 4}, {1, 2, 3, 4}},
        {L"1 2 3 4", {1, 2, 3, 4}, {1, 2, 3, 4}},
        {L"1, 2", {1, 2, 0, 0}, {1, 2, 0, 0}},
        {L"1,2,3,4,5", {1, 2, 3, 4}, {1, 2, 3, 4}},
        {L"1;2;3;4", {1, 0, 0, 0}, {1, 0, 0, 0}},
        {L"10px,20px", {10, 0, 0, 0}, {10, 0, 0, 0}},
        {L"1,,3,4", {1, 0, 3, 4}, {1, 0, 0, 0}},
        {L",5", {0, 5, 0, 0}, {0, 0, 0, 0}},
        {L",,5", {0, 0, 5, 0}, {0, 0, 0, 0}},
        {L"99999999999,-5", {LONG_MAX, -5, 0, 0}, {LONG_MAX, -5, 0, 0}},
        {L"", {0, 0, 0, 0}, {0, 0, 0, 0}},
        {nullptr, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Row& r : rows) {
        long numbers[4] = {7, 7, 7, 7};
        AttributeCommaList(r.value, numbers, 4);
        ExpectRect(r.list, RECT{numbers[0], numbers[1], numbers[2], numbers[3]}, r.value);
        ExpectRect(r.untilGap, AttributeCommaRectUntilGap(r.value), r.value);
    }
}

TEST(AttributeValues, AlignWordsAreFoundAnywhere)
{
    struct Row
    {
        LPCWSTR value;
        UINT expected;
    };
    const Row rows[] = {
        {L"left", kAlignLeft},
        {L"center", kAlignCenter},
        {L"right", kAlignRight},
        {L"top", kAlignTop},
        {L"vcenter", kAlignCenter | kAlignVCenter},
        {L"bottom", kAlignBottom},
        {L"left right", kAlignLeft | kAlignRight},
        {L"leftcenter", kAlignLeft | kAlignCenter},
        {L"upright", kAlignRight},
        {L"vcenter,bottom", kAlignCenter | kAlignVCenter | kAlignBottom},
        {L"Left", 0},
        {L"centre", 0},
        {L"", 0},
        {nullptr, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, AttributeAlignWords(r.value)) << Shown(r.value);
}

TEST(AttributeValues, ResourceIds)
{
    struct Row
    {
        LPCWSTR value;
        bool leadingOk;
        WORD leading;
        WORD digitsOnly;
    };
    const Row rows[] = {
        {L"101", true, 101, 101},    {L"00101", true, 101, 101},
        {L"0", true, 0, 0},          {L"65535", true, 65535, 65535},
        {L"101abc", true, 101, 0},   {L"101 ", true, 101, 0},
        {L"0x10", true, 0, 0},       {L"65536", false, 9, 0},
        {L"99999999999", false, 9, 0}, {L" 101", false, 9, 0},
        {L"+101", false, 9, 0},      {L"-1", false, 9, 0},
        {L"abc", false, 9, 0},       {L"", false, 9, 0},
        {nullptr, false, 9, 0},
    };
    for (const Row& r : rows) {
        WORD id = 9;
        EXPECT_EQ(r.leadingOk, AttributeResourceId(r.value, id)) << Shown(r.value);
        EXPECT_EQ(r.leading, id) << Shown(r.value);
        EXPECT_EQ(r.digitsOnly, AttributeResourceIdDigitsOnly(r.value)) << Shown(r.value);
    }
}
