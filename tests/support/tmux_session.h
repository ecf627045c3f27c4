// A program run in a tmux pane for end-to-end tests: keys typed with
// send-keys, the screen read back with capture-pane, characters and colours
// parsed into cells.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/deadline.h"
#include "tests/support/shell.h"

struct TmuxSession {
    std::string socket;  // the tmux server's own socket name (-L)
    bool running;        // the server was started
};

// A screen cell as tmux shows it; colours are SGR numbers (39/49 default).
struct TmuxCell {
    std::string text;  // the character, UTF-8
    int32_t fg;
    int32_t bg;
    bool reverse = false;  // in reverse video (SGR 7)
};

struct TmuxScreen {
    std::vector<std::vector<TmuxCell>> rows;
    std::string text;  // the rows' characters, a line each
    int32_t cursor_x;  // 0-based
    int32_t cursor_y;  // 0-based
};

// True when tmux can be run here.
bool tmux_available();
// Starts `command` (run by sh) in a detached pane of the given size.
TmuxSession tmux_start(const std::string& command, int32_t columns, int32_t rows);
// Any tmux command on the session's server, e.g. "resize-window -t 0 -x 70".
ShellRun tmux_run(const TmuxSession& session, const std::string& arguments);
// tmux send-keys arguments, e.g. "-l 100" or "Enter" or "C-c".
void tmux_send(const TmuxSession& session, const std::string& arguments);
// The pane's visible text, a line a row.
std::string tmux_text(const TmuxSession& session);
// The pane's cells, with their colours, and its cursor, from one capture.
TmuxScreen tmux_screen(const TmuxSession& session);
// The pane's scrollback and screen, a line a row.
std::string tmux_history(const TmuxSession& session);
// Polls the screen until it holds needle; false after timeout_ms.
bool tmux_wait_for_text(const TmuxSession& session, const std::string& needle, int32_t timeout_ms = TEST_WAIT_MS);
// The path of the pane's terminal, the one its program runs on.
std::string tmux_pane_tty(const TmuxSession& session);
// Resizes the pane's window to columns x rows; false when tmux refused.
bool tmux_resize(const TmuxSession& session, int32_t columns, int32_t rows);
// The same, then waits until the program's terminal has that size (tmux
// hands sizes on after the pane has them) and the pane has been quiet for
// TMUX_QUIET_MS; a test failure when it never is.
void tmux_resize_settled(const TmuxSession& session, int32_t columns, int32_t rows);
constexpr int32_t TMUX_QUIET_MS = 300;
// Ends the session and its server.
void tmux_stop(TmuxSession& session);

// The text of a 0-based row from a 0-based column.
std::string tmux_row_text(const TmuxScreen& screen, int32_t row, int32_t column, int32_t length);
// A 0-based cell; tmux leaves out the blanks at the end of a row in default
// colours, and those are what it gives beyond them.
TmuxCell tmux_cell(const TmuxScreen& screen, int32_t row, int32_t column);

// Polls `differences` (what is not yet as expected, "" once all of it is)
// until it gives "" or timeout_ms have passed; then a test failure that
// shows the last differences. True when everything held.
bool expect_until(const std::function<std::string()>& differences, int32_t timeout_ms = TEST_WAIT_MS);

// How many times needle stands in text (overlapping ones counted).
int32_t text_count(const std::string& text, const std::string& needle);
