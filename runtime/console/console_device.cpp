// The console device: the colour pair and its table, the view area and the
// screen geometry, the cursor, clearing, and scrolling the view area.
#include "runtime/console/console_device.h"

#include "platform/platform.h"
#include "runtime/console/print_column.h"
#include "runtime/core/console_output.h"
#include "runtime/core/runtime.h"

namespace {

constexpr int32_t INITIAL_FOREGROUND = 7;
constexpr int32_t INITIAL_BACKGROUND = 0;
// What a handle that is not a console is taken to report.
constexpr platform::WORD FALLBACK_ATTRIBUTE = 0x07;
// The one mode besides CONSOLE_CLEAR_DEFAULT that clears only the view area.
constexpr int32_t CLEAR_VIEW = 1;

// The device's own state: the colour pair, the colour table and the view area.
struct ConsoleDeviceState {
    int32_t foreground;   // attribute nibble
    int32_t background;   // attribute nibble
    ColourTable colours;  // what console_color maps colour numbers through
    ViewArea view;        // 0-based; -1 while unresolved
};

ConsoleDeviceState initial_state() {
    ConsoleDeviceState state{};
    state.foreground = INITIAL_FOREGROUND;
    state.background = INITIAL_BACKGROUND;
    for (int32_t i = 0; i < 16; ++i) state.colours.entries[i] = i;
    state.view = ViewArea{-1, -1};
    return state;
}

ConsoleDeviceState console_device_state = initial_state();

// One screen buffer query, with a defined answer when the handle is not a
// console: the platform then writes nothing, so the record reads as an
// empty buffer with the cursor at the top left and the attribute 0x07 (the
// cursor queries report row 1, column 1 and the print column starts at 0).
bool console_buffer_info(platform::CONSOLE_SCREEN_BUFFER_INFO* info) {
    *info = platform::CONSOLE_SCREEN_BUFFER_INFO{};
    if (platform::GetConsoleScreenBufferInfo(console_output, info) != platform::FALSE) return true;
    *info = platform::CONSOLE_SCREEN_BUFFER_INFO{};
    info->wAttributes = FALLBACK_ATTRIBUTE;
    return false;
}

// A 1-based row or column as the platform's 16-bit coordinate. Values beyond
// 16 bits wrap, as the console's own coordinate fields do.
platform::SHORT console_coordinate(int64_t one_based) {
    return static_cast<platform::SHORT>(static_cast<uint16_t>(one_based - 1));
}

// Cells in rows of the given width, for the fill functions: 0 for an empty
// area, kept within a DWORD.
platform::DWORD console_cell_count(int64_t width, int64_t rows) {
    if (width <= 0 || rows <= 0) return 0;
    int64_t cells = width * rows;
    return cells > int64_t{UINT32_MAX} ? UINT32_MAX : static_cast<platform::DWORD>(cells);
}

void fill_blank(platform::DWORD cells, platform::COORD start, platform::WORD attribute) {
    platform::DWORD written = 0;
    platform::FillConsoleOutputAttribute(console_output, attribute, cells, start, &written);
    platform::FillConsoleOutputCharacterA(console_output, ' ', cells, start, &written);
}

}  // namespace

void console_device_reset() { console_device_state = initial_state(); }

int32_t console_color(int32_t foreground, int32_t background) {
    ConsoleDeviceState& state = console_device_state;
    auto previous = static_cast<uint32_t>(state.background) * 65536u + static_cast<uint32_t>(state.foreground);
    if (foreground >= 0) state.foreground = state.colours.entries[foreground & 15];
    if (background >= 0) state.background = state.colours.entries[background & 15];
    // Also with both arguments left out: this is what first imposes the
    // stored pair on the console.
    auto attribute = static_cast<uint32_t>(state.foreground) + 16u * static_cast<uint32_t>(state.background);
    platform::SetConsoleTextAttribute(console_output, static_cast<platform::WORD>(attribute & 0xFFFFu));
    return static_cast<int32_t>(previous);
}

uint16_t console_current_attribute() {
    platform::CONSOLE_SCREEN_BUFFER_INFO info;
    console_buffer_info(&info);
    return info.wAttributes;
}

int32_t console_screen_height() {
    platform::COORD largest = platform::GetLargestConsoleWindowSize(console_output);
    // A negative row count is no more meaningful than a failed query's 0.
    int32_t rows = largest.Y > 0 ? largest.Y : 0;
    return rows + 1;
}

void console_get_view(int32_t* top, int32_t* bottom) {
    ViewArea& view = console_device_state.view;
    // Resolved once: a later change of the largest window leaves it.
    if (view.top == -1) view.top = 0;
    if (view.bottom == -1) view.bottom = console_screen_height() - 1;
    if (top != nullptr) *top = view.top + 1;
    if (bottom != nullptr) *bottom = view.bottom + 1;
}

void console_get_size(int32_t* width, int32_t* view_height) {
    if (width != nullptr) {
        platform::CONSOLE_SCREEN_BUFFER_INFO info;
        bool answered = console_buffer_info(&info);
        // Every caller divides by the width: a console that reports none
        // counts as one that cannot be asked.
        *width = answered && info.dwSize.X > 0 ? info.dwSize.X : CONSOLE_FALLBACK_WIDTH;
    }
    if (view_height != nullptr) {
        int32_t top = 0;
        int32_t bottom = 0;
        console_get_view(&top, &bottom);
        *view_height = bottom - top + 1;
    }
}

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

    // Every move resets the console's print column to the column moved to. A
    // refused position leaves the cursor where it was; the print column
    // follows the request all the same.
    platform::SetConsoleCursorPosition(console_output, platform::COORD{x, y});
    print_column_set(0, x);

    int32_t packed = ((y + 1) & 0xFF) * 256 + ((x + 1) & 0xFF);
    if (cursor.bVisible != platform::FALSE) packed += 0x10000;
    return packed;
}

void console_clear(int32_t mode) {
    // The console's own attribute, not the stored pair: before the first
    // console_color the two differ.
    platform::CONSOLE_SCREEN_BUFFER_INFO info;
    console_buffer_info(&info);
    int32_t top = 0;
    int32_t bottom = 0;
    console_get_view(&top, &bottom);

    platform::COORD start{0, 0};
    platform::DWORD cells = 0;
    if (mode == CLEAR_VIEW || mode == CONSOLE_CLEAR_DEFAULT) {
        start.Y = console_coordinate(top);
        cells = console_cell_count(info.dwSize.X, int64_t{bottom} - top + 1);
    } else {
        cells = console_cell_count(info.dwSize.X, info.dwSize.Y);
    }

    fill_blank(cells, start, info.wAttributes);
    console_locate(top, 1, -1);
}

void console_scroll_view(int32_t n) {
    if (n <= 0) return;
    int32_t width = 0;
    console_get_size(&width, nullptr);
    int32_t top = 0;
    int32_t bottom = 0;
    console_get_view(&top, &bottom);
    platform::WORD attribute = console_current_attribute();

    // Scrolling by the view's height or more moves nothing into it: the whole
    // view becomes blank, and the cursor goes to its top row.
    int64_t view_height = int64_t{bottom} - top + 1;
    if (n >= view_height) {
        fill_blank(console_cell_count(width, view_height), platform::COORD{0, console_coordinate(top)}, attribute);
        console_locate(top, -1, -1);
        return;
    }

    platform::SMALL_RECT source{0, console_coordinate(int64_t{top} + n), console_coordinate(width),
                                console_coordinate(bottom)};
    platform::CHAR_INFO fill{};
    fill.Char.AsciiChar = ' ';
    fill.Attributes = attribute;
    platform::ScrollConsoleScreenBufferA(console_output, &source, nullptr, platform::COORD{0, console_coordinate(top)},
                                         &fill);
    console_locate(bottom - n + 1, -1, -1);
}
