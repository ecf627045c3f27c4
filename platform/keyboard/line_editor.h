// The line editor of standard input when it is the console: the Windows
// console's line mode with echo. Fed one key at a time, it edits the line
// and draws the echo into the screen buffer as the console would write it,
// at the cursor, in the current attribute, wrapping at the right edge and
// scrolling at the bottom. Pure: no terminal, no waiting.
#pragma once

#include <cstdint>

#include "platform/crt/memory.h"
#include "platform/keyboard/key_codes.h"
#include "platform/keyboard/line_popup.h"
#include "platform/model/screen_buffer.h"

// Lines kept for Up and Down, as the Windows console keeps 50 by default.
constexpr uint32_t LINE_HISTORY_CAPACITY = 50;
// Popups open at once: the number popup may stand over the list.
constexpr uint32_t LINE_POPUP_DEPTH = 2;

struct LineEditor {
    ByteBuffer text;         // the line being edited, code page 850 bytes
    uint32_t cursor;         // insertion point in text, 0..text.size()
    int32_t start_x;         // column where the line begins
    int64_t start_row;       // row where it begins, counted from the start of the run (the buffer's scrolls added)
    uint32_t shown;          // cells the echo of the line covers on the screen
    int32_t width_seen;      // the buffer's width the echo was laid out for
    int32_t height_seen;     // and its height
    bool overwrite;          // Insert toggled: typing replaces the character at the cursor
    bool redraw_wanted;      // Ctrl+L: the terminal is to be drawn anew; the keyboard clears it
    uint8_t kill_key;        // the terminal's own line-kill character (stty kill), 0 none
    uint8_t word_erase_key;  // and its word-erase character (stty werase), 0 none
    ByteBuffer history[LINE_HISTORY_CAPACITY];  // lines entered in this run, oldest first
    uint32_t history_count = 0;                 // entries of history in use
    uint32_t history_index;                     // history entry on show; history_count when none
    ByteBuffer typed;                           // while an entry is on show, the line that was being typed
    LinePopup popups[LINE_POPUP_DEPTH];         // the popups open, the one keys go to last
    uint32_t popup_count = 0;                   // popups open
};

enum LineEditorResult {
    LINE_EDITOR_EDITING,  // the key was taken, the line goes on
    LINE_EDITOR_DONE,     // Enter: the line is complete in text, the cursor on the next row
    LINE_EDITOR_END,      // end of input (Ctrl+D on an empty line)
};

// Makes a fresh editor with no line, no history, no popup and no terminal
// keys, giving back the blocks of the line, the history and the popups it
// held (the cells the popups covered are not written back).
void line_editor_init(LineEditor* editor);

// Starts a new, empty line at the screen's cursor, inserting.
void line_editor_begin(LineEditor* editor, ScreenBuffer* screen);

// Brings the echo in line with a buffer that has changed its size: when
// the line no longer stands where it was laid out (a wider buffer wraps it
// elsewhere), the cells its echo covered are blanked and it is laid out
// again; no other cell is written. Popups open give back what they covered
// first and are drawn again, centred on the window as it is now.
void line_editor_follow(LineEditor* editor, ScreenBuffer* screen);

// Closes the popups open, giving back the cells they covered (for a line
// that ends because the input has).
void line_editor_close_popups(LineEditor* editor, ScreenBuffer* screen);

// One key: edits the line and brings its echo on the screen up to date. A
// character for which the line cannot grow is dropped, as a full keyboard
// buffer drops it. Besides the Windows console's keys it takes readline's:
// Ctrl+A/E/B/F move, Ctrl+U/K/W and Meta+Backspace/d erase, Meta+b and
// Meta+f (and Alt+Left and Alt+Right) move to a word's start and end (the
// console's Ctrl+Left and Ctrl+Right both to a word's start), Ctrl+D on a
// line with text deletes, Ctrl+L sets redraw_wanted; kill_key and
// word_erase_key act as Ctrl+U and Ctrl+W. The console's function keys work
// on the last line (the newest history entry): F1, and Right at the line's
// end, copy its next character, F3 the rest of it; F2 and F4 ask in a popup
// for a character to copy the last line up to, or to erase the line up to;
// F5 is Up; F6 puts in a Ctrl+Z, shown as ^Z; F7 lists the history in a
// popup; F8 finds the next older entry that starts with the text left of
// the cursor; F9 asks for an entry's number; Alt+F7 empties the history.
// While a popup is open, every key goes to it.
LineEditorResult line_editor_key(LineEditor* editor, ScreenBuffer* screen, Key key);
