// The calculator run in a tmux pane, and its screen read back.
#include "tests/support/calculator_pane.h"

#include <gtest/gtest.h>

#include "tests/support/calculator_golden.h"
#include "tests/support/terminal_modes.h"

std::string calculator_pane_command(const std::string& program, int32_t settle_ms) {
    std::string settle = settle_ms > 0 ? "sleep " + std::to_string(settle_ms / 1000.0) + "; " : "";
    return "trap : INT; " + program + "; echo \"EXIT:$?\"; " + settle + modes_command() + "; echo '=DONE='; sleep 60";
}

void calculator_pane_answer(const CalculatorPane& pane, const std::string& typed, const std::string& next) {
    // "--": an answer such as -100 is no option of send-keys.
    if (!typed.empty()) tmux_send(pane.session, "-l -- " + shell_quote(typed));
    tmux_send(pane.session, "Enter");
    ASSERT_TRUE(tmux_wait_for_text(pane.session, next, pane.step_ms)) << tmux_text(pane.session);
}

void calculator_pane_expect_clean_exit(const CalculatorPane& pane) {
    tmux_send(pane.session, "q");
    ASSERT_TRUE(tmux_wait_for_text(pane.session, "=DONE=", pane.step_ms)) << tmux_text(pane.session);
    std::string text = tmux_text(pane.session);
    EXPECT_NE(text.find("EXIT:0"), std::string::npos) << text;
    expect_modes_on(modes_line(text, "EXIT:"));
    EXPECT_EQ(text.find('q'), text.rfind('q')) << "the key reached the shell";
}

void calculator_pane_expect_window(const TmuxScreen& screen, int32_t left, int32_t top, int32_t columns, int32_t rows) {
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < columns; ++x) {
            int32_t row = top + y + 1;
            int32_t column = left + x + 1;
            const ScreenText* t = finished_text_at(row, column);
            std::string expected = t != nullptr ? t->text.substr(static_cast<std::size_t>(column - t->column), 1) : " ";
            SgrColours colours = sgr_colours(t != nullptr ? t->attribute : GREY_ON_BLACK);
            TmuxCell cell = tmux_cell(screen, y, x);
            ASSERT_EQ(cell.text, expected) << "row " << row << " column " << column;
            ASSERT_EQ(cell.fg, colours.fg) << "row " << row << " column " << column;
            ASSERT_EQ(cell.bg, colours.bg) << "row " << row << " column " << column;
        }
    }
    EXPECT_EQ(screen.cursor_y, FINISHED_CURSOR_ROW - 1 - top);
    EXPECT_EQ(screen.cursor_x, FINISHED_CURSOR_COLUMN - 1 - left);
}

void calculator_pane_expect_finished_screen(const TmuxScreen& screen) {
    calculator_pane_expect_window(screen, 0, 0, 80, 25);
}

void calculator_pane_expect_answered_run(CalculatorPane* pane, const std::function<void()>& start) {
    start();
    if (::testing::Test::HasFatalFailure()) return;
    TmuxScreen asking = tmux_screen(pane->session);
    EXPECT_EQ(asking.cursor_y, 7);
    EXPECT_EQ(asking.cursor_x, 39);
    calculator_pane_answer(*pane, FINISHED_TX, "Antenna RX");
    TmuxScreen second = tmux_screen(pane->session);
    EXPECT_EQ(second.cursor_y, 9);
    EXPECT_EQ(second.cursor_x, 39);
    calculator_pane_answer(*pane, FINISHED_RX, "premi un tasto");
    calculator_pane_expect_finished_screen(tmux_screen(pane->session));
    calculator_pane_expect_clean_exit(*pane);
}

void calculator_pane_expect_answer_cases(CalculatorPane* pane, const std::function<void()>& start) {
    for (const CalculatorAnswers& answers : CALCULATOR_ANSWER_CASES) {
        start();
        if (::testing::Test::HasFatalFailure()) return;
        calculator_pane_answer(*pane, answers.tx, "Antenna RX");
        calculator_pane_answer(*pane, answers.rx, "premi un tasto");
        TmuxScreen screen = tmux_screen(pane->session);
        std::string shown = answers.shown;
        EXPECT_EQ(tmux_row_text(screen, 19, 39, static_cast<int32_t>(shown.size())), shown) << answers.tx;
        EXPECT_EQ(tmux_row_text(screen, 9, 11, 22), CALCULATOR_ASK_RX) << answers.tx;
        calculator_pane_expect_clean_exit(*pane);
        tmux_stop(pane->session);
    }
}
