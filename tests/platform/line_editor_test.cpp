// Tests of the line editor: what an edited line becomes, and how its echo
// looks in the screen buffer (wrapping at the right edge, scrolling at the
// bottom, erasing what editing removed).
#include <gtest/gtest.h>

#include <string>

#include "platform/line_editor.h"

namespace {

constexpr Key ENTER{false, 0, 13};
constexpr Key BACKSPACE{false, 0, 8};
constexpr Key ESCAPE{false, 0, 27};
constexpr Key CTRL_D{false, 0, 4};
constexpr Key TAB{false, 0, 9};
constexpr Key LEFT{true, 224, 75};
constexpr Key RIGHT{true, 224, 77};
constexpr Key HOME{true, 224, 71};
constexpr Key END{true, 224, 79};
constexpr Key DELETE{true, 224, 83};
constexpr Key UP{true, 224, 72};
constexpr Key DOWN{true, 224, 80};
constexpr Key CTRL_LEFT{true, 224, 115};
constexpr Key CTRL_END{true, 224, 117};
constexpr Key F3{true, 0, 61};

struct Fixture {
    ScreenBuffer screen;
    LineEditor editor;
};

std::string row(const ScreenBuffer& screen, int32_t y) {
    std::string text;
    for (int32_t x = 0; x < screen.width; ++x) text.push_back(static_cast<char>(screen_cell(&screen, x, y).ch));
    return text;
}

std::string line(const LineEditor& editor) { return std::string(editor.text.begin(), editor.text.end()); }

class LineEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen_init(&screen, 10, 4);
        line_editor_init(&editor);
    }

    void begin_at(int32_t x, int32_t y) {
        screen_set_cursor(&screen, x, y);
        line_editor_begin(&editor, &screen);
    }

    LineEditorResult type(const std::string& text) {
        LineEditorResult result = LINE_EDITOR_EDITING;
        for (char c : text) result = line_editor_key(&editor, &screen, Key{false, 0, static_cast<uint8_t>(c)});
        return result;
    }

    LineEditorResult press(Key key) { return line_editor_key(&editor, &screen, key); }

    void expect_cursor(int32_t x, int32_t y) {
        EXPECT_EQ(screen.cursor_x, x);
        EXPECT_EQ(screen.cursor_y, y);
    }

    ScreenBuffer screen;
    LineEditor editor;
};

TEST_F(LineEditorTest, TypedTextEchoesAtTheCursorInTheCurrentAttribute) {
    screen.attribute = 0x1E;
    begin_at(2, 1);
    type("42");
    EXPECT_EQ(row(screen, 1), "  42      ");
    EXPECT_EQ(screen_cell(&screen, 2, 1).attr, 0x1E);
    EXPECT_EQ(screen_cell(&screen, 4, 1).attr, 0x07);
    expect_cursor(4, 1);
}

TEST_F(LineEditorTest, EnterEndsTheLineAndMovesToTheNextRow) {
    begin_at(3, 0);
    type("350");
    EXPECT_EQ(press(ENTER), LINE_EDITOR_DONE);
    EXPECT_EQ(line(editor), "350");
    expect_cursor(0, 1);
}

TEST_F(LineEditorTest, EchoWrapsAtTheRightEdge) {
    begin_at(7, 0);
    type("abcde");
    EXPECT_EQ(row(screen, 0), "       abc");
    EXPECT_EQ(row(screen, 1), "de        ");
    expect_cursor(2, 1);
}

TEST_F(LineEditorTest, LineFillingTheRowToTheEdgeLeavesAnEmptyRowAfterEnter) {
    begin_at(7, 0);
    type("abc");
    expect_cursor(0, 1);  // no deferred wrap
    press(ENTER);
    expect_cursor(0, 2);
}

TEST_F(LineEditorTest, EchoScrollsAtTheBottomAndTheLineFollows) {
    screen_write(&screen, reinterpret_cast<const uint8_t*>("top"), 3);
    begin_at(6, 3);
    type("12345");  // the 4th character fills the last cell: the buffer scrolls
    EXPECT_EQ(screen.scrolls, 1u);
    EXPECT_EQ(row(screen, 2), "      1234");
    EXPECT_EQ(row(screen, 3), "5         ");
    press(HOME);
    expect_cursor(6, 2);
    press(DELETE);
    EXPECT_EQ(row(screen, 2), "      2345");
    EXPECT_EQ(row(screen, 3), "          ");
    EXPECT_EQ(press(ENTER), LINE_EDITOR_DONE);
    EXPECT_EQ(line(editor), "2345");
    EXPECT_EQ(screen.scrolls, 2u);  // Enter on the bottom row scrolls once more
    EXPECT_EQ(row(screen, 1), "      2345");
    expect_cursor(0, 3);
}

TEST_F(LineEditorTest, NewRowsFromScrollingTakeTheCurrentAttribute) {
    screen.attribute = 0x20;
    begin_at(8, 3);
    type("xy");
    EXPECT_EQ(screen_cell(&screen, 5, 3).attr, 0x20);
}

TEST_F(LineEditorTest, BackspaceErasesBeforeTheCursorAndBlanksTheEnd) {
    begin_at(0, 0);
    type("hello");
    press(BACKSPACE);
    press(BACKSPACE);
    EXPECT_EQ(row(screen, 0), "hel       ");
    expect_cursor(3, 0);
    press(HOME);
    press(BACKSPACE);  // nothing before the start: the prompt is safe
    EXPECT_EQ(line(editor), "hel");
}

TEST_F(LineEditorTest, InsertingInTheMiddleShiftsTheRestAcrossTheWrap) {
    begin_at(6, 0);
    type("abcd");
    press(LEFT);
    press(LEFT);
    type("XY");
    EXPECT_EQ(row(screen, 0), "      abXY");
    EXPECT_EQ(row(screen, 1), "cd        ");
    expect_cursor(0, 1);
    press(ENTER);
    EXPECT_EQ(line(editor), "abXYcd");
    expect_cursor(0, 2);
}

TEST_F(LineEditorTest, DeleteAndBackspaceAcrossTheWrapPullTheTailBack) {
    begin_at(6, 0);
    type("abcdef");
    press(HOME);
    press(DELETE);
    press(END);
    press(BACKSPACE);
    EXPECT_EQ(line(editor), "bcde");
    EXPECT_EQ(row(screen, 0), "      bcde");
    EXPECT_EQ(row(screen, 1), "          ");
    expect_cursor(0, 1);
}

TEST_F(LineEditorTest, EscapeClearsTheWholeLine) {
    begin_at(4, 2);
    type("999999");
    press(LEFT);
    press(ESCAPE);
    EXPECT_EQ(line(editor), "");
    EXPECT_EQ(row(screen, 2), "          ");
    EXPECT_EQ(row(screen, 3), "          ");
    expect_cursor(4, 2);
    type("7");
    press(ENTER);
    EXPECT_EQ(line(editor), "7");
}

TEST_F(LineEditorTest, CursorKeysStayInsideTheLine) {
    begin_at(1, 0);
    type("ab");
    press(RIGHT);
    expect_cursor(3, 0);
    press(LEFT);
    press(LEFT);
    press(LEFT);
    expect_cursor(1, 0);
    press(END);
    expect_cursor(3, 0);
}

TEST_F(LineEditorTest, CtrlKeysMoveByWordAndDeleteToTheEnd) {
    begin_at(0, 0);
    type("12 34 56");
    press(CTRL_LEFT);
    press(CTRL_LEFT);
    expect_cursor(3, 0);
    press(CTRL_END);
    EXPECT_EQ(line(editor), "12 ");
    EXPECT_EQ(row(screen, 0), "12        ");
}

TEST_F(LineEditorTest, UpAndDownRecallEarlierLines) {
    begin_at(0, 0);
    type("100");
    press(ENTER);
    line_editor_begin(&editor, &screen);
    type("25");
    press(ENTER);
    line_editor_begin(&editor, &screen);
    type("x");
    press(UP);
    EXPECT_EQ(line(editor), "25");
    EXPECT_EQ(row(screen, 2), "25        ");
    press(UP);
    EXPECT_EQ(line(editor), "100");
    press(UP);  // no wrap at the oldest
    EXPECT_EQ(line(editor), "100");
    press(DOWN);
    EXPECT_EQ(line(editor), "25");
    press(DOWN);  // nor at the newest
    EXPECT_EQ(line(editor), "25");
    press(BACKSPACE);
    press(ENTER);
    EXPECT_EQ(line(editor), "2");
}

TEST_F(LineEditorTest, EmptyLinesStayOutOfTheHistory) {
    begin_at(0, 0);
    type("5");
    press(ENTER);
    line_editor_begin(&editor, &screen);
    press(ENTER);
    line_editor_begin(&editor, &screen);
    press(UP);
    EXPECT_EQ(line(editor), "5");
}

TEST_F(LineEditorTest, CtrlDEndsInputOnlyOnAnEmptyLine) {
    begin_at(0, 0);
    type("1");
    EXPECT_EQ(press(CTRL_D), LINE_EDITOR_EDITING);
    press(BACKSPACE);
    EXPECT_EQ(press(CTRL_D), LINE_EDITOR_END);
}

TEST_F(LineEditorTest, ControlCharactersAndFunctionKeysAreNotInserted) {
    begin_at(0, 0);
    type("a");
    press(TAB);
    press(F3);
    press(Key{false, 0, 1});
    type("\x82");  // é in code page 850 is text
    EXPECT_EQ(line(editor), "a\x82");
    expect_cursor(2, 0);
}

TEST_F(LineEditorTest, LineLongerThanTheScreenKeepsEditingAtItsEnd) {
    begin_at(0, 0);
    std::string long_line(45, 'z');
    type(long_line);
    EXPECT_EQ(screen.scrolls, 1u);  // 45 cells from the top of a 10x4 buffer
    press(BACKSPACE);
    press(HOME);  // the start has scrolled away: the cursor goes to the top left
    expect_cursor(0, 0);
    press(ENTER);
    EXPECT_EQ(line(editor), std::string(44, 'z'));
}

}  // namespace
