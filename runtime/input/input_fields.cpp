// Input fields: the input context that characters are read from (a file
// slot's stream or the current line), the field tokenizer, and the typed
// field readers that convert one field each.
#include "runtime/input/input_fields.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/platform.h"
#include "runtime/core/runtime.h"

InputContext input_context;

namespace {

constexpr int32_t END_OF_INPUT = -1;
constexpr int32_t CHAR_TAB = 9;
constexpr int32_t CHAR_LF = 10;
constexpr int32_t CHAR_CR = 13;
constexpr int32_t CHAR_SPACE = 32;
constexpr int32_t CHAR_QUOTE = 34;
constexpr int32_t CHAR_COMMA = 44;

// Field limits: the longest text each type's values need (sign included).
constexpr int32_t INT8_FIELD_LIMIT = 4;
constexpr int32_t INT16_FIELD_LIMIT = 6;
constexpr int32_t INT32_FIELD_LIMIT = 11;
constexpr int32_t INT64_FIELD_LIMIT = 22;
constexpr int32_t SINGLE_FIELD_LIMIT = 15;
constexpr int32_t DOUBLE_FIELD_LIMIT = 21;
constexpr int32_t STRING_FIELD_LIMIT = 1024;

bool is_blank(int32_t c) { return c == CHAR_SPACE || c == CHAR_TAB; }

// A CR ends a line whether or not a LF follows it; the LF, when there, goes
// with it. Anything else (the end of input too) is pushed back.
void take_line_end_after_cr() {
    int32_t next = input_read_char();
    if (next != CHAR_LF) input_unread_char(next);
}

// After a closing quote of a string field: blanks up to the separator are
// not part of anything, and the separator itself belongs to this field.
void finish_after_quote(int32_t c) {
    while (is_blank(c)) c = input_read_char();
    if (c == CHAR_CR) {
        take_line_end_after_cr();
        return;
    }
    if (c == CHAR_COMMA || c == END_OF_INPUT) return;
    input_unread_char(c);
}

// A double beyond float's range has no float value to convert to; it
// saturates at the largest float of its sign, as the conversions do.
float single_from_double(double value) {
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (value > static_cast<double>(FLT_MAX)) return FLT_MAX;
    if (value < -static_cast<double>(FLT_MAX)) return -FLT_MAX;
    return static_cast<float>(value);
}

}  // namespace

int32_t input_read_char() {
    InputContext& context = input_context;
    if (context.stream != nullptr) return std::fgetc(context.stream);
    if (context.read_index < 0 || context.read_index >= str_length(&context.line) || context.line.data == nullptr) {
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

void input_next_field(char* buffer, int32_t limit, int32_t keep_blanks) {
    // The buffer holds limit + 1 bytes; with no room for a character the
    // field is empty and the input is left alone.
    if (limit < 1) {
        buffer[0] = '\0';
        return;
    }

    int32_t c = input_read_char();
    while (is_blank(c) || c == CHAR_LF || c == CHAR_CR) c = input_read_char();

    int32_t count = 0;
    bool in_quotes = false;
    bool after_quote = false;

    while (c != END_OF_INPUT) {
        bool store = false;
        bool ended = false;
        if (is_blank(c)) {
            if (count == 0) {
                store = keep_blanks != 0 && in_quotes;
            } else {
                store = keep_blanks != 0 || in_quotes;
                ended = !store;
            }
        } else if (c == CHAR_LF) {
            ended = true;
        } else if (c == CHAR_CR) {
            take_line_end_after_cr();
            ended = true;
        } else if (c == CHAR_QUOTE && !in_quotes) {
            if (count == 0) {
                in_quotes = true;
            } else {
                store = true;
            }
        } else if (c == CHAR_QUOTE) {
            in_quotes = false;
            // A string field ends at its closing quote; a numeric one runs on,
            // so that "12"34 reads as 1234.
            if (keep_blanks != 0) {
                c = input_read_char();
                after_quote = true;
                ended = true;
            }
        } else if (c == CHAR_COMMA) {
            store = in_quotes;
            ended = !in_quotes;
        } else {
            store = true;
        }

        if (store) {
            buffer[count] = static_cast<char>(static_cast<unsigned char>(c));
            count += 1;
        }
        if (ended || count >= limit) break;
        c = input_read_char();
    }

    buffer[count] = '\0';
    if (after_quote) finish_after_quote(c);
}

int32_t input_int8(int8_t* variable) {
    char field[INT8_FIELD_LIMIT + 1];
    input_next_field(field, INT8_FIELD_LIMIT, 0);
    // Only the low 8 bits are kept; unsigned-to-signed narrowing is modular.
    auto low = static_cast<uint8_t>(static_cast<uint32_t>(platform::atoi(field)));
    *variable = static_cast<int8_t>(low);
    return error_set(ERROR_NONE);
}

int32_t input_int16(int16_t* variable) {
    char field[INT16_FIELD_LIMIT + 1];
    input_next_field(field, INT16_FIELD_LIMIT, 0);
    auto low = static_cast<uint16_t>(static_cast<uint32_t>(platform::atoi(field)));
    *variable = static_cast<int16_t>(low);
    return error_set(ERROR_NONE);
}

int32_t input_int32(int32_t* variable) {
    char field[INT32_FIELD_LIMIT + 1];
    input_next_field(field, INT32_FIELD_LIMIT, 0);
    *variable = platform::atoi(field);
    return error_set(ERROR_NONE);
}

int32_t input_int64(int64_t* variable) {
    char field[INT64_FIELD_LIMIT + 1];
    input_next_field(field, INT64_FIELD_LIMIT, 0);
    *variable = platform::_atoi64(field);
    return error_set(ERROR_NONE);
}

int32_t input_single(float* variable) {
    char field[SINGLE_FIELD_LIMIT + 1];
    input_next_field(field, SINGLE_FIELD_LIMIT, 0);
    *variable = single_from_double(platform::atof(field));
    return error_set(ERROR_NONE);
}

int32_t input_double(double* variable) {
    char field[DOUBLE_FIELD_LIMIT + 1];
    input_next_field(field, DOUBLE_FIELD_LIMIT, 0);
    *variable = platform::atof(field);
    return error_set(ERROR_NONE);
}

int32_t input_string(void* destination, int32_t size_code, int32_t fill) {
    char field[STRING_FIELD_LIMIT + 1];
    input_next_field(field, STRING_FIELD_LIMIT, 1);
    str_assign(destination, size_code, field, STR_SIZE_ZSTRING, fill);
    return error_set(ERROR_NONE);
}
