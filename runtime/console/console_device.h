// The console device: colours, the view area, the cursor, clearing and
// scrolling the view area. Rows and columns are 1-based.
#pragma once

#include <cstdint>

struct ViewArea {
    int32_t top;     // 0-based top row; -1 until first asked for
    int32_t bottom;  // 0-based bottom row; -1 until first asked for
};

struct ColourTable {
    int32_t entries[16];  // colour number -> attribute nibble
};

// A clear without argument: clears the view area.
constexpr int32_t CONSOLE_CLEAR_DEFAULT = static_cast<int32_t>(0xFFFF0000u);

void console_clear(int32_t mode);
int32_t console_color(int32_t foreground, int32_t background);
int32_t console_locate(int32_t row, int32_t column, int32_t visibility);
uint16_t console_current_attribute();
// Any output may be null.
void console_get_view(int32_t* top, int32_t* bottom);
int32_t console_screen_height();
// The width is never below 1: 80 when the console cannot be asked or
// reports no width.
void console_get_size(int32_t* width, int32_t* view_height);
int32_t console_cursor_row();
int32_t console_cursor_col();
void console_get_cursor(int32_t* column, int32_t* row);
// n at or beyond the view's height blanks the whole view and puts the
// cursor on its top row.
void console_scroll_view(int32_t n);

// Puts the colours, the colour table and the view area back to their state
// at load (for tests).
void console_device_reset();
