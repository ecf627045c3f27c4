// Console text goes through the text writer, a file slot's through its
// stream; each keeps its print column, counted from what was written. On
// the console a pad to a zone that would not fit on the line becomes a
// newline.
#include "runtime/console/print.h"

#include <cstdio>
#include <cstring>

#include "runtime/console/console_device.h"
#include "runtime/console/console_write.h"
#include "runtime/console/print_column.h"
#include "runtime/core/runtime.h"
#include "runtime/core/temp_pool.h"

namespace {

constexpr PrintMask ITEM_FLAGS = PRINT_NEWLINE | PRINT_PAD;
// The longest formatted integer: 14 characters, or 11 and a line feed.
constexpr std::size_t NUMBER_BUFFER_SIZE = 16;

// A file slot's write error is left in the error status for the caller to
// read; printing goes on regardless.
void write_to(int32_t file_number, const char* bytes, uint32_t length, PrintMask mask) {
    if (file_number == 0) {
        print_console_write(bytes, length, mask);
    } else {
        print_file_write(file_number, bytes, length);
    }
}

uint32_t text_length(const char* text) {
    std::size_t length = std::strlen(text);
    return length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(length);
}

// A pad from print_pad_zone is 1-14 blanks, one text. A wider range, which
// only a direct caller can ask for, goes out in pieces of the same buffer.
void pad_between(int32_t file_number, PrintMask mask, int64_t start, int64_t end) {
    if (end <= start) {
        write_to(file_number, "\n", 1, mask);
        return;
    }
    char blanks[PRINT_ZONE_WIDTH];
    std::memset(blanks, ' ', sizeof blanks);
    for (int64_t remaining = end - start; remaining > 0; remaining -= PRINT_ZONE_WIDTH) {
        auto piece = static_cast<uint32_t>(remaining < PRINT_ZONE_WIDTH ? remaining : PRINT_ZONE_WIDTH);
        write_to(file_number, blanks, piece, mask);
    }
}

// Rounds toward minus infinity, so that a negative column (a cursor moved
// beyond 16 bits wraps to one) still pads by at most one zone.
int64_t zone_of(int64_t column) {
    int64_t zone = column / PRINT_ZONE_WIDTH;
    if (column % PRINT_ZONE_WIDTH != 0 && column < 0) zone -= 1;
    return zone;
}

// The column after a text: the characters after its last line end, or the
// old column moved on by all of them; then reduced to 0..modulus-1. A sum
// beyond 32 bits is kept exact, a negative one is taken as unsigned 32-bit.
int32_t column_after(int32_t column, const char* bytes, uint32_t length, int32_t modulus) {
    int64_t moved = int64_t{column} + length;
    for (uint32_t i = length; i-- > 0;) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            moved = int64_t{length} - i - 1;
            break;
        }
    }
    // console_get_size never reports a width below 1; were one to come, the
    // column would stay unreduced rather than be divided by it.
    if (modulus <= 0) return static_cast<int32_t>(moved);
    auto unsigned_moved = moved < 0 ? uint64_t{static_cast<uint32_t>(moved)} : static_cast<uint64_t>(moved);
    return static_cast<int32_t>(unsigned_moved % static_cast<uint64_t>(modulus));
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
    print_buffer(file_number, text, text_length(text), mask);
}

void print_buffer(int32_t file_number, const char* bytes, uint32_t length, PrintMask mask) {
    if (length != 0) write_to(file_number, bytes, length, mask & ~ITEM_FLAGS);
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
    if (length > 0) write_to(file_number, text, static_cast<uint32_t>(length), mask);
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
    if (length > 0) write_to(file_number, text, static_cast<uint32_t>(length), mask);
}

void print_mask_apply(int32_t file_number, PrintMask mask) {
    if ((mask & PRINT_NEWLINE) != 0) {
        write_to(file_number, "\n", 1, mask);
    } else if ((mask & PRINT_PAD) != 0) {
        print_pad_zone(file_number, mask & ~ITEM_FLAGS);
    }
}

void print_pad_zone(int32_t file_number, PrintMask mask) {
    if (file_number != 0 && file_slot(file_number) == nullptr) {
        error_set(ERROR_BAD_ARGUMENT);
        return;
    }
    int64_t column = print_column_get(file_number);
    int64_t start = column + 1;
    int64_t end = (zone_of(column) + 1) * PRINT_ZONE_WIDTH + 1;
    // On the console a zone that would not fit on the line becomes a newline.
    if (file_number == 0) {
        int32_t width = 0;
        console_get_size(&width, nullptr);
        if (end > int64_t{width} - PRINT_ZONE_WIDTH) end = 1;
    }
    pad_between(file_number, mask, start, end);
}

void print_pad_range(int32_t file_number, PrintMask mask, int32_t start, int32_t end) {
    pad_between(file_number, mask, start, end);
}

void print_console_write(const char* bytes, uint32_t length, PrintMask mask) {
    // Set up from the cursor before the write moves it: set up after, the
    // first print would count its own text twice.
    print_console_slot_init();
    int32_t width = 0;
    console_get_size(&width, nullptr);
    console_write(bytes, length, mask);
    print_column_set(0, column_after(print_column_get(0), bytes, length, width));
}

void print_console_write_z(const char* text, PrintMask mask) {
    if (text == nullptr) text = "";
    print_console_write(text, text_length(text), mask);
}

int32_t print_file_write(int32_t file_number, const char* bytes, uint32_t length) {
    FileSlot* slot = file_slot(file_number);
    if (slot == nullptr || slot->stream == nullptr) return error_set(ERROR_BAD_ARGUMENT);
    // fwrite counts an empty text as no element written: that is no failure.
    if (length > 0 && std::fwrite(bytes, length, 1, slot->stream) != 1) return error_set(ERROR_WRITE_FAILED);
    slot->column = column_after(slot->column, bytes, length, PRINT_ZONE_WIDTH);
    return error_set(ERROR_NONE);
}

int32_t print_file_write_z(int32_t file_number, const char* text) {
    if (text == nullptr) text = "";
    return print_file_write(file_number, text, text_length(text));
}

StringDesc* space_string(int32_t count) {
    if (count <= 0) return str_empty();
    StringDesc* desc = str_temp_alloc();
    if (desc == nullptr) return str_empty();
    str_alloc_temp_buffer(desc, count);
    // Without a buffer there is nothing to fill: the caller gets what it gets
    // when no descriptor is free, and the descriptor goes back to the pool.
    if (desc->data == nullptr) {
        str_temp_free(desc);
        return str_empty();
    }
    std::memset(desc->data, ' ', static_cast<std::size_t>(count));
    desc->data[count] = '\0';
    return desc;
}
