// The view area and the screen geometry: the band of rows inside which text
// output scrolls, the screen height it is resolved from, and the width.
#include "platform/platform.h"
#include "runtime/console/console_buffer_info.h"
#include "runtime/console/console_device.h"
#include "runtime/console/console_device_state.h"
#include "runtime/core/runtime.h"

namespace {
constexpr int32_t FALLBACK_WIDTH = 80;
}  // namespace

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
        *width = answered && info.dwSize.X > 0 ? info.dwSize.X : FALLBACK_WIDTH;
    }
    if (view_height != nullptr) {
        int32_t top = 0;
        int32_t bottom = 0;
        console_get_view(&top, &bottom);
        *view_height = bottom - top + 1;
    }
}
