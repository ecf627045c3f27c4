// Whole calculator runs on the scripted console: catches a cell of the
// finished screen out of place, answers read from the wrong field, a wrong
// layout on small terminals or after a long answer, and the final key read.
#include <gtest/gtest.h>

#include <string>

#include "tests/platform/testing/testing.h"
#include "tests/support/calculator_golden.h"
#include "tests/support/calculator_run.h"
#include "tests/support/key_names.h"
#include "tests/support/screen_text.h"

namespace {

// Two answers, each ended with Enter.
std::string answers_typed(const std::string& tx, const std::string& rx) {
    return typed_keys(tx + "<Enter>" + rx + "<Enter>");
}

// The model shows the text in its place, every cell in its attribute.
void expect_text(const ScreenText& t) {
    EXPECT_EQ(model_text(t.row, t.column, static_cast<int32_t>(t.text.size())), t.text) << "row " << t.row;
    for (int32_t i = 0; i < static_cast<int32_t>(t.text.size()); ++i) {
        EXPECT_EQ(model_attribute(t.row, t.column + i), t.attribute) << "row " << t.row << " column " << t.column + i;
    }
}

// Every cell of the finished 80x25 screen in the console model.
void expect_finished_model() {
    ASSERT_EQ(CALCULATOR_TITLE.size(), 80u);
    for (const ScreenText& t : finished_screen()) expect_text(t);
    // Every other cell is a blank in the console's own attribute.
    for (int32_t row = 1; row <= 25; ++row) {
        for (int32_t column = 1; column <= 80; ++column) {
            if (finished_text_at(row, column) != nullptr) continue;
            ASSERT_EQ(model_text(row, column, 1), " ") << row << "," << column;
            ASSERT_EQ(model_attribute(row, column), GREY_ON_BLACK) << row << "," << column;
        }
    }
    EXPECT_EQ(model_cursor_row(), FINISHED_CURSOR_ROW);
    EXPECT_EQ(model_cursor_column(), FINISHED_CURSOR_COLUMN);
    EXPECT_EQ(testing_console().screen.scrolls, 0u);
}

// Runs with 100 and 25 typed against an 80x25 console model, a key pressed a
// minute later.
TEST(CalculatorTest, TheFinishedScreenCellByCell) {
    calculator_run_typed({answers_typed(FINISHED_TX, FINISHED_RX)});
    EXPECT_EQ(calculator.range_km, 60);
    expect_finished_model();
}

// On a terminal smaller than the screen the buffer still holds all of it,
// cell for cell as at 80x25, and the terminal shows a window onto it that
// ends with the cursor's row 25 at its bottom, and on a narrow terminal
// starts where the range and the prompt show whole.
TEST(CalculatorTest, OnASmallTerminalTheWholeScreenIsInTheBufferAndTheWindowShowsItsEnd) {
    struct Size {
        int32_t columns, rows;
        int32_t window_x;  // the window's first column at the end
    } sizes[] = {{80, 24, 0}, {60, 20, 0}, {40, 12, 6}, {45, 12, 1}, {1, 1, 40}};
    for (const Size& s : sizes) {
        SCOPED_TRACE(std::to_string(s.columns) + "x" + std::to_string(s.rows));
        calculator_run_typed({answers_typed(FINISHED_TX, FINISHED_RX), "x", 60000, s.columns, s.rows, true});
        EXPECT_EQ(calculator.range_km, 60);
        const ScreenBuffer& screen = testing_console().screen;
        EXPECT_EQ(screen.width, 80);
        EXPECT_EQ(screen.height, 25);
        expect_finished_model();
        EXPECT_EQ(screen.window_width, s.columns);
        EXPECT_EQ(screen.window_height, s.rows);
        EXPECT_EQ(screen.window_y + screen.window_height, 25);
        EXPECT_EQ(screen.window_x, s.window_x);
    }
}

TEST(CalculatorTest, AnswersAreTheFirstFieldOfTheLine) {
    for (const CalculatorAnswers& c : CALCULATOR_ANSWER_CASES) {
        calculator_run_typed({answers_typed(c.tx, c.rx)});
        EXPECT_EQ(calculator.tx_height, c.tx_height) << c.tx << " " << c.rx;
        EXPECT_EQ(calculator.rx_height, c.rx_height) << c.tx << " " << c.rx;
        auto length = static_cast<int32_t>(std::string(c.shown).size());
        EXPECT_EQ(model_text(20, 40, length), c.shown) << c.tx << " " << c.rx;
    }
}

TEST(CalculatorTest, TheEndOfInputReadsAsZero) {
    calculator_run_typed({typed_keys("350<Enter>"), nullptr});  // no second answer, no key: the input ends
    EXPECT_EQ(model_text(8, 40, 3), "350");
    EXPECT_EQ(calculator.rx_height, 0);
    EXPECT_EQ(model_text(20, 40, 6), " 75 km");
}

TEST(CalculatorTest, ALongAnswerWrapsAndTheLayoutHolds) {
    std::string digits(45, '7');
    calculator_run_typed({answers_typed(digits, "1")});
    EXPECT_EQ(model_text(8, 40, 41), digits.substr(0, 41));
    EXPECT_EQ(model_text(9, 1, 4), "7777");
    EXPECT_EQ(calculator.tx_height, 2147483647);
    expect_text({10, 12, CALCULATOR_ASK_RX, BLUE_ON_GREY});
    EXPECT_EQ(testing_console().screen.scrolls, 0u);
}

TEST(CalculatorTest, TheKeyThatEndsTheWaitStaysUnread) {
    calculator_run_typed({answers_typed(FINISHED_TX, FINISHED_RX)});
    EXPECT_GE(testing_now_ms(), 60000u);
    EXPECT_NE(platform::_kbhit(), 0);
    EXPECT_EQ(platform::_getch(), 'x');
}

}  // namespace
