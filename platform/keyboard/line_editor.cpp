// The line editor: a typed line, its editing keys, its history, and its echo
// in the screen buffer. The echo is written with screen_write, so it wraps
// and scrolls exactly as any other console output.
#include "platform/keyboard/line_editor.h"

#include <algorithm>

namespace {

constexpr uint8_t CODE_BACKSPACE = 8;
constexpr uint8_t CODE_LINE_FEED = 10;
constexpr uint8_t CODE_ENTER = 13;
constexpr uint8_t CODE_CTRL_D = 4;
constexpr uint8_t CODE_ESC = 27;
constexpr uint8_t LEAD_GREY = 224;
constexpr uint8_t EXT_UP = 72;
constexpr uint8_t EXT_DOWN = 80;
constexpr uint8_t EXT_LEFT = 75;
constexpr uint8_t EXT_RIGHT = 77;
constexpr uint8_t EXT_HOME = 71;
constexpr uint8_t EXT_END = 79;
constexpr uint8_t EXT_PAGE_UP = 73;
constexpr uint8_t EXT_PAGE_DOWN = 81;
constexpr uint8_t EXT_INSERT = 82;
constexpr uint8_t EXT_DELETE = 83;
constexpr uint8_t EXT_CTRL_LEFT = 115;
constexpr uint8_t EXT_CTRL_RIGHT = 116;
constexpr uint8_t EXT_CTRL_HOME = 119;
constexpr uint8_t EXT_CTRL_END = 117;

// The buffer may have scrolled since the line began (the echo itself
// scrolls it at the bottom); the line's start moves up with its text.
void follow_scrolling(LineEditor* editor, const ScreenBuffer* screen) {
    uint64_t scrolled = screen->scrolls - editor->scrolls_seen;
    editor->scrolls_seen = screen->scrolls;
    int64_t y = static_cast<int64_t>(editor->start_y) - static_cast<int64_t>(std::min<uint64_t>(scrolled, INT32_MAX));
    editor->start_y = static_cast<int32_t>(std::max<int64_t>(y, INT32_MIN / 2));
}

// The terminal was resized while the line was being edited: the buffer
// kept its cells from the top left, but the echo wraps at another column
// now, or rows it ran on to are gone (a shorter terminal, as wide as
// before, crops them and clamps the cursor above them). The line's start is kept inside the buffer and the whole line laid
// out again, blanking the cells the old layout may have used.
void follow_resize(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->width_seen == screen->width && editor->height_seen == screen->height) return;
    int64_t old_rows = editor->width_seen > 0 ? (editor->start_x + int64_t{editor->shown}) / editor->width_seen + 1 : 1;
    editor->width_seen = screen->width;
    editor->height_seen = screen->height;
    editor->start_x = std::min(editor->start_x, screen->width - 1);
    editor->start_y = std::min(editor->start_y, screen->height - 1);
    // Blank the rows the old layout used, counted in the new width.
    int64_t old_cells = old_rows * screen->width - editor->start_x;
    editor->shown = static_cast<uint32_t>(std::clamp<int64_t>(old_cells, editor->shown, UINT32_MAX / 2));
}

// Cell number (row * width + column) of the line's character at index;
// negative once that part has scrolled off the top.
int64_t cell_of(const LineEditor* editor, const ScreenBuffer* screen, uint32_t index) {
    return static_cast<int64_t>(editor->start_y) * screen->width + editor->start_x + index;
}

// The cursor at a cell number, kept inside the buffer.
void place_cursor(ScreenBuffer* screen, int64_t cell) {
    int64_t last = static_cast<int64_t>(screen->width) * screen->height - 1;
    cell = std::clamp<int64_t>(cell, 0, last);
    screen_set_cursor(screen, static_cast<int32_t>(cell % screen->width), static_cast<int32_t>(cell / screen->width));
}

// Rewrites the line from index on, blanks what the line covered beyond its
// new end, and puts the cursor at the insertion point.
void redraw_from(LineEditor* editor, ScreenBuffer* screen, uint32_t index) {
    follow_scrolling(editor, screen);
    uint32_t length = static_cast<uint32_t>(editor->text.size());
    uint32_t first = index;
    int64_t start_cell = cell_of(editor, screen, 0);
    if (start_cell < 0) first = std::max<uint32_t>(first, static_cast<uint32_t>(std::min<int64_t>(-start_cell, length)));
    if (first < length) {
        place_cursor(screen, cell_of(editor, screen, first));
        screen_write(screen, editor->text.data() + first, length - first);
        follow_scrolling(editor, screen);
    }
    if (editor->shown > length) {
        int64_t cell = cell_of(editor, screen, length);
        int64_t count = editor->shown - length;
        if (cell < 0) {
            count += cell;
            cell = 0;
        }
        if (count > 0) {
            int32_t x = static_cast<int32_t>(cell % screen->width);
            int32_t y = static_cast<int32_t>(cell / screen->width);
            screen_fill_character(screen, ' ', static_cast<uint32_t>(count), x, y);
            screen_fill_attribute(screen, screen->attribute, static_cast<uint32_t>(count), x, y);
        }
    }
    editor->shown = length;
    place_cursor(screen, cell_of(editor, screen, editor->cursor));
}

void replace_line(LineEditor* editor, ScreenBuffer* screen, const std::vector<uint8_t>& text) {
    editor->text = text;
    editor->cursor = static_cast<uint32_t>(text.size());
    redraw_from(editor, screen, 0);
}

void recall(LineEditor* editor, ScreenBuffer* screen, uint32_t index) {
    if (index >= editor->history.size() || index == editor->history_index) return;
    editor->history_index = index;
    replace_line(editor, screen, editor->history[index]);
}

bool is_word_byte(uint8_t byte) { return byte != ' '; }

uint32_t word_left(const LineEditor* editor) {
    uint32_t i = editor->cursor;
    while (i > 0 && !is_word_byte(editor->text[i - 1])) --i;
    while (i > 0 && is_word_byte(editor->text[i - 1])) --i;
    return i;
}

uint32_t word_right(const LineEditor* editor) {
    uint32_t length = static_cast<uint32_t>(editor->text.size());
    uint32_t i = editor->cursor;
    while (i < length && is_word_byte(editor->text[i])) ++i;
    while (i < length && !is_word_byte(editor->text[i])) ++i;
    return i;
}

void move_to(LineEditor* editor, ScreenBuffer* screen, uint32_t index) {
    editor->cursor = index;
    follow_scrolling(editor, screen);
    place_cursor(screen, cell_of(editor, screen, index));
}

void erase_range(LineEditor* editor, ScreenBuffer* screen, uint32_t from, uint32_t to) {
    if (from >= to) return;
    editor->text.erase(editor->text.begin() + from, editor->text.begin() + to);
    editor->cursor = from;
    redraw_from(editor, screen, from);
}

void finish_line(LineEditor* editor, ScreenBuffer* screen) {
    move_to(editor, screen, static_cast<uint32_t>(editor->text.size()));
    static const uint8_t CRLF[2] = {'\r', '\n'};
    screen_write(screen, CRLF, 2);
    follow_scrolling(editor, screen);
    if (!editor->text.empty()) {
        if (editor->history.size() == LINE_HISTORY_CAPACITY) editor->history.erase(editor->history.begin());
        editor->history.push_back(editor->text);
    }
    editor->history_index = static_cast<uint32_t>(editor->history.size());
}

LineEditorResult extended_key(LineEditor* editor, ScreenBuffer* screen, Key key) {
    if (key.lead != LEAD_GREY) return LINE_EDITOR_EDITING;  // function keys: nothing to do
    uint32_t length = static_cast<uint32_t>(editor->text.size());
    switch (key.code) {
        case EXT_LEFT:
            if (editor->cursor > 0) move_to(editor, screen, editor->cursor - 1);
            break;
        case EXT_RIGHT:
            if (editor->cursor < length) move_to(editor, screen, editor->cursor + 1);
            break;
        case EXT_HOME: move_to(editor, screen, 0); break;
        case EXT_END: move_to(editor, screen, length); break;
        case EXT_CTRL_LEFT: move_to(editor, screen, word_left(editor)); break;
        case EXT_CTRL_RIGHT: move_to(editor, screen, word_right(editor)); break;
        case EXT_INSERT: editor->overwrite = !editor->overwrite; break;
        case EXT_DELETE: erase_range(editor, screen, editor->cursor, std::min(editor->cursor + 1, length)); break;
        case EXT_CTRL_HOME: erase_range(editor, screen, 0, editor->cursor); break;
        case EXT_CTRL_END: erase_range(editor, screen, editor->cursor, length); break;
        case EXT_UP:
            if (editor->history_index > 0) recall(editor, screen, editor->history_index - 1);
            break;
        case EXT_DOWN: recall(editor, screen, editor->history_index + 1); break;
        case EXT_PAGE_UP: recall(editor, screen, 0); break;
        case EXT_PAGE_DOWN:
            if (!editor->history.empty()) recall(editor, screen, static_cast<uint32_t>(editor->history.size() - 1));
            break;
        default: break;
    }
    return LINE_EDITOR_EDITING;
}

}  // namespace

void line_editor_init(LineEditor* editor) {
    editor->text.clear();
    editor->history.clear();
    editor->cursor = 0;
    editor->start_x = 0;
    editor->start_y = 0;
    editor->shown = 0;
    editor->scrolls_seen = 0;
    editor->history_index = 0;
    editor->width_seen = 0;
    editor->height_seen = 0;
    editor->overwrite = false;
}

void line_editor_begin(LineEditor* editor, const ScreenBuffer* screen) {
    editor->text.clear();
    editor->cursor = 0;
    editor->start_x = screen->cursor_x;
    editor->start_y = screen->cursor_y;
    editor->shown = 0;
    editor->scrolls_seen = screen->scrolls;
    editor->history_index = static_cast<uint32_t>(editor->history.size());
    editor->width_seen = screen->width;
    editor->height_seen = screen->height;
    editor->overwrite = false;  // each line starts in insert mode, as on the console
}

void line_editor_follow(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->width_seen == screen->width && editor->height_seen == screen->height) return;
    follow_resize(editor, screen);
    redraw_from(editor, screen, 0);
}

LineEditorResult line_editor_key(LineEditor* editor, ScreenBuffer* screen, Key key) {
    line_editor_follow(editor, screen);
    if (key.extended) return extended_key(editor, screen, key);
    switch (key.code) {
        case CODE_ENTER:
        case CODE_LINE_FEED:
            finish_line(editor, screen);
            return LINE_EDITOR_DONE;
        case CODE_BACKSPACE:
            if (editor->cursor > 0) erase_range(editor, screen, editor->cursor - 1, editor->cursor);
            return LINE_EDITOR_EDITING;
        case CODE_ESC:
            editor->text.clear();
            editor->cursor = 0;
            redraw_from(editor, screen, 0);
            return LINE_EDITOR_EDITING;
        case CODE_CTRL_D:
            return editor->text.empty() ? LINE_EDITOR_END : LINE_EDITOR_EDITING;
        default:
            break;
    }
    // Other control characters are not part of a line: one typed character
    // is always one byte and one cell.
    if (key.code < 0x20 || key.code == 0x7F) return LINE_EDITOR_EDITING;
    if (editor->overwrite && editor->cursor < editor->text.size()) {
        editor->text[editor->cursor] = key.code;
    } else {
        editor->text.insert(editor->text.begin() + editor->cursor, key.code);
    }
    ++editor->cursor;
    redraw_from(editor, screen, editor->cursor - 1);
    return LINE_EDITOR_EDITING;
}
