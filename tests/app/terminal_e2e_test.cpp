// portata in an 80x25 tmux pane: typed as a user would, read back with its
// colours, and the terminal checked after it ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/calculator_golden.h"
#include "tests/support/calculator_pane.h"
#include "tests/support/terminal_modes.h"

namespace {

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
    }
    void TearDown() override { tmux_stop(pane.session); }

    void start(int32_t columns = 80, int32_t rows = 25) {
        pane.session = tmux_start(calculator_pane_command(std::string("'") + PORTATA_EXE + "'"), columns, rows);
        ASSERT_TRUE(tmux_wait_for_text(pane.session, "Antenna TX")) << tmux_text(pane.session);
    }

    // The terminal's scrollback and screen together, oldest line first.
    std::string history_and_screen() { return tmux_run(pane.session, "capture-pane -p -S - -t 0").output; }

    void send(const std::string& keys) { tmux_send(pane.session, keys); }

    // Waits for the answer's field (row 8 or 10, 1-based, from column 40)
    // to show `shown` and nothing after it.
    bool field_shows(int32_t row, const std::string& shown) {
        std::string expected = shown + std::string(12 - shown.size(), ' ');
        std::string last;
        bool seen = tmux_wait(pane.session, [&](const std::string&) {
            last = tmux_row_text(tmux_screen(pane.session), row - 1, 39, 12);
            return last == expected;
        });
        EXPECT_TRUE(seen) << "row " << row << " shows '" << last << "', not '" << expected << "'";
        return seen;
    }

    CalculatorPane pane{{}, TEST_WAIT_MS};
};

TEST_F(TerminalTest, TheScreenAnswersAndEndsOnAKey) {
    calculator_pane_expect_answered_run(&pane, [this] { start(); });
}

TEST_F(TerminalTest, AnswersAsUsersTypeThem) {
    calculator_pane_expect_answer_cases(&pane, [this] { start(); });
}

// Meta+a (sent as Esc a in one write) does not clear the line, Option+Left
// (Esc b, sent as two keys) goes a word left, Ctrl+W and Ctrl+U erase.
TEST_F(TerminalTest, MetaAndControlKeysEditTheAnswer) {
    start();
    send("-l 1234");
    send("Left Left M-a");
    send("-l 9");
    ASSERT_TRUE(field_shows(8, "12934"));
    send("Escape b");
    send("-l 7");
    ASSERT_TRUE(field_shows(8, "712934"));
    send("End");
    send("-l ' 5 6'");
    send("C-w");
    ASSERT_TRUE(field_shows(8, "712934 5"));
    send("Left Left C-u");
    ASSERT_TRUE(field_shows(8, "5"));
    calculator_pane_answer(pane, "", "Antenna RX");
    calculator_pane_answer(pane, "", "premi un tasto");
    EXPECT_EQ(tmux_row_text(tmux_screen(pane.session), 19, 39, 6), " 9 km ");  // 4 x sqrt 5
    calculator_pane_expect_clean_exit(pane);
}

// Ctrl+L draws the screen anew over bytes written straight to the pane's
// terminal, and Down after Up brings back the answer being typed: the run
// ends on the finished screen of 100 and 25 all the same.
TEST_F(TerminalTest, CtrlLRedrawsOverGarbageAndDownBringsBackTheTypedAnswer) {
    start();
    calculator_pane_answer(pane, "100", "Antenna RX");
    send("-l 2");
    shell_output("printf '\\033[31mGARBAGE\\033[10;60Hzz\\033[1;1HXX' > " + shell_quote(tmux_pane_tty(pane.session)));
    ASSERT_TRUE(tmux_wait_for_text(pane.session, "GARBAGE")) << tmux_text(pane.session);
    send("C-l");
    ASSERT_TRUE(tmux_wait(pane.session, [](const std::string& text) {
        return text.find("GARBAGE") == std::string::npos && text.find("XX") == std::string::npos &&
               text.find("zz") == std::string::npos;
    })) << tmux_text(pane.session);
    send("-l 5");
    send("Up");
    ASSERT_TRUE(field_shows(10, "100"));
    send("Down");
    ASSERT_TRUE(field_shows(10, "25"));
    calculator_pane_answer(pane, "", "premi un tasto");
    // Every text of the finished screen in its colours; the cell that "100"
    // took beyond "25" is a blank in the answer's colours, as a console's
    // line editing leaves it.
    TmuxScreen screen = tmux_screen(pane.session);
    for (const ScreenText& t : finished_screen()) {
        auto length = static_cast<int32_t>(t.text.size());
        EXPECT_EQ(tmux_row_text(screen, t.row - 1, t.column - 1, length), t.text) << "row " << t.row;
        SgrColours colours = sgr_colours(t.attribute);
        tmux_expect_colours(screen, t.row - 1, t.column - 1, length, colours.fg, colours.bg);
    }
    calculator_pane_expect_clean_exit(pane);
}

TEST_F(TerminalTest, InterruptedWhileAskingLeavesTheTerminalSane) {
    struct Case {
        bool kill;
        const char* status;
    } cases[] = {{false, "EXIT:130"}, {true, "EXIT:143"}};
    for (const Case& c : cases) {
        start();
        tmux_send(pane.session, "-l 12");
        if (c.kill) {
            std::system(("pkill -TERM -P " + std::to_string(tmux_pane_pid(pane.session))).c_str());
        } else {
            tmux_send(pane.session, "C-c");
        }
        ASSERT_TRUE(tmux_wait_for_text(pane.session, "=DONE=")) << tmux_text(pane.session);
        std::string text = tmux_text(pane.session);
        EXPECT_NE(text.find(c.status), std::string::npos) << text;
        expect_modes_on(modes_line(text, "EXIT:"));
        tmux_stop(pane.session);
    }
}

// On a terminal smaller than the screen the program lays out, the terminal
// shows a window onto all of it that follows the cursor: at the end the
// window's bottom row is row 25, and the rows above it went up into the
// terminal's own scrollback, once. On terminals narrower than the screen
// the window at the end shows the range and the prompt whole.
TEST_F(TerminalTest, ASmallTerminalShowsAWindowOntoTheWholeScreen) {
    struct Case {
        int32_t columns;
        int32_t rows;
        int32_t left;  // the screen's column the window starts at, 0-based
    } cases[] = {{80, 24, 0}, {60, 20, 0}, {40, 12, 6}, {45, 12, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.columns) + "x" + std::to_string(c.rows));
        start(c.columns, c.rows);
        calculator_pane_answer(pane, FINISHED_TX, "Antenna RX");
        calculator_pane_answer(pane, FINISHED_RX, "premi un tasto");
        // The window placed for the key wait, drawn in one frame with the prompt.
        calculator_pane_expect_window(tmux_screen(pane.session), c.left, 25 - c.rows, c.columns, c.rows);
        std::string all = history_and_screen();
        EXPECT_EQ(text_count(all, "Istranda Quolvenix"), 1) << all;
        calculator_pane_expect_clean_exit(pane);
        tmux_stop(pane.session);
    }
}

TEST_F(TerminalTest, ResizedSmallerAndBackAtTheKeyWaitTheWholeScreenShowsAgain) {
    start();
    calculator_pane_answer(pane, FINISHED_TX, "Antenna RX");
    calculator_pane_answer(pane, FINISHED_RX, "premi un tasto");
    tmux_resize(pane.session, 60, 20);
    // The window follows the cursor on row 25: the title leaves the top.
    ASSERT_TRUE(tmux_wait(pane.session, [](const std::string& text) { return text.rfind(" Velmora", 0) != 0; }))
        << tmux_text(pane.session);
    ASSERT_TRUE(tmux_wait(pane.session, [](const std::string& text) {
        return text.find(" premi un tasto per terminare") != std::string::npos;
    })) << tmux_text(pane.session);
    calculator_pane_expect_window(tmux_screen(pane.session), 0, 5, 60, 20);
    tmux_resize(pane.session, 80, 25);
    ASSERT_TRUE(tmux_wait(pane.session, [](const std::string& text) { return text.rfind(" Velmora", 0) == 0; }))
        << tmux_text(pane.session);
    calculator_pane_expect_finished_screen(tmux_screen(pane.session));
    std::string all = history_and_screen();
    EXPECT_EQ(text_count(all, " Velmora Istranda"), 1) << "one copy of the title, scrollback included\n" << all;
    calculator_pane_expect_clean_exit(pane);
}

// Typed past the terminal's right edge, the answer takes the window along
// sideways: its last digit stays in view at the right edge.
TEST_F(TerminalTest, TypingPastTheRightEdgeMovesTheWindowSideways) {
    start(60, 20);
    std::string digits = "1234567890123456789012345";  // from column 40 to column 64
    tmux_send(pane.session, "-l " + digits);
    ASSERT_TRUE(tmux_wait_for_text(pane.session, digits.substr(digits.size() - 21))) << tmux_text(pane.session);
    TmuxScreen screen = tmux_screen(pane.session);
    int32_t row = tmux_row_of(screen, digits.substr(digits.size() - 21));
    // The cursor after the last digit, in column 65, is the window's last:
    // the window starts at column 6.
    EXPECT_EQ(tmux_row_text(screen, row, 34, 25), digits);
    EXPECT_EQ(screen.cursor_x, 59);
    EXPECT_EQ(tmux_row_text(screen, row, 6, 22), CALCULATOR_ASK_TX);
    calculator_pane_answer(pane, "", "Antenna RX");
    calculator_pane_answer(pane, FINISHED_RX, "premi un tasto");
    calculator_pane_expect_clean_exit(pane);
}

}  // namespace
