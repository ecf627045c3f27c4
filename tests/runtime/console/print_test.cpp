// The print layer: item formats, newlines, print zones and pads, the print
// column, strings of blanks, and prints to file numbers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "console_test_support.h"
#include "runtime/console/print.h"
#include "runtime/core/temp_pool.h"
#include "tests/support/calculator_golden.h"
#include "tests/support/test_heap.h"

namespace {

std::string output() { return testing_file_output(); }

StringDesc* literal(const char* text) { return str_temp_for_literal(text, 0); }

struct NumberCase {
    bool is_signed;
    int64_t value;
    PrintMask mask;
    const char* text;
    int32_t column_after;
};

TEST(PrintNumberTest, EveryFormatInOneWrite) {
    const NumberCase cases[] = {
        {true, 57, 0, " 57", 3},
        {true, -5, 0, "-5", 2},
        {true, 0, 0, " 0", 2},
        {true, 57, PRINT_NEWLINE, " 57\n", 0},
        {true, 57, PRINT_PAD, " 57           ", 14},
        {true, 57, PRINT_NEWLINE | PRINT_PAD, " 57\n", 0},
        {true, INT_MIN, 0, "-2147483648", 11},
        {true, INT_MIN, PRINT_PAD, "-2147483648   ", 14},
        {true, INT_MIN, PRINT_NEWLINE, "-2147483648\n", 0},
        {true, INT_MAX, PRINT_PAD, " 2147483647   ", 14},
        {false, 57, 0, "57", 2},
        {false, 7, 0, "7", 1},
        {false, 57, PRINT_NEWLINE, "57\n", 0},
        {false, 0, PRINT_PAD, "0             ", 14},
        {false, UINT32_MAX, PRINT_PAD, "4294967295    ", 14},
        {false, UINT32_MAX, PRINT_NEWLINE | PRINT_PAD, "4294967295\n", 0},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.text);
        fresh_console_redirected();
        if (c.is_signed) {
            print_int(0, static_cast<int32_t>(c.value), c.mask);
        } else {
            print_uint(0, static_cast<uint32_t>(c.value), c.mask);
        }
        EXPECT_EQ(output(), c.text);
        EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_WRITE_FILE], 1u);
        EXPECT_EQ(print_column_get(0), c.column_after);
    }
}

TEST(PrintNumberTest, TheNewlineReachesTheWriterWithTheDigits) {
    // View rows 1-25: " 57" ending in column 80 of row 25 is the last cell.
    fresh_console(80, 25);
    testing_console_set_largest(80, 24);
    test_put_cursor(25, 78);
    print_int(0, 57, 0);
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SET_MODE], 2u);
    EXPECT_EQ(model_cursor_column(), 80);

    test_put_cursor(25, 77);
    testing_hooks().counters = ConsoleCounters{};
    print_int(0, 57, PRINT_NEWLINE);
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_SET_MODE], 0u);
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_WRITE_FILE], 1u);
    EXPECT_EQ(model_text(24, 77, 3), " 57");
    EXPECT_EQ(model_text(25), std::string(80, ' '));
}

struct PadCase {
    int32_t column;
    std::string written;
    int32_t column_after;
};

TEST(PrintPadTest, ZonesOnEightyColumns) {
    // clang-format off
    const PadCase cases[] = {
        {0, std::string(14, ' '), 14}, {13, " ", 14},   {14, std::string(14, ' '), 28},
        {41, " ", 42},                 {42, std::string(14, ' '), 56},
        {55, " ", 56},                 {56, "\n", 0},   {70, "\n", 0},
        {79, "\n", 0},
    };
    // clang-format on
    for (const PadCase& c : cases) {
        SCOPED_TRACE(c.column);
        fresh_console_redirected();
        print_column_set(0, c.column);
        print_zstring(0, "", PRINT_PAD);
        EXPECT_EQ(output(), c.written);
        EXPECT_EQ(print_column_get(0), c.column_after);
    }
}

TEST(PrintPadTest, NarrowConsoles) {
    struct Case {
        int32_t width;
        int32_t column;
        bool newline;
    };
    const Case cases[] = {{29, 0, false}, {29, 13, false}, {29, 14, true}, {28, 0, true}, {15, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " columns from " << c.column);
        fresh_console(c.width, 10);
        console_locate(3, c.column + 1, -1);
        print_string(0, nullptr, PRINT_PAD);
        EXPECT_EQ(print_column_get(0), c.newline ? 0 : 14);
        EXPECT_EQ(model_cursor_row(), c.newline ? 4 : 3);
        EXPECT_EQ(model_cursor_column(), c.newline ? 1 : 15);
    }
}

TEST(PrintPadTest, AStringItemThenItsPad) {
    fresh_console_redirected();
    print_zstring(0, "AB", PRINT_PAD);
    EXPECT_EQ(output(), "AB" + std::string(12, ' '));
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_WRITE_FILE], 2u);
    EXPECT_EQ(print_column_get(0), 14);
    // Both bits: the newline alone.
    print_zstring(0, "C", PRINT_PAD | PRINT_NEWLINE);
    EXPECT_EQ(output(), "AB" + std::string(12, ' ') + "C\n");
    EXPECT_EQ(print_column_get(0), 0);
    // A padded number is a field of 14 from where it starts, not a zone.
    print_column_set(0, 3);
    print_int(0, 57, PRINT_PAD);
    EXPECT_EQ(print_column_get(0), 17);
}

TEST(PrintPadTest, EmptyItemsStillGetTheirMask) {
    fresh_console_redirected();
    print_string(0, literal(""), PRINT_PAD);
    print_string(0, literal(""), PRINT_NEWLINE);
    print_zstring(0, nullptr, PRINT_NEWLINE);
    print_string(0, str_empty(), 0);
    print_buffer(0, "ignored", 0, 0);
    EXPECT_EQ(output(), std::string(14, ' ') + "\n\n");
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_WRITE_FILE], 3u);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
}

TEST(PrintPadTest, RangesGivenDirectly) {
    fresh_console_redirected();
    print_pad_range(0, 0, 5, 8);
    EXPECT_EQ(output(), "   ");
    EXPECT_EQ(print_column_get(0), 3);
    print_pad_range(0, 0, 8, 8);
    EXPECT_EQ(output(), "   \n");
    testing_file_output().clear();
    print_pad_range(0, 0, 1, 41);
    EXPECT_EQ(output(), std::string(40, ' '));
    EXPECT_EQ(print_column_get(0), 40);
    testing_file_output().clear();
    print_pad_range(0, 0, INT_MIN, INT_MIN + 30);
    EXPECT_EQ(output(), std::string(30, ' '));
}

TEST(PrintPadTest, ANegativeColumnPadsByAtMostOneZone) {
    // A cursor moved beyond 16 bits leaves a negative print column.
    for (int32_t column : {-1, -14, -15, -20, -25537, INT_MIN}) {
        SCOPED_TRACE(column);
        fresh_console_redirected();
        print_column_set(0, column);
        print_zstring(0, "", PRINT_PAD);
        EXPECT_GE(output().size(), 1u);
        EXPECT_LE(output().size(), 14u);
        EXPECT_GE(print_column_get(0), 0);
        EXPECT_LT(print_column_get(0), 80);
    }
}

TEST(PrintColumnMoveTest, LineEndsAndTheWidth) {
    struct Case {
        int32_t column;
        const char* text;
        int32_t column_after;
    };
    // clang-format off
    const Case cases[] = {
        {5, "abc\ndef", 3}, {5, "ab\rx", 1},  {5, "abc\n", 0}, {5, "\r\n", 0},
        {5, "x\ny\rzz", 2}, {70, "0123456789abcdefghij", 10}, {0, "", 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        fresh_console_redirected();
        print_column_set(0, c.column);
        print_console_write_z(c.text, 0);
        EXPECT_EQ(print_column_get(0), c.column_after);
    }
}

TEST(PrintScreenTest, TheCalculatorsTitleRow) {
    fresh_console(80, 25);
    console_clear(CONSOLE_CLEAR_DEFAULT);
    console_color(1, 7);
    console_locate(1, 1, -1);
    EXPECT_EQ(print_column_get(0), 0);
    print_string(0, str_temp_for_literal(CALCULATOR_TITLE_TEXT, 35), 0);
    EXPECT_EQ(print_column_get(0), 34);
    print_string(0, space_string(22), 0);
    EXPECT_EQ(print_column_get(0), 56);
    print_string(0, str_temp_for_literal(CALCULATOR_CREDIT, 25), PRINT_NEWLINE);
    EXPECT_EQ(print_column_get(0), 0);
    EXPECT_EQ(model_text(1), CALCULATOR_TITLE);
    EXPECT_EQ(model_attribute(1, 80), 0x71);
    EXPECT_EQ(model_text(2), std::string(80, ' '));
    EXPECT_EQ(model_cursor_row(), 3);
    EXPECT_EQ(model_cursor_column(), 1);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
}

TEST(PrintColumnMoveTest, TheFirstPrintCountsFromTheCursor) {
    fresh_console(80, 25);
    test_put_cursor(4, 11);
    print_zstring(0, "0123456789", 0);
    EXPECT_EQ(print_column_get(0), 20);
}

TEST(SpaceStringTest, BlanksOrTheEmptyString) {
    fresh_console(80, 25);
    EXPECT_EQ(space_string(0), str_empty());
    EXPECT_EQ(space_string(-3), str_empty());
    StringDesc* blanks = space_string(22);
    ASSERT_TRUE(str_in_pool(blanks));
    EXPECT_TRUE(str_is_temp(blanks));
    EXPECT_EQ(std::string(blanks->data), std::string(22, ' '));
    print_string(0, blanks, 0);  // frees it: the leak check would tell
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);

    StringDesc* held[TEMP_DESC_COUNT];
    for (StringDesc*& desc : held) desc = str_temp_alloc();
    EXPECT_EQ(space_string(5), str_empty());
    for (StringDesc* desc : held) str_temp_free(desc);

    test_heap_install(HEAP_REFUSES_ALL);
    EXPECT_EQ(space_string(5), str_empty());
    memory_reset();
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
    EXPECT_EQ(str_length(str_empty()), 0);
}

TEST(PrintFileTest, ClosedOrInvalidFileNumbersWriteNothing) {
    for (int32_t file : {1, 255, 256, -1, INT_MIN}) {
        SCOPED_TRACE(file);
        fresh_console_redirected();
        const struct {
            void (*print)(int32_t);
        } prints[] = {
            {[](int32_t f) { print_zstring(f, "abc", 0); }},
            {[](int32_t f) { print_zstring(f, "", PRINT_NEWLINE); }},
            {[](int32_t f) { print_string(f, literal(""), PRINT_PAD); }},
            {[](int32_t f) { print_int(f, 57, 0); }},
            {[](int32_t f) { print_uint(f, 57, PRINT_PAD); }},
            {[](int32_t f) { print_pad_zone(f, 0); }},
            {[](int32_t f) { print_pad_range(f, 0, 1, 5); }},
        };
        for (const auto& p : prints) {
            error_set(ERROR_NONE);
            p.print(file);
            EXPECT_EQ(error_get(), ERROR_BAD_ARGUMENT);
        }
        EXPECT_EQ(print_file_write(file, "x", 1), ERROR_BAD_ARGUMENT);
        EXPECT_EQ(print_file_write_z(file, "x"), ERROR_BAD_ARGUMENT);
        // An empty item with no mask attempts nothing.
        error_set(ERROR_WRITE_FAILED);
        print_zstring(file, "", 0);
        print_string(file, nullptr, 0);
        EXPECT_EQ(error_get(), ERROR_WRITE_FAILED);
        EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_WRITE_FILE], 0u);
        EXPECT_TRUE(output().empty());
        EXPECT_EQ(temp_desc_pool.in_use_count, 0);
    }
}

TEST(PrintFileTest, ConsolePrintsLeaveTheErrorStatus) {
    fresh_console(80, 25);
    error_set(ERROR_WRITE_FAILED);
    print_zstring(0, "abc", PRINT_PAD);
    print_int(0, -9, PRINT_NEWLINE);
    print_uint(0, 9, 0);
    print_string(0, space_string(3), PRINT_PAD);
    print_pad_range(0, 0, 3, 1);
    testing_hooks().faults.writes_before_refusal = 0;
    print_zstring(0, "refused", PRINT_NEWLINE);
    EXPECT_EQ(error_get(), ERROR_WRITE_FAILED);
}

std::string file_contents(std::FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) text.push_back(static_cast<char>(c));
    return text;
}

TEST(PrintFileTest, AnOpenSlotCountsItsColumnInFourteens) {
    fresh_console(20, 10);  // a console pad from column 6 would be a newline
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    file_slot(1)->stream = stream;
    error_set(ERROR_WRITE_FAILED);
    print_zstring(1, "abc", PRINT_PAD);
    EXPECT_EQ(error_get(), ERROR_NONE);
    EXPECT_EQ(print_column_get(1), 0);
    print_zstring(1, "0123456789abcdefghij", 0);
    EXPECT_EQ(print_column_get(1), 6);
    print_zstring(1, "", PRINT_PAD);
    EXPECT_EQ(print_column_get(1), 0);
    print_int(1, 57, PRINT_NEWLINE);
    print_uint(1, 8, PRINT_PAD);
    EXPECT_EQ(print_column_get(1), 0);
    EXPECT_EQ(print_file_write_z(1, ""), ERROR_NONE);
    EXPECT_EQ(file_contents(stream), "abc" + std::string(11, ' ') + "0123456789abcdefghij" + std::string(8, ' ') +
                                         " 57\n8" + std::string(13, ' '));
    EXPECT_EQ(print_column_get(0), 0);  // the console's column is its own
    file_slot(1)->stream = nullptr;
    std::fclose(stream);
}

TEST(PrintFileTest, AFailedWriteKeepsTheColumn) {
    fresh_console(80, 25);
    std::FILE* stream = std::fopen("/dev/null", "r");
    ASSERT_NE(stream, nullptr);
    file_slot(2)->stream = stream;
    print_column_set(2, 5);
    print_zstring(2, "abc", 0);
    EXPECT_EQ(error_get(), ERROR_WRITE_FAILED);
    EXPECT_EQ(print_column_get(2), 5);
    print_zstring(2, "abc", PRINT_PAD);
    EXPECT_EQ(error_get(), ERROR_WRITE_FAILED);
    EXPECT_EQ(print_file_write(2, "x", 1), ERROR_WRITE_FAILED);
    file_slot(2)->stream = nullptr;
    std::fclose(stream);
}

}  // namespace
