// The line editor: a typed line, its editing keys, its history, and its echo
// in the screen buffer. The echo is written with screen_write, so it wraps
// and scrolls exactly as any other console output.
#include "platform/keyboard/line_editor.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/keyboard/key_codes.h"
#include "platform/platform.h"

namespace {

// Room a line keeps beyond a typed character: the line end its reader
// appends once Enter completes it, so that step never needs memory.
constexpr uint32_t LINE_END_ROOM = 2;

uint32_t text_length(const LineEditor* editor) { return editor->text.length; }

// The row of the buffer the line begins on now: its start counted from the
// start of the run, less the rows the buffer has scrolled since. Negative
// once the start has scrolled off the top (kept far from overflowing).
int64_t line_top(const LineEditor* editor, const ScreenBuffer* screen) {
    int64_t row = editor->start_row - static_cast<int64_t>(std::min<uint64_t>(screen->scrolls, INT64_MAX / 2));
    return std::max<int64_t>(row, INT32_MIN / 2);
}

// The buffer changed its size under the line (it grew wider, or in tests
// shrank): the cells keep their places from the top left, but the echo now
// wraps at another column, or rows it ran on to are gone. The cells the
// old layout covered are blanked, and nothing else: the line is then laid
// out again from its start, kept inside the buffer. False when the line
// still stands where it is laid out (the buffer only grew taller).
bool follow_resize(LineEditor* editor, ScreenBuffer* screen) {
    int32_t old_width = editor->width_seen;
    if (old_width <= 0) {  // no line begun
        editor->width_seen = screen->width;
        editor->height_seen = screen->height;
        return false;
    }
    int64_t start_y = line_top(editor, screen);
    int64_t old_end = screen_cell_index(old_width, int64_t{editor->start_x} + editor->shown, start_y);
    bool fits = old_width == screen->width && (old_end - 1) / old_width < screen->height;
    editor->width_seen = screen->width;
    editor->height_seen = screen->height;
    if (fits) return false;
    for (uint32_t i = 0; i < editor->shown; ++i) {
        int64_t cell = screen_cell_index(old_width, int64_t{editor->start_x} + i, start_y);
        if (cell < 0) continue;
        auto x = static_cast<int32_t>(cell % old_width);
        int64_t y = cell / old_width;
        if (x < screen->width && y < screen->height) {
            screen_fill_character(screen, ' ', 1, x, static_cast<int32_t>(y));
            screen_fill_attribute(screen, screen->attribute, 1, x, static_cast<int32_t>(y));
        }
    }
    editor->shown = 0;
    editor->start_x = std::min(editor->start_x, screen->width - 1);
    editor->start_row += std::min<int64_t>(start_y, screen->height - 1) - start_y;
    return true;
}

// The cells a character of the line takes when its echo starts at cell
// number `cell`: one; two for a Ctrl+Z, echoed as ^Z; for a Tab the blanks
// up to the next tab stop, the right edge at the latest, as the console
// echoes it.
int64_t cells_taken(uint8_t byte, int64_t cell, int32_t width) {
    if (byte == KEY_CTRL_Z) return 2;
    if (byte != KEY_TAB) return 1;
    auto x = static_cast<int32_t>(((cell % width) + width) % width);
    return screen_tab_stop(x, width) - x;
}

// Cell number (row * width + column) of the line's character at index;
// negative once that part has scrolled off the top.
int64_t cell_of(const LineEditor* editor, const ScreenBuffer* screen, uint32_t index) {
    int64_t cell = screen_cell_index(screen->width, editor->start_x, line_top(editor, screen));
    const uint8_t* text = editor->text.bytes;
    // A line with no Tab and no Ctrl+Z takes a cell a character.
    if (index == 0 || (std::memchr(text, KEY_TAB, index) == nullptr && std::memchr(text, KEY_CTRL_Z, index) == nullptr))
        return cell + index;
    for (uint32_t i = 0; i < index; ++i) cell += cells_taken(text[i], cell, screen->width);
    return cell;
}

// The first character of the line still in the buffer, whole or, for a ^Z
// across a row's end, its Z alone; those before it have scrolled off the
// top.
uint32_t first_shown(const LineEditor* editor, const ScreenBuffer* screen) {
    uint32_t length = text_length(editor);
    int64_t cell = cell_of(editor, screen, 0);
    uint32_t i = 0;
    for (; i < length; ++i) {
        int64_t taken = cells_taken(editor->text.bytes[i], cell, screen->width);
        if (cell + taken > 0) break;
        cell += taken;
    }
    return i;
}

// Blanks the cells numbered from `from` up to `to` that lie in the buffer.
void blank_cells(ScreenBuffer* screen, int64_t from, int64_t to) {
    from = std::max<int64_t>(from, 0);
    if (from >= to) return;
    auto count = static_cast<uint32_t>(std::min<int64_t>(to - from, UINT32_MAX));
    auto x = static_cast<int32_t>(from % screen->width);
    auto y = static_cast<int32_t>(std::min<int64_t>(from / screen->width, INT32_MAX));
    screen_fill_character(screen, ' ', count, x, y);
    screen_fill_attribute(screen, screen->attribute, count, x, y);
}

// The cursor at a cell number, kept inside the buffer.
void place_cursor(ScreenBuffer* screen, int64_t cell) {
    int64_t last = screen_cell_index(screen->width, screen->width - 1, screen->height - 1);
    cell = std::clamp<int64_t>(cell, 0, last);
    screen_set_cursor(screen, static_cast<int32_t>(cell % screen->width), static_cast<int32_t>(cell / screen->width));
}

// Writes characters of the line at the cursor, a Ctrl+Z as ^Z; the first
// as Z alone when its ^ has scrolled off the top.
void echo(ScreenBuffer* screen, const uint8_t* bytes, uint32_t length, bool caret_gone) {
    static const uint8_t CARET_Z[2] = {'^', 'Z'};
    if (caret_gone) screen_write(screen, CARET_Z + 1, 1);
    uint32_t start = caret_gone ? 1 : 0;
    for (uint32_t i = start; i < length; ++i) {
        if (bytes[i] != KEY_CTRL_Z) continue;
        screen_write(screen, bytes + start, i - start);
        screen_write(screen, CARET_Z, 2);
        start = i + 1;
    }
    screen_write(screen, bytes + start, length - start);
}

// Rewrites the line from index on (a Tab's blanks follow the columns its
// text now starts at), blanks what the line covered beyond its new end,
// and puts the cursor at the insertion point.
void redraw_from(LineEditor* editor, ScreenBuffer* screen, uint32_t index) {
    uint32_t length = text_length(editor);
    uint32_t first = std::max(index, first_shown(editor, screen));
    if (first < length) {
        int64_t cell = cell_of(editor, screen, first);
        place_cursor(screen, cell);
        echo(screen, editor->text.bytes + first, length - first, cell < 0);
    }
    int64_t start = cell_of(editor, screen, 0);
    int64_t end = cell_of(editor, screen, length);
    blank_cells(screen, end, start + editor->shown);
    editor->shown = static_cast<uint32_t>(std::min<int64_t>(end - start, UINT32_MAX));
    place_cursor(screen, cell_of(editor, screen, editor->cursor));
}

// Shows history entry `index` (again, as it is in the history, when it
// is on show already), or at history_count the line that was being typed:
// readline keeps it aside while entries are on show, so that Down past the
// newest brings it back. The buffers change places, so keeping it needs no
// memory.
void recall(LineEditor* editor, ScreenBuffer* screen, uint32_t index) {
    bool leaving_typed = editor->history_index == editor->history_count;
    if (index > editor->history_count || (index == editor->history_count && leaving_typed)) return;
    if (index == editor->history_count) {
        std::swap(editor->text, editor->typed);
    } else {
        if (leaving_typed) std::swap(editor->text, editor->typed);
        const ByteBuffer& entry = editor->history[index];
        if (!byte_buffer_assign(&editor->text, entry.bytes, entry.length)) {
            if (leaving_typed) std::swap(editor->text, editor->typed);
            return;
        }
    }
    editor->history_index = index;
    editor->cursor = text_length(editor);
    redraw_from(editor, screen, 0);
}

bool is_word_byte(uint8_t byte) { return byte != ' ' && byte != KEY_TAB; }

uint32_t word_left(const LineEditor* editor) {
    const uint8_t* text = editor->text.bytes;
    uint32_t i = editor->cursor;
    while (i > 0 && !is_word_byte(text[i - 1])) --i;
    while (i > 0 && is_word_byte(text[i - 1])) --i;
    return i;
}

uint32_t word_right(const LineEditor* editor) {
    const uint8_t* text = editor->text.bytes;
    uint32_t length = text_length(editor);
    uint32_t i = editor->cursor;
    while (i < length && is_word_byte(text[i])) ++i;
    while (i < length && !is_word_byte(text[i])) ++i;
    return i;
}

// The end of the word at or after the cursor, where readline's Meta+f
// moves and up to which its Meta+d erases (the console's Ctrl+Right,
// word_right, goes on to the next word's start).
uint32_t word_end(const LineEditor* editor) {
    const uint8_t* text = editor->text.bytes;
    uint32_t length = text_length(editor);
    uint32_t i = editor->cursor;
    while (i < length && !is_word_byte(text[i])) ++i;
    while (i < length && is_word_byte(text[i])) ++i;
    return i;
}

void move_to(LineEditor* editor, ScreenBuffer* screen, uint32_t index) {
    editor->cursor = index;
    place_cursor(screen, cell_of(editor, screen, index));
}

void erase_range(LineEditor* editor, ScreenBuffer* screen, uint32_t from, uint32_t to) {
    if (from >= to) return;
    byte_buffer_erase(&editor->text, from, to);
    editor->cursor = from;
    redraw_from(editor, screen, from);
}

// The line enters the history, the oldest entry leaving a full one; a
// line for which no copy can be had stays out of it.
void history_add(LineEditor* editor) {
    if (editor->text.length == 0) return;
    ByteBuffer copy{};
    if (!byte_buffer_assign(&copy, editor->text.bytes, editor->text.length)) return;
    if (editor->history_count == LINE_HISTORY_CAPACITY) {
        byte_buffer_free(&editor->history[0]);
        std::move(editor->history + 1, editor->history + LINE_HISTORY_CAPACITY, editor->history);
        editor->history_count -= 1;
    }
    editor->history[editor->history_count++] = copy;
}

// Entry `index` leaves the history; history_index goes on pointing at the
// entry it showed (at the next newer one when that one leaves).
void history_remove(LineEditor* editor, uint32_t index) {
    byte_buffer_free(&editor->history[index]);
    std::move(editor->history + index + 1, editor->history + editor->history_count, editor->history + index);
    editor->history_count -= 1;
    editor->history[editor->history_count] = ByteBuffer{};
    if (editor->history_index > index) editor->history_index -= 1;
}

// The entry before `index`, the newest before the oldest.
uint32_t history_older(const LineEditor* editor, uint32_t index) {
    return index == 0 ? editor->history_count - 1 : index - 1;
}

uint8_t folded(uint8_t byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<uint8_t>(byte - 'A' + 'a') : byte; }

bool starts_with(const ByteBuffer& entry, const uint8_t* prefix, uint32_t length) {
    if (entry.length < length) return false;
    for (uint32_t i = 0; i < length; ++i) {
        if (folded(entry.bytes[i]) != folded(prefix[i])) return false;
    }
    return true;
}

// The first entry from `start` back, cycling through the whole history,
// that starts with `prefix`, letters in either case, as the console
// compares them.
bool history_find(const LineEditor* editor, const uint8_t* prefix, uint32_t length, uint32_t start, uint32_t* found) {
    uint32_t index = start;
    for (uint32_t n = 0; n < editor->history_count; ++n, index = history_older(editor, index)) {
        if (!starts_with(editor->history[index], prefix, length)) continue;
        *found = index;
        return true;
    }
    return false;
}

// The last line: the newest history entry, or none.
const ByteBuffer* last_line(const LineEditor* editor) {
    return editor->history_count > 0 ? &editor->history[editor->history_count - 1] : nullptr;
}

// Copies the last line's characters from the cursor up to index `to` over
// the line's, position for position, the line growing where it is
// shorter; the cursor goes after them. So the console's F1, F2 and F3 copy.
void copy_last(LineEditor* editor, ScreenBuffer* screen, uint32_t to) {
    const ByteBuffer* last = last_line(editor);
    uint32_t from = editor->cursor;
    if (last == nullptr || from >= to || to > last->length) return;
    if (!byte_buffer_reserve(&editor->text, uint64_t{std::max(to, text_length(editor))} + LINE_END_ROOM)) return;
    std::memcpy(editor->text.bytes + from, last->bytes + from, to - from);
    editor->text.length = std::max(to, text_length(editor));
    editor->cursor = to;
    redraw_from(editor, screen, from);
}

// A typed character goes in at the cursor, or over the character there
// when overwriting.
void type_byte(LineEditor* editor, ScreenBuffer* screen, uint8_t byte) {
    if (editor->overwrite && editor->cursor < text_length(editor)) {
        editor->text.bytes[editor->cursor] = byte;
    } else if (byte_buffer_reserve(&editor->text, uint64_t{text_length(editor)} + LINE_END_ROOM)) {
        byte_buffer_insert(&editor->text, editor->cursor, byte);
    } else {
        return;
    }
    ++editor->cursor;
    redraw_from(editor, screen, editor->cursor - 1);
}

// --- the edits: one function each, the keys that make them in KEY_EDITS --------

using LineEdit = void (*)(LineEditor* editor, ScreenBuffer* screen);

// Enter: the cursor to the line's end, then to the start of the next row,
// as the console echoes the line end; the line enters the history.
void edit_enter(LineEditor* editor, ScreenBuffer* screen) {
    move_to(editor, screen, text_length(editor));
    static const uint8_t CRLF[2] = {'\r', '\n'};
    screen_write(screen, CRLF, 2);
    screen_set_cursor_double(screen, false);
    history_add(editor);
    editor->history_index = editor->history_count;
}

void edit_left(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->cursor > 0) move_to(editor, screen, editor->cursor - 1);
}

void edit_right(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->cursor < text_length(editor)) move_to(editor, screen, editor->cursor + 1);
}

void edit_home(LineEditor* editor, ScreenBuffer* screen) { move_to(editor, screen, 0); }
void edit_end(LineEditor* editor, ScreenBuffer* screen) { move_to(editor, screen, text_length(editor)); }
// To the start of the word before the cursor (the console's Ctrl+Left, readline's Meta+b).
void edit_word_left(LineEditor* editor, ScreenBuffer* screen) { move_to(editor, screen, word_left(editor)); }
// To the start of the next word (the console's Ctrl+Right).
void edit_word_right(LineEditor* editor, ScreenBuffer* screen) { move_to(editor, screen, word_right(editor)); }
// To the end of the word at or after the cursor (readline's Meta+f).
void edit_word_end(LineEditor* editor, ScreenBuffer* screen) { move_to(editor, screen, word_end(editor)); }

void edit_backspace(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->cursor > 0) erase_range(editor, screen, editor->cursor - 1, editor->cursor);
}

void edit_delete(LineEditor* editor, ScreenBuffer* screen) {
    erase_range(editor, screen, editor->cursor, std::min(editor->cursor + 1, text_length(editor)));
}

void edit_erase_to_start(LineEditor* editor, ScreenBuffer* screen) { erase_range(editor, screen, 0, editor->cursor); }

void edit_erase_to_end(LineEditor* editor, ScreenBuffer* screen) {
    erase_range(editor, screen, editor->cursor, text_length(editor));
}

void edit_erase_word_left(LineEditor* editor, ScreenBuffer* screen) {
    erase_range(editor, screen, word_left(editor), editor->cursor);
}

void edit_erase_word_end(LineEditor* editor, ScreenBuffer* screen) {
    erase_range(editor, screen, editor->cursor, word_end(editor));
}

// Esc: the whole line goes.
void edit_clear(LineEditor* editor, ScreenBuffer* screen) {
    editor->text.length = 0;
    editor->cursor = 0;
    redraw_from(editor, screen, 0);
}

// The console shows overwriting with a taller cursor.
void edit_toggle_insert(LineEditor* editor, ScreenBuffer* screen) {
    editor->overwrite = !editor->overwrite;
    screen_set_cursor_double(screen, editor->overwrite);
}
void edit_ask_redraw(LineEditor* editor, ScreenBuffer*) { editor->redraw_wanted = true; }

void edit_history_older(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->history_index > 0) recall(editor, screen, editor->history_index - 1);
}

void edit_history_newer(LineEditor* editor, ScreenBuffer* screen) { recall(editor, screen, editor->history_index + 1); }
void edit_history_oldest(LineEditor* editor, ScreenBuffer* screen) { recall(editor, screen, 0); }

void edit_history_newest(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->history_count > 0) recall(editor, screen, editor->history_count - 1);
}

// --- the console's function keys ----------------------------------------------

// Opens a popup over those open; nothing when the window has no room for
// it or what it covers cannot be kept.
void popup_open(LineEditor* editor, ScreenBuffer* screen, LinePopupKind kind) {
    if (editor->popup_count == LINE_POPUP_DEPTH) return;
    LinePopup* popup = &editor->popups[editor->popup_count];
    *popup = LinePopup{};
    popup->kind = kind;
    // The list opens on the entry on show, the newest when none is.
    popup->selected = std::min(editor->history_index, editor->history_count - 1);
    if (!line_popup_open(popup, screen, editor->history, editor->history_count)) return;
    editor->popup_count += 1;
    screen_set_popup_shown(screen, true);
}

// Closes the popup keys go to.
void popup_close(LineEditor* editor, ScreenBuffer* screen) {
    editor->popup_count -= 1;
    line_popup_close(&editor->popups[editor->popup_count], screen);
    if (editor->popup_count == 0) screen_set_popup_shown(screen, false);
}

// Right, and F1, at the line's end copy the last line's next character.
void edit_right_or_copy(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->cursor < text_length(editor)) return edit_right(editor, screen);
    copy_last(editor, screen, text_length(editor) + 1);
}

void edit_ask_copy_up_to(LineEditor* editor, ScreenBuffer* screen) {
    popup_open(editor, screen, LINE_POPUP_COPY_UP_TO);
}

void edit_copy_rest(LineEditor* editor, ScreenBuffer* screen) {
    if (const ByteBuffer* last = last_line(editor)) copy_last(editor, screen, last->length);
}

void edit_ask_delete_up_to(LineEditor* editor, ScreenBuffer* screen) {
    popup_open(editor, screen, LINE_POPUP_DELETE_UP_TO);
}

void edit_type_ctrl_z(LineEditor* editor, ScreenBuffer* screen) { type_byte(editor, screen, KEY_CTRL_Z); }

void edit_list_history(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->history_count > 0) popup_open(editor, screen, LINE_POPUP_LIST);
}

void edit_ask_number(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->history_count > 0) popup_open(editor, screen, LINE_POPUP_NUMBER);
}

// F8: the next entry older than the one on show (from the newest when none
// is) that starts with the text left of the cursor; the cursor stays.
void edit_find_history(LineEditor* editor, ScreenBuffer* screen) {
    uint32_t count = editor->history_count;
    if (count == 0) return;
    uint32_t start = editor->history_index == count ? count - 1 : history_older(editor, editor->history_index);
    uint32_t found = 0;
    uint32_t cursor = editor->cursor;
    if (!history_find(editor, editor->text.bytes, cursor, start, &found)) return;
    recall(editor, screen, found);
    move_to(editor, screen, std::min(cursor, text_length(editor)));
}

void edit_clear_history(LineEditor* editor, ScreenBuffer*) {
    while (editor->history_count > 0) history_remove(editor, editor->history_count - 1);
}

struct KeyEdit {
    Key key;
    LineEdit edit;
    LineEditorResult result = LINE_EDITOR_EDITING;  // what the key makes of the line
};

constexpr Key plain_key(uint8_t code) { return Key{false, 0, code}; }
constexpr Key grey_key(uint8_t code) { return Key{true, KEY_LEAD_GREY, code}; }
constexpr Key nul_key(uint8_t code) { return Key{true, KEY_LEAD_NUL, code}; }

// Every key the editor takes when no popup is open: the Windows console's,
// its function keys included, readline's (Ctrl+A/E/B/F/U/K/W/D/L and the
// Meta keys; macOS Terminal sends Option+Left and Option+Right as Meta+b
// and Meta+f), and Alt+Left/Right as readline's Meta+b and Meta+f. A key
// not here is typed when it is a character, and does nothing otherwise.
// clang-format off
constexpr KeyEdit KEY_EDITS[] = {
    {plain_key(KEY_ENTER), edit_enter, LINE_EDITOR_DONE},   {plain_key(KEY_LINE_FEED), edit_enter, LINE_EDITOR_DONE},
    // Moving.
    {grey_key(KEY_EXT_LEFT), edit_left},                    {plain_key(KEY_CTRL_B), edit_left},
    {grey_key(KEY_EXT_RIGHT), edit_right_or_copy},          {nul_key(KEY_EXT_F1), edit_right_or_copy},
    {plain_key(KEY_CTRL_F), edit_right},
    {grey_key(KEY_EXT_HOME), edit_home},                    {plain_key(KEY_CTRL_A), edit_home},
    {grey_key(KEY_EXT_END), edit_end},                      {plain_key(KEY_CTRL_E), edit_end},
    {grey_key(KEY_EXT_CTRL_LEFT), edit_word_left},          {nul_key(KEY_EXT_ALT_B), edit_word_left},
    {nul_key(KEY_EXT_ALT_LEFT), edit_word_left},
    {grey_key(KEY_EXT_CTRL_RIGHT), edit_word_right},
    {nul_key(KEY_EXT_ALT_F), edit_word_end},                {nul_key(KEY_EXT_ALT_RIGHT), edit_word_end},
    // Erasing.
    {plain_key(KEY_BACKSPACE), edit_backspace},
    {grey_key(KEY_EXT_DELETE), edit_delete},                {plain_key(KEY_CTRL_D), edit_delete},
    {grey_key(KEY_EXT_CTRL_HOME), edit_erase_to_start},     {plain_key(KEY_CTRL_U), edit_erase_to_start},
    {grey_key(KEY_EXT_CTRL_END), edit_erase_to_end},        {plain_key(KEY_CTRL_K), edit_erase_to_end},
    {plain_key(KEY_CTRL_W), edit_erase_word_left},          {nul_key(KEY_EXT_ALT_BACKSPACE), edit_erase_word_left},
    {nul_key(KEY_EXT_ALT_D), edit_erase_word_end},
    {plain_key(KEY_ESC), edit_clear},
    {nul_key(KEY_EXT_F4), edit_ask_delete_up_to},
    // The history and the last line.
    {grey_key(KEY_EXT_UP), edit_history_older},             {nul_key(KEY_EXT_F5), edit_history_older},
    {grey_key(KEY_EXT_DOWN), edit_history_newer},
    {grey_key(KEY_EXT_PAGE_UP), edit_history_oldest},       {grey_key(KEY_EXT_PAGE_DOWN), edit_history_newest},
    {nul_key(KEY_EXT_F2), edit_ask_copy_up_to},             {nul_key(KEY_EXT_F3), edit_copy_rest},
    {nul_key(KEY_EXT_F7), edit_list_history},               {nul_key(KEY_EXT_ALT_F7), edit_clear_history},
    {nul_key(KEY_EXT_F8), edit_find_history},               {nul_key(KEY_EXT_F9), edit_ask_number},
    // The rest.
    {grey_key(KEY_EXT_INSERT), edit_toggle_insert},         {nul_key(KEY_EXT_F6), edit_type_ctrl_z},
    {plain_key(KEY_CTRL_L), edit_ask_redraw},
};
// clang-format on

bool same_key(Key a, Key b) { return a.extended == b.extended && a.lead == b.lead && a.code == b.code; }

// The binding of a key; null for a key that makes no edit. The terminal's
// own line-kill and word-erase characters (where stty has set others) act
// as Ctrl+U and Ctrl+W, which keep working.
const KeyEdit* key_edit(const LineEditor* editor, Key key) {
    static constexpr KeyEdit KILL{plain_key(KEY_CTRL_U), edit_erase_to_start};
    static constexpr KeyEdit WORD_ERASE{plain_key(KEY_CTRL_W), edit_erase_word_left};
    for (const KeyEdit& binding : KEY_EDITS) {
        if (same_key(binding.key, key)) return &binding;
    }
    if (key.extended || key.code == 0) return nullptr;
    if (key.code == editor->kill_key) return &KILL;
    if (key.code == editor->word_erase_key) return &WORD_ERASE;
    return nullptr;
}

// --- keys while a popup is open -------------------------------------------------

// Closes every popup and shows history entry `index` in the line, the
// cursor at its end.
void take_entry(LineEditor* editor, ScreenBuffer* screen, uint32_t index) {
    line_editor_close_popups(editor, screen);
    recall(editor, screen, index);
}

// F2 and a character: the last line from the cursor up to, not including,
// the character's first place after the cursor; nothing when it has none.
void copy_up_to(LineEditor* editor, ScreenBuffer* screen, uint8_t byte) {
    const ByteBuffer* last = last_line(editor);
    if (last == nullptr || editor->cursor + 1 >= last->length) return;
    const uint8_t* from = last->bytes + editor->cursor + 1;
    const void* found = std::memchr(from, byte, last->length - editor->cursor - 1);
    if (found != nullptr)
        copy_last(editor, screen, static_cast<uint32_t>(static_cast<const uint8_t*>(found) - last->bytes));
}

// F4 and a character: the line from the cursor up to, not including, the
// character's next place after the cursor; to the end when it has none.
void delete_up_to(LineEditor* editor, ScreenBuffer* screen, uint8_t byte) {
    uint32_t length = text_length(editor);
    if (editor->cursor >= length) return;
    const uint8_t* text = editor->text.bytes;
    const void* found = std::memchr(text + editor->cursor + 1, byte, length - editor->cursor - 1);
    uint32_t to = found != nullptr ? static_cast<uint32_t>(static_cast<const uint8_t*>(found) - text) : length;
    erase_range(editor, screen, editor->cursor, to);
}

// The character a prompt asks for: any key closes it; Esc, and a key that
// is no character, do nothing more.
void character_key(LineEditor* editor, ScreenBuffer* screen, Key key) {
    LinePopupKind kind = editor->popups[editor->popup_count - 1].kind;
    popup_close(editor, screen);
    if (key.extended || key.code == KEY_ESC) return;
    if (kind == LINE_POPUP_COPY_UP_TO) copy_up_to(editor, screen, key.code);
    if (kind == LINE_POPUP_DELETE_UP_TO) delete_up_to(editor, screen, key.code);
}

// The number popup: digits, Backspace, Enter to show the entry of that
// number (the newest for a larger one), Esc to close it and the list
// under it.
void number_key(LineEditor* editor, ScreenBuffer* screen, Key key) {
    LinePopup* popup = &editor->popups[editor->popup_count - 1];
    if (key.extended) return;
    if (key.code >= '0' && key.code <= '9') line_popup_type_digit(popup, screen, key.code);
    if (key.code == KEY_BACKSPACE) line_popup_erase_digit(popup, screen);
    if (key.code == KEY_ESC) line_editor_close_popups(editor, screen);
    if (key.code == KEY_ENTER)
        take_entry(editor, screen, std::min(line_popup_number(popup), editor->history_count - 1));
}

// The list's grey keys: the selection moves, Left and Right take the
// entry into the line, Delete takes it out of the history.
void list_grey_key(LineEditor* editor, ScreenBuffer* screen, uint8_t code) {
    LinePopup* list = &editor->popups[editor->popup_count - 1];
    int64_t selected = list->selected;
    int64_t page = line_popup_rows(list);
    int64_t last = int64_t{editor->history_count} - 1;
    auto select = [&](int64_t index) {
        line_popup_select(list, screen, editor->history, editor->history_count, index);
    };
    switch (code) {
    case KEY_EXT_UP: select(selected - 1); break;
    case KEY_EXT_DOWN: select(selected + 1); break;
    case KEY_EXT_PAGE_UP: select(selected - page); break;
    case KEY_EXT_PAGE_DOWN: select(selected + page); break;
    case KEY_EXT_HOME: select(0); break;
    case KEY_EXT_END: select(last); break;
    case KEY_EXT_LEFT:
    case KEY_EXT_RIGHT: take_entry(editor, screen, list->selected); break;
    case KEY_EXT_DELETE:
        history_remove(editor, list->selected);
        if (editor->history_count == 0) return popup_close(editor, screen);
        line_popup_removed(list, screen, editor->history, editor->history_count);
        break;
    default: break;
    }
}

// The list: Enter takes the selected entry and ends the line with it, Esc
// closes the list, F9 asks for a number over it; another character selects
// the next older entry that starts with it.
LineEditorResult list_key(LineEditor* editor, ScreenBuffer* screen, Key key) {
    LinePopup* list = &editor->popups[editor->popup_count - 1];
    if (same_key(key, nul_key(KEY_EXT_F9))) popup_open(editor, screen, LINE_POPUP_NUMBER);
    if (key.extended && key.lead == KEY_LEAD_GREY) list_grey_key(editor, screen, key.code);
    if (key.extended) return LINE_EDITOR_EDITING;
    if (key.code == KEY_ENTER || key.code == KEY_LINE_FEED) {
        take_entry(editor, screen, list->selected);
        edit_enter(editor, screen);
        return LINE_EDITOR_DONE;
    }
    uint32_t found = 0;
    if (key.code == KEY_ESC) {
        popup_close(editor, screen);
    } else if (history_find(editor, &key.code, 1, history_older(editor, list->selected), &found)) {
        line_popup_select(list, screen, editor->history, editor->history_count, found);
    }
    return LINE_EDITOR_EDITING;
}

LineEditorResult popup_key(LineEditor* editor, ScreenBuffer* screen, Key key) {
    switch (editor->popups[editor->popup_count - 1].kind) {
    case LINE_POPUP_COPY_UP_TO:
    case LINE_POPUP_DELETE_UP_TO: character_key(editor, screen, key); break;
    case LINE_POPUP_LIST: return list_key(editor, screen, key);
    case LINE_POPUP_NUMBER: number_key(editor, screen, key); break;
    }
    return LINE_EDITOR_EDITING;
}

}  // namespace

void line_editor_init(LineEditor* editor) {
    byte_buffer_free(&editor->text);
    byte_buffer_free(&editor->typed);
    for (uint32_t i = 0; i < editor->history_count && i < LINE_HISTORY_CAPACITY; ++i) {
        byte_buffer_free(&editor->history[i]);
    }
    for (uint32_t i = 0; i < editor->popup_count && i < LINE_POPUP_DEPTH; ++i)
        platform::free(editor->popups[i].covered);
    *editor = LineEditor{};
}

void line_editor_begin(LineEditor* editor, ScreenBuffer* screen) {
    editor->text.length = 0;
    editor->cursor = 0;
    editor->start_x = screen->cursor_x;
    editor->start_row = screen->cursor_y + static_cast<int64_t>(std::min<uint64_t>(screen->scrolls, INT64_MAX / 2));
    editor->shown = 0;
    editor->history_index = editor->history_count;
    editor->width_seen = screen->width;
    editor->height_seen = screen->height;
    editor->overwrite = false;  // each line starts in insert mode, as on the console
    screen_set_cursor_double(screen, false);
    editor->redraw_wanted = false;
    editor->typed.length = 0;
}

void line_editor_follow(LineEditor* editor, ScreenBuffer* screen) {
    if (editor->width_seen == screen->width && editor->height_seen == screen->height) return;
    // The line is laid out again under no popup: each gives its cells back
    // first and is drawn again after, on the window as it is now.
    for (uint32_t i = editor->popup_count; i > 0; --i) line_popup_close(&editor->popups[i - 1], screen);
    if (follow_resize(editor, screen)) redraw_from(editor, screen, 0);
    uint32_t open = editor->popup_count;
    editor->popup_count = 0;
    while (editor->popup_count < open &&
           line_popup_open(&editor->popups[editor->popup_count], screen, editor->history, editor->history_count)) {
        editor->popup_count += 1;
    }
    if (open > 0) screen_set_popup_shown(screen, editor->popup_count > 0);
}

void line_editor_close_popups(LineEditor* editor, ScreenBuffer* screen) {
    while (editor->popup_count > 0) popup_close(editor, screen);
}

LineEditorResult line_editor_key(LineEditor* editor, ScreenBuffer* screen, Key key) {
    line_editor_follow(editor, screen);
    if (editor->popup_count > 0) return popup_key(editor, screen, key);
    // As readline: Ctrl+D on an empty line is the end of input; on a line
    // with text it deletes.
    if (same_key(key, plain_key(KEY_CTRL_D)) && text_length(editor) == 0) {
        screen_set_cursor_double(screen, false);
        return LINE_EDITOR_END;
    }
    if (const KeyEdit* binding = key_edit(editor, key)) {
        binding->edit(editor, screen);
        return binding->result;
    }
    // A Tab stays in the line, as on the console, and its echo is blanks up
    // to the next tab stop. Other control characters are not part of a
    // line: every other character is one byte and one cell.
    if (key.extended || (key.code < 0x20 && key.code != KEY_TAB) || key.code == 0x7F) return LINE_EDITOR_EDITING;
    type_byte(editor, screen, key.code);
    return LINE_EDITOR_EDITING;
}
