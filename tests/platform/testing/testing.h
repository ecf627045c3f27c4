// Test seams: a console of any size with a scripted terminal and a simulated
// clock, faults to inject, counts of the console functions called, and
// read-back of everything the console holds. The runtime under test takes
// the same code paths as the program; only the tests link this.
#pragma once

#include <cstdint>
#include <string>

#include "platform/console/console_state.h"
#include "platform/terminal/terminal_session.h"

// Faults tests inject into the console functions.
struct ConsoleFaults {
    bool buffer_info_fails;         // GetConsoleScreenBufferInfo reports failure
    int64_t write_limit;            // WriteFile writes at most this many bytes a call; -1: no limit
    int32_t writes_before_refusal;  // WriteFile on the console refuses once this many calls succeeded; -1: never
};

// Calls made, for tests that count them.
struct ConsoleCounters {
    uint32_t calls[CONSOLE_CALL_COUNT];  // each console function's calls, by ConsoleCall
    uint32_t sleep;                      // calls of Sleep
    uint64_t slept_ms;                   // and the milliseconds they asked for
};

// The seam's hold on the console functions: what it injects and what it
// counts. Cleared with every fresh console.
struct ConsoleHooks {
    ConsoleFaults faults;
    ConsoleCounters counters;
    bool terminal_write_fails;  // the scripted terminal takes half of each write, then reports an error
};

// Standard output becomes a fresh console of the given size: blank cells in
// attribute 0x07, cursor at the top left and visible, mode processed + wrap,
// largest window = the size, faults and counters cleared, no typed input, a
// keyboard present, the clock at 0, a terminal that answers where its cursor is. Nothing reaches the real terminal. The
// blocks the console held before are given back first.
void testing_console_create(int32_t width, int32_t height);

// Standard output becomes a console on a terminal of the given size, as
// the program sets it up: a buffer of at least 80 x 25, the window the
// terminal's size.
void testing_console_on_terminal(int32_t columns, int32_t rows);

// The terminal takes a new size, as SIGWINCH tells: the console follows at
// the next present.
void testing_terminal_resize(int32_t columns, int32_t rows);
// The terminal took a new size while the program was stopped, and the
// program is resumed: SIGCONT comes, but no SIGWINCH.
void testing_terminal_resume(int32_t columns, int32_t rows);

// Gives back every block the console holds: its cells, the renderer's front
// copy and frame, the line being edited, the history. The console has no
// cells afterwards; testing_console_create makes a new one.
void testing_console_destroy();

// Standard output becomes a file (a pipe): the console functions fail and
// WriteFile's bytes are captured (testing_file_output). No keyboard.
void testing_console_redirect();

// What GetLargestConsoleWindowSize reports from now on.
void testing_console_set_largest(int32_t columns, int32_t rows);
// With a keyboard the console edits lines; without one it has none at all.
void testing_console_set_keyboard(bool present);

// Typed bytes, as the terminal would deliver them (UTF-8 text, escape
// sequences for special keys), available from now on.
void testing_type(const std::string& bytes);
// The same, becoming available once the simulated clock reaches at_ms.
void testing_type_at(uint64_t at_ms, const std::string& bytes);
// Typed input ends after what has been typed (Ctrl+D at the terminal's end).
void testing_end_input();
// The scripted terminal stops answering the question where its cursor is,
// which by default it answers at once, the cursor on row 1, column 1:
// answers are typed by the test, or none comes.
void testing_terminal_silent();

// The simulated clock, in milliseconds.
uint64_t testing_now_ms();

// The console record the platform works on, for a test to look into.
ConsoleState& testing_console();
// The faults injected into the console functions and their counts.
ConsoleHooks& testing_hooks();
// The characters of a 0-based row, as bytes.
std::string testing_row_text(int32_t row);
// What the scripted terminal received (render output).
std::string& testing_terminal_output();
// What WriteFile wrote while standard output was redirected.
std::string& testing_file_output();
