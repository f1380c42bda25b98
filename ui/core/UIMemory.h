// The framework's raw blocks (pointer arrays, string buffers, hash tables, parsed documents)
// come from the global operator new, like its objects, so that whatever replaces it sees every
// block: the test programs poison what is freed.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

namespace QxUI {

// Null when no memory can be had.
inline void* UIAlloc(std::size_t bytes)
{
    return ::operator new(bytes ? bytes : 1, std::nothrow);
}

inline void* UIAllocZeroed(std::size_t bytes)
{
    void* block = UIAlloc(bytes);
    if (block)
        memset(block, 0, bytes);
    return block;
}

inline void UIFree(void* block)
{
    ::operator delete(block);
}

// A block of `bytes` holding the first `used` bytes of `block`, which is freed; null, with
// `block` kept, when no memory can be had.
inline void* UIRealloc(void* block, std::size_t used, std::size_t bytes)
{
    void* grown = UIAlloc(bytes);
    if (!grown)
        return nullptr;
    if (block && used)
        memcpy(grown, block, used < bytes ? used : bytes);
    UIFree(block);
    return grown;
}

} // namespace QxUI
