// The field tokenizer and the typed readers on a line held in the input
// context, and on a file slot's stream.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "input_test_support.h"

namespace {

struct Int32Case {
    const char* line;
    int32_t value;
    const char* left;
};

using FieldTest = InputTest;

TEST_F(FieldTest, Int32ReadsTheFirstFieldAndLeavesTheRest) {
    const Int32Case cases[] = {
        {"", 0, ""},
        {"abc", 0, ""},
        {"12abc", 12, ""},
        {"-5", -5, ""},
        {"+7", 7, ""},
        {"  12", 12, ""},
        {"1,5", 1, "5"},
        {"12 34", 12, "34"},
        {"12.7", 12, ""},
        {"\"8\"", 8, ""},
        {"\"1,5\"", 1, ""},
        {"\"1 5\"", 1, ""},
        {"12345678901234", 2147483647, "234"},  // 12345678901 saturates
        {"-2147483648", INT32_MIN, ""},
        {"- 5", 0, "5"},
        {"\"12\"34", 1234, ""},
        {"\" 12\"", 12, ""},
        {"99999999999", 2147483647, ""},
        {"-99999999999", INT32_MIN, "9"},  // 11 characters: sign and ten digits
        {"\t\r\n 42", 42, ""},
        {"7\t8", 7, "8"},
        {"12\"3", 12, ""},  // a quote inside a field is text; atoi stops there
        {"\"5", 5, ""},     // never closed: runs to the end of the line
    };
    for (const Int32Case& c : cases) {
        SCOPED_TRACE(c.line);
        set_line(c.line);
        int32_t value = -12345;
        error_set(ERROR_BAD_ARGUMENT);
        EXPECT_EQ(input_int32(&value), 0);
        EXPECT_EQ(error_get(), 0);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(rest_of_line(), c.left);
    }
}

TEST_F(FieldTest, FieldsFollowOneAnotherAndAMissingOneReadsAsZero) {
    set_line("10, 20 ,30,,40");
    int32_t values[6] = {-1, -1, -1, -1, -1, -1};
    for (int32_t& value : values) input_int32(&value);
    // A blank ends 20 and is consumed, so the comma after it ends an empty
    // field; so does the second of two commas.
    EXPECT_EQ(values[0], 10);
    EXPECT_EQ(values[1], 20);
    EXPECT_EQ(values[2], 0);  // the comma after the blank that ended 20
    EXPECT_EQ(values[3], 30);
    EXPECT_EQ(values[4], 0);
    EXPECT_EQ(values[5], 40);
    int32_t after = -1;
    input_int32(&after);
    EXPECT_EQ(after, 0);
    EXPECT_EQ(input_context.read_index, 14);
}

TEST_F(FieldTest, LimitEndsAFieldAndTheNextReaderTakesTheRest) {
    set_line("123456789");
    int8_t small = 0;
    input_int8(&small);  // "1234"
    EXPECT_EQ(static_cast<uint8_t>(small), 1234 & 0xFF);
    EXPECT_EQ(rest_of_line(), "56789");
    int16_t medium = 0;
    input_int16(&medium);  // "56789"
    EXPECT_EQ(static_cast<uint16_t>(medium), 56789);
    EXPECT_EQ(rest_of_line(), "");
}

TEST_F(FieldTest, NarrowReadersKeepTheLowBits) {
    struct NarrowCase {
        const char* line;
        uint8_t low8;
        uint16_t low16;
    };
    // clang-format off
    const NarrowCase cases[] = {
        {"300", 44, 300},
        {"1000", 232, 1000},
        {"70000", 7000 & 0xFF, 4464},  // input_int8 sees only "7000"
        {"-1", 0xFF, 0xFFFF},
        {"-128", 0x80, 0xFF80},
        {"255", 255, 255},
    };
    // clang-format on
    for (const NarrowCase& c : cases) {
        SCOPED_TRACE(c.line);
        set_line(c.line);
        int8_t byte = 0;
        EXPECT_EQ(input_int8(&byte), 0);
        EXPECT_EQ(static_cast<uint8_t>(byte), c.low8);
        set_line(c.line);
        int16_t word = 0;
        EXPECT_EQ(input_int16(&word), 0);
        EXPECT_EQ(static_cast<uint16_t>(word), c.low16);
    }
}

TEST_F(FieldTest, Int64AndFloatingPointReaders) {
    set_line("-9223372036854775808,99999999999999999999,12345678901234567890123");
    int64_t big = 0;
    input_int64(&big);
    EXPECT_EQ(big, INT64_MIN);
    input_int64(&big);
    EXPECT_EQ(big, INT64_MAX);
    input_int64(&big);  // 22 characters, then "3" is left
    EXPECT_EQ(big, INT64_MAX);
    EXPECT_EQ(rest_of_line(), "3");

    set_line("2.5e3 -0.125,1e300,-1e300 12.345678901234567");
    float single = 0;
    input_single(&single);
    EXPECT_EQ(single, 2500.0f);
    input_single(&single);
    EXPECT_EQ(single, -0.125f);
    input_single(&single);  // beyond float: the largest float, not undefined
    EXPECT_EQ(single, FLT_MAX);
    input_single(&single);
    EXPECT_EQ(single, -FLT_MAX);
    input_single(&single);  // 15 characters: 12.345678901234
    EXPECT_EQ(single, static_cast<float>(12.345678901234));
    EXPECT_EQ(rest_of_line(), "567");

    set_line("3.14159265358979323846,x");
    double wide = 0;
    input_double(&wide);  // 21 characters
    EXPECT_EQ(wide, 3.1415926535897932384);
    EXPECT_EQ(rest_of_line(), "6,x");
    input_double(&wide);  // "6"
    EXPECT_EQ(wide, 6.0);
    input_double(&wide);
    EXPECT_EQ(wide, 0.0);
}

struct StringCase {
    const char* line;
    const char* field;
    const char* left;
};

TEST_F(FieldTest, StringKeepsBlanksAndHonoursQuotes) {
    // clang-format off
    const StringCase cases[] = {
        {"  hello world  ", "hello world  ", ""},
        {"\"a, b\"", "a, b", ""},
        {"\"abc\"def", "abc", "def"},
        {"\"\"", "", ""},
        {"\" abc\"", " abc", ""},
        {"ab,cd", "ab", "cd"},
        {"\"abc\"  ,next", "abc", "next"},  // blanks and the comma after the quote go
        {"\"abc\"  next", "abc", "next"},
        {"\"abc\"\r\nnext", "abc", "next"},
        {"\"abc\"\rnext", "abc", "next"},
        {"\"abc\"\nnext", "abc", "\nnext"},  // a LF after the quote is left for the next field
        {"ab\"cd\"", "ab\"cd\"", ""},        // quotes inside a field are text
        {"\"ab\ncd\"", "ab", "cd\""},        // a LF ends even a quoted field
        {"\"unclosed, text", "unclosed, text", ""},
        {"x\xff" "y z", "x\xff" "y z", ""},
    };
    // clang-format on
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.line);
        set_line(c.line);
        StringDesc text{};
        error_set(ERROR_BAD_ARGUMENT);
        EXPECT_EQ(input_string(&text, STR_SIZE_DESC, 0), 0);
        EXPECT_EQ(error_get(), 0);
        std::string got =
            text.data != nullptr ? std::string(text.data, static_cast<std::size_t>(str_length(&text))) : "";
        EXPECT_EQ(got, c.field);
        EXPECT_EQ(rest_of_line(), c.left);
        str_delete(&text);
    }
}

TEST_F(FieldTest, StringFieldOfTheFullLimit) {
    std::string long_text(1500, 'q');
    set_line(long_text);
    StringDesc text{};
    input_string(&text, STR_SIZE_DESC, 0);
    EXPECT_EQ(str_length(&text), 1024);
    EXPECT_EQ(rest_of_line(), std::string(476, 'q'));
    str_delete(&text);
}

TEST_F(FieldTest, Byte255IsAnOrdinaryCharacter) {
    set_line(
        "\xff"
        "12");
    EXPECT_EQ(input_read_char(), 255);
    EXPECT_EQ(input_unread_char('x'), 1);  // a step back, whatever the byte

    char field[12];
    input_next_field(field, 11, 0);
    EXPECT_STREQ(field,
                 "\xff"
                 "12");
    EXPECT_EQ(input_read_char(), -1);
    set_line("ab");
    input_next_field(field, 1, 0);  // room for one character
    EXPECT_STREQ(field, "a");
}

TEST_F(FieldTest, CrAtTheEndOfTheLineStepsBackOntoIt) {
    set_line("12\r");
    int32_t value = 0;
    input_int32(&value);
    EXPECT_EQ(value, 12);
    // The end of input was pushed back as a step back, onto the CR.
    EXPECT_EQ(input_context.read_index, 2);
    input_int32(&value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(input_context.read_index, 3);

    set_line("12\r\n34");
    input_int32(&value);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(rest_of_line(), "34");

    set_line("12\r34");
    input_int32(&value);
    EXPECT_EQ(rest_of_line(), "34");

    set_line("\"1\r2\"");  // a CR inside quotes ends the field all the same
    input_int32(&value);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(rest_of_line(), "2\"");
}

TEST_F(FieldTest, SelectFileNeedsAnOpenSlot) {
    set_line("kept");
    EXPECT_EQ(input_select_file(0), 1);
    EXPECT_EQ(input_select_file(5), 1);
    EXPECT_EQ(input_select_file(256), 1);
    EXPECT_EQ(input_select_file(-1), 1);
    EXPECT_EQ(error_get(), 1);
    EXPECT_EQ(input_context.stream, nullptr);
    EXPECT_EQ(line_text(), "kept");
}

TEST_F(FieldTest, FieldsFromAFileSlotStream) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("17,\"x y\"  ,-3\r\nlast", file);
    std::rewind(file);
    file_slot(4)->stream = file;

    set_line("dropped");
    input_context.read_index = 3;
    EXPECT_EQ(input_select_file(4), 0);
    EXPECT_EQ(input_context.stream, file);
    EXPECT_EQ(input_context.line.data, nullptr);
    EXPECT_EQ(input_context.read_index, 3);  // left alone

    int32_t number = 0;
    input_int32(&number);
    EXPECT_EQ(number, 17);
    char text[8];
    input_string(text, 8, 0);
    EXPECT_STREQ(text, "x y");
    input_int32(&number);
    EXPECT_EQ(number, -3);
    input_string(text, 8, 0);
    EXPECT_STREQ(text, "last");
    EXPECT_EQ(input_read_char(), -1);

    input_context.stream = nullptr;
    file_slot(4)->stream = nullptr;
    std::fclose(file);
}

}  // namespace
