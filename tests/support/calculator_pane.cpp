#include "tests/support/calculator_pane.h"

#include <gtest/gtest.h>

#include "tests/support/terminal_modes.h"

namespace {

constexpr int32_t BLUE = 34;
constexpr int32_t LIGHT_GREY = 47;
constexpr int32_t LIGHT_CYAN = 106;
constexpr int32_t DEFAULT_FG = 39;
constexpr int32_t DEFAULT_BG = 49;

}  // namespace

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

std::string calculator_pane_row(const TmuxScreen& screen, int32_t row, int32_t column, int32_t length) {
    return tmux_row_text(screen, row - 1, column - 1, length);
}

void calculator_pane_expect_colours(const TmuxScreen& screen, int32_t row, int32_t column, int32_t length,
                                    int32_t fg, int32_t bg) {
    tmux_expect_colours(screen, row - 1, column - 1, length, fg, bg);
}

void calculator_pane_expect_finished_screen(const TmuxScreen& screen) {
    std::string title = " Velmora Istranda Quolvenix Pardov" + std::string(22, ' ') + "Ostravel Kamuni Dreskov ";
    EXPECT_EQ(calculator_pane_row(screen, 1, 1, 80), title);
    calculator_pane_expect_colours(screen, 1, 1, 80, BLUE, LIGHT_GREY);
    EXPECT_EQ(calculator_pane_row(screen, 8, 12, 31), " Antenna TX a mt. slm       100");
    calculator_pane_expect_colours(screen, 8, 12, 22, BLUE, LIGHT_GREY);
    calculator_pane_expect_colours(screen, 8, 40, 3, BLUE, LIGHT_GREY);
    EXPECT_EQ(calculator_pane_row(screen, 10, 12, 30), " Antenna RX a mt. slm       25");
    calculator_pane_expect_colours(screen, 10, 40, 2, BLUE, LIGHT_GREY);
    EXPECT_EQ(calculator_pane_row(screen, 20, 12, 35), " Portata ottica: " + std::string(11, ' ') + " 60 km ");
    calculator_pane_expect_colours(screen, 20, 12, 17, BLUE, LIGHT_CYAN);
    calculator_pane_expect_colours(screen, 20, 40, 7, BLUE, LIGHT_CYAN);
    EXPECT_EQ(calculator_pane_row(screen, 25, 12, 29), " premi un tasto per terminare");
    calculator_pane_expect_colours(screen, 25, 12, 29, DEFAULT_FG, DEFAULT_BG);
    calculator_pane_expect_colours(screen, 2, 1, 80, DEFAULT_FG, DEFAULT_BG);
    EXPECT_EQ(screen.cursor_y, 24);
    EXPECT_EQ(screen.cursor_x, 40);
}

void calculator_pane_expect_answered_run(CalculatorPane* pane, const std::function<void()>& start) {
    start();
    if (::testing::Test::HasFatalFailure()) return;
    TmuxScreen asking = tmux_screen(pane->session);
    EXPECT_EQ(asking.cursor_y, 7);
    EXPECT_EQ(asking.cursor_x, 39);
    calculator_pane_answer(*pane, "100", "Antenna RX");
    TmuxScreen second = tmux_screen(pane->session);
    EXPECT_EQ(second.cursor_y, 9);
    EXPECT_EQ(second.cursor_x, 39);
    calculator_pane_answer(*pane, "25", "premi un tasto");
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
        EXPECT_EQ(calculator_pane_row(screen, 20, 40, static_cast<int32_t>(shown.size())), shown) << answers.tx;
        EXPECT_EQ(calculator_pane_row(screen, 10, 12, 22), " Antenna RX a mt. slm ") << answers.tx;
        calculator_pane_expect_clean_exit(*pane);
        tmux_stop(pane->session);
    }
}
