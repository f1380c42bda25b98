// The readers of skin attribute values: each row is a spelling and what the controls read.
#include "core/UIAttributeValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace QxUI;

namespace {

std::vector<long> Numbers(const RECT& rc)
{
    return {rc.left, rc.top, rc.right, rc.bottom};
}

// A list reader's four numbers, from slots that hold 7 before it reads.
template <class Number, class Reader>
std::vector<Number> ListOf(Reader read, LPCWSTR value)
{
    std::vector<Number> numbers(4, 7);
    read(value, numbers.data(), 4);
    return numbers;
}

} // namespace

TEST(AttributeValues, Booleans)
{
    const struct
    {
        LPCWSTR value;
        bool isTrue, isTrueIgnoringCase, isFalse;
    } rows[] = {
        {L"true", true, true, false},    {L"True", false, true, false},
        {L"tRuE", false, true, false},   {L" true", false, false, false},
        {L"true ", false, false, false}, {L"truex", false, false, false},
        {L"1", false, false, false},     {L"false", false, false, true},
        {L"False", false, false, false}, {L"false ", false, false, false},
        {L"", false, false, false},      {nullptr, false, false, false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.isTrue, AttributeIsTrue(r.value)) << r.value;
        EXPECT_EQ(r.isTrueIgnoringCase, AttributeIsTrueIgnoringCase(r.value)) << r.value;
        EXPECT_EQ(r.isFalse, AttributeIsFalse(r.value)) << r.value;
    }
}

TEST(AttributeValues, IntegersReadLeadingDigitsAndSaturate)
{
    const struct
    {
        LPCWSTR value;
        int expected;
    } rows[] = {
        {L"42", 42},       {L"-7", -7},        {L"+7", 7},          {L" 12", 12},
        {L"\t12", 12},     {L"007", 7},        {L"12abc", 12},      {L"1.9", 1},
        {L"abc", 0},       {L"- 5", 0},        {L"0x10", 0},        {L"", 0},
        {nullptr, 0},      {L"2147483647", INT_MAX},                {L"2147483648", INT_MAX},
        {L"99999999999", INT_MAX},             {L"-2147483648", INT_MIN},
        {L"-2147483649", INT_MIN},             {L"-99999999999", INT_MIN},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.expected, AttributeInt(r.value)) << r.value;
}

TEST(AttributeValues, ColoursByWhatMayComeBeforeTheHash)
{
    const struct
    {
        LPCWSTR value;
        DWORD plain, afterSpaces, afterWhitespace, afterBlanks;
    } rows[] = {
        {L"FF102030", 0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030},
        {L"#FF102030", 0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030},
        {L"ff", 0xFF, 0xFF, 0xFF, 0xFF},
        {L"0x1F", 0x1F, 0x1F, 0x1F, 0x1F},
        {L"#0x1F", 0x1F, 0x1F, 0x1F, 0x1F},
        {L"##1F", 0, 0, 0, 0},
        {L"1Fzz", 0x1F, 0x1F, 0x1F, 0x1F},
        {L"# 1F", 0x1F, 0x1F, 0x1F, 0x1F},
        {L" 1F", 0x1F, 0x1F, 0x1F, 0x1F},
        {L"  #1F", 0, 0x1F, 0x1F, 0x1F},
        {L"\t#1F", 0, 0, 0x1F, 0x1F},
        {L"\r\n#1F", 0, 0, 0x1F, 0x1F},
        {L"\v#1F", 0, 0, 0, 0x1F},
        {L"\x01#1F", 0, 0, 0, 0x1F},
        {L"123456789", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
        {L"-1", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
        {L"", 0, 0, 0, 0},
        {nullptr, 0, 0, 0, 0},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.plain, AttributeHexColor(r.value)) << r.value;
        EXPECT_EQ(r.afterSpaces, AttributeHexColorAfterSpaces(r.value)) << r.value;
        EXPECT_EQ(r.afterWhitespace, AttributeHexColorAfterWhitespace(r.value)) << r.value;
        EXPECT_EQ(r.afterBlanks, AttributeHexColorAfterBlanks(r.value)) << r.value;
    }
}

TEST(AttributeValues, DecimalListsSkipOneCharacterAfterEachNumber)
{
    const struct
    {
        LPCWSTR value;
        RECT expected;
    } rows[] = {
        {L"1,2,3,4", {1, 2, 3, 4}},      {L"1 2 3 4", {1, 2, 3, 4}},
        {L"1, 2, 3, 4", {1, 2, 3, 4}},   {L"-1,-2,+3,4", {-1, -2, 3, 4}},
        {L"1,2", {1, 2, 0, 0}},          {L"1,2,3,", {1, 2, 3, 0}},
        {L"1,2,3,4,5", {1, 2, 3, 4}},    {L"1,,3,4", {1, 0, 3, 4}},
        {L",5", {0, 5, 0, 0}},           {L" 1 , 2", {1, 0, 2, 0}},
        {L"1.5,2", {1, 5, 2, 0}},        {L"10px,20px", {10, 0, 0, 20}},
        {L"a,b", {0, 0, 0, 0}},          {L"0x10,1", {0, 10, 1, 0}},
        {L"", {0, 0, 0, 0}},             {nullptr, {0, 0, 0, 0}},
        {L"99999999999,-99999999999,0,0", {LONG_MAX, LONG_MIN, 0, 0}},
    };
    for (const auto& r : rows) {
        const std::vector<long> expected = Numbers(r.expected);
        EXPECT_EQ(expected, Numbers(AttributeDecimalRect(r.value))) << r.value;
        EXPECT_EQ(expected, ListOf<long>(AttributeDecimalList, r.value)) << r.value;
        const SIZE size = AttributeDecimalSize(r.value);
        EXPECT_EQ(expected[0], size.cx) << r.value;
        EXPECT_EQ(expected[1], size.cy) << r.value;
    }
}

TEST(AttributeValues, FractionListsSkipOneCharacterAfterEachNumber)
{
    const struct
    {
        LPCWSTR value;
        std::vector<double> expected;
    } rows[] = {
        {L"0.5,0,0.5,0", {0.5, 0, 0.5, 0}}, {L"0.25,0.75", {0.25, 0.75, 0, 0}},
        {L"-0.5,1.5e0", {-0.5, 1.5, 0, 0}}, {L".5;.5 1", {0.5, 0.5, 1, 0}},
        {L"1,,2", {1, 0, 2, 0}},            {L"abc", {0, 0, 0, 0}},
        {L"", {0, 0, 0, 0}},                {nullptr, {0, 0, 0, 0}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.expected, ListOf<double>(AttributeFractionList, r.value)) << r.value;
}

TEST(AttributeValues, CommaListsReadGapsAsZeroOrStopThere)
{
    const struct
    {
        LPCWSTR value;
        RECT list, untilGap;
    } rows[] = {
        {L"1,2,3,4", {1, 2, 3, 4}, {1, 2, 3, 4}},
        {L"1 2 3 4", {1, 2, 3, 4}, {1, 2, 3, 4}},
        {L"1,2,3,4,5", {1, 2, 3, 4}, {1, 2, 3, 4}},
        {L"1;2;3;4", {1, 0, 0, 0}, {1, 0, 0, 0}},
        {L"10px,20px", {10, 0, 0, 0}, {10, 0, 0, 0}},
        {L"1,,3,4", {1, 0, 3, 4}, {1, 0, 0, 0}},
        {L",5", {0, 5, 0, 0}, {0, 0, 0, 0}},
        {L"99999999999,-5", {LONG_MAX, -5, 0, 0}, {LONG_MAX, -5, 0, 0}},
        {L"", {0, 0, 0, 0}, {0, 0, 0, 0}},
        {nullptr, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Numbers(r.list), ListOf<long>(AttributeCommaList, r.value)) << r.value;
        EXPECT_EQ(Numbers(r.untilGap), Numbers(AttributeCommaRectUntilGap(r.value))) << r.value;
    }
}

TEST(AttributeValues, AlignWordsAreFoundAnywhere)
{
    const struct
    {
        LPCWSTR value;
        UINT expected;
    } rows[] = {
        {L"top", kAlignTop},
        {L"vcenter", kAlignCenter | kAlignVCenter},
        {L"leftcenter", kAlignLeft | kAlignCenter},
        {L"upright", kAlignRight},
        {L"vcenter,bottom", kAlignCenter | kAlignVCenter | kAlignBottom},
        {L"Left", 0},
        {L"centre", 0},
        {nullptr, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.expected, AttributeAlignWords(r.value)) << r.value;
}

TEST(AttributeValues, ResourceIds)
{
    const struct
    {
        LPCWSTR value;
        bool leadingOk;
        WORD leading;
        WORD digitsOnly;
    } rows[] = {
        {L"101", true, 101, 101},      {L"00101", true, 101, 101},
        {L"0", true, 0, 0},            {L"65535", true, 65535, 65535},
        {L"101abc", true, 101, 0},     {L"101 ", true, 101, 0},
        {L"0x10", true, 0, 0},         {L"65536", false, 9, 0},
        {L"99999999999", false, 9, 0}, {L" 101", false, 9, 0},
        {L"+101", false, 9, 0},        {L"abc", false, 9, 0},
        {L"", false, 9, 0},            {nullptr, false, 9, 0},
    };
    for (const auto& r : rows) {
        WORD id = 9;
        EXPECT_EQ(r.leadingOk, AttributeResourceId(r.value, id)) << r.value;
        EXPECT_EQ(r.leading, id) << r.value;
        EXPECT_EQ(r.digitsOnly, AttributeResourceIdDigitsOnly(r.value)) << r.value;
    }
}
