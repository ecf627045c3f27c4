// The terminal session: the real terminal behind the console. It owns raw
// mode and its restoring on every way out, the terminal's file descriptors,
// its size, the signals that concern it, the clock, and the present step
// that draws a screen buffer through the renderer. It knows nothing of the
// console record: callers hand it the screen buffer to work on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/model/cp850.h"
#include "platform/model/screen_buffer.h"

// The terminal end: bytes in, bytes out, size, and the clock. The real
// terminal fills this record with functions on file descriptors; tests fill
// it with a scripted terminal and a simulated clock.
struct TerminalIo {
    // Reads up to `capacity` typed bytes, waiting at most timeout_ms
    // (-1: no limit; 0: only what is there). Returns the count, 0 when the
    // time ran out, -1 when input has ended for good.
    int64_t (*read)(uint8_t* bytes, std::size_t capacity, int32_t timeout_ms);
    // Writes every byte; false when the terminal is gone.
    bool (*write)(const uint8_t* bytes, std::size_t length);
    // The terminal's size in columns and rows; false when it cannot say.
    bool (*size)(int32_t* columns, int32_t* rows);
    // Milliseconds from an arbitrary start; never goes back.
    uint64_t (*now_ms)();
    // Sleeps the whole time.
    void (*sleep_ms)(uint32_t milliseconds);
};

// What terminal_open found.
struct TerminalFound {
    int32_t columns;  // the terminal's size, or 80 x 25 when it cannot tell
    int32_t rows;
    bool keyboard;           // a controlling terminal to read keys from
    bool input_is_keyboard;  // standard input is that terminal too
};

// Connects the terminal on standard output: the controlling terminal for
// keys, raw mode, the signal handlers, the size. False, nothing changed,
// when standard output is a terminal that cannot be written to.
bool terminal_open(TerminalFound* found);

// Connects the controlling terminal for keys alone, under a terminal that
// is written to as a file (TERM=dumb): nothing is drawn or written to it.
// Raw mode starts at the first read of keys, so that lines read before
// keep the terminal's own editing and echo. False, nothing changed,
// without a controlling terminal, or when standard output takes no writes.
bool terminal_open_keys();

// Connects a terminal end given as functions (a scripted terminal): drawn
// on as the terminal on standard output is, keys read through it, with no
// descriptors, modes or signal handlers of the process's own.
void terminal_open_io(const TerminalIo& io);

// Draws the last frame of `screen` (null: none) and hands the terminal
// back to the shell: modes, colours, a visible cursor on a fresh line, and
// unread input discarded. Nothing when the terminal was not opened.
void terminal_close(ScreenBuffer* screen);

// The terminal end in use: the real terminal's once opened; tests replace
// its functions. Its clock functions are always set.
TerminalIo& terminal_io();

// Forgets what the terminal shows and the signals recorded: the next
// present starts the screen afresh (for a fresh console in tests).
void terminal_reset();

// Takes in what signals have recorded since the last present: a new
// terminal size (the screen buffer follows) or a resume from a stop (raw
// mode again, the size read as after a resize, full redraw).
// terminal_present does this first; the keyboard calls it before, so a line
// being edited can be laid out anew first.
void terminal_apply_signals(ScreenBuffer* screen);

// Brings the terminal in line with `screen`; writes only what changed.
// Called before every wait and at exit.
void terminal_present(ScreenBuffer* screen);

// Whether the terminal is to be asked where its cursor is: before the
// first frame, and before a resize is taken in, once it has settled. False
// when nothing is drawn, or when a frame has been and no resize waits.
bool terminal_cursor_wanted();

// Asks the terminal where its cursor is: its answer comes among the typed
// bytes, for terminal_cursor_reported. False when it could not be asked.
bool terminal_ask_cursor();

// The terminal's answer: its cursor is on 1-based `row` and `column`. The
// first frame pushes only the rows above it into the scrollback; after a
// resize, rows a growing terminal pulled from its scrollback into view go
// back there at the next present.
void terminal_cursor_reported(int32_t row, int32_t column);

// The terminal's size may have changed (SIGWINCH came): the next present
// takes it, the screen buffer follows, and everything is drawn anew.
// Async-signal-safe.
void terminal_note_resize();

// As if SIGCONT had come: the next present puts raw mode back, takes the
// terminal's size and redraws everything. Async-signal-safe.
void terminal_note_resume();

// Something other than the renderer may have written over the terminal
// (the user asks for a redraw with Ctrl+L): the next present draws every
// row anew from the screen buffer, colours included.
void terminal_redraw();

// The terminal's own line-kill and word-erase characters, as stty had them
// before raw mode; each 0 when it is disabled or not a control character,
// or when there is no terminal.
void terminal_line_keys(uint8_t* kill, uint8_t* word_erase);

// The terminal's character set by the user's locale, as the C library reads
// it (setlocale and nl_langinfo); the process's own locale is put back at
// once, so that no conversion (atof's decimal point) ever sees the user's.
TerminalCharset terminal_locale_charset();

// Writes every byte to a file descriptor, going on after short writes and
// interruptions; false when the descriptor takes no more. Async-signal-safe.
bool terminal_write_all(int fd, const uint8_t* bytes, std::size_t length);
