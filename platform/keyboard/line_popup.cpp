// The line input's popups: their boxes, what they show, and the cells they
// keep to give back. Every cell is written through the screen buffer's
// own functions.
#include "platform/keyboard/line_popup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

// Code page 850's single-line box characters.
constexpr uint8_t BOX_DOWN_RIGHT = 0xDA;
constexpr uint8_t BOX_HORIZONTAL = 0xC4;
constexpr uint8_t BOX_DOWN_LEFT = 0xBF;
constexpr uint8_t BOX_VERTICAL = 0xB3;
constexpr uint8_t BOX_UP_RIGHT = 0xC0;
constexpr uint8_t BOX_UP_LEFT = 0xD9;

constexpr char PROMPT_COPY_UP_TO[] = "Enter char to copy up to: ";
constexpr char PROMPT_DELETE_UP_TO[] = "Enter char to delete up to: ";
constexpr char PROMPT_NUMBER[] = "Enter command number: ";
// A character prompt keeps two cells after its text, as the console's does.
constexpr int32_t PROMPT_ROOM = 2;

// The list is at least 40 columns wide, or as wide as its longest entry
// after a number of up to 4 cells ("12: "), and as high as the history,
// from 10 rows to 20.
constexpr int32_t LIST_LEAST_WIDTH = 40;
constexpr int32_t LIST_NUMBER_CELLS = 4;
constexpr int32_t LIST_LEAST_ROWS = 10;
constexpr int32_t LIST_MOST_ROWS = 20;

struct Size {
    int32_t width;
    int32_t height;
};

int32_t text_cells(const char* text) { return static_cast<int32_t>(std::strlen(text)); }

// The inside of the box a popup asks for, the frame not counted.
Size inner_size(const LinePopup* popup, const ByteBuffer* history, uint32_t count) {
    switch (popup->kind) {
    case LINE_POPUP_COPY_UP_TO: return Size{text_cells(PROMPT_COPY_UP_TO) + PROMPT_ROOM, 1};
    case LINE_POPUP_DELETE_UP_TO: return Size{text_cells(PROMPT_DELETE_UP_TO) + PROMPT_ROOM, 1};
    case LINE_POPUP_NUMBER: return Size{text_cells(PROMPT_NUMBER) + static_cast<int32_t>(LINE_POPUP_DIGITS), 1};
    case LINE_POPUP_LIST: break;
    }
    int64_t width = LIST_LEAST_WIDTH;
    for (uint32_t i = 0; i < count; ++i)
        width = std::max<int64_t>(width, int64_t{history[i].length} + LIST_NUMBER_CELLS);
    int64_t rows = std::clamp<int64_t>(count, LIST_LEAST_ROWS, LIST_MOST_ROWS);
    return Size{static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX / 2)), static_cast<int32_t>(rows)};
}

const char* prompt_of(LinePopupKind kind) {
    switch (kind) {
    case LINE_POPUP_COPY_UP_TO: return PROMPT_COPY_UP_TO;
    case LINE_POPUP_DELETE_UP_TO: return PROMPT_DELETE_UP_TO;
    case LINE_POPUP_NUMBER: return PROMPT_NUMBER;
    case LINE_POPUP_LIST: break;
    }
    return "";
}

int32_t inner_width(const LinePopup* popup) { return popup->width - 2; }

// The selected entry is shown with the popup's colours the other way round.
uint16_t inverted(uint16_t attr) {
    return static_cast<uint16_t>((attr & 0xFF00u) | ((attr & 0x0Fu) << 4) | ((attr & 0xF0u) >> 4));
}

// One row of the box, all of it in the popup attribute: its first, inner
// and last characters.
void draw_frame_row(const LinePopup* popup, ScreenBuffer* screen, int32_t row, uint8_t first, uint8_t inner,
                    uint8_t last) {
    int32_t y = popup->top + row;
    auto width = static_cast<uint32_t>(popup->width);
    screen_fill_attribute(screen, screen->popup_attr, width, popup->left, y);
    screen_fill_character(screen, first, 1, popup->left, y);
    screen_fill_character(screen, inner, width - 2, popup->left + 1, y);
    screen_fill_character(screen, last, 1, popup->left + popup->width - 1, y);
}

void draw_frame(const LinePopup* popup, ScreenBuffer* screen) {
    draw_frame_row(popup, screen, 0, BOX_DOWN_RIGHT, BOX_HORIZONTAL, BOX_DOWN_LEFT);
    for (int32_t row = 1; row < popup->height - 1; ++row) {
        draw_frame_row(popup, screen, row, BOX_VERTICAL, SCREEN_BLANK, BOX_VERTICAL);
    }
    draw_frame_row(popup, screen, popup->height - 1, BOX_UP_RIGHT, BOX_HORIZONTAL, BOX_UP_LEFT);
}

// Text inside the box from its inner cell (column, row), cut at the frame.
void draw_text(const LinePopup* popup, ScreenBuffer* screen, int32_t column, int32_t row, const void* text,
               uint32_t length) {
    if (column < 0 || column >= inner_width(popup)) return;
    uint32_t room = static_cast<uint32_t>(inner_width(popup) - column);
    screen_write_characters(screen, popup->left + 1 + column, popup->top + 1 + row, static_cast<const uint8_t*>(text),
                            std::min(length, room));
}

// The digits stand in the last cells of the prompt's row, after its text.
int32_t digit_column(const LinePopup* popup, uint32_t index) {
    return inner_width(popup) - static_cast<int32_t>(LINE_POPUP_DIGITS) + static_cast<int32_t>(index);
}

void draw_prompt(const LinePopup* popup, ScreenBuffer* screen) {
    const char* prompt = prompt_of(popup->kind);
    draw_text(popup, screen, 0, 0, prompt, static_cast<uint32_t>(std::strlen(prompt)));
    if (popup->kind != LINE_POPUP_NUMBER) return;
    for (uint32_t i = 0; i < popup->digit_count; ++i) {
        draw_text(popup, screen, digit_column(popup, i), 0, &popup->digits[i], 1);
    }
}

// The entries from the one on the top row down to `bottom`, each after
// its number; the rest of the rows blank.
void draw_list(const LinePopup* popup, ScreenBuffer* screen, const ByteBuffer* history, uint32_t count) {
    int32_t rows = line_popup_rows(popup);
    int64_t first = std::max<int64_t>(int64_t{popup->bottom} + 1 - rows, 0);
    auto width = static_cast<uint32_t>(inner_width(popup));
    for (int32_t row = 0; row < rows; ++row) {
        auto index = static_cast<uint32_t>(first + row);
        bool shown = index <= popup->bottom && index < count;
        uint16_t attr = shown && index == popup->selected ? inverted(screen->popup_attr) : screen->popup_attr;
        screen_fill_character(screen, SCREEN_BLANK, width, popup->left + 1, popup->top + 1 + row);
        screen_fill_attribute(screen, attr, width, popup->left + 1, popup->top + 1 + row);
        if (!shown) continue;
        char number[16];
        int cells = std::snprintf(number, sizeof number, "%u: ", index);
        draw_text(popup, screen, 0, row, number, static_cast<uint32_t>(cells));
        draw_text(popup, screen, cells, row, history[index].bytes, history[index].length);
    }
}

// The lowest entry in view: the list's end, or, when the selected entry is
// further up than a page from it, the selected entry (the first page's
// last at the least).
void place_bottom(LinePopup* popup, uint32_t count) {
    int64_t rows = line_popup_rows(popup);
    int64_t selected = popup->selected;
    int64_t bottom = selected < int64_t{count} - rows ? std::max(selected, rows - 1) : int64_t{count} - 1;
    popup->bottom = static_cast<uint32_t>(bottom);
}

}  // namespace

bool line_popup_open(LinePopup* popup, ScreenBuffer* screen, const ByteBuffer* history, uint32_t count) {
    Size inner = inner_size(popup, history, count);
    popup->width = std::min(inner.width + 2, screen->window_width);
    popup->height = std::min(inner.height + 2, screen->window_height);
    if (popup->width < 3 || popup->height < 3) return false;
    popup->left = screen->window_x + (screen->window_width - popup->width) / 2;
    popup->top = screen->window_y + (screen->window_height - popup->height) / 2;
    auto cells = static_cast<std::size_t>(popup->width) * static_cast<std::size_t>(popup->height);
    popup->covered = static_cast<Cell*>(platform::malloc(cells * sizeof(Cell)));
    if (popup->covered == nullptr) return false;
    Cell* kept = popup->covered;
    for (int32_t y = 0; y < popup->height; ++y) {
        for (int32_t x = 0; x < popup->width; ++x) *kept++ = screen_cell(screen, popup->left + x, popup->top + y);
    }
    draw_frame(popup, screen);
    if (popup->kind == LINE_POPUP_LIST) {
        place_bottom(popup, count);
        draw_list(popup, screen, history, count);
    } else {
        draw_prompt(popup, screen);
    }
    return true;
}

void line_popup_close(LinePopup* popup, ScreenBuffer* screen) {
    if (popup->covered == nullptr) return;
    for (int32_t y = 0; y < popup->height; ++y) {
        const Cell* row = popup->covered + static_cast<std::size_t>(y) * static_cast<std::size_t>(popup->width);
        screen_write_cells(screen, popup->left, popup->top + y, row, static_cast<uint32_t>(popup->width));
    }
    platform::free(popup->covered);
    popup->covered = nullptr;
}

int32_t line_popup_rows(const LinePopup* popup) { return popup->height - 2; }

void line_popup_select(LinePopup* popup, ScreenBuffer* screen, const ByteBuffer* history, uint32_t count,
                       int64_t index) {
    int64_t rows = line_popup_rows(popup);
    int64_t last = int64_t{count} - 1;
    int64_t chosen = std::clamp<int64_t>(index, 0, last);
    int64_t moved = chosen - popup->selected;
    int64_t bottom = popup->bottom;
    if (chosen <= bottom - rows) {
        bottom = std::max(bottom + moved, rows - 1);
    } else if (chosen > bottom) {
        bottom = std::min(bottom + moved, last);
    }
    popup->selected = static_cast<uint32_t>(chosen);
    popup->bottom = static_cast<uint32_t>(bottom);
    draw_list(popup, screen, history, count);
}

void line_popup_removed(LinePopup* popup, ScreenBuffer* screen, const ByteBuffer* history, uint32_t count) {
    place_bottom(popup, count);
    if (popup->selected >= count) {
        popup->selected = count - 1;
        popup->bottom = popup->selected;
    }
    draw_list(popup, screen, history, count);
}

void line_popup_type_digit(LinePopup* popup, ScreenBuffer* screen, uint8_t digit) {
    if (popup->digit_count == LINE_POPUP_DIGITS) return;
    popup->digits[popup->digit_count] = digit;
    draw_text(popup, screen, digit_column(popup, popup->digit_count), 0, &digit, 1);
    popup->digit_count += 1;
}

void line_popup_erase_digit(LinePopup* popup, ScreenBuffer* screen) {
    if (popup->digit_count == 0) return;
    popup->digit_count -= 1;
    draw_text(popup, screen, digit_column(popup, popup->digit_count), 0, &SCREEN_BLANK, 1);
}

uint32_t line_popup_number(const LinePopup* popup) {
    uint32_t number = 0;
    for (uint32_t i = 0; i < popup->digit_count; ++i) number = number * 10 + (popup->digits[i] - '0');
    return number;
}
