// Heap counting and failure reports for the fuzz targets. The global new and delete are replaced
// here so that a target can bound the memory one input makes the code allocate: the size is kept
// in a small header in front of each block.

#include "fuzz/FuzzSupport.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

constexpr size_t kHeader = 16; // keeps every block aligned for any fundamental type

void* counted_alloc(size_t size, bool nothrow)
{
    void* raw = std::malloc(size + kHeader);
    if (!raw) {
        if (nothrow) return nullptr;
        throw std::bad_alloc();
    }
    *static_cast<size_t*>(raw) = size;
    const size_t live = g_live.fetch_add(size, std::memory_order_relaxed) + size;
    size_t peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return static_cast<char*>(raw) + kHeader;
}

void counted_free(void* p) noexcept
{
    if (!p) return;
    void* raw = static_cast<char*>(p) - kHeader;
    g_live.fetch_sub(*static_cast<size_t*>(raw), std::memory_order_relaxed);
    std::free(raw);
}

} // namespace

namespace qfuzz {

size_t heap_live() { return g_live.load(); }
size_t heap_peak() { return g_peak.load(); }
void heap_reset_peak() { g_peak.store(g_live.load()); }

void fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::fputs("fuzz invariant broken: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::fflush(stderr);
    std::abort();
}

void check_heap(size_t liveAtStart, size_t budget, const char* what)
{
    const size_t peak = heap_peak();
    if (peak > liveAtStart && peak - liveAtStart > budget)
        fail("%s allocated %zu bytes at its peak, more than the %zu this input allows", what, peak - liveAtStart,
             budget);
}

} // namespace qfuzz

void* operator new(size_t size) { return counted_alloc(size, false); }
void* operator new[](size_t size) { return counted_alloc(size, false); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return counted_alloc(size, true); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return counted_alloc(size, true); }
void operator delete(void* p) noexcept { counted_free(p); }
void operator delete[](void* p) noexcept { counted_free(p); }
void operator delete(void* p, size_t) noexcept { counted_free(p); }
void operator delete[](void* p, size_t) noexcept { counted_free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { counted_free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { counted_free(p); }
