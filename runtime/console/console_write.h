// The console text writer: the one road by which printed text reaches the
// screen. It writes bytes at the cursor so that they stay inside the view
// area, and a text that ends on the last cell of the view's bottom row
// leaves the screen unscrolled.
#pragma once

#include <cstdint>

#include "runtime/console/print_mask.h"

// Writes length bytes at the cursor; of the flags only PRINT_NEWLINE counts, set when the text ends the line.
void console_write(const char* text, uint32_t length, PrintMask flags);
// console_write of a NUL-terminated text; null counts as empty.
void console_write_z(const char* text, PrintMask flags);
