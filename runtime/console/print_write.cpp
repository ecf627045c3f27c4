// Where printed text goes: the console through the text writer, or a file
// slot's stream; each moves its print column by what it was handed.
#include <cstring>

#include "runtime/console/console_device.h"
#include "runtime/console/console_write.h"
#include "runtime/console/print.h"
#include "runtime/console/print_column.h"
#include "runtime/core/runtime.h"

namespace {

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

uint32_t text_length(const char* text) {
    std::size_t length = std::strlen(text);
    return length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(length);
}

}  // namespace

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
