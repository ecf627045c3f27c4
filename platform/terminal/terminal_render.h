// The renderer: brings a terminal in line with the window onto the screen
// buffer model. The model's cells are the truth; a front copy holds what
// the terminal shows, and a frame writes only the cells that differ, with
// as few colour changes and cursor moves as it can. When the window has
// moved down, rows leave through the terminal's own scrolling, so that they
// stay in its scrollback. Pure: it produces bytes, the caller writes them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/crt/memory.h"
#include "platform/model/screen_buffer.h"

struct TerminalRender {
    int32_t width;          // columns of the front copy: the window's when it was drawn
    int32_t height;         // rows of the front copy
    Cell* front = nullptr;  // what the terminal shows, row-major; null when refused: every row drawn each frame
    int32_t window_x;       // the buffer column the terminal's first column shows
    int64_t window_top;     // the buffer row its top row shows, counted from the start of the run (scrolls added)
    bool started;           // the first frame has pushed the user's old screen into the scrollback
    bool redraw;            // the terminal's contents are unknown (resize, resume): every row drawn anew
    bool no_colour;         // the user asked for no colour (NO_COLOR): reverse video where a background is set
    int32_t cursor_x;       // column of the terminal's cursor; -1 unknown (after the last column)
    int32_t cursor_y;       // row of the terminal's cursor; -1 unknown
    int32_t colours;        // attribute byte the terminal draws with now; -1 unknown
    int32_t cursor_shown;   // the terminal's cursor: 1 shown, 0 hidden, -1 unknown
    int32_t cursor_block;   // the terminal's cursor: 1 a block, 0 its own shape, -1 unknown (a block may show)
    int32_t pulled_rows;    // rows a growing terminal pulled from its scrollback above the drawing: sent back first
};

// What has become unknown of what the terminal shows.
enum RenderLost : uint8_t {
    RENDER_LOST_ROWS,  // a resize: terminals rewrap or crop their rows; the colours in force stay
    RENDER_LOST_ALL,   // something else wrote on it (a redraw asked for, a frame cut short, a stop): colours too
};

// Where a frame's bytes go. They gather in `bytes`, so that a frame is one
// write; when the buffer is refused room to grow, what it holds goes to
// `flush` first and gathering starts again (a frame in pieces draws the
// same). Without a flush, bytes that find no room are lost.
struct RenderOutput {
    ByteBuffer bytes;                                         // the frame so far
    bool (*flush)(const uint8_t* bytes, std::size_t length);  // writes to the terminal; may be null
};

// Asks the terminal where its cursor is; it answers ESC [ row ; column R
// among the typed bytes.
constexpr char RENDER_ASK_CURSOR[] = "\x1b[6n";

// The most bytes terminal_render_restore writes.
constexpr std::size_t RENDER_RESTORE_CAPACITY = 64;

// Makes a fresh renderer that knows nothing of the terminal yet (the first
// frame starts the screen), giving back the front copy it held.
void terminal_render_init(TerminalRender* render);

// From now on no colour is drawn, as the user's NO_COLOR asks: cells whose
// background is not black in reverse video, so that the screen keeps its
// shape, every other cell in the terminal's own colours.
void terminal_render_no_colour(TerminalRender* render);

// What the terminal shows can no longer be trusted, `lost` saying how much
// of it: the next frame draws every row anew.
void terminal_render_invalidate(TerminalRender* render, RenderLost lost);

// The first frame has been made: the terminal shows the screen.
bool terminal_render_started(const TerminalRender* render);

// The terminal shows what the last frame drew: started, and nothing lost
// since.
bool terminal_render_current(const TerminalRender* render);

// The terminal's cursor is at 0-based `row` and `column`. Before the first
// frame, that is where the user's old screen ends: the first frame pushes
// into the scrollback only the rows above it (and its own, when it holds
// text before the cursor), where without it the whole height goes. On a
// terminal just resized: below the row the renderer left it on, the
// terminal grew and pulled that many rows of its scrollback into view
// above the drawing (xterm, tmux, VTE do). Those beyond the rows of the run
// that went up there are the user's: the next redraw sends them back into
// the scrollback first.
void terminal_render_cursor_found(TerminalRender* render, int32_t row, int32_t column);

// Appends to out the bytes that make the terminal show the screen's window:
// the rows that moved, the changed cells, then the cursor's position,
// visibility and shape. Nothing when nothing changed.
void terminal_render_frame(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out);

// Writes to out (room for RENDER_RESTORE_CAPACITY bytes) the bytes that hand
// the terminal back to the shell: colours reset, cursor shown in its own
// shape, and the cursor on a fresh line below what was drawn (null screen:
// no move).
// Returns their count.
std::size_t terminal_render_restore(const TerminalRender* render, const ScreenBuffer* screen, char* out);

// Writes to out (room for 16 bytes) the SGR sequence for a Windows attribute
// byte ("\x1b[0m" for 0x07, "\x1b[0;f;bm" for the others); returns its
// length.
std::size_t terminal_render_colours(uint8_t attribute, char* out);
