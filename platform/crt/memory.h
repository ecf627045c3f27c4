// The allocation seam: every heap block of the program, the runtime's
// string buffers and the platform's own (cells, the renderer's front copy,
// the line being edited, the history), comes through platform::malloc,
// platform::realloc and platform::free, which call the functions in this
// record. Tests replace them to count blocks or to refuse allocations.
#pragma once

#include <cstddef>
#include <cstdint>

struct MemoryFunctions {
    void* (*alloc)(std::size_t size);                 // malloc: a block of size bytes, or null
    void* (*realloc)(void* block, std::size_t size);  // realloc: the block resized, or null (block kept)
    void (*free)(void* block);                        // free: gives a block back; null is ignored
};

// The functions in use; the C library's by default.
extern MemoryFunctions memory_functions;

// Puts the C library's functions back.
void memory_reset();

// --- byte buffers ------------------------------------------------------------

// A growable run of bytes whose block comes from the allocation seam; it
// starts empty, with no block.
struct ByteBuffer {
    uint8_t* bytes = nullptr;  // the block, or null
    uint32_t length = 0;       // bytes in use
    uint32_t capacity = 0;     // bytes the block holds
};

// Makes room for at least `capacity` bytes, with some to spare for the next
// growth; when that is refused, exactly `capacity`. False, the buffer as it
// was, when even that is refused.
bool byte_buffer_reserve(ByteBuffer* buffer, uint64_t capacity);

// Appends `length` bytes; false, nothing appended, when there is no room.
bool byte_buffer_append(ByteBuffer* buffer, const void* bytes, uint64_t length);

// Puts one byte in at index `at` (0..length), moving the rest up, into room
// the caller has reserved.
void byte_buffer_insert(ByteBuffer* buffer, uint32_t at, uint8_t byte);

// Removes the bytes from index `from` up to, not including, `to`.
void byte_buffer_erase(ByteBuffer* buffer, uint32_t from, uint32_t to);

// Makes the buffer hold a copy of `length` bytes; false, the buffer as it
// was, when there is no room.
bool byte_buffer_assign(ByteBuffer* buffer, const uint8_t* bytes, uint32_t length);

// Gives the block back; the buffer is empty again.
void byte_buffer_free(ByteBuffer* buffer);
