// String descriptors and the operations on their buffers: growth, assigning
// and appending.
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

// The text length, without the temporary bit.
int32_t str_length(const StringDesc* desc);
bool str_is_temp(const StringDesc* desc);

void str_delete(StringDesc* desc);
void str_resize(StringDesc* desc, int32_t new_length, bool preserve);
void str_alloc_temp_buffer(StringDesc* desc, int32_t length);
int32_t str_release_temp(StringDesc* desc);

void* str_assign(void* dst, int32_t dst_size, void* src, int32_t src_size, int32_t fill);
void* str_concat_assign(void* dst, int32_t dst_size, void* src, int32_t src_size, int32_t fill);
void str_copy_terminate(char* target, const char* source, int32_t count);
