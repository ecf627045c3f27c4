// The key codes _getch gives, as the Windows C runtime reports them for a
// console: an ordinary key is one code (its code page 850 byte, or a
// control code); an extended key is two, a lead (KEY_LEAD_NUL or
// KEY_LEAD_GREY) and then one of the KEY_EXT_ codes below.
#pragma once

#include <cstdint>

// One key press. An ordinary key is one code; an extended key (cursor and
// function keys) gives _getch two codes: the lead (0 or 224), then its code.
struct Key {
    bool extended;  // two codes: lead, then code
    uint8_t lead;   // 0 or 224 for an extended key, 0 otherwise
    uint8_t code;   // the character's code page 850 byte, or the extended key's code
};

// --- ordinary keys ----------------------------------------------------------
constexpr uint8_t KEY_CTRL_A = 1;
constexpr uint8_t KEY_CTRL_B = 2;
constexpr uint8_t KEY_CTRL_D = 4;
constexpr uint8_t KEY_CTRL_E = 5;
constexpr uint8_t KEY_CTRL_F = 6;
constexpr uint8_t KEY_BACKSPACE = 8;
constexpr uint8_t KEY_TAB = 9;
constexpr uint8_t KEY_LINE_FEED = 10;  // Ctrl+Enter, Ctrl+J
constexpr uint8_t KEY_CTRL_K = 11;
constexpr uint8_t KEY_CTRL_L = 12;
constexpr uint8_t KEY_ENTER = 13;
constexpr uint8_t KEY_CTRL_U = 21;
constexpr uint8_t KEY_CTRL_W = 23;
constexpr uint8_t KEY_ESC = 27;
constexpr uint8_t KEY_UNMAPPED = '?';  // a typed character code page 850 lacks

// --- the leads of extended keys ----------------------------------------------
constexpr uint8_t KEY_LEAD_NUL = 0;     // F1-F10, Alt combinations, Shift+Tab, Ctrl+@
constexpr uint8_t KEY_LEAD_GREY = 224;  // the grey cursor and editing keys, F11, F12

// --- extended keys: the second code ------------------------------------------
// F1-F12, plain and with Shift, Ctrl or Alt, have their codes in the key
// decoder's table of named keys alone.

// A Meta key Windows has no code for (Meta+Esc, Meta+Space, Meta with a
// character no unshifted US key types): lead KEY_LEAD_NUL. The line editor
// ignores it and _getch never gives it, as Windows gives nothing for it.
constexpr uint8_t KEY_EXT_NONE = 0;
constexpr uint8_t KEY_EXT_CTRL_AT = 3;  // Ctrl+@ (a NUL byte), lead KEY_LEAD_NUL
constexpr uint8_t KEY_EXT_ALT_BACKSPACE = 14;
constexpr uint8_t KEY_EXT_SHIFT_TAB = 15;  // lead KEY_LEAD_NUL
// Alt with a letter or a punctuation key: lead KEY_LEAD_NUL and the key's
// PC scan code, Shift or not. The keys of a row have consecutive codes: Q-P and [ ] are 16-27,
// A-L ; ' ` are 30-41, \ Z-M , . / are 43-53.
constexpr uint8_t KEY_EXT_ALT_Q = 16;
constexpr uint8_t KEY_EXT_ALT_ENTER = 28;
constexpr uint8_t KEY_EXT_ALT_A = 30;
constexpr uint8_t KEY_EXT_ALT_D = 32;
constexpr uint8_t KEY_EXT_ALT_F = 33;
constexpr uint8_t KEY_EXT_ALT_BACKSLASH = 43;
constexpr uint8_t KEY_EXT_ALT_B = 48;
constexpr uint8_t KEY_EXT_HOME = 71;
constexpr uint8_t KEY_EXT_UP = 72;
constexpr uint8_t KEY_EXT_PAGE_UP = 73;
constexpr uint8_t KEY_EXT_LEFT = 75;
constexpr uint8_t KEY_EXT_RIGHT = 77;
constexpr uint8_t KEY_EXT_END = 79;
constexpr uint8_t KEY_EXT_DOWN = 80;
constexpr uint8_t KEY_EXT_PAGE_DOWN = 81;
constexpr uint8_t KEY_EXT_INSERT = 82;
constexpr uint8_t KEY_EXT_DELETE = 83;
constexpr uint8_t KEY_EXT_ALT_1 = 120;  // Alt+1-9, 0, -, = are 120-131, lead KEY_LEAD_NUL
constexpr uint8_t KEY_EXT_CTRL_LEFT = 115;
constexpr uint8_t KEY_EXT_CTRL_RIGHT = 116;
constexpr uint8_t KEY_EXT_CTRL_END = 117;
constexpr uint8_t KEY_EXT_CTRL_PAGE_DOWN = 118;
constexpr uint8_t KEY_EXT_CTRL_HOME = 119;
constexpr uint8_t KEY_EXT_CTRL_PAGE_UP = 134;  // the same code as F12, as on Windows
constexpr uint8_t KEY_EXT_CTRL_UP = 141;
constexpr uint8_t KEY_EXT_CTRL_DOWN = 145;
constexpr uint8_t KEY_EXT_CTRL_INSERT = 146;
constexpr uint8_t KEY_EXT_CTRL_DELETE = 147;
constexpr uint8_t KEY_EXT_ALT_HOME = 151;
constexpr uint8_t KEY_EXT_ALT_UP = 152;
constexpr uint8_t KEY_EXT_ALT_PAGE_UP = 153;
constexpr uint8_t KEY_EXT_ALT_LEFT = 155;
constexpr uint8_t KEY_EXT_ALT_RIGHT = 157;
constexpr uint8_t KEY_EXT_ALT_END = 159;
constexpr uint8_t KEY_EXT_ALT_DOWN = 160;
constexpr uint8_t KEY_EXT_ALT_PAGE_DOWN = 161;
constexpr uint8_t KEY_EXT_ALT_INSERT = 162;
constexpr uint8_t KEY_EXT_ALT_DELETE = 163;
