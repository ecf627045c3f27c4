// The console device on the model console: colours, the cursor, clearing,
// the view area and its scrolling.
#include <gtest/gtest.h>

#include <climits>

#include "console_test_support.h"

namespace {

TEST(ConsoleColourTest, PairsThroughTheTableAndPackedPreviousPairs) {
    fresh_console(80, 25);
    struct Step {
        int32_t foreground;
        int32_t background;
        int32_t previous;
        uint16_t attribute;
    };
    // clang-format off
    const Step steps[] = {
        {-1, 15, 0x00007, 0xF7},
        {1, 7, 0xF0007, 0x71},
        {17, -3, 0x70001, 0x71},  // 17 AND 15 is 1
        {16, 30, 0x70001, 0xE0},
        {-1, -1, 0xE0000, 0xE0},  // nothing changes, yet the pair is imposed
    };
    // clang-format on
    for (const Step& step : steps) {
        SCOPED_TRACE(::testing::Message() << step.foreground << ", " << step.background);
        screen_set_attribute(&test_screen(), 0x4C);
        EXPECT_EQ(console_color(step.foreground, step.background), step.previous);
        EXPECT_EQ(test_screen().attribute, step.attribute);
    }
}

TEST(ConsoleLocateTest, MovesTheCursorSetsThePrintColumnAndPacks) {
    fresh_console(80, 25);
    EXPECT_EQ(console_locate(8, 40, -1), 0x10828);
    EXPECT_EQ(model_cursor_row(), 8);
    EXPECT_EQ(model_cursor_column(), 40);
    EXPECT_EQ(print_column_get(0), 39);

    // Left out: the cursor's own row and column, and the print column
    // brought back into line with it.
    test_put_cursor(6, 13);
    print_column_set(0, 70);
    EXPECT_EQ(console_locate(0, -4, -1), 0x1060D);
    EXPECT_EQ(model_cursor_row(), 6);
    EXPECT_EQ(model_cursor_column(), 13);
    EXPECT_EQ(print_column_get(0), 12);
}

TEST(ConsoleLocateTest, RefusedPositionsStillSetThePrintColumn) {
    fresh_console(80, 25);
    test_put_cursor(3, 5);
    EXPECT_EQ(console_locate(300, 1, -1) & 0xFFFF, 0x2C01);  // row 300 cut to 8 bits
    console_locate(5, 100, -1);
    EXPECT_EQ(model_cursor_row(), 3);
    EXPECT_EQ(model_cursor_column(), 5);
    EXPECT_EQ(print_column_get(0), 99);
    // Column 40000 is an X beyond 16 bits, kept as a negative one.
    console_locate(2, 40000, -1);
    EXPECT_EQ(print_column_get(0), 39999 - 65536);
    // Column 65537 is X 65536, kept as 0: the first column, accepted.
    EXPECT_EQ(console_locate(2, 65537, -1) & 0xFF, 1);
    EXPECT_EQ(model_cursor_row(), 2);
    EXPECT_EQ(model_cursor_column(), 1);
}

TEST(ConsoleLocateTest, Visibility) {
    fresh_console(80, 25);
    // Starts visible; each step from the state the previous one left.
    const struct {
        int32_t visibility;
        bool visible_after;
    } steps[] = {{0, false}, {-1, false}, {5, true}, {-7, true}, {0, false}, {1, true}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.visibility);
        int32_t packed = console_locate(4, 9, step.visibility);
        EXPECT_EQ(test_screen().cursor_visible, step.visible_after);
        EXPECT_EQ(packed, 0x0409 + (step.visible_after ? 0x10000 : 0));
    }
    EXPECT_EQ(test_screen().cursor_size, SCREEN_DEFAULT_CURSOR_SIZE);
}

struct ClearCase {
    int32_t mode;
    bool whole_buffer;
};

class ConsoleClearTest : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ConsoleClearTest, ClearsInTheConsolesOwnAttributeAndHomesTheCursor) {
    fresh_console_with_view(80, 25, 20);
    test_label_rows();
    screen_set_attribute(&test_screen(), 0x2A);  // the console's; the stored pair is 0x07
    test_put_cursor(17, 33);
    console_clear(GetParam().mode);

    int32_t cleared_rows = GetParam().whole_buffer ? 25 : 20;
    for (int32_t row = 1; row <= 25; ++row) {
        SCOPED_TRACE(row);
        bool cleared = row <= cleared_rows;
        EXPECT_EQ(model_text(row), cleared ? std::string(80, ' ') : test_label_of(row));
        EXPECT_EQ(model_attribute(row, 1), cleared ? 0x2A : 0x1E);
        EXPECT_EQ(model_attribute(row, 80), cleared ? 0x2A : 0x1E);
    }
    EXPECT_EQ(model_cursor_row(), 1);
    EXPECT_EQ(model_cursor_column(), 1);
    EXPECT_EQ(print_column_get(0), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, ConsoleClearTest,
                         ::testing::Values(ClearCase{1, false}, ClearCase{CONSOLE_CLEAR_DEFAULT, false},
                                           ClearCase{0, true}, ClearCase{2, true}, ClearCase{-1, true},
                                           ClearCase{0xFFFF, true}));

TEST(ConsoleViewTest, ResolvedOnceFromTheScreenHeightAndKept) {
    fresh_console(80, 25);
    test_label_rows();
    console_clear(CONSOLE_CLEAR_DEFAULT);
    // One more row than the largest window: the clear runs into the end of
    // the buffer and stops there.
    EXPECT_EQ(model_text(25), std::string(80, ' '));
    testing_console_set_largest(80, 10);
    EXPECT_EQ(console_screen_height(), 11);
    int32_t top = 0;
    int32_t bottom = 0;
    console_get_view(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 26);
    int32_t width = 0;
    int32_t view_height = 0;
    console_get_size(&width, &view_height);
    EXPECT_EQ(width, 80);
    EXPECT_EQ(view_height, 26);
}

TEST(ConsoleScrollTest, ZeroOrNegativeDoesNothingAtAll) {
    fresh_console(80, 25);
    for (int32_t n : {0, -2, INT_MIN}) {
        testing_hooks().counters = ConsoleCounters{};
        console_scroll_view(n);
        const uint32_t* calls = testing_hooks().counters.calls;
        EXPECT_EQ(calls[CONSOLE_CALL_BUFFER_INFO] + calls[CONSOLE_CALL_LARGEST_WINDOW] + calls[CONSOLE_CALL_SCROLL] +
                      calls[CONSOLE_CALL_SET_CURSOR_POSITION],
                  0u);
    }
}

TEST(ConsoleScrollTest, RowsMoveUpInsideTheViewOnly) {
    fresh_console_with_view(80, 25, 20);
    test_label_rows();
    screen_set_attribute(&test_screen(), 0x5D);
    test_put_cursor(10, 31);
    console_scroll_view(3);
    for (int32_t row = 1; row <= 17; ++row) EXPECT_EQ(model_text(row), test_label_of(row + 3)) << row;
    for (int32_t row = 18; row <= 20; ++row) EXPECT_EQ(model_text(row), std::string(80, ' ')) << row;
    for (int32_t row = 21; row <= 25; ++row) EXPECT_EQ(model_text(row), test_label_of(row)) << row;
    EXPECT_EQ(model_attribute(18, 80), 0x5D);
    EXPECT_EQ(model_cursor_row(), 18);
    EXPECT_EQ(model_cursor_column(), 31);
    EXPECT_EQ(print_column_get(0), 30);
}

TEST(ConsoleScrollTest, AtOrBeyondTheViewHeightBlanksTheWholeView) {
    for (int32_t n : {20, 21, INT_MAX}) {
        SCOPED_TRACE(n);
        fresh_console_with_view(80, 25, 20);
        test_label_rows();
        screen_set_attribute(&test_screen(), 0x3B);
        test_put_cursor(12, 44);
        console_scroll_view(n);
        for (int32_t row = 1; row <= 20; ++row) EXPECT_EQ(model_text(row), std::string(80, ' ')) << row;
        EXPECT_EQ(model_attribute(20, 80), 0x3B);
        EXPECT_EQ(model_text(21), test_label_of(21));
        EXPECT_EQ(model_cursor_row(), 1);
        EXPECT_EQ(model_cursor_column(), 44);
    }
}

TEST(ConsoleRedirectedTest, QueriesHaveSoundAnswersAndNothingIsReported) {
    fresh_console_redirected();
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

TEST(PrintColumnTest, ConsoleSlotStartsAtTheCursorThenIsCounted) {
    fresh_console(80, 25);
    test_put_cursor(3, 18);
    EXPECT_EQ(print_column_get(0), 17);
    test_put_cursor(3, 50);
    EXPECT_EQ(print_column_get(0), 17);

    fresh_console(80, 25);
    test_put_cursor(3, 18);
    print_column_set(0, 5);
    EXPECT_EQ(print_column_get(0), 5);
    EXPECT_EQ(print_column_get(255), 0);
}

}  // namespace
