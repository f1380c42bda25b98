// Linked into every test program: the global operator new and delete of the tests.
//
// A freed block is filled with a pattern and held back from reuse for a while, so that a use
// after free reads the pattern every time instead of whatever the heap put there next: a virtual
// call through a freed object jumps to an address that faults (0xFEFEFEFE, or a non-canonical
// one in 64 bits), and a pointer read from it faults when followed. Deleting a block twice, or
// one that did not come from here, stops the program, and so does a freed block found written
// to when it goes back to the heap or when the program ends.
//
// Wine, as 64-bit Windows, swallows an exception raised in a window procedure that the system
// called back (the message answers 0 and the frames above it go without their destructors), so a
// use after free in a message would pass unseen: the first sight of an access violation in the
// program's own code, or at a freed pattern, stops the program.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <new>

namespace {

constexpr unsigned char kFreedByte = 0xFE;
constexpr std::size_t kHeader = 16;   // keeps the malloc alignment of what follows
constexpr unsigned kLive = 0x4C495645;
constexpr unsigned kFreed = 0x46524545;

struct Header
{
    std::size_t size;
    unsigned state;
};
static_assert(sizeof(Header) <= kHeader, "the header fits");

// Freed blocks waiting to go back to the heap, oldest first; at most this many or this much.
constexpr std::size_t kHeldBlocks = 1 << 16;
constexpr std::size_t kHeldBytes = 64u << 20;
Header* g_held[kHeldBlocks];
std::size_t g_first = 0;
std::size_t g_count = 0;
std::size_t g_bytes = 0;
std::atomic_flag g_lock = ATOMIC_FLAG_INIT;

class Lock
{
public:
    Lock()
    {
        while (g_lock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~Lock() { g_lock.clear(std::memory_order_release); }
};

[[noreturn]] void Stop(const char* what)
{
    std::fputs(what, stderr);
    std::fflush(stderr);
    std::abort();
}

bool StillPoisoned(const Header* header)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(header) + kHeader;
    for (std::size_t i = 0; i < header->size; ++i) {
        if (bytes[i] != kFreedByte)
            return false;
    }
    return true;
}

void Evict(Header* header)
{
    if (!header)
        return;
    if (!StillPoisoned(header))
        Stop("freed-memory poison: a block was written to after it was deleted\n");
    std::free(header);
}

// At the end of the program every block still held back is checked.
struct FinalCheck
{
    ~FinalCheck()
    {
        for (std::size_t i = 0; i < g_count; ++i) {
            if (!StillPoisoned(g_held[(g_first + i) % kHeldBlocks]))
                Stop("freed-memory poison: a block was written to after it was deleted\n");
        }
    }
} g_finalCheck;

bool IsPattern(ULONG_PTR address)
{
    // A pointer read from a freed block, plus an offset; in 64 bits a non-canonical address
    // faults with no address known.
    if (sizeof(address) == 8)
        return address == ~ULONG_PTR(0) || (static_cast<unsigned long long>(address) >> 32) == 0xFEFEFEFEu;
    return (address & 0xFFFF0000u) == 0xFEFE0000u;
}

bool InThisProgram(ULONG_PTR address)
{
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const ULONG_PTR start = reinterpret_cast<ULONG_PTR>(base);
    return address >= start && address - start < nt->OptionalHeader.SizeOfImage;
}

LONG CALLBACK StopAtFault(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    const ULONG_PTR at = reinterpret_cast<ULONG_PTR>(record->ExceptionAddress);
    const ULONG_PTR address = record->NumberParameters > 1 ? record->ExceptionInformation[1] : 0;
    if (!InThisProgram(at) && !IsPattern(at) && !IsPattern(address))
        return EXCEPTION_CONTINUE_SEARCH;
    std::fprintf(stderr, "freed-memory poison: access violation at %p (address %p)\n",
                 reinterpret_cast<void*>(at), reinterpret_cast<void*>(address));
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

struct FaultWatch
{
    FaultWatch() { ::AddVectoredExceptionHandler(1, StopAtFault); }
} g_faultWatch;

void* Allocate(std::size_t size)
{
    void* raw = std::malloc(kHeader + (size ? size : 1));
    if (!raw)
        return nullptr;
    Header* header = static_cast<Header*>(raw);
    header->size = size;
    header->state = kLive;
    return static_cast<unsigned char*>(raw) + kHeader;
}

void Release(void* block)
{
    if (!block)
        return;
    Header* header = reinterpret_cast<Header*>(static_cast<unsigned char*>(block) - kHeader);
    if (header->state == kFreed)
        Stop("freed-memory poison: a block is deleted twice\n");
    if (header->state != kLive)
        Stop("freed-memory poison: a deleted block was not allocated by operator new\n");
    header->state = kFreed;
    std::memset(block, kFreedByte, header->size);

    Header* evicted = nullptr;
    {
        Lock lock;
        if (g_count == kHeldBlocks || g_bytes + header->size > kHeldBytes) {
            if (g_count > 0) {
                evicted = g_held[g_first];
                g_first = (g_first + 1) % kHeldBlocks;
                --g_count;
                g_bytes -= evicted->size;
            }
        }
        if (header->size <= kHeldBytes) {
            g_held[(g_first + g_count) % kHeldBlocks] = header;
            ++g_count;
            g_bytes += header->size;
        } else {
            std::free(header);
        }
    }
    Evict(evicted);
}

void* AllocateOrThrow(std::size_t size)
{
    for (;;) {
        if (void* block = Allocate(size))
            return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

} // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
