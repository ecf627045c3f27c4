// What the fuzz targets share: a failed invariant stops the run with a
// message (libFuzzer keeps the input), the test heap that counts its blocks
// and can refuse allocations, and a fresh runtime on a console model for
// each input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "runtime/core/strings.h"
#include "tests/support/runtime_fresh.h"
#include "tests/support/test_heap.h"
#include "runtime/core/temp_pool.h"

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

// Freeing or resizing what the heap never handed out (a literal, a pool
// slot) is the fault to catch.
inline void fuzz_foreign_block(void* block) {
    std::fprintf(stderr, "invariant failed: block %p freed or resized, never given out\n", block);
    std::abort();
}

// Request n (mod 64) is refused when bit n of refuse_mask is set, and every
// request above `largest` bytes.
inline void fuzz_heap_install(uint64_t refuse_mask, std::size_t largest) {
    test_heap_install(HeapRefusals{-1, false, refuse_mask, largest}, fuzz_foreign_block);
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

