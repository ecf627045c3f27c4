// Print items: strings, texts, byte runs and integers, each followed by what
// its mask asks for.
#include "runtime/console/print.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr PrintMask ITEM_FLAGS = PRINT_NEWLINE | PRINT_PAD;
// The longest formatted integer: 14 characters, or 11 and a line feed.
constexpr std::size_t NUMBER_BUFFER_SIZE = 16;

void print_number_text(int32_t file_number, const char* text, int length, PrintMask mask) {
    if (length <= 0) return;
    auto count = static_cast<uint32_t>(length);
    if (file_number == 0) {
        print_console_write(text, count, mask);
    } else {
        print_file_write(file_number, text, count);
    }
}

}  // namespace

void print_string(int32_t file_number, StringDesc* desc, PrintMask mask) {
    if (desc != nullptr && desc->data != nullptr) {
        print_buffer(file_number, desc->data, static_cast<uint32_t>(str_length(desc)), mask);
    } else {
        print_mask_apply(file_number, mask);
    }
    str_release_temp(desc);
}

void print_zstring(int32_t file_number, const char* text, PrintMask mask) {
    if (text == nullptr) {
        print_mask_apply(file_number, mask);
        return;
    }
    std::size_t length = std::strlen(text);
    print_buffer(file_number, text, length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(length), mask);
}

void print_buffer(int32_t file_number, const char* bytes, uint32_t length, PrintMask mask) {
    if (length != 0) {
        if (file_number == 0) {
            print_console_write(bytes, length, mask & ~ITEM_FLAGS);
        } else {
            print_file_write(file_number, bytes, length);
        }
    }
    print_mask_apply(file_number, mask);
}

// The mask lies wholly in the format: the newline travels with the digits
// in one write, and a pad is a fixed 14-character field, not a zone.
void print_int(int32_t file_number, int32_t value, PrintMask mask) {
    char text[NUMBER_BUFFER_SIZE];
    int length = 0;
    if ((mask & PRINT_NEWLINE) != 0) {
        length = std::snprintf(text, sizeof text, "% d\n", value);
    } else if ((mask & PRINT_PAD) != 0) {
        length = std::snprintf(text, sizeof text, "% -14d", value);
    } else {
        length = std::snprintf(text, sizeof text, "% d", value);
    }
    print_number_text(file_number, text, length, mask);
}

void print_uint(int32_t file_number, uint32_t value, PrintMask mask) {
    char text[NUMBER_BUFFER_SIZE];
    int length = 0;
    if ((mask & PRINT_NEWLINE) != 0) {
        length = std::snprintf(text, sizeof text, "%u\n", value);
    } else if ((mask & PRINT_PAD) != 0) {
        length = std::snprintf(text, sizeof text, "%-14u", value);
    } else {
        length = std::snprintf(text, sizeof text, "%u", value);
    }
    print_number_text(file_number, text, length, mask);
}

void print_mask_apply(int32_t file_number, PrintMask mask) {
    if ((mask & PRINT_NEWLINE) != 0) {
        if (file_number == 0) {
            print_console_write("\n", 1, mask);
        } else {
            print_file_write(file_number, "\n", 1);
        }
    } else if ((mask & PRINT_PAD) != 0) {
        print_pad_zone(file_number, mask & ~ITEM_FLAGS);
    }
}
