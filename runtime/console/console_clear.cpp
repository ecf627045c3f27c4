// Clearing the view area or the whole screen buffer.
#include "platform/platform.h"
#include "runtime/console/console_buffer_info.h"
#include "runtime/console/console_device.h"
#include "runtime/core/runtime.h"

namespace {

constexpr int32_t CLEAR_VIEW = 1;

}  // namespace

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

    platform::DWORD written = 0;
    platform::FillConsoleOutputAttribute(console_output, info.wAttributes, cells, start, &written);
    platform::FillConsoleOutputCharacterA(console_output, ' ', cells, start, &written);
    console_locate(top, 1, -1);
}
