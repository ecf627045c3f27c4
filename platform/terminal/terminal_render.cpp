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

#include <algorithm>
#include <cstring>

#include "platform/model/cp850.h"
#include "platform/platform.h"

namespace {

constexpr uint8_t BLANK = 0x20;
constexpr uint8_t DEFAULT_COLOURS = 0x07;

// --- output ----------------------------------------------------------------

void out_bytes(RenderOutput* out, const char* bytes, std::size_t length) {
    if (byte_buffer_append(&out->bytes, bytes, length)) return;
    if (out->flush == nullptr) return;
    // No room to gather more: what is there goes out, then this.
    out->flush(out->bytes.bytes, out->bytes.length);
    out->bytes.length = 0;
    if (!byte_buffer_append(&out->bytes, bytes, length)) out->flush(reinterpret_cast<const uint8_t*>(bytes), length);
}

void out_text(RenderOutput* out, const char* text) { out_bytes(out, text, std::strlen(text)); }

void out_char(RenderOutput* out, char c) { out_bytes(out, &c, 1); }

// The decimal digits of a value of at most 10 digits; returns their count.
std::size_t format_number(int32_t value, char* digits) {
    char reversed[12];
    std::size_t count = 0;
    auto rest = static_cast<uint32_t>(std::max(value, 0));
    do {
        reversed[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    for (std::size_t i = 0; i < count; ++i) digits[i] = reversed[count - 1 - i];
    return count;
}

void out_number(RenderOutput* out, int32_t value) {
    char digits[12];
    out_bytes(out, digits, format_number(value, digits));
}

// A text gathered into a fixed array (the restore bytes, a colour sequence).
struct FixedText {
    char* bytes;
    std::size_t length;
    std::size_t capacity;
};

void fixed_text(FixedText* text, const char* part) {
    std::size_t n = std::min(std::strlen(part), text->capacity - text->length);
    std::memcpy(text->bytes + text->length, part, n);
    text->length += n;
}

void fixed_number(FixedText* text, int32_t value) {
    char digits[12];
    std::size_t n = format_number(value, digits);
    digits[n] = '\0';
    fixed_text(text, digits);
}

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

// The SGR sequence that takes the terminal from drawing in `now` (-1:
// unknown) to `attribute`.
void colours_text(int32_t now, uint8_t attribute, FixedText* text) {
    if (attribute == DEFAULT_COLOURS) {
        fixed_text(text, "\x1b[0m");
        return;
    }
    bool fore = true;
    bool back = true;
    if (now >= 0 && now != DEFAULT_COLOURS) {
        // Both sides are explicit colours: only the half that changed.
        fore = (static_cast<uint32_t>(now) & 0x0Fu) != (attribute & 0x0Fu);
        back = (static_cast<uint32_t>(now) & 0xF0u) != (attribute & 0xF0u);
    }
    fixed_text(text, "\x1b[");
    if (fore) fixed_number(text, foreground_sgr(attribute));
    if (fore && back) fixed_text(text, ";");
    if (back) fixed_number(text, background_sgr(attribute));
    fixed_text(text, "m");
}

void set_colours(TerminalRender* render, uint8_t attribute, RenderOutput* out) {
    if (render->colours == attribute) return;
    char bytes[16];
    FixedText text{bytes, 0, sizeof bytes};
    colours_text(render->colours, attribute, &text);
    out_bytes(out, text.bytes, text.length);
    render->colours = attribute;
}

void move_cursor(TerminalRender* render, int32_t x, int32_t y, RenderOutput* out) {
    if (render->cursor_x == x && render->cursor_y == y) return;
    if (render->cursor_y == y && render->cursor_x >= 0 && x > render->cursor_x) {
        int32_t gap = x - render->cursor_x;
        out_text(out, "\x1b[");
        if (gap > 1) out_number(out, gap);
        out_char(out, 'C');
    } else if (x == 0 && y == 0) {
        out_text(out, "\x1b[H");
    } else {
        out_text(out, "\x1b[");
        out_number(out, y + 1);
        out_char(out, ';');
        out_number(out, x + 1);
        out_char(out, 'H');
    }
    render->cursor_x = x;
    render->cursor_y = y;
}

// After a clear the terminal shows blanks in its default colours. Without
// room for a front copy every frame draws every cell.
void assume_blank(TerminalRender* render, const ScreenBuffer* screen) {
    auto count = static_cast<std::size_t>(int64_t{screen->width} * screen->height);
    platform::free(render->front);
    render->front = static_cast<Cell*>(platform::malloc(count * sizeof(Cell)));
    if (render->front != nullptr) std::fill(render->front, render->front + count, Cell{BLANK, DEFAULT_COLOURS});
    render->width = screen->width;
    render->height = screen->height;
    render->cursor_x = 0;
    render->cursor_y = 0;
    render->colours = DEFAULT_COLOURS;
}

void start_screen(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    if (!render->started) {
        // Scroll the user's old screen up into the scrollback by printing
        // as many line ends as there are rows (no need to ask the terminal
        // where its cursor is), then clear from the top.
        out_char(out, '\r');
        for (int32_t y = 1; y < screen->height; ++y) out_char(out, '\n');
        out_text(out, "\x1b[H\x1b[0m\x1b[J");
        render->started = true;
    } else {
        out_text(out, "\x1b[0m\x1b[H\x1b[2J");
    }
    render->redraw = false;
    assume_blank(render, screen);
}

bool same_look(Cell a, Cell b) { return a.ch == b.ch && colour_byte(a.attr) == colour_byte(b.attr); }

void draw_cells(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    for (int32_t y = 0; y < screen->height; ++y) {
        for (int32_t x = 0; x < screen->width; ++x) {
            std::size_t index = static_cast<std::size_t>(int64_t{y} * screen->width + x);
            const Cell& cell = screen->cells[index];
            if (render->front != nullptr && same_look(cell, render->front[index])) continue;
            move_cursor(render, x, y, out);
            set_colours(render, colour_byte(cell.attr), out);
            char utf8[4];
            out_bytes(out, utf8, cp850_to_utf8(cell.ch, utf8));
            if (render->front != nullptr) render->front[index] = cell;
            // In the last column terminals differ (a pending wrap or not):
            // the next cell or the cursor is always placed explicitly.
            render->cursor_x = x + 1 < screen->width ? x + 1 : -1;
        }
    }
}

void show_cursor(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    if (screen->cursor_visible) {
        move_cursor(render, screen->cursor_x, screen->cursor_y, out);
        if (render->cursor_shown != 1) out_text(out, "\x1b[?25h");
        render->cursor_shown = 1;
    } else {
        if (render->cursor_shown != 0) out_text(out, "\x1b[?25l");
        render->cursor_shown = 0;
    }
}

// The lowest row that shows anything: text, or a colour other than the
// terminal's own; -1 when none does.
int32_t lowest_drawn_row(const TerminalRender* render, const ScreenBuffer* screen) {
    // Without a front copy the terminal shows what the model held at the
    // last frame, which is the model as it is.
    const Cell* shown = render->front != nullptr ? render->front : screen->cells;
    int32_t width = render->front != nullptr ? render->width : screen->width;
    int32_t height = render->front != nullptr ? render->height : std::min(render->height, screen->height);
    for (int32_t y = height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width; ++x) {
            const Cell& cell = shown[static_cast<std::size_t>(int64_t{y} * width + x)];
            if ((cell.ch != BLANK && cell.ch != 0) || colour_byte(cell.attr) != DEFAULT_COLOURS) return y;
        }
    }
    return -1;
}

}  // namespace

void terminal_render_init(TerminalRender* render) {
    platform::free(render->front);
    *render = TerminalRender{};
    render->cursor_x = -1;
    render->cursor_y = -1;
    render->colours = -1;
    render->cursor_shown = 1;  // a terminal starts with its cursor shown
}

void terminal_render_invalidate(TerminalRender* render) {
    render->redraw = true;
    render->cursor_shown = -1;
}

void terminal_render_frame(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    if (!render->started || render->redraw || render->width != screen->width || render->height != screen->height) {
        start_screen(render, screen, out);
    }
    draw_cells(render, screen, out);
    show_cursor(render, screen, out);
}

std::size_t terminal_render_restore(const TerminalRender* render, const ScreenBuffer* screen, char* out) {
    FixedText text{out, 0, RENDER_RESTORE_CAPACITY};
    fixed_text(&text, "\x1b[0m\x1b[?25h");
    if (!render->started || screen == nullptr) return text.length;
    int32_t lowest = lowest_drawn_row(render, screen);
    int32_t cursor_y = screen->cursor_y < render->height ? screen->cursor_y : render->height - 1;
    fixed_text(&text, "\x1b[");
    if (lowest < cursor_y) {
        // The cursor's row is empty: the shell can start there.
        fixed_number(&text, cursor_y + 1);
        fixed_text(&text, ";1H");
    } else {
        // A fresh line below the last row drawn, scrolling at the bottom.
        fixed_number(&text, lowest + 1);
        fixed_text(&text, ";1H\r\n");
    }
    return text.length;
}

std::size_t terminal_render_colours(uint8_t attribute, char* out) {
    FixedText text{out, 0, 16};
    colours_text(-1, attribute, &text);
    return text.length;
}
