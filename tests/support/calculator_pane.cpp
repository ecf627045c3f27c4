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

void calculator_pane_expect_finished_screen(const TmuxScreen& screen) {
    for (const ScreenText& t : finished_screen()) {
        auto length = static_cast<int32_t>(t.text.size());
        EXPECT_EQ(tmux_row_text(screen, t.row - 1, t.column - 1, length), t.text) << "row " << t.row;
        SgrColours colours = sgr_colours(t.attribute);
        tmux_expect_colours(screen, t.row - 1, t.column - 1, length, colours.fg, colours.bg);
    }
    SgrColours blank = sgr_colours(GREY_ON_BLACK);
    for (int32_t row = 1; row <= 25; ++row) {
        for (int32_t column = 1; column <= 80; ++column) {
            if (finished_text_at(row, column) != nullptr) continue;
            TmuxCell cell = tmux_cell(screen, row - 1, column - 1);
            ASSERT_EQ(cell.text, " ") << row << "," << column;
            ASSERT_EQ(cell.fg, blank.fg) << row << "," << column;
            ASSERT_EQ(cell.bg, blank.bg) << row << "," << column;
        }
    }
    EXPECT_EQ(screen.cursor_y, FINISHED_CURSOR_ROW - 1);
    EXPECT_EQ(screen.cursor_x, FINISHED_CURSOR_COLUMN - 1);
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
