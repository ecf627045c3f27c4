// The console text writer: bytes at the cursor, with the last-cell rule and
// the view-area scrolling.
#pragma once

#include <cstdint>

#include "runtime/console/print.h"

// Only PRINT_NEWLINE of the flags is looked at. A text needing as many rows
// as the view holds, or more, starts on the view's top row.
void console_write(const char* text, uint32_t length, PrintMask flags);
void console_write_z(const char* text, PrintMask flags);
