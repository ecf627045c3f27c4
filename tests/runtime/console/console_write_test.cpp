// The console text writer on the model console: the last-cell rule, the
// scrolls that keep text inside a view area ending above the screen
// height, and the write loop.
#include <gtest/gtest.h>

#include <string>

#include "console_test_support.h"
#include "runtime/console/console_write.h"

namespace {

void write_text(const std::string& text, PrintMask flags = 0) {
    console_write(text.data(), static_cast<uint32_t>(text.size()), flags);
}

std::string cells(int32_t row, int32_t column, int32_t count) {
    return test_row(row).substr(static_cast<std::size_t>(column - 1), static_cast<std::size_t>(count));
}

constexpr uint32_t WRAP_MODE = platform::ENABLE_PROCESSED_OUTPUT | platform::ENABLE_WRAP_AT_EOL_OUTPUT;

// View rows 1-25 of an 80x25 console, bottom equal to the screen height.
TEST(ConsoleWriteTest, LastCellOfTheBottomRowSwitchesWrapOffForThatWrite) {
    console_start(80, 25);
    testing_console_set_largest(80, 24);
    test_put_cursor(25, 75);
    write_text("ABCDEF");
    EXPECT_EQ(cells(25, 75, 6), "ABCDEF");
    EXPECT_EQ(test_cursor_row(), 25);
    EXPECT_EQ(test_cursor_col(), 80);
    EXPECT_EQ(test_screen().scrolls, 0u);
    EXPECT_EQ(test_screen().mode, WRAP_MODE);
    EXPECT_EQ(testing_console().counters.set_mode, 2u);
}

TEST(ConsoleWriteTest, AWholeBottomRowFromColumnOne) {
    console_start(80, 25);
    testing_console_set_largest(80, 24);
    test_put_cursor(25, 1);
    write_text(std::string(80, 'x'));
    EXPECT_EQ(test_row(25), std::string(80, 'x'));
    EXPECT_EQ(test_cursor_row(), 25);
    EXPECT_EQ(test_cursor_col(), 80);
    EXPECT_EQ(test_screen().scrolls, 0u);
}

TEST(ConsoleWriteTest, LastCellRuleAlsoWhenTheViewEndsAboveTheScreen) {
    console_start_with_view(80, 25, 20);
    test_put_cursor(20, 75);
    write_text("ABCDEF");
    EXPECT_EQ(test_cursor_row(), 20);
    EXPECT_EQ(test_cursor_col(), 80);
    EXPECT_EQ(testing_console().counters.scroll, 0u);
    EXPECT_EQ(test_screen().mode, WRAP_MODE);
}

TEST(ConsoleWriteTest, NoLastCellRuleWithANewlineOrAboveTheBottomRow) {
    struct Case {
        int32_t row;
        PrintMask flags;
        uint64_t buffer_scrolls;
        int32_t end_row;
    };
    const Case cases[] = {
        {25, PRINT_NEWLINE, 1, 25},  // the console wraps and scrolls by itself
        {24, 0, 0, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        console_start(80, 25);
        testing_console_set_largest(80, 24);
        test_put_cursor(c.row, 75);
        write_text("ABCDEF", c.flags);
        EXPECT_EQ(testing_console().counters.set_mode, 0u);
        EXPECT_EQ(test_screen().scrolls, c.buffer_scrolls);
        EXPECT_EQ(test_cursor_row(), c.end_row);
        EXPECT_EQ(test_cursor_col(), 1);
    }
}

TEST(ConsoleWriteTest, OverrunOfTheBottomRowScrollsTheViewFirst) {
    console_start_with_view(80, 25, 20);
    test_label_rows();
    test_put_cursor(20, 75);
    write_text("ABCDEFG");
    // Row 20's old contents moved up to row 19, where the text starts.
    EXPECT_EQ(cells(19, 1, 74), std::string(74, 'T'));
    EXPECT_EQ(cells(19, 75, 6), "ABCDEF");
    EXPECT_EQ(test_row(20), "G" + std::string(79, ' '));
    EXPECT_EQ(test_row(21), test_row_of('U', 80));
    EXPECT_EQ(test_cursor_row(), 20);
    EXPECT_EQ(test_cursor_col(), 2);
    EXPECT_EQ(test_screen().scrolls, 0u);
}

TEST(ConsoleWriteTest, OverrunOfSeveralRows) {
    console_start_with_view(80, 25, 20);
    test_label_rows();
    test_put_cursor(19, 1);
    std::string text;
    for (int32_t i = 0; i < 200; ++i) text.push_back(static_cast<char>('a' + i % 26));
    write_text(text);
    EXPECT_EQ(test_row(17), test_row_of('R', 80));
    EXPECT_EQ(test_row(18), text.substr(0, 80));
    EXPECT_EQ(test_row(19), text.substr(80, 80));
    EXPECT_EQ(cells(20, 1, 40), text.substr(160));
    EXPECT_EQ(cells(20, 41, 40), std::string(40, ' '));
    EXPECT_EQ(test_cursor_row(), 20);
    EXPECT_EQ(test_cursor_col(), 41);
}

TEST(ConsoleWriteTest, ALineFeedCountsAsOneColumn) {
    console_start_with_view(80, 25, 20);
    test_put_cursor(20, 75);
    write_text("ABCDE\nF");
    EXPECT_EQ(cells(19, 75, 5), "ABCDE");
    EXPECT_EQ(cells(20, 1, 2), "F ");
    EXPECT_EQ(testing_console().counters.scroll, 1u);
}

TEST(ConsoleWriteTest, NewlineFlagReckonsOneMoreRow) {
    console_start_with_view(80, 25, 20);
    test_label_rows();
    test_put_cursor(19, 75);
    // Seven bytes wrap once, into row 20; the newline would take the cursor
    // below the view: one row of scroll.
    write_text("ABCDEF\n", PRINT_NEWLINE);
    EXPECT_EQ(cells(18, 75, 6), "ABCDEF");
    EXPECT_EQ(test_cursor_row(), 20);
    EXPECT_EQ(test_cursor_col(), 1);
    EXPECT_EQ(testing_console().counters.scroll, 1u);
}

TEST(ConsoleWriteTest, CursorBelowTheViewIsBroughtBackToItsBottomRow) {
    console_start_with_view(80, 25, 20);
    test_label_rows();
    test_put_cursor(23, 9);
    write_text("xyz");
    EXPECT_EQ(test_row(19), test_row_of('T', 80));
    EXPECT_EQ(cells(20, 1, 12), "        xyz ");
    EXPECT_EQ(test_row(23), test_row_of('W', 80));
    EXPECT_EQ(test_cursor_row(), 20);
    EXPECT_EQ(test_cursor_col(), 12);
}

TEST(ConsoleWriteTest, AtTheDefaultViewTheConsoleScrollsByItself) {
    console_start(80, 25);
    test_label_rows();
    test_put_cursor(25, 1);
    write_text(std::string(200, 'z'));
    EXPECT_EQ(testing_console().counters.scroll, 0u);
    EXPECT_EQ(test_screen().scrolls, 2u);
    EXPECT_EQ(test_row(23), std::string(80, 'z'));
    EXPECT_EQ(test_cursor_row(), 25);
    EXPECT_EQ(test_cursor_col(), 41);
}

TEST(ConsoleWriteTest, ZeroBytesMakeExactlyOneWrite) {
    console_start_with_view(80, 25, 20);
    test_put_cursor(20, 80);
    testing_console().counters = ConsoleCounters{};
    console_write("", 0, 0);
    const ConsoleCounters& calls = testing_console().counters;
    EXPECT_EQ(calls.write_file, 1u);
    EXPECT_EQ(calls.set_mode + calls.scroll + calls.set_cursor_position, 0u);
    EXPECT_EQ(test_cursor_row(), 20);
    EXPECT_EQ(test_cursor_col(), 80);
}

TEST(ConsoleWriteTest, PartialWritesGoOnUntilAllIsOut) {
    console_start(80, 25);
    testing_console().faults.write_limit = 3;
    write_text("0123456789");
    EXPECT_EQ(cells(1, 1, 11), "0123456789 ");
    EXPECT_EQ(testing_console().counters.write_file, 4u);
}

TEST(ConsoleWriteTest, ARefusalDropsTheRestAndTheModeIsStillSetBack) {
    console_start(80, 25);
    testing_console_set_largest(80, 24);
    testing_console().faults.write_limit = 2;
    testing_console().faults.writes_before_refusal = 1;
    test_put_cursor(25, 75);
    write_text("ABCDEF");
    EXPECT_EQ(cells(25, 75, 6), "AB    ");
    EXPECT_EQ(testing_console().counters.write_file, 2u);
    EXPECT_EQ(test_screen().mode, WRAP_MODE);
}

TEST(ConsoleWriteTest, SuccessWithNothingWrittenEndsTheLoop) {
    console_start(80, 25);
    testing_console().faults.write_limit = 0;
    write_text("never");
    EXPECT_EQ(testing_console().counters.write_file, 1u);
    EXPECT_EQ(test_cursor_col(), 1);
}

TEST(ConsoleWriteTest, ATextTallerThanTheViewStartsOnItsTopRow) {
    struct Case {
        int32_t row;
        int32_t length;
    };
    // A view of rows 1-5: 800 bytes need 10 rows (a scroll of more than the
    // view), 400 bytes need 5 (the cursor's line would leave the view).
    const Case cases[] = {{3, 800}, {1, 400}, {5, 480}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        console_start_with_view(80, 25, 5);
        test_label_rows();
        test_put_cursor(c.row, 1);
        testing_console().counters = ConsoleCounters{};
        std::string text(static_cast<std::size_t>(c.length), 'q');
        write_text(text);
        EXPECT_EQ(test_row(1), std::string(80, 'q'));
        int32_t rows = c.length / 80;
        EXPECT_EQ(test_row(rows), std::string(80, 'q'));
        EXPECT_EQ(test_cursor_row(), rows + 1);
        EXPECT_EQ(test_cursor_col(), 1);
        EXPECT_EQ(test_screen().scrolls, 0u);
    }
}

TEST(ConsoleWriteTest, ZeroTerminatedEntry) {
    console_start(80, 25);
    console_write_z("hello", 0);
    console_write_z(nullptr, 0);
    EXPECT_EQ(cells(1, 1, 6), "hello ");
    EXPECT_EQ(testing_console().counters.write_file, 2u);
}

TEST(ConsoleWriteTest, RedirectedBytesPassUnchanged) {
    console_start_redirected();
    write_text("a\r\nb");
    write_text(std::string(100, 'c'));
    EXPECT_EQ(testing_file_output(), "a\r\nb" + std::string(100, 'c'));
}

}  // namespace
