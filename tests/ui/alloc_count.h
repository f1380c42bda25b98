// Heap blocks that malloc and realloc hand out while a count is open, for tests that bound the
// work of an operation by its allocations rather than by time. A program that uses it links
// alloc_count.cpp with malloc and realloc wrapped: qxui_count_allocations in CMakeLists.txt.
#pragma once

namespace alloctest {

// Counts from construction to destruction; one count at a time.
class AllocationCount
{
public:
    AllocationCount();
    ~AllocationCount();
    AllocationCount(const AllocationCount&) = delete;
    AllocationCount& operator=(const AllocationCount&) = delete;

    long Blocks() const;
};

} // namespace alloctest
