// Tests of the renderer: the exact bytes a change of the screen buffer
// produces on the terminal, the colour mapping, code page 850 to UTF-8, and
// the bytes that hand the terminal back at exit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/terminal/terminal_render.h"
#include "tests/support/case_name.h"
#include "tests/support/platform_text.h"

namespace {

struct PutCell {
    int32_t x, y;
    uint8_t ch;
    uint16_t attr;
};

// Sets cells of the buffer, as a change the next frame draws.
void put_cells(ScreenBuffer* screen, const std::vector<PutCell>& cells) {
    for (const PutCell& cell : cells) {
        screen_fill_character(screen, cell.ch, 1, cell.x, cell.y);
        screen_fill_attribute(screen, cell.attr, 1, cell.x, cell.y);
    }
}

// A renderer on a fresh screen buffer, a table's case as its parameter.
// By default a blank 4 x 3 buffer whose first frame (tested on its own)
// is drawn.
template <typename Case = int>
class RenderTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { start(4, 3, 4, 3); }

    // A buffer of width x height shown on a terminal of columns x rows,
    // and its first frame.
    void start(int32_t width, int32_t height, int32_t columns, int32_t rows) {
        screen_init(&screen, width, height);
        screen_fit_terminal(&screen, columns, rows);
        terminal_render_init(&render);
        frame();
    }

    std::string frame() { return render_frame_text(&render, &screen); }

    void put(int32_t x, int32_t y, uint8_t ch, uint16_t attr = 0x07) { put_cells(&screen, {{x, y, ch, attr}}); }

    ScreenBuffer screen{};
    ScreenScope screen_scope{&screen};
    TerminalRender render{};
    RenderScope render_scope{&render};
};

using TerminalRenderTest = RenderTest<>;

// Before the first frame the terminal may say where its cursor is (row and
// column, 0-based; none: it did not answer). Only the rows above it, and
// its own when text stands before the cursor, go up into the scrollback,
// and the rows are erased one by one: GNU screen copies a screen erased
// from its top left into its scrollback whole.
TEST_F(TerminalRenderTest, FirstFramePushesTheOldScreenAwayOnce) {
    const std::string rows = "\x1b[H\x1b[0m\x1b[K\x1b[2;1H\x1b[K\x1b[3;1H\x1b[K\x1b[H";
    struct Case {
        int32_t row, column;
        std::string bytes;
    } cases[] = {{-1, -1, "\r\n\n\x1b[H\x1b[0m\x1b[J"},
                 {0, 0, rows},
                 {1, 0, "\x1b[3;1H\n" + rows},
                 {1, 4, "\x1b[3;1H\n\n" + rows},
                 {2, 1, "\x1b[3;1H\n\n\n" + rows}};
    for (const Case& c : cases) {
        terminal_render_init(&render);
        if (c.row >= 0) terminal_render_cursor_found(&render, c.row, c.column);
        EXPECT_EQ(frame(), c.bytes) << c.row << "," << c.column;
        EXPECT_EQ(frame(), "");
    }
}

TEST_F(TerminalRenderTest, UnchangedScreenWritesNothing) {
    put(1, 1, 'a');
    frame();
    EXPECT_EQ(frame(), "");
}

struct FrameCase {
    const char* name;
    std::vector<PutCell> cells;  // changed after the first frame of a blank 4x3 buffer
    int32_t cursor_x, cursor_y;
    std::string bytes;       // what the next frame writes
    bool no_colour = false;  // drawn as NO_COLOR asks
    bool taller = false;     // the cursor taller, as while overwriting
};

using TerminalRenderFrames = RenderTest<FrameCase>;

TEST_P(TerminalRenderFrames, WriteOnlyWhatChanged) {
    if (GetParam().no_colour) terminal_render_no_colour(&render);
    put_cells(&screen, GetParam().cells);
    screen_set_cursor(&screen, GetParam().cursor_x, GetParam().cursor_y);
    screen_set_cursor_double(&screen, GetParam().taller);
    EXPECT_EQ(frame(), GetParam().bytes);
}

// clang-format off
const FrameCase FRAME_CASES[] = {
    {"one_cell_is_a_handful_of_bytes", {{2, 1, 'x', 0x07}}, 0, 0, "\x1b[2;3Hx\x1b[H"},
    {"a_gap_on_a_row_is_a_cursor_forward", {{0, 0, 'a', 0x07}, {3, 0, 'b', 0x07}}, 1, 0, "a\x1b[2Cb\x1b[1;2H"},
    {"every_colour_change_sends_both_colours_from_a_reset",
     {{0, 0, 'a', 0x1E}, {1, 0, 'b', 0x1E}, {2, 0, 'c', 0x1C}, {3, 0, 'd', 0x2C}, {0, 1, 'e', 0x07}}, 1, 1,
     "\x1b[0;93;44mab\x1b[0;91;44mc\x1b[0;91;42md\x1b[2;1H\x1b[0me"},
    {"the_last_column_is_followed_by_an_explicit_move", {{3, 0, 'x', 0x07}, {0, 1, 'y', 0x07}}, 0, 2,
     "\x1b[3Cx\x1b[2;1Hy\x1b[3;1H"},
    {"cells_go_out_as_code_page_characters_in_utf8",
     {{0, 0, 0x82, 7}, {1, 0, 0xC4, 7}, {2, 0, 0x01, 7}, {3, 0, 0x7F, 7},    // é ─ ☺ ⌂
      {0, 1, 0x1B, 7}, {1, 1, 0xFF, 7}, {2, 1, 0x0A, 7}, {3, 1, 0xDB, 7}},  // ← no-break space ◙ █
     0, 2,
     "\xc3\xa9\xe2\x94\x80\xe2\x98\xba\xe2\x8c\x82\x1b[2;1H\xe2\x86\x90\xc2\xa0\xe2\x97\x99\xe2\x96\x88"
     "\x1b[3;1H"},
    // No colour: a background set is reverse video, the rest the terminal's own.
    {"without_colour_a_background_is_reverse_video",
     {{0, 0, 'a', 0x1E}, {1, 0, 'b', 0x0E}, {2, 0, 'c', 0x71}, {3, 0, 'd', 0x07}, {0, 1, 'e', 0xF0}}, 1, 1,
     "\x1b[0;7ma\x1b[0mb\x1b[0;7mc\x1b[0md\x1b[2;1H\x1b[0;7me", true},
    {"overwriting_shows_a_block_cursor", {}, 0, 0, "\x1b[2 q", false, true},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Changes, TerminalRenderFrames, ::testing::ValuesIn(FRAME_CASES), CaseName());

TEST_F(TerminalRenderTest, TextWrittenAtTheCursorNeedsNoMoves) {
    screen_write(&screen, reinterpret_cast<const uint8_t*>("abc"), 3);
    EXPECT_EQ(frame(), "abc");
}

TEST_F(TerminalRenderTest, ChangedColourAloneRedrawsTheCell) {
    put(1, 0, 'q');
    frame();
    put(1, 0, 'q', 0x70);
    EXPECT_EQ(frame(), "\x1b[C\x1b[0;30;47mq\x1b[H");
}

TEST_F(TerminalRenderTest, CursorVisibilityFollowsTheModel) {
    screen_set_cursor_info(&screen, screen.cursor_size, false);
    EXPECT_EQ(frame(), "\x1b[?25l");
    screen_set_cursor(&screen, 2, 0);
    EXPECT_EQ(frame(), "");
    screen_set_cursor_info(&screen, screen.cursor_size, true);
    EXPECT_EQ(frame(), "\x1b[2C\x1b[?25h");
    screen_set_popup_shown(&screen, true);  // no cursor is drawn while a popup is up
    EXPECT_EQ(frame(), "\x1b[?25l");
    screen_set_popup_shown(&screen, false);
    EXPECT_EQ(frame(), "\x1b[?25h");
}

// Overwriting shows a block cursor; the terminal's own shape comes back
// when it ends, and in the bytes that hand the terminal back while a block
// may show. A resize keeps the shape; a stop (the terminal handed back,
// then written over) has the block drawn again.
TEST_F(TerminalRenderTest, ABlockCursorGivesTheTerminalsOwnShapeBack) {
    std::string restore = "\x1b[0m\x1b[?25h\x1b[0 q\x1b[1;1H";
    screen_set_cursor_double(&screen, true);
    EXPECT_EQ(frame(), "\x1b[2 q");
    EXPECT_EQ(render_restore_text(&render, &screen), restore);
    terminal_render_invalidate(&render, RENDER_LOST_ROWS);
    EXPECT_EQ(frame(), "\x1b[H\x1b[K\x1b[2;1H\x1b[K\x1b[3;1H\x1b[K\x1b[H\x1b[?25h");
    terminal_render_invalidate(&render, RENDER_LOST_ALL);
    EXPECT_EQ(render_restore_text(&render, &screen), restore);
    EXPECT_EQ(frame(), "\x1b[H\x1b[0m\x1b[K\x1b[2;1H\x1b[K\x1b[3;1H\x1b[K\x1b[H\x1b[?25h\x1b[2 q");
    screen_set_cursor_double(&screen, false);
    EXPECT_EQ(frame(), "\x1b[0 q");
    EXPECT_EQ(render_restore_text(&render, &screen), "\x1b[0m\x1b[?25h\x1b[1;1H");
}

// A redraw goes row by row, the cells up to the last one drawn and the
// rest of the row erased, and never erases the whole screen (terminals
// copy an erased screen into their scrollback).
TEST_F(TerminalRenderTest, ResizeRedrawsEveryRow) {
    put(0, 0, 'a');
    put(1, 1, 'b', 0x4F);
    frame();
    screen_resize(&screen, 5, 2);
    EXPECT_EQ(frame(), "\x1b[H\x1b[0ma\x1b[K\x1b[2;1H \x1b[0;97;41mb\x1b[0m\x1b[K\x1b[H");
}

TEST_F(TerminalRenderTest, InvalidatedTerminalIsRedrawnRowByRow) {
    put(2, 2, 'z');
    put(3, 2, 0);  // a NUL in the default colours is erased as a blank is
    frame();
    terminal_render_invalidate(&render, RENDER_LOST_ROWS);
    EXPECT_EQ(frame(), "\x1b[H\x1b[K\x1b[2;1H\x1b[K\x1b[3;1H  z\x1b[K\x1b[H\x1b[?25h");
}

TEST_F(TerminalRenderTest, RestoreGoesToAFreshLineBelowWhatWasDrawn) {
    put(0, 0, 'a');
    frame();
    EXPECT_EQ(render_restore_text(&render, &screen), "\x1b[0m\x1b[?25h\x1b[1;1H\r\n");
    screen_set_cursor(&screen, 2, 2);
    EXPECT_EQ(render_restore_text(&render, &screen), "\x1b[0m\x1b[?25h\x1b[3;1H");
}

TEST_F(TerminalRenderTest, RestoreCountsAColouredBlankAsDrawn) {
    put(0, 2, ' ', 0x10);
    frame();
    EXPECT_EQ(render_restore_text(&render, &screen), "\x1b[0m\x1b[?25h\x1b[3;1H\r\n");
}

struct ColourCase {
    uint8_t attribute;
    const char* sgr;
};

// Windows colour numbers, blue in bit 0 and red in bit 2, against ANSI's.
// clang-format off
const ColourCase COLOUR_CASES[] = {
    {0x00, "\x1b[0;30;40m"}, {0x01, "\x1b[0;34;40m"}, {0x02, "\x1b[0;32;40m"}, {0x03, "\x1b[0;36;40m"},
    {0x04, "\x1b[0;31;40m"}, {0x05, "\x1b[0;35;40m"}, {0x06, "\x1b[0;33;40m"}, {0x07, "\x1b[0m"},
    {0x08, "\x1b[0;90;40m"}, {0x09, "\x1b[0;94;40m"}, {0x0A, "\x1b[0;92;40m"}, {0x0B, "\x1b[0;96;40m"},
    {0x0C, "\x1b[0;91;40m"}, {0x0D, "\x1b[0;95;40m"}, {0x0E, "\x1b[0;93;40m"}, {0x0F, "\x1b[0;97;40m"},
    {0x17, "\x1b[0;37;44m"}, {0x27, "\x1b[0;37;42m"}, {0x37, "\x1b[0;37;46m"}, {0x47, "\x1b[0;37;41m"},
    {0x57, "\x1b[0;37;45m"}, {0x67, "\x1b[0;37;43m"}, {0x77, "\x1b[0;37;47m"}, {0x87, "\x1b[0;37;100m"},
    {0x97, "\x1b[0;37;104m"}, {0xA7, "\x1b[0;37;102m"}, {0xB7, "\x1b[0;37;106m"}, {0xC7, "\x1b[0;37;101m"},
    {0xD7, "\x1b[0;37;105m"}, {0xE7, "\x1b[0;37;103m"}, {0xF7, "\x1b[0;37;107m"}, {0x71, "\x1b[0;34;47m"},
    {0xB1, "\x1b[0;34;106m"},
};
// clang-format on

TEST(TerminalRenderColours, WindowsAttributesMapToTheirSgr) {
    for (const ColourCase& c : COLOUR_CASES) {
        EXPECT_EQ(render_colours_text(c.attribute), c.sgr) << "attribute " << int{c.attribute};
    }
}

TEST_F(TerminalRenderTest, AttributeBitsAboveTheColoursAreNotDrawn) {
    start(2, 1, 2, 1);
    put(0, 0, ' ', 0x8007);  // underscore bit
    EXPECT_EQ(frame(), "");
}

// --- the window --------------------------------------------------------------

struct ScrollCase {
    const char* name;
    std::vector<PutCell> cells;  // changed after the first frame
    const char* written;         // then written at the bottom row's start
    std::string bytes;           // what the next frame writes
};

// The window moving down sends the rows leaving its top into the terminal's
// scrollback by line feeds on the bottom row, each row first drawn as the
// buffer holds it, then draws only the rows that came in. Rows that left
// the buffer itself are gone, and fed no more once the terminal is blank.
// clang-format off
const ScrollCase SCROLL_CASES[] = {
    {"rows_shown_already_are_only_fed", {{1, 3, 'n', 7}}, "", "\x1b[3;1H\n\n\x1b[2;2Hn\x1b[3;1H"},
    {"a_row_never_drawn_is_drawn_before_it_leaves", {{0, 0, 'a', 7}, {1, 1, 'b', 7}}, "",
     "a\x1b[2;2Hb\x1b[3;3H\n\n\x1b[3;1H"},
    {"a_move_past_the_window_goes_in_steps", {{0, 0, 'p', 7}, {0, 2, 'q', 7}, {0, 3, 'r', 7}, {0, 4, 's', 7}}, "\n\n",
     "\x1b[3;1Hq\n\n\n\x1b[Hr\x1b[3;2H\n\x1b[Hs\x1b[3;1H"},
    {"rows_gone_from_the_buffer_are_not_fed", {}, "\n\n\n\n\n\n\n\ny", "\x1b[3;1H\n\n\n\x1b[3;1H\n\n\x1b[3;1Hy"},
};
// clang-format on

using TerminalRenderScrolls = RenderTest<ScrollCase>;

TEST_P(TerminalRenderScrolls, RowsLeaveAsTheBufferHoldsThem) {
    start(4, 5, 4, 3);
    put_cells(&screen, GetParam().cells);
    screen_set_cursor(&screen, 0, 3);
    screen_set_cursor(&screen, 0, 4);
    std::string written = GetParam().written;
    screen_write(&screen, reinterpret_cast<const uint8_t*>(written.data()), static_cast<uint32_t>(written.size()));
    EXPECT_EQ(frame(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Moves, TerminalRenderScrolls, ::testing::ValuesIn(SCROLL_CASES), CaseName());

// A row cut at the window's edge is marked there, as `less` marks a cut
// line: a cut number never looks whole. The front copy holds the marks.
TEST_F(TerminalRenderTest, RowsCutAtTheWindowsEdgesAreMarkedThere) {
    struct Row {
        const char* cells;  // the buffer's row, 6 columns
        uint16_t attr;
        const char* shown;  // through the window on columns 1 to 4
    } rows[] = {{"abcdef", 0x07, "<cd>"}, {"  cd  ", 0x07, " cd "}, {"    ef", 0x1E, "   >"}, {"aa    ", 0x77, "<   "}};
    start(6, 4, 4, 4);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            bool text = rows[y].cells[x] != ' ';
            put(x, y, static_cast<uint8_t>(rows[y].cells[x]), text ? rows[y].attr : uint16_t{0x07});
        }
    }
    screen_set_cursor(&screen, 4, 0);
    ASSERT_EQ(screen.window_x, 1);
    terminal_render_init(&render);
    EXPECT_EQ(frame(), "\r\n\n\n\x1b[H\x1b[0m\x1b[J<cd>\x1b[2;2Hcd\x1b[3;4H\x1b[0;93;44m>\x1b[4;1H\x1b[0m<\x1b[1;4H");
    for (int32_t y = 0; y < 4; ++y) {
        std::string front;
        for (int32_t x = 0; x < 4; ++x) front.push_back(static_cast<char>(render.front[screen_cell_index(4, x, y)].ch));
        EXPECT_EQ(front, rows[y].shown) << "row " << y;
    }
}

TEST_F(TerminalRenderTest, TheBufferScrollingAtTheBottomScrollsTheTerminalToo) {
    start(4, 5, 4, 3);
    screen_set_cursor(&screen, 0, 4);
    frame();
    screen_write(&screen, reinterpret_cast<const uint8_t*>("\nz"), 2);
    EXPECT_EQ(frame(), "\n\x1b[3;1Hz");
}

TEST_F(TerminalRenderTest, MovingUpOrSidewaysRedrawsRowByRow) {
    start(4, 5, 4, 3);
    screen_set_cursor(&screen, 0, 4);
    frame();
    put(2, 0, 'u');
    screen_set_cursor(&screen, 0, 0);
    EXPECT_EQ(frame(), "\x1b[H  u\x1b[K\x1b[2;1H\x1b[K\x1b[3;1H\x1b[K\x1b[H");
}

}  // namespace
