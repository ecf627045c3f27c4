#include <gtest/gtest.h>

#include <string>

#include "platform/testing/testing.h"
#include "tests/support/calculator_run.h"
#include "tests/support/key_names.h"
#include "tests/support/screen_text.h"

namespace {

constexpr uint16_t BLUE_ON_GREY = 0x71;
constexpr uint16_t BLUE_ON_CYAN = 0xB1;
constexpr uint16_t GREY_ON_BLACK = 0x07;

// The model shows the text from a 1-based row and column, every cell in the attribute.
void expect_text(int32_t row, int32_t column, const std::string& expected, uint16_t attribute) {
    EXPECT_EQ(model_text(row, column, static_cast<int32_t>(expected.size())), expected) << "row " << row;
    for (int32_t i = 0; i < static_cast<int32_t>(expected.size()); ++i) {
        EXPECT_EQ(model_attribute(row, column + i), attribute) << "row " << row << " column " << column + i;
    }
}

// Runs with 100 and 25 typed against an 80x25 console model, a key pressed a
// minute later.
TEST(CalculatorTest, TheFinishedScreenCellByCell) {
    calculator_run_typed({typed_keys("100<Enter>25<Enter>")});
    EXPECT_EQ(calculator.range_km, 60);

    std::string title = " Velmora Istranda Quolvenix Pardov" + std::string(22, ' ') + "Ostravel Kamuni Dreskov ";
    ASSERT_EQ(title.size(), 80u);
    expect_text(1, 1, title, BLUE_ON_GREY);
    expect_text(8, 12, " Antenna TX a mt. slm ", BLUE_ON_GREY);
    expect_text(8, 40, "100", BLUE_ON_GREY);
    expect_text(10, 12, " Antenna RX a mt. slm ", BLUE_ON_GREY);
    expect_text(10, 40, "25", BLUE_ON_GREY);
    expect_text(20, 12, " Portata ottica: ", BLUE_ON_CYAN);
    expect_text(20, 40, " 60 km ", BLUE_ON_CYAN);
    expect_text(25, 12, " premi un tasto per terminare", GREY_ON_BLACK);

    // Every other cell is a blank in the console's own attribute.
    struct Span {
        int32_t row, from, length;
    } written[] = {{1, 1, 80}, {8, 12, 22}, {8, 40, 3}, {10, 12, 22}, {10, 40, 2},
                   {20, 12, 17}, {20, 40, 7}, {25, 12, 29}};
    for (int32_t row = 1; row <= 25; ++row) {
        for (int32_t column = 1; column <= 80; ++column) {
            bool covered = false;
            for (const Span& s : written) covered |= s.row == row && column >= s.from && column < s.from + s.length;
            if (covered) continue;
            ASSERT_EQ(model_text(row, column, 1), " ") << row << "," << column;
            ASSERT_EQ(model_attribute(row, column), GREY_ON_BLACK) << row << "," << column;
        }
    }
    EXPECT_EQ(model_cursor_row(), 25);
    EXPECT_EQ(model_cursor_column(), 41);
    EXPECT_EQ(testing_console().screen.scrolls, 0u);
}

TEST(CalculatorTest, AnswersAreTheFirstFieldOfTheLine) {
    struct Case {
        const char* typed;
        int32_t tx, rx;
        const char* shown;
    } cases[] = {
        {"150,30\r25\r", 150, 25, " 69 km "},
        {"12.7\r0\r", 12, 0, " 14 km "},
        {"\r\r", 0, 0, " 0 km "},
        {"abc\rxyz\r", 0, 0, " 0 km "},
        {"2\r3\r", 2, 3, " 13 km "},
        {"-100\r100\r", -100, 100, " 40 km "},
        {"99999999999\r0\r", 2147483647, 0, " 185364 km "},
    };
    for (const Case& c : cases) {
        calculator_run_typed({c.typed});
        EXPECT_EQ(calculator.tx_height, c.tx) << c.typed;
        EXPECT_EQ(calculator.rx_height, c.rx) << c.typed;
        EXPECT_EQ(model_text(20, 40, static_cast<int32_t>(std::string(c.shown).size())), c.shown) << c.typed;
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
    calculator_run_typed({typed_keys(digits + "<Enter>1<Enter>")});
    EXPECT_EQ(model_text(8, 40, 41), digits.substr(0, 41));
    EXPECT_EQ(model_text(9, 1, 4), "7777");
    EXPECT_EQ(calculator.tx_height, 2147483647);
    expect_text(10, 12, " Antenna RX a mt. slm ", BLUE_ON_GREY);
    EXPECT_EQ(testing_console().screen.scrolls, 0u);
}

TEST(CalculatorTest, TheKeyThatEndsTheWaitStaysUnread) {
    calculator_run_typed({typed_keys("100<Enter>25<Enter>")});
    EXPECT_GE(testing_now_ms(), 60000u);
    EXPECT_NE(platform::_kbhit(), 0);
    EXPECT_EQ(platform::_getch(), 'x');
}

}  // namespace
