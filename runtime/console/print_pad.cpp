// Pads: blanks up to the next 14-column print zone, or a newline when the
// zone would not fit on the console's line.
#include <cstring>

#include "runtime/console/console_device.h"
#include "runtime/console/print.h"
#include "runtime/console/print_column.h"
#include "runtime/core/runtime.h"

namespace {

void pad_text(int32_t file_number, const char* text, uint32_t length, PrintMask mask) {
    if (file_number == 0) {
        print_console_write(text, length, mask);
    } else {
        print_file_write(file_number, text, length);
    }
}

// A pad from print_pad_zone is 1-14 blanks, one text. A wider range, which
// only a direct caller can ask for, goes out in pieces of the same buffer.
void pad_between(int32_t file_number, PrintMask mask, int64_t start, int64_t end) {
    if (end <= start) {
        pad_text(file_number, "\n", 1, mask);
        return;
    }
    char blanks[PRINT_ZONE_WIDTH];
    std::memset(blanks, ' ', sizeof blanks);
    for (int64_t remaining = end - start; remaining > 0; remaining -= PRINT_ZONE_WIDTH) {
        auto piece = static_cast<uint32_t>(remaining < PRINT_ZONE_WIDTH ? remaining : PRINT_ZONE_WIDTH);
        pad_text(file_number, blanks, piece, mask);
    }
}

// Rounds toward minus infinity, so that a negative column (a cursor moved
// beyond 16 bits wraps to one) still pads by at most one zone.
int64_t zone_of(int64_t column) {
    int64_t zone = column / PRINT_ZONE_WIDTH;
    if (column % PRINT_ZONE_WIDTH != 0 && column < 0) zone -= 1;
    return zone;
}

}  // namespace

void print_pad_zone(int32_t file_number, PrintMask mask) {
    if (file_number != 0 && file_slot(file_number) == nullptr) {
        error_set(ERROR_BAD_ARGUMENT);
        return;
    }
    int64_t column = print_column_get(file_number);
    int64_t start = column + 1;
    int64_t end = (zone_of(column) + 1) * PRINT_ZONE_WIDTH + 1;
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
