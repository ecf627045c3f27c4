// Test seams: a scripted terminal (typed bytes in, rendered bytes captured)
// and a simulated clock behind the console, and the capture of a redirected
// standard output.
#include "tests/platform/testing/testing.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string_view>

#include "platform/keyboard/keyboard.h"
#include "platform/terminal/terminal_render.h"
#include "platform/terminal/terminal_session.h"

namespace {

struct TypedChunk {
    uint64_t at_ms;     // when the bytes become available
    std::string bytes;  // what was typed
};

struct ScriptedTerminal {
    std::deque<TypedChunk> typed;  // in order of arrival
    bool input_ended;              // nothing more will be typed
    uint64_t now_ms;               // the simulated clock
    std::string output;            // what the terminal received
    std::string file_output;       // what a redirected standard output received
    int32_t columns;               // the terminal's size; 0: as large as the screen buffer
    int32_t rows;
    bool silent = false;  // asked where its cursor is, it does not answer (by default: on row 1, column 1)
};

ScriptedTerminal scripted;
ConsoleHooks hooks;

// Moves the clock to the next arrival when it comes no later than `limit`.
bool advance_to_arrival(uint64_t limit) {
    if (scripted.typed.empty() || scripted.typed.front().at_ms > limit) return false;
    scripted.now_ms = std::max(scripted.now_ms, scripted.typed.front().at_ms);
    return true;
}

int64_t deliver(uint8_t* bytes, std::size_t capacity) {
    std::size_t count = 0;
    while (count < capacity && !scripted.typed.empty() && scripted.typed.front().at_ms <= scripted.now_ms) {
        std::string& chunk = scripted.typed.front().bytes;
        std::size_t n = std::min(capacity - count, chunk.size());
        std::memcpy(bytes + count, chunk.data(), n);
        count += n;
        chunk.erase(0, n);
        if (chunk.empty()) scripted.typed.pop_front();
    }
    return static_cast<int64_t>(count);
}

int64_t scripted_read(uint8_t* bytes, std::size_t capacity, int32_t timeout_ms) {
    int64_t count = deliver(bytes, capacity);
    if (count > 0) return count;
    if (timeout_ms == 0) return scripted.typed.empty() && scripted.input_ended ? -1 : 0;
    if (timeout_ms < 0) {
        // Waiting with nothing more to come would wait forever: that is the
        // end of input for a script.
        if (!advance_to_arrival(UINT64_MAX)) return -1;
        return deliver(bytes, capacity);
    }
    uint64_t deadline = scripted.now_ms + static_cast<uint64_t>(timeout_ms);
    if (advance_to_arrival(deadline)) return deliver(bytes, capacity);
    scripted.now_ms = deadline;
    return scripted.typed.empty() && scripted.input_ended ? -1 : 0;
}

bool scripted_write(const uint8_t* bytes, std::size_t length) {
    bool fails = hooks.terminal_write_fails;
    scripted.output.append(reinterpret_cast<const char*>(bytes), fails ? length / 2 : length);
    bool asked = std::string_view(reinterpret_cast<const char*>(bytes), length) == RENDER_ASK_CURSOR;
    if (asked && !fails && !scripted.silent) testing_type("\x1b[1;1R");
    return !fails;
}

bool scripted_size(int32_t* columns, int32_t* rows) {
    *columns = scripted.columns > 0 ? scripted.columns : platform_console.screen.width;
    *rows = scripted.rows > 0 ? scripted.rows : platform_console.screen.height;
    return true;
}

uint64_t scripted_now_ms() { return scripted.now_ms; }

// Only Sleep sleeps: it is counted here.
void scripted_sleep_ms(uint32_t milliseconds) {
    hooks.counters.sleep += 1;
    hooks.counters.slept_ms += milliseconds;
    scripted.now_ms += milliseconds;
}

// WriteFile's faults: they act only on the console, as a file's writes
// never reach it.
int64_t write_granted(int64_t asked) {
    ConsoleFaults& faults = hooks.faults;
    if (!console_is_console()) return asked;
    if (faults.writes_before_refusal == 0) return -1;
    if (faults.writes_before_refusal > 0) faults.writes_before_refusal -= 1;
    return faults.write_limit >= 0 ? std::min(asked, faults.write_limit) : asked;
}

int64_t hooked_call(ConsoleCall call, int64_t asked) {
    hooks.counters.calls[call] += 1;
    if (call == CONSOLE_CALL_BUFFER_INFO && hooks.faults.buffer_info_fails) return -1;
    if (call == CONSOLE_CALL_WRITE_FILE) return write_granted(asked);
    return asked;
}

bool captured_file_write(const uint8_t* bytes, std::size_t length) {
    scripted.file_output.append(reinterpret_cast<const char*>(bytes), length);
    return true;
}

}  // namespace

void testing_console_create(int32_t width, int32_t height) {
    testing_console_destroy();
    scripted = ScriptedTerminal{};
    ConsoleState& console = platform_console;
    console = ConsoleState{};
    console.mode = CONSOLE_LINE_INPUT;
    screen_init(&console.screen, width, height);
    terminal_open_io(TerminalIo{scripted_read, scripted_write, scripted_size, scripted_now_ms, scripted_sleep_ms});
    hooks = ConsoleHooks{ConsoleFaults{false, -1, -1}, ConsoleCounters{}, false};
    console.file_write = captured_file_write;
    console.hook = hooked_call;
}

void testing_console_on_terminal(int32_t columns, int32_t rows) {
    testing_console_create(std::max(columns, SCREEN_DEFAULT_WIDTH), std::max(rows, SCREEN_DEFAULT_HEIGHT));
    scripted.columns = columns;
    scripted.rows = rows;
    screen_fit_terminal(&platform_console.screen, columns, rows);
}

void testing_terminal_resize(int32_t columns, int32_t rows) {
    scripted.columns = columns;
    scripted.rows = rows;
    terminal_note_resize();
}

void testing_terminal_resume(int32_t columns, int32_t rows) {
    scripted.columns = columns;
    scripted.rows = rows;
    terminal_note_resume();
}

void testing_console_destroy() {
    keyboard_reset();
    terminal_reset();
    screen_free(&platform_console.screen);
}

void testing_console_redirect() {
    testing_console_create(SCREEN_DEFAULT_WIDTH, SCREEN_DEFAULT_HEIGHT);
    platform_console.mode = CONSOLE_FILE;
}

void testing_console_set_largest(int32_t columns, int32_t rows) {
    platform_console.screen.largest =
        platform::COORD{static_cast<platform::SHORT>(columns), static_cast<platform::SHORT>(rows)};
}

void testing_console_set_keyboard(bool present) {
    platform_console.mode = present ? CONSOLE_LINE_INPUT : CONSOLE_SCREEN;
}

void testing_type(const std::string& bytes) { testing_type_at(scripted.now_ms, bytes); }

void testing_type_at(uint64_t at_ms, const std::string& bytes) {
    scripted.typed.push_back(TypedChunk{at_ms, bytes});
    std::stable_sort(scripted.typed.begin(), scripted.typed.end(),
                     [](const TypedChunk& a, const TypedChunk& b) { return a.at_ms < b.at_ms; });
}

void testing_end_input() { scripted.input_ended = true; }

void testing_terminal_silent() { scripted.silent = true; }

uint64_t testing_now_ms() { return scripted.now_ms; }

ConsoleState& testing_console() { return platform_console; }

ConsoleHooks& testing_hooks() { return hooks; }

std::string testing_row_text(int32_t row) {
    const ScreenBuffer& screen = platform_console.screen;
    std::string text;
    for (int32_t x = 0; x < screen.width; ++x) text.push_back(static_cast<char>(screen_cell(&screen, x, row).ch));
    return text;
}

std::string& testing_terminal_output() { return scripted.output; }

std::string& testing_file_output() { return scripted.file_output; }
