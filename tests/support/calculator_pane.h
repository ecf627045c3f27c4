// The calculator in a tmux pane: the command that reports how it ended,
// typing the answers, and the checks of its screen and of the terminal it
// leaves behind, shared by the native and the Windows end-to-end tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

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

// Types an answer and Enter, then waits for `next` to show.
void calculator_pane_answer(const CalculatorPane& pane, const std::string& typed, const std::string& next);

// Presses a key to end the program: exit status 0, sane terminal modes, and
// the key never reaching the shell.
void calculator_pane_expect_clean_exit(const CalculatorPane& pane);

// The golden finished screen (calculator_golden.h): every text in its
// colours, every other cell blank, the cursor after the last text.
void calculator_pane_expect_finished_screen(const TmuxScreen& screen);
// The pane shows the window of columns x rows from the 0-based cell (left,
// top) of the finished screen, each cell in its colours, the cursor in it.
void calculator_pane_expect_window(const TmuxScreen& screen, int32_t left, int32_t top, int32_t columns, int32_t rows);

// A whole run typed as a user would: the cursor at each question, the
// finished screen for 100 and 25, and a clean end on a key. `start` opens
// the pane with the program and waits for its first question.
void calculator_pane_expect_answered_run(CalculatorPane* pane, const std::function<void()>& start);

// One run per CALCULATOR_ANSWER_CASES entry: the range shown and the layout kept.
void calculator_pane_expect_answer_cases(CalculatorPane* pane, const std::function<void()>& start);
