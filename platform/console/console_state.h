// The process's one console: its screen buffer, its terminal end and what
// tests inject. Every console function of the platform works on this record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "platform/model/screen_buffer.h"
#include "platform/terminal/terminal_io.h"

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
    bool ready;                  // set up: at the first GetStdHandle, or by a test
    bool is_console;             // standard output is this console, not a file or pipe
    bool has_terminal;           // io is connected: the screen is shown and keys are read there
    bool keyboard;               // a keyboard exists (a terminal to read keys from)
    bool input_is_console;       // standard input is the console: fgets edits a line with echo
    ScreenBuffer screen;         // the console's contents, cursor, attribute, mode
    platform::COORD largest;     // what GetLargestConsoleWindowSize reports
    TerminalIo io;               // the terminal end; now_ms and sleep_ms are always set
    ConsoleFaults faults;        // injected by tests
    ConsoleCounters counters;    // kept for tests
    platform::DWORD last_error;  // GetLastError
    // Where WriteFile's bytes go when standard output is not a console: the
    // file descriptor by default, a capture in tests. False when the output is gone.
    bool (*file_write)(const uint8_t* bytes, std::size_t length);
};

extern ConsoleState platform_console;

// The handles GetStdHandle gives out.
platform::HANDLE console_std_handle(platform::DWORD which);
bool console_is_output(platform::HANDLE handle);

// Sets the console up once: a console on the terminal when standard output
// is one (and TERM is not "dumb"), otherwise a file handle.
void console_state_setup();

// --- the terminal side (terminal_*.cpp, keyboard.cpp) ------------------------

// Connects the real terminal: raw mode, signal handlers, the size, the
// restoring at exit. False when it cannot be had; the console then acts as
// a file.
bool terminal_open();

// Forgets all terminal-side state (what the terminal shows, keys decoded,
// the line being edited), for a fresh console in tests.
void terminal_reset();

// Brings the terminal in line with the model; writes only what changed.
// Called before every wait and at exit.
void terminal_present();
