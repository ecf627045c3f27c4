// tmux sessions for tests that need a real terminal emulator.
#include "tests/support/tmux_session.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

std::atomic<int> session_count{0};

std::string tmux(const TmuxSession& session, const std::string& arguments) {
    return tmux_run(session, arguments).output;
}

// Applies the parameters of one SGR sequence to the current colours.
void apply_sgr(const std::string& parameters, TmuxCell* state) {
    int32_t* fg = &state->fg;
    int32_t* bg = &state->bg;
    std::vector<int32_t> v;
    std::istringstream in(parameters);
    for (std::string value; std::getline(in, value, ';');) v.push_back(std::atoi(value.c_str()));
    if (v.empty()) v.push_back(0);
    for (std::size_t i = 0; i < v.size(); ++i) {
        int32_t n = v[i];
        if ((n == 38 || n == 48) && i + 2 < v.size() && v[i + 1] == 5) {
            // One of 256 colours: the first sixteen are those of SGR 30-37 and 90-97.
            int32_t sgr = v[i + 2] < 8 ? 30 + v[i + 2] : 82 + v[i + 2];
            *(n == 38 ? fg : bg) = n == 38 ? sgr : sgr + 10;
            i += 2;
        }
        if (n == 0 || n == 39 || (n >= 30 && n <= 37) || (n >= 90 && n <= 97)) *fg = n == 0 ? 39 : n;
        if (n == 0 || n == 49 || (n >= 40 && n <= 47) || (n >= 100 && n <= 107)) *bg = n == 0 ? 49 : n;
        if (n == 0 || n == 7 || n == 27) state->reverse = n == 7;
    }
}

// The cells of a captured line; `sgr` the colours in force, carried from line to line.
std::vector<TmuxCell> parse_line(const std::string& line, TmuxCell* sgr) {
    std::vector<TmuxCell> cells;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[') {
            std::size_t end = i + 2;
            while (end < line.size() && !(line[end] >= 0x40 && line[end] <= 0x7E)) ++end;
            if (end < line.size() && line[end] == 'm') apply_sgr(line.substr(i + 2, end - i - 2), sgr);
            i = end + 1;
            continue;
        }
        auto lead = static_cast<unsigned char>(line[i]);
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        cells.push_back(TmuxCell{line.substr(i, length), sgr->fg, sgr->bg, sgr->reverse});
        i += length;
    }
    return cells;
}

}  // namespace

ShellRun tmux_run(const TmuxSession& session, const std::string& arguments) {
    return shell_run("tmux -L " + session.socket + " " + arguments + " 2>/dev/null");
}

bool tmux_available() { return shell_has_command("tmux"); }

TmuxSession tmux_start(const std::string& command, int32_t columns, int32_t rows) {
    TmuxSession session{"portata-test-" + std::to_string(getpid()) + "-" + std::to_string(session_count++), false};
    std::string arguments = "-f /dev/null new-session -d -x " + std::to_string(columns) + " -y " +
                            std::to_string(rows) + " " + shell_quote(command);
    shell_run("TERM=xterm-256color tmux -L " + session.socket + " " + arguments + " 2>/dev/null");
    // Keep the pane after the program ends, so the last screen can be read.
    tmux(session, "set-option -g remain-on-exit on");
    session.running = true;
    return session;
}

void tmux_send(const TmuxSession& session, const std::string& arguments) {
    tmux(session, "send-keys -t 0 " + arguments);
}

std::string tmux_text(const TmuxSession& session) { return tmux(session, "capture-pane -p -N -t 0"); }

TmuxScreen tmux_screen(const TmuxSession& session) {
    TmuxScreen screen{{}, "", 0, 0};
    std::istringstream captured(tmux(session, "capture-pane -p -e -N -t 0"));
    TmuxCell sgr{"", 39, 49};
    for (std::string line; std::getline(captured, line);) {
        screen.rows.push_back(parse_line(line, &sgr));
        for (const TmuxCell& cell : screen.rows.back()) screen.text += cell.text;
        screen.text += "\n";
    }
    std::string cursor = tmux(session, "display-message -p -t 0 '#{cursor_x} #{cursor_y}'");
    std::sscanf(cursor.c_str(), "%d %d", &screen.cursor_x, &screen.cursor_y);
    return screen;
}

std::string tmux_history(const TmuxSession& session) { return tmux(session, "capture-pane -p -S - -t 0"); }

bool tmux_wait_for_text(const TmuxSession& session, const std::string& needle, int32_t timeout_ms) {
    return wait_until([&] { return tmux_text(session).find(needle) != std::string::npos; }, timeout_ms);
}

std::string tmux_pane_tty(const TmuxSession& session) {
    std::string tty = tmux(session, "display-message -p -t 0 '#{pane_tty}'");
    return tty.substr(0, tty.find('\n'));
}

bool tmux_resize(const TmuxSession& session, int32_t columns, int32_t rows) {
    return tmux_run(session, "resize-window -t 0 -x " + std::to_string(columns) + " -y " + std::to_string(rows))
               .status == 0;
}

void tmux_resize_settled(const TmuxSession& session, int32_t columns, int32_t rows) {
    ASSERT_TRUE(tmux_resize(session, columns, rows));
    std::string size = std::to_string(rows) + " " + std::to_string(columns) + "\n";
    std::string stty = "stty size <" + shell_quote(tmux_pane_tty(session)) + " 2>/dev/null";
    ASSERT_TRUE(wait_until([&] { return shell_output(stty) == size; })) << "the terminal never took " << size;
    std::string last;
    auto since = std::chrono::steady_clock::now();
    ASSERT_TRUE(wait_until([&] {
        std::string now =
            tmux(session, "capture-pane -p -e -N -t 0") + tmux(session, "display -p '#{cursor_x},#{cursor_y}'");
        if (now != last) since = std::chrono::steady_clock::now();
        last = now;
        return std::chrono::steady_clock::now() - since >= std::chrono::milliseconds(TMUX_QUIET_MS);
    })) << "the pane never went quiet";
}

void tmux_stop(TmuxSession& session) {
    if (session.running) tmux(session, "kill-server");
    session.running = false;
}

std::string tmux_row_text(const TmuxScreen& screen, int32_t row, int32_t column, int32_t length) {
    std::string text;
    for (int32_t x = column; x < column + length; ++x) text += tmux_cell(screen, row, x).text;
    return text;
}

TmuxCell tmux_cell(const TmuxScreen& screen, int32_t row, int32_t column) {
    if (row >= 0 && row < static_cast<int32_t>(screen.rows.size())) {
        const std::vector<TmuxCell>& cells = screen.rows[static_cast<std::size_t>(row)];
        if (column >= 0 && column < static_cast<int32_t>(cells.size())) return cells[static_cast<std::size_t>(column)];
    }
    return TmuxCell{" ", 39, 49};
}

bool expect_until(const std::function<std::string()>& differences, int32_t timeout_ms) {
    std::string last;
    if (wait_until([&] { return (last = differences()).empty(); }, timeout_ms)) return true;
    ADD_FAILURE() << last;
    return false;
}

int32_t text_count(const std::string& text, const std::string& needle) {
    int32_t n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}
