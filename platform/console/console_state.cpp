// Set-up of the process's console: a console on the terminal when standard
// output is one, otherwise a plain file handle.
#include "platform/console/console_state.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/terminal/terminal_session.h"

ConsoleState platform_console;

namespace {

// Standard output when it is a file or a pipe.
struct PlainOutput {
    uint8_t last_byte = '\n';  // the last byte written, '\n' before any
    bool failed = false;       // a write failed: the run is ending, nothing more is written
};

PlainOutput plain_output;

// The program's name, which its messages on standard error begin with.
constexpr char PROGRAM_NAME[] = "portata";

// Standard output cannot take the program's text. A reader that went
// away (the other end of a pipe closed, as `head` does) chose to stop
// reading: nothing is said and the status is 0, as ripgrep and bat do. Any
// other failure (a full disk, a descriptor closed or opened for reading) is
// said on standard error, as cat and printf say it, and the status is 1.
int stdout_failure_status(int error) {
    plain_output.failed = true;
    if (error == EPIPE) return 0;
    char message[160];
    int length = std::snprintf(message, sizeof message, "%s: cannot write the output: %s\n", PROGRAM_NAME,
                               std::strerror(error != 0 ? error : EIO));
    auto count = std::min(static_cast<std::size_t>(std::max(length, 0)), sizeof message - 1);
    terminal_write_all(STDERR_FILENO, reinterpret_cast<const uint8_t*>(message), count);
    return 1;
}

// Nothing the program does after a failed write could be seen: the run
// ends at once.
bool stdout_write(const uint8_t* bytes, std::size_t length) {
    if (plain_output.failed) return false;
    if (length > 0) plain_output.last_byte = bytes[length - 1];
    errno = 0;
    if (!terminal_write_all(STDOUT_FILENO, bytes, length)) std::exit(stdout_failure_status(errno));
    return true;
}

// Plain-text output ends on a fresh line, so whatever follows it (a shell
// prompt, the next line of a log) does not run on from the last text. This
// runs at exit, which cannot be called again: a failure only changes the
// status.
void stdout_end_line() {
    if (plain_output.failed || plain_output.last_byte == '\n') return;
    errno = 0;
    if (!terminal_write_all(STDOUT_FILENO, reinterpret_cast<const uint8_t*>("\n"), 1)) {
        std::_Exit(stdout_failure_status(errno));
    }
}

// At exit: the last frame, then the terminal back to the shell.
void console_close() { terminal_close(&platform_console.screen); }

// At exit, on a terminal not drawn on: only its modes back to the shell.
void keys_close() { terminal_close(nullptr); }

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
    // A reader that went away shows as a failed write (stdout_failed)
    // instead of a signal that kills the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::atexit(stdout_end_line);
    // A terminal that is written to as a file still has a keyboard: a wait
    // for a key waits for one, as the text asks.
    if (isatty(STDOUT_FILENO) != 0 && terminal_open_keys()) {
        console.mode = CONSOLE_FILE_KEYBOARD;
        std::atexit(keys_close);
    }
}

bool console_is_console() { return platform_console.mode >= CONSOLE_SCREEN; }

bool console_has_keyboard() {
    return platform_console.mode == CONSOLE_FILE_KEYBOARD || platform_console.mode >= CONSOLE_KEYBOARD;
}

bool console_line_input() { return platform_console.mode == CONSOLE_LINE_INPUT; }

platform::HANDLE console_std_handle(platform::DWORD which) {
    if (which == platform::STD_INPUT_HANDLE) return &std_handles[0];
    if (which == platform::STD_OUTPUT_HANDLE) return &std_handles[1];
    if (which == platform::STD_ERROR_HANDLE) return &std_handles[2];
    return platform::INVALID_HANDLE_VALUE;
}

bool console_is_output(platform::HANDLE handle) { return handle == &std_handles[1]; }
