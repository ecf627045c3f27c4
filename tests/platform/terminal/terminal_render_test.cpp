// Tests of the renderer: the exact bytes a change of the screen buffer
// produces on the terminal, the colour mapping, code page 850 to UTF-8, and
// the bytes that hand the terminal back at exit.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/terminal/terminal_render.h"
#include "platform/terminal/terminal_session.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/platform_text.h"
#include "tests/support/tmux_session.h"

namespace {

class TerminalRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen_init(&screen, 4, 3);
        terminal_render_init(&render);
        frame();  // the first frame, tested on its own
    }

    std::string frame() { return render_frame_text(&render, &screen); }

    void put(int32_t x, int32_t y, uint8_t ch, uint16_t attr = 0x07) {
        screen.cells[static_cast<std::size_t>(y * screen.width + x)] = Cell{ch, attr};
    }

    ScreenBuffer screen{};

    ScreenScope screen_scope{&screen};
    TerminalRender render{};
    RenderScope render_scope{&render};
};

TEST_F(TerminalRenderTest, FirstFramePushesTheOldScreenAwayOnce) {
    terminal_render_init(&render);
    EXPECT_EQ(frame(), "\r\n\n\x1b[H\x1b[0m\x1b[J");
    EXPECT_EQ(frame(), "");
}

TEST_F(TerminalRenderTest, UnchangedScreenWritesNothing) {
    put(1, 1, 'a');
    frame();
    EXPECT_EQ(frame(), "");
}

struct PutCell {
    int32_t x, y;
    uint8_t ch;
    uint16_t attr;
};

// Writes cells straight into the buffer, as a change the next frame draws.
void put_cells(ScreenBuffer* screen, const std::vector<PutCell>& cells) {
    for (const PutCell& cell : cells) {
        screen->cells[static_cast<std::size_t>(cell.y * screen->width + cell.x)] = Cell{cell.ch, cell.attr};
    }
}

struct FrameCase {
    const char* name;
    std::vector<PutCell> cells;  // changed after the first frame of a blank 4x3 buffer
    int32_t cursor_x, cursor_y;
    std::string bytes;  // what the next frame writes
};

class TerminalRenderFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(TerminalRenderFrames, WriteOnlyWhatChanged) {
    ScreenBuffer screen{};
    ScreenScope screen_scope{&screen};
    screen_init(&screen, 4, 3);
    TerminalRender render{};
    RenderScope render_scope{&render};
    terminal_render_init(&render);
    render_frame_text(&render, &screen);
    put_cells(&screen, GetParam().cells);
    screen.cursor_x = GetParam().cursor_x;
    screen.cursor_y = GetParam().cursor_y;
    EXPECT_EQ(render_frame_text(&render, &screen), GetParam().bytes);
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
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Changes, TerminalRenderFrames, ::testing::ValuesIn(FRAME_CASES),
                         [](const ::testing::TestParamInfo<FrameCase>& param_info) {
                             return std::string(param_info.param.name);
                         });

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
    screen.cursor_visible = false;
    EXPECT_EQ(frame(), "\x1b[?25l");
    screen.cursor_x = 2;
    EXPECT_EQ(frame(), "");
    screen.cursor_visible = true;
    EXPECT_EQ(frame(), "\x1b[2C\x1b[?25h");
    screen_set_popup_shown(&screen, true);  // no cursor is drawn while a popup is up
    EXPECT_EQ(frame(), "\x1b[?25l");
    screen_set_popup_shown(&screen, false);
    EXPECT_EQ(frame(), "\x1b[?25h");
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
    screen.cursor_x = 2;
    screen.cursor_y = 2;
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

TEST(TerminalRenderColours, AttributeBitsAboveTheColoursAreNotDrawn) {
    ScreenBuffer screen{};
    ScreenScope screen_scope{&screen};
    screen_init(&screen, 2, 1);
    TerminalRender render{};
    RenderScope render_scope{&render};
    terminal_render_init(&render);
    render_frame_text(&render, &screen);
    screen.cells[0] = Cell{' ', 0x8007};  // underscore bit
    EXPECT_EQ(render_frame_text(&render, &screen), "");
}

TEST(TerminalPresent, WritesTheFrameToTheTerminalOnceAndNothingWhenUnchanged) {
    testing_console_create(3, 2);
    platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    platform::DWORD written = 0;
    platform::WriteFile(out, "hi", 2, &written, nullptr);
    platform::Sleep(0);
    EXPECT_EQ(testing_terminal_output(), "\r\n\x1b[H\x1b[0m\x1b[Jhi");
    testing_terminal_output().clear();
    platform::Sleep(0);
    EXPECT_EQ(platform::_kbhit(), 0);
    EXPECT_EQ(testing_terminal_output(), "");
    // A resize redraws the whole of the next frame, and of that one alone.
    testing_terminal_resize(3, 2);
    platform::Sleep(0);
    EXPECT_EQ(testing_terminal_output(), "\x1b[Hhi\x1b[K\x1b[2;1H\x1b[K\x1b[1;3H\x1b[?25h");
    testing_terminal_output().clear();
    platform::Sleep(0);
    EXPECT_EQ(testing_terminal_output(), "");
}

TEST(TerminalPresent, AFrameNotWhollyWrittenLeavesTheNextToDrawEveryRow) {
    testing_console_create(3, 2);
    platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    platform::DWORD written = 0;
    platform::WriteFile(out, "hi", 2, &written, nullptr);
    platform::Sleep(0);
    testing_hooks().terminal_write_fails = true;
    platform::WriteFile(out, "\r\nyo", 4, &written, nullptr);
    platform::Sleep(0);
    testing_hooks().terminal_write_fails = false;
    testing_terminal_output().clear();
    platform::Sleep(0);
    // The colours and the rows the failed frame may or may not have reached.
    EXPECT_EQ(testing_terminal_output(), "\x1b[H\x1b[0mhi\x1b[K\x1b[2;1Hyo\x1b[K\x1b[?25h");
}

// However the program hears of a new size, a resize or a resume after the
// terminal was resized while the program was stopped (its SIGWINCH went to
// the shell), the next present takes the size and draws every row anew;
// after a resume in colours set afresh, as the stop gave the terminal back
// in its own.
TEST(TerminalPresent, ANewSizeIsTakenAfterAResizeAndAfterAResume) {
    struct Case {
        void (*news)(int32_t columns, int32_t rows);
        const char* colours;  // sent before the first row is erased
    } cases[] = {{testing_terminal_resize, ""}, {testing_terminal_resume, "\x1b[0m"}};
    for (const Case& c : cases) {
        testing_console_on_terminal(80, 25);
        platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
        ASSERT_TRUE(platform::SetConsoleCursorPosition(out, platform::COORD{39, 21}));
        platform::Sleep(0);
        testing_terminal_output().clear();
        c.news(60, 20);
        platform::Sleep(0);
        const ScreenBuffer& screen = testing_console().screen;
        EXPECT_EQ(screen.window_width, 60);
        EXPECT_EQ(screen.window_height, 20);
        EXPECT_EQ(screen.window_y, 2);  // the cursor's row the bottom one
        // Every row of the new size drawn (blank), then the cursor shown.
        std::string redraw = std::string("\x1b[H") + c.colours + "\x1b[K";
        for (int32_t row = 2; row <= 20; ++row) redraw += "\x1b[" + std::to_string(row) + ";1H\x1b[K";
        platform::Sleep(0);  // the next look draws nothing: the news was taken once
        EXPECT_EQ(testing_terminal_output(), redraw + "\x1b[39C\x1b[?25h");
    }
}

// A burst of resizes, the next coming while the first settles: the size it
// settles at is drawn once, the one on the way not at all.
TEST(TerminalPresent, ABurstOfResizesIsDrawnOnceAtTheSizeItSettlesAt) {
    testing_console_on_terminal(80, 25);
    platform::Sleep(0);
    static void (*scripted_sleep)(uint32_t) = terminal_io().sleep_ms;
    terminal_io().sleep_ms = [](uint32_t ms) {
        testing_terminal_resize(60, 20);
        terminal_io().sleep_ms = scripted_sleep;
        scripted_sleep(ms);
    };
    testing_terminal_resize(70, 22);
    testing_terminal_output().clear();
    platform::Sleep(0);
    std::string out = testing_terminal_output();
    EXPECT_EQ(testing_console().screen.window_width, 60);
    EXPECT_EQ(text_count(out, "\x1b[K"), 20) << "every row of 60 x 20 erased to its end once";
}

// Reading the terminal's character set from the user's locale leaves the
// process's locale as it was: atof's decimal point stays the full stop,
// even after a locale that writes a decimal comma.
TEST(TerminalCharset, ReadingTheLocaleLeavesTheDecimalPoint) {
    const char* before = std::getenv("LC_ALL");
    std::string saved = before != nullptr ? before : "";
    for (const char* locale : {"it_IT.UTF-8", "C"}) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(terminal_locale_charset(), locale[0] == 'C' ? CHARSET_ASCII : CHARSET_UTF8) << locale;
        EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C") << locale;
        EXPECT_DOUBLE_EQ(platform::atof("2.5"), 2.5) << locale;
    }
    if (before == nullptr) unsetenv("LC_ALL");
    if (before != nullptr) setenv("LC_ALL", saved.c_str(), 1);
}

}  // namespace

// --- the window --------------------------------------------------------------

class TerminalRenderWindow : public ::testing::Test {
protected:
    // A 4 x 5 buffer shown on a terminal of 4 x 3.
    void SetUp() override {
        screen_init(&screen, 4, 5);
        screen_fit_terminal(&screen, 4, 3);
        frame();
    }
    std::string frame() { return render_frame_text(&render, &screen); }
    void put(int32_t x, int32_t y, uint8_t ch) { screen.cells[static_cast<std::size_t>(y * screen.width + x)].ch = ch; }

    ScreenBuffer screen{};
    ScreenScope screen_scope{&screen};
    TerminalRender render{};
    RenderScope render_scope{&render};
};

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

class TerminalRenderScrolls : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(TerminalRenderScrolls, RowsLeaveAsTheBufferHoldsThem) {
    // A 4 x 5 buffer shown on a terminal of 4 x 3.
    ScreenBuffer screen{};
    ScreenScope screen_scope{&screen};
    screen_init(&screen, 4, 5);
    screen_fit_terminal(&screen, 4, 3);
    TerminalRender render{};
    RenderScope render_scope{&render};
    terminal_render_init(&render);
    render_frame_text(&render, &screen);
    put_cells(&screen, GetParam().cells);
    screen_set_cursor(&screen, 0, 3);
    screen_set_cursor(&screen, 0, 4);
    std::string written = GetParam().written;
    screen_write(&screen, reinterpret_cast<const uint8_t*>(written.data()), static_cast<uint32_t>(written.size()));
    EXPECT_EQ(render_frame_text(&render, &screen), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Moves, TerminalRenderScrolls, ::testing::ValuesIn(SCROLL_CASES),
                         [](const ::testing::TestParamInfo<ScrollCase>& param_info) {
                             return std::string(param_info.param.name);
                         });

// A row cut at the window's edge is marked there, as `less` marks a cut
// line: a cut number never looks whole. The front copy holds the marks.
TEST(TerminalRenderMarks, RowsCutAtTheWindowsEdgesAreMarkedThere) {
    struct Row {
        const char* cells;  // the buffer's row, 6 columns
        uint16_t attr;
        const char* shown;  // through the window on columns 1 to 4
    } rows[] = {{"abcdef", 0x07, "<cd>"}, {"  cd  ", 0x07, " cd "}, {"    ef", 0x1E, "   >"}, {"aa    ", 0x77, "<   "}};
    ScreenBuffer screen{};
    ScreenScope screen_scope{&screen};
    screen_init(&screen, 6, 4);
    screen_fit_terminal(&screen, 4, 4);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            bool text = rows[y].cells[x] != ' ';
            screen.cells[static_cast<std::size_t>(y * 6 + x)] =
                Cell{static_cast<uint8_t>(rows[y].cells[x]), text ? rows[y].attr : uint16_t{0x07}};
        }
    }
    screen_set_cursor(&screen, 4, 0);
    ASSERT_EQ(screen.window_x, 1);
    TerminalRender render{};
    RenderScope render_scope{&render};
    terminal_render_init(&render);
    EXPECT_EQ(render_frame_text(&render, &screen),
              "\r\n\n\n\x1b[H\x1b[0m\x1b[J<cd>\x1b[2;2Hcd\x1b[3;4H\x1b[0;93;44m>\x1b[4;1H\x1b[0m<\x1b[1;4H");
    for (int32_t y = 0; y < 4; ++y) {
        std::string front;
        for (int32_t x = 0; x < 4; ++x) front.push_back(static_cast<char>(render.front[y * 4 + x].ch));
        EXPECT_EQ(front, rows[y].shown) << "row " << y;
    }
}

TEST_F(TerminalRenderWindow, TheBufferScrollingAtTheBottomScrollsTheTerminalToo) {
    screen_set_cursor(&screen, 0, 4);
    frame();
    screen_write(&screen, reinterpret_cast<const uint8_t*>("\nz"), 2);
    EXPECT_EQ(frame(), "\n\x1b[3;1Hz");
}

TEST_F(TerminalRenderWindow, MovingUpOrSidewaysRedrawsRowByRow) {
    screen_set_cursor(&screen, 0, 4);
    frame();
    put(2, 0, 'u');
    screen_set_cursor(&screen, 0, 0);
    EXPECT_EQ(frame(), "\x1b[H  u\x1b[K\x1b[2;1H\x1b[K\x1b[3;1H\x1b[K\x1b[H");
}
