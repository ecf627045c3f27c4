#include <gtest/gtest.h>

#include <string>

#include "tests/support/runtime_fresh.h"
#include "app/calculator.h"
#include "platform/testing/testing.h"
#include "runtime/console/console_device.h"
#include "runtime/console/print_column.h"
#include "runtime/core/runtime.h"
#include "runtime/input/input_fields.h"

namespace {

constexpr uint16_t BLUE_ON_GREY = 0x71;
constexpr uint16_t BLUE_ON_CYAN = 0xB1;
constexpr uint16_t GREY_ON_BLACK = 0x07;

// One run of the calculator against an 80x25 console model, with the two
// answers typed and a key pressed a second after the result shows.
class CalculatorTest : public ::testing::Test {
protected:
    // The key comes long after the answers, so the wait has begun by then;
    // without it the typed input simply ends.
    void run(const std::string& typed, bool key = true) {
        fresh_runtime(80, 25);
        calculator = CalculatorVariables{};
        testing_type(typed);
        if (key) {
            testing_type_at(60000, "x");
        } else {
            testing_end_input();
        }
        calculator_run();
    }
    const ScreenBuffer& screen() const { return testing_console().screen; }
    // Characters of a 1-based row from a 1-based column.
    std::string text(int32_t row, int32_t column, std::size_t length) const {
        return testing_row_text(row - 1).substr(static_cast<std::size_t>(column - 1), length);
    }
    uint16_t attr(int32_t row, int32_t column) const {
        return screen_cell(&screen(), column - 1, row - 1).attr;
    }
    void expect_text(int32_t row, int32_t column, const std::string& expected, uint16_t attribute) const {
        EXPECT_EQ(text(row, column, expected.size()), expected) << "row " << row;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(attr(row, column + int32_t(i)), attribute) << "row " << row << " column " << column + int32_t(i);
        }
    }
};

TEST_F(CalculatorTest, TheFinishedScreenCellByCell) {
    run("100\r25\r");
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
            ASSERT_EQ(text(row, column, 1), " ") << row << "," << column;
            ASSERT_EQ(attr(row, column), GREY_ON_BLACK) << row << "," << column;
        }
    }
    EXPECT_EQ(screen().cursor_y, 24);
    EXPECT_EQ(screen().cursor_x, 40);
    EXPECT_EQ(screen().scrolls, 0u);
}

TEST_F(CalculatorTest, AnswersAreTheFirstFieldOfTheLine) {
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
        run(c.typed);
        EXPECT_EQ(calculator.tx_height, c.tx) << c.typed;
        EXPECT_EQ(calculator.rx_height, c.rx) << c.typed;
        EXPECT_EQ(text(20, 40, std::string(c.shown).size()), c.shown) << c.typed;
    }
}

TEST_F(CalculatorTest, TheEndOfInputReadsAsZero) {
    run("350\r", false);  // no second answer, no key: the input ends
    EXPECT_EQ(text(8, 40, 3), "350");
    EXPECT_EQ(calculator.rx_height, 0);
    EXPECT_EQ(text(20, 40, 6), " 75 km");
}

TEST_F(CalculatorTest, ALongAnswerWrapsAndTheLayoutHolds) {
    std::string digits(45, '7');
    run(digits + "\r1\r");
    EXPECT_EQ(text(8, 40, 41), digits.substr(0, 41));
    EXPECT_EQ(text(9, 1, 4), "7777");
    EXPECT_EQ(calculator.tx_height, 2147483647);
    expect_text(10, 12, " Antenna RX a mt. slm ", BLUE_ON_GREY);
    EXPECT_EQ(screen().scrolls, 0u);
}

TEST_F(CalculatorTest, TheKeyThatEndsTheWaitStaysUnread) {
    run("100\r25\r");
    EXPECT_GE(testing_now_ms(), 60000u);
    EXPECT_NE(platform::_kbhit(), 0);
    EXPECT_EQ(platform::_getch(), 'x');
}

}  // namespace
