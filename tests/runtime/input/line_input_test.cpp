// Line input from the console (typed through the scripted terminal, echoed
// by the console model) and from a file slot's stream.
#include <cstdio>
#include <cstring>
#include <string>

#include "input_test_support.h"
#include "runtime/console/console_device.h"
#include "runtime/core/temp_pool.h"
#include "runtime/input/line_input.h"
#include "tests/support/screen_text.h"

namespace {

class LineInputTest : public InputTest {
protected:
    static StringDesc* empty_prompt() { return str_temp_for_literal("", 1); }

    static std::string typed_text(std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + i % 26));
        return text;
    }
};

TEST_F(LineInputTest, TheCalculatorsQuestion) {
    console_locate(8, 40, -1);
    testing_type("350\r");
    error_set(ERROR_BAD_ARGUMENT);
    EXPECT_EQ(console_input(empty_prompt(), 0, 0), 0);
    EXPECT_EQ(error_get(), 0);
    EXPECT_EQ(line_text(), "350");
    EXPECT_EQ(input_context.read_index, 0);
    EXPECT_EQ(input_context.stream, nullptr);
    EXPECT_EQ(testing_row_text(7).substr(39, 4), "350 ");
    EXPECT_EQ(model_cursor_row(), 8);
    EXPECT_EQ(model_cursor_column(), 43);
    EXPECT_TRUE(testing_console().screen.cursor_visible);  // put back, not hidden
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);             // the prompt went back to the pool

    int32_t height = 0;
    input_int32(&height);
    EXPECT_EQ(height, 350);
}

TEST_F(LineInputTest, EachLineReplacesTheLastAndItsLeftovers) {
    testing_type("150,30\r7\r");
    console_input(empty_prompt(), 0, 0);
    int32_t value = 0;
    input_int32(&value);
    EXPECT_EQ(value, 150);
    console_input(empty_prompt(), 0, 0);
    input_int32(&value);
    EXPECT_EQ(value, 7);
    input_int32(&value);
    EXPECT_EQ(value, 0);
}

TEST_F(LineInputTest, EmptyLineAndTrailingBlanks) {
    testing_type("old\r");
    console_input(empty_prompt(), 0, 1);
    console_locate(8, 40, -1);
    testing_type("\r12  \r");
    console_input(empty_prompt(), 0, 0);
    EXPECT_EQ(input_context.line.data, nullptr);
    EXPECT_EQ(input_context.line.length, 0);
    EXPECT_EQ(model_cursor_row(), 8);
    EXPECT_EQ(model_cursor_column(), 40);

    console_input(empty_prompt(), 0, 0);
    EXPECT_EQ(line_text(), "12  ");
    EXPECT_EQ(model_cursor_column(), 44);
}

TEST_F(LineInputTest, WrappedLinePutsTheCursorOnTheRowWhereItEnded) {
    console_locate(8, 40, -1);
    testing_type(typed_text(45) + "\r");
    console_input(empty_prompt(), 0, 0);
    EXPECT_EQ(str_length(&input_context.line), 45);
    EXPECT_EQ(model_cursor_row(), 9);
    EXPECT_EQ(model_cursor_column(), 5);

    // Text that ends in the last column: the echo already moved the cursor
    // to the next row, and that is where the text is followed.
    console_locate(12, 40, -1);
    testing_type(typed_text(41) + "\r");
    console_input(empty_prompt(), 0, 0);
    EXPECT_EQ(model_cursor_row(), 13);
    EXPECT_EQ(model_cursor_column(), 1);
}

struct LongLineCase {
    std::size_t length;
    int32_t row;  // where the cursor goes, typing from row 1, column 1
    int32_t column;
};

TEST_F(LineInputTest, LongLinesAreJoinedFromChunksWithNothingLeftOver) {
    // 1023 characters fill a chunk; 1022 and the line end fit one; 2500
    // come as 1023 + 1023 + 454. Past 24 rows of text the echo scrolls, and
    // the text ends on the row above the last.
    // clang-format off
    const LongLineCase cases[] = {
        {1022, 13, 63},
        {1023, 13, 64},
        {1024, 13, 65},
        {2046, 24, 47},
        {2500, 24, 21},
    };
    // clang-format on
    for (const LongLineCase& c : cases) {
        SCOPED_TRACE(c.length);
        SetUp();
        std::string text = typed_text(c.length);
        testing_type(text + "\rnext\r");
        console_locate(1, 1, -1);
        EXPECT_EQ(console_input(empty_prompt(), 0, 0), 0);
        EXPECT_EQ(line_text(), text);
        EXPECT_EQ(model_cursor_row(), c.row);
        EXPECT_EQ(model_cursor_column(), c.column);
        console_input(empty_prompt(), 0, 1);
        EXPECT_EQ(line_text(), "next");
    }
}

TEST_F(LineInputTest, PromptAndQuestionMark) {
    StringDesc* prompt = str_temp_for_literal("Altezza", 8);
    testing_type("5\r");
    console_input(prompt, 1, 1);
    EXPECT_EQ(testing_row_text(0).substr(0, 11), "Altezza? 5 ");
    EXPECT_EQ(model_cursor_row(), 2);  // the newline flag leaves the cursor where Enter put it
    EXPECT_EQ(model_cursor_column(), 1);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);

    // Without a prompt descriptor the question flag shows nothing.
    console_locate(5, 1, -1);
    testing_type("6\r");
    console_input(nullptr, 1, 0);
    EXPECT_EQ(testing_row_text(4).substr(0, 3), "6  ");
    EXPECT_EQ(model_cursor_row(), 5);
    EXPECT_EQ(model_cursor_column(), 2);

    // Typing starts after the question mark and its blank.
    console_locate(7, 1, -1);
    testing_type("77\r");
    console_input(str_temp_for_literal("Q", 2), 1, 0);
    EXPECT_EQ(testing_row_text(6).substr(0, 6), "Q? 77 ");
    EXPECT_EQ(model_cursor_column(), 6);
}

TEST_F(LineInputTest, PromptWithoutTextGoesBackToThePool) {
    StringDesc* prompt = str_temp_alloc();
    ASSERT_NE(prompt, nullptr);
    ASSERT_EQ(prompt->data, nullptr);
    testing_type("1\r");
    console_input(prompt, 1, 1);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
    EXPECT_EQ(testing_row_text(0).substr(0, 4), "? 1 ");

    // A descriptor outside the pool is left alone.
    StringDesc own{};
    testing_type("2\r");
    console_input(&own, 0, 1);
    EXPECT_EQ(line_text(), "2");
}

TEST_F(LineInputTest, EndOfInputBeforeAnyCharacterEmptiesTheLine) {
    testing_type("kept\r");
    console_input(empty_prompt(), 0, 1);
    ASSERT_EQ(line_text(), "kept");
    testing_end_input();
    console_locate(8, 40, -1);
    EXPECT_EQ(console_input(empty_prompt(), 0, 0), 0);
    EXPECT_EQ(input_context.line.data, nullptr);
    EXPECT_EQ(error_get(), 0);
}

TEST_F(LineInputTest, EndOfInputAfterAFullChunkKeepsIt) {
    std::string text = typed_text(1023);
    testing_type(text);
    testing_end_input();
    EXPECT_EQ(console_input(empty_prompt(), 0, 1), 0);
    EXPECT_EQ(line_text(), text);
}

TEST_F(LineInputTest, ConsoleLineIntoAByteBuffer) {
    char buffer[8];
    std::memset(buffer, 'z', sizeof buffer);
    testing_type("abcdefghij\r");
    console_locate(3, 10, -1);
    EXPECT_EQ(input_line_console(nullptr, buffer, 8, 1, 0, 0), 0);
    EXPECT_STREQ(buffer, "abcdefg");
    // The cursor steps by the text stored, not by what was typed.
    EXPECT_EQ(model_cursor_row(), 3);
    EXPECT_EQ(model_cursor_column(), 17);
}

TEST_F(LineInputTest, BadFileNumbersAreRefusedWithNothingDone) {
    char buffer[4] = "abc";
    for (int32_t number : {-1, 256, 1000, 1, 255}) {
        SCOPED_TRACE(number);
        error_set(ERROR_NONE);
        EXPECT_EQ(input_line(number, nullptr, buffer, 4, 0, 1, 0), 1);
        EXPECT_EQ(error_get(), 1);
        EXPECT_EQ(input_line_file(number, buffer, 4, 0), 1);
    }
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(testing_console().screen.cursor_x, 0);
    EXPECT_EQ(testing_console().screen.cursor_y, 0);
}

TEST_F(LineInputTest, LinesFromAFileSlot) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::string long_line = typed_text(2500);
    std::string content =
        "first\r\nsecond\r"
        "third\n" +
        long_line + "\n";
    content += std::string("ab\0cd\n", 6);
    content += "last";
    std::fwrite(content.data(), 1, content.size(), file);
    std::rewind(file);
    file_slot(255)->stream = file;

    StringDesc line{};
    EXPECT_EQ(input_line_file(255, &line, STR_SIZE_DESC, 0), 0);
    EXPECT_EQ(std::string(line.data, 5), "first");
    input_line_file(255, &line, STR_SIZE_DESC, 0);  // a lone CR is no line end for fgets
    EXPECT_EQ(std::string(line.data, static_cast<std::size_t>(str_length(&line))), "second\rthird");
    input_line_file(255, &line, STR_SIZE_DESC, 0);
    EXPECT_EQ(std::string(line.data, static_cast<std::size_t>(str_length(&line))), long_line);
    input_line_file(255, &line, STR_SIZE_DESC, 0);  // the NUL ends the text
    EXPECT_EQ(std::string(line.data, static_cast<std::size_t>(str_length(&line))), "ab");

    char buffer[8];
    std::memset(buffer, 'z', sizeof buffer);
    input_line_file(255, buffer, 8, 1);
    EXPECT_EQ(std::memcmp(buffer, "last\0\0\0z", 8), 0);
    EXPECT_EQ(input_line_file(255, buffer, 8, 1), 0);  // at the end: emptied
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(input_line_file(255, &line, STR_SIZE_DESC, 0), 0);
    EXPECT_EQ(line.data, nullptr);

    // Nothing of the console is touched by a file's line.
    EXPECT_EQ(testing_console().screen.cursor_x, 0);
    EXPECT_EQ(testing_console().screen.cursor_y, 0);

    file_slot(255)->stream = nullptr;
    std::fclose(file);
}

// Where a chunk fills up just after a CR, the LF that opens the next chunk
// ends the same line; a CR that no LF follows stays in the line, and one
// at the end of the input is a line end.
TEST_F(LineInputTest, ACrAtTheEndOfAFullChunk) {
    struct Case {
        std::string content;
        std::string first, second;
    };
    std::string answer = "100" + std::string(1019, ' ');  // 1022 characters, the CR the 1023rd
    std::string wide = typed_text(1022);
    const Case cases[] = {
        {answer + "\r\n25\n", answer, "25"},
        {answer + " \r\n25\n", answer + " ", "25"},
        {wide + "\ry\n25\n", wide + "\ry", "25"},
        {wide + "\r", wide, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.size());
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        std::fwrite(c.content.data(), 1, c.content.size(), file);
        std::rewind(file);
        file_slot(9)->stream = file;
        StringDesc line{};
        input_line_file(9, &line, STR_SIZE_DESC, 0);
        EXPECT_EQ(std::string(line.data, static_cast<std::size_t>(str_length(&line))), c.first);
        input_line_file(9, &line, STR_SIZE_DESC, 0);
        EXPECT_EQ(line.data == nullptr ? "" : std::string(line.data, static_cast<std::size_t>(str_length(&line))),
                  c.second);
        str_delete(&line);
        file_slot(9)->stream = nullptr;
        std::fclose(file);
    }
}

}  // namespace
