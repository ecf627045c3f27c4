// The print column of every file number: the 0-based column at which the
// next printed character lands.
#pragma once

#include <cstdint>

// Sets up the console's slot once, its column from the cursor; later calls do nothing.
void print_console_slot_init();
// The print column of file 0 (the console, set up first if need be) or 1-255; 0 for any other number.
int32_t print_column_get(int32_t file_number);
// Sets the print column of file 0 or 1-255; any other number is ignored.
void print_column_set(int32_t file_number, int32_t column);
// Forgets the console slot's set-up, for tests.
void print_column_reset();
