// The keyboard functions of the C runtime: _kbhit, _getch and fgets on
// standard input, and _kbhit_possible. Keys come from the terminal through the key decoder; when
// standard input is the console, fgets is the console's line mode with echo,
// edited by the line editor and echoed into the screen buffer.
#include "platform/keyboard/keyboard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "platform/console/console_state.h"
#include "platform/crt/memory.h"
#include "platform/keyboard/key_codes.h"
#include "platform/keyboard/key_decoder.h"
#include "platform/keyboard/line_editor.h"
#include "platform/platform.h"
#include "platform/terminal/terminal_session.h"

namespace {

// Bytes taken from the terminal in one read.
constexpr std::size_t KEYBOARD_READ_CHUNK = 256;
// How long a terminal may take to say where its cursor is.
constexpr int32_t KEYBOARD_CURSOR_WAIT_MS = 200;

struct KeyboardState {
    KeyDecoder decoder;        // typed bytes to keys; keys typed while busy wait here
    bool second_code_waiting;  // _getch gave an extended key's lead; its code comes next
    uint8_t second_code;       // that code
    bool input_ended;          // the terminal said no more input will come
    LineEditor editor;         // the console's line mode for fgets on standard input
    ByteBuffer line;           // a completed line (with its "\n") not yet handed out in full
    uint32_t line_offset;      // how much of line fgets has handed out
    bool editing;              // fgets is editing a line: a resize lays it out again
};

KeyboardState keyboard;

bool keyboard_usable() { return console_has_keyboard() && terminal_io().read != nullptr; }

// One read from the terminal, waiting at most timeout_ms; feeds the decoder
// and lets its clock run. False when nothing came.
bool keyboard_read(int32_t timeout_ms) {
    TerminalIo& io = terminal_io();
    uint8_t bytes[KEYBOARD_READ_CHUNK];
    int64_t count = io.read(bytes, sizeof bytes, timeout_ms);
    uint64_t now = io.now_ms();
    if (count < 0) {
        keyboard.input_ended = true;
        key_decoder_flush(&keyboard.decoder);
        return false;
    }
    if (count == 0) {
        key_decoder_tick(&keyboard.decoder, now);
        return false;
    }
    key_decoder_feed(&keyboard.decoder, bytes, static_cast<std::size_t>(count), now);
    return true;
}

// Takes in whatever the terminal holds already, without waiting: with
// nothing typed, one select() that returns at once.
void keyboard_drain() {
    if (keyboard.input_ended) return;
    while (keyboard_read(0)) {}
}

// Before the first frame and before a resize is taken in, the terminal is
// asked where its cursor is (where the user's screen ends; a growing
// terminal may have pulled rows of its scrollback into view).
// What comes meanwhile is decoded: keys typed stay queued. A terminal that
// does not answer within KEYBOARD_CURSOR_WAIT_MS is not waited for further;
// its late answer is still kept out of the keys.
void keyboard_ask_cursor() {
    if (!keyboard_usable() || keyboard.input_ended || !terminal_cursor_wanted()) return;
    // The answer is decoded from the reads from here on.
    key_decoder_ask_cursor(&keyboard.decoder);
    // A sequence typed and not yet ended (a lone Esc) would take the
    // answer's ESC for its own: no question then.
    keyboard_drain();
    if (key_decoder_deadline(&keyboard.decoder) >= 0 || !terminal_ask_cursor()) return;
    uint64_t deadline = terminal_io().now_ms() + KEYBOARD_CURSOR_WAIT_MS;
    int32_t row = 0;
    int32_t column = 0;
    while (!key_decoder_take_cursor(&keyboard.decoder, &row, &column)) {
        uint64_t now = terminal_io().now_ms();
        if (now >= deadline || keyboard.input_ended) return;
        keyboard_read(static_cast<int32_t>(deadline - now));
    }
    terminal_cursor_reported(row, column);
}

// Brings the terminal up to date before keys are looked for: a new size
// taken in first, then the window placed for what is waited for, the line
// being edited in view, or, at a wait for a key, whole rows of text.
void keyboard_present() {
    if (!console_is_console()) return;
    ScreenBuffer* screen = &platform_console.screen;
    keyboard_ask_cursor();
    terminal_apply_signals(screen);
    if (keyboard.editing) {
        line_editor_follow(&keyboard.editor, screen);
    } else {
        screen_window_show_text(screen);
    }
    terminal_present(screen);
}

// Waits for the next key without spinning: a read that blocks, bounded by
// the decoder's deadline while a lone Esc is pending. The terminal is
// brought up to date before each wait. False when input has ended.
bool keyboard_wait_key(Key* key) {
    for (;;) {
        if (key_decoder_take(&keyboard.decoder, key)) return true;
        if (keyboard.input_ended) {
            key_decoder_flush(&keyboard.decoder);
            return key_decoder_take(&keyboard.decoder, key);
        }
        // Keys already typed (a paste, typing ahead) are taken in before the
        // screen is drawn: one frame per burst of input, not one per read.
        if (keyboard_read(0) || key_decoder_has_key(&keyboard.decoder)) continue;
        keyboard_present();
        if (keyboard.input_ended) continue;
        int64_t deadline = key_decoder_deadline(&keyboard.decoder);
        int32_t timeout = -1;
        if (deadline >= 0) {
            int64_t left = deadline - static_cast<int64_t>(terminal_io().now_ms());
            timeout = static_cast<int32_t>(std::clamp<int64_t>(left, 0, INT32_MAX));
        }
        keyboard_read(timeout);
    }
}

// A Meta key Windows has no code for: the line editor ignores it, and
// _getch and _kbhit never see it.
bool keyboard_uncoded(Key key) { return key.extended && key.lead == KEY_LEAD_NUL && key.code == KEY_EXT_NONE; }

void keyboard_drop_uncoded() {
    Key key{};
    while (key_decoder_peek(&keyboard.decoder, &key) && keyboard_uncoded(key))
        key_decoder_take(&keyboard.decoder, &key);
}

// The next key _getch can give; false when input has ended.
bool keyboard_wait_coded_key(Key* key) {
    for (;;) {
        if (!keyboard_wait_key(key)) return false;
        if (!keyboard_uncoded(*key)) return true;
    }
}

// Hands out the waiting line, at most size - 1 bytes of it, as a stream would.
char* keyboard_hand_out(char* buffer, int size) {
    uint32_t left = keyboard.line.length - keyboard.line_offset;
    uint32_t count = std::min(left, static_cast<uint32_t>(size - 1));
    if (count > 0) std::memcpy(buffer, keyboard.line.bytes + keyboard.line_offset, count);
    buffer[count] = '\0';
    keyboard.line_offset += count;
    if (keyboard.line_offset == keyboard.line.length) {
        keyboard.line.length = 0;
        keyboard.line_offset = 0;
    }
    return buffer;
}

// The edited line becomes the line to hand out: the two buffers change
// places, so no copy is made. A line for which the line end finds no room
// goes out without it, as the last line of a stream may. As a read of the
// Windows console gives it to the C runtime, a line that starts with
// Ctrl+Z is the end of input (false, nothing to hand out), and one with a
// Ctrl+Z further on ends there: the Ctrl+Z stays, what follows it and the
// line end go.
bool keyboard_take_line(bool with_line_end) {
    ByteBuffer spare = keyboard.line;
    keyboard.line = keyboard.editor.text;
    keyboard.editor.text = spare;
    keyboard.editor.text.length = 0;
    keyboard.line_offset = 0;
    const void* ctrl_z =
        keyboard.line.length > 0 ? std::memchr(keyboard.line.bytes, KEY_CTRL_Z, keyboard.line.length) : nullptr;
    if (ctrl_z != nullptr) {
        auto at = static_cast<uint32_t>(static_cast<const uint8_t*>(ctrl_z) - keyboard.line.bytes);
        keyboard.line.length = at == 0 ? 0 : at + 1;
        return at > 0;
    }
    if (with_line_end) byte_buffer_append(&keyboard.line, "\n", 1);
    return true;
}

// The keys of one line, up to Enter or the end of input.
bool keyboard_edit_keys() {
    ConsoleState& console = platform_console;
    for (;;) {
        Key key{};
        if (!keyboard_wait_key(&key)) {
            // Input ended in the middle of a line: what was typed is the
            // last, unterminated line, as a stream ending without a newline.
            line_editor_close_popups(&keyboard.editor, &console.screen);
            if (keyboard.editor.text.length == 0) return false;
            return keyboard_take_line(false);
        }
        LineEditorResult result = line_editor_key(&keyboard.editor, &console.screen, key);
        if (keyboard.editor.redraw_wanted) {
            keyboard.editor.redraw_wanted = false;
            terminal_redraw();
        }
        if (result == LINE_EDITOR_END) return false;
        if (result == LINE_EDITOR_DONE) return keyboard_take_line(true);
    }
}

// Edits one line on the console; false at the end of input.
bool keyboard_edit_line() {
    ConsoleState& console = platform_console;
    keyboard.second_code_waiting = false;
    line_editor_begin(&keyboard.editor, &console.screen);
    terminal_line_keys(&keyboard.editor.kill_key, &keyboard.editor.word_erase_key);
    keyboard.editing = true;
    bool got_line = keyboard_edit_keys();
    keyboard.editing = false;
    return got_line;
}

}  // namespace

void keyboard_reset() {
    key_decoder_init(&keyboard.decoder);
    keyboard.second_code_waiting = false;
    keyboard.second_code = 0;
    keyboard.input_ended = false;
    line_editor_init(&keyboard.editor);
    byte_buffer_free(&keyboard.line);
    keyboard.line_offset = 0;
    keyboard.editing = false;
}

namespace platform {

int _kbhit() {
    console_state_setup();
    keyboard_present();
    if (!keyboard_usable()) return 0;
    if (keyboard.second_code_waiting) return 1;
    keyboard_drain();
    key_decoder_tick(&keyboard.decoder, terminal_io().now_ms());
    keyboard_drop_uncoded();
    return key_decoder_has_key(&keyboard.decoder) ? 1 : 0;
}

int _getch() {
    console_state_setup();
    keyboard_present();
    if (keyboard.second_code_waiting) {
        keyboard.second_code_waiting = false;
        return keyboard.second_code;
    }
    if (!keyboard_usable()) return -1;
    Key key{};
    if (!keyboard_wait_coded_key(&key)) return -1;
    if (key.extended) {
        keyboard.second_code = key.code;
        keyboard.second_code_waiting = true;
        return key.lead;
    }
    return key.code;
}

int _kbhit_possible() {
    console_state_setup();
    if (!console_has_keyboard()) return 0;
    // Once the terminal has said no more input will come, only keys already
    // decoded can still be had: a wait for a further key would never end.
    keyboard_drop_uncoded();
    if (keyboard.input_ended && !keyboard.second_code_waiting && !key_decoder_has_key(&keyboard.decoder)) return 0;
    return 1;
}

char* fgets(char* buffer, int size, std::FILE* stream) {
    console_state_setup();
    if (stream != stdin || !console_line_input()) {
        if (stream != stdin || !console_is_console()) return std::fgets(buffer, size, stream);
        // The screen is on a terminal but the line comes from elsewhere (no
        // controlling terminal, or input redirected): show the question
        // before a read that may wait. A terminal's own echo of what is
        // typed is not in the model: the next present draws everything anew.
        terminal_present(&platform_console.screen);
        char* line = std::fgets(buffer, size, stream);
        if (isatty(STDIN_FILENO) != 0) terminal_redraw();
        return line;
    }
    if (buffer == nullptr || size < 1) return nullptr;
    if (size == 1) {
        buffer[0] = '\0';
        return buffer;
    }
    if (keyboard.line.length == 0) {
        if (!keyboard_usable() || !keyboard_edit_line()) return nullptr;
    }
    return keyboard_hand_out(buffer, size);
}

}  // namespace platform
