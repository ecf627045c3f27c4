// Heap allocation for string buffers, through a record of functions that
// tests replace to make allocations fail.
#pragma once

#include <cstddef>

struct MemoryFunctions {
    void* (*alloc)(std::size_t size);
    void* (*realloc)(void* block, std::size_t size);
    void (*free)(void* block);
};

// The functions in use; the C library's by default.
extern MemoryFunctions memory_functions;

void* memory_alloc(std::size_t size);
void* memory_realloc(void* block, std::size_t size);
void memory_free(void* block);

// Puts the C library's functions back.
void memory_reset();
