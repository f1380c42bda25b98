#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "StringConvert.h"

TEST(GbkToWide, FillsABufferOfExactlyTheTextAndTerminator)
{
    // "中文" in code page 936.
    const char gbk[] = "\xD6\xD0\xCE\xC4";
    wchar_t exact[3];
    ASSERT_TRUE(GbkToWide(gbk, exact, 3));
    EXPECT_EQ(std::wstring(exact), L"\u4E2D\u6587");

    wchar_t tooSmall[2] = {L'x', L'x'};
    EXPECT_FALSE(GbkToWide(gbk, tooSmall, 2));
    EXPECT_EQ(tooSmall[0], L'\0');
}

TEST(GbkToWide, RefusesNullAndReportsEmptyText)
{
    wchar_t buffer[8];
    EXPECT_FALSE(GbkToWide(nullptr, buffer, 8));
    EXPECT_FALSE(GbkToWide("", buffer, 8));
    EXPECT_EQ(buffer[0], L'\0');
}

TEST(Utf8ToAnsi, ConvertsToTheAnsiCodePage)
{
    char out[kAnsiValueSize];
    ASSERT_TRUE(Utf8ToAnsi("caf\xC3\xA9", out));  // café; code page 1252 holds é as 0xE9
    EXPECT_EQ(std::string(out), "caf\xE9");
    EXPECT_FALSE(Utf8ToAnsi(nullptr, out));
    EXPECT_FALSE(Utf8ToAnsi("", out));
}

TEST(Utf8ToAnsi, RefusesTextLongerThanItsBuffer)
{
    char out[kAnsiValueSize];
    std::string fits(kAnsiValueSize - 1, 'a');
    ASSERT_TRUE(Utf8ToAnsi(fits.c_str(), out));
    EXPECT_EQ(std::string(out), fits);

    std::string tooLong(kAnsiValueSize, 'a');
    EXPECT_FALSE(Utf8ToAnsi(tooLong.c_str(), out));
    EXPECT_EQ(out[0], '\0');
}

TEST(Utf8ToAnsi, StopsAtTheEndOfTextCutInsideASequence)
{
    // Each ends inside a UTF-8 sequence: the complete text converts, the cut sequence becomes
    // replacement characters, and nothing past the text's end is read.
    const char* const cases[] = {"abc\xC3", "abc\xE4\xB8", "abc\xF0\x9F\x98", "abc\xF0"};
    for (const char* text : cases) {
        char out[kAnsiValueSize];
        memset(out, 'z', sizeof(out));
        ASSERT_TRUE(Utf8ToAnsi(text, out)) << text;
        std::string converted(out);
        EXPECT_EQ(converted.substr(0, 3), "abc") << text;
        EXPECT_LE(converted.size(), strlen(text)) << text;
        EXPECT_EQ(converted.find_first_not_of('?', 3), std::string::npos) << converted;
    }
}

TEST(StringWide, RoundTripsAnsiText)
{
    EXPECT_EQ(StringToWide(""), L"");
    EXPECT_EQ(WideToString(L""), "");
    EXPECT_EQ(StringToWide("msg1:1"), L"msg1:1");
    EXPECT_EQ(WideToString(L"caf\u00E9"), "caf\xE9");
    EXPECT_EQ(StringToWide("caf\xE9"), L"caf\u00E9");
    // The result ends at the first NUL.
    EXPECT_EQ(StringToWide(std::string("ab\0cd", 5)), L"ab");
}

TEST(StringWide, GivesTheSameResultsFromManyThreadsAtOnce)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 500; ++i) {
                std::string text = "page=" + std::to_string(t * 1000 + i) + "&caf\xE9";
                if (WideToString(StringToWide(text)) != text)
                    ++failures[t];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int count : failures)
        EXPECT_EQ(count, 0);
}
