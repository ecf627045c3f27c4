// The pool of temporary string descriptors: intermediate strings are handed
// out from it and go back when their consumer releases them. A string
// operation that cannot get a temporary returns str_empty() instead.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

constexpr int32_t TEMP_DESC_COUNT = 256;

// One element of the pool: the descriptor handed out and the pool's links.
struct TempDesc {
    StringDesc desc;  // first, so a StringDesc* of the pool is its element's address
    TempDesc* next;   // in use: the next older element; free: unused
    TempDesc* prev;   // in use: the next newer element; free: the next free element
};

struct TempDescPool {
    TempDesc elements[TEMP_DESC_COUNT];  // every descriptor the pool has
    int32_t in_use_count;                // elements handed out
    TempDesc* tail;                      // oldest element in use
    TempDesc* head;                      // newest element in use
    TempDesc* free_list;                 // first free element
};

extern TempDescPool temp_desc_pool;

// The static empty descriptor handed out when no temporary can be had.
StringDesc* str_empty();
// Whether desc is one of the pool's descriptors, not merely an address inside the pool.
bool str_in_pool(const StringDesc* desc);
// A cleared descriptor from the pool, now the newest in use; null when all are handed out.
StringDesc* str_temp_alloc();
// Gives a pool descriptor back and clears it, its buffer not freed; 0, or -1 for one not of the pool.
int32_t str_temp_free(StringDesc* desc);
// A pool descriptor pointing at text, not a copy: size 0 measures to the NUL, n > 0 takes n - 1 bytes, below 0 none.
StringDesc* str_temp_for_literal(const char* text, int32_t size);
// Puts the pool back to its state at load, for tests; buffers still owned by pool descriptors are not freed.
void str_pool_reset();
