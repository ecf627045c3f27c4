// The console screen buffer model: cells, cursor, current attribute, output
// mode, and the window onto the buffer that the terminal shows, with the
// operations a Windows console performs on them. Plain data and pure
// functions: no terminal, no I/O. Coordinates are 0-based.
//
// The window is a rectangle of the buffer, as large as the terminal (never
// larger than the buffer), that follows the cursor as a console window
// does: whenever a write or a cursor move leaves the cursor outside it, it
// moves the least distance, down, up, left or right, that shows the cursor.
// At a wait for a key it may move sideways to show whole rows of text.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct Cell {
    uint8_t ch;     // a code page 850 byte
    uint16_t attr;  // Windows character attribute
};

struct ScreenBuffer {
    int32_t width;            // columns
    int32_t height;           // rows
    Cell* cells = nullptr;    // row-major, width * height, from the allocation seam
    int32_t cursor_x;         // 0-based column of the cursor
    int32_t cursor_y;         // 0-based row of the cursor
    bool cursor_visible;      // CONSOLE_CURSOR_INFO.bVisible
    uint32_t cursor_size;     // CONSOLE_CURSOR_INFO.dwSize, 1-100
    bool cursor_double;       // the cursor is drawn taller, as in the mode that is not the default (overwriting)
    uint16_t attribute;       // attribute given to text written now
    uint32_t mode;            // output mode flags
    int32_t window_x;         // the window's leftmost column
    int32_t window_y;         // the window's top row
    int32_t window_width;     // the window's columns, 1..width
    int32_t window_height;    // the window's rows, 1..height
    platform::COORD largest;  // the largest window the display can show
    uint16_t popup_attr;      // the line input's popups are drawn in it (GetConsoleScreenBufferInfoEx reports it)
    bool popup_shown;         // a popup of the line input is up: the console draws no cursor meanwhile
    uint64_t scrolls;         // whole-buffer scrolls so far (text at row y moved to y - 1)
    uint64_t changes = 0;     // writes so far, all by the operations below: while it stays, so does the record
};

constexpr uint8_t SCREEN_BLANK = 0x20;  // the character of a cell nothing was written in
constexpr uint16_t SCREEN_DEFAULT_ATTRIBUTE = 0x07;
constexpr uint16_t SCREEN_DEFAULT_POPUP_ATTRIBUTE = 0xF5;  // magenta on bright white, the console's default
constexpr uint32_t SCREEN_DEFAULT_CURSOR_SIZE = 25;
// The size a console has when nothing says otherwise: the 80 x 25 screen
// the program lays out.
constexpr int32_t SCREEN_DEFAULT_WIDTH = 80;
constexpr int32_t SCREEN_DEFAULT_HEIGHT = 25;

// Makes a fresh blank buffer of the given size (at least 1x1, at most
// 32767 in each direction): cursor at the top left, attribute 0x07, popup
// attribute 0xF5 and no popup up,
// processed output with wrap at the end of a line, the window and the
// largest window as large as the buffer. Cells the record held are given back first. False,
// and a record with no cells, when the cells cannot be had.
bool screen_init(ScreenBuffer* screen, int32_t width, int32_t height);

// Gives the cells back; the record is left with none (0 x 0).
void screen_free(ScreenBuffer* screen);

// Changes the size: contents kept from the top left, new cells blank in
// attribute 0x07, the cursor and the window kept inside. False, nothing
// changed, when the new cells cannot be had.
bool screen_resize(ScreenBuffer* screen, int32_t width, int32_t height);

// Sets the cursor's size (1-100) and whether it is shown.
void screen_set_cursor_info(ScreenBuffer* screen, uint32_t size, bool visible);

// Sets whether the cursor is drawn taller, as a console draws it while its
// line editing overwrites; its size, as asked for, stays.
void screen_set_cursor_double(ScreenBuffer* screen, bool taller);

// Fits the console to a terminal of `columns` x `rows`: the buffer grows to
// hold at least that (it never shrinks; when the cells are refused it stays
// as it is), the window takes the terminal's size within the buffer, as far
// up and left as shows the cursor, and the largest window is the
// terminal's size, but never fewer rows than the buffer less one.
void screen_fit_terminal(ScreenBuffer* screen, int32_t columns, int32_t rows);

// Where a Tab at column x (0..width-1) takes the cursor: the next multiple
// of 8, the row's end (width) at the latest.
int32_t screen_tab_stop(int32_t x, int32_t width);

// The place of cell (x, y) in cells laid out `width` to a row, as the buffer's are: y * width + x.
int64_t screen_cell_index(int32_t width, int64_t x, int64_t y);

// Row y (0..height-1) of the buffer: its `width` cells, for reading.
const Cell* screen_row(const ScreenBuffer* screen, int32_t y);

// The cell at (x, y); a blank in 0x07 for a cell outside the buffer.
Cell screen_cell(const ScreenBuffer* screen, int32_t x, int32_t y);

// Writes bytes at the cursor as a console does with processed output (CR,
// LF, BS, TAB, BEL interpreted; wrap and scroll by the mode), the window
// following the cursor. Returns the number of bytes written: all of them.
uint32_t screen_write(ScreenBuffer* screen, const uint8_t* bytes, uint32_t length);

// Sets the attribute of `length` cells from (x, y), running on across row
// ends and stopping at the end of the buffer; returns the cells set (0 for
// a start outside the buffer).
uint32_t screen_fill_attribute(ScreenBuffer* screen, uint16_t attr, uint32_t length, int32_t x, int32_t y);
// The same with the character of each cell.
uint32_t screen_fill_character(ScreenBuffer* screen, uint8_t ch, uint32_t length, int32_t x, int32_t y);

// Writes `count` cells, characters and attributes, along row y from column
// x, as WriteConsoleOutput does; cells that would lie past the row's end or
// outside the buffer are not written. Returns the cells written.
uint32_t screen_write_cells(ScreenBuffer* screen, int32_t x, int32_t y, const Cell* cells, uint32_t count);
// The same with characters alone: each cell keeps its attribute.
uint32_t screen_write_characters(ScreenBuffer* screen, int32_t x, int32_t y, const uint8_t* bytes, uint32_t count);

// ScrollConsoleScreenBuffer: moves the source rectangle so that its top left
// lands on `destination`, only cells inside `clip` (null: the whole buffer)
// changing, and fills the source cells left uncovered with fill_ch in
// fill_attr (NUL in attribute 0: a blank in the current attribute). False
// for an empty or inverted source (nothing changes).
bool screen_scroll(ScreenBuffer* screen, platform::SMALL_RECT source, const platform::SMALL_RECT* clip,
                   platform::COORD destination, uint8_t fill_ch, uint16_t fill_attr);

// Moves the cursor, and the window to show it; false, nothing changed, for
// a cell outside the buffer.
bool screen_set_cursor(ScreenBuffer* screen, int32_t x, int32_t y);

// Says whether a popup of the line input is up (the cursor is not drawn
// while one is).
void screen_set_popup_shown(ScreenBuffer* screen, bool shown);

// Sets the attribute given to text written from now on.
void screen_set_attribute(ScreenBuffer* screen, uint16_t attribute);

// Sets the output mode flags.
void screen_set_mode(ScreenBuffer* screen, uint32_t mode);

// True for a cell that shows nothing: a blank (or NUL) in attribute 0x07's
// colours, the terminal's own.
bool screen_cell_empty(Cell cell);

// For a screen that stays as it is (a wait for a key): moves the window
// sideways, the cursor still in it, to where it shows the ends of the most
// rows of text (a number ends a row), then the starts of the most, the
// least distance.
void screen_window_show_text(ScreenBuffer* screen);
