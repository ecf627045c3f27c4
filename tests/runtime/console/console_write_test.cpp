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

constexpr uint32_t WRAP_MODE = platform::ENABLE_PROCESSED_OUTPUT | platform::ENABLE_WRAP_AT_EOL_OUTPUT;

TEST(ConsoleWriteTest, TextEndingInTheLastCellOfTheBottomRowDoesNotWrap) {
    struct Case {
        int32_t bottom;  // 25: the screen height; 20: above it
        int32_t column;
        int32_t length;
    };
    const Case cases[] = {{25, 75, 6}, {25, 1, 80}, {20, 75, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bottom << ", " << c.column);
        fresh_console_with_view(80, 25, c.bottom);
        if (c.bottom == 25) testing_console_set_largest(80, 24);
        test_put_cursor(c.bottom, c.column);
        write_text(std::string(static_cast<std::size_t>(c.length), 'x'));
        EXPECT_EQ(model_text(c.bottom, c.column, c.length), std::string(static_cast<std::size_t>(c.length), 'x'));
        EXPECT_EQ(model_cursor_row(), c.bottom);
        EXPECT_EQ(model_cursor_column(), 80);
        EXPECT_EQ(test_screen().scrolls, 0u);
        EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SCROLL], 0u);
        EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SET_MODE], 2u);
        EXPECT_EQ(test_screen().mode, WRAP_MODE);
    }
}

TEST(ConsoleWriteTest, NoLastCellRuleWithANewlineOrAboveTheBottomRow) {
    struct Case {
        int32_t row;
        PrintMask flags;
        uint64_t buffer_scrolls;
    };
    const Case cases[] = {{25, PRINT_NEWLINE, 1}, {24, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        fresh_console(80, 25);
        testing_console_set_largest(80, 24);
        test_put_cursor(c.row, 75);
        write_text("ABCDEF", c.flags);
        EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SET_MODE], 0u);
        EXPECT_EQ(test_screen().scrolls, c.buffer_scrolls);
        EXPECT_EQ(model_cursor_row(), 25);
        EXPECT_EQ(model_cursor_column(), 1);
    }
}

// A view of rows 1-20 on 25 rows: below it lie rows the writer keeps out of.
TEST(ConsoleWriteTest, OverrunOfTheBottomRowScrollsTheViewFirst) {
    fresh_console_with_view(80, 25, 20);
    test_label_rows();
    test_put_cursor(20, 75);
    write_text("ABCDEFG");
    EXPECT_EQ(model_text(19, 1, 74), test_label_of(20).substr(0, 74));
    EXPECT_EQ(model_text(19, 75, 6), "ABCDEF");
    EXPECT_EQ(model_text(20), "G" + std::string(79, ' '));
    EXPECT_EQ(model_text(21), test_label_of(21));
    EXPECT_EQ(model_cursor_row(), 20);
    EXPECT_EQ(model_cursor_column(), 2);
    EXPECT_EQ(test_screen().scrolls, 0u);
}

TEST(ConsoleWriteTest, OverrunOfSeveralRows) {
    fresh_console_with_view(80, 25, 20);
    test_label_rows();
    test_put_cursor(19, 1);
    std::string text;
    for (int32_t i = 0; i < 200; ++i) text.push_back(static_cast<char>('a' + i % 26));
    write_text(text);
    EXPECT_EQ(model_text(17), test_label_of(18));
    EXPECT_EQ(model_text(18), text.substr(0, 80));
    EXPECT_EQ(model_text(19), text.substr(80, 80));
    EXPECT_EQ(model_text(20), text.substr(160) + std::string(40, ' '));
    EXPECT_EQ(model_cursor_row(), 20);
    EXPECT_EQ(model_cursor_column(), 41);
}

TEST(ConsoleWriteTest, ALineFeedCountsAsOneColumnAndTheNewlineFlagAsOneRow) {
    fresh_console_with_view(80, 25, 20);
    test_put_cursor(20, 75);
    write_text("ABCDE\nF");
    EXPECT_EQ(model_text(19, 75, 5), "ABCDE");
    EXPECT_EQ(model_text(20, 1, 2), "F ");
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SCROLL], 1u);

    // Seven bytes from row 19 wrap into row 20; the newline would leave the
    // view: one row of scroll.
    fresh_console_with_view(80, 25, 20);
    test_put_cursor(19, 75);
    write_text("ABCDEF\n", PRINT_NEWLINE);
    EXPECT_EQ(model_text(18, 75, 6), "ABCDEF");
    EXPECT_EQ(model_cursor_row(), 20);
    EXPECT_EQ(model_cursor_column(), 1);
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SCROLL], 1u);
}

TEST(ConsoleWriteTest, CursorBelowTheViewIsBroughtBackToItsBottomRow) {
    fresh_console_with_view(80, 25, 20);
    test_label_rows();
    test_put_cursor(23, 9);
    write_text("xyz");
    EXPECT_EQ(model_text(19), test_label_of(20));
    EXPECT_EQ(model_text(20, 1, 12), "        xyz ");
    EXPECT_EQ(model_text(23), test_label_of(23));
    EXPECT_EQ(model_cursor_row(), 20);
    EXPECT_EQ(model_cursor_column(), 12);
}

TEST(ConsoleWriteTest, AtTheDefaultViewTheConsoleScrollsByItself) {
    fresh_console(80, 25);
    test_put_cursor(25, 1);
    write_text(std::string(200, 'z'));
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SCROLL], 0u);
    EXPECT_EQ(test_screen().scrolls, 2u);
    EXPECT_EQ(model_text(23), std::string(80, 'z'));
    EXPECT_EQ(model_cursor_row(), 25);
    EXPECT_EQ(model_cursor_column(), 41);
}

TEST(ConsoleWriteTest, ZeroBytesMakeExactlyOneWrite) {
    fresh_console_with_view(80, 25, 20);
    test_put_cursor(20, 80);
    testing_hooks().counters = ConsoleCounters{};
    console_write("", 0, 0);
    console_write_z(nullptr, 0);
    const uint32_t* calls = testing_hooks().counters.calls;
    EXPECT_EQ(calls[CONSOLE_CALL_WRITE_FILE], 2u);
    EXPECT_EQ(calls[CONSOLE_CALL_SET_MODE] + calls[CONSOLE_CALL_SCROLL] + calls[CONSOLE_CALL_SET_CURSOR_POSITION], 0u);
    EXPECT_EQ(model_cursor_column(), 80);
}

TEST(ConsoleWriteTest, TheWriteLoop) {
    struct Case {
        int64_t write_limit;
        int32_t writes_before_refusal;
        const char* shown;
        uint32_t calls;
    };
    const Case cases[] = {
        {3, -1, "0123456789 ", 4},  // partial writes go on until all is out
        {3, 2, "012345     ", 3},   // a refusal drops the rest
        {-1, 0, "           ", 1},
        {0, -1, "           ", 1},  // success with nothing written ends it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        fresh_console(80, 25);
        testing_hooks().faults.write_limit = c.write_limit;
        testing_hooks().faults.writes_before_refusal = c.writes_before_refusal;
        console_write_z("0123456789", 0);
        EXPECT_EQ(model_text(1, 1, 11), c.shown);
        EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_WRITE_FILE], c.calls);
    }
}

TEST(ConsoleWriteTest, ARefusedWriteStillSetsTheModeBack) {
    fresh_console(80, 25);
    testing_console_set_largest(80, 24);
    testing_hooks().faults.writes_before_refusal = 0;
    test_put_cursor(25, 75);
    write_text("ABCDEF");
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SET_MODE], 2u);
    EXPECT_EQ(test_screen().mode, WRAP_MODE);
}

TEST(ConsoleWriteTest, ATextTallerThanTheViewStartsOnItsTopRow) {
    // A view of rows 1-5: 800 bytes need 10 rows (a scroll of more than the
    // view), 400 from row 1 need 5 (the cursor's line would leave the view).
    const struct {
        int32_t row;
        int32_t length;
    } cases[] = {{3, 800}, {1, 400}, {5, 480}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        fresh_console_with_view(80, 25, 5);
        test_label_rows();
        test_put_cursor(c.row, 1);
        write_text(std::string(static_cast<std::size_t>(c.length), 'q'));
        int32_t rows = c.length / 80;
        for (int32_t row = 1; row <= rows; ++row) EXPECT_EQ(model_text(row), std::string(80, 'q')) << row;
        EXPECT_EQ(model_cursor_row(), rows + 1);
        EXPECT_EQ(model_cursor_column(), 1);
        EXPECT_EQ(test_screen().scrolls, 0u);
    }
}

}  // namespace
