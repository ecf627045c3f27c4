// Set-up of the process's console: a console on the terminal when standard
// output is one, otherwise a plain file handle. Also the real clock.
#include "platform/console/console_state.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

ConsoleState platform_console;

namespace {

uint64_t clock_now_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

void clock_sleep_ms(uint32_t milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000u), static_cast<long>(milliseconds % 1000u) * 1000000L};
    // A signal only interrupts the sleep; the rest is slept all the same.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// The last byte written to a redirected standard output, '\n' before any.
uint8_t stdout_last_byte = '\n';

// Writes every byte to standard output, retrying short writes.
bool stdout_write(const uint8_t* bytes, std::size_t length) {
    if (length > 0) stdout_last_byte = bytes[length - 1];
    while (length > 0) {
        ssize_t n = ::write(STDOUT_FILENO, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// Plain-text output ends on a fresh line, so whatever follows it (a shell
// prompt, the next line of a log) does not run on from the last text.
void stdout_end_line() {
    if (stdout_last_byte != '\n') stdout_write(reinterpret_cast<const uint8_t*>("\n"), 1);
}

bool terminal_wanted() {
    if (isatty(STDOUT_FILENO) == 0) return false;
    const char* term = std::getenv("TERM");
    return term == nullptr || std::strcmp(term, "dumb") != 0;
}

int std_handles[3];

}  // namespace

platform::HANDLE console_std_handle(platform::DWORD which) {
    if (which == platform::STD_INPUT_HANDLE) return &std_handles[0];
    if (which == platform::STD_OUTPUT_HANDLE) return &std_handles[1];
    if (which == platform::STD_ERROR_HANDLE) return &std_handles[2];
    return platform::INVALID_HANDLE_VALUE;
}

bool console_is_output(platform::HANDLE handle) { return handle == &std_handles[1]; }

void console_state_setup() {
    ConsoleState& console = platform_console;
    if (console.ready) return;
    console.ready = true;
    console.io.now_ms = clock_now_ms;
    console.io.sleep_ms = clock_sleep_ms;
    console.file_write = stdout_write;
    console.faults = ConsoleFaults{false, -1, -1};
    screen_init(&console.screen, 80, 25);
    console.largest = platform::COORD{80, 25};
    console.is_console = terminal_wanted() && terminal_open();
    if (!console.is_console) {
        console.has_terminal = false;
        console.keyboard = false;
        console.input_is_console = false;
        // A reader that went away makes WriteFile fail instead of killing
        // the process.
        std::signal(SIGPIPE, SIG_IGN);
        std::atexit(stdout_end_line);
    }
}
