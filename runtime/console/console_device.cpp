// The colour pair and the colour table, and the device state's reset.
#include "runtime/console/console_device.h"

#include "platform/platform.h"
#include "runtime/console/console_buffer_info.h"
#include "runtime/console/console_device_state.h"
#include "runtime/core/runtime.h"

namespace {

constexpr int32_t INITIAL_FOREGROUND = 7;
constexpr int32_t INITIAL_BACKGROUND = 0;

ConsoleDeviceState initial_state() {
    ConsoleDeviceState state{};
    state.foreground = INITIAL_FOREGROUND;
    state.background = INITIAL_BACKGROUND;
    for (int32_t i = 0; i < 16; ++i) state.colours.entries[i] = i;
    state.view = ViewArea{-1, -1};
    return state;
}

}  // namespace

ConsoleDeviceState console_device_state = initial_state();

void console_device_reset() { console_device_state = initial_state(); }

int32_t console_color(int32_t foreground, int32_t background) {
    ConsoleDeviceState& state = console_device_state;
    auto previous = static_cast<uint32_t>(state.background) * 65536u +
                    static_cast<uint32_t>(state.foreground);
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
