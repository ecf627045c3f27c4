// Console line input: a whole line from standard input (or a file slot),
// stored as the current input line.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

int32_t console_input(StringDesc* prompt, int32_t question, int32_t newline);
int32_t input_line(int32_t file_number, StringDesc* prompt, void* destination, int32_t size_code,
                   int32_t fill, int32_t question, int32_t newline);
int32_t input_line_console(StringDesc* prompt, void* destination, int32_t size_code, int32_t fill,
                           int32_t question, int32_t newline);
int32_t input_line_file(int32_t file_number, void* destination, int32_t size_code, int32_t fill);
