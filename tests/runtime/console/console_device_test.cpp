// The console device on the model console: colours, the cursor, clearing,
// the view area and its scrolling.
#include <gtest/gtest.h>

#include <climits>

#include "console_test_support.h"

namespace {

struct ColourStep {
    int32_t foreground;
    int32_t background;
    int32_t previous;
    uint16_t attribute;
};

TEST(ConsoleColourTest, PairsThroughTheTableAndPackedPreviousPairs) {
    console_start(80, 25);
    const ColourStep steps[] = {
        {-1, 15, 0x00007, 0xF7},
        {1, 7, 0xF0007, 0x71},
        {17, -3, 0x70001, 0x71},  // 17 AND 15 is 1; a negative background keeps 7
        {16, 30, 0x70001, 0xE0},  // 16 gives 0, 30 gives 14
        {-1, -1, 0xE0000, 0xE0},
    };
    for (const ColourStep& step : steps) {
        SCOPED_TRACE(::testing::Message() << step.foreground << ", " << step.background);
        EXPECT_EQ(console_color(step.foreground, step.background), step.previous);
        EXPECT_EQ(test_screen().attribute, step.attribute);
    }
}

TEST(ConsoleColourTest, BothLeftOutStillImposesTheStoredPair) {
    console_start(80, 25);
    test_screen().attribute = 0x4C;
    EXPECT_EQ(console_color(-1, -1), 7);
    EXPECT_EQ(test_screen().attribute, 0x07);
    EXPECT_EQ(testing_console().counters.set_text_attribute, 1u);
}

TEST(ConsoleColourTest, ResetRestoresThePairAtLoad) {
    console_start(80, 25);
    console_color(3, 4);
    console_device_reset();
    EXPECT_EQ(console_color(-1, -1), 7);
}

TEST(ConsoleLocateTest, MovesTheCursorSetsThePrintColumnAndPacks) {
    console_start(80, 25);
    EXPECT_EQ(console_locate(8, 40, -1), 0x10828);
    EXPECT_EQ(test_cursor_row(), 8);
    EXPECT_EQ(test_cursor_col(), 40);
    EXPECT_EQ(print_column_get(0), 39);
}

TEST(ConsoleLocateTest, LeftOutRowAndColumnKeepTheCursorAndResyncTheColumn) {
    console_start(80, 25);
    test_put_cursor(6, 13);
    print_column_set(0, 70);
    EXPECT_EQ(console_locate(0, 0, -1), 0x1060D);
    EXPECT_EQ(test_cursor_row(), 6);
    EXPECT_EQ(test_cursor_col(), 13);
    EXPECT_EQ(print_column_get(0), 12);
    console_locate(-4, 2, -1);
    EXPECT_EQ(test_cursor_row(), 6);
    EXPECT_EQ(test_cursor_col(), 2);
}

TEST(ConsoleLocateTest, RefusedPositionStillSetsThePrintColumn) {
    console_start(80, 25);
    test_put_cursor(3, 5);
    // Row 300 lies outside the buffer: the cursor stays, the result reports
    // the request with its row cut to 8 bits.
    int32_t packed = console_locate(300, 1, -1);
    EXPECT_EQ((packed >> 8) & 0xFF, 44);
    EXPECT_EQ(packed & 0xFF, 1);
    EXPECT_EQ(test_cursor_row(), 3);
    EXPECT_EQ(test_cursor_col(), 5);
    EXPECT_EQ(print_column_get(0), 0);

    console_locate(5, 100, -1);
    EXPECT_EQ(test_cursor_row(), 3);
    EXPECT_EQ(print_column_get(0), 99);
}

TEST(ConsoleLocateTest, CoordinatesAreKeptTo16Bits) {
    console_start(80, 25);
    // Column 65537 is X 65536, which 16 bits hold as 0: the first column.
    int32_t packed = console_locate(2, 65537, -1);
    EXPECT_EQ(test_cursor_row(), 2);
    EXPECT_EQ(test_cursor_col(), 1);
    EXPECT_EQ(packed & 0xFF, 1);
    EXPECT_EQ(print_column_get(0), 0);
    // Column 40000 wraps to a negative X: refused, and the column follows it.
    console_locate(2, 40000, -1);
    EXPECT_EQ(test_cursor_col(), 1);
    EXPECT_EQ(print_column_get(0), 39999 - 65536);
    console_locate(INT_MAX, INT_MAX, -1);
    EXPECT_EQ(test_cursor_row(), 2);
}

TEST(ConsoleLocateTest, Visibility) {
    console_start(80, 25);
    struct Case {
        int32_t visibility;
        bool visible_after;
    };
    // Starts visible; each step from the state the previous one left.
    const Case cases[] = {{0, false}, {-1, false}, {5, true}, {-7, true}, {0, false}, {1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.visibility);
        int32_t packed = console_locate(4, 9, c.visibility);
        EXPECT_EQ(test_screen().cursor_visible, c.visible_after);
        EXPECT_EQ((packed & 0x10000) != 0, c.visible_after);
        EXPECT_EQ(packed & 0xFFFF, 0x0409);
    }
    EXPECT_EQ(test_screen().cursor_size, SCREEN_DEFAULT_CURSOR_SIZE);
}

struct ClearCase {
    int32_t mode;
    bool whole_buffer;
};

class ConsoleClearTest : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ConsoleClearTest, ClearsInTheConsolesOwnAttributeAndHomesTheCursor) {
    // View rows 1-20 of 25.
    console_start_with_view(80, 25, 20);
    test_label_rows();
    test_screen().attribute = 0x2A;  // the console's; the stored pair is 0x07
    test_put_cursor(17, 33);
    console_clear(GetParam().mode);

    int32_t cleared_rows = GetParam().whole_buffer ? 25 : 20;
    for (int32_t row = 1; row <= 25; ++row) {
        SCOPED_TRACE(row);
        if (row <= cleared_rows) {
            EXPECT_EQ(test_row(row), std::string(80, ' '));
            EXPECT_EQ(test_attribute_at(row, 1), 0x2A);
            EXPECT_EQ(test_attribute_at(row, 80), 0x2A);
        } else {
            EXPECT_EQ(test_row(row), test_row_of(static_cast<char>('A' + row - 1), 80));
            EXPECT_EQ(test_attribute_at(row, 80), 0x1E);
        }
    }
    EXPECT_EQ(test_cursor_row(), 1);
    EXPECT_EQ(test_cursor_col(), 1);
    EXPECT_EQ(print_column_get(0), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, ConsoleClearTest,
                         ::testing::Values(ClearCase{1, false}, ClearCase{CONSOLE_CLEAR_DEFAULT, false},
                                           ClearCase{0, true}, ClearCase{2, true}, ClearCase{-1, true},
                                           ClearCase{0xFFFF, true}));

TEST(ConsoleClearTest, FirstOperationResolvesTheViewToTheScreenHeight) {
    console_start(80, 25);
    test_label_rows();
    console_clear(CONSOLE_CLEAR_DEFAULT);
    int32_t top = 0;
    int32_t bottom = 0;
    console_get_view(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 26);  // one more than the largest window's rows
    // The clear of 26 rows stops at the end of the 25-row buffer.
    EXPECT_EQ(test_row(25), std::string(80, ' '));
    EXPECT_EQ(test_attribute_at(25, 80), 0x07);
}

TEST(ConsoleClearTest, TheColourPairAppliesOnceSet) {
    console_start(80, 25);
    console_color(1, 7);
    console_clear(1);
    EXPECT_EQ(test_attribute_at(1, 1), 0x71);
    EXPECT_EQ(test_attribute_at(25, 80), 0x71);
}

TEST(ConsoleViewTest, ResolvedOnceAndKept) {
    console_start(80, 25);
    int32_t width = 0;
    int32_t view_height = 0;
    console_get_size(&width, &view_height);
    EXPECT_EQ(width, 80);
    EXPECT_EQ(view_height, 26);
    testing_console_set_largest(80, 10);
    EXPECT_EQ(console_screen_height(), 11);
    int32_t top = 0;
    int32_t bottom = 0;
    console_get_view(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 26);
}

TEST(ConsoleViewTest, SizeOutputsAreOptional) {
    console_start(29, 12);
    testing_console().counters = ConsoleCounters{};
    console_get_size(nullptr, nullptr);
    EXPECT_EQ(testing_console().counters.buffer_info, 0u);
    EXPECT_EQ(testing_console().counters.largest_window, 0u);
    int32_t width = 0;
    console_get_size(&width, nullptr);
    EXPECT_EQ(width, 29);
    EXPECT_EQ(testing_console().counters.largest_window, 0u);
}

TEST(ConsoleViewTest, CursorQueries) {
    console_start(80, 25);
    test_put_cursor(7, 61);
    EXPECT_EQ(console_cursor_row(), 7);
    EXPECT_EQ(console_cursor_col(), 61);
    int32_t column = 0;
    int32_t row = 0;
    console_get_cursor(&column, &row);
    EXPECT_EQ(column, 61);
    EXPECT_EQ(row, 7);
    console_get_cursor(nullptr, &row);
    console_get_cursor(&column, nullptr);
    test_screen().attribute = 0x9F;
    EXPECT_EQ(console_current_attribute(), 0x9F);
}

TEST(ConsoleScrollTest, ZeroOrNegativeDoesNothingAtAll) {
    console_start(80, 25);
    test_label_rows();
    test_put_cursor(5, 5);
    for (int32_t n : {0, -2, INT_MIN}) {
        testing_console().counters = ConsoleCounters{};
        console_scroll_view(n);
        const ConsoleCounters& calls = testing_console().counters;
        EXPECT_EQ(calls.buffer_info + calls.largest_window + calls.scroll + calls.set_cursor_position, 0u);
    }
    EXPECT_EQ(test_row(1), test_row_of('A', 80));
    EXPECT_EQ(test_cursor_row(), 5);
}

TEST(ConsoleScrollTest, OneRowOfAFullHeightView) {
    console_start_with_view(80, 25, 25);
    test_label_rows();
    test_screen().attribute = 0x5D;
    test_put_cursor(10, 31);
    console_scroll_view(1);
    for (int32_t row = 1; row <= 24; ++row) {
        EXPECT_EQ(test_row(row), test_row_of(static_cast<char>('A' + row), 80)) << row;
    }
    EXPECT_EQ(test_row(25), std::string(80, ' '));
    EXPECT_EQ(test_attribute_at(25, 1), 0x5D);
    EXPECT_EQ(test_cursor_row(), 25);
    EXPECT_EQ(test_cursor_col(), 31);
    EXPECT_EQ(print_column_get(0), 30);
}

TEST(ConsoleScrollTest, RowsOutsideTheViewStay) {
    console_start_with_view(80, 25, 20);
    test_label_rows();
    test_put_cursor(20, 1);
    console_scroll_view(3);
    EXPECT_EQ(test_row(1), test_row_of('D', 80));
    EXPECT_EQ(test_row(17), test_row_of('T', 80));
    for (int32_t row = 18; row <= 20; ++row) EXPECT_EQ(test_row(row), std::string(80, ' ')) << row;
    for (int32_t row = 21; row <= 25; ++row) {
        EXPECT_EQ(test_row(row), test_row_of(static_cast<char>('A' + row - 1), 80)) << row;
    }
    EXPECT_EQ(test_cursor_row(), 18);
}

TEST(ConsoleScrollTest, AtOrBeyondTheViewHeightBlanksTheWholeView) {
    for (int32_t n : {20, 21, 300, INT_MAX}) {
        SCOPED_TRACE(n);
        console_start_with_view(80, 25, 20);
        test_label_rows();
        test_screen().attribute = 0x3B;
        test_put_cursor(12, 44);
        console_scroll_view(n);
        for (int32_t row = 1; row <= 20; ++row) EXPECT_EQ(test_row(row), std::string(80, ' ')) << row;
        EXPECT_EQ(test_attribute_at(20, 80), 0x3B);
        EXPECT_EQ(test_row(21), test_row_of('U', 80));
        EXPECT_EQ(test_cursor_row(), 1);
        EXPECT_EQ(test_cursor_col(), 44);
    }
}

TEST(ConsoleRedirectedTest, QueriesHaveSoundAnswers) {
    console_start_redirected();
    error_set(ERROR_WRITE_FAILED);
    EXPECT_EQ(console_cursor_row(), 1);
    EXPECT_EQ(console_cursor_col(), 1);
    EXPECT_EQ(console_current_attribute(), 0x07);
    int32_t width = 0;
    int32_t view_height = 0;
    console_get_size(&width, &view_height);
    EXPECT_EQ(width, 80);
    EXPECT_EQ(view_height, 1);  // no largest window: a screen of one row
    EXPECT_EQ(print_column_get(0), 0);
    console_clear(CONSOLE_CLEAR_DEFAULT);
    console_clear(0);
    console_scroll_view(1);
    console_scroll_view(5);
    EXPECT_EQ(console_locate(8, 40, -1), 0x0828);
    EXPECT_EQ(print_column_get(0), 39);
    EXPECT_EQ(console_color(1, 7), 7);
    EXPECT_TRUE(testing_file_output().empty());
    EXPECT_EQ(error_get(), ERROR_WRITE_FAILED);
}

TEST(ConsoleRedirectedTest, AFailingBufferQueryOnAConsole) {
    console_start(40, 10);
    test_put_cursor(4, 9);
    test_screen().attribute = 0x1F;
    testing_console().faults.buffer_info_fails = true;
    EXPECT_EQ(console_cursor_row(), 1);
    EXPECT_EQ(console_cursor_col(), 1);
    EXPECT_EQ(console_current_attribute(), 0x07);
    int32_t width = 0;
    console_get_size(&width, nullptr);
    EXPECT_EQ(width, 80);
}

TEST(PrintColumnTest, ConsoleSlotStartsAtTheCursor) {
    console_start(80, 25);
    test_put_cursor(3, 18);
    EXPECT_EQ(print_column_get(0), 17);
    test_put_cursor(3, 50);
    EXPECT_EQ(print_column_get(0), 17);  // counted from now on, not asked
    console_locate(1, 40, -1);
    EXPECT_EQ(print_column_get(0), 39);
}

TEST(PrintColumnTest, SetBeforeAnyUseStoresOverTheCursorColumn) {
    console_start(80, 25);
    test_put_cursor(3, 18);
    print_column_set(0, 5);
    EXPECT_EQ(print_column_get(0), 5);
    print_column_set(7, 9);
    EXPECT_EQ(print_column_get(7), 9);
    EXPECT_EQ(file_slot(7)->column, 9);
    EXPECT_EQ(print_column_get(255), 0);
}

}  // namespace
