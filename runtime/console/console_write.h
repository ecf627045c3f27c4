// The console text writer: bytes at the cursor, with the last-cell rule and
// the view-area scrolling. A text that ends on the last cell of the view's
// bottom row leaves the screen unscrolled. When the view ends above the
// screen's last row, a text that would run past its bottom scrolls the view
// up first, and one needing as many rows as the view holds, or more, starts
// on the view's top row.
#pragma once

#include <cstdint>

#include "runtime/console/print_mask.h"

// Writes length bytes at the cursor; of the flags only PRINT_NEWLINE counts, set when the text ends the line.
void console_write(const char* text, uint32_t length, PrintMask flags);
// console_write of a NUL-terminated text; null counts as empty.
void console_write_z(const char* text, PrintMask flags);
