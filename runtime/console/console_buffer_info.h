// One screen buffer query on the console output handle, with a defined
// answer when the handle is not a console.
#pragma once

#include "platform/platform.h"

// Fills info and returns whether the console answered. On failure the
// platform writes nothing, so the record reads as an empty buffer with the
// cursor at the top left and the attribute 0x07: the cursor queries then
// report row 1, column 1 and the print column starts at 0.
bool console_buffer_info(platform::CONSOLE_SCREEN_BUFFER_INFO* info);

// A 1-based row or column as the platform's 16-bit coordinate. Values beyond
// 16 bits wrap, as the console's own coordinate fields do.
platform::SHORT console_coordinate(int64_t one_based);

// Cells in rows of the given width, for the fill functions: 0 for an empty
// area, kept within a DWORD.
platform::DWORD console_cell_count(int64_t width, int64_t rows);
