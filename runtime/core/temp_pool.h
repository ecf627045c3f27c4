// The pool of temporary string descriptors: intermediate strings are handed
// out from it and go back when their consumer releases them.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

constexpr int32_t TEMP_DESC_COUNT = 256;

struct TempDesc {
    StringDesc desc;  // first, so a StringDesc* of the pool is its element's address
    TempDesc* next;   // in use: the next older element; free: unused
    TempDesc* prev;   // in use: the next newer element; free: the next free element
};

struct TempDescPool {
    TempDesc elements[TEMP_DESC_COUNT];
    int32_t in_use_count;  // elements handed out
    TempDesc* tail;        // oldest element in use
    TempDesc* head;        // newest element in use
    TempDesc* free_list;   // first free element
};

extern TempDescPool temp_desc_pool;

// The static empty descriptor handed out when no temporary can be had.
StringDesc* str_empty();
bool str_in_pool(const StringDesc* desc);

StringDesc* str_temp_alloc();
int32_t str_temp_free(StringDesc* desc);
StringDesc* str_temp_for_literal(const char* text, int32_t size);

// Puts the pool back to its state at load (for tests). Buffers still owned by
// pool descriptors are not freed.
void str_pool_reset();
