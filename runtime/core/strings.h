// String descriptors, the pool of temporary descriptors, and the assign and
// append operations.
//
// Operations that copy text take each text with a size code:
//   STR_SIZE_DESC (-1)    the argument is a StringDesc*
//   STR_SIZE_ZSTRING (0)  a NUL-terminated buffer of unknown size
//   n > 0                 a fixed buffer of n bytes, the NUL included
#pragma once

#include <cstdint>

struct StringDesc {
    char* data;        // the text followed by a NUL, or null; capacity + 1 bytes
    int32_t length;    // bits 0-30: text bytes; bit 31: the temporary bit
    int32_t capacity;  // bytes available for text, the NUL not counted
};

constexpr uint32_t STR_TEMP_BIT = 0x80000000u;
constexpr uint32_t STR_LENGTH_MASK = 0x7FFFFFFFu;
constexpr int32_t STR_SIZE_DESC = -1;
constexpr int32_t STR_SIZE_ZSTRING = 0;

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

// The text length, without the temporary bit.
int32_t str_length(const StringDesc* desc);
bool str_is_temp(const StringDesc* desc);
bool str_in_pool(const StringDesc* desc);

StringDesc* str_temp_alloc();
int32_t str_temp_free(StringDesc* desc);
StringDesc* str_temp_for_literal(const char* text, int32_t size);

void str_delete(StringDesc* desc);
void str_resize(StringDesc* desc, int32_t new_length, bool preserve);
void str_alloc_temp_buffer(StringDesc* desc, int32_t length);
int32_t str_release_temp(StringDesc* desc);

void* str_assign(void* dst, int32_t dst_size, void* src, int32_t src_size, int32_t fill);
void* str_concat_assign(void* dst, int32_t dst_size, void* src, int32_t src_size, int32_t fill);
void str_copy_terminate(char* target, const char* source, int32_t count);

// Puts the pool back to its state at load (for tests). Buffers still owned by
// pool descriptors are not freed.
void str_pool_reset();
