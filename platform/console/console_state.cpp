// Set-up of the process's console: a console on the terminal when standard
// output is one, otherwise a plain file handle.
#include "platform/console/console_state.h"

#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/terminal/terminal_session.h"

ConsoleState platform_console;

namespace {

// The last byte written to a redirected standard output, '\n' before any.
uint8_t stdout_last_byte = '\n';

bool stdout_write(const uint8_t* bytes, std::size_t length) {
    if (length > 0) stdout_last_byte = bytes[length - 1];
    return terminal_write_all(STDOUT_FILENO, bytes, length);
}

// Plain-text output ends on a fresh line, so whatever follows it (a shell
// prompt, the next line of a log) does not run on from the last text.
void stdout_end_line() {
    if (stdout_last_byte != '\n') stdout_write(reinterpret_cast<const uint8_t*>("\n"), 1);
}

// At exit: the last frame, then the terminal back to the shell.
void console_close() { terminal_close(&platform_console.screen); }

bool terminal_wanted() {
    if (isatty(STDOUT_FILENO) == 0) return false;
    const char* term = std::getenv("TERM");
    return term == nullptr || std::strcmp(term, "dumb") != 0;
}

ConsoleMode mode_found(const TerminalFound& found) {
    if (found.input_is_keyboard) return CONSOLE_LINE_INPUT;
    return found.keyboard ? CONSOLE_KEYBOARD : CONSOLE_SCREEN;
}

// A console on the terminal, when it and the cells of its screen buffer
// can be had.
bool console_on_terminal(ConsoleState* console) {
    TerminalFound found{};
    if (!terminal_wanted() || !terminal_open(&found)) return false;
    // The buffer holds at least the screen the program lays out; the
    // terminal shows a window onto it.
    int32_t width = std::max(found.columns, SCREEN_DEFAULT_WIDTH);
    int32_t height = std::max(found.rows, SCREEN_DEFAULT_HEIGHT);
    if (!screen_init(&console->screen, width, height)) {
        terminal_close(nullptr);
        return false;
    }
    screen_fit_terminal(&console->screen, found.columns, found.rows);
    console->mode = mode_found(found);
    std::atexit(console_close);
    return true;
}

int std_handles[3];

}  // namespace

void console_state_setup() {
    ConsoleState& console = platform_console;
    if (console.mode != CONSOLE_NOT_SET_UP) return;
    console.mode = CONSOLE_FILE;
    console.file_write = stdout_write;
    if (console_on_terminal(&console)) return;
    // A reader that went away makes WriteFile fail instead of killing the
    // process.
    std::signal(SIGPIPE, SIG_IGN);
    std::atexit(stdout_end_line);
}

bool console_is_console() { return platform_console.mode >= CONSOLE_SCREEN; }

bool console_has_keyboard() { return platform_console.mode >= CONSOLE_KEYBOARD; }

bool console_line_input() { return platform_console.mode == CONSOLE_LINE_INPUT; }

platform::HANDLE console_std_handle(platform::DWORD which) {
    if (which == platform::STD_INPUT_HANDLE) return &std_handles[0];
    if (which == platform::STD_OUTPUT_HANDLE) return &std_handles[1];
    if (which == platform::STD_ERROR_HANDLE) return &std_handles[2];
    return platform::INVALID_HANDLE_VALUE;
}

bool console_is_output(platform::HANDLE handle) { return handle == &std_handles[1]; }
