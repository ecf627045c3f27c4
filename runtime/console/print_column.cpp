// The print columns: the console's own slot, set up on first use from the
// cursor, and the columns of the file slots 1-255.
#include "runtime/console/print_column.h"

#include <cstdio>

#include "runtime/console/console_device.h"
#include "runtime/core/runtime.h"

namespace {

struct ConsoleSlot {
    FileSlot slot;
    bool ready;
};

ConsoleSlot console_slot;

// Callers check file numbers; one outside 1-255 still never reaches memory
// outside the table.
FileSlot* slot_of(int32_t file_number) {
    if (file_number == 0) {
        print_console_slot_init();
        return &console_slot.slot;
    }
    return file_slot(file_number);
}

}  // namespace

void print_console_slot_init() {
    if (console_slot.ready) return;
    FileSlot& slot = console_slot.slot;
    slot.stream = stdout;
    const int32_t attributes[5] = {3, 128, 0, 1, 2};
    for (int32_t i = 0; i < 5; ++i) slot.attributes[i] = attributes[i];
    slot.column = console_cursor_col() - 1;
    console_slot.ready = true;
}

int32_t print_column_get(int32_t file_number) {
    FileSlot* slot = slot_of(file_number);
    return slot != nullptr ? slot->column : 0;
}

void print_column_set(int32_t file_number, int32_t column) {
    FileSlot* slot = slot_of(file_number);
    if (slot != nullptr) slot->column = column;
}

void print_column_reset() { console_slot = ConsoleSlot{}; }
