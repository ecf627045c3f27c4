// The terminal session: the real terminal behind the console. Owns raw mode
// and its restoring on every way out (exit, fatal signals, suspend), the
// terminal's file descriptors and size, and terminal_present, which draws
// the model through the renderer. Signal handlers either restore the
// terminal and re-raise, or only set a flag; the work of a resize or a
// resume happens at the next present, which comes before every wait.
//
// Escape sequences written here come from the renderer
// (terminal_render_frame, terminal_render_restore), where they are listed.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/console/console_state.h"
#include "platform/terminal/terminal.h"
#include "platform/terminal/terminal_render.h"

namespace {

// Room for the restore bytes: colours, cursor shown, a move and a line end.
constexpr std::size_t RESTORE_CAPACITY = 64;
// The size assumed when the terminal cannot tell its own.
constexpr int32_t FALLBACK_COLUMNS = 80;
constexpr int32_t FALLBACK_ROWS = 25;

struct TerminalSession {
    TerminalRender render;                               // the front copy and the terminal's drawing state
    std::string frame;                                   // bytes of the frame being built, reused
    bool opened;                                         // terminal_open succeeded: restore at exit
    int keyboard_fd;                                     // the controlling terminal, read for keys; -1 none
    int output_fd;                                       // standard output, the terminal drawn on
    termios saved;                                       // the terminal's modes before raw mode
    volatile std::sig_atomic_t raw;                      // raw mode is on (the flag guarding enter and leave)
    char restore[2][RESTORE_CAPACITY];                   // restore bytes for signal handlers, two so one is always whole
    std::size_t restore_length[2];                       // their lengths
    volatile std::sig_atomic_t restore_current;          // which of the two is current
};

TerminalSession session = {TerminalRender{}, std::string{}, false, -1, -1, termios{}, 0, {}, {0, 0}, 0};

volatile std::sig_atomic_t resized_flag = 0;  // SIGWINCH came: take the new size at the next present
volatile std::sig_atomic_t resumed_flag = 0;  // SIGCONT came: raw mode again and a full redraw
// SIGIO came since the keyboard was last found empty: typed bytes may be
// waiting. Set until the signal is armed, when nothing is known.
volatile std::sig_atomic_t input_flag = 1;
bool input_signals = false;  // the keyboard raises SIGIO when bytes arrive

constexpr int FATAL_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int CRASH_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// --- raw mode ------------------------------------------------------------

void raw_enter() {
    if (session.raw || session.keyboard_fd < 0) return;
    termios raw = session.saved;
    // Keys byte by byte, unechoed (the echo is drawn through the model),
    // CR kept apart from LF, Ctrl+S/Ctrl+Q/Ctrl+V/Ctrl+O as keys. ISIG
    // stays: Ctrl+C, Ctrl+Z and Ctrl+\ remain signals.
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(session.keyboard_fd, TCSANOW, &raw) == 0) session.raw = 1;
}

// Async-signal-safe: only tcsetattr.
void raw_leave() {
    if (!session.raw) return;
    tcsetattr(session.keyboard_fd, TCSANOW, &session.saved);
    session.raw = 0;
}

// --- restoring -------------------------------------------------------------

// Precomputes what a signal handler writes, from what the terminal shows now.
void restore_prepare() {
    std::string bytes;
    terminal_render_restore(&session.render, &platform_console.screen, &bytes);
    if (bytes.size() > RESTORE_CAPACITY) bytes.resize(RESTORE_CAPACITY);
    int next = session.restore_current == 0 ? 1 : 0;
    std::memcpy(session.restore[next], bytes.data(), bytes.size());
    session.restore_length[next] = bytes.size();
    std::atomic_signal_fence(std::memory_order_seq_cst);
    session.restore_current = next;
}

void write_all(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
}

// The terminal back as it was, with async-signal-safe calls only: the
// precomputed bytes, the saved modes, and (when leaving for good) the
// typed input nobody will read, so it does not reach the shell.
void restore_from_signal(bool discard_input) {
    int current = session.restore_current;
    write_all(session.output_fd, session.restore[current], session.restore_length[current]);
    raw_leave();
    if (discard_input && session.keyboard_fd >= 0) tcflush(session.keyboard_fd, TCIFLUSH);
}

void set_handler(int signal_number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, &action, nullptr);
}

void unblock(int signal_number) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

// Restores the terminal, then lets the signal do what it does by default
// (end the process, with a core for SIGQUIT and the crash signals).
void on_fatal_signal(int signal_number) {
    restore_from_signal(true);
    set_handler(signal_number, SIG_DFL);
    unblock(signal_number);
    raise(signal_number);
    _exit(128 + signal_number);
}

// Ctrl+Z: the shell gets its terminal back while the program is stopped;
// on SIGCONT execution goes on here and the next present redraws.
void on_stop_signal(int) {
    int saved_errno = errno;
    restore_from_signal(false);
    set_handler(SIGTSTP, SIG_DFL);
    unblock(SIGTSTP);
    raise(SIGTSTP);
    set_handler(SIGTSTP, on_stop_signal);
    resumed_flag = 1;
    errno = saved_errno;
}

void on_resume_signal(int) { resumed_flag = 1; }

void on_resize_signal(int) { resized_flag = 1; }

void on_input_signal(int) { input_flag = 1; }

// The key wait checks the keyboard between sleeps of 50 ms; with SIGIO
// telling when bytes arrive, a check with nothing typed needs no system
// call. Only in raw mode: a read there takes everything waiting, up to the
// buffer, so an empty keyboard stays empty until the next signal.
void input_signals_arm() {
    if (session.keyboard_fd < 0 || !session.raw) return;
    set_handler(SIGIO, on_input_signal);
    int flags = fcntl(session.keyboard_fd, F_GETFL);
    if (flags < 0 || fcntl(session.keyboard_fd, F_SETOWN, getpid()) != 0 ||
        fcntl(session.keyboard_fd, F_SETFL, flags | O_ASYNC) != 0) {
        return;
    }
    input_signals = true;
}

void install_handlers() {
    for (int signal_number : FATAL_SIGNALS) {
        struct sigaction old {};
        sigaction(signal_number, nullptr, &old);
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (old.sa_handler != SIG_IGN) set_handler(signal_number, on_fatal_signal);
    }
    for (int signal_number : CRASH_SIGNALS) {
        // Best effort, and only where nobody else (a sanitizer) watches.
        struct sigaction old {};
        sigaction(signal_number, nullptr, &old);
        if (old.sa_handler == SIG_DFL && (old.sa_flags & SA_SIGINFO) == 0) set_handler(signal_number, on_fatal_signal);
    }
    set_handler(SIGTSTP, on_stop_signal);
    set_handler(SIGCONT, on_resume_signal);
    set_handler(SIGWINCH, on_resize_signal);
}

// At exit: the last frame, then the terminal back to the shell.
void close_at_exit() {
    if (!session.opened) return;
    terminal_present();
    std::string bytes;
    terminal_render_restore(&session.render, &platform_console.screen, &bytes);
    write_all(session.output_fd, bytes.data(), bytes.size());
    raw_leave();
    if (session.keyboard_fd >= 0) tcflush(session.keyboard_fd, TCIFLUSH);
    session.opened = false;
}

// --- the terminal's end of the console ------------------------------------

int64_t tty_read(uint8_t* bytes, std::size_t capacity, int32_t timeout_ms) {
    if (session.keyboard_fd < 0) return -1;
    // Cleared before looking: bytes arriving from here on raise SIGIO again.
    input_flag = 0;
    pollfd poll_fd{session.keyboard_fd, POLLIN, 0};
    int ready = poll(&poll_fd, 1, timeout_ms < 0 ? -1 : timeout_ms);
    // A signal (resize, resume, input) ends the wait early: the caller
    // presents and waits again.
    if (ready < 0) {
        input_flag = 1;
        return errno == EINTR ? 0 : -1;
    }
    if (ready == 0) return 0;
    if ((poll_fd.revents & POLLIN) != 0) {
        ssize_t n = ::read(session.keyboard_fd, bytes, capacity);
        // A full buffer may have left more behind.
        if (n < 0 || static_cast<std::size_t>(n) == capacity) input_flag = 1;
        if (n > 0) return n;
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
        return -1;
    }
    return -1;  // hung up or an error: no more keys will come
}

bool tty_write(const uint8_t* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(session.output_fd, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

bool tty_size(int32_t* columns, int32_t* rows) {
    winsize size{};
    if (ioctl(session.output_fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return false;
    *columns = size.ws_col;
    *rows = size.ws_row;
    return true;
}

}  // namespace

// Signals recorded since the last present: a new size, or back from a stop.
void terminal_apply_signals() {
    ConsoleState& console = platform_console;
    if (resumed_flag) {
        resumed_flag = 0;
        // Stopped by SIGSTOP the terminal may have been set back by the
        // shell without our knowing: raw mode is applied afresh.
        if (session.opened) {
            session.raw = 0;
            raw_enter();
        }
        // Raw mode may not have come back: the keyboard is read again
        // until it is known empty.
        input_flag = 1;
        if (!session.raw) input_signals = false;
        terminal_render_invalidate(&session.render);
    }
    if (resized_flag) {
        resized_flag = 0;
        int32_t columns = 0;
        int32_t rows = 0;
        if (console.io.size != nullptr && console.io.size(&columns, &rows)) {
            columns = std::min<int32_t>(columns, INT16_MAX);
            rows = std::min<int32_t>(rows, INT16_MAX);
            if (columns != console.screen.width || rows != console.screen.height) {
                screen_resize(&console.screen, columns, rows);
            }
            console.largest = platform::COORD{static_cast<platform::SHORT>(columns), static_cast<platform::SHORT>(rows)};
        }
        // Terminals rewrap or crop on a resize: what they show is unknown.
        terminal_render_invalidate(&session.render);
    }
}

namespace {

}  // namespace

bool terminal_open() {
    ConsoleState& console = platform_console;
    session.output_fd = STDOUT_FILENO;
    // Keys come from the controlling terminal even when standard input is
    // redirected; without one there is no keyboard.
    session.keyboard_fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    // A standard stream the caller closed stays closed: the terminal must
    // not take its number and become standard input or output.
    if (session.keyboard_fd >= 0 && session.keyboard_fd <= STDERR_FILENO) {
        int high = fcntl(session.keyboard_fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(session.keyboard_fd);
        session.keyboard_fd = high;
    }
    if (session.keyboard_fd >= 0 && tcgetattr(session.keyboard_fd, &session.saved) != 0) {
        close(session.keyboard_fd);
        session.keyboard_fd = -1;
    }
    int32_t columns = FALLBACK_COLUMNS;
    int32_t rows = FALLBACK_ROWS;
    if (!tty_size(&columns, &rows)) {
        columns = FALLBACK_COLUMNS;
        rows = FALLBACK_ROWS;
    }
    columns = std::min<int32_t>(columns, INT16_MAX);
    rows = std::min<int32_t>(rows, INT16_MAX);
    screen_init(&console.screen, columns, rows);
    console.largest = platform::COORD{static_cast<platform::SHORT>(columns), static_cast<platform::SHORT>(rows)};
    console.io.read = tty_read;
    console.io.write = tty_write;
    console.io.size = tty_size;
    console.has_terminal = true;
    console.keyboard = session.keyboard_fd >= 0;
    console.input_is_console = console.keyboard && isatty(STDIN_FILENO) != 0;
    terminal_render_init(&session.render);
    restore_prepare();
    restore_prepare();
    raw_enter();
    install_handlers();
    input_signals_arm();
    if (!session.opened) {
        session.opened = true;
        std::atexit(close_at_exit);
    }
    return true;
}

void terminal_present() {
    ConsoleState& console = platform_console;
    if (!console.has_terminal || console.io.write == nullptr) return;
    terminal_apply_signals();
    session.frame.clear();
    terminal_render_frame(&session.render, &console.screen, &session.frame);
    if (session.frame.empty()) return;
    console.io.write(reinterpret_cast<const uint8_t*>(session.frame.data()), session.frame.size());
    if (session.opened) restore_prepare();
}

void terminal_reset() {
    keyboard_reset();
    terminal_render_init(&session.render);
    session.frame.clear();
    resized_flag = 0;
    resumed_flag = 0;
}

void terminal_note_resize() { resized_flag = 1; }

bool terminal_input_quiet() {
    return input_signals && input_flag == 0 && session.raw && platform_console.io.read == tty_read;
}
