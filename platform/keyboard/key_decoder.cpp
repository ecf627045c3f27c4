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
//                             xterm modifier parameter; any other complete
//                             sequence is swallowed whole, a cursor
//                             position report (CSI row;column R) too
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
};
// clang-format on

// What follows a sequence's introducer, up to the sequence's end.
enum SequenceBody : uint8_t {
    BODY_PARAMETERS,   // up to two numbers, then the final byte: a key, or swallowed
    BODY_THREE_BYTES,  // three bytes of any value: a report, dropped
    BODY_STRING,       // any bytes up to BEL or ST (ESC \): a report, dropped
};

// One accepted escape sequence: ESC, the introducer, and a body. A key's
// body is up to two numbers separated by ';' and the final byte. For '~'
// sequences the first number picks the key and the second is the
// modifier; for the letter forms the modifier is the second number (CSI
// 1;5A), or the first (SS3 5A, as some terminals send it). xterm's
// modifier is 1 + a bit set: 1 Shift, 2 Alt, 4 Ctrl.
struct SequenceForm {
    const char* introducer;  // "[" (CSI), "O" (SS3), "[[" (the Linux console's F1-F5), or a report's
    uint8_t final;           // the final byte of a key; 0 for a report
    int32_t number;          // the first number of a '~' sequence; 0 for the other forms
    NamedKey named;          // the key, its modifier applied; NAMED_NONE for `fixed` or a report
    Key fixed;               // the key of a form that names no key
    SequenceBody body = BODY_PARAMETERS;
};

constexpr Key NO_KEY{false, 0, 0};

// clang-format off
constexpr SequenceForm SEQUENCE_FORMS[] = {
    // Cursor keys and Home/End: CSI and SS3 (application mode) forms.
    {"[", 'A', 0, NAMED_UP, NO_KEY},       {"O", 'A', 0, NAMED_UP, NO_KEY},
    {"[", 'B', 0, NAMED_DOWN, NO_KEY},     {"O", 'B', 0, NAMED_DOWN, NO_KEY},
    {"[", 'C', 0, NAMED_RIGHT, NO_KEY},    {"O", 'C', 0, NAMED_RIGHT, NO_KEY},
    {"[", 'D', 0, NAMED_LEFT, NO_KEY},     {"O", 'D', 0, NAMED_LEFT, NO_KEY},
    {"[", 'H', 0, NAMED_HOME, NO_KEY},     {"O", 'H', 0, NAMED_HOME, NO_KEY},
    {"[", 'F', 0, NAMED_END, NO_KEY},      {"O", 'F', 0, NAMED_END, NO_KEY},
    // F1-F4: SS3 P-S, and CSI P-S with a modifier (CSI 1;2P).
    {"[", 'P', 0, NAMED_F1, NO_KEY},       {"O", 'P', 0, NAMED_F1, NO_KEY},
    {"[", 'Q', 0, NAMED_F2, NO_KEY},       {"O", 'Q', 0, NAMED_F2, NO_KEY},
    {"[", 'R', 0, NAMED_F3, NO_KEY},       {"O", 'R', 0, NAMED_F3, NO_KEY},
    {"[", 'S', 0, NAMED_F4, NO_KEY},       {"O", 'S', 0, NAMED_F4, NO_KEY},
    // The editing keys and function keys as CSI n ~ (vt220, xterm, rxvt).
    {"[", '~', 1, NAMED_HOME, NO_KEY},     {"[", '~', 7, NAMED_HOME, NO_KEY},
    {"[", '~', 4, NAMED_END, NO_KEY},      {"[", '~', 8, NAMED_END, NO_KEY},
    {"[", '~', 2, NAMED_INSERT, NO_KEY},   {"[", '~', 3, NAMED_DELETE, NO_KEY},
    {"[", '~', 5, NAMED_PAGE_UP, NO_KEY},  {"[", '~', 6, NAMED_PAGE_DOWN, NO_KEY},
    {"[", '~', 11, NAMED_F1, NO_KEY},      {"[", '~', 12, NAMED_F2, NO_KEY},
    {"[", '~', 13, NAMED_F3, NO_KEY},      {"[", '~', 14, NAMED_F4, NO_KEY},
    {"[", '~', 15, NAMED_F5, NO_KEY},      {"[", '~', 17, NAMED_F6, NO_KEY},
    {"[", '~', 18, NAMED_F7, NO_KEY},      {"[", '~', 19, NAMED_F8, NO_KEY},
    {"[", '~', 20, NAMED_F9, NO_KEY},      {"[", '~', 21, NAMED_F10, NO_KEY},
    {"[", '~', 23, NAMED_F11, NO_KEY},     {"[", '~', 24, NAMED_F12, NO_KEY},
    // The Linux console's F1-F5.
    {"[[", 'A', 0, NAMED_F1, NO_KEY},      {"[[", 'B', 0, NAMED_F2, NO_KEY},
    {"[[", 'C', 0, NAMED_F3, NO_KEY},      {"[[", 'D', 0, NAMED_F4, NO_KEY},
    {"[[", 'E', 0, NAMED_F5, NO_KEY},
    // Shift+Tab, and the keypad's Enter in application mode.
    {"[", 'Z', 0, NAMED_NONE, Key{true, KEY_LEAD_NUL, KEY_EXT_SHIFT_TAB}},
    {"O", 'M', 0, NAMED_NONE, Key{false, 0, KEY_ENTER}},
    // Reports the terminal sends, dropped whole: the X10 and normal mouse
    // report (button, column and row, each one byte), and the control
    // strings OSC (colour and title replies), DCS (DECRQSS and XTGETTCAP
    // replies), SOS, PM and APC.
    {"[M", 0, 0, NAMED_NONE, NO_KEY, BODY_THREE_BYTES},
    {"]", 0, 0, NAMED_NONE, NO_KEY, BODY_STRING},  {"P", 0, 0, NAMED_NONE, NO_KEY, BODY_STRING},
    {"X", 0, 0, NAMED_NONE, NO_KEY, BODY_STRING},  {"^", 0, 0, NAMED_NONE, NO_KEY, BODY_STRING},
    {"_", 0, 0, NAMED_NONE, NO_KEY, BODY_STRING},
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

void decode_utf8(KeyDecoder* decoder, const uint8_t* bytes, uint32_t length) {
    uint32_t c = 0;
    utf8_decode(bytes, length, &c);
    int32_t cp850 = cp850_from_unicode(c);
    push_code(decoder, cp850 < 0 ? KEY_UNMAPPED : static_cast<uint8_t>(cp850));
}

// Up to two numeric parameters of a sequence body ("1;5"); false when the
// body holds anything else (private markers, intermediates).
bool parse_parameters(const uint8_t* body, uint32_t length, int32_t* first, int32_t* second, int32_t* count) {
    int32_t values[2] = {0, 0};
    int32_t index = 0;
    bool any = false;
    for (uint32_t i = 0; i < length; ++i) {
        uint8_t b = body[i];
        if (b >= '0' && b <= '9') {
            if (index < 2 && values[index] < 1000) values[index] = values[index] * 10 + (b - '0');
            any = true;
        } else if (b == ';') {
            ++index;
            any = true;
        } else {
            return false;
        }
    }
    *first = values[0];
    *second = values[1];
    *count = any ? index + 1 : 0;
    return true;
}

bool same_text(const char* text, const uint8_t* bytes, uint32_t length) {
    uint32_t i = 0;
    for (; text[i] != '\0'; ++i) {
        if (i >= length || bytes[i] != static_cast<uint8_t>(text[i])) return false;
    }
    return i == length;
}

// The form of SEQUENCE_FORMS a sequence matches, or null.
const SequenceForm* form_of(const uint8_t* introducer, uint32_t introducer_length, uint8_t final, int32_t number) {
    for (const SequenceForm& form : SEQUENCE_FORMS) {
        if (form.body == BODY_PARAMETERS && form.final == final && form.number == number &&
            same_text(form.introducer, introducer, introducer_length)) {
            return &form;
        }
    }
    return nullptr;
}

// The numbers of a sequence can be a key's: a modifier is at most 16 (1 +
// Shift, Alt, Ctrl, Meta), and a letter form with two numbers has 1 first.
// A cursor position report (CSI row;column R, F3's final byte) mostly has
// neither.
bool key_numbers(bool numbered, int32_t first, int32_t second, int32_t count) {
    if (count < 2) return true;
    return second <= MODIFIER_LARGEST && (numbered || first == 1);
}

// A complete sequence: ESC, the introducer ('[' or 'O'), a body, a final
// byte. Sequences naming no key are dropped.
void decode_sequence(KeyDecoder* decoder, uint8_t introducer, const uint8_t* body, uint32_t length, uint8_t final) {
    const uint8_t linux_introducer[2] = {'[', '['};
    bool meta = decoder->meta;
    if (introducer == '[' && length == 1 && body[0] == '[') {
        const SequenceForm* form = form_of(linux_introducer, 2, final, 0);
        if (form != nullptr) push_named(decoder, form->named, meta ? MOD_ALT : MOD_PLAIN);
        return;
    }
    int32_t first = 0;
    int32_t second = 0;
    int32_t count = 0;
    if (!parse_parameters(body, length, &first, &second, &count)) return;
    if (decoder->cursor_asked && introducer == '[' && final == 'R' && count == 2 && !meta) {
        decoder->cursor_asked = false;
        decoder->cursor_row = first;
        decoder->cursor_column = second;
        return;
    }
    bool numbered = final == '~';
    const SequenceForm* form = form_of(&introducer, 1, final, numbered ? first : 0);
    if (form == nullptr || !key_numbers(numbered, first, second, count)) return;
    if (form->named == NAMED_NONE) {
        queue_push(decoder, meta ? META_NONE : form->fixed);
        return;
    }
    // CSI 1;5A and CSI 3;5~ carry the modifier second; SS3 5A (some
    // terminals) first.
    int32_t modifier = count >= 2 ? second : (!numbered && introducer == 'O' ? first : 1);
    push_named(decoder, form->named, modifier_column(modifier, meta));
}

void decode_byte(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms);

void start_pending(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    decoder->pending[0] = byte;
    decoder->pending_length = 1;
    decoder->pending_since_ms = now_ms;
}

void clear_pending(KeyDecoder* decoder) {
    decoder->pending_length = 0;
    decoder->swallowing = false;
    decoder->meta = false;
}

// A byte that, after ESC, opens a sequence of SEQUENCE_FORMS.
bool is_introducer(uint8_t byte) {
    for (const SequenceForm& form : SEQUENCE_FORMS) {
        if (static_cast<uint8_t>(form.introducer[0]) == byte) return true;
    }
    return false;
}

// The byte makes a two-byte introducer of the one before it ("[[", "[M").
bool extends_introducer(uint8_t introducer, uint8_t byte) {
    for (const SequenceForm& form : SEQUENCE_FORMS) {
        const char* text = form.introducer;
        if (text[1] != '\0' && static_cast<uint8_t>(text[0]) == introducer && static_cast<uint8_t>(text[1]) == byte)
            return true;
    }
    return false;
}

// The report whose introducer the pending bytes open, or null.
const SequenceForm* pending_report(const KeyDecoder* decoder) {
    for (const SequenceForm& form : SEQUENCE_FORMS) {
        auto length = static_cast<uint32_t>(std::strlen(form.introducer));
        if (form.body != BODY_PARAMETERS && decoder->pending_length > length &&
            same_text(form.introducer, decoder->pending + 1, length))
            return &form;
    }
    return nullptr;
}

// Keeps one more byte of a sequence. Past the capacity the sequence is too
// long to be a key and is dropped up to its end; the last place then holds
// the latest byte, so that a string's ST is still seen.
void pending_append(KeyDecoder* decoder, uint8_t byte) {
    if (decoder->pending_length == KEY_PENDING_CAPACITY) {
        decoder->swallowing = true;
        decoder->pending[KEY_PENDING_CAPACITY - 1] = byte;
        return;
    }
    decoder->pending[decoder->pending_length++] = byte;
}

// The pending bytes will never complete. A lone Esc is the Esc key (after
// another Esc, Meta+Esc); a sequence cut short is the Meta key of Esc and
// its introducer, and the bytes after them count one by one; a cut UTF-8
// character is unmappable, after Esc the Meta key with no code. The bytes
// counted again keep the time the sequence began: none of them is newer
// than now, so a last Esc or lead byte they leave pending is due as well.
void give_up_pending(KeyDecoder* decoder) {
    if (decoder->swallowing) {
        clear_pending(decoder);
        return;
    }
    uint8_t saved[KEY_PENDING_CAPACITY];
    uint32_t length = decoder->pending_length;
    bool meta = decoder->meta;
    uint64_t since = decoder->pending_since_ms;
    for (uint32_t i = 0; i < length; ++i) saved[i] = decoder->pending[i];
    clear_pending(decoder);
    if (length == 0) return;
    if (saved[0] != BYTE_ESC) {
        push_code(decoder, KEY_UNMAPPED);
        return;
    }
    if (length == 1) {
        queue_push(decoder, meta ? META_NONE : Key{false, 0, KEY_ESC});
        return;
    }
    if (!is_introducer(saved[1])) {
        queue_push(decoder, META_NONE);
        return;
    }
    if (meta) {
        queue_push(decoder, META_NONE);
        decode_byte(decoder, saved[1], since);
    } else {
        queue_push(decoder, meta_key(saved[1]));
    }
    for (uint32_t i = 2; i < length; ++i) decode_byte(decoder, saved[i], since);
}

// The byte after a lone pending Esc, which came within the timeout.
void continue_esc(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    if (is_introducer(byte)) {
        decoder->pending[decoder->pending_length++] = byte;
        return;
    }
    if (byte == BYTE_ESC && !decoder->meta) {
        // Esc Esc: the first is Meta on the key the second starts, which
        // waits in its place (ESC ESC [ A is Alt+Up).
        decoder->meta = true;
        return;
    }
    if (decoder->meta) {
        // Esc Esc and no sequence: Meta+Esc, and the byte starts afresh.
        clear_pending(decoder);
        queue_push(decoder, META_NONE);
        decode_byte(decoder, byte, now_ms);
        return;
    }
    if (is_utf8_lead(byte)) {
        decoder->pending[decoder->pending_length++] = byte;  // Meta with a character: one key once it is whole
        return;
    }
    clear_pending(decoder);
    queue_push(decoder, meta_key(byte));
}

// The next byte of a character after Esc: the whole is one Meta key with no
// code; a byte that cannot go on the character ends it and starts afresh.
void continue_meta_character(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    bool continues = utf8_is_continuation(byte);
    if (continues) decoder->pending[decoder->pending_length++] = byte;
    if (continues && decoder->pending_length - 1 < utf8_length(decoder->pending[1])) return;
    clear_pending(decoder);
    queue_push(decoder, META_NONE);
    if (!continues) decode_byte(decoder, byte, now_ms);
}

// The next byte of a report: its last byte, BEL or ST drop it whole. In
// a string an ESC that does not start ST ends it, and that ESC starts
// afresh.
void continue_report(KeyDecoder* decoder, const SequenceForm& report, uint8_t byte, uint64_t now_ms) {
    auto opened = static_cast<uint32_t>(1 + std::strlen(report.introducer));  // ESC and the introducer
    if (report.body == BODY_THREE_BYTES) {
        pending_append(decoder, byte);
        if (decoder->pending_length == opened + 3) clear_pending(decoder);
        return;
    }
    bool after_esc = decoder->pending_length > opened && decoder->pending[decoder->pending_length - 1] == BYTE_ESC;
    if (after_esc || byte == BYTE_BEL) clear_pending(decoder);
    if (after_esc && byte != '\\') {
        decode_byte(decoder, BYTE_ESC, now_ms);
        decode_byte(decoder, byte, now_ms);
    } else if (!after_esc && byte != BYTE_BEL) {
        pending_append(decoder, byte);
    }
}

// The next byte of an escape sequence in progress.
void continue_sequence(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    const SequenceForm* report = pending_report(decoder);
    if (report != nullptr) {
        continue_report(decoder, *report, byte, now_ms);
        return;
    }
    uint8_t introducer = decoder->pending[1];
    const uint8_t* body = decoder->pending + 2;
    uint32_t body_length = decoder->pending_length - 2;
    bool linux_function = introducer == '[' && body_length == 1 && body[0] == '[';
    if (body_length == 0 && extends_introducer(introducer, byte)) {
        pending_append(decoder, byte);
        return;
    }
    if (byte >= 0x40 && byte <= 0x7E) {
        if (!decoder->swallowing) decode_sequence(decoder, introducer, body, body_length, byte);
        clear_pending(decoder);
        return;
    }
    if (byte >= 0x20 && byte <= 0x3F && !linux_function) {
        pending_append(decoder, byte);
        return;
    }
    // A byte no sequence may hold: drop what was pending and start afresh.
    clear_pending(decoder);
    decode_byte(decoder, byte, now_ms);
}

void continue_utf8(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    if (!utf8_is_continuation(byte)) {
        clear_pending(decoder);
        push_code(decoder, KEY_UNMAPPED);
        decode_byte(decoder, byte, now_ms);
        return;
    }
    decoder->pending[decoder->pending_length++] = byte;
    if (decoder->pending_length == utf8_length(decoder->pending[0])) {
        decode_utf8(decoder, decoder->pending, decoder->pending_length);
        clear_pending(decoder);
    }
}

void decode_byte(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    if (decoder->pending_length == 0) {
        if (byte == BYTE_ESC || is_utf8_lead(byte)) {
            start_pending(decoder, byte, now_ms);
        } else {
            decode_single(decoder, byte);
        }
        return;
    }
    if (decoder->pending[0] != BYTE_ESC) {
        continue_utf8(decoder, byte, now_ms);
    } else if (decoder->pending_length == 1) {
        continue_esc(decoder, byte, now_ms);
    } else if (is_introducer(decoder->pending[1])) {
        continue_sequence(decoder, byte, now_ms);
    } else {
        continue_meta_character(decoder, byte, now_ms);
    }
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
    if (decoder->pending_length == 0 && !decoder->swallowing) return -1;
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
