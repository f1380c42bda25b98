#pragma once
#include <cstdint>

// MD5 message digest (RFC 1321).
class MD5_CTX {
public:
    MD5_CTX();
    virtual ~MD5_CTX() = default;

    void Update(const unsigned char* input, uint32_t length);
    // Writes the digest and puts the context back into its initial state.
    void Final(unsigned char digest[16]);

    // Digest of a whole file as 32 lower-case hex characters plus terminator (out: 33 bytes).
    // False when the file cannot be opened or read; `out` is then left untouched.
    bool GetFileMD5(char* out, const char* path);

    static void Transform(uint32_t state[4], const unsigned char block[64]);

private:
    void Init();

    uint32_t state[4];
    uint32_t count[2];
    unsigned char buffer[64];
    unsigned char padding[64];
};
