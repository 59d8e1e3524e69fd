#pragma once
// Counts the bytes the program holds on the heap, to measure the peak of one step.
// Include in exactly one translation unit of a benchmark: it replaces the global operator new/delete.

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace corvallo::bench {

struct HeapCounter {
    static inline std::atomic<long long> current{0};
    static inline std::atomic<long long> peak{0};
    static void resetPeak() { peak.store(current.load()); }
    static long long peakAbove(long long base) { return peak.load() - base; }
};

}  // namespace corvallo::bench

namespace corvallo::bench::detail {
inline void* allocate(std::size_t size) {
    // A size prefix lets delete give back the right amount; 16 keeps the alignment of malloc.
    auto* block = static_cast<unsigned char*>(std::malloc(size + 16));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    long long now = HeapCounter::current.fetch_add(static_cast<long long>(size)) + static_cast<long long>(size);
    long long seen = HeapCounter::peak.load();
    while (now > seen && !HeapCounter::peak.compare_exchange_weak(seen, now)) {
    }
    return block + 16;
}
inline void release(void* pointer) {
    if (!pointer) return;
    auto* block = static_cast<unsigned char*>(pointer) - 16;
    HeapCounter::current.fetch_sub(static_cast<long long>(*reinterpret_cast<std::size_t*>(block)));
    std::free(block);
}
}  // namespace corvallo::bench::detail

void* operator new(std::size_t size) { return corvallo::bench::detail::allocate(size); }
void* operator new[](std::size_t size) { return corvallo::bench::detail::allocate(size); }
void operator delete(void* p) noexcept { corvallo::bench::detail::release(p); }
void operator delete[](void* p) noexcept { corvallo::bench::detail::release(p); }
void operator delete(void* p, std::size_t) noexcept { corvallo::bench::detail::release(p); }
void operator delete[](void* p, std::size_t) noexcept { corvallo::bench::detail::release(p); }
