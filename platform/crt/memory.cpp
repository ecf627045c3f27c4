// malloc, realloc and free of the platform interface, through the
// allocation seam.
#include "platform/crt/memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

void* system_alloc(std::size_t size) { return std::malloc(size); }
void* system_realloc(void* block, std::size_t size) { return std::realloc(block, size); }
void system_free(void* block) { std::free(block); }

}  // namespace

MemoryFunctions memory_functions = {system_alloc, system_realloc, system_free};

void memory_reset() { memory_functions = {system_alloc, system_realloc, system_free}; }

namespace platform {

void* malloc(std::size_t size) { return memory_functions.alloc(size); }
void* realloc(void* block, std::size_t size) { return memory_functions.realloc(block, size); }
void free(void* block) { memory_functions.free(block); }

}  // namespace platform

// --- byte buffers ------------------------------------------------------------

namespace {

// Room beyond what is asked for, so that a line typed key by key or a frame
// built piece by piece does not reallocate at every byte.
uint64_t spare_capacity(uint64_t capacity) { return capacity + capacity / 2 + 32; }

bool block_resize(ByteBuffer* buffer, uint64_t capacity) {
    if (capacity > UINT32_MAX) return false;
    void* block = platform::realloc(buffer->bytes, static_cast<std::size_t>(capacity));
    if (block == nullptr) return false;
    buffer->bytes = static_cast<uint8_t*>(block);
    buffer->capacity = static_cast<uint32_t>(capacity);
    return true;
}

}  // namespace

bool byte_buffer_reserve(ByteBuffer* buffer, uint64_t capacity) {
    if (capacity <= buffer->capacity) return true;
    return block_resize(buffer, std::min<uint64_t>(spare_capacity(capacity), UINT32_MAX)) ||
           block_resize(buffer, capacity);
}

bool byte_buffer_append(ByteBuffer* buffer, const void* bytes, uint64_t length) {
    if (length == 0) return true;
    if (!byte_buffer_reserve(buffer, uint64_t{buffer->length} + length)) return false;
    std::memcpy(buffer->bytes + buffer->length, bytes, static_cast<std::size_t>(length));
    buffer->length += static_cast<uint32_t>(length);
    return true;
}

void byte_buffer_insert(ByteBuffer* buffer, uint32_t at, uint8_t byte) {
    std::memmove(buffer->bytes + at + 1, buffer->bytes + at, buffer->length - at);
    buffer->bytes[at] = byte;
    buffer->length += 1;
}

void byte_buffer_erase(ByteBuffer* buffer, uint32_t from, uint32_t to) {
    to = std::min(to, buffer->length);
    if (from >= to) return;
    std::memmove(buffer->bytes + from, buffer->bytes + to, buffer->length - to);
    buffer->length -= to - from;
}

bool byte_buffer_assign(ByteBuffer* buffer, const uint8_t* bytes, uint32_t length) {
    if (!byte_buffer_reserve(buffer, length)) return false;
    if (length > 0) std::memmove(buffer->bytes, bytes, length);
    buffer->length = length;
    return true;
}

void byte_buffer_free(ByteBuffer* buffer) {
    platform::free(buffer->bytes);
    *buffer = ByteBuffer{};
}
