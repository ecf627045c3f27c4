// The popups of the console's line input (F2, F4, F7, F9), as the Windows
// 10 console draws them: boxes framed with code page 850's single lines,
// centred on the window, drawn into the screen buffer in its popup
// attribute over cells they keep and give back, colours and all, when they
// close. A popup is cells in the buffer and nothing else: the terminal sees
// it only as the renderer draws those cells.
#pragma once

#include <cstdint>

#include "platform/crt/memory.h"
#include "platform/model/screen_buffer.h"

enum LinePopupKind : uint8_t {
    LINE_POPUP_COPY_UP_TO,    // asks for a character: the last line is copied up to it
    LINE_POPUP_DELETE_UP_TO,  // asks for a character: the line is erased up to it
    LINE_POPUP_LIST,          // the history, numbered from 0, one entry selected
    LINE_POPUP_NUMBER,        // asks for the number of a history entry
};

// The digits an entry's number may have.
constexpr uint32_t LINE_POPUP_DIGITS = 5;

struct LinePopup {
    LinePopupKind kind;
    int32_t left;                       // the box's left column in the buffer
    int32_t top;                        // and its top row
    int32_t width;                      // the box's columns, frame included
    int32_t height;                     // and its rows
    Cell* covered = nullptr;            // the cells under the box, row-major; null while it is not drawn
    uint32_t selected;                  // the list's selected entry
    uint32_t bottom;                    // the entry on the list's lowest row
    uint8_t digits[LINE_POPUP_DIGITS];  // the number typed so far
    uint32_t digit_count;               // digits in use
};

// Draws the popup (its kind and state set) centred on the window, over
// cells it keeps; a list shows `history`, oldest first, with its selected
// entry in view. False, nothing drawn, when the window has no room for a
// frame round one cell or the cells cannot be kept.
bool line_popup_open(LinePopup* popup, ScreenBuffer* screen, const ByteBuffer* history, uint32_t count);

// Gives back the cells the popup covered, as they were.
void line_popup_close(LinePopup* popup, ScreenBuffer* screen);

// The rows a list shows at once.
int32_t line_popup_rows(const LinePopup* popup);

// Selects the list's entry `index` (kept inside the history) and draws it:
// when the selection leaves the rows in view, the list scrolls by as many
// entries as the selection moved, as the console's does.
void line_popup_select(LinePopup* popup, ScreenBuffer* screen, const ByteBuffer* history, uint32_t count,
                       int64_t index);

// Draws the list again after its selected entry has left the history
// (`count` entries are left, at least one): the entry that took its place,
// or the newest, is selected.
void line_popup_removed(LinePopup* popup, ScreenBuffer* screen, const ByteBuffer* history, uint32_t count);

// A digit typed at the number popup, shown after its prompt; dropped when
// the number has all its digits.
void line_popup_type_digit(LinePopup* popup, ScreenBuffer* screen, uint8_t digit);
// Backspace at the number popup: its last digit goes.
void line_popup_erase_digit(LinePopup* popup, ScreenBuffer* screen);
// The number typed at the number popup; 0 when none is.
uint32_t line_popup_number(const LinePopup* popup);
