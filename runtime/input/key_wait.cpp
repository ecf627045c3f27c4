// Timed waits and the wait for a key: polls the keyboard between sleeps of
// one slice, so a key ends a long wait within a slice of being pressed.
#include "platform/platform.h"
#include "runtime/input/key_wait.h"

namespace {

constexpr int32_t WAIT_FOR_KEY = -1;
// Shorter waits are one plain sleep with no key check.
constexpr int32_t LONG_WAIT_MS = 100;

void wait_for_key() {
    // With no keyboard at all no key can ever come: waiting would never end.
    if (platform::_kbhit_possible() == 0) return;
    while (key_pending() != 0) {
        if (key_get() < 0) return;
    }
    while (key_pending() == 0) {
        if (platform::_kbhit_possible() == 0) return;
        platform::Sleep(SLEEP_KEY_SLICE_MS);
    }
}

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

void sleep_key(int32_t milliseconds) {
    if (milliseconds == WAIT_FOR_KEY) {
        wait_for_key();
    } else if (milliseconds >= LONG_WAIT_MS) {
        wait_long(milliseconds);
    } else if (milliseconds >= 1) {
        platform::Sleep(static_cast<platform::DWORD>(milliseconds));
    }
}
