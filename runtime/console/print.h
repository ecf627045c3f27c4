// The print layer: print items to the console (file number 0) or a file
// slot (1-255), newlines, 14-column print zones, and strings of blanks.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

using PrintMask = uint32_t;
constexpr PrintMask PRINT_NEWLINE = 1u << 0;
constexpr PrintMask PRINT_PAD = 1u << 1;
constexpr int32_t PRINT_ZONE_WIDTH = 14;

void print_string(int32_t file_number, StringDesc* desc, PrintMask mask);
void print_zstring(int32_t file_number, const char* text, PrintMask mask);
void print_buffer(int32_t file_number, const char* bytes, uint32_t length, PrintMask mask);
void print_int(int32_t file_number, int32_t value, PrintMask mask);
void print_uint(int32_t file_number, uint32_t value, PrintMask mask);
void print_mask_apply(int32_t file_number, PrintMask mask);
void print_pad_zone(int32_t file_number, PrintMask mask);
void print_pad_range(int32_t file_number, PrintMask mask, int32_t start, int32_t end);
void print_console_write(const char* bytes, uint32_t length, PrintMask mask);
void print_console_write_z(const char* text, PrintMask mask);
int32_t print_file_write(int32_t file_number, const char* bytes, uint32_t length);
int32_t print_file_write_z(int32_t file_number, const char* text);
StringDesc* space_string(int32_t count);
