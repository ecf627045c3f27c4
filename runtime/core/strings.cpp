// String buffers: growth, assignment and appending. Lengths are computed in
// 64 bits so that no length up to 0x7FFFFFFF can wrap.
#include "runtime/core/strings.h"

#include <cstring>

#include "platform/platform.h"
#include "runtime/core/temp_pool.h"

namespace {

constexpr int64_t MAX_LENGTH = STR_LENGTH_MASK;

// A source text: its bytes and length, whatever its size code.
struct SourceText {
    const char* bytes;
    int64_t length;
};

SourceText source_text(void* src, int32_t src_size) {
    if (src == nullptr) return {nullptr, 0};
    if (src_size == STR_SIZE_DESC) {
        auto* desc = static_cast<StringDesc*>(src);
        if (desc->data == nullptr) return {nullptr, 0};
        return {desc->data, str_length(desc)};
    }
    auto* text = static_cast<const char*>(src);
    // A fixed buffer is never read past its end, terminated or not.
    std::size_t length = src_size > 0 ? strnlen(text, static_cast<std::size_t>(src_size)) : std::strlen(text);
    return {text, static_cast<int64_t>(length)};
}

void source_release(void* src, int32_t src_size) {
    if (src != nullptr && src_size == STR_SIZE_DESC) str_release_temp(static_cast<StringDesc*>(src));
}

// The growth rule: round up to 32, add an eighth.
int64_t grown_size(int64_t length) {
    int64_t rounded = (length + 31) & ~int64_t{31};
    return rounded + (rounded >> 3);
}

void* buffer_alloc(char* old, int64_t size, bool preserve) {
    auto bytes = static_cast<std::size_t>(size);
    return preserve && old != nullptr ? platform::realloc(old, bytes) : platform::malloc(bytes);
}

void fill_zero(char* from, int64_t count) {
    if (count > 0) std::memset(from, 0, static_cast<std::size_t>(count));
}

// Where a source lies inside the destination's own buffer, a resize may move
// it: remember its offset to find it again.
int64_t offset_inside(const StringDesc* dst, const char* bytes) {
    if (dst->data == nullptr || bytes == nullptr) return -1;
    auto address = reinterpret_cast<uintptr_t>(bytes);
    auto start = reinterpret_cast<uintptr_t>(dst->data);
    auto end = start + static_cast<uintptr_t>(dst->capacity) + 1;
    return address >= start && address < end ? static_cast<int64_t>(address - start) : -1;
}

// True when dst took the source temporary's buffer over (the temporary is
// then free already).
bool assign_to_desc(StringDesc* dst, void* src, int32_t src_size, SourceText text) {
    if (text.length == 0) {
        str_delete(dst);
        return false;
    }
    auto* src_desc = src_size == STR_SIZE_DESC ? static_cast<StringDesc*>(src) : nullptr;
    if (src_desc != nullptr && src_desc != dst && str_is_temp(src_desc)) {
        // Take the temporary's buffer over instead of copying it.
        str_delete(dst);
        *dst = StringDesc{src_desc->data, str_length(src_desc), src_desc->capacity};
        *src_desc = StringDesc{nullptr, 0, 0};
        str_temp_free(src_desc);
        return true;
    }
    if (src_desc == dst) return false;
    if (dst->data == nullptr || str_length(dst) != text.length) {
        int64_t offset = offset_inside(dst, text.bytes);
        // The source may live in the buffer the resize is about to replace.
        if (offset >= 0) {
            std::memmove(dst->data, text.bytes, static_cast<std::size_t>(text.length));
            str_resize(dst, static_cast<int32_t>(text.length), true);
            if (dst->data != nullptr) dst->data[text.length] = '\0';
            return false;
        }
        str_resize(dst, static_cast<int32_t>(text.length), false);
        if (dst->data == nullptr) return false;
    }
    str_copy_terminate(dst->data, text.bytes, static_cast<int32_t>(text.length));
    return false;
}

void assign_to_buffer(char* dst, int32_t dst_size, SourceText text, int32_t fill) {
    if (text.length == 0) {
        if (fill != 0 && dst_size > 0) {
            fill_zero(dst, dst_size);
        } else {
            dst[0] = '\0';
        }
        return;
    }
    int64_t count = text.length;
    if (dst_size > 0 && count > dst_size - 1) count = dst_size - 1;
    str_copy_terminate(dst, text.bytes, static_cast<int32_t>(count));
    if (fill != 0 && dst_size > 0) fill_zero(dst + count, (dst_size - 1) - count);
}

void concat_to_desc(StringDesc* dst, SourceText text) {
    int64_t old = str_length(dst);
    int64_t count = text.length;
    if (old + count > MAX_LENGTH) count = MAX_LENGTH - old;
    if (count <= 0) return;
    int64_t offset = offset_inside(dst, text.bytes);
    str_resize(dst, static_cast<int32_t>(old + count), true);
    if (dst->data == nullptr) return;
    const char* bytes = offset >= 0 ? dst->data + offset : text.bytes;
    str_copy_terminate(dst->data + old, bytes, static_cast<int32_t>(count));
}

void concat_to_buffer(char* dst, int32_t dst_size, SourceText text, int32_t fill) {
    int64_t current;
    int64_t count = text.length;
    if (dst_size > 0) {
        current = static_cast<int64_t>(strnlen(dst, static_cast<std::size_t>(dst_size)));
        if (current > dst_size - 1) current = dst_size - 1;
        if (count > (dst_size - 1) - current) count = (dst_size - 1) - current;
    } else {
        current = static_cast<int64_t>(std::strlen(dst));
    }
    str_copy_terminate(dst + current, text.bytes, static_cast<int32_t>(count));
    if (fill != 0 && dst_size > 0) fill_zero(dst + current + count, (dst_size - 1) - (current + count));
}

}  // namespace

int32_t str_length(const StringDesc* desc) {
    return static_cast<int32_t>(static_cast<uint32_t>(desc->length) & STR_LENGTH_MASK);
}

bool str_is_temp(const StringDesc* desc) { return (static_cast<uint32_t>(desc->length) & STR_TEMP_BIT) != 0; }

void str_delete(StringDesc* desc) {
    if (desc == nullptr || desc->data == nullptr) return;
    platform::free(desc->data);
    *desc = StringDesc{nullptr, 0, 0};
}

void str_resize(StringDesc* desc, int32_t new_length, bool preserve) {
    int64_t length = new_length > 0 ? new_length : 0;
    int64_t target = grown_size(length);
    int64_t capacity = desc->capacity;
    bool renew = desc->data == nullptr || length > capacity || target < capacity - capacity / 8;
    if (renew) {
        if (!preserve) str_delete(desc);
        // A target beyond what a capacity can hold counts as an allocation
        // that failed: the exact size is tried instead.
        void* block = target <= MAX_LENGTH ? buffer_alloc(desc->data, target + 1, preserve) : nullptr;
        if (block == nullptr) {
            target = length;
            block = buffer_alloc(desc->data, target + 1, preserve);
        }
        if (block == nullptr) {
            str_delete(desc);
            return;
        }
        desc->data = static_cast<char*>(block);
        desc->capacity = static_cast<int32_t>(target);
    }
    desc->length = static_cast<int32_t>(length);
}

void str_alloc_temp_buffer(StringDesc* desc, int32_t length) {
    str_resize(desc, length, false);
    desc->length = static_cast<int32_t>(static_cast<uint32_t>(desc->length) | STR_TEMP_BIT);
}

int32_t str_release_temp(StringDesc* desc) {
    if (desc == nullptr) return -1;
    if (str_is_temp(desc)) str_delete(desc);
    return str_temp_free(desc);
}

void* str_assign(void* dst, int32_t dst_size, void* src, int32_t src_size, int32_t fill) {
    SourceText text = source_text(src, src_size);
    if (dst == nullptr) {
        source_release(src, src_size);
        return nullptr;
    }
    if (dst_size == STR_SIZE_DESC) {
        if (assign_to_desc(static_cast<StringDesc*>(dst), src, src_size, text)) return dst;
    } else {
        assign_to_buffer(static_cast<char*>(dst), dst_size, text, fill);
    }
    if (src != dst) source_release(src, src_size);
    return dst;
}

void* str_concat_assign(void* dst, int32_t dst_size, void* src, int32_t src_size, int32_t fill) {
    SourceText text = source_text(src, src_size);
    if (dst != nullptr && text.length > 0) {
        if (dst_size == STR_SIZE_DESC) {
            concat_to_desc(static_cast<StringDesc*>(dst), text);
        } else {
            concat_to_buffer(static_cast<char*>(dst), dst_size, text, fill);
        }
    }
    if (src != dst) source_release(src, src_size);
    return dst;
}

void str_copy_terminate(char* target, const char* source, int32_t count) {
    if (source != nullptr && count > 0) {
        // memmove: the source may overlap the target (a text copied within its own buffer).
        std::memmove(target, source, static_cast<std::size_t>(count));
        target[count] = '\0';
        return;
    }
    target[0] = '\0';
}
