// The screen buffer query behind every geometry and attribute question of
// the device, and the conversion to the platform's coordinates.
#include "runtime/console/console_buffer_info.h"

#include "runtime/core/runtime.h"

namespace {
constexpr platform::WORD FALLBACK_ATTRIBUTE = 0x07;
}  // namespace

bool console_buffer_info(platform::CONSOLE_SCREEN_BUFFER_INFO* info) {
    *info = platform::CONSOLE_SCREEN_BUFFER_INFO{};
    if (platform::GetConsoleScreenBufferInfo(console_output, info) != platform::FALSE) return true;
    *info = platform::CONSOLE_SCREEN_BUFFER_INFO{};
    info->wAttributes = FALLBACK_ATTRIBUTE;
    return false;
}

platform::SHORT console_coordinate(int64_t one_based) {
    return static_cast<platform::SHORT>(static_cast<uint16_t>(one_based - 1));
}

platform::DWORD console_cell_count(int64_t width, int64_t rows) {
    if (width <= 0 || rows <= 0) return 0;
    int64_t cells = width * rows;
    return cells > int64_t{UINT32_MAX} ? UINT32_MAX : static_cast<platform::DWORD>(cells);
}
