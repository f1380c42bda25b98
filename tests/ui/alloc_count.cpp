#include "alloc_count.h"

#include <windows.h>

#include <cstddef>

namespace {

volatile LONG g_counting = 0;
volatile LONG g_blocks = 0;

void Count()
{
    if (g_counting)
        ::InterlockedIncrement(&g_blocks);
}

} // namespace

extern "C" void* __real_malloc(size_t size);
extern "C" void* __real_realloc(void* block, size_t size);

extern "C" void* __wrap_malloc(size_t size)
{
    Count();
    return __real_malloc(size);
}

extern "C" void* __wrap_realloc(void* block, size_t size)
{
    Count();
    return __real_realloc(block, size);
}

namespace alloctest {

AllocationCount::AllocationCount()
{
    ::InterlockedExchange(&g_blocks, 0);
    ::InterlockedExchange(&g_counting, 1);
}

AllocationCount::~AllocationCount()
{
    ::InterlockedExchange(&g_counting, 0);
}

long AllocationCount::Blocks() const
{
    return g_blocks;
}

} // namespace alloctest
