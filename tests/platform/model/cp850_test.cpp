// The terminal's character sets: catches a wrong byte for a typed or drawn
// character, a locale read as the wrong set, and broken UTF-8 decoding.
#include <gtest/gtest.h>

#include <string>

#include "platform/model/cp850.h"

namespace {

// A terminal that speaks another character set than UTF-8: the character
// a typed byte stands for, and the byte a drawn character goes out as.
TEST(TerminalCharset, TypedBytesAndDrawnCharacters) {
    struct Case {
        TerminalCharset charset;
        uint8_t typed;
        uint32_t read;
        uint32_t drawn;
        uint8_t sent;
        // clang-format off
    } cases[] = {
        {CHARSET_LATIN1, 0xE8, 0xE8, 0xE8, 0xE8},      // è both ways
        {CHARSET_LATIN1, 'a', 'a', 0x2500, '?'},       // no box drawing in Latin-1
        {CHARSET_LATIN1, 0xA4, 0xA4, 0x20AC, '?'},     // ¤, and no euro sign
        {CHARSET_LATIN9, 0xA4, 0x20AC, 0x20AC, 0xA4},  // the euro sign both ways
        {CHARSET_LATIN9, 0xE8, 0xE8, 0xA4, '?'},       // ¤ is gone from Latin-9
        {CHARSET_ASCII, 0xE8, '?', 0xE8, '?'},
        {CHARSET_ASCII, '~', '~', '~', '~'},
        {CHARSET_ASCII, 0x7F, 0x7F, 0x80, '?'},        // the last ASCII code, and the first past it
        {CHARSET_LATIN1, 0xFF, 0xFF, 0xFF, 0xFF},      // the last of Latin-1, ÿ
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(charset_to_unicode(c.charset, c.typed), c.read) << int{c.charset} << " " << int{c.typed};
        EXPECT_EQ(charset_from_unicode(c.charset, c.drawn), c.sent) << int{c.charset} << " " << c.drawn;
    }
}

TEST(TerminalCharset, FromTheLocale) {
    struct Case {
        const char* name;
        const char* codeset;
        TerminalCharset charset;
        // clang-format off
    } cases[] = {
        {nullptr, nullptr, CHARSET_UTF8},                    // no locale set: nothing said
        {"en_US.utf8", "utf8", CHARSET_UTF8},
        {"C", "ANSI_X3.4-1968", CHARSET_ASCII},              // glibc
        {"POSIX", "US-ASCII", CHARSET_ASCII},                // macOS, FreeBSD
        {"it_IT@euro", "ISO-8859-15", CHARSET_LATIN9},
        {"ru_RU.KOI8-R", "KOI8-R", CHARSET_ASCII},           // a set not known here: its 7-bit half
        {"it_IT.ISO-8859-1", nullptr, CHARSET_LATIN1},       // a locale not installed, by its name
        {"de_DE.ISO8859-15@euro", nullptr, CHARSET_LATIN9},
        {"it_IT", nullptr, CHARSET_UTF8},                    // not installed and no set named
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(charset_of_locale(c.name, c.codeset), c.charset) << (c.name ? c.name : "none");
    }
}

TEST(TerminalCharset, Utf8Decoding) {
    struct Case {
        std::string bytes;
        uint32_t taken;
        uint32_t code_point;
    } cases[] = {
        {"a", 1, 'a'},       {"\xc3\xa8x", 2, 0xE8}, {"\xe2\x94\x80", 3, 0x2500},
        {"\xc3", 1, 0xFFFD}, {"\xc3x", 1, 0xFFFD},   {"\xff", 1, 0xFFFD},
    };
    for (const Case& c : cases) {
        uint32_t code_point = 0;
        EXPECT_EQ(utf8_decode(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), &code_point), c.taken);
        EXPECT_EQ(code_point, c.code_point);
    }
}

}  // namespace
