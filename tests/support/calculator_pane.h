// The calculator in a tmux pane: the command that reports how it ended,
// typing the answers, and waits for its screen and for the terminal it
// leaves behind, shared by the native and the Windows end-to-end tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/calculator_golden.h"
#include "tests/support/tmux_session.h"

struct CalculatorPane {
    TmuxSession session;  // the pane's tmux server
    int32_t step_ms;      // how long the screen may take to answer a key
};

// Runs `program` (a quoted command line) in the pane. The pane's shell
// ignores SIGINT, so it lives on to show "EXIT:<status>", a line of
// terminal modes and "=DONE=". The modes are read settle_ms after the
// program ends, for consoles that hand the terminal back after their
// process has gone.
std::string calculator_pane_command(const std::string& program, int32_t settle_ms = 0);

// The part of the finished screen (calculator_golden.h) a pane shows.
struct PaneWindow {
    int32_t left;     // the buffer's 0-based column in the pane's first column
    int32_t top;      // the buffer's 0-based row in the pane's top row
    int32_t columns;  // the pane's size
    int32_t rows;
    std::vector<ScreenText> changed;  // texts standing over the finished screen's
    bool title_once;                  // the title stands once in the scrollback and the screen together
};

// What the pane shows unlike the window: a cell's character or colours,
// the cursor (after the last text), the title's count; "" when nothing.
std::string calculator_pane_window_differences(const TmuxSession& session, const PaneWindow& window);
// `needle` shows with the cursor on the 0-based cell (x, y); "" when so.
std::string calculator_pane_cursor_differences(const TmuxSession& session, const std::string& needle, int32_t x,
                                               int32_t y);

// A whole run typed as a user would: the cursor at each question, the
// finished screen for 100 and 25, and a clean end on a key. `start` opens
// the pane with the program and waits for its first question.
void calculator_pane_expect_answered_run(CalculatorPane* pane, const std::function<void()>& start);

// One run per CALCULATOR_ANSWER_CASES entry: the range shown and the layout kept.
void calculator_pane_expect_answer_cases(CalculatorPane* pane, const std::function<void()>& start);
