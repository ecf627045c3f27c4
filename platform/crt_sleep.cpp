// Sleep: the terminal is brought in line with the model before the thread
// waits, then the whole time is slept.
#include "platform/console_state.h"

namespace platform {

void Sleep(DWORD milliseconds) {
    console_state_setup();
    ConsoleState& console = platform_console;
    console.counters.sleep += 1;
    console.counters.slept_ms += milliseconds;
    if (console.has_terminal) terminal_present();
    console.io.sleep_ms(milliseconds);
}

}  // namespace platform
