// Code page 850, the console's code page: what each byte looks like as a
// Unicode character, and the way back for typed text. Shared by the renderer
// (cells to UTF-8) and the key decoder (typed UTF-8 to cells).
#include "platform/model/cp850.h"

#include <cstring>

namespace {

// The glyphs of the control bytes 0x00-0x1F as the console draws them (the
// code page's graphic characters); 0x00 is drawn blank.
constexpr uint16_t CP850_LOW[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  // 0x00
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  // 0x08
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  // 0x10
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,  // 0x18
};

// Bytes 0x80-0xFF.
constexpr uint16_t CP850_HIGH[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 0x80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 0x88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 0x90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 0x98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // 0xA0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // 0xA8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // 0xB0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // 0xB8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // 0xC8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // 0xD0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // 0xD8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // 0xE0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // 0xE8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // 0xF0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // 0xF8
};

constexpr uint16_t CP850_GLYPH_DEL = 0x2302;  // 0x7F drawn as a house

constexpr uint32_t REPLACEMENT = 0xFFFD;  // what a byte that starts no UTF-8 character reads as
constexpr uint8_t UNMAPPED = '?';         // the byte for a character a set lacks

// Where ISO-8859-15 differs from ISO-8859-1.
struct Latin9Change {
    uint8_t byte;
    uint16_t code_point;
};
constexpr Latin9Change LATIN9_CHANGES[] = {
    {0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161}, {0xB4, 0x017D},
    {0xB8, 0x017E}, {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178},
};

// A codeset name without case, '-' and '_', cut to fit `out`.
void codeset_key(const char* codeset, char* out, std::size_t capacity) {
    std::size_t n = 0;
    for (; *codeset != '\0' && *codeset != '@' && n + 1 < capacity; ++codeset) {
        char c = *codeset;
        if (c == '-' || c == '_') continue;
        out[n++] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    out[n] = '\0';
}

}  // namespace

uint32_t cp850_to_unicode(uint8_t byte) {
    if (byte < 0x20) return CP850_LOW[byte];
    if (byte == 0x7F) return CP850_GLYPH_DEL;
    if (byte < 0x80) return byte;
    return CP850_HIGH[byte - 0x80];
}

int32_t cp850_from_unicode(uint32_t code_point) {
    // Typed control characters are keys, not glyphs: only printable ASCII
    // maps to itself, and the upper half is searched (128 entries, typed
    // characters are few).
    if (code_point >= 0x20 && code_point < 0x7F) return static_cast<int32_t>(code_point);
    for (int32_t i = 0; i < 128; ++i) {
        if (CP850_HIGH[i] == code_point) return 0x80 + i;
    }
    return -1;
}

uint32_t cp850_to_utf8(uint8_t byte, char out[4]) { return utf8_encode(cp850_to_unicode(byte), out); }

uint32_t utf8_encode(uint32_t c, char out[4]) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
}

uint32_t utf8_length(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool utf8_is_continuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

uint32_t utf8_decode(const uint8_t* bytes, std::size_t length, uint32_t* code_point) {
    uint32_t count = utf8_length(bytes[0]);
    *code_point = REPLACEMENT;
    if (count == 0 || count > length) return 1;
    uint32_t c = count == 1 ? bytes[0] : bytes[0] & (0xFFu >> (count + 1));
    for (uint32_t i = 1; i < count; ++i) {
        if (!utf8_is_continuation(bytes[i])) return 1;
        c = (c << 6) | (bytes[i] & 0x3Fu);
    }
    *code_point = c;
    return count;
}

TerminalCharset charset_from_codeset(const char* codeset) {
    char key[16];
    codeset_key(codeset, key, sizeof key);
    if (std::strcmp(key, "utf8") == 0) return CHARSET_UTF8;
    if (std::strcmp(key, "iso88591") == 0 || std::strcmp(key, "latin1") == 0) return CHARSET_LATIN1;
    if (std::strcmp(key, "iso885915") == 0 || std::strcmp(key, "latin9") == 0) return CHARSET_LATIN9;
    return CHARSET_ASCII;
}

TerminalCharset charset_of_locale(const char* name, const char* codeset) {
    if (name == nullptr || name[0] == '\0') return CHARSET_UTF8;
    if (codeset != nullptr) return charset_from_codeset(codeset);
    const char* dot = std::strchr(name, '.');
    return dot == nullptr ? CHARSET_UTF8 : charset_from_codeset(dot + 1);
}

uint32_t charset_to_unicode(TerminalCharset charset, uint8_t byte) {
    if (byte < 0x80) return byte;
    if (charset == CHARSET_LATIN9) {
        for (const Latin9Change& change : LATIN9_CHANGES) {
            if (change.byte == byte) return change.code_point;
        }
    }
    return charset == CHARSET_LATIN1 || charset == CHARSET_LATIN9 ? byte : UNMAPPED;
}

uint8_t charset_from_unicode(TerminalCharset charset, uint32_t code_point) {
    if (code_point < 0x80) return static_cast<uint8_t>(code_point);
    if (charset == CHARSET_LATIN9) {
        for (const Latin9Change& change : LATIN9_CHANGES) {
            if (change.code_point == code_point) return change.byte;
            if (change.byte == code_point) return UNMAPPED;  // the ISO-8859-1 character this byte was
        }
    }
    bool latin = charset == CHARSET_LATIN1 || charset == CHARSET_LATIN9;
    return latin && code_point <= 0xFF ? static_cast<uint8_t>(code_point) : UNMAPPED;
}
