// Keys by name for typed input: "12<Left>0<Enter>" is 1, 2, Left, 0, Enter.
// Plain characters stand for themselves; <..> names a key: Enter, Tab, BS,
// Esc, Up, Down, Left, Right, Home, End, PgUp, PgDn, Ins, Del, F1..F12,
// C-a..C-z, C-Left, C-End, and the Meta keys M-a, M-b, M-d, M-f, M-x,
// M-BS, M-Space. The bytes are what an xterm sends, the Key what the key
// decoder makes of them.
#pragma once

#include <string>
#include <vector>

#include "platform/keyboard/key_codes.h"

// The bytes a terminal sends for the keys.
std::string typed_keys(const std::string& keys);
// The keys, as the key decoder hands them to the line editor.
std::vector<Key> decoded_keys(const std::string& keys);
