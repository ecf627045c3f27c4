// The calculator run in a tmux pane, and its screen read back.
#include "tests/support/calculator_pane.h"

#include <gtest/gtest.h>

#include "tests/support/terminal_modes.h"

namespace {

// Types an answer and Enter, then waits for `next` to show.
void answer(const CalculatorPane& pane, const std::string& typed, const std::string& next) {
    // "--": an answer such as -100 is no option of send-keys.
    if (!typed.empty()) tmux_send(pane.session, "-l -- " + shell_quote(typed));
    tmux_send(pane.session, "Enter");
    ASSERT_TRUE(tmux_wait_for_text(pane.session, next, pane.step_ms)) << tmux_text(pane.session);
}

// Presses a key to end the program, then waits for exit status 0, sane
// terminal modes, and the key never reaching the shell.
void expect_clean_exit(const CalculatorPane& pane) {
    tmux_send(pane.session, "q");
    expect_until(
        [&] {
            std::string text = tmux_text(pane.session);
            bool clean = text.find("=DONE=") != text.npos && text.find("EXIT:0") != text.npos &&
                         modes_all_on(text, "EXIT:") && text.find('q') == text.rfind('q');
            return clean ? "" : "not an end with status 0, sane modes and the key unseen by the shell:\n" + text;
        },
        pane.step_ms);
}

}  // namespace

std::string calculator_pane_command(const std::string& program, int32_t settle_ms) {
    std::string settle = settle_ms > 0 ? "sleep " + std::to_string(settle_ms / 1000.0) + "; " : "";
    return "trap : INT; " + program + "; echo \"EXIT:$?\"; " + settle + modes_command() + "; echo '=DONE='; sleep 60";
}

std::string calculator_pane_window_differences(const TmuxSession& session, const PaneWindow& window) {
    TmuxScreen screen = tmux_screen(session);
    std::string out;
    for (int32_t y = 0; y < window.rows; ++y) {
        for (int32_t x = 0; x < window.columns; ++x) {
            int32_t row = window.top + y + 1;
            int32_t column = window.left + x + 1;
            const ScreenText* t = finished_text_at(row, column);
            for (const ScreenText& c : window.changed) {
                if (c.row == row && column >= c.column && column < c.column + static_cast<int32_t>(c.text.size()))
                    t = &c;
            }
            std::string text = t != nullptr ? t->text.substr(static_cast<std::size_t>(column - t->column), 1) : " ";
            SgrColours colours = sgr_colours(t != nullptr ? t->attribute : GREY_ON_BLACK);
            TmuxCell cell = tmux_cell(screen, y, x);
            if (cell.text != text || cell.fg != colours.fg || cell.bg != colours.bg) {
                out += "row " + std::to_string(row) + " column " + std::to_string(column) + ": '" + cell.text + "' " +
                       std::to_string(cell.fg) + "/" + std::to_string(cell.bg) + ", want '" + text + "' " +
                       std::to_string(colours.fg) + "/" + std::to_string(colours.bg) + "\n";
            }
        }
    }
    out += calculator_pane_cursor_differences(session, "", FINISHED_CURSOR_COLUMN - 1 - window.left,
                                              FINISHED_CURSOR_ROW - 1 - window.top);
    std::string all = tmux_history(session);
    if (window.title_once && text_count(all, "Istranda Quolvenix") != 1) out += "not one title in:\n" + all;
    return out.empty() ? out : out + screen.text;
}

std::string calculator_pane_cursor_differences(const TmuxSession& session, const std::string& needle, int32_t x,
                                               int32_t y) {
    TmuxScreen screen = tmux_screen(session);
    if (screen.cursor_x == x && screen.cursor_y == y && screen.text.find(needle) != std::string::npos) return "";
    return "cursor " + std::to_string(screen.cursor_x) + "," + std::to_string(screen.cursor_y) + ", want " +
           std::to_string(x) + "," + std::to_string(y) + " with '" + needle + "' shown\n";
}

void calculator_pane_expect_answered_run(CalculatorPane* pane, const std::function<void()>& start) {
    start();
    if (::testing::Test::HasFatalFailure()) return;
    expect_until([&] { return calculator_pane_cursor_differences(pane->session, "Antenna TX", 39, 7); }, pane->step_ms);
    answer(*pane, FINISHED_TX, "Antenna RX");
    expect_until([&] { return calculator_pane_cursor_differences(pane->session, "Antenna RX", 39, 9); }, pane->step_ms);
    answer(*pane, FINISHED_RX, "premi un tasto");
    PaneWindow whole{0, 0, 80, 25, {}, false};
    expect_until([&] { return calculator_pane_window_differences(pane->session, whole); }, pane->step_ms);
    expect_clean_exit(*pane);
}

void calculator_pane_expect_answer_cases(CalculatorPane* pane, const std::function<void()>& start) {
    for (const CalculatorAnswers& answers : CALCULATOR_ANSWER_CASES) {
        start();
        if (::testing::Test::HasFatalFailure()) return;
        answer(*pane, answers.tx, "Antenna RX");
        answer(*pane, answers.rx, "premi un tasto");
        std::string shown = answers.shown;
        expect_until(
            [&] {
                TmuxScreen screen = tmux_screen(pane->session);
                bool kept = tmux_row_text(screen, 19, 39, static_cast<int32_t>(shown.size())) == shown &&
                            tmux_row_text(screen, 9, 11, 22) == CALCULATOR_ASK_RX;
                return kept ? ""
                            : std::string(answers.tx) + ": not '" + shown + "' with the layout kept\n" + screen.text;
            },
            pane->step_ms);
        expect_clean_exit(*pane);
        tmux_stop(pane->session);
    }
}
