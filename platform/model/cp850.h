// Code page 850 <-> Unicode: the console's cells hold CP850 bytes, the
// platform speaks UTF-8 to the terminal. A terminal whose locale names
// another character set has its bytes converted at its end, with the
// functions at the bottom.
#pragma once

#include <cstddef>
#include <cstdint>

// The character a cell byte is drawn as. Control bytes and 0x7F give their
// code page glyphs (U+263A for 0x01, ..., U+2302 for 0x7F), 0x00 a blank,
// so no cell ever reaches the terminal as a control character.
uint32_t cp850_to_unicode(uint8_t byte);

// The CP850 byte of a typed character, -1 when the code page lacks it.
// Only printable characters map (0x20-0x7E and the upper half).
int32_t cp850_from_unicode(uint32_t code_point);

// The UTF-8 form of what cp850_to_unicode gives; returns its length (1-3).
uint32_t cp850_to_utf8(uint8_t byte, char out[4]);

// The UTF-8 form of a character below U+10000; returns its length (1-3).
uint32_t utf8_encode(uint32_t code_point, char out[4]);

// The bytes of the UTF-8 character a byte starts: 1 for ASCII, 2-4 for a
// lead byte, 0 for a byte that starts none.
uint32_t utf8_length(uint8_t lead);
// True for a byte that goes on a UTF-8 character (10xxxxxx), not one that starts it.
bool utf8_is_continuation(uint8_t byte);

// The character of the UTF-8 sequence at the start of bytes (length > 0)
// into *code_point; returns the bytes it takes. A byte that starts no
// whole sequence takes 1 and gives U+FFFD.
uint32_t utf8_decode(const uint8_t* bytes, std::size_t length, uint32_t* code_point);

// The character sets a terminal may speak.
enum TerminalCharset : uint8_t {
    CHARSET_UTF8,    // UTF-8
    CHARSET_LATIN1,  // ISO-8859-1: the byte is the character
    CHARSET_LATIN9,  // ISO-8859-15: ISO-8859-1 with the euro sign and seven other letters
    CHARSET_ASCII,   // US-ASCII (the C locale), and any set not named here: its 7-bit half
};

// The character set a codeset name stands for (nl_langinfo(CODESET), or
// the part of a locale's name after the '.'); case, '-' and '_' do not
// count.
TerminalCharset charset_from_codeset(const char* codeset);

// The terminal's character set from the user's locale: `name` as LC_ALL,
// LC_CTYPE or LANG gives it (null: none set), `codeset` as nl_langinfo
// gives it once the C library has taken that locale (null: it could not).
// With no locale set, nothing is said about the terminal and UTF-8 stays;
// a locale the C library lacks is judged by the codeset its name carries,
// and UTF-8 stays without one.
TerminalCharset charset_of_locale(const char* name, const char* codeset);

// The character a byte typed on a single-byte charset stands for; '?' for
// a byte the set does not define (ASCII's upper half).
uint32_t charset_to_unicode(TerminalCharset charset, uint8_t byte);

// The byte of a single-byte charset for a character; '?' when the set
// lacks it.
uint8_t charset_from_unicode(TerminalCharset charset, uint32_t code_point);
