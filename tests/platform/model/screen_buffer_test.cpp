// The screen buffer model: catches wrong wrapping and scrolling at the last
// column and row, control characters taking cells, fills running past the
// buffer, and a window that does not follow the cursor.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/model/screen_buffer.h"
#include "tests/support/screen_text.h"

namespace {

using platform::COORD;
using platform::SMALL_RECT;

class ScreenBufferTest : public ::testing::Test {
protected:
    void SetUp() override { screen_init(&screen, 10, 4); }
    void TearDown() override { screen_free(&screen); }

    void write(const std::string& text) {
        screen_write(&screen, reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    }
    std::string row(int32_t y) const { return screen_row_text(screen, y); }
    void expect_cursor(int32_t x, int32_t y) const {
        EXPECT_EQ(screen.cursor_x, x);
        EXPECT_EQ(screen.cursor_y, y);
    }

    ScreenBuffer screen{};
};

TEST_F(ScreenBufferTest, WrapOnCarriesTheCursorFromTheLastColumnAtOnce) {
    write("0123456789");
    expect_cursor(0, 1);
    EXPECT_EQ(row(0), "0123456789");
    write("\n");  // a full row then a line end leaves an empty row
    expect_cursor(0, 2);
}

TEST_F(ScreenBufferTest, WrapOffKeepsTheCursorInTheLastColumn) {
    screen_set_mode(&screen, platform::ENABLE_PROCESSED_OUTPUT);
    write("0123456789");
    expect_cursor(9, 0);
    write("XY");  // each further byte overwrites the last cell
    EXPECT_EQ(row(0), "012345678Y");
    expect_cursor(9, 0);
    write("\n");
    expect_cursor(0, 1);
}

TEST_F(ScreenBufferTest, TheLastCellOfTheBufferScrollsOnlyWithWrapOn) {
    screen_set_cursor(&screen, 9, 3);
    screen_set_mode(&screen, platform::ENABLE_PROCESSED_OUTPUT);
    write("z");
    EXPECT_EQ(screen.scrolls, 0u);
    expect_cursor(9, 3);

    screen_set_mode(&screen, screen.mode | platform::ENABLE_WRAP_AT_EOL_OUTPUT);
    write("z");
    EXPECT_EQ(screen.scrolls, 1u);
    expect_cursor(0, 3);
    EXPECT_EQ(row(2), "         z");
}

TEST_F(ScreenBufferTest, ScrollingAtTheBottomFillsWithTheCurrentAttribute) {
    write("a\nb\nc\nd");
    screen_set_attribute(&screen, 0x1E);
    write("\n");
    EXPECT_EQ(row(0), "b         ");
    EXPECT_EQ(row(2), "d         ");
    EXPECT_EQ(row(3), "          ");
    EXPECT_EQ(screen_cell(&screen, 5, 3).attr, 0x1E);
    EXPECT_EQ(screen_cell(&screen, 5, 2).attr, 0x07);
    expect_cursor(0, 3);
}

TEST_F(ScreenBufferTest, ControlCharacters) {
    struct Case {
        const char* text;
        const char* row0;
        int32_t x, y;
        // clang-format off
    } cases[] = {
        {"abc\rX", "Xbc       ", 1, 0},
        {"abc\nX", "abc       ", 1, 1},
        {"abc\b\bX", "aXc       ", 2, 0},
        {"\b\bX", "X         ", 1, 0},  // BS never passes column 0
        {"a\tb", "a       b ", 9, 0},
        {"abcdefghi\tX", "abcdefghi ", 1, 1},  // a tab stop at the edge wraps
        {"a\ab", "ab        ", 2, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        screen_init(&screen, 10, 4);
        write(c.text);
        EXPECT_EQ(row(0), c.row0) << c.text;
        expect_cursor(c.x, c.y);
    }
    screen_init(&screen, 10, 4);
    write(std::string("a\0b", 3));
    EXPECT_EQ(row(0), "a b       ");
    write("\a");  // a bell takes no cell and leaves the cursor
    EXPECT_EQ(row(0), "a b       ");
    expect_cursor(3, 0);
}

TEST_F(ScreenBufferTest, FillsRunAcrossRowsAndStopAtTheEnd) {
    EXPECT_EQ(screen_fill_character(&screen, '#', 12, 5, 0), 12u);
    EXPECT_EQ(row(0), "     #####");
    EXPECT_EQ(row(1), "#######   ");
    EXPECT_EQ(screen_fill_attribute(&screen, 0x70, 100, 5, 3), 5u);
    EXPECT_EQ(screen_cell(&screen, 9, 3).attr, 0x70);
    EXPECT_EQ(screen_cell(&screen, 9, 3).ch, ' ');  // the character stays
    EXPECT_EQ(screen_fill_character(&screen, '#', 5, 10, 0), 0u);
    EXPECT_EQ(screen_fill_character(&screen, '#', 5, -1, 0), 0u);
    EXPECT_EQ(screen_fill_character(&screen, '#', 5, 0, 4), 0u);
    // Starts far outside, in every direction, touch nothing.
    const int32_t far[][2] = {{INT32_MIN, 0}, {0, INT32_MIN}, {INT32_MAX, INT32_MAX}, {-1, -1}, {0, 32767}};
    std::vector<Cell> before(screen.cells, screen.cells + screen.width * screen.height);
    for (const auto& start : far) {
        EXPECT_EQ(screen_fill_character(&screen, '!', UINT32_MAX, start[0], start[1]), 0u);
        EXPECT_EQ(screen_fill_attribute(&screen, 0x4F, UINT32_MAX, start[0], start[1]), 0u);
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(screen.cells[i].ch, before[i].ch);
        EXPECT_EQ(screen.cells[i].attr, before[i].attr);
    }
}

TEST_F(ScreenBufferTest, ScrollMovesTheBlockAndFillsWhatItUncovers) {
    write("aaaaaaaaaabbbbbbbbbbccccccccccddddddddd");  // 39: the last cell would scroll
    screen_set_attribute(&screen, 0x70);
    // Rows 1-3 up by one, as a view area scroll does.
    EXPECT_TRUE(screen_scroll(&screen, SMALL_RECT{0, 1, 9, 3}, nullptr, COORD{0, 0}, ' ', 0x1F));
    EXPECT_EQ(row(0), "bbbbbbbbbb");
    EXPECT_EQ(row(2), "ddddddddd ");
    EXPECT_EQ(row(3), "          ");
    EXPECT_EQ(screen_cell(&screen, 0, 3).attr, 0x1F);

    // A source running off the buffer is clipped; the destination follows.
    EXPECT_TRUE(screen_scroll(&screen, SMALL_RECT{8, 0, 12, 0}, nullptr, COORD{0, 3}, '.', 0x07));
    EXPECT_EQ(row(3), "bb        ");
    EXPECT_EQ(row(0), "bbbbbbbb..");
}

TEST_F(ScreenBufferTest, ScrollWithClipAndZeroFill) {
    write("aaaaaaaaaabbbbbbbbbbcccccccccc");
    screen_set_attribute(&screen, 0x4E);
    SMALL_RECT clip{0, 0, 9, 1};
    EXPECT_TRUE(screen_scroll(&screen, SMALL_RECT{0, 1, 9, 2}, &clip, COORD{0, 0}, 0, 0));
    EXPECT_EQ(row(0), "bbbbbbbbbb");
    EXPECT_EQ(row(1), "cccccccccc");  // inside the clip: moved in
    EXPECT_EQ(row(2), "cccccccccc");  // outside the clip: untouched
    EXPECT_EQ(screen_cell(&screen, 0, 1).attr, 0x07);
    // Down by one, zero fill: the row moved keeps its text, the one it
    // uncovered takes blanks in the current attribute.
    EXPECT_TRUE(screen_scroll(&screen, SMALL_RECT{0, 1, 9, 2}, nullptr, COORD{0, 2}, 0, 0));
    EXPECT_EQ(row(1), "          ");
    EXPECT_EQ(row(2), "cccccccccc");
    EXPECT_EQ(screen_cell(&screen, 0, 1).attr, 0x4E);
}

TEST_F(ScreenBufferTest, EmptyOrInvertedScrollChangesNothing) {
    write("abc");
    int32_t width = screen.width;
    int32_t height = screen.height;
    EXPECT_FALSE(screen_scroll(&screen, SMALL_RECT{0, 3, 9, 2}, nullptr, COORD{0, 0}, ' ', 7));
    EXPECT_FALSE(screen_scroll(&screen, SMALL_RECT{5, 0, 4, 0}, nullptr, COORD{0, 0}, ' ', 7));
    EXPECT_FALSE(screen_scroll(&screen, SMALL_RECT{20, 0, 30, 2}, nullptr, COORD{0, 0}, ' ', 7));
    EXPECT_EQ(row(0), "abc       ");
    EXPECT_EQ(screen.width, width);
    EXPECT_EQ(screen.height, height);
}

TEST_F(ScreenBufferTest, CursorMovesOutsideTheBufferAreRefused) {
    EXPECT_TRUE(screen_set_cursor(&screen, 9, 3));
    for (auto [x, y] : {std::pair{10, 0}, {0, 4}, {-1, 0}, {0, -1}}) {
        EXPECT_FALSE(screen_set_cursor(&screen, x, y));
        expect_cursor(9, 3);
    }
}

TEST_F(ScreenBufferTest, ResizeKeepsTheTopLeftAndTheCursorInside) {
    write("abcdefghij0123456789");
    screen_set_cursor(&screen, 8, 3);
    screen_resize(&screen, 4, 2);
    EXPECT_EQ(row(0), "abcd");
    EXPECT_EQ(row(1), "0123");
    expect_cursor(3, 1);
    screen_resize(&screen, 6, 3);
    EXPECT_EQ(row(0), "abcd  ");
    EXPECT_EQ(row(2), "      ");
    screen_resize(&screen, 0, -3);  // no size at all: one cell, the top left one kept
    EXPECT_EQ(std::make_tuple(row(0), screen.height), std::make_tuple(std::string("a"), 1));
}

// Every write moves the change count, so that a present never skips a frame
// over it; a call that changes nothing leaves it, so that a wait for a key,
// which asks for the window's place at every slice, draws nothing.
TEST_F(ScreenBufferTest, TheChangeCountMovesWithEveryWriteAndOnlyThen) {
    struct Case {
        const char* what;
        void (*call)(ScreenBuffer* screen);
        bool counted;
        // clang-format off
    } cases[] = {
        {"a write", [](ScreenBuffer* s) { screen_write(s, reinterpret_cast<const uint8_t*>("a"), 1); }, true},
        {"a cursor move", [](ScreenBuffer* s) { screen_set_cursor(s, 1, 1); }, true},
        {"a cursor move outside", [](ScreenBuffer* s) { screen_set_cursor(s, 10, 0); }, false},
        {"a fill", [](ScreenBuffer* s) { screen_fill_attribute(s, 0x1E, 3, 0, 0); }, true},
        {"a fill from outside", [](ScreenBuffer* s) { screen_fill_character(s, '#', 3, 0, 4); }, false},
        {"a scroll", [](ScreenBuffer* s) { screen_scroll(s, {0, 1, 9, 3}, nullptr, {0, 0}, 0, 0); }, true},
        {"a scroll onto itself", [](ScreenBuffer* s) { screen_scroll(s, {0, 1, 9, 3}, nullptr, {0, 1}, 0, 0); }, false},
        {"the attribute", [](ScreenBuffer* s) { screen_set_attribute(s, 0x1E); }, true},
        {"the mode", [](ScreenBuffer* s) { screen_set_mode(s, 0); }, true},
        {"the cursor's look", [](ScreenBuffer* s) { screen_set_cursor_info(s, 50, false); }, true},
        {"the taller cursor", [](ScreenBuffer* s) { screen_set_cursor_double(s, true); }, true},
        {"a popup up", [](ScreenBuffer* s) { screen_set_popup_shown(s, true); }, true},
        {"cells from outside", [](ScreenBuffer* s) { Cell c{'x', 7}; screen_write_cells(s, 10, 0, &c, 1); }, false},
        {"a terminal's size", [](ScreenBuffer* s) { screen_fit_terminal(s, 5, 4); }, true},
        {"the window in place already", [](ScreenBuffer* s) { screen_window_show_text(s); }, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        uint64_t before = screen.changes;
        c.call(&screen);
        EXPECT_EQ(screen.changes != before, c.counted) << c.what;
    }
}

}  // namespace

// --- the window ---------------------------------------------------------------

struct WindowStep {
    const char* what;
    int32_t cursor_x, cursor_y;  // the cursor moved here (-1: a write of "abc" at the cursor instead)
    int32_t window_x, window_y;  // where the window of 4 x 3 on the 10 x 4 buffer is after it
};

// The window moves the least distance that shows the cursor.
TEST_F(ScreenBufferTest, TheWindowFollowsTheCursorTheLeastDistance) {
    screen_fit_terminal(&screen, 4, 3);
    // clang-format off
    const WindowStep steps[] = {
        {"inside: no move", 3, 2, 0, 0},    {"down one row", 3, 3, 0, 1},     {"right to the last column", 9, 3, 6, 1},
        {"left by one", 5, 3, 5, 1},        {"up to the top", 5, 0, 5, 0},    {"far left", 0, 1, 0, 0},
        {"a write from (0, 1) ends at column 5", -1, 0, 2, 0}, {"to the last cell", 9, 3, 6, 1},
    };
    // clang-format on
    for (const WindowStep& step : steps) {
        if (step.cursor_x >= 0) {
            screen_set_cursor(&screen, step.cursor_x, step.cursor_y);
        } else {
            screen_set_cursor(&screen, 0, 1);
            write("abcde");
        }
        EXPECT_EQ(screen.window_x, step.window_x) << step.what;
        EXPECT_EQ(screen.window_y, step.window_y) << step.what;
    }
    screen_resize(&screen, 9, 4);  // narrower: the window moves back inside the buffer
    EXPECT_EQ(screen.window_x, 5);
}

// At a wait for a key the window, 5 of the 10 columns, moves sideways to
// show the ends of the most rows of text, then their starts, with the least
// move, the cursor always in view.
TEST_F(ScreenBufferTest, AtAKeyWaitTheWindowShowsWholeRowsOfText) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        int32_t cursor_x;
        int32_t window_x;  // before
        int32_t placed;    // after
        // clang-format off
    } cases[] = {
        {"the end of a row comes into view", {"  abcdef  "}, 4, 0, 3},
        {"whole rows with the least move", {"   ab     ", "     cd   "}, 4, 0, 2},
        {"whole already: no move", {"   ab     "}, 4, 1, 1},
        {"never at the cost of the cursor", {"      xy  "}, 1, 0, 0},
        {"the most ends, then the most starts", {"abcdefghij", "  12      ", "   34     "}, 4, 4, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        screen_init(&screen, 10, 4);
        screen_fit_terminal(&screen, 5, 4);
        for (std::size_t y = 0; y < c.rows.size(); ++y) {
            screen_set_cursor(&screen, 0, static_cast<int32_t>(y));
            write(c.rows[y]);
        }
        // The window moved to window_x by the cursor at its right edge.
        screen_set_cursor(&screen, c.window_x + 4, 3);
        screen_set_cursor(&screen, c.cursor_x, 3);
        screen_window_show_text(&screen);
        EXPECT_EQ(screen.window_x, c.placed) << c.what;
    }
}

TEST_F(ScreenBufferTest, ATerminalResizeGrowsTheBufferNeverShrinksItAndKeepsEveryCell) {
    write("abcdefghij0123456789");
    screen_set_cursor(&screen, 8, 3);
    screen_fit_terminal(&screen, 3, 2);  // smaller: only the window changes
    EXPECT_EQ(screen.width, 10);
    EXPECT_EQ(screen.height, 4);
    EXPECT_EQ(row(0), "abcdefghij");
    EXPECT_EQ(row(1), "0123456789");
    EXPECT_EQ(screen.window_width, 3);
    EXPECT_EQ(screen.window_height, 2);
    // As far up and left as shows the cursor.
    EXPECT_EQ(screen.window_x, 6);
    EXPECT_EQ(screen.window_y, 2);
    EXPECT_EQ(screen.largest.X, 3);
    EXPECT_EQ(screen.largest.Y, 3);       // the buffer's rows less one at the least
    screen_fit_terminal(&screen, 12, 6);  // larger: the buffer grows, blank in 0x07
    EXPECT_EQ(screen.width, 12);
    EXPECT_EQ(screen.height, 6);
    EXPECT_EQ(row(0), "abcdefghij  ");
    EXPECT_EQ(row(5), "            ");
    EXPECT_EQ(screen_cell(&screen, 11, 5).attr, 0x07);
    EXPECT_EQ(screen.window_x, 0);
    EXPECT_EQ(screen.window_y, 0);
    EXPECT_EQ(screen.window_width, 12);
    EXPECT_EQ(screen.largest.Y, 6);
    screen_fit_terminal(&screen, 0, -1);  // a terminal of no size: a window of one cell
    EXPECT_EQ(std::make_tuple(screen.window_width, screen.window_height, screen.largest.X), std::make_tuple(1, 1, 1));
}
