// The renderer: the front copy of what the terminal shows, and the bytes that
// bring the terminal from it to the screen buffer model.
//
// Every escape sequence this file emits, and its effect (ECMA-48 / xterm;
// rows and columns 1-based on the wire):
//   ESC [ H            cursor to the top left
//   ESC [ r ; c H      cursor to row r, column c (CUP)
//   ESC [ n C          cursor n columns right on its row (CUF); "ESC [ C" for 1
//   ESC [ J            erase from the cursor to the end of the screen
//   ESC [ 2 J          erase the whole screen (cursor stays)
//   ESC [ 0 m          all character attributes off: default colours
//   ESC [ f ; b m      foreground f (30-37, 90-97) and background b (40-47, 100-107)
//   ESC [ f m          foreground only; ESC [ b m background only
//   ESC [ ? 25 h       show the cursor
//   ESC [ ? 25 l       hide the cursor
// and the plain controls CR (column 1) and LF (next row, scrolling at the
// bottom). Cell contents go out as UTF-8 characters, never as controls.
#include "platform/terminal/terminal_render.h"

#include "platform/model/cp850.h"

namespace {

constexpr uint8_t BLANK = 0x20;
constexpr uint8_t DEFAULT_COLOURS = 0x07;

void append_number(std::string* out, int32_t value) { *out += std::to_string(value); }

// Windows colour numbers put blue in bit 0 and red in bit 2; ANSI the reverse.
int32_t ansi_index(uint32_t windows) {
    return static_cast<int32_t>((windows & 0x0Au) | ((windows & 1u) << 2) | ((windows >> 2) & 1u));
}

int32_t foreground_sgr(uint8_t attribute) {
    int32_t index = ansi_index(attribute & 0x0Fu);
    return index < 8 ? 30 + index : 90 + (index - 8);
}

int32_t background_sgr(uint8_t attribute) {
    int32_t index = ansi_index((attribute >> 4) & 0x0Fu);
    return index < 8 ? 40 + index : 100 + (index - 8);
}

// Only the colour bits are drawn: the other attribute bits are stored but
// not shown by a Western console either.
uint8_t colour_byte(uint16_t attr) { return static_cast<uint8_t>(attr & 0xFFu); }

void set_colours(TerminalRender* render, uint8_t attribute, std::string* out) {
    if (render->colours == attribute) return;
    if (attribute == DEFAULT_COLOURS) {
        *out += "\x1b[0m";
    } else if (render->colours < 0 || render->colours == DEFAULT_COLOURS) {
        *out += "\x1b[";
        append_number(out, foreground_sgr(attribute));
        *out += ';';
        append_number(out, background_sgr(attribute));
        *out += 'm';
    } else {
        // Both sides are explicit colours: only the half that changed.
        uint8_t now = static_cast<uint8_t>(render->colours);
        bool fore = (now & 0x0Fu) != (attribute & 0x0Fu);
        bool back = (now & 0xF0u) != (attribute & 0xF0u);
        *out += "\x1b[";
        if (fore) append_number(out, foreground_sgr(attribute));
        if (fore && back) *out += ';';
        if (back) append_number(out, background_sgr(attribute));
        *out += 'm';
    }
    render->colours = attribute;
}

void move_cursor(TerminalRender* render, int32_t x, int32_t y, std::string* out) {
    if (render->cursor_x == x && render->cursor_y == y) return;
    if (render->cursor_y == y && render->cursor_x >= 0 && x > render->cursor_x) {
        int32_t gap = x - render->cursor_x;
        *out += "\x1b[";
        if (gap > 1) append_number(out, gap);
        *out += 'C';
    } else if (x == 0 && y == 0) {
        *out += "\x1b[H";
    } else {
        *out += "\x1b[";
        append_number(out, y + 1);
        *out += ';';
        append_number(out, x + 1);
        *out += 'H';
    }
    render->cursor_x = x;
    render->cursor_y = y;
}

// After a clear the terminal shows blanks in its default colours.
void assume_blank(TerminalRender* render, const ScreenBuffer* screen) {
    render->width = screen->width;
    render->height = screen->height;
    render->front.assign(static_cast<std::size_t>(int64_t{screen->width} * screen->height),
                         Cell{BLANK, DEFAULT_COLOURS});
    render->cursor_x = 0;
    render->cursor_y = 0;
    render->colours = DEFAULT_COLOURS;
}

void start_screen(TerminalRender* render, const ScreenBuffer* screen, std::string* out) {
    if (!render->started) {
        // Scroll the user's old screen up into the scrollback by printing
        // as many line ends as there are rows (no need to ask the terminal
        // where its cursor is), then clear from the top.
        *out += '\r';
        out->append(static_cast<std::size_t>(screen->height - 1), '\n');
        *out += "\x1b[H\x1b[0m\x1b[J";
        render->started = true;
    } else {
        *out += "\x1b[0m\x1b[H\x1b[2J";
    }
    render->redraw = false;
    assume_blank(render, screen);
}

void draw_cells(TerminalRender* render, const ScreenBuffer* screen, std::string* out) {
    for (int32_t y = 0; y < screen->height; ++y) {
        for (int32_t x = 0; x < screen->width; ++x) {
            std::size_t index = static_cast<std::size_t>(int64_t{y} * screen->width + x);
            const Cell& cell = screen->cells[index];
            Cell& shown = render->front[index];
            if (cell.ch == shown.ch && colour_byte(cell.attr) == colour_byte(shown.attr)) continue;
            move_cursor(render, x, y, out);
            set_colours(render, colour_byte(cell.attr), out);
            char utf8[4];
            out->append(utf8, cp850_to_utf8(cell.ch, utf8));
            shown = cell;
            // In the last column terminals differ (a pending wrap or not):
            // the next cell or the cursor is always placed explicitly.
            render->cursor_x = x + 1 < screen->width ? x + 1 : -1;
        }
    }
}

void show_cursor(TerminalRender* render, const ScreenBuffer* screen, std::string* out) {
    if (screen->cursor_visible) {
        move_cursor(render, screen->cursor_x, screen->cursor_y, out);
        if (render->cursor_shown != 1) *out += "\x1b[?25h";
        render->cursor_shown = 1;
    } else {
        if (render->cursor_shown != 0) *out += "\x1b[?25l";
        render->cursor_shown = 0;
    }
}

}  // namespace

void terminal_render_init(TerminalRender* render) {
    render->width = 0;
    render->height = 0;
    render->front.clear();
    render->started = false;
    render->redraw = false;
    render->cursor_x = -1;
    render->cursor_y = -1;
    render->colours = -1;
    render->cursor_shown = 1;  // a terminal starts with its cursor shown
}

void terminal_render_invalidate(TerminalRender* render) {
    render->redraw = true;
    render->cursor_shown = -1;
}

void terminal_render_frame(TerminalRender* render, const ScreenBuffer* screen, std::string* out) {
    if (!render->started || render->redraw || render->width != screen->width || render->height != screen->height) {
        start_screen(render, screen, out);
    }
    draw_cells(render, screen, out);
    show_cursor(render, screen, out);
}

void terminal_render_restore(const TerminalRender* render, const ScreenBuffer* screen, std::string* out) {
    *out += "\x1b[0m\x1b[?25h";
    if (!render->started) return;
    // The lowest row that shows anything: text, or a colour other than the
    // terminal's own.
    int32_t lowest = -1;
    for (int32_t y = render->height - 1; y >= 0 && lowest < 0; --y) {
        for (int32_t x = 0; x < render->width; ++x) {
            const Cell& cell = render->front[static_cast<std::size_t>(int64_t{y} * render->width + x)];
            if ((cell.ch != BLANK && cell.ch != 0) || colour_byte(cell.attr) != DEFAULT_COLOURS) {
                lowest = y;
                break;
            }
        }
    }
    int32_t cursor_y = screen->cursor_y < render->height ? screen->cursor_y : render->height - 1;
    if (lowest < cursor_y) {
        // The cursor's row is empty: the shell can start there.
        *out += "\x1b[";
        append_number(out, cursor_y + 1);
        *out += ";1H";
    } else {
        // A fresh line below the last row drawn, scrolling at the bottom.
        *out += "\x1b[";
        append_number(out, lowest + 1);
        *out += ";1H\r\n";
    }
}

std::string terminal_render_colours(uint8_t attribute) {
    TerminalRender render{};
    render.colours = -1;
    std::string out;
    set_colours(&render, attribute, &out);
    return out;
}
