// The print layer: print items (texts and integers) to the console (file
// number 0) or a file slot (1-255), each followed by what its mask asks
// for, a line end or a pad to the next 14-column print zone, and strings of
// blanks.
#pragma once

#include <cstdint>

#include "runtime/console/print_mask.h"
#include "runtime/core/strings.h"

constexpr int32_t PRINT_ZONE_WIDTH = 14;

// Prints desc's text (null or no buffer: none), then what mask asks for; desc is released as a temporary.
void print_string(int32_t file_number, StringDesc* desc, PrintMask mask);
// Prints a NUL-terminated text (null: none), then what mask asks for.
void print_zstring(int32_t file_number, const char* text, PrintMask mask);
// Prints length bytes, then what mask asks for.
void print_buffer(int32_t file_number, const char* bytes, uint32_t length, PrintMask mask);
// Prints value after a blank or its minus sign, then what mask asks for, in the same write.
void print_int(int32_t file_number, int32_t value, PrintMask mask);
// Prints value without a sign, then what mask asks for, in the same write.
void print_uint(int32_t file_number, uint32_t value, PrintMask mask);
// Prints only what mask asks for after an item: a newline, a pad to the next zone, or nothing.
void print_mask_apply(int32_t file_number, PrintMask mask);
// Blanks up to the next zone, mask passed on to the console writer; a file not open sets ERROR_BAD_ARGUMENT.
void print_pad_zone(int32_t file_number, PrintMask mask);
// end - start blanks, or a newline when end <= start; mask as in print_pad_zone.
void print_pad_range(int32_t file_number, PrintMask mask, int32_t start, int32_t end);
// Writes length bytes to the console, its print column moved on modulo the width; mask as in console_write.
void print_console_write(const char* bytes, uint32_t length, PrintMask mask);
// print_console_write of a NUL-terminated text; null counts as empty.
void print_console_write_z(const char* text, PrintMask mask);
// Writes to file slot 1-255, its column moved on modulo 14; records and returns NONE, BAD_ARGUMENT or WRITE_FAILED.
int32_t print_file_write(int32_t file_number, const char* bytes, uint32_t length);
// print_file_write of a NUL-terminated text; null counts as empty.
int32_t print_file_write_z(int32_t file_number, const char* text);
// A temporary of count blanks for its consumer to release; str_empty() when count < 1 or no buffer can be had.
StringDesc* space_string(int32_t count);
