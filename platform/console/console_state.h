// The process's one console: what standard output is and its screen
// buffer. Every console function of the platform works on this record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/model/screen_buffer.h"
#include "platform/platform.h"

// What the console is, set up once at the first GetStdHandle (or by a
// test). From CONSOLE_SCREEN on, each mode has everything the one before
// it has.
enum ConsoleMode : uint8_t {
    CONSOLE_NOT_SET_UP,     // nothing asked yet
    CONSOLE_FILE,           // standard output is a file or a pipe: console functions fail, WriteFile writes bytes
    CONSOLE_FILE_KEYBOARD,  // as a file, on a terminal not drawn on (TERM=dumb); keys come from that terminal
    CONSOLE_SCREEN,         // standard output is a terminal showing the screen buffer; no keyboard
    CONSOLE_KEYBOARD,       // and keys come from the controlling terminal, standard input being elsewhere
    CONSOLE_LINE_INPUT,     // and standard input is that terminal: fgets edits a line with echo
};

// The console functions on the console output handle, as a hook is told
// of them.
enum ConsoleCall : uint8_t {
    CONSOLE_CALL_BUFFER_INFO,
    CONSOLE_CALL_FILL_ATTRIBUTE,
    CONSOLE_CALL_FILL_CHARACTER,
    CONSOLE_CALL_SET_TEXT_ATTRIBUTE,
    CONSOLE_CALL_GET_CURSOR_INFO,
    CONSOLE_CALL_SET_CURSOR_INFO,
    CONSOLE_CALL_SET_CURSOR_POSITION,
    CONSOLE_CALL_SCROLL,
    CONSOLE_CALL_LARGEST_WINDOW,
    CONSOLE_CALL_GET_MODE,
    CONSOLE_CALL_SET_MODE,
    CONSOLE_CALL_WRITE_FILE,
    CONSOLE_CALL_COUNT,  // how many there are
};

struct ConsoleState {
    ConsoleMode mode;            // what standard output and input are
    ScreenBuffer screen;         // the console's contents, cursor, attribute, mode; no cells as a file
    platform::DWORD last_error;  // GetLastError
    // Where WriteFile's bytes go when standard output is not a console: the
    // file descriptor by default, a capture in tests. False when the output is gone.
    bool (*file_write)(const uint8_t* bytes, std::size_t length);
    // A test's hook, none in the program: told of each console function as
    // it starts, with what it asks for (WriteFile's bytes, otherwise 0), it
    // answers how much of it goes ahead. WriteFile on the console writes
    // that many bytes, and it and GetConsoleScreenBufferInfo fail on -1.
    int64_t (*hook)(ConsoleCall call, int64_t asked);
};

extern ConsoleState platform_console;

// Sets the console up once: a console on the terminal when standard output
// is one (and TERM is not "dumb") and the terminal can be had, otherwise a
// file handle, with keys from the terminal when standard output is one.
void console_state_setup();

// Standard output is the console (a terminal shows its screen buffer).
bool console_is_console();
// Keys can come from a keyboard (the controlling terminal).
bool console_has_keyboard();
// Standard input is the console's keyboard: fgets edits a line with echo.
bool console_line_input();

// The handle GetStdHandle gives out for STD_INPUT_HANDLE, STD_OUTPUT_HANDLE
// or STD_ERROR_HANDLE; INVALID_HANDLE_VALUE for anything else.
platform::HANDLE console_std_handle(platform::DWORD which);
// The handle is the console output handle.
bool console_is_output(platform::HANDLE handle);
