// The terminal session: the real terminal behind the console. Owns raw mode
// and its restoring on every way out (exit, fatal signals, suspend), the
// terminal's file descriptors and size, and terminal_present, which draws
// the model through the renderer. Signal handlers either restore the
// terminal and re-raise, or only set a flag; the work of a resize or a
// resume happens at the next present, which comes before every wait.
//
// Escape sequences written here come from the renderer
// (terminal_render_frame, terminal_render_restore), where they are listed.
#include "platform/terminal/terminal_session.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include "platform/model/cp850.h"
#include "platform/terminal/terminal_render.h"

namespace {

uint64_t clock_now_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

void clock_sleep_ms(uint32_t milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000u), static_cast<long>(milliseconds % 1000u) * 1000000L};
    // A signal only interrupts the sleep; the rest is slept all the same.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {}
}

bool frame_flush(const uint8_t* bytes, std::size_t length);

constexpr int32_t RESIZE_SETTLE_MS = 40;         // a size is taken once no resize came for this long
constexpr int32_t RESIZE_SETTLE_LIMIT_MS = 400;  // a resize never waits longer than this to be drawn

// What the session has of the terminal. Each state with keys from the
// controlling terminal comes cooked and raw: raw mode is left from signal
// handlers, so the state is one sig_atomic_t.
enum TerminalMode : std::sig_atomic_t {
    TERMINAL_CLOSED,       // not opened (or closed again): nothing drawn, nothing to hand back
    TERMINAL_KEYS,         // keys alone from the controlling terminal, nothing drawn on it; cooked
    TERMINAL_KEYS_RAW,     // the same in raw mode, from the first read of keys on
    TERMINAL_SCREEN,       // drawn on, with no keyboard of its own (no controlling terminal, or an end given)
    TERMINAL_SCREEN_KEYS,  // drawn on, keys from the controlling terminal; cooked
    TERMINAL_SCREEN_RAW,   // the same in raw mode: the usual state of a run
};

// At the start: closed, no signal seen.
struct TerminalSession {
    TerminalIo io{nullptr, nullptr, nullptr, clock_now_ms, clock_sleep_ms};  // the terminal end in use
    TerminalRender render{};                            // the front copy and the terminal's drawing state
    RenderOutput frame{ByteBuffer{}, frame_flush};      // bytes of the frame being built, reused
    uint64_t presented = 0;                             // the buffer's change count when the last frame was made
    volatile std::sig_atomic_t mode = TERMINAL_CLOSED;  // a TerminalMode
    int keyboard_fd = -1;                            // the controlling terminal, read for keys, in the modes with keys
    int output_fd = -1;                              // standard output, the terminal drawn on
    termios saved{};                                 // the terminal's modes before raw mode
    char restore[2][RENDER_RESTORE_CAPACITY]{};      // restore bytes for signal handlers, two so one is always whole
    std::size_t restore_length[2]{};                 // their lengths
    volatile std::sig_atomic_t restore_current = 0;  // which of the two is current
    volatile std::sig_atomic_t resized = 0;          // SIGWINCH came: take the new size at the next present
    volatile std::sig_atomic_t resumed = 0;          // SIGCONT came: raw mode again and a full redraw
    int wake[2] = {-1, -1};                          // a byte written by those two handlers ends a keyboard wait
    // The terminal's character set, from the locale. The rest of the
    // platform speaks UTF-8: typed bytes and drawn text are converted here.
    TerminalCharset charset = CHARSET_UTF8;
};

TerminalSession session;

// Writes a frame's bytes. A frame not wholly written leaves what the
// terminal shows unknown, colours included: the next one draws every row
// anew.
bool frame_flush(const uint8_t* bytes, std::size_t length) {
    if (session.io.write(bytes, length)) return true;
    terminal_redraw();
    return false;
}

// --- the mode ----------------------------------------------------------------
// Async-signal-safe, all of them.

TerminalMode terminal_mode() { return static_cast<TerminalMode>(session.mode); }

bool mode_draws() { return terminal_mode() >= TERMINAL_SCREEN; }

bool mode_has_keyboard() {
    TerminalMode mode = terminal_mode();
    return mode != TERMINAL_CLOSED && mode != TERMINAL_SCREEN;
}

bool mode_raw() {
    TerminalMode mode = terminal_mode();
    return mode == TERMINAL_KEYS_RAW || mode == TERMINAL_SCREEN_RAW;
}

// The mode, with keys, cooked or raw as asked.
TerminalMode mode_with_raw(TerminalMode mode, bool raw) {
    if (mode == TERMINAL_KEYS || mode == TERMINAL_KEYS_RAW) return raw ? TERMINAL_KEYS_RAW : TERMINAL_KEYS;
    if (mode == TERMINAL_SCREEN_KEYS || mode == TERMINAL_SCREEN_RAW)
        return raw ? TERMINAL_SCREEN_RAW : TERMINAL_SCREEN_KEYS;
    return mode;
}

// The signals whose default action ends the process (with a core for
// SIGQUIT and the crash signals): each restores the terminal first. The
// real-time signals, which end it too, are added where they exist.
constexpr int FATAL_SIGNALS[] = {
    SIGINT,    SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGPIPE,
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
};
constexpr int CRASH_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGTRAP};

// --- raw mode ------------------------------------------------------------

void raw_enter() {
    TerminalMode cooked = terminal_mode();
    if (!mode_has_keyboard() || mode_raw()) return;
    termios raw = session.saved;
    // Keys byte by byte, unechoed (the echo is drawn through the model),
    // CR kept apart from LF, Ctrl+S/Ctrl+Q/Ctrl+V/Ctrl+O as keys. ISIG
    // stays: Ctrl+C, Ctrl+Z and Ctrl+\ remain signals.
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    // Said raw before it is: a signal in between hands back the modes that
    // were never changed, where the other order could leave raw mode on.
    session.mode = mode_with_raw(cooked, true);
    if (tcsetattr(session.keyboard_fd, TCSANOW, &raw) != 0) session.mode = cooked;
}

// Async-signal-safe: only tcsetattr.
void raw_leave() {
    if (!mode_raw()) return;
    tcsetattr(session.keyboard_fd, TCSANOW, &session.saved);
    session.mode = mode_with_raw(terminal_mode(), false);
}

// The terminal belongs to this process's job. Once the shell has taken it
// back (a stopped job, or one sent to the background) it is the shell's:
// its modes were handed back at the stop, and nothing may be written to it
// or changed. Without a controlling terminal to ask, it is this process's.
// Async-signal-safe.
bool terminal_is_ours() {
    int fd = mode_has_keyboard() ? session.keyboard_fd : session.output_fd;
    pid_t foreground = tcgetpgrp(fd);
    return foreground < 0 || foreground == getpgrp();
}

// --- restoring -------------------------------------------------------------

// Precomputes what a signal handler writes, from what the terminal shows
// now: the spare copy is written, then made the current one.
void restore_prepare(const ScreenBuffer* screen) {
    int next = session.restore_current == 0 ? 1 : 0;
    session.restore_length[next] = terminal_render_restore(&session.render, screen, session.restore[next]);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    session.restore_current = next;
}

void write_text(int fd, const char* bytes, std::size_t length) {
    terminal_write_all(fd, reinterpret_cast<const uint8_t*>(bytes), length);
}

// The terminal back as it was, with async-signal-safe calls only: the
// precomputed bytes, the saved modes, and (when leaving for good) the
// typed input nobody will read, so it does not reach the shell.
void restore_from_signal(bool discard_input) {
    if (!terminal_is_ours()) return;
    int current = session.restore_current;
    if (mode_draws()) write_text(session.output_fd, session.restore[current], session.restore_length[current]);
    raw_leave();
    if (discard_input && mode_has_keyboard()) tcflush(session.keyboard_fd, TCIFLUSH);
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

// Restores the terminal (when it is still this job's), then lets the
// signal do what it does by default: end the process, with a core for
// SIGQUIT and the crash signals.
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
    terminal_note_resume();
    errno = saved_errno;
}

// A signal that lands after a present has looked at the flags but before
// the keyboard wait has begun would not end that wait: its byte in the wake
// pipe does. Async-signal-safe.
void wake_keyboard_wait() {
    int saved_errno = errno;
    if (session.wake[1] >= 0) (void)!::write(session.wake[1], "w", 1);
    errno = saved_errno;
}

void on_resume_signal(int) {
    terminal_note_resume();
    wake_keyboard_wait();
}

void on_resize_signal(int) {
    terminal_note_resize();
    wake_keyboard_wait();
}

// A descriptor the session opened, moved above the standard streams when
// it took the number of one the caller closed: it must not become standard
// input or output. -1 when there is none, or no other number to be had.
int above_standard_streams(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) return fd;
    int high = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    return high;
}

// The wake pipe, both ends non-blocking (a full pipe wakes all the same),
// above the standard streams, and within select()'s reach.
void wake_open() {
    if (session.wake[0] >= 0) return;
    if (pipe(session.wake) != 0) {
        session.wake[0] = session.wake[1] = -1;
        return;
    }
    for (int& fd : session.wake) {
        fd = above_standard_streams(fd);
        if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    if (session.wake[0] < 0 || session.wake[1] < 0 || session.wake[0] >= FD_SETSIZE) {
        for (int& fd : session.wake) {
            if (fd >= 0) close(fd);
            fd = -1;
        }
    }
}

void wake_drain() {
    char bytes[64];
    while (session.wake[0] >= 0 && ::read(session.wake[0], bytes, sizeof bytes) > 0) {}
}

// A caller's choice to ignore a signal (nohup) stands.
void handle_unless_ignored(int signal_number) {
    struct sigaction old {};
    sigaction(signal_number, nullptr, &old);
    if (old.sa_handler != SIG_IGN) set_handler(signal_number, on_fatal_signal);
}

void install_handlers() {
    for (int signal_number : FATAL_SIGNALS) handle_unless_ignored(signal_number);
#ifdef SIGRTMIN
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) handle_unless_ignored(signal_number);
#endif
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

// --- the terminal's end of the console ------------------------------------

// Waits for the keyboard with select(), which works on terminals
// everywhere: on macOS poll() reports POLLNVAL for every terminal device.
// True when there is something to read (bytes, or the end of input), false
// when the time ran out; -1 for a signal or an error in `interrupted`.
// A resize or resume, told by the wake pipe, ends the wait as a signal does.
int keyboard_wait(int32_t timeout_ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(session.keyboard_fd, &readable);
    if (session.wake[0] >= 0) FD_SET(session.wake[0], &readable);
    int highest = std::max(session.keyboard_fd, session.wake[0]);
    timeval limit{static_cast<time_t>(timeout_ms / 1000), static_cast<suseconds_t>(timeout_ms % 1000) * 1000};
    int ready = select(highest + 1, &readable, nullptr, nullptr, timeout_ms < 0 ? nullptr : &limit);
    if (ready > 0 && session.wake[0] >= 0 && FD_ISSET(session.wake[0], &readable)) {
        wake_drain();
        if (!FD_ISSET(session.keyboard_fd, &readable)) {
            errno = EINTR;
            return -1;
        }
    }
    return ready;
}

// Typed bytes of a single-byte character set as UTF-8, in place: each
// byte takes up to three.
int64_t typed_to_utf8(uint8_t* bytes, int64_t count) {
    char utf8[4];
    int64_t length = 0;
    for (int64_t i = 0; i < count; ++i) length += utf8_encode(charset_to_unicode(session.charset, bytes[i]), utf8);
    for (int64_t i = count - 1, end = length; i >= 0; --i) {
        uint32_t n = utf8_encode(charset_to_unicode(session.charset, bytes[i]), utf8);
        end -= n;
        std::memcpy(bytes + end, utf8, n);
    }
    return length;
}

int64_t tty_read(uint8_t* bytes, std::size_t capacity, int32_t timeout_ms) {
    if (!mode_has_keyboard()) return -1;
    // Room for the bytes of another character set to become UTF-8.
    if (session.charset != CHARSET_UTF8) capacity /= 3;
    if (capacity == 0) return 0;
    // Keys alone: raw mode from the first read (again after a stop).
    if (!mode_draws()) raw_enter();
    int ready = keyboard_wait(timeout_ms);
    // A signal (resize, resume) ends the wait early: the caller presents
    // and waits again.
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    ssize_t n = ::read(session.keyboard_fd, bytes, capacity);
    if (n > 0) return session.charset == CHARSET_UTF8 ? n : typed_to_utf8(bytes, n);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
    return -1;  // hung up or an error: no more keys will come
}

// The renderer's UTF-8 in the terminal's character set, '?' for what the
// set lacks.
bool tty_write(const uint8_t* bytes, std::size_t length) {
    if (session.charset == CHARSET_UTF8) return terminal_write_all(session.output_fd, bytes, length);
    uint8_t converted[256];
    std::size_t count = 0;
    for (std::size_t i = 0; i < length;) {
        uint32_t code_point = 0;
        i += utf8_decode(bytes + i, length - i, &code_point);
        converted[count++] = charset_from_unicode(session.charset, code_point);
        if (count < sizeof converted) continue;
        if (!terminal_write_all(session.output_fd, converted, count)) return false;
        count = 0;
    }
    return terminal_write_all(session.output_fd, converted, count);
}

// Where the C library looks for the locale of characters, in its order.
constexpr const char* LOCALE_VARIABLES[] = {"LC_ALL", "LC_CTYPE", "LANG"};

// The locale of characters the environment names; null when none is set.
const char* locale_name() {
    for (const char* variable : LOCALE_VARIABLES) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') return value;
    }
    return nullptr;
}

bool tty_size(int32_t* columns, int32_t* rows) {
    winsize size{};
    if (ioctl(session.output_fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return false;
    *columns = size.ws_col;
    *rows = size.ws_row;
    return true;
}

// Standard output takes writes: a terminal opened for reading only would
// take none, and the console is a file handle then.
bool output_writable() {
    int flags = fcntl(STDOUT_FILENO, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

// The controlling terminal, read for keys even when standard input is
// redirected; -1 without one.
int keyboard_open() {
    int fd = above_standard_streams(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    // A descriptor select() cannot wait on, or one that is no terminal, is
    // no keyboard.
    if (fd >= 0 && (fd >= FD_SETSIZE || tcgetattr(fd, &session.saved) != 0)) {
        close(fd);
        fd = -1;
    }
    return fd;
}

// A window dragged to a new size sends a burst of SIGWINCH: the size is
// taken once no further signal has come for RESIZE_SETTLE_MS, so that the
// size it settles at is drawn once, and the sizes on the way not at all.
// Keys typed meanwhile wait in the terminal. Cleared before the size is
// read: a signal after that leaves a redraw for the next present.
void resize_settle() {
    for (int32_t waited = 0; session.resized && waited < RESIZE_SETTLE_LIMIT_MS; waited += RESIZE_SETTLE_MS) {
        session.resized = 0;
        session.io.sleep_ms(RESIZE_SETTLE_MS);
    }
    session.resized = 0;
}

// The user's NO_COLOR, set and not empty, asks for no colour (no-color.org).
bool no_colour_wanted() {
    const char* value = std::getenv("NO_COLOR");
    return value != nullptr && value[0] != '\0';
}

// The renderer starts afresh on the terminal end now in use, which is
// drawn on in `mode`.
void session_start(TerminalMode mode) {
    terminal_render_init(&session.render);
    if (no_colour_wanted()) terminal_render_no_colour(&session.render);
    session.mode = mode;
    restore_prepare(nullptr);
    restore_prepare(nullptr);
}

}  // namespace

bool terminal_write_all(int fd, const uint8_t* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

TerminalIo& terminal_io() { return session.io; }

TerminalCharset terminal_locale_charset() {
    const char* name = locale_name();
    if (name == nullptr) return charset_of_locale(nullptr, nullptr);
    char saved[256] = "C";
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    if (current != nullptr && std::strlen(current) < sizeof saved) std::snprintf(saved, sizeof saved, "%s", current);
    char codeset[64] = "";
    bool taken = std::setlocale(LC_CTYPE, "") != nullptr;
    if (taken) std::snprintf(codeset, sizeof codeset, "%s", nl_langinfo(CODESET));
    std::setlocale(LC_CTYPE, saved);
    return charset_of_locale(name, taken ? codeset : nullptr);
}

void terminal_apply_signals(ScreenBuffer* screen) {
    if (session.resumed) {
        session.resumed = 0;
        // Stopped by SIGSTOP the terminal may have been set back by the
        // shell without our knowing: raw mode is applied afresh.
        session.mode = mode_with_raw(terminal_mode(), false);
        raw_enter();
        // The stop handed the terminal back in its own colours and cursor
        // shape, and the shell has written on it since.
        terminal_redraw();
        // A resize while stopped signalled the shell, then in the
        // foreground, not this process: the size is read as after a resize.
        session.resized = 1;
    }
    if (session.resized) {
        resize_settle();
        int32_t columns = 0;
        int32_t rows = 0;
        if (session.io.size != nullptr && session.io.size(&columns, &rows)) {
            screen_fit_terminal(screen, columns, rows);
        }
        // Terminals rewrap or crop on a resize: what they show is unknown.
        terminal_render_invalidate(&session.render, RENDER_LOST_ROWS);
    }
}

bool terminal_open(TerminalFound* found) {
    if (!output_writable()) return false;
    session.output_fd = STDOUT_FILENO;
    session.keyboard_fd = keyboard_open();
    found->columns = SCREEN_DEFAULT_WIDTH;
    found->rows = SCREEN_DEFAULT_HEIGHT;
    int32_t columns = 0;
    int32_t rows = 0;
    if (tty_size(&columns, &rows)) {
        found->columns = std::min<int32_t>(columns, INT16_MAX);
        found->rows = std::min<int32_t>(rows, INT16_MAX);
    }
    found->keyboard = session.keyboard_fd >= 0;
    found->input_is_keyboard = found->keyboard && isatty(STDIN_FILENO) != 0;
    session.charset = terminal_locale_charset();
    session.io.read = tty_read;
    session.io.write = tty_write;
    session.io.size = tty_size;
    session_start(found->keyboard ? TERMINAL_SCREEN_KEYS : TERMINAL_SCREEN);
    if (found->keyboard) wake_open();
    install_handlers();
    raw_enter();
    return true;
}

void terminal_open_io(const TerminalIo& io) {
    session.io = io;
    session_start(TERMINAL_SCREEN);
}

bool terminal_open_keys() {
    // A terminal that takes no writes shows no text asking for a key.
    if (!output_writable()) return false;
    int fd = keyboard_open();
    if (fd < 0) return false;
    session.keyboard_fd = fd;
    session.io.read = tty_read;
    session.mode = TERMINAL_KEYS;
    install_handlers();
    return true;
}

void terminal_close(ScreenBuffer* screen) {
    if (terminal_mode() == TERMINAL_CLOSED) return;
    if (screen != nullptr) terminal_present(screen);
    // The way out a signal takes, from what the terminal shows now.
    restore_prepare(screen);
    restore_from_signal(true);
    session.mode = TERMINAL_CLOSED;
}

void terminal_present(ScreenBuffer* screen) {
    if (!mode_draws()) return;
    terminal_apply_signals(screen);
    // Unchanged since the last frame, which was wholly written: the terminal
    // shows it already. Waiting for a key costs no comparing of cells.
    if (terminal_render_current(&session.render) && screen->changes == session.presented) return;
    session.presented = screen->changes;
    session.frame.bytes.length = 0;
    terminal_render_frame(&session.render, screen, &session.frame);
    if (session.frame.bytes.length == 0) return;
    frame_flush(session.frame.bytes.bytes, session.frame.bytes.length);
    restore_prepare(screen);
}

void terminal_reset() {
    terminal_render_init(&session.render);
    byte_buffer_free(&session.frame.bytes);
    session.resized = 0;
    session.resumed = 0;
}

bool terminal_cursor_wanted() {
    bool first = !terminal_render_started(&session.render);
    if (!mode_draws() || (!first && !session.resized)) return false;
    if (session.resized) {
        resize_settle();
        // Still to be taken in, at the size it settled at.
        session.resized = 1;
    }
    return true;
}

bool terminal_ask_cursor() {
    return session.io.write(reinterpret_cast<const uint8_t*>(RENDER_ASK_CURSOR), sizeof RENDER_ASK_CURSOR - 1);
}

void terminal_cursor_reported(int32_t row, int32_t column) {
    terminal_render_cursor_found(&session.render, row - 1, column - 1);
}

void terminal_note_resize() { session.resized = 1; }

void terminal_note_resume() { session.resumed = 1; }

void terminal_redraw() { terminal_render_invalidate(&session.render, RENDER_LOST_ALL); }

void terminal_line_keys(uint8_t* kill, uint8_t* word_erase) {
    // Printable characters stay characters in the line, and DEL comes as
    // Backspace: only control characters can be honoured.
    auto control = [](cc_t c) { return static_cast<uint8_t>(c > 0 && c < 0x20 ? c : 0); };
    bool known = mode_has_keyboard();
    *kill = known ? control(session.saved.c_cc[VKILL]) : 0;
    *word_erase = known ? control(session.saved.c_cc[VWERASE]) : 0;
}
