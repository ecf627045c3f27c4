// GetStdHandle and GetLastError.
#include "platform/console_state.h"

namespace platform {

HANDLE GetStdHandle(DWORD which) {
    console_state_setup();
    return console_std_handle(which);
}

DWORD GetLastError() { return platform_console.last_error; }

}  // namespace platform
