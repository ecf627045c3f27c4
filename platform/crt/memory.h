// The allocation seam: every heap block of the program, the runtime's
// string buffers and the platform's own (cells, the renderer's front copy,
// the line being edited, the history), comes through platform::malloc,
// platform::realloc and platform::free, which call the functions in this
// record. Tests replace them to count blocks or to refuse allocations.
#pragma once

#include <cstddef>

struct MemoryFunctions {
    void* (*alloc)(std::size_t size);                // malloc: a block of size bytes, or null
    void* (*realloc)(void* block, std::size_t size);  // realloc: the block resized, or null (block kept)
    void (*free)(void* block);                        // free: gives a block back; null is ignored
};

// The functions in use; the C library's by default.
extern MemoryFunctions memory_functions;

// Puts the C library's functions back.
void memory_reset();
