// The print column of every file number: the 0-based column at which the
// next printed character lands.
#pragma once

#include <cstdint>

int32_t print_column_get(int32_t file_number);
void print_column_set(int32_t file_number, int32_t column);
void print_console_slot_init();

// Forgets the console slot's set-up (for tests).
void print_column_reset();
