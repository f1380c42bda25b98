#include "core/UIBase.h"

#include <gtest/gtest.h>

#include <string>

#include "alloc_count.h"

using namespace QxUI;

namespace {

std::wstring Repeat(wchar_t ch, int n)
{
    return std::wstring(static_cast<size_t>(n), ch);
}

} // namespace

TEST(UIStringStorage, InlineUpTo62ThenHeapAndBack)
{
    CUIString s(Repeat(L'x', 62).c_str());
    EXPECT_EQ(62, s.GetLength());
    const LPCWSTR inlineData = s.GetData();

    s = Repeat(L'y', 63).c_str();
    EXPECT_EQ(63, s.GetLength());
    EXPECT_NE(inlineData, s.GetData());
    EXPECT_EQ(Repeat(L'y', 63), s.GetData());

    s = L"short text";
    EXPECT_EQ(inlineData, s.GetData());
    EXPECT_STREQ(L"short text", s.GetData());
}

TEST(UIStringStorage, AppendPastInlineBufferKeepsPrefix)
{
    CUIString s(Repeat(L'a', 60).c_str());
    s += L"bcd";
    EXPECT_EQ(Repeat(L'a', 60) + L"bcd", s.GetData());
    for (int i = 0; i < 200; ++i)
        s += static_cast<WCHAR>(L'0' + i % 10);
    EXPECT_EQ(263, s.GetLength());
    EXPECT_EQ(L'9', s.GetAt(262));
}

TEST(UIStringStorage, CopiesAreIndependent)
{
    CUIString a(Repeat(L'q', 100).c_str());
    CUIString b(a);
    b += L"!";
    CUIString c;
    c = a;
    a = L"gone";
    EXPECT_EQ(Repeat(L'q', 100) + L"!", b.GetData());
    EXPECT_EQ(Repeat(L'q', 100), c.GetData());
}

TEST(UIStringStorage, SelfReferencesSurviveReallocation)
{
    CUIString s(Repeat(L'z', 40).c_str());
    s += s;
    EXPECT_EQ(Repeat(L'z', 80), s.GetData());
    s.Assign(s.GetData() + 75);
    EXPECT_STREQ(L"zzzzz", s.GetData());
    s = s;
    EXPECT_STREQ(L"zzzzz", s.GetData());
}

TEST(UIStringStorage, AssignWithLengthAndNulls)
{
    CUIString s(L"abcdef", 3);
    EXPECT_STREQ(L"abc", s.GetData());
    s.Assign(L"xy", 10);
    EXPECT_STREQ(L"xy", s.GetData());
    EXPECT_EQ(2, s.GetLength());
    s.Assign(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    s = L"text";
    s = static_cast<LPCWSTR>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    s += static_cast<LPCWSTR>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(L"w", CUIString(L'w').GetData());
}

TEST(UIStringStorage, ManyAppendsKeepTheTextAndGrowTheBlockGeometrically)
{
    // 100,000 appends of a character: each used to reallocate the block.
    CUIString s;
    std::wstring expected;
    long blocks = 0;
    {
        alloctest::AllocationCount count;
        for (int i = 0; i < 100000; ++i) {
            const WCHAR ch = static_cast<WCHAR>(L'a' + i % 26);
            s += ch;
            expected += ch;
        }
        blocks = count.Blocks();
    }
    EXPECT_EQ(100000, s.GetLength());
    EXPECT_TRUE(expected == s.GetData());
    // Growing by half again from 62 units reaches 100,000 in about 20 steps.
    EXPECT_LE(blocks, 40);
}

TEST(UIStringStorage, AssignEmptyAndCopiesAfterGrowthKeepTheLength)
{
    CUIString s;
    for (int i = 0; i < 1000; ++i)
        s += L'g';
    s.Assign(L"short", -1);
    s += L"er";
    EXPECT_STREQ(L"shorter", s.GetData());
    s.Assign(Repeat(L'h', 500).c_str(), 300);
    s += L"!";
    EXPECT_EQ(Repeat(L'h', 300) + L"!", s.GetData());
    s.Empty();
    s += Repeat(L'i', 70).c_str();
    EXPECT_EQ(70, CUIString(s).GetLength());
    EXPECT_EQ(0, CUIString(L'\0').GetLength());
}

TEST(UIStringEditing, ReplacingManyOccurrencesIsOnePass)
{
    // A tooltip of line breaks: rebuilding the whole text at each one was quadratic.
    std::wstring text;
    for (int i = 0; i < 30000; ++i)
        text += L"ab<n>";
    CUIString s(text.c_str());
    long blocks = 0;
    int replaced = 0;
    {
        alloctest::AllocationCount count;
        replaced = s.Replace(L"<n>", L"\r\n");
        blocks = count.Blocks();
    }
    EXPECT_EQ(30000, replaced);
    EXPECT_EQ(30000 * 4, s.GetLength());
    std::wstring expected;
    for (int i = 0; i < 30000; ++i)
        expected += L"ab\r\n";
    EXPECT_TRUE(expected == s.GetData());
    EXPECT_LE(blocks, 40);
}

TEST(UIStringSearch, FindTextAndCharacterBounds)
{
    CUIString s(L"abcabc");
    EXPECT_EQ(1, s.Find(L"bc"));
    EXPECT_EQ(4, s.Find(L"bc", 2));
    EXPECT_EQ(-1, s.Find(L"bc", 5));
    EXPECT_EQ(6, s.Find(L"", 6));
    EXPECT_EQ(-1, s.Find(L"c", 6));
    EXPECT_EQ(-1, s.Find(L"a", 7));
    EXPECT_EQ(-1, s.Find(L"a", -1));
    EXPECT_EQ(3, s.Find(L'a', 1));
    EXPECT_EQ(-1, s.Find(L'a', 6));
    EXPECT_EQ(-1, s.Find(L'a', -2));
    EXPECT_EQ(-1, s.Find(L'\0'));
    EXPECT_EQ(5, s.ReverseFind(L'c'));
    EXPECT_EQ(-1, s.ReverseFind(L'z'));
    EXPECT_EQ(-1, CUIString().Find(L'a'));
}

TEST(UIStringSearch, LeftAndMidClamp)
{
    CUIString s(L"abcdef");
    EXPECT_STREQ(L"cdef", s.Mid(2, -1).GetData());
    EXPECT_STREQ(L"ef", s.Mid(4, 10).GetData());
    EXPECT_STREQ(L"", s.Mid(6).GetData());
    EXPECT_STREQ(L"", s.Mid(9).GetData());
    EXPECT_STREQ(L"", s.Left(-3).GetData());
    EXPECT_STREQ(L"abc", s.Left(3).GetData());
    EXPECT_STREQ(L"abcdef", s.Left(99).GetData());
}

TEST(UIStringSearch, CompareIsByCodeUnit)
{
    CUIString s(L"Name");
    EXPECT_TRUE(s == L"Name");
    EXPECT_FALSE(s == L"name");
    EXPECT_LT(s.Compare(L"name"), 0);
    EXPECT_GT(s.Compare(L"Nam"), 0);
    EXPECT_GT(s.Compare(nullptr), 0);
    EXPECT_EQ(0, CUIString().Compare(nullptr));
}

TEST(UIStringEditing, ReplaceNeverRescansInsertedText)
{
    CUIString s(L"aaa");
    EXPECT_EQ(3, s.Replace(L"a", L"aa"));
    EXPECT_STREQ(L"aaaaaa", s.GetData());

    CUIString t(L"&lt;b&gt; &amp;");
    EXPECT_EQ(1, t.Replace(L"&lt;", L"<"));
    EXPECT_EQ(1, t.Replace(L"&gt;", L">"));
    EXPECT_EQ(1, t.Replace(L"&amp;", L"&"));
    EXPECT_STREQ(L"<b> &", t.GetData());

    CUIString u(L"x-x-x");
    EXPECT_EQ(2, u.Replace(L"-", L""));
    EXPECT_STREQ(L"xxx", u.GetData());
    EXPECT_EQ(0, u.Replace(L"", L"y"));
    EXPECT_EQ(0, u.Replace(L"q", L"y"));

    CUIString longText(Repeat(L'k', 70).c_str());
    EXPECT_EQ(70, longText.Replace(L"k", L"KK"));
    EXPECT_EQ(Repeat(L'K', 140), longText.GetData());
}

TEST(UIStringEditing, MakeLowerHandlesNonAscii)
{
    CUIString s(L"VerticalLayout \x00C4\x0391");
    s.MakeLower();
    EXPECT_STREQ(L"verticallayout \x00E4\x03B1", s.GetData());
}

TEST(UIStringFormat, FormatsLikeWvsprintf)
{
    CUIString s;
    CUIString::Format(s, L"%d/%s/%hs/%04X", -42, L"wide", "narrow", 0xBEEFu);
    EXPECT_STREQ(L"-42/wide/narrow/BEEF", s.GetData());
}

TEST(UIStringFormat, LongResultIsTruncatedNotOverflowed)
{
    CUIString s;
    std::wstring big = Repeat(L'm', 500);
    CUIString::Format(s, L"<%s>", big.c_str());
    EXPECT_EQ(CUIString::kFormatBufferSize - 1, s.GetLength());
    EXPECT_EQ(L"<" + Repeat(L'm', 62), s.GetData());
}

TEST(UIPtrArray, GrowthKeepsItemsInOrder)
{
    CUIPtrArray a;
    int items[100];
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(a.Add(&items[i]));
    EXPECT_EQ(100, a.GetSize());
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(&items[i], a[i]);
    EXPECT_EQ(42, a.Find(&items[42]));
    EXPECT_EQ(-1, a.Find(nullptr));
}

TEST(UIPtrArray, InsertAndRemoveShiftTheTail)
{
    int v[5];
    CUIPtrArray a(1);
    EXPECT_TRUE(a.InsertAt(0, &v[1]));
    EXPECT_TRUE(a.InsertAt(0, &v[0]));
    EXPECT_TRUE(a.InsertAt(2, &v[3]));
    EXPECT_TRUE(a.InsertAt(2, &v[2]));
    EXPECT_FALSE(a.InsertAt(5, &v[4]));
    EXPECT_FALSE(a.InsertAt(-1, &v[4]));
    ASSERT_EQ(4, a.GetSize());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(&v[i], a.GetAt(i));

    EXPECT_TRUE(a.Remove(1));
    EXPECT_FALSE(a.Remove(3));
    EXPECT_FALSE(a.Remove(-1));
    EXPECT_EQ(&v[0], a.GetAt(0));
    EXPECT_EQ(&v[2], a.GetAt(1));
    EXPECT_EQ(&v[3], a.GetAt(2));
    EXPECT_EQ(nullptr, a.GetAt(3));
    EXPECT_EQ(nullptr, a.GetAt(-1));
    EXPECT_TRUE(a.Remove(2));
    EXPECT_EQ(2, a.GetSize());
}

TEST(UIPtrArray, ResizeCopyAndEmpty)
{
    CUIPtrArray a;
    a.Resize(5);
    EXPECT_EQ(5, a.GetSize());
    EXPECT_EQ(nullptr, a.GetAt(4));
    int x;
    EXPECT_TRUE(a.Add(&x));
    EXPECT_EQ(&x, a.GetAt(5));

    CUIPtrArray b(a);
    CUIPtrArray c;
    c = a;
    a.Empty();
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(6, b.GetSize());
    EXPECT_EQ(&x, b.GetAt(5));
    EXPECT_EQ(&x, c.GetAt(5));
    a.Resize(-3);
    EXPECT_EQ(0, a.GetSize());
    EXPECT_TRUE(a.Add(&x));
}

TEST(UIStringMap, HashTakesTheLastCharacterFirst)
{
    EXPECT_EQ(3331u, CUIStringMap::HashKey(L"ab"));
    EXPECT_EQ(0u, CUIStringMap::HashKey(L""));
}

TEST(UIStringMap, InsertSetFindRemove)
{
    CUIStringMap m(10);
    int a, b, c;
    EXPECT_TRUE(m.Insert(L"alpha", &a));
    EXPECT_FALSE(m.Insert(L"alpha", &b));
    EXPECT_EQ(&a, m.Find(L"alpha"));
    EXPECT_EQ(nullptr, m.Find(L"Alpha"));
    EXPECT_EQ(&a, m.Set(L"alpha", &b));
    EXPECT_EQ(1, m.GetSize());
    EXPECT_EQ(nullptr, m.Set(L"beta", &c));
    EXPECT_EQ(2, m.GetSize());
    EXPECT_EQ(&b, m.Find(L"alpha"));
    EXPECT_TRUE(m.Remove(L"alpha"));
    EXPECT_FALSE(m.Remove(L"alpha"));
    EXPECT_EQ(nullptr, m.Find(L"alpha"));
    EXPECT_EQ(&c, m.Find(L"beta"));
    EXPECT_EQ(1, m.GetSize());
}

TEST(UIStringMap, CollidingKeysInOneBucket)
{
    // With 16 buckets, keys whose hashes differ by 16 share a bucket.
    CUIStringMap m(16);
    int v[4];
    const LPCWSTR keys[] = {L"a", L"q", L"\x0081", L"\x0091"};
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(CUIStringMap::HashKey(keys[0]) % 16, CUIStringMap::HashKey(keys[i]) % 16);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(m.Insert(keys[i], &v[i]));
    // Looking up the tail moves it to the head, and everything stays reachable.
    EXPECT_EQ(&v[0], m.Find(keys[0]));
    EXPECT_STREQ(keys[0], m.GetAt(0));
    EXPECT_EQ(&v[2], m.Find(keys[2], false));
    EXPECT_STREQ(keys[0], m.GetAt(0));
    // Remove from the middle, the head and the tail of the chain.
    EXPECT_TRUE(m.Remove(keys[3]));
    EXPECT_TRUE(m.Remove(keys[1]));
    for (int i : {0, 2})
        EXPECT_EQ(&v[i], m.Find(keys[i]));
    EXPECT_TRUE(m.Remove(keys[0]));
    EXPECT_TRUE(m.Remove(keys[2]));
    EXPECT_EQ(0, m.GetSize());
    EXPECT_EQ(nullptr, m.GetAt(0));
}

TEST(UIStringMap, EnumerationResizeAndRemoveAll)
{
    CUIStringMap m;
    int v[200];
    for (int i = 0; i < 200; ++i) {
        WCHAR key[16];
        wsprintfW(key, L"key%d", i);
        ASSERT_TRUE(m.Insert(key, &v[i]));
    }
    EXPECT_EQ(200, m.GetSize());
    int seen[200] = {};
    for (int i = 0; i < m.GetSize(); ++i) {
        LPCWSTR key = m.GetAt(i);
        ASSERT_NE(nullptr, key);
        int* value = static_cast<int*>(m.Find(key));
        ASSERT_NE(nullptr, value);
        ++seen[value - v];
    }
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(1, seen[i]) << i;
    EXPECT_EQ(nullptr, m.GetAt(200));

    m.RemoveAll();
    EXPECT_EQ(0, m.GetSize());
    EXPECT_EQ(nullptr, m.Find(L"key7"));
    EXPECT_TRUE(m.Insert(L"key7", &v[7]));

    m.Resize(0);
    EXPECT_FALSE(m.Insert(L"x", &v[0]));
    EXPECT_EQ(&v[1], m.Set(L"x", &v[1]));
    EXPECT_EQ(nullptr, m.Find(L"x"));
    m.Resize(5);
    EXPECT_TRUE(m.Insert(L"x", &v[0]));
    EXPECT_EQ(&v[0], m.Find(L"x"));
}

TEST(UIGeometry, RectOperations)
{
    CUIRect r(0, 0, 0, 0);
    r.Join(CUIRect(5, 5, 10, 10));
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(10, r.right);
    EXPECT_EQ(10, r.bottom);

    CUIRect s(10, 20, 50, 35);
    EXPECT_EQ(40, s.GetWidth());
    EXPECT_EQ(15, s.GetHeight());
    s.Offset(-15, 5);
    EXPECT_EQ(-5, s.left);
    EXPECT_EQ(25, s.top);
    s.MoveToOrigin();
    EXPECT_EQ(0, s.left);
    EXPECT_EQ(0, s.top);
    EXPECT_EQ(40, s.right);
    EXPECT_EQ(15, s.bottom);

    RECT raw = {1, 2, 3, 4};
    CUIRect fromRaw(raw);
    EXPECT_TRUE(::EqualRect(&raw, &fromRaw));
    CUISize size(7, 8);
    CUIPoint point(-1, 9);
    EXPECT_EQ(8, size.cy);
    EXPECT_EQ(-1, point.x);
}
