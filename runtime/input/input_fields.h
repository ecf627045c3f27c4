// The input context, single characters, the field tokenizer and the typed
// field readers.
#pragma once

#include <cstdint>
#include <cstdio>

#include "runtime/core/strings.h"

struct InputContext {
    std::FILE* stream;   // when set, characters come from this stream
    int32_t read_index;  // 0-based position in line of the next character
    StringDesc line;     // the current input line
};

extern InputContext input_context;

int32_t input_read_char();
int32_t input_unread_char(int32_t character);
void input_next_field(char* buffer, int32_t limit, int32_t keep_blanks);

int32_t input_int8(int8_t* variable);
int32_t input_int16(int16_t* variable);
int32_t input_int32(int32_t* variable);
int32_t input_int64(int64_t* variable);
int32_t input_single(float* variable);
int32_t input_double(double* variable);
int32_t input_string(void* destination, int32_t size_code, int32_t fill);
int32_t input_select_file(int32_t file_number);

// Empties the context (for tests).
void input_context_reset();
