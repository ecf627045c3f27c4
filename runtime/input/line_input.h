// Line input: a whole line from standard input (the console, file number 0)
// or a file slot (1-255), its line end stripped, stored with a size code and
// fill as str_assign does; a line that cannot be read stores an empty text.
//
// On the console a prompt that is not null is printed and released first,
// followed by "? " when question is nonzero; newline 0 puts the cursor back
// after the typed text instead of leaving it on the next row.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

// Reads a line into destination; prompt, question and newline count on the console only. Returns the error recorded.
int32_t input_line(int32_t file_number, StringDesc* prompt, void* destination, int32_t size_code, int32_t fill,
                   int32_t question, int32_t newline);
// input_line on the console.
int32_t input_line_console(StringDesc* prompt, void* destination, int32_t size_code, int32_t fill, int32_t question,
                           int32_t newline);
// input_line from file slot 1-255, with no prompt.
int32_t input_line_file(int32_t file_number, void* destination, int32_t size_code, int32_t fill);
// Reads a console line into the input context's line; the field readers then read it from its start, not from a file.
int32_t console_input(StringDesc* prompt, int32_t question, int32_t newline);
