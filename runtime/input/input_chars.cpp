// The input context: where input characters come from (a file slot's stream
// or the current line), reading and pushing back single characters, and
// switching the source to a file.
#include <cstdio>

#include "runtime/core/runtime.h"
#include "runtime/input/input_fields.h"

InputContext input_context;

int32_t input_read_char() {
    InputContext& context = input_context;
    if (context.stream != nullptr) return std::fgetc(context.stream);
    if (context.read_index < 0 || context.read_index >= str_length(&context.line) ||
        context.line.data == nullptr) {
        return -1;
    }
    auto byte = static_cast<unsigned char>(context.line.data[context.read_index]);
    context.read_index += 1;
    return byte;
}

int32_t input_unread_char(int32_t character) {
    InputContext& context = input_context;
    if (context.stream != nullptr) return std::ungetc(character, context.stream);
    if (context.read_index <= 0) return 0;
    // Stepping back is all a pushback needs here: the byte is still in the line.
    context.read_index -= 1;
    return 1;
}

int32_t input_select_file(int32_t file_number) {
    FileSlot* slot = file_slot(file_number);
    if (slot == nullptr || slot->stream == nullptr) return error_set(ERROR_BAD_ARGUMENT);
    input_context.stream = slot->stream;
    str_delete(&input_context.line);
    return error_set(ERROR_NONE);
}

void input_context_reset() {
    str_delete(&input_context.line);
    input_context.stream = nullptr;
    input_context.read_index = 0;
}
