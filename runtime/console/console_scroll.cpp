// Scrolling the view area up by whole rows.
#include "platform/platform.h"
#include "runtime/console/console_buffer_info.h"
#include "runtime/console/console_device.h"
#include "runtime/core/runtime.h"

namespace {

// Scrolling by the view's height or more moves nothing into it: the whole
// view becomes blank, and the cursor goes to its top row.
void blank_view(int32_t width, int32_t top, int32_t bottom, platform::WORD attribute) {
    platform::DWORD written = 0;
    platform::DWORD cells = console_cell_count(width, int64_t{bottom} - top + 1);
    platform::COORD start{0, console_coordinate(top)};
    platform::FillConsoleOutputAttribute(console_output, attribute, cells, start, &written);
    platform::FillConsoleOutputCharacterA(console_output, ' ', cells, start, &written);
    console_locate(top, -1, -1);
}

}  // namespace

void console_scroll_view(int32_t n) {
    if (n <= 0) return;
    int32_t width = 0;
    console_get_size(&width, nullptr);
    int32_t top = 0;
    int32_t bottom = 0;
    console_get_view(&top, &bottom);
    platform::WORD attribute = console_current_attribute();

    if (int64_t{n} >= int64_t{bottom} - top + 1) {
        blank_view(width, top, bottom, attribute);
        return;
    }

    platform::SMALL_RECT source{0, console_coordinate(int64_t{top} + n), console_coordinate(width),
                                console_coordinate(bottom)};
    platform::CHAR_INFO fill{};
    fill.Char.AsciiChar = ' ';
    fill.Attributes = attribute;
    platform::ScrollConsoleScreenBufferA(console_output, &source, nullptr,
                                         platform::COORD{0, console_coordinate(top)}, &fill);
    console_locate(bottom - n + 1, -1, -1);
}
