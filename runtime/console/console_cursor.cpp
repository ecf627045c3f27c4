// The cursor: where it is, moving it, showing and hiding it. Every move
// also resets the console's print column to the column moved to.
#include "platform/platform.h"
#include "runtime/console/console_buffer_info.h"
#include "runtime/console/console_device.h"
#include "runtime/console/print_column.h"
#include "runtime/core/runtime.h"

int32_t console_cursor_row() {
    platform::CONSOLE_SCREEN_BUFFER_INFO info;
    console_buffer_info(&info);
    return info.dwCursorPosition.Y + 1;
}

int32_t console_cursor_col() {
    platform::CONSOLE_SCREEN_BUFFER_INFO info;
    console_buffer_info(&info);
    return info.dwCursorPosition.X + 1;
}

void console_get_cursor(int32_t* column, int32_t* row) {
    platform::CONSOLE_SCREEN_BUFFER_INFO info;
    console_buffer_info(&info);
    if (column != nullptr) *column = info.dwCursorPosition.X + 1;
    if (row != nullptr) *row = info.dwCursorPosition.Y + 1;
}

int32_t console_locate(int32_t row, int32_t column, int32_t visibility) {
    if (column < 1) column = console_cursor_col();
    platform::SHORT x = console_coordinate(column);
    if (row < 1) row = console_cursor_row();
    platform::SHORT y = console_coordinate(row);

    // A handle that is not a console leaves the record as it is: hidden.
    platform::CONSOLE_CURSOR_INFO cursor{};
    platform::GetConsoleCursorInfo(console_output, &cursor);
    if (visibility >= 0) {
        cursor.bVisible = visibility != 0 ? platform::TRUE : platform::FALSE;
        platform::SetConsoleCursorInfo(console_output, &cursor);
    }

    // A refused position leaves the cursor where it was; the print column
    // follows the request all the same.
    platform::SetConsoleCursorPosition(console_output, platform::COORD{x, y});
    print_column_set(0, x);

    int32_t packed = ((y + 1) & 0xFF) * 256 + ((x + 1) & 0xFF);
    if (cursor.bVisible != platform::FALSE) packed += 0x10000;
    return packed;
}
