// Timed waits, the wait for a key, and reading single keys.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

constexpr int32_t SLEEP_KEY_SLICE_MS = 50;

void sleep_key(int32_t milliseconds);
int32_t key_pending();
int32_t key_get();
StringDesc* key_string();
