// The input context, single characters, the field tokenizer and the typed
// field readers.
//
// A field starts after blanks and line ends, and ends at a comma or a line
// end outside double quotes, or at the reader's limit. A numeric field ends
// at a blank too, its quotes only grouping ("12"34 reads as 1234); a string
// field keeps its blanks, and a quoted one ends at its closing quote.
//
// The typed readers store one field each through their pointer, converted
// by the platform's atoi, _atoi64 or atof, and return ERROR_NONE: no text
// read is an error.
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

// The next character of the stream, or else of the current line, as 0-255; -1 at the end.
int32_t input_read_char();
// Pushes character back: ungetc's result on a stream; on the line a step back, 1 (0 at its start).
int32_t input_unread_char(int32_t character);
// Reads from file slot 1-255 from now on, the current line dropped; ERROR_BAD_ARGUMENT when it is not open.
int32_t input_select_file(int32_t file_number);
// Reads the next field into buffer (limit + 1 bytes), at most limit characters; keep_blanks nonzero: a string field.
void input_next_field(char* buffer, int32_t limit, int32_t keep_blanks);

// A field of up to 4 characters, of whose value the low 8 bits are kept.
int32_t input_int8(int8_t* variable);
// A field of up to 6 characters, of whose value the low 16 bits are kept.
int32_t input_int16(int16_t* variable);
// A field of up to 11 characters.
int32_t input_int32(int32_t* variable);
// A field of up to 22 characters.
int32_t input_int64(int64_t* variable);
// A field of up to 15 characters, its value held to the float range (beyond it: the largest float of its sign).
int32_t input_single(float* variable);
// A field of up to 21 characters.
int32_t input_double(double* variable);
// A string field of up to 1024 characters, stored by str_assign with the destination's size code and fill.
int32_t input_string(void* destination, int32_t size_code, int32_t fill);
