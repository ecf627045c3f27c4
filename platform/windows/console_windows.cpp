// GetStdHandle on Windows, and the console set up for the runtime the first
// time standard output is asked for.
//
// Windows Terminal and every other ConPTY host start a program with
// ENABLE_VIRTUAL_TERMINAL_PROCESSING on, which brings the terminal's delayed
// wrap: a write that fills the last column leaves the cursor on that column
// instead of the next row, where the runtime's arithmetic expects it. The
// flag and DISABLE_NEWLINE_AUTO_RETURN are cleared, and the screen buffer
// grown to 80x25 where the console allows it (conhost does; ConPTY keeps the
// buffer at its window's size). The console is shared with the shell that
// started the program, so both are put back on every way out: a normal exit,
// and Ctrl+C, Ctrl+Break or the window closing, after which the default
// action (ending the process) goes on.
#include "platform/platform.h"

#include <atomic>
#include <cstdlib>

namespace platform {
namespace {

// The output modes of a virtual-terminal console; the values of the
// ENABLE_VIRTUAL_TERMINAL_PROCESSING and DISABLE_NEWLINE_AUTO_RETURN macros,
// which older headers lack.
constexpr DWORD VIRTUAL_TERMINAL_MODES = 0x0004 | 0x0008;
// The screen the runtime draws.
constexpr SHORT SCREEN_COLUMNS = 80;
constexpr SHORT SCREEN_ROWS = 25;

struct ConsoleSetUp {
    bool started;         // standard output has been asked for once
    HANDLE output;        // the console screen buffer that was changed
    DWORD original_mode;  // its output mode before, when mode_changed
    COORD original_size;  // its size before, when size_changed
    bool mode_changed;
    bool size_changed;
    // Set by the first restore: exit and the control handler's thread may
    // both get there.
    std::atomic<bool> restored;
};

ConsoleSetUp console_set_up;

void console_restore() {
    if (console_set_up.restored.exchange(true)) return;
    if (console_set_up.size_changed) SetConsoleScreenBufferSize(console_set_up.output, console_set_up.original_size);
    if (console_set_up.mode_changed) SetConsoleMode(console_set_up.output, console_set_up.original_mode);
}

// Runs on a thread of its own; FALSE passes the event on to the default
// handler, which ends the process.
BOOL WINAPI console_on_control(DWORD) {
    console_restore();
    return FALSE;
}

void console_clear_virtual_terminal(HANDLE output) {
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode) == FALSE || (mode & VIRTUAL_TERMINAL_MODES) == 0) return;
    if (SetConsoleMode(output, mode & ~VIRTUAL_TERMINAL_MODES) == FALSE) return;
    console_set_up.original_mode = mode;
    console_set_up.mode_changed = true;
}

void console_grow_buffer(HANDLE output) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(output, &info) == FALSE) return;
    if (info.dwSize.X >= SCREEN_COLUMNS && info.dwSize.Y >= SCREEN_ROWS) return;
    COORD size{info.dwSize.X < SCREEN_COLUMNS ? SCREEN_COLUMNS : info.dwSize.X,
               info.dwSize.Y < SCREEN_ROWS ? SCREEN_ROWS : info.dwSize.Y};
    if (SetConsoleScreenBufferSize(output, size) == FALSE) return;
    console_set_up.original_size = info.dwSize;
    console_set_up.size_changed = true;
}

void console_start(HANDLE output) {
    console_set_up.started = true;
    // Not a console (a file, a pipe, no handle): nothing to set up.
    DWORD mode = 0;
    if (output == nullptr || output == INVALID_HANDLE_VALUE || GetConsoleMode(output, &mode) == FALSE) return;
    console_set_up.output = output;
    console_clear_virtual_terminal(output);
    console_grow_buffer(output);
    if (!console_set_up.mode_changed && !console_set_up.size_changed) return;
    SetConsoleCtrlHandler(console_on_control, TRUE);
    std::atexit(console_restore);
}

}  // namespace

HANDLE GetStdHandle(DWORD which) {
    HANDLE handle = ::GetStdHandle(which);
    if (which == STD_OUTPUT_HANDLE && !console_set_up.started) console_start(handle);
    return handle;
}

}  // namespace platform
