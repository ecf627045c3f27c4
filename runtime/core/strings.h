// String descriptors and the operations on their buffers: growth, assigning
// and appending. A buffer that cannot be allocated leaves its descriptor
// empty.
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

// Set in a length when the buffer is its consumer's, to take over or to free.
constexpr uint32_t STR_TEMP_BIT = 0x80000000u;
constexpr uint32_t STR_LENGTH_MASK = 0x7FFFFFFFu;
constexpr int32_t STR_SIZE_DESC = -1;
constexpr int32_t STR_SIZE_ZSTRING = 0;

// The text length, without the temporary bit.
int32_t str_length(const StringDesc* desc);
// Whether the length carries the temporary bit.
bool str_is_temp(const StringDesc* desc);
// Frees the buffer and clears desc; a null desc or one without a buffer is left alone.
void str_delete(StringDesc* desc);
// Sets the length (below 0: 0; no NUL written), reallocating a buffer too small or far too big; preserve keeps text.
void str_resize(StringDesc* desc, int32_t new_length, bool preserve);
// A buffer for length bytes, the old text dropped, and the temporary bit set, also when no buffer could be had.
void str_alloc_temp_buffer(StringDesc* desc, int32_t length);
// Frees a temporary's buffer and gives desc back to the pool: 0, or -1 for null or a desc not of the pool.
int32_t str_release_temp(StringDesc* desc);
// Copies src into dst, cut to fit a fixed buffer whose rest fill nonzero zeroes; releases a temporary src; returns dst.
void* str_assign(void* dst, int32_t dst_size, void* src, int32_t src_size, int32_t fill);
// Appends src to dst, cut at a fixed buffer's end or at length 0x7FFFFFFF; fill and src as str_assign; returns dst.
void* str_concat_assign(void* dst, int32_t dst_size, void* src, int32_t src_size, int32_t fill);
// Copies count bytes (the two may overlap) and a NUL; a null source or a count below 1 writes only the NUL.
void str_copy_terminate(char* target, const char* source, int32_t count);
