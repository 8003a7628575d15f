// Counts the bytes this test program holds on the heap, so tests can bound what parsing a
// damaged file allocates. Every global new and delete goes through here.

#include "alloc_tracker.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

// A header in front of each block remembers its size; 16 bytes keep the block aligned for any
// fundamental type.
constexpr size_t kHeader = 16;

void* track_alloc(size_t size)
{
    void* raw = std::malloc(size + kHeader);
    if (!raw) throw std::bad_alloc();
    *static_cast<size_t*>(raw) = size;
    const size_t live = g_live.fetch_add(size) + size;
    size_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(raw) + kHeader;
}

void track_free(void* p) noexcept
{
    if (!p) return;
    void* raw = static_cast<char*>(p) - kHeader;
    g_live.fetch_sub(*static_cast<size_t*>(raw));
    std::free(raw);
}

} // namespace

namespace qtest {
size_t heap_live() { return g_live.load(); }
size_t heap_peak() { return g_peak.load(); }
void heap_reset_peak() { g_peak.store(g_live.load()); }
} // namespace qtest

void* operator new(size_t size) { return track_alloc(size); }
void* operator new[](size_t size) { return track_alloc(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return track_alloc(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    try {
        return track_alloc(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { track_free(p); }
void operator delete[](void* p) noexcept { track_free(p); }
void operator delete(void* p, size_t) noexcept { track_free(p); }
void operator delete[](void* p, size_t) noexcept { track_free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { track_free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { track_free(p); }
