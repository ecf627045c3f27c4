// Single keys read without echo, and the timed waits and the wait for a key
// built on them: between sleeps of one slice the keyboard is polled, so a
// key ends a long wait within a slice of being pressed.
#include "runtime/input/key_wait.h"

#include "platform/platform.h"
#include "runtime/core/temp_pool.h"

namespace {

constexpr char EXTENDED_KEY_MARK = static_cast<char>(0xFF);
// The longest key string: the mark and the extended key's code.
constexpr int32_t KEY_STRING_MAX = 2;

constexpr int32_t WAIT_FOR_KEY = -1;
// Shorter waits are one plain sleep with no key check.
constexpr int32_t LONG_WAIT_MS = 100;

// The first code of a function or cursor key; the key's own code follows.
bool is_extended_prefix(int32_t code) { return code == 0 || code == 224; }

// One key: its code, and whether the lead of an extended key came first.
int32_t key_read(bool* extended) {
    int32_t code = platform::_getch();
    *extended = is_extended_prefix(code);
    return *extended ? platform::_getch() : code;
}

void wait_for_key() {
    // With no keyboard at all no key can ever come: waiting would never end.
    if (platform::_kbhit_possible() == 0) return;
    // Keys typed before the wait do not end it: they are read and dropped.
    while (key_pending() != 0) {
        if (key_get() < 0) return;
    }
    while (key_pending() == 0) {
        if (platform::_kbhit_possible() == 0) return;
        platform::Sleep(SLEEP_KEY_SLICE_MS);
    }
}

// A waiting key ends the wait and is left unread; the last part, at most one
// slice, is slept with no check before it.
void wait_long(int32_t milliseconds) {
    int32_t left = milliseconds;
    do {
        if (key_pending() != 0) return;
        left -= SLEEP_KEY_SLICE_MS;
        platform::Sleep(SLEEP_KEY_SLICE_MS);
    } while (left > SLEEP_KEY_SLICE_MS);
    platform::Sleep(static_cast<platform::DWORD>(left));
}

}  // namespace

int32_t key_pending() { return platform::_kbhit(); }

int32_t key_get() {
    bool extended = false;
    return key_read(&extended);
}

StringDesc* key_string() {
    if (platform::_kbhit() == 0) return str_empty();
    // Everything that can fail comes before the key is read: without a
    // descriptor or a buffer to put it in, the key is left waiting, not lost.
    StringDesc* desc = str_temp_alloc();
    if (desc == nullptr) return str_empty();
    str_alloc_temp_buffer(desc, KEY_STRING_MAX);
    if (desc->data == nullptr) {
        str_release_temp(desc);
        return str_empty();
    }

    bool extended = false;
    int32_t code = key_read(&extended);
    int32_t length = extended ? 2 : 1;
    // Within the buffer made for the longest key string: nothing is allocated.
    str_alloc_temp_buffer(desc, length);
    if (extended) desc->data[0] = EXTENDED_KEY_MARK;
    desc->data[length - 1] = static_cast<char>(static_cast<uint8_t>(code));
    desc->data[length] = '\0';
    return desc;
}

void sleep_key(int32_t milliseconds) {
    if (milliseconds == WAIT_FOR_KEY) {
        wait_for_key();
    } else if (milliseconds >= LONG_WAIT_MS) {
        wait_long(milliseconds);
    } else if (milliseconds >= 1) {
        platform::Sleep(static_cast<platform::DWORD>(milliseconds));
    }
}
