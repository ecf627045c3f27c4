// The console device: colours, the view area, the cursor, clearing and
// scrolling the view area. Rows and columns are 1-based; a position is
// reported packed as the column in bits 0-7, the row in bits 8-15, and bit
// 16 set while the cursor is visible.
#pragma once

#include <cstdint>

// The band of rows inside which text output scrolls.
struct ViewArea {
    int32_t top;     // 0-based top row; -1 until first asked for
    int32_t bottom;  // 0-based bottom row; -1 until first asked for
};

struct ColourTable {
    int32_t entries[16];  // colour number -> attribute nibble
};

// A clear without argument: clears the view area.
constexpr int32_t CONSOLE_CLEAR_DEFAULT = static_cast<int32_t>(0xFFFF0000u);

// Puts the colours, the colour table and the view area back to their state at load, for tests.
void console_device_reset();
// Sets the pair from table colours 0-15 (below 0: kept) and applies it; returns the old, background << 16 | foreground.
int32_t console_color(int32_t foreground, int32_t background);
// The console's text attribute as it is now, 0x07 when the handle is not a console.
uint16_t console_current_attribute();
// The rows of the largest window the console allows plus one (1 if it cannot be asked): the view's bottom row.
int32_t console_screen_height();
// The view's top and bottom rows, resolved on first use to 1 and console_screen_height(); either may be null.
void console_get_view(int32_t* top, int32_t* bottom);
// The width counted on when the console cannot be asked or reports none.
constexpr int32_t CONSOLE_FALLBACK_WIDTH = 80;

// The buffer width (CONSOLE_FALLBACK_WIDTH when the console cannot be asked or reports none) and the view's
// height; either may be null.
void console_get_size(int32_t* width, int32_t* view_height);
// The cursor's row, 1 when the handle is not a console.
int32_t console_cursor_row();
// The cursor's column, 1 when the handle is not a console.
int32_t console_cursor_col();
// The cursor's column and row; either may be null.
void console_get_cursor(int32_t* column, int32_t* row);
// Moves the cursor to row, column (below 1: current); visibility <0 keeps, 0 hides, >0 shows; returns it packed.
int32_t console_locate(int32_t row, int32_t column, int32_t visibility);
// Blanks mode 1 or CONSOLE_CLEAR_DEFAULT: the view, else the whole buffer; the cursor to column 1 of the view's top.
void console_clear(int32_t mode);
// Scrolls the view up n rows, the cursor to the first blank row; n < 1 does nothing, n >= the view's height blanks it.
void console_scroll_view(int32_t n);
