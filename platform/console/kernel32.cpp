// The kernel32 functions: the console functions on the console output
// handle, answered by the screen buffer model, and GetStdHandle,
// GetLastError and Sleep. On any other handle, or when standard output is
// not a console, they fail with ERROR_INVALID_HANDLE as on a redirected
// handle; WriteFile then writes plain bytes to standard output.
#include <algorithm>

#include "platform/console/console_state.h"
#include "platform/terminal/terminal_session.h"

namespace platform {
namespace {

constexpr DWORD OUTPUT_MODE_BITS = 0x1F;

BOOL fail(DWORD error) {
    platform_console.last_error = error;
    return FALSE;
}

// The model behind a console handle, or null (last error set) for any other.
ScreenBuffer* screen_of(HANDLE console) {
    console_state_setup();
    if (!console_is_output(console) || !console_is_console()) {
        platform_console.last_error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return &platform_console.screen;
}

void report(DWORD* written, DWORD count) {
    if (written != nullptr) *written = count;
}

// How much of a call goes ahead: all it asks, unless a test's hook grants
// less (-1: the call fails).
int64_t granted(ConsoleCall call, int64_t asked) {
    return platform_console.hook == nullptr ? asked : platform_console.hook(call, asked);
}

// Writes `count` of the bytes (-1: none, the call fails).
BOOL write_console(ScreenBuffer* screen, const void* bytes, int64_t count, DWORD* written) {
    if (count < 0) {
        report(written, 0);
        return fail(ERROR_INVALID_HANDLE);
    }
    report(written, screen_write(screen, static_cast<const uint8_t*>(bytes), static_cast<DWORD>(count)));
    return TRUE;
}

BOOL write_file(const void* bytes, DWORD length, DWORD* written) {
    if (!platform_console.file_write(static_cast<const uint8_t*>(bytes), length)) {
        report(written, 0);
        return fail(ERROR_NO_DATA);
    }
    report(written, length);
    return TRUE;
}

}  // namespace

BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info) {
    bool refused = granted(CONSOLE_CALL_BUFFER_INFO, 0) < 0;
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    if (refused) return fail(ERROR_INVALID_HANDLE);
    auto width = static_cast<SHORT>(screen->width);
    auto height = static_cast<SHORT>(screen->height);
    info->dwSize = COORD{width, height};
    info->dwCursorPosition = COORD{static_cast<SHORT>(screen->cursor_x), static_cast<SHORT>(screen->cursor_y)};
    info->wAttributes = screen->attribute;
    info->srWindow = SMALL_RECT{static_cast<SHORT>(screen->window_x), static_cast<SHORT>(screen->window_y),
                                static_cast<SHORT>(screen->window_x + screen->window_width - 1),
                                static_cast<SHORT>(screen->window_y + screen->window_height - 1)};
    // The largest window this buffer can have on this display.
    info->dwMaximumWindowSize = COORD{std::min(width, screen->largest.X), std::min(height, screen->largest.Y)};
    return TRUE;
}

BOOL FillConsoleOutputAttribute(HANDLE console, WORD attribute, DWORD length, COORD start, DWORD* written) {
    granted(CONSOLE_CALL_FILL_ATTRIBUTE, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    report(written, screen_fill_attribute(screen, attribute, length, start.X, start.Y));
    return TRUE;
}

BOOL FillConsoleOutputCharacterA(HANDLE console, char character, DWORD length, COORD start, DWORD* written) {
    granted(CONSOLE_CALL_FILL_CHARACTER, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    report(written, screen_fill_character(screen, static_cast<uint8_t>(character), length, start.X, start.Y));
    return TRUE;
}

BOOL SetConsoleTextAttribute(HANDLE console, WORD attribute) {
    granted(CONSOLE_CALL_SET_TEXT_ATTRIBUTE, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    screen_set_attribute(screen, attribute);
    return TRUE;
}

BOOL GetConsoleCursorInfo(HANDLE console, CONSOLE_CURSOR_INFO* info) {
    granted(CONSOLE_CALL_GET_CURSOR_INFO, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    info->dwSize = screen->cursor_size;
    info->bVisible = screen->cursor_visible ? TRUE : FALSE;
    return TRUE;
}

BOOL SetConsoleCursorInfo(HANDLE console, const CONSOLE_CURSOR_INFO* info) {
    granted(CONSOLE_CALL_SET_CURSOR_INFO, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    if (info->dwSize < 1 || info->dwSize > 100) return fail(ERROR_INVALID_PARAMETER);
    screen_set_cursor_info(screen, info->dwSize, info->bVisible != FALSE);
    return TRUE;
}

BOOL SetConsoleCursorPosition(HANDLE console, COORD position) {
    granted(CONSOLE_CALL_SET_CURSOR_POSITION, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    if (!screen_set_cursor(screen, position.X, position.Y)) return fail(ERROR_INVALID_PARAMETER);
    return TRUE;
}

BOOL ScrollConsoleScreenBufferA(HANDLE console, const SMALL_RECT* scroll, const SMALL_RECT* clip, COORD destination,
                                const CHAR_INFO* fill) {
    granted(CONSOLE_CALL_SCROLL, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    auto fill_ch = static_cast<uint8_t>(fill->Char.AsciiChar);
    if (!screen_scroll(screen, *scroll, clip, destination, fill_ch, fill->Attributes)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    return TRUE;
}

COORD GetLargestConsoleWindowSize(HANDLE console) {
    granted(CONSOLE_CALL_LARGEST_WINDOW, 0);
    if (screen_of(console) == nullptr) return COORD{0, 0};
    return platform_console.screen.largest;
}

BOOL GetConsoleMode(HANDLE console, DWORD* mode) {
    granted(CONSOLE_CALL_GET_MODE, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    *mode = screen->mode;
    return TRUE;
}

BOOL SetConsoleMode(HANDLE console, DWORD mode) {
    granted(CONSOLE_CALL_SET_MODE, 0);
    ScreenBuffer* screen = screen_of(console);
    if (screen == nullptr) return FALSE;
    if ((mode & ~OUTPUT_MODE_BITS) != 0) return fail(ERROR_INVALID_PARAMETER);
    screen_set_mode(screen, mode);
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void* bytes, DWORD length, DWORD* written, void* overlapped) {
    (void)overlapped;
    int64_t count = std::min<int64_t>(granted(CONSOLE_CALL_WRITE_FILE, length), length);
    console_state_setup();
    if (!console_is_output(file)) {
        report(written, 0);
        return fail(ERROR_INVALID_HANDLE);
    }
    if (console_is_console()) return write_console(&platform_console.screen, bytes, count, written);
    return write_file(bytes, length, written);
}

HANDLE GetStdHandle(DWORD which) {
    console_state_setup();
    return console_std_handle(which);
}

DWORD GetLastError() { return platform_console.last_error; }

// The terminal is brought in line with the model before the thread waits,
// then the whole time is slept.
void Sleep(DWORD milliseconds) {
    console_state_setup();
    if (console_is_console()) terminal_present(&platform_console.screen);
    terminal_io().sleep_ms(milliseconds);
}

}  // namespace platform
