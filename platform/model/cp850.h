// Code page 850 <-> Unicode: the console's cells hold CP850 bytes, the
// terminal speaks UTF-8.
#pragma once

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
