// Each write reads the width, the view and the cursor afresh. When the view
// ends above the screen's last row, a text that would run past its bottom
// scrolls the view up first, and one needing as many rows as the view
// holds, or more, starts on the view's top row. A text ending in the last
// cell of the bottom row is written with the console's wrap switched off
// for that one write.
#include "runtime/console/console_write.h"

#include <cstring>

#include "platform/platform.h"
#include "runtime/console/console_device.h"
#include "runtime/core/console_output.h"
#include "runtime/core/runtime.h"

namespace {

struct WritePosition {
    int32_t width;
    int32_t top;
    int32_t bottom;
    int32_t col;
    int32_t row;
};

// Ends at the first refusal, and at a call that claims success with nothing
// written, which would otherwise never end.
void write_all(const char* text, uint32_t length) {
    uint32_t remaining = length;
    do {
        platform::DWORD written = 0;
        if (platform::WriteFile(console_output, text, remaining, &written, nullptr) == platform::FALSE) return;
        if (written == 0 || written > remaining) return;
        text += written;
        remaining -= written;
    } while (remaining > 0);
}

// The scroll for a text that wraps past the view's bottom row: the cursor's
// line moves up by as many rows as the text lacks below it.
void make_room(const WritePosition& at, int64_t last_column, PrintMask flags) {
    int64_t free_rows = int64_t{at.bottom} - at.row;
    int64_t needed = (last_column - at.width) / at.width + 1;
    if ((flags & PRINT_NEWLINE) != 0) needed += 1;
    int64_t k = needed - free_rows;
    if (k <= 0) return;
    // A text longer than the view cannot keep its first line in it: it
    // starts on the view's top row instead, and a scroll of the whole view
    // or more only blanks it.
    int64_t view_height = int64_t{at.bottom} - at.top + 1;
    if (k > view_height) k = view_height;
    int64_t row = int64_t{at.row} - k;
    if (row < at.top) row = at.top;
    console_scroll_view(static_cast<int32_t>(k));
    console_locate(static_cast<int32_t>(row), -1, -1);
}

}  // namespace

void console_write(const char* text, uint32_t length, PrintMask flags) {
    WritePosition at{};
    console_get_size(&at.width, nullptr);
    console_get_view(&at.top, &at.bottom);
    console_get_cursor(&at.col, &at.row);

    if (at.row > at.bottom && at.bottom != console_screen_height()) {
        console_scroll_view(1);
        at.row = at.bottom;
    }

    int64_t last_column = int64_t{at.col} + length - 1;
    bool mode_changed = false;
    platform::DWORD saved_mode = 0;
    if ((flags & PRINT_NEWLINE) == 0 && at.row == at.bottom && last_column == at.width) {
        platform::GetConsoleMode(console_output, &saved_mode);
        platform::SetConsoleMode(console_output, saved_mode & ~platform::ENABLE_WRAP_AT_EOL_OUTPUT);
        mode_changed = true;
    } else if (last_column > at.width && at.bottom != console_screen_height()) {
        make_room(at, last_column, flags);
    }

    write_all(text, length);

    if (mode_changed) platform::SetConsoleMode(console_output, saved_mode);
}

void console_write_z(const char* text, PrintMask flags) {
    if (text == nullptr) text = "";
    std::size_t length = std::strlen(text);
    console_write(text, length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(length), flags);
}
