// What the fuzz targets share: a failed invariant stops the run with a
// message (libFuzzer keeps the input), a heap that counts its blocks and can
// refuse allocations, and a fresh runtime on a console model for each input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "tests/support/runtime_fresh.h"
#include "platform/testing/testing.h"
#include "runtime/console/console_device.h"
#include "runtime/console/print_column.h"
#include "platform/crt/memory.h"
#include "runtime/core/runtime.h"
#include "runtime/core/strings.h"
#include "runtime/core/temp_pool.h"
#include "runtime/input/input_fields.h"

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

// The string buffers in use, and which allocation requests to refuse.
struct FuzzHeap {
    std::unordered_map<void*, std::size_t> live;  // block -> size
    uint64_t requests;                            // alloc and realloc calls so far
    uint64_t refuse_mask;                         // request n (mod 64) is refused when bit n is set
    std::size_t largest;                          // requests above this size are refused
    uint64_t refused;                             // requests refused so far
};

inline FuzzHeap fuzz_heap;

inline bool fuzz_heap_grants(std::size_t size) {
    uint64_t n = fuzz_heap.requests++;
    bool refuse = size > fuzz_heap.largest || ((fuzz_heap.refuse_mask >> (n % 64)) & 1u) != 0;
    if (refuse) fuzz_heap.refused += 1;
    return !refuse;
}

inline void* fuzz_alloc(std::size_t size) {
    if (!fuzz_heap_grants(size)) return nullptr;
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) fuzz_heap.live[block] = size;
    return block;
}

inline void* fuzz_realloc(void* block, std::size_t size) {
    FUZZ_CHECK(block == nullptr || fuzz_heap.live.count(block) == 1);
    if (!fuzz_heap_grants(size)) return nullptr;
    void* moved = std::realloc(block, size == 0 ? 1 : size);
    if (moved == nullptr) return nullptr;
    if (block != nullptr) fuzz_heap.live.erase(block);
    fuzz_heap.live[moved] = size;
    return moved;
}

inline void fuzz_free(void* block) {
    if (block == nullptr) return;
    // Freeing what this heap never handed out (a literal, a pool slot) is
    // the fault to catch.
    FUZZ_CHECK(fuzz_heap.live.erase(block) == 1);
    std::free(block);
}

inline void fuzz_heap_install(uint64_t refuse_mask, std::size_t largest) {
    fuzz_heap.live.clear();
    fuzz_heap.requests = 0;
    fuzz_heap.refuse_mask = refuse_mask;
    fuzz_heap.largest = largest;
    fuzz_heap.refused = 0;
    memory_functions = MemoryFunctions{fuzz_alloc, fuzz_realloc, fuzz_free};
}

// Every temporary back in the pool and the pool's lists whole: the in-use
// list from head to tail holds in_use_count elements, the free list the rest.
inline void fuzz_check_pool(int32_t expected_in_use) {
    const TempDescPool& pool = temp_desc_pool;
    FUZZ_CHECK(pool.in_use_count == expected_in_use);
    if (pool.free_list == nullptr && pool.tail == nullptr) {
        FUZZ_CHECK(expected_in_use == 0);  // never set up
        return;
    }
    int32_t used = 0;
    const TempDesc* last = nullptr;
    for (const TempDesc* e = pool.head; e != nullptr && used <= TEMP_DESC_COUNT; e = e->next) {
        FUZZ_CHECK(e->prev == last);
        last = e;
        used += 1;
    }
    FUZZ_CHECK(used == expected_in_use);
    FUZZ_CHECK(last == pool.tail);
    int32_t free_count = 0;
    for (const TempDesc* e = pool.free_list; e != nullptr && free_count <= TEMP_DESC_COUNT; e = e->prev) {
        free_count += 1;
    }
    FUZZ_CHECK(free_count == TEMP_DESC_COUNT - expected_in_use);
    const StringDesc* empty = str_empty();
    FUZZ_CHECK(empty->data == nullptr && empty->length == 0 && empty->capacity == 0);
}

