// Reading single keys, timed waits, and the wait for a key. The wait for a
// key ends at one typed after it begins, keys typed ahead being dropped;
// without a keyboard it returns at once. A key that ends a wait is left to
// be read.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

// A long wait sleeps in slices of this length, checking for a key between them.
constexpr int32_t SLEEP_KEY_SLICE_MS = 50;

// Nonzero while a key waits to be read.
int32_t key_pending();
// Waits for a key and reads it: its code, the second code of an extended key, or -1 with no keyboard.
int32_t key_get();
// The waiting key as a temporary: its code, or 0xFF then the second code of an extended key; str_empty() if none waits.
StringDesc* key_string();
// Waits: -1 for a fresh key, >= 100 ms in slices ending early at a key, 1-99 ms one plain sleep; others return at once.
void sleep_key(int32_t milliseconds);
