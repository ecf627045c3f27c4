// _kbhit_possible on Windows: whether a key can ever come. The C runtime's
// _kbhit and _getch read the console's input, not standard input, so a key
// can come only from a console; and, as on the other systems, a program whose
// screen is not the console (output redirected to a file or a pipe) does not
// wait for one.
#include "platform/platform.h"

namespace platform {
namespace {

// Neither the standard output's kind nor the console's input changes while
// the program runs, so the key wait's check before every slice is answered
// by the first one.
struct KeyboardPresence {
    bool known;
    int possible;
};

KeyboardPresence keyboard_presence;

int keyboard_find_out() {
    DWORD mode = 0;
    // GetConsoleMode fails on anything that is not a console screen buffer.
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) == FALSE) return 0;
    // The console's input exists even when standard input is redirected.
    HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(input);
    return 1;
}

}  // namespace

int _kbhit_possible() {
    if (!keyboard_presence.known) {
        keyboard_presence.possible = keyboard_find_out();
        keyboard_presence.known = true;
    }
    return keyboard_presence.possible;
}

}  // namespace platform
