// A heap for the allocation seam (platform/crt/memory.h) that counts the
// blocks it has given out and refuses the requests a test chooses. No
// GoogleTest here: the fuzz targets use it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>

#include "platform/crt/memory.h"

// Which requests are refused; alloc and realloc calls count from 0.
struct HeapRefusals {
    int64_t at;           // this request is refused; -1: none
    bool from_on;         // ... and every later one too
    uint64_t mask;        // request n is refused when bit n % 64 is set
    std::size_t largest;  // requests for more bytes are refused
};

constexpr HeapRefusals HEAP_GRANTS_ALL{-1, false, 0, SIZE_MAX};  // the C library's heap, counted
constexpr HeapRefusals HEAP_REFUSES_ALL{0, true, 0, SIZE_MAX};   // no memory at all

struct TestHeap {
    std::unordered_map<void*, std::size_t> live;  // block -> size
    uint64_t requests;                            // alloc and realloc calls so far
    uint64_t refused;                             // requests refused so far
    HeapRefusals refusals;                        // may be changed while installed
    void (*foreign)(void* block);                 // told of blocks it never gave out; null: C library's
};

inline TestHeap test_heap;

// Counts a request and says whether the refusals let it through.
inline bool test_heap_grants(std::size_t size) {
    uint64_t n = test_heap.requests++;
    const HeapRefusals& r = test_heap.refusals;
    bool counted = r.at >= 0 && (r.from_on ? n >= static_cast<uint64_t>(r.at) : n == static_cast<uint64_t>(r.at));
    bool refuse = counted || ((r.mask >> (n % 64)) & 1u) != 0 || size > r.largest;
    if (refuse) test_heap.refused += 1;
    return !refuse;
}

// False for a block it never gave out, once told to `foreign` (and left alone).
inline bool test_heap_takes(void* block) {
    if (block == nullptr || test_heap.live.count(block) == 1 || test_heap.foreign == nullptr) return true;
    test_heap.foreign(block);
    return false;
}

// malloc, realloc and free of the seam, keeping the live blocks and their sizes.
inline void* test_heap_alloc(std::size_t size) {
    if (!test_heap_grants(size)) return nullptr;
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) test_heap.live[block] = size;
    return block;
}

inline void* test_heap_realloc(void* block, std::size_t size) {
    if (!test_heap_takes(block) || !test_heap_grants(size)) return nullptr;
    void* moved = std::realloc(block, size == 0 ? 1 : size);
    if (moved == nullptr) return nullptr;
    test_heap.live.erase(block);
    test_heap.live[moved] = size;
    return moved;
}

inline void test_heap_free(void* block) {
    if (block == nullptr || !test_heap_takes(block)) return;
    test_heap.live.erase(block);
    std::free(block);
}

// Installs the heap, empty, with its plan; memory_reset() takes it out again.
inline void test_heap_install(const HeapRefusals& refusals, void (*foreign)(void* block) = nullptr) {
    test_heap = TestHeap{{}, 0, 0, refusals, foreign};
    memory_functions = MemoryFunctions{test_heap_alloc, test_heap_realloc, test_heap_free};
}
