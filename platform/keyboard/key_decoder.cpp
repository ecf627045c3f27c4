// The key decoder: terminal bytes (UTF-8 text, control bytes, CSI and SS3
// escape sequences) to _getch key codes, as the Windows C runtime reports
// them for a console with code page 850.
//
// What the decoder accepts, and the key each becomes:
//   a byte 0x01-0x7E          itself (Ctrl+letter is its control code)
//   0x7F (DEL)                Backspace, 8: what terminals send for it
//   0x00 (NUL)                Ctrl+@, extended 0 3
//   UTF-8 of a character      its code page 850 byte; '?' when CP850 lacks it
//   any other byte            '?'
//   ESC alone                 Esc, 27, once KEY_ESC_TIMEOUT_MS pass with no more bytes
//   ESC and a byte at once    one Meta key, as _getch reports Alt with that
//                             key (the terminal's Meta or Option key sends
//                             Esc first): a letter, digit or unshifted US
//                             punctuation key as in META_ROWS below (Esc a
//                             and Esc A are Alt+A, 0 30); DEL or BS is
//                             Alt+Backspace, 0 14; CR Alt+Enter, 0 28; any
//                             other byte or UTF-8 character the Meta key
//                             with no code, 0 0
//   ESC ESC                   Meta on the key the second Esc starts (ESC ESC
//                             [ A is Alt+Up); alone or before any other
//                             byte, Meta+Esc, 0 0
//   ESC [ r ; c R             once the terminal was asked where its cursor
//                             is, its answer, kept apart; otherwise F3 with
//                             the modifier c
//   ESC [ or ESC O sequences  the keys of SEQUENCE_FORMS below, with the
//                             xterm modifier parameter (rxvt's Shift and
//                             Ctrl arrows, ESC [ a-d and ESC O a-d, imply
//                             theirs); any other complete sequence is
//                             swallowed whole, a cursor position report
//                             (CSI row;column R) too
//   ESC [ M and three bytes   an X10 or normal mouse report: dropped
//   ESC ] / P / X / ^ / _     an OSC, DCS, SOS, PM or APC string (a reply
//                             of the terminal): dropped up to its BEL or
//                             ST (ESC \); an ESC that starts no ST ends the
//                             string and starts what follows afresh
//   a sequence cut short      by the timeout: the Meta key of its first
//                             introducer byte (Meta+[ is 0 26, Meta+O 0 24,
//                             Meta+P 0 25) and the bytes after it one by
//                             one; too long to keep, dropped
#include "platform/keyboard/key_decoder.h"

#include <cstring>

#include "platform/model/cp850.h"

namespace {

constexpr uint8_t BYTE_BEL = 0x07;
constexpr uint8_t BYTE_ESC = 0x1B;
constexpr uint8_t BYTE_DEL = 0x7F;

// The keys that escape sequences name.
// clang-format off
enum NamedKey : uint8_t {
    NAMED_UP, NAMED_DOWN, NAMED_RIGHT, NAMED_LEFT, NAMED_HOME, NAMED_END,
    NAMED_PAGE_UP, NAMED_PAGE_DOWN, NAMED_INSERT, NAMED_DELETE,
    NAMED_F1, NAMED_F2, NAMED_F3, NAMED_F4, NAMED_F5, NAMED_F6,
    NAMED_F7, NAMED_F8, NAMED_F9, NAMED_F10, NAMED_F11, NAMED_F12,
    NAMED_COUNT,
    NAMED_NONE = NAMED_COUNT,  // a sequence that stands for a fixed key
    NAMED_CURSOR_REPORT,       // the terminal's answer to where its cursor is
};
// clang-format on

// The bytes after ESC that open a sequence; a two-byte introducer
// lengthens a one-byte one, and comes before it in INTRODUCERS.
constexpr char CSI[] = "[";
constexpr char SS3[] = "O";             // the cursor keys in application mode
constexpr char LINUX_CONSOLE[] = "[[";  // the Linux console's F1-F5

// An introducer, and the state that reads what follows it to the end.
struct Introducer {
    const char* text;
    KeyDecoderState body;
    bool lone_modifier = false;  // a lone number is the modifier (SS3 5A, as some terminals send it)
};

// clang-format off
constexpr Introducer INTRODUCERS[] = {
    // Reports the terminal sends, dropped whole: the X10 and normal mouse
    // report (button, column and row, each one byte), and the control
    // strings OSC (colour and title replies), DCS (DECRQSS and XTGETTCAP
    // replies), SOS, PM and APC.
    {"[M", KEY_STATE_THREE_BYTES},
    {"]", KEY_STATE_STRING}, {"P", KEY_STATE_STRING}, {"X", KEY_STATE_STRING}, {"^", KEY_STATE_STRING},
    {"_", KEY_STATE_STRING},
    // Keys.
    {LINUX_CONSOLE, KEY_STATE_FINAL}, {CSI, KEY_STATE_NUMBERS}, {SS3, KEY_STATE_NUMBERS, true},
};
// clang-format on

constexpr uint32_t REPORT_BYTES = 3;  // the bytes of a report that KEY_STATE_THREE_BYTES reads

// xterm's modifier parameters of the forms that imply theirs.
constexpr int32_t XTERM_PLAIN = 1;
constexpr int32_t XTERM_SHIFT = 2;
constexpr int32_t XTERM_CTRL = 5;

// One key's escape sequence: ESC, the introducer, up to two numbers
// separated by ';' and the final byte. For '~' sequences the first number
// picks the key and the second is the modifier; for the letter forms the
// modifier is the second number (CSI 1;5A), or a lone one after SS3.
struct SequenceForm {
    const char* introducer;          // one of the introducers above
    uint8_t final;                   // the final byte
    int32_t number;                  // the first number of a '~' sequence; 0 for the other forms
    NamedKey named;                  // the key, its modifier applied; NAMED_NONE for `fixed`
    int32_t modifier = XTERM_PLAIN;  // the modifier of a sequence that carries none
    Key fixed{};                     // the key of a form that names none
};

// clang-format off
constexpr SequenceForm SEQUENCE_FORMS[] = {
    // Cursor keys and Home/End: CSI and SS3 (application mode) forms.
    {CSI, 'A', 0, NAMED_UP},       {SS3, 'A', 0, NAMED_UP},
    {CSI, 'B', 0, NAMED_DOWN},     {SS3, 'B', 0, NAMED_DOWN},
    {CSI, 'C', 0, NAMED_RIGHT},    {SS3, 'C', 0, NAMED_RIGHT},
    {CSI, 'D', 0, NAMED_LEFT},     {SS3, 'D', 0, NAMED_LEFT},
    {CSI, 'H', 0, NAMED_HOME},     {SS3, 'H', 0, NAMED_HOME},
    {CSI, 'F', 0, NAMED_END},      {SS3, 'F', 0, NAMED_END},
    // rxvt's Shift and Ctrl with the cursor keys.
    {CSI, 'a', 0, NAMED_UP, XTERM_SHIFT},     {SS3, 'a', 0, NAMED_UP, XTERM_CTRL},
    {CSI, 'b', 0, NAMED_DOWN, XTERM_SHIFT},   {SS3, 'b', 0, NAMED_DOWN, XTERM_CTRL},
    {CSI, 'c', 0, NAMED_RIGHT, XTERM_SHIFT},  {SS3, 'c', 0, NAMED_RIGHT, XTERM_CTRL},
    {CSI, 'd', 0, NAMED_LEFT, XTERM_SHIFT},   {SS3, 'd', 0, NAMED_LEFT, XTERM_CTRL},
    // Once the terminal was asked where its cursor is, the first CSI r;c R
    // is its answer, not Shift or Ctrl with F3.
    {CSI, 'R', 0, NAMED_CURSOR_REPORT},
    // F1-F4: SS3 P-S, and CSI P-S with a modifier (CSI 1;2P).
    {CSI, 'P', 0, NAMED_F1},       {SS3, 'P', 0, NAMED_F1},
    {CSI, 'Q', 0, NAMED_F2},       {SS3, 'Q', 0, NAMED_F2},
    {CSI, 'R', 0, NAMED_F3},       {SS3, 'R', 0, NAMED_F3},
    {CSI, 'S', 0, NAMED_F4},       {SS3, 'S', 0, NAMED_F4},
    // The editing keys and function keys as CSI n ~ (vt220, xterm, rxvt).
    {CSI, '~', 1, NAMED_HOME},     {CSI, '~', 7, NAMED_HOME},
    {CSI, '~', 4, NAMED_END},      {CSI, '~', 8, NAMED_END},
    {CSI, '~', 2, NAMED_INSERT},   {CSI, '~', 3, NAMED_DELETE},
    {CSI, '~', 5, NAMED_PAGE_UP},  {CSI, '~', 6, NAMED_PAGE_DOWN},
    {CSI, '~', 11, NAMED_F1},      {CSI, '~', 12, NAMED_F2},
    {CSI, '~', 13, NAMED_F3},      {CSI, '~', 14, NAMED_F4},
    {CSI, '~', 15, NAMED_F5},      {CSI, '~', 17, NAMED_F6},
    {CSI, '~', 18, NAMED_F7},      {CSI, '~', 19, NAMED_F8},
    {CSI, '~', 20, NAMED_F9},      {CSI, '~', 21, NAMED_F10},
    {CSI, '~', 23, NAMED_F11},     {CSI, '~', 24, NAMED_F12},
    // The Linux console's F1-F5.
    {LINUX_CONSOLE, 'A', 0, NAMED_F1},  {LINUX_CONSOLE, 'B', 0, NAMED_F2},
    {LINUX_CONSOLE, 'C', 0, NAMED_F3},  {LINUX_CONSOLE, 'D', 0, NAMED_F4},
    {LINUX_CONSOLE, 'E', 0, NAMED_F5},
    // Shift+Tab, and the keypad's Enter in application mode.
    {CSI, 'Z', 0, NAMED_NONE, XTERM_PLAIN, Key{true, KEY_LEAD_NUL, KEY_EXT_SHIFT_TAB}},
    {SS3, 'M', 0, NAMED_NONE, XTERM_PLAIN, Key{false, 0, KEY_ENTER}},
};
// clang-format on

// The largest modifier parameter of a key.
constexpr int32_t MODIFIER_LARGEST = 16;

// Column of NAMED_CODES by modifier.
constexpr int32_t MOD_PLAIN = 0;
constexpr int32_t MOD_SHIFT = 1;
constexpr int32_t MOD_CTRL = 2;
constexpr int32_t MOD_ALT = 3;

struct ExtendedCodes {
    uint8_t lead[4];  // by modifier: plain, Shift, Ctrl, Alt
    uint8_t code[4];
};

constexpr uint8_t N = KEY_LEAD_NUL;
constexpr uint8_t G = KEY_LEAD_GREY;

// What _getch gives for each named key, plain and with a modifier.
constexpr ExtendedCodes NAMED_CODES[NAMED_COUNT] = {
    {{G, G, G, N}, {KEY_EXT_UP, KEY_EXT_UP, KEY_EXT_CTRL_UP, KEY_EXT_ALT_UP}},
    {{G, G, G, N}, {KEY_EXT_DOWN, KEY_EXT_DOWN, KEY_EXT_CTRL_DOWN, KEY_EXT_ALT_DOWN}},
    {{G, G, G, N}, {KEY_EXT_RIGHT, KEY_EXT_RIGHT, KEY_EXT_CTRL_RIGHT, KEY_EXT_ALT_RIGHT}},
    {{G, G, G, N}, {KEY_EXT_LEFT, KEY_EXT_LEFT, KEY_EXT_CTRL_LEFT, KEY_EXT_ALT_LEFT}},
    {{G, G, G, N}, {KEY_EXT_HOME, KEY_EXT_HOME, KEY_EXT_CTRL_HOME, KEY_EXT_ALT_HOME}},
    {{G, G, G, N}, {KEY_EXT_END, KEY_EXT_END, KEY_EXT_CTRL_END, KEY_EXT_ALT_END}},
    {{G, G, G, N}, {KEY_EXT_PAGE_UP, KEY_EXT_PAGE_UP, KEY_EXT_CTRL_PAGE_UP, KEY_EXT_ALT_PAGE_UP}},
    {{G, G, G, N}, {KEY_EXT_PAGE_DOWN, KEY_EXT_PAGE_DOWN, KEY_EXT_CTRL_PAGE_DOWN, KEY_EXT_ALT_PAGE_DOWN}},
    {{G, G, G, N}, {KEY_EXT_INSERT, KEY_EXT_INSERT, KEY_EXT_CTRL_INSERT, KEY_EXT_ALT_INSERT}},
    {{G, G, G, N}, {KEY_EXT_DELETE, KEY_EXT_DELETE, KEY_EXT_CTRL_DELETE, KEY_EXT_ALT_DELETE}},
    {{N, N, N, N}, {59, 84, 94, 104}},     // F1
    {{N, N, N, N}, {60, 85, 95, 105}},     // F2
    {{N, N, N, N}, {61, 86, 96, 106}},     // F3
    {{N, N, N, N}, {62, 87, 97, 107}},     // F4
    {{N, N, N, N}, {63, 88, 98, 108}},     // F5
    {{N, N, N, N}, {64, 89, 99, 109}},     // F6
    {{N, N, N, N}, {65, 90, 100, 110}},    // F7
    {{N, N, N, N}, {66, 91, 101, 111}},    // F8
    {{N, N, N, N}, {67, 92, 102, 112}},    // F9
    {{N, N, N, N}, {68, 93, 103, 113}},    // F10
    {{G, G, G, G}, {133, 135, 137, 139}},  // F11
    {{G, G, G, G}, {134, 136, 138, 140}},  // F12
};

// The PC keyboard's rows as a US layout prints their keys unshifted, each
// with the code _getch gives for Alt and the row's first key; the codes
// along a row are consecutive.
struct MetaRow {
    const char* keys;
    uint8_t first_code;
};

constexpr MetaRow META_ROWS[] = {
    {"1234567890-=", KEY_EXT_ALT_1},          // 120-131
    {"qwertyuiop[]", KEY_EXT_ALT_Q},          // 16-27
    {"asdfghjkl;'`", KEY_EXT_ALT_A},          // 30-41
    {"\\zxcvbnm,./", KEY_EXT_ALT_BACKSLASH},  // 43-53
};

constexpr Key META_NONE{true, KEY_LEAD_NUL, KEY_EXT_NONE};

// The Meta key that Esc and one more byte make.
Key meta_key(uint8_t byte) {
    if (byte == BYTE_DEL || byte == KEY_BACKSPACE) return Key{true, N, KEY_EXT_ALT_BACKSPACE};
    if (byte == KEY_ENTER) return Key{true, N, KEY_EXT_ALT_ENTER};
    if (byte >= 'A' && byte <= 'Z') byte = static_cast<uint8_t>(byte - 'A' + 'a');  // Shift keeps the code
    for (const MetaRow& row : META_ROWS) {
        for (uint32_t i = 0; row.keys[i] != '\0'; ++i) {
            if (static_cast<uint8_t>(row.keys[i]) == byte)
                return Key{true, N, static_cast<uint8_t>(row.first_code + i)};
        }
    }
    return META_NONE;
}

void queue_push(KeyDecoder* decoder, Key key) {
    if (decoder->queue_count == KEY_QUEUE_CAPACITY) return;
    uint32_t tail = (decoder->queue_head + decoder->queue_count) % KEY_QUEUE_CAPACITY;
    decoder->queue[tail] = key;
    ++decoder->queue_count;
}

void push_code(KeyDecoder* decoder, uint8_t code) { queue_push(decoder, Key{false, 0, code}); }

void push_named(KeyDecoder* decoder, NamedKey named, int32_t modifier) {
    const ExtendedCodes& codes = NAMED_CODES[named];
    queue_push(decoder, Key{true, codes.lead[modifier], codes.code[modifier]});
}

// xterm's modifier parameter is 1 + a bit set (1 Shift, 2 Alt, 4 Ctrl),
// and an Esc before the sequence adds Alt; Windows reports one modifier,
// Ctrl before Alt before Shift.
int32_t modifier_column(int32_t parameter, bool meta) {
    int32_t bits = parameter < 2 ? 0 : parameter - 1;
    if (meta) bits |= 2;
    if (bits & 4) return MOD_CTRL;
    if (bits & 2) return MOD_ALT;
    if (bits & 1) return MOD_SHIFT;
    return MOD_PLAIN;
}

// A byte that is not part of a sequence or a multi-byte character.
void decode_single(KeyDecoder* decoder, uint8_t byte) {
    if (byte == 0) {
        queue_push(decoder, Key{true, KEY_LEAD_NUL, KEY_EXT_CTRL_AT});
    } else if (byte == BYTE_DEL) {
        push_code(decoder, KEY_BACKSPACE);
    } else if (byte < 0x80) {
        push_code(decoder, byte);
    } else {
        push_code(decoder, KEY_UNMAPPED);  // not UTF-8
    }
}

// A byte that starts a character of two or more bytes.
bool is_utf8_lead(uint8_t byte) { return utf8_length(byte) > 1; }

// The key of a whole UTF-8 character.
Key utf8_key(const uint8_t* bytes, uint32_t length) {
    uint32_t c = 0;
    utf8_decode(bytes, length, &c);
    int32_t cp850 = cp850_from_unicode(c);
    return Key{false, 0, cp850 < 0 ? KEY_UNMAPPED : static_cast<uint8_t>(cp850)};
}

// The numbers of a sequence body: the first two, and how many there are.
struct Numbers {
    int32_t first;
    int32_t second;
    int32_t count;
};

// Up to two numbers of a sequence body ("1;5"); false when the body holds
// anything else (private markers, intermediates).
bool parse_numbers(const uint8_t* body, uint32_t length, Numbers* numbers) {
    int32_t values[2] = {0, 0};
    int32_t index = 0;
    for (uint32_t i = 0; i < length; ++i) {
        uint8_t b = body[i];
        if (b == ';') {
            ++index;
        } else if (b < '0' || b > '9') {
            return false;
        } else if (index < 2 && values[index] < 1000) {
            values[index] = values[index] * 10 + (b - '0');
        }
    }
    *numbers = Numbers{values[0], values[1], length > 0 ? index + 1 : 0};
    return true;
}

// The numbers of a sequence can be a key's: a modifier is at most 16 (1 +
// Shift, Alt, Ctrl, Meta), and a letter form with two numbers has 1 first.
// A cursor position report (CSI row;column R, F3's final byte) mostly has
// neither.
bool key_numbers(bool numbered, const Numbers& numbers) {
    if (numbers.count < 2) return true;
    return numbers.second <= MODIFIER_LARGEST && (numbered || numbers.first == 1);
}

// The introducer the bytes after a sequence's ESC begin with, the longest
// that fits; null when they begin with none.
const Introducer* introducer_at(const uint8_t* bytes, uint32_t length) {
    for (const Introducer& introducer : INTRODUCERS) {
        std::size_t n = std::strlen(introducer.text);
        if (n <= length && std::memcmp(introducer.text, bytes, n) == 0) return &introducer;
    }
    return nullptr;
}

// The introducer of a sequence the decoder's state says is pending, whose
// bytes therefore open one. (Were they ever to open none, the sequence
// would read as an empty introducer and a plain body.)
const Introducer& opened_introducer(const uint8_t* bytes, uint32_t length) {
    static constexpr Introducer NONE{"", KEY_STATE_NUMBERS};
    const Introducer* introducer = introducer_at(bytes, length);
    return introducer != nullptr ? *introducer : NONE;
}

void decode_byte(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms);

// Keeps one more byte, which leads to `state`.
void pending_keep(KeyDecoder* decoder, uint8_t byte, KeyDecoderState state) {
    decoder->state = state;
    decoder->pending[decoder->pending_length++] = byte;
}

void pending_clear(KeyDecoder* decoder) {
    decoder->state = KEY_STATE_GROUND;
    decoder->pending_length = 0;
}

// Where the pending sequence's own ESC is: after an Esc that makes its key
// a Meta key (ESC ESC [ A is Alt+Up).
uint32_t sequence_start(const KeyDecoder* decoder) { return decoder->pending[1] == BYTE_ESC ? 1 : 0; }

// The pending sequence's introducer; *body is where in pending what
// follows it starts.
const Introducer* pending_introducer(const KeyDecoder* decoder, uint32_t* body) {
    uint32_t opened = sequence_start(decoder) + 1;  // after the sequence's ESC
    const Introducer& introducer = opened_introducer(decoder->pending + opened, decoder->pending_length - opened);
    *body = opened + static_cast<uint32_t>(std::strlen(introducer.text));
    return &introducer;
}

// Keeps one more byte of a sequence, which leads to `state`. Without room
// the sequence is too long to be a key: it goes on as `too_long`, its
// bytes no longer kept, and is dropped up to its end.
void sequence_keep(KeyDecoder* decoder, uint8_t byte, KeyDecoderState state, KeyDecoderState too_long) {
    if (decoder->pending_length - sequence_start(decoder) == KEY_PENDING_CAPACITY) {
        decoder->state = too_long;
        return;
    }
    pending_keep(decoder, byte, state);
}

// A whole key sequence, its final byte come: the key of its form, with the
// modifier its numbers give (an Esc before it adds Alt); nothing for a
// form the table lacks or numbers no key has. Once the terminal was asked
// where its cursor is, the answer is kept apart instead.
void decode_key(KeyDecoder* decoder, uint8_t final) {
    uint32_t body = 0;
    const Introducer* introducer = pending_introducer(decoder, &body);
    Numbers numbers{};
    if (!parse_numbers(decoder->pending + body, decoder->pending_length - body, &numbers)) return;
    bool meta = sequence_start(decoder) == 1;
    bool numbered = final == '~';
    for (const SequenceForm& form : SEQUENCE_FORMS) {
        if (form.introducer != introducer->text || form.final != final || form.number != (numbered ? numbers.first : 0))
            continue;
        if (form.named == NAMED_CURSOR_REPORT) {
            if (!decoder->cursor_asked || numbers.count != 2 || meta) continue;
            decoder->cursor_asked = false;
            decoder->cursor_row = numbers.first;
            decoder->cursor_column = numbers.second;
            return;
        }
        if (!key_numbers(numbered, numbers)) return;
        if (form.named == NAMED_NONE) {
            queue_push(decoder, meta ? META_NONE : form.fixed);
            return;
        }
        bool lone_modifier = introducer->lone_modifier && numbers.count == 1;
        int32_t modifier = numbers.count >= 2 ? numbers.second : lone_modifier ? numbers.first : form.modifier;
        push_named(decoder, form.named, modifier_column(modifier, meta));
        return;
    }
}

// A byte with nothing pending: an Esc or the lead byte of a character
// waits for what follows it.
void decode_ground(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    if (byte != BYTE_ESC && !is_utf8_lead(byte)) {
        decode_single(decoder, byte);
        return;
    }
    decoder->pending_since_ms = now_ms;
    pending_keep(decoder, byte, byte == BYTE_ESC ? KEY_STATE_ESC : KEY_STATE_CHARACTER);
}

// The byte after an Esc, which came within the timeout. After Esc Esc the
// first is Meta on the key the second starts, which waits in its place;
// with no sequence there, Meta+Esc, and the byte starts afresh.
void decode_after_esc(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    if (introducer_at(&byte, 1) != nullptr) {
        pending_keep(decoder, byte, KEY_STATE_INTRODUCER);
    } else if (decoder->state == KEY_STATE_ESC_ESC) {
        pending_clear(decoder);
        queue_push(decoder, META_NONE);
        decode_byte(decoder, byte, now_ms);
    } else if (byte == BYTE_ESC) {
        pending_keep(decoder, byte, KEY_STATE_ESC_ESC);
    } else if (is_utf8_lead(byte)) {
        pending_keep(decoder, byte, KEY_STATE_META_CHARACTER);  // one Meta key once the character is whole
    } else {
        pending_clear(decoder);
        queue_push(decoder, meta_key(byte));
    }
}

// The byte after an introducer's first: it lengthens the introducer ([[,
// [M), or it is the first of the body.
void decode_after_introducer(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    const uint8_t opened[2] = {decoder->pending[decoder->pending_length - 1], byte};
    const Introducer& introducer = opened_introducer(opened, 2);
    decoder->state = introducer.body;
    if (std::strlen(introducer.text) == 2) {
        decoder->pending[decoder->pending_length++] = byte;
    } else {
        decode_byte(decoder, byte, now_ms);
    }
}

// The next byte of a key sequence: a final byte ends it, a parameter byte
// goes on its numbers, and any other byte, which no sequence may hold,
// drops it and starts afresh.
void decode_key_body(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    KeyDecoderState state = decoder->state;
    if (byte >= 0x20 && byte <= 0x3F && state != KEY_STATE_FINAL) {
        sequence_keep(decoder, byte, KEY_STATE_NUMBERS, KEY_STATE_LONG_NUMBERS);
        return;
    }
    bool final = byte >= 0x40 && byte <= 0x7E;
    if (final && state != KEY_STATE_LONG_NUMBERS) decode_key(decoder, byte);
    pending_clear(decoder);
    if (!final) decode_byte(decoder, byte, now_ms);
}

// The next byte of a mouse report: the third drops it whole.
void decode_three_bytes(KeyDecoder* decoder, uint8_t byte) {
    pending_keep(decoder, byte, KEY_STATE_THREE_BYTES);
    uint32_t body = 0;
    pending_introducer(decoder, &body);
    if (decoder->pending_length == body + REPORT_BYTES) pending_clear(decoder);
}

// The next byte of a control string: BEL drops it whole, and an Esc may
// start the ST that does.
void decode_string(KeyDecoder* decoder, uint8_t byte) {
    bool esc = byte == BYTE_ESC;
    if (byte == BYTE_BEL) {
        pending_clear(decoder);
    } else {
        sequence_keep(decoder, byte, esc ? KEY_STATE_STRING_ESC : KEY_STATE_STRING,
                      esc ? KEY_STATE_LONG_STRING_ESC : KEY_STATE_LONG_STRING);
    }
}

// The byte after an Esc in a control string: with a backslash the ST that
// drops the string whole; any other byte ends the string too, and the Esc
// and the byte start afresh.
void decode_string_esc(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    pending_clear(decoder);
    if (byte == '\\') return;
    decode_byte(decoder, BYTE_ESC, now_ms);
    decode_byte(decoder, byte, now_ms);
}

// The next byte of a UTF-8 character, after Esc or not: once whole, the
// character's key (after Esc, the Meta key with no code); a byte that
// cannot go on it ends it, unmappable, and starts afresh.
void decode_character(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    uint32_t start = decoder->state == KEY_STATE_META_CHARACTER ? 1 : 0;
    bool continues = utf8_is_continuation(byte);
    if (continues) decoder->pending[decoder->pending_length++] = byte;
    if (continues && decoder->pending_length - start < utf8_length(decoder->pending[start])) return;
    Key key = start == 1  ? META_NONE
              : continues ? utf8_key(decoder->pending, decoder->pending_length)
                          : Key{false, 0, KEY_UNMAPPED};
    pending_clear(decoder);
    queue_push(decoder, key);
    if (!continues) decode_byte(decoder, byte, now_ms);
}

void decode_byte(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    switch (decoder->state) {
    case KEY_STATE_GROUND: decode_ground(decoder, byte, now_ms); return;
    case KEY_STATE_ESC:
    case KEY_STATE_ESC_ESC: decode_after_esc(decoder, byte, now_ms); return;
    case KEY_STATE_INTRODUCER: decode_after_introducer(decoder, byte, now_ms); return;
    case KEY_STATE_NUMBERS:
    case KEY_STATE_FINAL:
    case KEY_STATE_LONG_NUMBERS: decode_key_body(decoder, byte, now_ms); return;
    case KEY_STATE_THREE_BYTES: decode_three_bytes(decoder, byte); return;
    case KEY_STATE_STRING:
    case KEY_STATE_LONG_STRING: decode_string(decoder, byte); return;
    case KEY_STATE_STRING_ESC:
    case KEY_STATE_LONG_STRING_ESC: decode_string_esc(decoder, byte, now_ms); return;
    case KEY_STATE_CHARACTER:
    case KEY_STATE_META_CHARACTER: decode_character(decoder, byte, now_ms); return;
    }
}

// The pending bytes will never complete. A lone Esc is the Esc key; a
// sequence cut short is the Meta key of Esc and the byte after it (Esc Esc
// is Meta+Esc), and the bytes after those count one by one; a cut UTF-8
// character is unmappable, after Esc the Meta key with no code; a sequence
// too long to keep is dropped. The bytes counted again keep the time the
// sequence began: none is newer than now, so a last Esc or lead byte they
// leave pending is due as well.
void give_up_pending(KeyDecoder* decoder) {
    KeyDecoderState state = decoder->state;
    uint8_t saved[sizeof decoder->pending];
    uint32_t length = decoder->pending_length;
    uint64_t since = decoder->pending_since_ms;
    std::memcpy(saved, decoder->pending, length);
    pending_clear(decoder);
    switch (state) {
    case KEY_STATE_GROUND:
    case KEY_STATE_LONG_NUMBERS:
    case KEY_STATE_LONG_STRING:
    case KEY_STATE_LONG_STRING_ESC: return;
    case KEY_STATE_CHARACTER: push_code(decoder, KEY_UNMAPPED); return;
    case KEY_STATE_META_CHARACTER: queue_push(decoder, META_NONE); return;
    case KEY_STATE_ESC: push_code(decoder, KEY_ESC); return;
    default: break;
    }
    queue_push(decoder, meta_key(saved[1]));
    for (uint32_t i = 2; i < length; ++i) decode_byte(decoder, saved[i], since);
}

}  // namespace

void key_decoder_init(KeyDecoder* decoder) { *decoder = KeyDecoder{}; }

void key_decoder_feed(KeyDecoder* decoder, const uint8_t* bytes, std::size_t length, uint64_t now_ms) {
    key_decoder_tick(decoder, now_ms);
    for (std::size_t i = 0; i < length; ++i) decode_byte(decoder, bytes[i], now_ms);
}

// Repeated: giving up a string cut short after its Esc leaves that Esc
// pending, with the same deadline.
void key_decoder_tick(KeyDecoder* decoder, uint64_t now_ms) {
    for (int64_t deadline = key_decoder_deadline(decoder); deadline >= 0 && now_ms >= static_cast<uint64_t>(deadline);
         deadline = key_decoder_deadline(decoder)) {
        give_up_pending(decoder);
    }
}

// At the end of input every deadline has passed.
void key_decoder_flush(KeyDecoder* decoder) { key_decoder_tick(decoder, UINT64_MAX); }

int64_t key_decoder_deadline(const KeyDecoder* decoder) {
    if (decoder->state == KEY_STATE_GROUND) return -1;
    return static_cast<int64_t>(decoder->pending_since_ms + KEY_ESC_TIMEOUT_MS);
}

bool key_decoder_has_key(const KeyDecoder* decoder) { return decoder->queue_count > 0; }

bool key_decoder_peek(const KeyDecoder* decoder, Key* key) {
    if (decoder->queue_count == 0) return false;
    *key = decoder->queue[decoder->queue_head];
    return true;
}

bool key_decoder_take(KeyDecoder* decoder, Key* key) {
    if (decoder->queue_count == 0) return false;
    *key = decoder->queue[decoder->queue_head];
    decoder->queue_head = (decoder->queue_head + 1) % KEY_QUEUE_CAPACITY;
    --decoder->queue_count;
    return true;
}

void key_decoder_ask_cursor(KeyDecoder* decoder) {
    decoder->cursor_asked = true;
    decoder->cursor_row = 0;
    decoder->cursor_column = 0;
}

bool key_decoder_take_cursor(KeyDecoder* decoder, int32_t* row, int32_t* column) {
    if (decoder->cursor_row <= 0) return false;
    *row = decoder->cursor_row;
    *column = decoder->cursor_column;
    decoder->cursor_row = 0;
    decoder->cursor_column = 0;
    return true;
}
