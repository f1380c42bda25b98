#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "StringConvert.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "md5.h"

using qixtest::TestFolder;
using qixtest::WriteFileBytes;

namespace {

std::string DigestOf(MD5_CTX& ctx, const std::string& text)
{
    ctx.Update(reinterpret_cast<const unsigned char*>(text.data()), static_cast<uint32_t>(text.size()));
    unsigned char digest[16];
    ctx.Final(digest);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

struct Rfc1321Case {
    const char* text;
    const char* digest;
};

const Rfc1321Case kSuite[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

} // namespace

TEST(Md5, Rfc1321SuiteInMemoryAndFromFiles)
{
    TestFolder folder(L"md5");
    MD5_CTX ctx;
    for (const Rfc1321Case& c : kSuite) {
        EXPECT_EQ(DigestOf(ctx, c.text), c.digest) << c.text;
        WriteFileBytes(folder / L"case.bin", c.text);
        char out[33] = {};
        ASSERT_TRUE(ctx.GetFileMD5(out, WideToString(folder / L"case.bin").c_str()));
        EXPECT_STREQ(out, c.digest) << c.text;
    }
}

TEST(Md5, FinalResetsTheContext)
{
    MD5_CTX ctx;
    EXPECT_EQ(DigestOf(ctx, "abc"), DigestOf(ctx, "abc"));
}

TEST(Md5, PiecewiseUpdatesMatchOneUpdate)
{
    std::string data = MakePackage(1000003, 7);
    MD5_CTX whole;
    std::string expected = DigestOf(whole, data);
    MD5_CTX pieces;
    size_t sizes[] = {1, 63, 64, 65, 127, 4096, 55, 56, 57};
    size_t pos = 0;
    for (size_t i = 0; pos < data.size(); ++i) {
        size_t n = std::min(sizes[i % 9], data.size() - pos);
        pieces.Update(reinterpret_cast<const unsigned char*>(data.data() + pos), static_cast<uint32_t>(n));
        pos += n;
    }
    unsigned char digest[16];
    pieces.Final(digest);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    EXPECT_EQ(expected, hex);
}

TEST(Md5, FileLargerThanOneBlockAndMissingFile)
{
    TestFolder folder(L"md5big");
    std::string data = MakePackage(3 * 1024 * 1024 + 17, 3);
    WriteFileBytes(folder / L"big.bin", data);
    MD5_CTX ctx;
    char out[33] = {};
    ASSERT_TRUE(ctx.GetFileMD5(out, WideToString(folder / L"big.bin").c_str()));
    EXPECT_EQ(std::string(out), Md5Hex(data));

    char untouched[33] = "unchanged";
    EXPECT_FALSE(ctx.GetFileMD5(untouched, WideToString(folder / L"missing.bin").c_str()));
    EXPECT_STREQ(untouched, "unchanged");
}
