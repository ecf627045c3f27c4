// The renderer: brings a terminal in line with the screen buffer model.
// The model's cells are the truth; a front copy holds what the terminal
// shows, and a frame writes only the cells that differ, with as few colour
// changes and cursor moves as it can. Pure: it produces bytes, the caller
// writes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/model/screen_buffer.h"

struct TerminalRender {
    int32_t width;            // columns of the front copy
    int32_t height;           // rows of the front copy
    std::vector<Cell> front;  // what the terminal shows, row-major
    bool started;             // the first frame has pushed the user's old screen into the scrollback
    bool redraw;              // the terminal's contents are unknown (resize, resume): clear and draw all
    int32_t cursor_x;         // column of the terminal's cursor; -1 unknown (after the last column)
    int32_t cursor_y;         // row of the terminal's cursor; -1 unknown
    int32_t colours;          // attribute byte the terminal draws with now; -1 unknown
    int32_t cursor_shown;     // the terminal's cursor: 1 shown, 0 hidden, -1 unknown
};

void terminal_render_init(TerminalRender* render);

// The terminal's contents can no longer be trusted: the next frame clears
// it and draws every cell.
void terminal_render_invalidate(TerminalRender* render);

// Appends to out the bytes that make the terminal show the screen: changed
// cells, then the cursor's position and visibility. Nothing when nothing changed.
void terminal_render_frame(TerminalRender* render, const ScreenBuffer* screen, std::string* out);

// Appends to out the bytes that hand the terminal back to the shell: colours
// reset, cursor shown, and the cursor on a fresh line below what was drawn.
void terminal_render_restore(const TerminalRender* render, const ScreenBuffer* screen, std::string* out);

// The SGR sequence for a Windows attribute byte ("\x1b[0m" for 0x07).
std::string terminal_render_colours(uint8_t attribute);
