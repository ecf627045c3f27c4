// The console text writer: bytes at the cursor, with the last-cell rule and
// the view-area scrolling.
#pragma once

#include <cstdint>

#include "runtime/console/print.h"

void console_write(const char* text, uint32_t length, PrintMask flags);
void console_write_z(const char* text, PrintMask flags);
