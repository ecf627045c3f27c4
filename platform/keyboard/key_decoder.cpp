// The key decoder: terminal bytes (UTF-8 text, control bytes, CSI and SS3
// escape sequences) to _getch key codes, as the Windows C runtime reports
// them for a console with code page 850.
#include "platform/keyboard/key_decoder.h"

#include "platform/model/cp850.h"

namespace {

constexpr uint8_t BYTE_ESC = 0x1B;
constexpr uint8_t BYTE_DEL = 0x7F;
constexpr uint8_t CODE_BACKSPACE = 8;
constexpr uint8_t CODE_UNMAPPED = '?';
constexpr uint8_t LEAD_NUL = 0;     // lead of F1-F10 and Alt combinations

// The keys that escape sequences name.
enum NamedKey : uint8_t {
    NAMED_UP, NAMED_DOWN, NAMED_RIGHT, NAMED_LEFT, NAMED_HOME, NAMED_END,
    NAMED_PAGE_UP, NAMED_PAGE_DOWN, NAMED_INSERT, NAMED_DELETE,
    NAMED_F1, NAMED_F2, NAMED_F3, NAMED_F4, NAMED_F5, NAMED_F6,
    NAMED_F7, NAMED_F8, NAMED_F9, NAMED_F10, NAMED_F11, NAMED_F12,
    NAMED_COUNT,
};

// Column of NAMED_CODES by modifier.
constexpr int32_t MOD_PLAIN = 0;
constexpr int32_t MOD_SHIFT = 1;
constexpr int32_t MOD_CTRL = 2;
constexpr int32_t MOD_ALT = 3;

struct ExtendedCodes {
    uint8_t lead[4];  // by modifier: plain, Shift, Ctrl, Alt
    uint8_t code[4];
};

// What _getch gives for each named key, plain and with a modifier.
constexpr ExtendedCodes NAMED_CODES[NAMED_COUNT] = {
    {{224, 224, 224, 0}, {72, 72, 141, 152}},   // Up
    {{224, 224, 224, 0}, {80, 80, 145, 160}},   // Down
    {{224, 224, 224, 0}, {77, 77, 116, 157}},   // Right
    {{224, 224, 224, 0}, {75, 75, 115, 155}},   // Left
    {{224, 224, 224, 0}, {71, 71, 119, 151}},   // Home
    {{224, 224, 224, 0}, {79, 79, 117, 159}},   // End
    {{224, 224, 224, 0}, {73, 73, 134, 153}},   // PgUp
    {{224, 224, 224, 0}, {81, 81, 118, 161}},   // PgDn
    {{224, 224, 224, 0}, {82, 82, 146, 162}},   // Insert
    {{224, 224, 224, 0}, {83, 83, 147, 163}},   // Delete
    {{0, 0, 0, 0}, {59, 84, 94, 104}},          // F1
    {{0, 0, 0, 0}, {60, 85, 95, 105}},          // F2
    {{0, 0, 0, 0}, {61, 86, 96, 106}},          // F3
    {{0, 0, 0, 0}, {62, 87, 97, 107}},          // F4
    {{0, 0, 0, 0}, {63, 88, 98, 108}},          // F5
    {{0, 0, 0, 0}, {64, 89, 99, 109}},          // F6
    {{0, 0, 0, 0}, {65, 90, 100, 110}},         // F7
    {{0, 0, 0, 0}, {66, 91, 101, 111}},         // F8
    {{0, 0, 0, 0}, {67, 92, 102, 112}},         // F9
    {{0, 0, 0, 0}, {68, 93, 103, 113}},         // F10
    {{224, 224, 224, 224}, {133, 135, 137, 139}},  // F11
    {{224, 224, 224, 224}, {134, 136, 138, 140}},  // F12
};

void queue_push(KeyDecoder* decoder, Key key) {
    if (decoder->queue_count == KEY_QUEUE_CAPACITY) return;
    uint32_t tail = (decoder->queue_head + decoder->queue_count) % KEY_QUEUE_CAPACITY;
    decoder->queue[tail] = key;
    ++decoder->queue_count;
}

void push_code(KeyDecoder* decoder, uint8_t code) { queue_push(decoder, Key{false, 0, code}); }

void push_extended(KeyDecoder* decoder, uint8_t lead, uint8_t code) {
    queue_push(decoder, Key{true, lead, code});
}

void push_named(KeyDecoder* decoder, NamedKey named, int32_t modifier) {
    const ExtendedCodes& codes = NAMED_CODES[named];
    push_extended(decoder, codes.lead[modifier], codes.code[modifier]);
}

// xterm's modifier parameter is 1 + a bit set (1 Shift, 2 Alt, 4 Ctrl);
// Windows reports one modifier, Ctrl before Alt before Shift.
int32_t modifier_column(int32_t parameter) {
    if (parameter < 2) return MOD_PLAIN;
    int32_t bits = parameter - 1;
    if (bits & 4) return MOD_CTRL;
    if (bits & 2) return MOD_ALT;
    if (bits & 1) return MOD_SHIFT;
    return MOD_PLAIN;
}

// A byte that is not part of a sequence or a multi-byte character.
void decode_single(KeyDecoder* decoder, uint8_t byte) {
    if (byte == 0) {
        push_extended(decoder, LEAD_NUL, 3);  // Ctrl+@ as on Windows
    } else if (byte == BYTE_DEL) {
        push_code(decoder, CODE_BACKSPACE);  // the terminal's Backspace
    } else if (byte < 0x80) {
        push_code(decoder, byte);
    } else {
        push_code(decoder, CODE_UNMAPPED);  // not UTF-8
    }
}

// Length of the UTF-8 character a lead byte starts, 0 for a byte that
// cannot start one.
uint32_t utf8_length(uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

void decode_utf8(KeyDecoder* decoder, const uint8_t* bytes, uint32_t length) {
    uint32_t c = bytes[0] & (0xFFu >> (length + 1));
    for (uint32_t i = 1; i < length; ++i) c = (c << 6) | (bytes[i] & 0x3Fu);
    int32_t cp850 = cp850_from_unicode(c);
    push_code(decoder, cp850 < 0 ? CODE_UNMAPPED : static_cast<uint8_t>(cp850));
}

// Up to two numeric parameters of a sequence body ("1;5"); false when the
// body holds anything else (private markers, intermediates).
bool parse_parameters(const uint8_t* body, uint32_t length, int32_t* first, int32_t* second,
                      int32_t* count) {
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

// A key named by a sequence's final letter (CSI or SS3 form), -1 if none.
int32_t named_by_letter(uint8_t final) {
    switch (final) {
        case 'A': return NAMED_UP;
        case 'B': return NAMED_DOWN;
        case 'C': return NAMED_RIGHT;
        case 'D': return NAMED_LEFT;
        case 'H': return NAMED_HOME;
        case 'F': return NAMED_END;
        case 'P': return NAMED_F1;
        case 'Q': return NAMED_F2;
        case 'R': return NAMED_F3;
        case 'S': return NAMED_F4;
        default: return -1;
    }
}

// A key named by the number of a "CSI n ~" sequence, -1 if none.
int32_t named_by_number(int32_t number) {
    switch (number) {
        case 1: case 7: return NAMED_HOME;
        case 2: return NAMED_INSERT;
        case 3: return NAMED_DELETE;
        case 4: case 8: return NAMED_END;
        case 5: return NAMED_PAGE_UP;
        case 6: return NAMED_PAGE_DOWN;
        case 11: return NAMED_F1;
        case 12: return NAMED_F2;
        case 13: return NAMED_F3;
        case 14: return NAMED_F4;
        case 15: return NAMED_F5;
        case 17: return NAMED_F6;
        case 18: return NAMED_F7;
        case 19: return NAMED_F8;
        case 20: return NAMED_F9;
        case 21: return NAMED_F10;
        case 23: return NAMED_F11;
        case 24: return NAMED_F12;
        default: return -1;
    }
}

// A complete sequence: ESC, the introducer ('[' or 'O'), a body, a final
// byte. Sequences naming no key are dropped.
void decode_sequence(KeyDecoder* decoder, uint8_t introducer, const uint8_t* body, uint32_t length,
                     uint8_t final) {
    // The Linux console's F1-F5: ESC [ [ A ... ESC [ [ E.
    if (introducer == '[' && length == 1 && body[0] == '[') {
        if (final >= 'A' && final <= 'E') push_named(decoder, static_cast<NamedKey>(NAMED_F1 + (final - 'A')), MOD_PLAIN);
        return;
    }
    int32_t first = 0;
    int32_t second = 0;
    int32_t count = 0;
    if (!parse_parameters(body, length, &first, &second, &count)) return;
    if (introducer == '[' && final == '~') {
        int32_t named = named_by_number(first);
        if (named >= 0) push_named(decoder, static_cast<NamedKey>(named), modifier_column(count >= 2 ? second : 1));
        return;
    }
    if (introducer == '[' && final == 'Z') {
        push_extended(decoder, LEAD_NUL, 15);  // Shift+Tab
        return;
    }
    if (introducer == 'O' && final == 'M') {
        push_code(decoder, 13);  // keypad Enter in application mode
        return;
    }
    int32_t named = named_by_letter(final);
    if (named < 0) return;
    // CSI 1;5A carries the modifier second; SS3 5A (some terminals) first.
    int32_t modifier = count >= 2 ? second : (introducer == 'O' ? first : 1);
    push_named(decoder, static_cast<NamedKey>(named), modifier_column(modifier));
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
}

// The pending bytes will never complete: a lone Esc is the Esc key and the
// bytes after it count one by one; a cut UTF-8 character is unmappable.
void give_up_pending(KeyDecoder* decoder, uint64_t now_ms) {
    if (decoder->swallowing) {
        clear_pending(decoder);
        return;
    }
    uint8_t saved[KEY_PENDING_CAPACITY];
    uint32_t length = decoder->pending_length;
    for (uint32_t i = 0; i < length; ++i) saved[i] = decoder->pending[i];
    clear_pending(decoder);
    if (length == 0) return;
    if (saved[0] != BYTE_ESC) {
        push_code(decoder, CODE_UNMAPPED);
        return;
    }
    push_code(decoder, BYTE_ESC);
    for (uint32_t i = 1; i < length; ++i) decode_byte(decoder, saved[i], now_ms);
}

// The next byte of an escape sequence in progress.
void continue_sequence(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    if (decoder->pending_length == 1) {
        if (byte == '[' || byte == 'O') {
            decoder->pending[decoder->pending_length++] = byte;
            return;
        }
        // Esc followed by anything else: the Esc key, then that byte
        // (Alt+key arrives this way, and Esc Esc is two Esc keys).
        clear_pending(decoder);
        push_code(decoder, BYTE_ESC);
        decode_byte(decoder, byte, now_ms);
        return;
    }
    uint8_t introducer = decoder->pending[1];
    const uint8_t* body = decoder->pending + 2;
    uint32_t body_length = decoder->pending_length - 2;
    bool linux_function = introducer == '[' && body_length == 1 && body[0] == '[';
    if (byte >= 0x40 && byte <= 0x7E && !(introducer == '[' && body_length == 0 && byte == '[')) {
        if (!decoder->swallowing) decode_sequence(decoder, introducer, body, body_length, byte);
        clear_pending(decoder);
        return;
    }
    if (byte >= 0x20 && byte <= 0x3F && !linux_function) {
        if (decoder->pending_length == KEY_PENDING_CAPACITY) {
            decoder->swallowing = true;  // too long to be a key: drop it up to its end
            return;
        }
        decoder->pending[decoder->pending_length++] = byte;
        return;
    }
    if (byte == '[' && introducer == '[' && body_length == 0) {
        decoder->pending[decoder->pending_length++] = byte;
        return;
    }
    // A byte no sequence may hold: drop what was pending and start afresh.
    clear_pending(decoder);
    decode_byte(decoder, byte, now_ms);
}

void continue_utf8(KeyDecoder* decoder, uint8_t byte, uint64_t now_ms) {
    if ((byte & 0xC0) != 0x80) {
        clear_pending(decoder);
        push_code(decoder, CODE_UNMAPPED);
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
        if (byte == BYTE_ESC || utf8_length(byte) > 0) {
            start_pending(decoder, byte, now_ms);
        } else {
            decode_single(decoder, byte);
        }
        return;
    }
    if (decoder->pending[0] == BYTE_ESC) {
        continue_sequence(decoder, byte, now_ms);
    } else {
        continue_utf8(decoder, byte, now_ms);
    }
}

}  // namespace

void key_decoder_init(KeyDecoder* decoder) { *decoder = KeyDecoder{}; }

void key_decoder_feed(KeyDecoder* decoder, const uint8_t* bytes, std::size_t length, uint64_t now_ms) {
    key_decoder_tick(decoder, now_ms);
    for (std::size_t i = 0; i < length; ++i) decode_byte(decoder, bytes[i], now_ms);
}

void key_decoder_tick(KeyDecoder* decoder, uint64_t now_ms) {
    int64_t deadline = key_decoder_deadline(decoder);
    if (deadline >= 0 && now_ms >= static_cast<uint64_t>(deadline)) give_up_pending(decoder, now_ms);
}

void key_decoder_flush(KeyDecoder* decoder) {
    // Repeated: giving up an "ESC ESC [" leaves a new pending Esc behind.
    while (decoder->pending_length > 0 || decoder->swallowing) {
        give_up_pending(decoder, decoder->pending_since_ms);
    }
}

int64_t key_decoder_deadline(const KeyDecoder* decoder) {
    if (decoder->pending_length == 0 && !decoder->swallowing) return -1;
    return static_cast<int64_t>(decoder->pending_since_ms + KEY_ESC_TIMEOUT_MS);
}

bool key_decoder_has_key(const KeyDecoder* decoder) { return decoder->queue_count > 0; }

bool key_decoder_take(KeyDecoder* decoder, Key* key) {
    if (decoder->queue_count == 0) return false;
    *key = decoder->queue[decoder->queue_head];
    decoder->queue_head = (decoder->queue_head + 1) % KEY_QUEUE_CAPACITY;
    --decoder->queue_count;
    return true;
}
