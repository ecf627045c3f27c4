// The screen buffer model: what a Windows console does to its cells and
// cursor for each operation. Pure functions on a ScreenBuffer.
#include "platform/model/screen_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr int32_t TAB_WIDTH = 8;
constexpr int32_t LARGEST_SIDE = 32767;  // a coordinate is a 16-bit SHORT

// The one way to write the record: an operation makes its checks, then takes
// the record from here and writes through it alone (the helpers that write
// are handed this ScreenBuffer&), so that no write goes uncounted.
ScreenBuffer& edit(ScreenBuffer* screen) {
    screen->changes += 1;
    return *screen;
}

int64_t cell_count(const ScreenBuffer* screen) { return int64_t{screen->width} * screen->height; }

Cell& cell_at(ScreenBuffer& screen, int32_t x, int32_t y) {
    return screen.cells[static_cast<std::size_t>(screen_cell_index(screen.width, x, y))];
}

bool wraps(const ScreenBuffer* screen) { return (screen->mode & platform::ENABLE_WRAP_AT_EOL_OUTPUT) != 0; }

// The whole buffer up one row, the new bottom row blanks in the current attribute.
void scroll_up(ScreenBuffer& screen) {
    auto row = static_cast<std::size_t>(screen.width);
    auto all = static_cast<std::size_t>(cell_count(&screen));
    std::memmove(screen.cells, screen.cells + row, (all - row) * sizeof(Cell));
    std::fill(screen.cells + (all - row), screen.cells + all, Cell{SCREEN_BLANK, screen.attribute});
    screen.scrolls += 1;
}

void line_feed(ScreenBuffer& screen) {
    screen.cursor_x = 0;
    if (screen.cursor_y + 1 < screen.height) {
        screen.cursor_y += 1;
    } else {
        scroll_up(screen);
    }
}

// A character lands in the cursor's cell; from the last column the cursor
// wraps to the next row at once, or stays there with wrap off.
void put_char(ScreenBuffer& screen, uint8_t ch) {
    cell_at(screen, screen.cursor_x, screen.cursor_y) = Cell{ch, screen.attribute};
    if (screen.cursor_x + 1 < screen.width) {
        screen.cursor_x += 1;
    } else if (wraps(&screen)) {
        line_feed(screen);
    }
}

void put_tab(ScreenBuffer& screen) {
    int32_t stop = screen_tab_stop(screen.cursor_x, screen.width);
    while (screen.cursor_x < stop - 1) put_char(screen, SCREEN_BLANK);
    put_char(screen, SCREEN_BLANK);
}

void write_byte(ScreenBuffer& screen, uint8_t byte) {
    switch (byte) {
    case '\r': screen.cursor_x = 0; break;
    case '\n': line_feed(screen); break;
    case '\b':
        if (screen.cursor_x > 0) screen.cursor_x -= 1;
        break;
    case '\t': put_tab(screen); break;
    case '\a': break;  // a bell: no cell, no move
    case '\0': put_char(screen, SCREEN_BLANK); break;
    default: put_char(screen, byte); break;
    }
}

bool inside(const ScreenBuffer* screen, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < screen->width && y < screen->height;
}

// Sets `length` cells from (x, y) with `set`, running on across row ends
// and stopping at the end of the buffer; returns the cells set.
template <typename Set>
uint32_t fill(ScreenBuffer* screen, uint32_t length, int32_t x, int32_t y, Set set) {
    // A start outside the buffer has no position in it to point at.
    if (!inside(screen, x, y)) return 0;
    int64_t count = std::min<int64_t>(length, cell_count(screen) - screen_cell_index(screen->width, x, y));
    Cell* first = &cell_at(edit(screen), x, y);
    std::for_each(first, first + count, set);
    return static_cast<uint32_t>(count);
}

// The number of cells a write along row y may touch from column x.
uint32_t row_span(const ScreenBuffer* screen, int32_t x, int32_t y, uint32_t count) {
    if (!inside(screen, x, y)) return 0;
    return std::min(count, static_cast<uint32_t>(screen->width - x));
}

struct Rect {
    int32_t left, top, right, bottom;  // inclusive
};

bool rect_empty(Rect r) { return r.left > r.right || r.top > r.bottom; }

Rect rect_intersect(Rect a, Rect b) {
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool rect_contains(Rect r, int32_t x, int32_t y) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; }

Rect rect_from(platform::SMALL_RECT r) { return Rect{r.Left, r.Top, r.Right, r.Bottom}; }

// The least move along one axis that puts `at` inside [start, start + size).
int32_t follow(int32_t start, int32_t size, int32_t at) {
    if (at < start) return at;
    if (at >= start + size) return at - size + 1;
    return start;
}

// The window inside the buffer and over the cursor.
void window_follow(ScreenBuffer& screen) {
    screen.window_width = std::clamp(screen.window_width, 1, screen.width);
    screen.window_height = std::clamp(screen.window_height, 1, screen.height);
    screen.window_x = std::clamp(screen.window_x, 0, screen.width - screen.window_width);
    screen.window_y = std::clamp(screen.window_y, 0, screen.height - screen.window_height);
    screen.window_x = follow(screen.window_x, screen.window_width, screen.cursor_x);
    screen.window_y = follow(screen.window_y, screen.window_height, screen.cursor_y);
}

Cell* cells_alloc(int32_t width, int32_t height) {
    auto count = static_cast<std::size_t>(int64_t{width} * height);
    auto* cells = static_cast<Cell*>(platform::malloc(count * sizeof(Cell)));
    if (cells != nullptr) std::fill(cells, cells + count, Cell{SCREEN_BLANK, SCREEN_DEFAULT_ATTRIBUTE});
    return cells;
}

// Copies one row of the rectangle, in the order that reads each cell before
// the copy overwrites it.
void copy_row(ScreenBuffer& screen, Rect target, int32_t y, int32_t dx, int32_t dy) {
    Cell* to = &cell_at(screen, target.left, y);
    const Cell* from = &cell_at(screen, target.left - dx, y - dy);
    std::memmove(to, from, static_cast<std::size_t>(target.right - target.left + 1) * sizeof(Cell));
}

// Moves the cells of `target` from `dx` columns left and `dy` rows up of
// it, as if through a copy: rows are taken in the order that reads each
// before it is overwritten.
void move_cells(ScreenBuffer& screen, Rect target, int32_t dx, int32_t dy) {
    if (rect_empty(target)) return;
    if (dy > 0) {
        for (int32_t y = target.bottom; y >= target.top; --y) copy_row(screen, target, y, dx, dy);
    } else {
        for (int32_t y = target.top; y <= target.bottom; ++y) copy_row(screen, target, y, dx, dy);
    }
}

// The first and last column of the text of one row; first > last: none.
struct TextSpan {
    int16_t first;
    int16_t last;
};

// The spans of the rows the window shows, worked out afresh at each use.
TextSpan text_spans[LARGEST_SIDE];

// Fills text_spans for the window's rows; returns their count.
int32_t window_text_spans(const ScreenBuffer* screen) {
    for (int32_t i = 0; i < screen->window_height; ++i) {
        const Cell* row = screen_row(screen, screen->window_y + i);
        int32_t first = 0;
        int32_t last = screen->width - 1;
        while (first <= last && screen_cell_empty(row[first])) ++first;
        while (last >= first && screen_cell_empty(row[last])) --last;
        text_spans[i] = TextSpan{static_cast<int16_t>(first), static_cast<int16_t>(last)};
    }
    return screen->window_height;
}

// How many rows of text have their end, and their start, in view in a
// window from column x, `width` wide.
struct TextShown {
    int32_t ends;
    int32_t starts;
};

TextShown text_shown(int32_t rows, int32_t x, int32_t width) {
    TextShown shown{0, 0};
    for (int32_t i = 0; i < rows; ++i) {
        const TextSpan& span = text_spans[i];
        if (span.first > span.last) continue;
        shown.ends += span.last >= x && span.last < x + width ? 1 : 0;
        shown.starts += span.first >= x && span.first < x + width ? 1 : 0;
    }
    return shown;
}

}  // namespace

bool screen_init(ScreenBuffer* screen, int32_t width, int32_t height) {
    ScreenBuffer& s = edit(screen);
    s.width = std::clamp(width, 1, LARGEST_SIDE);
    s.height = std::clamp(height, 1, LARGEST_SIDE);
    platform::free(s.cells);
    s.cells = cells_alloc(s.width, s.height);
    s.cursor_x = 0;
    s.cursor_y = 0;
    s.cursor_visible = true;
    s.cursor_size = SCREEN_DEFAULT_CURSOR_SIZE;
    s.cursor_double = false;
    s.attribute = SCREEN_DEFAULT_ATTRIBUTE;
    s.popup_attr = SCREEN_DEFAULT_POPUP_ATTRIBUTE;
    s.popup_shown = false;
    s.mode = platform::ENABLE_PROCESSED_OUTPUT | platform::ENABLE_WRAP_AT_EOL_OUTPUT;
    s.window_x = 0;
    s.window_y = 0;
    s.window_width = s.width;
    s.window_height = s.height;
    s.largest = platform::COORD{static_cast<platform::SHORT>(s.width), static_cast<platform::SHORT>(s.height)};
    s.scrolls = 0;
    if (s.cells != nullptr) return true;
    s.width = 0;
    s.height = 0;
    return false;
}

void screen_free(ScreenBuffer* screen) {
    ScreenBuffer& s = edit(screen);
    platform::free(s.cells);
    s.cells = nullptr;
    s.width = 0;
    s.height = 0;
    s.cursor_x = 0;
    s.cursor_y = 0;
}

bool screen_resize(ScreenBuffer* screen, int32_t width, int32_t height) {
    width = std::clamp(width, 1, LARGEST_SIDE);
    height = std::clamp(height, 1, LARGEST_SIDE);
    Cell* cells = cells_alloc(width, height);
    if (cells == nullptr) return false;
    int32_t keep_w = std::min(width, screen->width);
    for (int32_t y = 0; y < std::min(height, screen->height); ++y)
        std::copy_n(screen_row(screen, y), keep_w, cells + static_cast<std::size_t>(screen_cell_index(width, 0, y)));
    ScreenBuffer& s = edit(screen);
    platform::free(s.cells);
    s.cells = cells;
    s.width = width;
    s.height = height;
    s.cursor_x = std::min(s.cursor_x, width - 1);
    s.cursor_y = std::min(s.cursor_y, height - 1);
    window_follow(s);
    return true;
}

void screen_set_cursor_info(ScreenBuffer* screen, uint32_t size, bool visible) {
    ScreenBuffer& s = edit(screen);
    s.cursor_size = size;
    s.cursor_visible = visible;
}

void screen_set_cursor_double(ScreenBuffer* screen, bool taller) { edit(screen).cursor_double = taller; }

void screen_fit_terminal(ScreenBuffer* screen, int32_t columns, int32_t rows) {
    columns = std::clamp(columns, 1, LARGEST_SIDE);
    rows = std::clamp(rows, 1, LARGEST_SIDE);
    if (columns > screen->width || rows > screen->height) {
        screen_resize(screen, std::max(columns, screen->width), std::max(rows, screen->height));
    }
    ScreenBuffer& s = edit(screen);
    // A new size places the window as far up and left as still shows the
    // cursor: the layout from its top left, as much of it as fits.
    s.window_width = std::min(columns, s.width);
    s.window_height = std::min(rows, s.height);
    s.window_x = std::max(0, s.cursor_x - s.window_width + 1);
    s.window_y = std::max(0, s.cursor_y - s.window_height + 1);
    window_follow(s);
    // The runtime's view area ends one row below the largest window; at
    // least the buffer's rows less one, it takes in every row of the
    // buffer however small the terminal, or whatever size it later takes.
    s.largest = platform::COORD{static_cast<platform::SHORT>(columns),
                                static_cast<platform::SHORT>(std::max(rows, s.height - 1))};
}

int32_t screen_tab_stop(int32_t x, int32_t width) { return std::min((x / TAB_WIDTH + 1) * TAB_WIDTH, width); }

int64_t screen_cell_index(int32_t width, int64_t x, int64_t y) { return y * width + x; }

const Cell* screen_row(const ScreenBuffer* screen, int32_t y) {
    return screen->cells + static_cast<std::size_t>(screen_cell_index(screen->width, 0, y));
}

Cell screen_cell(const ScreenBuffer* screen, int32_t x, int32_t y) {
    return inside(screen, x, y) ? screen_row(screen, y)[x] : Cell{SCREEN_BLANK, SCREEN_DEFAULT_ATTRIBUTE};
}

uint32_t screen_write(ScreenBuffer* screen, const uint8_t* bytes, uint32_t length) {
    ScreenBuffer& s = edit(screen);
    for (uint32_t i = 0; i < length; ++i) write_byte(s, bytes[i]);
    window_follow(s);
    return length;
}

uint32_t screen_fill_attribute(ScreenBuffer* screen, uint16_t attr, uint32_t length, int32_t x, int32_t y) {
    return fill(screen, length, x, y, [attr](Cell& cell) { cell.attr = attr; });
}

uint32_t screen_fill_character(ScreenBuffer* screen, uint8_t ch, uint32_t length, int32_t x, int32_t y) {
    return fill(screen, length, x, y, [ch](Cell& cell) { cell.ch = ch; });
}

uint32_t screen_write_cells(ScreenBuffer* screen, int32_t x, int32_t y, const Cell* cells, uint32_t count) {
    count = row_span(screen, x, y, count);
    if (count > 0) std::copy(cells, cells + count, &cell_at(edit(screen), x, y));
    return count;
}

uint32_t screen_write_characters(ScreenBuffer* screen, int32_t x, int32_t y, const uint8_t* bytes, uint32_t count) {
    count = row_span(screen, x, y, count);
    if (count == 0) return 0;
    Cell* first = &cell_at(edit(screen), x, y);
    for (uint32_t i = 0; i < count; ++i) first[i].ch = bytes[i];
    return count;
}

bool screen_scroll(ScreenBuffer* screen, platform::SMALL_RECT source_rect, const platform::SMALL_RECT* clip_rect,
                   platform::COORD destination, uint8_t fill_ch, uint16_t fill_attr) {
    Rect whole{0, 0, screen->width - 1, screen->height - 1};
    Rect asked = rect_from(source_rect);
    Rect source = rect_intersect(asked, whole);
    if (rect_empty(asked) || rect_empty(source)) return false;
    Rect clip = clip_rect != nullptr ? rect_intersect(rect_from(*clip_rect), whole) : whole;

    // The destination moves with whatever the buffer trimmed off the source.
    int32_t dest_x = destination.X + (source.left - asked.left);
    int32_t dest_y = destination.Y + (source.top - asked.top);
    if (dest_x == source.left && dest_y == source.top) return true;
    ScreenBuffer& s = edit(screen);
    Rect target{dest_x, dest_y, dest_x + (source.right - source.left), dest_y + (source.bottom - source.top)};
    Rect written = rect_intersect(target, clip);

    if (fill_ch == 0 && fill_attr == 0) {
        fill_ch = SCREEN_BLANK;
        fill_attr = s.attribute;
    }
    // The source and the destination may overlap: the move reads each cell
    // before it is overwritten, and the fill comes after, on source cells
    // the move did not cover.
    move_cells(s, written, dest_x - source.left, dest_y - source.top);
    Rect fill = rect_intersect(clip, source);
    for (int32_t y = fill.top; y <= fill.bottom; ++y) {
        for (int32_t x = fill.left; x <= fill.right; ++x) {
            if (!rect_contains(written, x, y)) cell_at(s, x, y) = Cell{fill_ch, fill_attr};
        }
    }
    return true;
}

bool screen_set_cursor(ScreenBuffer* screen, int32_t x, int32_t y) {
    if (!inside(screen, x, y)) return false;
    ScreenBuffer& s = edit(screen);
    s.cursor_x = x;
    s.cursor_y = y;
    window_follow(s);
    return true;
}

void screen_set_popup_shown(ScreenBuffer* screen, bool shown) { edit(screen).popup_shown = shown; }

void screen_set_attribute(ScreenBuffer* screen, uint16_t attribute) { edit(screen).attribute = attribute; }

void screen_set_mode(ScreenBuffer* screen, uint32_t mode) { edit(screen).mode = mode; }

bool screen_cell_empty(Cell cell) {
    return (cell.ch == SCREEN_BLANK || cell.ch == 0) && (cell.attr & 0xFFu) == SCREEN_DEFAULT_ATTRIBUTE;
}

void screen_window_show_text(ScreenBuffer* screen) {
    int32_t width = screen->window_width;
    // The places that keep the cursor in view.
    int32_t lowest = std::max(0, screen->cursor_x - width + 1);
    int32_t highest = std::min(screen->cursor_x, screen->width - width);
    if (lowest >= highest) return;
    int32_t rows = window_text_spans(screen);
    // Where what the rows show changes: a row's end or start comes into
    // view, or leaves it. The best place is the current one or one of these.
    auto better = [&](int32_t x, int32_t than) {
        TextShown a = text_shown(rows, x, width);
        TextShown b = text_shown(rows, than, width);
        if (a.ends != b.ends) return a.ends > b.ends;
        if (a.starts != b.starts) return a.starts > b.starts;
        return std::abs(x - screen->window_x) < std::abs(than - screen->window_x);
    };
    int32_t best = screen->window_x;
    auto consider = [&](int32_t x) {
        x = std::clamp(x, lowest, highest);
        if (better(x, best)) best = x;
    };
    consider(lowest);
    consider(highest);
    for (int32_t i = 0; i < rows; ++i) {
        int32_t first = text_spans[i].first;
        int32_t last = text_spans[i].last;
        if (first > last) continue;
        for (int32_t x : {last - width + 1, last, first - width + 1, first}) consider(x);
    }
    if (best == screen->window_x) return;
    edit(screen).window_x = best;
}
