#include "md5.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Files are digested in blocks of this size, so no file is ever held in memory whole.
const size_t kFileBlockSize = 1 << 20;

inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); }
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return (x & z) | (y & ~z); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }
inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

template <uint32_t (*Fn)(uint32_t, uint32_t, uint32_t)>
inline void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t ac)
{
    a = Rotl(a + Fn(b, c, d) + x + ac, s) + b;
}

void Encode(unsigned char* out, const uint32_t* in, size_t len)
{
    for (size_t i = 0, j = 0; j < len; ++i, j += 4) {
        out[j] = static_cast<unsigned char>(in[i] & 0xff);
        out[j + 1] = static_cast<unsigned char>((in[i] >> 8) & 0xff);
        out[j + 2] = static_cast<unsigned char>((in[i] >> 16) & 0xff);
        out[j + 3] = static_cast<unsigned char>((in[i] >> 24) & 0xff);
    }
}

void Decode(uint32_t* out, const unsigned char* in, size_t len)
{
    for (size_t i = 0, j = 0; j < len; ++i, j += 4)
        out[i] = uint32_t(in[j]) | (uint32_t(in[j + 1]) << 8) | (uint32_t(in[j + 2]) << 16)
                 | (uint32_t(in[j + 3]) << 24);
}

struct FileCloser {
    void operator()(FILE* f) const { fclose(f); }
};

} // namespace

MD5_CTX::MD5_CTX()
{
    std::memset(padding, 0, sizeof padding);
    padding[0] = 0x80;
    Init();
}

void MD5_CTX::Init()
{
    count[0] = count[1] = 0;
    state[0] = 0x67452301;
    state[1] = 0xefcdab89;
    state[2] = 0x98badcfe;
    state[3] = 0x10325476;
    std::memset(buffer, 0, sizeof buffer);
}

void MD5_CTX::Update(const unsigned char* input, uint32_t length)
{
    uint32_t index = (count[0] >> 3) & 0x3F;
    if ((count[0] += length << 3) < (length << 3))
        count[1]++;
    count[1] += length >> 29;
    uint32_t partLen = 64 - index;
    uint32_t i = 0;
    if (length >= partLen) {
        std::memcpy(&buffer[index], input, partLen);
        Transform(state, buffer);
        for (i = partLen; i + 63 < length; i += 64)
            Transform(state, &input[i]);
        index = 0;
    }
    std::memcpy(&buffer[index], &input[i], length - i);
}

void MD5_CTX::Final(unsigned char digest[16])
{
    unsigned char bits[8];
    Encode(bits, count, 8);
    uint32_t index = (count[0] >> 3) & 0x3f;
    uint32_t padLen = (index < 56) ? (56 - index) : (120 - index);
    Update(padding, padLen);
    Update(bits, 8);
    Encode(digest, state, 16);
    Init();
}

void MD5_CTX::Transform(uint32_t st[4], const unsigned char block[64])
{
    uint32_t a = st[0], b = st[1], c = st[2], d = st[3], x[16];
    Decode(x, block, 64);

    Step<F>(a, b, c, d, x[0], 7, 0xd76aa478);   Step<F>(d, a, b, c, x[1], 12, 0xe8c7b756);
    Step<F>(c, d, a, b, x[2], 17, 0x242070db);  Step<F>(b, c, d, a, x[3], 22, 0xc1bdceee);
    Step<F>(a, b, c, d, x[4], 7, 0xf57c0faf);   Step<F>(d, a, b, c, x[5], 12, 0x4787c62a);
    Step<F>(c, d, a, b, x[6], 17, 0xa8304613);  Step<F>(b, c, d, a, x[7], 22, 0xfd469501);
    Step<F>(a, b, c, d, x[8], 7, 0x698098d8);   Step<F>(d, a, b, c, x[9], 12, 0x8b44f7af);
    Step<F>(c, d, a, b, x[10], 17, 0xffff5bb1); Step<F>(b, c, d, a, x[11], 22, 0x895cd7be);
    Step<F>(a, b, c, d, x[12], 7, 0x6b901122);  Step<F>(d, a, b, c, x[13], 12, 0xfd987193);
    Step<F>(c, d, a, b, x[14], 17, 0xa679438e); Step<F>(b, c, d, a, x[15], 22, 0x49b40821);

    Step<G>(a, b, c, d, x[1], 5, 0xf61e2562);   Step<G>(d, a, b, c, x[6], 9, 0xc040b340);
    Step<G>(c, d, a, b, x[11], 14, 0x265e5a51); Step<G>(b, c, d, a, x[0], 20, 0xe9b6c7aa);
    Step<G>(a, b, c, d, x[5], 5, 0xd62f105d);   Step<G>(d, a, b, c, x[10], 9, 0x02441453);
    Step<G>(c, d, a, b, x[15], 14, 0xd8a1e681); Step<G>(b, c, d, a, x[4], 20, 0xe7d3fbc8);
    Step<G>(a, b, c, d, x[9], 5, 0x21e1cde6);   Step<G>(d, a, b, c, x[14], 9, 0xc33707d6);
    Step<G>(c, d, a, b, x[3], 14, 0xf4d50d87);  Step<G>(b, c, d, a, x[8], 20, 0x455a14ed);
    Step<G>(a, b, c, d, x[13], 5, 0xa9e3e905);  Step<G>(d, a, b, c, x[2], 9, 0xfcefa3f8);
    Step<G>(c, d, a, b, x[7], 14, 0x676f02d9);  Step<G>(b, c, d, a, x[12], 20, 0x8d2a4c8a);

    Step<H>(a, b, c, d, x[5], 4, 0xfffa3942);   Step<H>(d, a, b, c, x[8], 11, 0x8771f681);
    Step<H>(c, d, a, b, x[11], 16, 0x6d9d6122); Step<H>(b, c, d, a, x[14], 23, 0xfde5380c);
    Step<H>(a, b, c, d, x[1], 4, 0xa4beea44);   Step<H>(d, a, b, c, x[4], 11, 0x4bdecfa9);
    Step<H>(c, d, a, b, x[7], 16, 0xf6bb4b60);  Step<H>(b, c, d, a, x[10], 23, 0xbebfbc70);
    Step<H>(a, b, c, d, x[13], 4, 0x289b7ec6);  Step<H>(d, a, b, c, x[0], 11, 0xeaa127fa);
    Step<H>(c, d, a, b, x[3], 16, 0xd4ef3085);  Step<H>(b, c, d, a, x[6], 23, 0x04881d05);
    Step<H>(a, b, c, d, x[9], 4, 0xd9d4d039);   Step<H>(d, a, b, c, x[12], 11, 0xe6db99e5);
    Step<H>(c, d, a, b, x[15], 16, 0x1fa27cf8); Step<H>(b, c, d, a, x[2], 23, 0xc4ac5665);

    Step<I>(a, b, c, d, x[0], 6, 0xf4292244);   Step<I>(d, a, b, c, x[7], 10, 0x432aff97);
    Step<I>(c, d, a, b, x[14], 15, 0xab9423a7); Step<I>(b, c, d, a, x[5], 21, 0xfc93a039);
    Step<I>(a, b, c, d, x[12], 6, 0x655b59c3);  Step<I>(d, a, b, c, x[3], 10, 0x8f0ccc92);
    Step<I>(c, d, a, b, x[10], 15, 0xffeff47d); Step<I>(b, c, d, a, x[1], 21, 0x85845dd1);
    Step<I>(a, b, c, d, x[8], 6, 0x6fa87e4f);   Step<I>(d, a, b, c, x[15], 10, 0xfe2ce6e0);
    Step<I>(c, d, a, b, x[6], 15, 0xa3014314);  Step<I>(b, c, d, a, x[13], 21, 0x4e0811a1);
    Step<I>(a, b, c, d, x[4], 6, 0xf7537e82);   Step<I>(d, a, b, c, x[11], 10, 0xbd3af235);
    Step<I>(c, d, a, b, x[2], 15, 0x2ad7d2bb);  Step<I>(b, c, d, a, x[9], 21, 0xeb86d391);

    st[0] += a;
    st[1] += b;
    st[2] += c;
    st[3] += d;
}

bool MD5_CTX::GetFileMD5(char* out, const char* path)
{
    std::unique_ptr<FILE, FileCloser> file(fopen(path, "rb"));
    if (!file)
        return false;
    std::vector<unsigned char> block(kFileBlockSize);
    Init();
    for (;;) {
        size_t got = fread(block.data(), 1, block.size(), file.get());
        if (got > 0)
            Update(block.data(), static_cast<uint32_t>(got));
        if (got < block.size()) {
            if (ferror(file.get())) {
                Init();
                return false;
            }
            break;
        }
    }
    unsigned char digest[16];
    Final(digest);
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = kHex[digest[i] >> 4];
        out[2 * i + 1] = kHex[digest[i] & 0xf];
    }
    out[32] = '\0';
    return true;
}
