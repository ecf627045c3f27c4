// The process's one console: what standard output is, its screen buffer,
// and what tests inject. Every console function of the platform works on
// this record.
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

// Faults tests inject into the console functions.
struct ConsoleFaults {
    bool buffer_info_fails;         // GetConsoleScreenBufferInfo reports failure
    int64_t write_limit;            // WriteFile writes at most this many bytes a call; -1: no limit
    int32_t writes_before_refusal;  // WriteFile refuses once this many calls succeeded; -1: never
};

// Calls made, for tests that count them.
struct ConsoleCounters {
    uint32_t buffer_info;
    uint32_t fill_attribute;
    uint32_t fill_character;
    uint32_t set_text_attribute;
    uint32_t get_cursor_info;
    uint32_t set_cursor_info;
    uint32_t set_cursor_position;
    uint32_t scroll;
    uint32_t largest_window;
    uint32_t get_mode;
    uint32_t set_mode;
    uint32_t write_file;
    uint32_t sleep;
    uint64_t slept_ms;
};

struct ConsoleState {
    ConsoleMode mode;            // what standard output and input are
    ScreenBuffer screen;         // the console's contents, cursor, attribute, mode; no cells as a file
    ConsoleFaults faults;        // injected by tests
    ConsoleCounters counters;    // kept for tests
    platform::DWORD last_error;  // GetLastError
    // Where WriteFile's bytes go when standard output is not a console: the
    // file descriptor by default, a capture in tests. False when the output is gone.
    bool (*file_write)(const uint8_t* bytes, std::size_t length);
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
