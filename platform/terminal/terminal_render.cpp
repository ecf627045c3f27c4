// The renderer: the front copy of what the terminal shows, and the bytes that
// bring the terminal from it to the window onto the screen buffer model.
//
// Every escape sequence this file emits, and its effect (ECMA-48 / xterm;
// rows and columns 1-based on the wire):
//   ESC [ H            cursor to the top left
//   ESC [ r ; c H      cursor to row r, column c (CUP)
//   ESC [ n C          cursor n columns right on its row (CUF); "ESC [ C" for 1
//   ESC [ J            erase from the cursor to the end of the screen
//   ESC [ K            erase from the cursor to the end of its row
//   ESC [ 0 m          all character attributes off: default colours
//   ESC [ 0 ; f ; b m  from a reset, foreground f (30-37, 90-97) and background b (40-47, 100-107)
//   ESC [ 0 ; 7 m      from a reset, reverse video (no colour: NO_COLOR)
//   ESC [ ? 25 h       show the cursor
//   ESC [ ? 25 l       hide the cursor
//   ESC [ 2 SP q       a steady block cursor (DECSCUSR; ignored where unknown)
//   ESC [ 0 SP q       the cursor in the terminal's own shape
//   ESC [ 6 n          where is the cursor? (RENDER_ASK_CURSOR, written by the
//                      session; the terminal answers ESC [ r ; c R)
// and the plain controls CR (column 1) and LF (next row; on the bottom row
// the terminal scrolls, its top row going into its scrollback). Cell
// contents go out as UTF-8 characters, never as controls. No whole-screen
// erase is sent, but to a terminal that cannot say where its cursor is at
// the first frame: terminals copy the erased screen into their scrollback
// (GNU screen even an erase below the top left).
#include "platform/terminal/terminal_render.h"

#include <algorithm>
#include <cstring>

#include "platform/model/cp850.h"
#include "platform/platform.h"

namespace {

constexpr char CSI[] = "\x1b[";  // the start of every sequence with parameters
constexpr char CURSOR_HOME[] = "\x1b[H";
constexpr char ERASE_BELOW[] = "\x1b[J";
constexpr char ERASE_ROW_END[] = "\x1b[K";
constexpr char COLOURS_RESET[] = "\x1b[0m";
constexpr char COLOURS_FROM_RESET[] = "\x1b[0;";  // foreground ; background m follow
constexpr char REVERSE_VIDEO[] = "\x1b[0;7m";
constexpr char CURSOR_SHOW[] = "\x1b[?25h";
constexpr char CURSOR_HIDE[] = "\x1b[?25l";
constexpr char CURSOR_BLOCK[] = "\x1b[2 q";
constexpr char CURSOR_OWN_SHAPE[] = "\x1b[0 q";

constexpr auto DEFAULT_COLOURS = static_cast<uint8_t>(SCREEN_DEFAULT_ATTRIBUTE);
// Without colour, what cells with a background are drawn as: the terminal's
// own colours reversed.
constexpr uint8_t REVERSED_COLOURS = 0x70;

// --- output ----------------------------------------------------------------

void out_bytes(RenderOutput* out, const char* bytes, std::size_t length) {
    if (byte_buffer_append(&out->bytes, bytes, length)) return;
    if (out->flush == nullptr) return;
    // No room to gather more: what is there goes out, then this.
    out->flush(out->bytes.bytes, out->bytes.length);
    out->bytes.length = 0;
    if (!byte_buffer_append(&out->bytes, bytes, length)) out->flush(reinterpret_cast<const uint8_t*>(bytes), length);
}

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

// A text gathered into a fixed array: a sequence before it goes into a
// frame, the restore bytes.
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

void out_text(RenderOutput* out, const char* text) { out_bytes(out, text, std::strlen(text)); }

void out_fixed(RenderOutput* out, const FixedText& text) { out_bytes(out, text.bytes, text.length); }

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

// The SGR sequence for an attribute: the terminal's own colours for 0x07,
// otherwise both colours from a reset. The full pair every time: the Linux
// console shows a bright foreground by turning bold on, which a change of
// the foreground alone would leave on for the next colour.
void colours_text(uint8_t attribute, FixedText* text) {
    if (attribute == DEFAULT_COLOURS) {
        fixed_text(text, COLOURS_RESET);
        return;
    }
    fixed_text(text, COLOURS_FROM_RESET);
    fixed_number(text, foreground_sgr(attribute));
    fixed_text(text, ";");
    fixed_number(text, background_sgr(attribute));
    fixed_text(text, "m");
}

// Without colour: reverse video for a cell whose background is not black,
// the terminal's own colours for every other.
uint8_t colourless(uint8_t attribute) { return (attribute & 0xF0u) != 0 ? REVERSED_COLOURS : DEFAULT_COLOURS; }

void set_colours(TerminalRender* render, uint8_t attribute, RenderOutput* out) {
    if (render->no_colour) attribute = colourless(attribute);
    if (render->colours == attribute) return;
    char bytes[16];
    FixedText text{bytes, 0, sizeof bytes};
    if (render->no_colour && attribute == REVERSED_COLOURS) {
        fixed_text(&text, REVERSE_VIDEO);
    } else {
        colours_text(attribute, &text);
    }
    out_fixed(out, text);
    render->colours = attribute;
}

void move_cursor(TerminalRender* render, int32_t x, int32_t y, RenderOutput* out) {
    if (render->cursor_x == x && render->cursor_y == y) return;
    char bytes[24];
    FixedText text{bytes, 0, sizeof bytes};
    if (render->cursor_y == y && render->cursor_x >= 0 && x > render->cursor_x) {
        int32_t gap = x - render->cursor_x;
        fixed_text(&text, CSI);
        if (gap > 1) fixed_number(&text, gap);
        fixed_text(&text, "C");
    } else if (x == 0 && y == 0) {
        fixed_text(&text, CURSOR_HOME);
    } else {
        fixed_text(&text, CSI);
        fixed_number(&text, y + 1);
        fixed_text(&text, ";");
        fixed_number(&text, x + 1);
        fixed_text(&text, "H");
    }
    out_fixed(out, text);
    render->cursor_x = x;
    render->cursor_y = y;
}

// A move by the absolute position, whatever the renderer knew of the
// cursor's column: for a row drawn from its start, or where the column is
// not to be trusted.
void move_cursor_absolute(TerminalRender* render, int32_t x, int32_t y, RenderOutput* out) {
    render->cursor_x = -1;
    move_cursor(render, x, y, out);
}

// Whether row y of the buffer shows anything in columns [from, to).
bool row_drawn(const ScreenBuffer* screen, int32_t y, int32_t from, int32_t to) {
    const Cell* row = screen_row(screen, y);
    return std::any_of(row + from, row + to, [](Cell cell) { return !screen_cell_empty(cell); });
}

// What column x of a terminal row shows of buffer row y through a window
// from buffer column `left`, `width` wide: the buffer's cell, or, at an
// edge beyond which the row shows more, a mark ('<' in the first column,
// '>' in the last; the right one in a window one column wide), as `less`
// marks a cut line, so that a cut number never looks whole. The mark
// takes the colours of the cell it covers, unless they would hide it.
Cell shown_cell(const ScreenBuffer* screen, int32_t left, int32_t width, int32_t x, int32_t y) {
    Cell cell = screen_row(screen, y)[left + x];
    uint8_t mark = 0;
    if (x == width - 1 && row_drawn(screen, y, left + width, screen->width)) {
        mark = '>';
    } else if (x == 0 && row_drawn(screen, y, 0, left)) {
        mark = '<';
    }
    if (mark == 0) return cell;
    bool hidden = (cell.attr & 0x0Fu) == ((cell.attr >> 4) & 0x0Fu);
    return Cell{mark, hidden ? uint16_t{DEFAULT_COLOURS} : cell.attr};
}

// What terminal cell (x, y) shows of the window.
Cell window_cell(const ScreenBuffer* screen, int32_t x, int32_t y) {
    return shown_cell(screen, screen->window_x, screen->window_width, x, screen->window_y + y);
}

Cell* front_row(const TerminalRender* render, int32_t y) {
    return render->front + static_cast<std::size_t>(screen_cell_index(render->width, 0, y));
}

// Rows are counted from the start of the run: a row that scrolls off the
// buffer's top keeps its number. The number of the buffer's top row:
int64_t buffer_top(const ScreenBuffer* screen) {
    return static_cast<int64_t>(std::min<uint64_t>(screen->scrolls, INT32_MAX));
}

// The number of the row the window's top row shows.
int64_t window_top(const ScreenBuffer* screen) { return buffer_top(screen) + screen->window_y; }

bool same_look(Cell a, Cell b) { return a.ch == b.ch && colour_byte(a.attr) == colour_byte(b.attr); }

// A front copy of the window's size; without room for one every frame
// draws every row anew.
void front_new(TerminalRender* render, const ScreenBuffer* screen) {
    auto count = static_cast<std::size_t>(int64_t{screen->window_width} * screen->window_height);
    platform::free(render->front);
    render->front = static_cast<Cell*>(platform::malloc(count * sizeof(Cell)));
    if (render->front != nullptr) std::fill(render->front, render->front + count, Cell{SCREEN_BLANK, DEFAULT_COLOURS});
    render->width = screen->window_width;
    render->height = screen->window_height;
}

// The terminal now shows this window of the buffer.
void note_window(TerminalRender* render, const ScreenBuffer* screen) {
    render->window_x = screen->window_x;
    render->window_top = window_top(screen);
}

void draw_cell(TerminalRender* render, Cell cell, RenderOutput* out) {
    set_colours(render, colour_byte(cell.attr), out);
    char utf8[4];
    out_bytes(out, utf8, cp850_to_utf8(cell.ch, utf8));
}

// The first frame where the terminal's cursor is not known: from the start
// of the cursor's row, as many line ends as the terminal has rows less one
// send the rows above it into the scrollback, then the terminal is erased
// from the top.
void start_anywhere(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    out_text(out, "\r");
    for (int32_t y = 1; y < screen->window_height; ++y) out_text(out, "\n");
    out_text(out, CURSOR_HOME);
    out_text(out, COLOURS_RESET);
    out_text(out, ERASE_BELOW);
    render->redraw = false;
    render->cursor_x = 0;
    render->cursor_y = 0;
    render->colours = DEFAULT_COLOURS;
}

// The first frame where the terminal said where its cursor is: the rows
// above it, and its own when it holds text before the cursor, go into the
// scrollback by line feeds on the bottom row; the rows are then drawn anew
// one by one, each erased to its end, with no erase of the whole screen.
void start_below_cursor(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    int32_t rows = std::clamp(render->cursor_y + (render->cursor_x > 0 ? 1 : 0), 0, screen->window_height);
    if (rows > 0) move_cursor_absolute(render, 0, screen->window_height - 1, out);
    for (int32_t i = 0; i < rows; ++i) out_text(out, "\n");
    render->cursor_x = -1;
    render->redraw = true;
}

// The first frame: the user's old screen goes up into the scrollback.
void start_screen(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    if (render->cursor_y >= 0) {
        start_below_cursor(render, screen, out);
    } else {
        start_anywhere(render, screen, out);
    }
    render->started = true;
    front_new(render, screen);
    note_window(render, screen);
}

// One row of the window drawn whole: the cursor to the row, its cells up
// to the last that is not a blank in the terminal's own colours, and the
// rest of the row erased.
void redraw_row(TerminalRender* render, const ScreenBuffer* screen, int32_t y, RenderOutput* out) {
    int32_t last = screen->window_width - 1;
    while (last >= 0 && screen_cell_empty(window_cell(screen, last, y))) --last;
    move_cursor_absolute(render, 0, y, out);
    for (int32_t x = 0; x <= last; ++x) draw_cell(render, window_cell(screen, x, y), out);
    if (last + 1 < screen->window_width) {
        set_colours(render, DEFAULT_COLOURS, out);
        out_text(out, ERASE_ROW_END);
    }
    render->cursor_x = last + 1 < screen->window_width ? last + 1 : -1;
    if (render->front == nullptr) return;
    for (int32_t x = 0; x < screen->window_width; ++x) front_row(render, y)[x] = window_cell(screen, x, y);
}

// Rows a growing terminal pulled from its scrollback into view go back by
// line feeds on its bottom row, before they are drawn over.
void return_pulled_rows(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    int32_t count = std::min(render->pulled_rows, screen->window_height);
    render->pulled_rows = 0;
    if (count <= 0) return;
    set_colours(render, DEFAULT_COLOURS, out);
    move_cursor_absolute(render, 0, screen->window_height - 1, out);
    for (int32_t i = 0; i < count; ++i) out_text(out, "\n");
}

// What the terminal shows is unknown, or the window moved up or sideways:
// every row drawn anew, row by row, with no erase of the whole screen.
void redraw_rows(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    return_pulled_rows(render, screen, out);
    render->redraw = false;
    if (render->front == nullptr || render->width != screen->window_width || render->height != screen->window_height)
        front_new(render, screen);
    for (int32_t y = 0; y < screen->window_height; ++y) redraw_row(render, screen, y, out);
    note_window(render, screen);
}

// Brings terminal row y, showing buffer row `row`, in line with the buffer:
// only the cells that differ from what the terminal shows are written.
void draw_row_changes(TerminalRender* render, const ScreenBuffer* screen, int32_t y, int32_t row, RenderOutput* out) {
    for (int32_t x = 0; x < render->width; ++x) {
        Cell cell = shown_cell(screen, render->window_x, render->width, x, row);
        if (same_look(cell, front_row(render, y)[x])) continue;
        move_cursor(render, x, y, out);
        draw_cell(render, cell, out);
        front_row(render, y)[x] = cell;
        // In the last column terminals differ (a pending wrap or not):
        // the next cell or the cursor is always placed explicitly.
        render->cursor_x = x + 1 < render->width ? x + 1 : -1;
    }
}

// Line feeds on the terminal's bottom row send its top `count` rows into
// its scrollback; the front copy moves up with them.
void feed_lines(TerminalRender* render, int32_t count, RenderOutput* out) {
    // New rows take the colours in force: the terminal's own for blanks.
    set_colours(render, DEFAULT_COLOURS, out);
    move_cursor(render, render->cursor_x < 0 ? 0 : render->cursor_x, render->height - 1, out);
    for (int32_t i = 0; i < count; ++i) out_text(out, "\n");
    // Whether a line feed also returns the carriage depends on the
    // terminal's modes: the column is not known.
    render->cursor_x = -1;
    render->window_top += count;
    Cell* end = front_row(render, render->height);
    std::copy(front_row(render, count), end, front_row(render, 0));
    std::fill(front_row(render, render->height - count), end, Cell{SCREEN_BLANK, DEFAULT_COLOURS});
}

// The window moved down (the buffer scrolled, or the cursor went below it)
// to `top`: the rows leaving the top go into the terminal's scrollback by
// line feeds, as the buffer holds them, seen through the columns the
// terminal shows. Rows that left within one frame (a paste) may never have
// been drawn: each is drawn first, in steps of at most the terminal's
// height. Rows that have left the buffer itself are gone, as on a console;
// their line feeds are spared once the terminal shows nothing. Only the
// rows coming in are left to draw.
void scroll_rows(TerminalRender* render, const ScreenBuffer* screen, int64_t top, RenderOutput* out) {
    bool blank = false;  // the terminal shows only rows fed in blank
    while (render->window_top < top) {
        if (blank && render->window_top < buffer_top(screen)) {
            render->window_top = std::min(top, buffer_top(screen));
            continue;
        }
        auto count = static_cast<int32_t>(std::min<int64_t>(top - render->window_top, render->height));
        for (int32_t y = 0; y < count; ++y) {
            int64_t row = render->window_top + y - buffer_top(screen);
            if (row >= 0) draw_row_changes(render, screen, y, static_cast<int32_t>(row), out);
        }
        feed_lines(render, count, out);
        blank = count == render->height;
    }
}

// The cells of the window that differ from what the terminal shows.
void draw_changes(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    for (int32_t y = 0; y < screen->window_height; ++y) draw_row_changes(render, screen, y, screen->window_y + y, out);
}

// The cursor's place in the window (inside it, as the window follows it).
int32_t window_column(const ScreenBuffer* screen) {
    return std::clamp(screen->cursor_x - screen->window_x, 0, screen->window_width - 1);
}

int32_t window_row(const ScreenBuffer* screen) {
    return std::clamp(screen->cursor_y - screen->window_y, 0, screen->window_height - 1);
}

void show_cursor(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    if (screen->cursor_visible && !screen->popup_shown) {
        move_cursor(render, window_column(screen), window_row(screen), out);
        if (render->cursor_shown != 1) out_text(out, CURSOR_SHOW);
        render->cursor_shown = 1;
    } else {
        if (render->cursor_shown != 0) out_text(out, CURSOR_HIDE);
        render->cursor_shown = 0;
    }
}

// A console's cursor is taller in the mode that is not the default (the
// line editor's overwriting): a terminal's is a block then.
void shape_cursor(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    int32_t block = screen->cursor_double ? 1 : 0;
    if (render->cursor_block == block) return;
    out_text(out, block == 1 ? CURSOR_BLOCK : CURSOR_OWN_SHAPE);
    render->cursor_block = block;
}

// The lowest row of the terminal that shows anything: text, or a colour
// other than the terminal's own; -1 when none does.
int32_t lowest_drawn_row(const TerminalRender* render, const ScreenBuffer* screen) {
    for (int32_t y = render->height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < render->width; ++x) {
            // Without a front copy the terminal shows what the window held
            // at the last frame, which is the window as it is.
            bool drawn = render->front != nullptr ? !screen_cell_empty(front_row(render, y)[x])
                                                  : y < screen->window_height && x < screen->window_width &&
                                                        !screen_cell_empty(window_cell(screen, x, y));
            if (drawn) return y;
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

void terminal_render_no_colour(TerminalRender* render) { render->no_colour = true; }

void terminal_render_invalidate(TerminalRender* render, RenderLost lost) {
    render->redraw = true;
    render->cursor_shown = -1;
    if (lost == RENDER_LOST_ROWS) return;
    render->colours = -1;
    // Only a block the renderer drew can be on show in its place.
    if (render->cursor_block != 0) render->cursor_block = -1;
}

bool terminal_render_started(const TerminalRender* render) { return render->started; }

bool terminal_render_current(const TerminalRender* render) { return render->started && !render->redraw; }

void terminal_render_cursor_found(TerminalRender* render, int32_t row, int32_t column) {
    if (!render->started) {
        render->cursor_x = column;
        render->cursor_y = row;
        return;
    }
    // The rows of the run above the terminal's top row are in its
    // scrollback, just above it: a terminal pulls those back first. Only
    // the rows pulled beyond them are the user's.
    int64_t pulled = int64_t{row} - render->cursor_y - render->window_top;
    render->pulled_rows = static_cast<int32_t>(std::clamp<int64_t>(pulled, 0, INT32_MAX));
}

void terminal_render_frame(TerminalRender* render, const ScreenBuffer* screen, RenderOutput* out) {
    int64_t top = window_top(screen);
    if (!render->started) start_screen(render, screen, out);
    // Without a front copy nothing is known of what the terminal shows.
    if (render->front == nullptr || render->redraw || render->width != screen->window_width ||
        render->height != screen->window_height || top < render->window_top) {
        redraw_rows(render, screen, out);
    } else {
        // Rows leaving the top go into the scrollback as the terminal shows
        // them, before a move sideways draws every row anew.
        if (top > render->window_top) scroll_rows(render, screen, top, out);
        if (render->window_x != screen->window_x) {
            redraw_rows(render, screen, out);
        } else {
            draw_changes(render, screen, out);
        }
    }
    show_cursor(render, screen, out);
    shape_cursor(render, screen, out);
}

std::size_t terminal_render_restore(const TerminalRender* render, const ScreenBuffer* screen, char* out) {
    FixedText text{out, 0, RENDER_RESTORE_CAPACITY};
    fixed_text(&text, COLOURS_RESET);
    fixed_text(&text, CURSOR_SHOW);
    if (render->cursor_block != 0) fixed_text(&text, CURSOR_OWN_SHAPE);
    if (!render->started || screen == nullptr) return text.length;
    int32_t lowest = lowest_drawn_row(render, screen);
    int32_t cursor_y = std::min(window_row(screen), render->height - 1);
    fixed_text(&text, CSI);
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
    colours_text(attribute, &text);
    return text.length;
}
