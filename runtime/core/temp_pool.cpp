// The pool of 256 temporary descriptors. Elements in use form a doubly linked
// list, newest at head; free elements a singly linked list through prev. The
// pool sets itself up on the first request.
#include "runtime/core/temp_pool.h"

#include <cstdint>
#include <cstring>

TempDescPool temp_desc_pool;

namespace {

StringDesc empty_desc;

void pool_setup() {
    TempDescPool& pool = temp_desc_pool;
    for (int32_t i = 0; i < TEMP_DESC_COUNT; ++i) {
        pool.elements[i].next = nullptr;
        pool.elements[i].prev = i + 1 < TEMP_DESC_COUNT ? &pool.elements[i + 1] : nullptr;
    }
    pool.free_list = &pool.elements[0];
    pool.head = nullptr;
    pool.tail = nullptr;
    pool.in_use_count = 0;
}

void desc_clear(StringDesc* desc) { *desc = StringDesc{nullptr, 0, 0}; }

}  // namespace

StringDesc* str_empty() { return &empty_desc; }

bool str_in_pool(const StringDesc* desc) {
    // Addresses of unrelated objects are compared through uintptr_t, which
    // is defined for any pointer.
    auto address = reinterpret_cast<uintptr_t>(desc);
    auto first = reinterpret_cast<uintptr_t>(&temp_desc_pool.elements[0]);
    auto last = reinterpret_cast<uintptr_t>(&temp_desc_pool.elements[TEMP_DESC_COUNT - 1]);
    return address >= first && address <= last && (address - first) % sizeof(TempDesc) == 0;
}

StringDesc* str_temp_alloc() {
    TempDescPool& pool = temp_desc_pool;
    if (pool.free_list == nullptr && pool.tail == nullptr) pool_setup();
    if (pool.free_list == nullptr) return nullptr;

    TempDesc* element = pool.free_list;
    pool.free_list = element->prev;
    if (pool.head != nullptr) {
        pool.head->prev = element;
    } else {
        pool.tail = element;
    }
    element->next = pool.head;
    element->prev = nullptr;
    pool.in_use_count += 1;
    pool.head = element;

    desc_clear(&element->desc);
    return &element->desc;
}

int32_t str_temp_free(StringDesc* desc) {
    if (!str_in_pool(desc)) return -1;
    TempDescPool& pool = temp_desc_pool;
    auto* element = reinterpret_cast<TempDesc*>(desc);

    if (element->next != nullptr) {
        element->next->prev = element->prev;
    } else {
        pool.tail = element->prev;
    }
    if (element->prev != nullptr) {
        element->prev->next = element->next;
    } else {
        pool.head = element->next;
    }

    element->next = nullptr;
    element->prev = pool.free_list;
    pool.in_use_count -= 1;
    pool.free_list = element;

    desc_clear(desc);
    return 0;
}

StringDesc* str_temp_for_literal(const char* text, int32_t size) {
    StringDesc* desc = str_temp_alloc();
    if (desc == nullptr) return str_empty();
    // The descriptor only points at the literal: the temporary bit stays
    // clear, so releasing it never frees or writes the literal.
    desc->data = const_cast<char*>(text);
    if (size != 0) {
        desc->length = size > 0 ? size - 1 : 0;
    } else {
        desc->length = text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0;
    }
    desc->capacity = desc->length;
    return desc;
}

void str_pool_reset() {
    std::memset(&temp_desc_pool, 0, sizeof temp_desc_pool);
    desc_clear(&empty_desc);
}
