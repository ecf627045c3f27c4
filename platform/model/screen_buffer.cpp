// The screen buffer model: what a Windows console does to its cells and
// cursor for each operation. Pure functions on a ScreenBuffer.
#include "platform/model/screen_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr uint8_t BLANK = 0x20;
constexpr int32_t TAB_WIDTH = 8;
constexpr int32_t LARGEST_SIDE = 32767;  // a coordinate is a 16-bit SHORT

int64_t cell_count(const ScreenBuffer* screen) { return int64_t{screen->width} * screen->height; }

Cell& cell_at(ScreenBuffer* screen, int32_t x, int32_t y) {
    return screen->cells[static_cast<std::size_t>(int64_t{y} * screen->width + x)];
}

bool wraps(const ScreenBuffer* screen) { return (screen->mode & platform::ENABLE_WRAP_AT_EOL_OUTPUT) != 0; }

void line_feed(ScreenBuffer* screen) {
    screen->cursor_x = 0;
    if (screen->cursor_y + 1 < screen->height) {
        screen->cursor_y += 1;
    } else {
        screen_scroll_up(screen);
    }
}

// A character lands in the cursor's cell; from the last column the cursor
// wraps to the next row at once, or stays there with wrap off.
void put_char(ScreenBuffer* screen, uint8_t ch) {
    cell_at(screen, screen->cursor_x, screen->cursor_y) = Cell{ch, screen->attribute};
    if (screen->cursor_x + 1 < screen->width) {
        screen->cursor_x += 1;
    } else if (wraps(screen)) {
        line_feed(screen);
    }
}

void put_tab(ScreenBuffer* screen) {
    int32_t stop = screen_tab_stop(screen->cursor_x, screen->width);
    while (screen->cursor_x < stop - 1) put_char(screen, BLANK);
    put_char(screen, BLANK);
}

void write_byte(ScreenBuffer* screen, uint8_t byte) {
    switch (byte) {
    case '\r': screen->cursor_x = 0; break;
    case '\n': line_feed(screen); break;
    case '\b':
        if (screen->cursor_x > 0) screen->cursor_x -= 1;
        break;
    case '\t': put_tab(screen); break;
    case '\a': break;  // a bell: no cell, no move
    case '\0': put_char(screen, BLANK); break;
    default: put_char(screen, byte); break;
    }
}

bool inside(const ScreenBuffer* screen, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < screen->width && y < screen->height;
}

// The number of cells a fill may touch from (x, y) to the end of the buffer.
int64_t fill_span(const ScreenBuffer* screen, uint32_t length, int32_t x, int32_t y) {
    if (!inside(screen, x, y)) return 0;
    int64_t start = int64_t{y} * screen->width + x;
    return std::min<int64_t>(length, cell_count(screen) - start);
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
void window_follow(ScreenBuffer* screen) {
    screen->window_width = std::clamp(screen->window_width, 1, screen->width);
    screen->window_height = std::clamp(screen->window_height, 1, screen->height);
    screen->window_x = std::clamp(screen->window_x, 0, screen->width - screen->window_width);
    screen->window_y = std::clamp(screen->window_y, 0, screen->height - screen->window_height);
    screen->window_x = follow(screen->window_x, screen->window_width, screen->cursor_x);
    screen->window_y = follow(screen->window_y, screen->window_height, screen->cursor_y);
}

Cell* cells_alloc(int32_t width, int32_t height) {
    auto count = static_cast<std::size_t>(int64_t{width} * height);
    auto* cells = static_cast<Cell*>(platform::malloc(count * sizeof(Cell)));
    if (cells != nullptr) std::fill(cells, cells + count, Cell{BLANK, SCREEN_DEFAULT_ATTRIBUTE});
    return cells;
}

// Copies one row of the rectangle, in the order that reads each cell before
// the copy overwrites it.
void copy_row(ScreenBuffer* screen, Rect target, int32_t y, int32_t dx, int32_t dy) {
    Cell* to = &cell_at(screen, target.left, y);
    const Cell* from = &cell_at(screen, target.left - dx, y - dy);
    std::memmove(to, from, static_cast<std::size_t>(target.right - target.left + 1) * sizeof(Cell));
}

// Moves the cells of `target` from `dx` columns left and `dy` rows up of
// it, as if through a copy: rows are taken in the order that reads each
// before it is overwritten.
void move_cells(ScreenBuffer* screen, Rect target, int32_t dx, int32_t dy) {
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
        const Cell* row = screen->cells + static_cast<std::size_t>(int64_t{screen->window_y + i} * screen->width);
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
    screen->changes += 1;
    screen->width = std::clamp(width, 1, LARGEST_SIDE);
    screen->height = std::clamp(height, 1, LARGEST_SIDE);
    platform::free(screen->cells);
    screen->cells = cells_alloc(screen->width, screen->height);
    screen->cursor_x = 0;
    screen->cursor_y = 0;
    screen->cursor_visible = true;
    screen->cursor_size = SCREEN_DEFAULT_CURSOR_SIZE;
    screen->cursor_double = false;
    screen->attribute = SCREEN_DEFAULT_ATTRIBUTE;
    screen->popup_attr = SCREEN_DEFAULT_POPUP_ATTRIBUTE;
    screen->popup_shown = false;
    screen->mode = platform::ENABLE_PROCESSED_OUTPUT | platform::ENABLE_WRAP_AT_EOL_OUTPUT;
    screen->window_x = 0;
    screen->window_y = 0;
    screen->window_width = screen->width;
    screen->window_height = screen->height;
    screen->largest =
        platform::COORD{static_cast<platform::SHORT>(screen->width), static_cast<platform::SHORT>(screen->height)};
    screen->scrolls = 0;
    if (screen->cells != nullptr) return true;
    screen->width = 0;
    screen->height = 0;
    return false;
}

void screen_free(ScreenBuffer* screen) {
    screen->changes += 1;
    platform::free(screen->cells);
    screen->cells = nullptr;
    screen->width = 0;
    screen->height = 0;
    screen->cursor_x = 0;
    screen->cursor_y = 0;
}

bool screen_resize(ScreenBuffer* screen, int32_t width, int32_t height) {
    width = std::clamp(width, 1, LARGEST_SIDE);
    height = std::clamp(height, 1, LARGEST_SIDE);
    Cell* cells = cells_alloc(width, height);
    if (cells == nullptr) return false;
    int32_t keep_w = std::min(width, screen->width);
    int32_t keep_h = std::min(height, screen->height);
    for (int32_t y = 0; y < keep_h; ++y) {
        for (int32_t x = 0; x < keep_w; ++x) {
            cells[static_cast<std::size_t>(int64_t{y} * width + x)] = cell_at(screen, x, y);
        }
    }
    platform::free(screen->cells);
    screen->changes += 1;
    screen->cells = cells;
    screen->width = width;
    screen->height = height;
    screen->cursor_x = std::min(screen->cursor_x, width - 1);
    screen->cursor_y = std::min(screen->cursor_y, height - 1);
    window_follow(screen);
    return true;
}

void screen_set_cursor_info(ScreenBuffer* screen, uint32_t size, bool visible) {
    screen->changes += 1;
    screen->cursor_size = size;
    screen->cursor_visible = visible;
}

void screen_set_cursor_double(ScreenBuffer* screen, bool taller) {
    screen->changes += 1;
    screen->cursor_double = taller;
}

void screen_fit_terminal(ScreenBuffer* screen, int32_t columns, int32_t rows) {
    screen->changes += 1;
    columns = std::clamp(columns, 1, LARGEST_SIDE);
    rows = std::clamp(rows, 1, LARGEST_SIDE);
    if (columns > screen->width || rows > screen->height) {
        screen_resize(screen, std::max(columns, screen->width), std::max(rows, screen->height));
    }
    // A new size places the window as far up and left as still shows the
    // cursor: the layout from its top left, as much of it as fits.
    screen->window_width = std::min(columns, screen->width);
    screen->window_height = std::min(rows, screen->height);
    screen->window_x = std::max(0, screen->cursor_x - screen->window_width + 1);
    screen->window_y = std::max(0, screen->cursor_y - screen->window_height + 1);
    window_follow(screen);
    // The runtime's view area ends one row below the largest window; at
    // least the buffer's rows less one, it takes in every row of the
    // buffer however small the terminal, or whatever size it later takes.
    screen->largest = platform::COORD{static_cast<platform::SHORT>(columns),
                                      static_cast<platform::SHORT>(std::max(rows, screen->height - 1))};
}

int32_t screen_tab_stop(int32_t x, int32_t width) { return std::min((x / TAB_WIDTH + 1) * TAB_WIDTH, width); }

Cell screen_cell(const ScreenBuffer* screen, int32_t x, int32_t y) {
    if (!inside(screen, x, y)) return Cell{BLANK, SCREEN_DEFAULT_ATTRIBUTE};
    return screen->cells[static_cast<std::size_t>(int64_t{y} * screen->width + x)];
}

uint32_t screen_write(ScreenBuffer* screen, const uint8_t* bytes, uint32_t length) {
    screen->changes += 1;
    for (uint32_t i = 0; i < length; ++i) write_byte(screen, bytes[i]);
    window_follow(screen);
    return length;
}

uint32_t screen_fill_attribute(ScreenBuffer* screen, uint16_t attr, uint32_t length, int32_t x, int32_t y) {
    screen->changes += 1;
    int64_t count = fill_span(screen, length, x, y);
    // A start outside the buffer has no position in it to point at.
    if (count == 0) return 0;
    Cell* first = &cell_at(screen, x, y);
    for (int64_t i = 0; i < count; ++i) first[i].attr = attr;
    return static_cast<uint32_t>(count);
}

uint32_t screen_fill_character(ScreenBuffer* screen, uint8_t ch, uint32_t length, int32_t x, int32_t y) {
    screen->changes += 1;
    int64_t count = fill_span(screen, length, x, y);
    if (count == 0) return 0;
    Cell* first = &cell_at(screen, x, y);
    for (int64_t i = 0; i < count; ++i) first[i].ch = ch;
    return static_cast<uint32_t>(count);
}

uint32_t screen_write_cells(ScreenBuffer* screen, int32_t x, int32_t y, const Cell* cells, uint32_t count) {
    screen->changes += 1;
    count = row_span(screen, x, y, count);
    if (count > 0) std::copy(cells, cells + count, &cell_at(screen, x, y));
    return count;
}

uint32_t screen_write_characters(ScreenBuffer* screen, int32_t x, int32_t y, const uint8_t* bytes, uint32_t count) {
    screen->changes += 1;
    count = row_span(screen, x, y, count);
    Cell* first = count > 0 ? &cell_at(screen, x, y) : nullptr;
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
    screen->changes += 1;
    Rect target{dest_x, dest_y, dest_x + (source.right - source.left), dest_y + (source.bottom - source.top)};
    Rect written = rect_intersect(target, clip);

    if (fill_ch == 0 && fill_attr == 0) {
        fill_ch = BLANK;
        fill_attr = screen->attribute;
    }
    // The source and the destination may overlap: the move reads each cell
    // before it is overwritten, and the fill comes after, on source cells
    // the move did not cover.
    move_cells(screen, written, dest_x - source.left, dest_y - source.top);
    Rect fill = rect_intersect(clip, source);
    for (int32_t y = fill.top; y <= fill.bottom; ++y) {
        for (int32_t x = fill.left; x <= fill.right; ++x) {
            if (!rect_contains(written, x, y)) cell_at(screen, x, y) = Cell{fill_ch, fill_attr};
        }
    }
    return true;
}

bool screen_set_cursor(ScreenBuffer* screen, int32_t x, int32_t y) {
    if (!inside(screen, x, y)) return false;
    screen->changes += 1;
    screen->cursor_x = x;
    screen->cursor_y = y;
    window_follow(screen);
    return true;
}

void screen_set_popup_shown(ScreenBuffer* screen, bool shown) {
    screen->changes += 1;
    screen->popup_shown = shown;
}

void screen_scroll_up(ScreenBuffer* screen) {
    screen->changes += 1;
    auto row = static_cast<std::size_t>(screen->width);
    auto all = static_cast<std::size_t>(cell_count(screen));
    std::memmove(screen->cells, screen->cells + row, (all - row) * sizeof(Cell));
    std::fill(screen->cells + (all - row), screen->cells + all, Cell{BLANK, screen->attribute});
    screen->scrolls += 1;
}

bool screen_cell_empty(Cell cell) {
    return (cell.ch == BLANK || cell.ch == 0) && (cell.attr & 0xFFu) == SCREEN_DEFAULT_ATTRIBUTE;
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
    screen->changes += 1;
    screen->window_x = best;
}
